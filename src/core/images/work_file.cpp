#include "images/work_file.h"

#include <array>
#include <fstream>
#include <vector>

#include "images/color_reduction.h"
#include "images/paths.h"

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

std::string WorkFilePath(platform::FileSystem& files, const char* name)
{
    std::string path = files.WorkFolder();
    path.push_back(platform::kPathSeparator);
    path += name;
    return path;
}

}  // namespace

std::string SquareWorkFilePath(platform::FileSystem& files)
{
    return WorkFilePath(files, kSquareWorkFileName);
}

std::string EightBitWorkFilePath(platform::FileSystem& files)
{
    return WorkFilePath(files, kEightBitWorkFileName);
}

std::int64_t WorkFilePixelBufferSize(std::int32_t width, std::int32_t height)
{
    return ((static_cast<std::int64_t>(width) - 1) / 8 + 1) * 8 * height;
}

WorkFileResult SaveAs8BitBitmap(const platform::Picture& picture, platform::FileSystem& files)
{
    if (picture.bits_per_pixel <= 8)
        return WorkFileResult::NotNeeded;
    if (picture.empty() || picture.width > platform::kMaxPictureSide || picture.height > platform::kMaxPictureSide)
        return WorkFileResult::ConversionFailed;

    const std::int64_t buffer_size = WorkFilePixelBufferSize(picture.width, picture.height);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(buffer_size));
    Palette256 palette{};
    if (!ReduceTo256Colours(picture, palette, buffer))
        return WorkFileResult::ConversionFailed;

    const std::string path = EightBitWorkFilePath(files);
    if (FileExists(path, files))
        files.DeleteFile(path);

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return WorkFileResult::WriteFailed;
    // The file header goes in last: until then the file starts with zeros,
    // so a write that breaks off never leaves something that reads as a
    // bitmap.
    std::array<std::uint8_t, kFileHeaderSize> header{};
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    const std::array<std::uint8_t, kInfoSize> info = BitmapInfo(picture, palette);
    out.write(reinterpret_cast<const char*>(info.data()), info.size());
    const auto pixel_offset = static_cast<std::int64_t>(out.tellp());
    out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    const auto file_size = static_cast<std::int64_t>(out.tellp());
    if (!out || pixel_offset != kWorkFilePixelOffset)
        return WorkFileResult::WriteFailed;

    header[0] = 'B';
    header[1] = 'M';
    Put32(header, 2, static_cast<std::uint32_t>(file_size));
    Put32(header, 10, static_cast<std::uint32_t>(pixel_offset));
    out.seekp(0);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    out.close();
    return out ? WorkFileResult::Written : WorkFileResult::WriteFailed;
}

}  // namespace nuvra
