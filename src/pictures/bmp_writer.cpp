#include "pictures/bmp_writer.h"

#include <cstring>

#include "pictures/picture_decoding.h"

namespace nuvra::pictures {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
// 96 dpi, the screen resolution Windows assumes, in pixels per metre.
constexpr std::uint32_t kPixelsPerMetre = 3780;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

bool FollowsLayout(const platform::Picture& picture)
{
    const std::uint16_t bits = picture.bits_per_pixel;
    if (bits != 8 && bits != 24 && bits != 32)
        return false;
    if (picture.width <= 0 || picture.height <= 0 || CheckPictureSize(picture.width, picture.height, {}))
        return false;
    const std::int64_t row_bytes = std::int64_t{picture.width} * (bits / 8);
    if (picture.stride < row_bytes || picture.stride % 4 != 0)
        return false;
    if (picture.pixels.size() < static_cast<std::uint64_t>(picture.stride) * static_cast<std::uint64_t>(picture.height))
        return false;
    if (bits == 8)
        return !picture.palette.empty() && picture.palette.size() <= 256;
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodeBmp(const platform::Picture& picture)
{
    if (!FollowsLayout(picture))
        return std::nullopt;
    const std::uint32_t bits = picture.bits_per_pixel;
    const std::uint32_t colours = bits == 8 ? static_cast<std::uint32_t>(picture.palette.size()) : 0;
    const std::uint32_t row_bytes = static_cast<std::uint32_t>(picture.width) * (bits / 8);
    const std::uint32_t file_stride = (row_bytes + 3) & ~3u;
    const std::uint32_t pixel_offset = kFileHeaderSize + kInfoHeaderSize + colours * 4;
    // Within the caps a file stays below 4 GiB (16384 x 16384 x 4 bytes), so
    // its 32-bit size fields never wrap.
    const std::uint64_t image_size = std::uint64_t{file_stride} * static_cast<std::uint64_t>(picture.height);
    const std::uint64_t file_size = pixel_offset + image_size;

    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(file_size));
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<std::uint32_t>(file_size));
    Put32(out, 0);
    Put32(out, pixel_offset);

    Put32(out, kInfoHeaderSize);
    Put32(out, static_cast<std::uint32_t>(picture.width));
    Put32(out, static_cast<std::uint32_t>(picture.height));  // positive: bottom-up
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, 0);  // BI_RGB
    Put32(out, static_cast<std::uint32_t>(image_size));
    Put32(out, kPixelsPerMetre);
    Put32(out, kPixelsPerMetre);
    Put32(out, colours);
    Put32(out, 0);

    for (std::uint32_t colour : picture.palette) {
        if (bits != 8)
            break;
        out.push_back(static_cast<std::uint8_t>(colour));
        out.push_back(static_cast<std::uint8_t>(colour >> 8));
        out.push_back(static_cast<std::uint8_t>(colour >> 16));
        out.push_back(0);
    }

    // Both are bottom-up; only the padding can differ (a wider source
    // stride), and the padding written is always zero.
    const std::size_t pixels_start = out.size();
    out.resize(static_cast<std::size_t>(file_size), 0);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* source =
            picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.stride);
        std::memcpy(out.data() + pixels_start + static_cast<std::size_t>(y) * file_stride, source, row_bytes);
    }
    return out;
}

}  // namespace nuvra::pictures
