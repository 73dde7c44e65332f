#include "images/work_file.h"

#include <algorithm>
#include <array>
#include <vector>

#include "files/paths.h"
#include "images/color_reduction.h"

namespace nuvra {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoSize = 40 + 256 * 4;

template <std::size_t N>
void Put16(std::array<std::uint8_t, N>& bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

template <std::size_t N>
void Put32(std::array<std::uint8_t, N>& bytes, std::size_t at, std::uint32_t value)
{
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

// The header and colour table: only size, width, height, planes, bits and
// compression are set; image size, resolution and colour counts stay 0.
std::array<std::uint8_t, kInfoSize> BitmapInfo(const platform::Picture& picture, const Palette256& palette)
{
    std::array<std::uint8_t, kInfoSize> info{};
    Put32(info, 0, 40);
    Put32(info, 4, static_cast<std::uint32_t>(picture.width));
    Put32(info, 8, static_cast<std::uint32_t>(picture.height));  // positive: bottom row first
    Put16(info, 12, 1);
    Put16(info, 14, 8);
    for (std::size_t i = 0; i < palette.size(); ++i)
        Put32(info, 40 + 4 * i, palette[i] & 0x00FFFFFF);  // blue, green, red, 0 in file order
    return info;
}

std::string WorkFilePath(platform::FileSystem& files, std::string_view name, std::string_view tag)
{
    constexpr std::string_view kEnding = ".bmp";
    std::string file_name(name.substr(0, name.size() - kEnding.size()));
    file_name += tag;
    file_name += kEnding;
    return JoinPath(files.WorkFolder(), file_name);
}

}  // namespace

std::string SquareWorkFilePath(platform::FileSystem& files, std::string_view tag)
{
    return WorkFilePath(files, kSquareWorkFileName, tag);
}

std::string EightBitWorkFilePath(platform::FileSystem& files, std::string_view tag)
{
    return WorkFilePath(files, kEightBitWorkFileName, tag);
}

std::int64_t WorkFilePixelBufferSize(std::int32_t width, std::int32_t height)
{
    return ((static_cast<std::int64_t>(width) - 1) / 8 + 1) * 8 * height;
}

std::optional<platform::Picture> ReduceToEightBit(const platform::Picture& picture)
{
    if (picture.bits_per_pixel <= 8 || picture.empty() || picture.width > platform::kMaxPictureSide ||
        picture.height > platform::kMaxPictureSide)
        return std::nullopt;
    platform::Picture eight_bit;
    eight_bit.width = picture.width;
    eight_bit.height = picture.height;
    eight_bit.bits_per_pixel = 8;
    eight_bit.stride = static_cast<std::int32_t>(EightBitStride(picture.width));
    eight_bit.pixels.assign(static_cast<std::size_t>(eight_bit.stride) * static_cast<std::size_t>(picture.height), 0);
    Palette256 palette{};
    if (!ReduceTo256Colours(picture, palette, eight_bit.pixels))
        return std::nullopt;
    eight_bit.palette.assign(palette.begin(), palette.end());
    return eight_bit;
}

WorkFileResult WriteEightBitWorkFile(const platform::Picture& eight_bit, platform::FileSystem& files,
                                     std::string_view tag)
{
    const std::int64_t rows_size = static_cast<std::int64_t>(eight_bit.stride) * eight_bit.height;
    if (eight_bit.bits_per_pixel != 8 || eight_bit.empty() || eight_bit.stride != EightBitStride(eight_bit.width) ||
        static_cast<std::int64_t>(eight_bit.pixels.size()) < rows_size || eight_bit.palette.size() > 256)
        return WorkFileResult::ConversionFailed;
    Palette256 palette{};
    std::copy(eight_bit.palette.begin(), eight_bit.palette.end(), palette.begin());

    const std::string path = EightBitWorkFilePath(files, tag);
    if (FileExists(path, files))
        files.DeleteFile(path);

    // The whole file is built here and handed over in one piece: the
    // platform replaces the file in one step, so no reader ever sees part of
    // one. The pixel buffer is sized for the width rounded up to 8, of which
    // only the 4-aligned rows are filled; the rest is written as zeros.
    const std::int64_t file_size = kWorkFilePixelOffset + WorkFilePixelBufferSize(eight_bit.width, eight_bit.height);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file_size), 0);
    std::array<std::uint8_t, kFileHeaderSize> header{};
    header[0] = 'B';
    header[1] = 'M';
    Put32(header, 2, static_cast<std::uint32_t>(file_size));
    Put32(header, 10, static_cast<std::uint32_t>(kWorkFilePixelOffset));
    const std::array<std::uint8_t, kInfoSize> info = BitmapInfo(eight_bit, palette);
    static_assert(kFileHeaderSize + kInfoSize == kWorkFilePixelOffset);
    std::copy(header.begin(), header.end(), bytes.begin());
    std::copy(info.begin(), info.end(), bytes.begin() + kFileHeaderSize);
    std::copy_n(eight_bit.pixels.begin(), rows_size, bytes.begin() + kWorkFilePixelOffset);
    return files.ReplaceFile(path, bytes) ? WorkFileResult::Written : WorkFileResult::WriteFailed;
}

WorkFileResult SaveAs8BitBitmap(const platform::Picture& picture, platform::FileSystem& files)
{
    if (picture.bits_per_pixel <= 8)
        return WorkFileResult::NotNeeded;
    const std::optional<platform::Picture> eight_bit = ReduceToEightBit(picture);
    if (!eight_bit)
        return WorkFileResult::ConversionFailed;
    return WriteEightBitWorkFile(*eight_bit, files);
}

}  // namespace nuvra
