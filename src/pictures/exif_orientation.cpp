#include "pictures/exif_orientation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "pictures/byte_reader.h"

namespace nuvra::pictures {

namespace {

using platform::Picture;
using platform::PictureResult;
using platform::Rect;

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTiffShort = 3;

std::uint16_t ReadU16BigEndian(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    if (!Fits(bytes, offset, 2))
        return 0;
    return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

std::uint32_t ReadU32BigEndian(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    return static_cast<std::uint32_t>(ReadU16BigEndian(bytes, offset)) << 16 | ReadU16BigEndian(bytes, offset + 2);
}

bool HasPrefix(std::span<const std::uint8_t> bytes, std::string_view prefix)
{
    return bytes.size() >= prefix.size() && std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

// The JPEG, PNG and WebP EXIF blocks begin with the TIFF header, but some
// writers put the JPEG segment's "Exif\0\0" in front of it in PNG and WebP
// files too.
std::span<const std::uint8_t> WithoutExifPrefix(std::span<const std::uint8_t> block)
{
    constexpr std::string_view kPrefix{"Exif\0\0", 6};
    return HasPrefix(block, kPrefix) ? block.subspan(kPrefix.size()) : block;
}

// The payload of the first APP1 segment holding EXIF, before the scan.
std::optional<std::span<const std::uint8_t>> JpegExif(std::span<const std::uint8_t> bytes)
{
    std::uint64_t at = 2;  // past the start-of-image marker
    while (Fits(bytes, at, 4)) {
        if (bytes[at] != 0xFF)
            return std::nullopt;
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)  // the picture's data starts, or it ends
            return std::nullopt;
        const std::uint16_t length = ReadU16BigEndian(bytes, at + 2);
        if (length < 2 || !Fits(bytes, at + 2, length))
            return std::nullopt;
        const std::span<const std::uint8_t> payload = bytes.subspan(at + 4, length - 2u);
        if (marker == 0xE1 && HasPrefix(payload, {"Exif\0\0", 6}))
            return payload.subspan(6);
        at += 2u + length;
    }
    return std::nullopt;
}

// The payload of the first eXIf chunk, wherever it stands.
std::optional<std::span<const std::uint8_t>> PngExif(std::span<const std::uint8_t> bytes)
{
    std::uint64_t at = 8;  // past the signature
    while (Fits(bytes, at, 8)) {
        const std::uint64_t length = ReadU32BigEndian(bytes, at);
        const std::span<const std::uint8_t> type = bytes.subspan(at + 4, 4);
        if (!Fits(bytes, at + 8, length))
            return std::nullopt;
        if (HasPrefix(type, "eXIf"))
            return WithoutExifPrefix(bytes.subspan(at + 8, length));
        if (HasPrefix(type, "IEND"))
            return std::nullopt;
        at += 12 + length;  // length, type, data and the check sum
    }
    return std::nullopt;
}

// The payload of the first EXIF chunk of the RIFF container.
std::optional<std::span<const std::uint8_t>> WebpExif(std::span<const std::uint8_t> bytes)
{
    std::uint64_t at = 12;  // past "RIFF", the size and "WEBP"
    while (Fits(bytes, at, 8)) {
        const std::uint64_t length = ReadU32(bytes, at + 4);
        if (!Fits(bytes, at + 8, length))
            return std::nullopt;
        if (HasPrefix(bytes.subspan(at, 4), "EXIF"))
            return WithoutExifPrefix(bytes.subspan(at + 8, length));
        at += 8 + length + (length & 1);  // chunks are padded to an even size
    }
    return std::nullopt;
}

// A pixel's step in memory for a step of (dx, dy) in the picture, rows
// counted from the top.
std::ptrdiff_t MemoryStep(const Picture& picture, std::int32_t dx, std::int32_t dy)
{
    return static_cast<std::ptrdiff_t>(dx) * (picture.bits_per_pixel / 8) -
           static_cast<std::ptrdiff_t>(dy) * picture.stride;
}

}  // namespace

Orientation TiffOrientation(std::span<const std::uint8_t> tiff)
{
    bool big_endian = false;
    if (HasPrefix(tiff, "MM"))
        big_endian = true;
    else if (!HasPrefix(tiff, "II"))
        return Orientation::TopLeft;
    auto u16 = [&](std::uint64_t offset) { return big_endian ? ReadU16BigEndian(tiff, offset) : ReadU16(tiff, offset); };
    auto u32 = [&](std::uint64_t offset) { return big_endian ? ReadU32BigEndian(tiff, offset) : ReadU32(tiff, offset); };
    if (u16(2) != 42)
        return Orientation::TopLeft;
    const std::uint64_t directory = u32(4);
    if (!Fits(tiff, directory, 2))
        return Orientation::TopLeft;
    const std::uint64_t entries = std::min<std::uint64_t>(u16(directory), (tiff.size() - directory - 2) / 12);
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t entry = directory + 2 + 12 * i;
        if (u16(entry) != kOrientationTag)
            continue;
        // One SHORT, kept in the entry's first two value bytes.
        const std::uint16_t value = u16(entry + 8);
        if (u16(entry + 2) != kTiffShort || u32(entry + 4) != 1 || value < 1 || value > 8)
            return Orientation::TopLeft;
        return static_cast<Orientation>(value);
    }
    return Orientation::TopLeft;
}

Orientation ReadOrientation(std::span<const std::uint8_t> bytes, PictureFormat format)
{
    std::optional<std::span<const std::uint8_t>> exif;
    if (format == PictureFormat::Jpeg)
        exif = JpegExif(bytes);
    else if (format == PictureFormat::Png)
        exif = PngExif(bytes);
    else if (format == PictureFormat::Webp)
        exif = WebpExif(bytes);
    return exif ? TiffOrientation(*exif) : Orientation::TopLeft;
}

StoredPoint StoredPointOf(Orientation orientation, std::int32_t x, std::int32_t y, std::int32_t stored_width,
                          std::int32_t stored_height)
{
    const std::int32_t right = stored_width - 1;
    const std::int32_t bottom = stored_height - 1;
    switch (orientation) {
    case Orientation::TopLeft:
        return {x, y};
    case Orientation::TopRight:
        return {right - x, y};
    case Orientation::BottomRight:
        return {right - x, bottom - y};
    case Orientation::BottomLeft:
        return {x, bottom - y};
    case Orientation::LeftTop:
        return {y, x};
    case Orientation::RightTop:
        return {y, bottom - x};
    case Orientation::RightBottom:
        return {right - y, bottom - x};
    case Orientation::LeftBottom:
        return {right - y, x};
    }
    return {x, y};
}

Rect StoredRegion(Orientation orientation, const Rect& region, std::int32_t stored_width, std::int32_t stored_height)
{
    const StoredPoint first = StoredPointOf(orientation, region.left, region.top, stored_width, stored_height);
    const StoredPoint last =
        StoredPointOf(orientation, region.right - 1, region.bottom - 1, stored_width, stored_height);
    return {std::min(first.x, last.x), std::min(first.y, last.y), std::max(first.x, last.x) + 1,
            std::max(first.y, last.y) + 1};
}

Picture TurnUpright(const Picture& stored, Orientation orientation)
{
    const bool swaps = SwapsSides(orientation);
    Picture upright = MakePicture(swaps ? stored.height : stored.width, swaps ? stored.width : stored.height,
                                  stored.bits_per_pixel);
    upright.palette = stored.palette;
    // The stored pixels under the upright picture's first one, and the steps
    // one pixel right and one row down in the upright picture take there.
    const StoredPoint origin = StoredPointOf(orientation, 0, 0, stored.width, stored.height);
    const StoredPoint right = StoredPointOf(orientation, 1, 0, stored.width, stored.height);
    const StoredPoint down = StoredPointOf(orientation, 0, 1, stored.width, stored.height);
    const std::ptrdiff_t step_x = MemoryStep(stored, right.x - origin.x, right.y - origin.y);
    const std::ptrdiff_t step_y = MemoryStep(stored, down.x - origin.x, down.y - origin.y);
    const std::size_t pixel_bytes = stored.bits_per_pixel / 8u;
    const std::uint8_t* row_start = RowFromTop(stored, origin.y) + static_cast<std::ptrdiff_t>(origin.x) * pixel_bytes;
    for (std::int32_t y = 0; y < upright.height; ++y, row_start += step_y) {
        std::uint8_t* target = RowFromTop(upright, y);
        const std::uint8_t* source = row_start;
        for (std::int32_t x = 0; x < upright.width; ++x, source += step_x, target += pixel_bytes)
            std::memcpy(target, source, pixel_bytes);
    }
    return upright;
}

PictureResult DecodeUpright(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                            const platform::RegionChooser* choose_region, Orientation orientation,
                            RegionDecoder decode)
{
    if (orientation == Orientation::TopLeft)
        return decode(bytes, limits, choose_region);
    const bool swaps = SwapsSides(orientation);
    const platform::RegionChooser stored_chooser = [&](std::int32_t width, std::int32_t height) {
        const std::optional<Rect> region =
            ChooseRegion(choose_region, swaps ? height : width, swaps ? width : height);
        return region ? StoredRegion(orientation, *region, width, height) : Rect{};
    };
    PictureResult result = decode(bytes, limits, choose_region ? &stored_chooser : nullptr);
    if (swaps)
        std::swap(result.natural_width, result.natural_height);
    if (!result.picture)
        return result;
    const Picture& stored = *result.picture;
    if (std::optional<std::string> error = CheckMemory(
            bytes.size() + 2 * PictureBytes(stored.width, stored.height, stored.bits_per_pixel), limits)) {
        PictureResult refused = PictureFailure(std::move(*error));
        refused.natural_width = result.natural_width;
        refused.natural_height = result.natural_height;
        return refused;
    }
    result.picture = TurnUpright(stored, orientation);
    return result;
}

}  // namespace nuvra::pictures
