#include "pictures/picture_decoding.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <string_view>
#include <utility>

#include "pictures/byte_reader.h"
#include "pictures/exif_orientation.h"

namespace nuvra::pictures {

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> magic)
{
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

// An ISO media file ("ftyp" first) whose major or a compatible brand is
// one of the HEIF still-picture brands.
bool IsHeifFile(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 16 || bytes[4] != 'f' || bytes[5] != 't' || bytes[6] != 'y' || bytes[7] != 'p')
        return false;
    const std::uint64_t box = static_cast<std::uint64_t>(bytes[0]) << 24 | static_cast<std::uint64_t>(bytes[1]) << 16 |
                              static_cast<std::uint64_t>(bytes[2]) << 8 | bytes[3];
    const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(box, bytes.size()));
    auto brand_at = [&](std::size_t at) {
        static constexpr std::string_view kBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx",
                                                       "hevm", "hevs", "mif1", "msf1", "avif", "avis"};
        const std::string_view brand(reinterpret_cast<const char*>(bytes.data() + at), 4);
        return std::find(std::begin(kBrands), std::end(kBrands), brand) != std::end(kBrands);
    };
    if (brand_at(8))
        return true;
    // The compatible brands follow the major brand and its version.
    for (std::size_t at = 16; at + 4 <= end; at += 4) {
        if (brand_at(at))
            return true;
    }
    return false;
}

}  // namespace

PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes)
{
    if (StartsWith(bytes, {'B', 'M'}))
        return PictureFormat::Bmp;
    if (StartsWith(bytes, {'G', 'I', 'F', '8', '7', 'a'}) || StartsWith(bytes, {'G', 'I', 'F', '8', '9', 'a'}))
        return PictureFormat::Gif;
    if (StartsWith(bytes, {0xFF, 0xD8, 0xFF}))
        return PictureFormat::Jpeg;
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}))
        return PictureFormat::Png;
    if (StartsWith(bytes, {'R', 'I', 'F', 'F'}) && bytes.size() >= 12 && bytes[8] == 'W' && bytes[9] == 'E' &&
        bytes[10] == 'B' && bytes[11] == 'P')
        return PictureFormat::Webp;
    if (IsHeifFile(bytes))
        return PictureFormat::Heif;
    if (StartsWith(bytes, {0xD7, 0xCD, 0xC6, 0x9A}))
        return PictureFormat::Wmf;
    // A metafile without the placeable header: in memory (1) or on disk (2),
    // and a header of nine 16-bit words.
    if ((ReadU16(bytes, 0) == 1 || ReadU16(bytes, 0) == 2) && ReadU16(bytes, 2) == 9)
        return PictureFormat::Wmf;
    return PictureFormat::Unknown;
}

platform::PictureResult DecodePicture(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                      WmfRenderer render_wmf, const platform::RegionChooser* choose_region)
{
    try {
        const PictureFormat format = SniffPictureFormat(bytes);
        switch (format) {
        case PictureFormat::Bmp:
            return DecodeBmp(bytes, limits, choose_region);
        case PictureFormat::Gif:
            return DecodeGif(bytes, limits, choose_region);
        case PictureFormat::Jpeg:
            return DecodeUpright(bytes, limits, choose_region, ReadOrientation(bytes, format), DecodeJpeg);
        case PictureFormat::Png:
            return DecodeUpright(bytes, limits, choose_region, ReadOrientation(bytes, format), DecodePng);
        case PictureFormat::Webp:
            return DecodeUpright(bytes, limits, choose_region, ReadOrientation(bytes, format), DecodeWebp);
        case PictureFormat::Heif:
#if defined(NUVRA_HEIF_PHOTOS)
            return DecodeHeif(bytes, limits, choose_region);
#else
            return PictureFailure("HEIF and AVIF pictures need a build with libheif");
#endif
        case PictureFormat::Wmf:
            return DecodeWmf(bytes, limits, render_wmf, choose_region);
        case PictureFormat::Unknown:
            break;
        }
        return PictureFailure("not a BMP, GIF, JPEG, PNG, WebP, HEIF, AVIF or WMF file");
    } catch (const std::bad_alloc&) {
        // Sizes and memory are checked against the caps first, so this is a
        // machine short of memory, not a hostile file; the caller keeps its
        // picture.
        return PictureFailure("out of memory");
    } catch (const std::exception& error) {
        // The region chooser is the caller's code; whatever it throws must
        // not cross the platform boundary.
        return PictureFailure(error.what());
    }
}

platform::PictureResult PictureFailure(std::string reason)
{
    platform::PictureResult result;
    result.error = std::move(reason);
    return result;
}

std::optional<std::string> CheckPictureSize(std::int64_t width, std::int64_t height, const DecodeLimits& limits)
{
    if (width <= 0 || height <= 0)
        return "the picture has no pixels (" + std::to_string(width) + " x " + std::to_string(height) + ")";
    if (width > limits.max_side || height > limits.max_side || width * height > limits.max_pixels)
        return "the picture is too large (" + std::to_string(width) + " x " + std::to_string(height) + ")";
    return std::nullopt;
}

std::uint64_t PictureBytes(std::int64_t width, std::int64_t height, std::uint16_t bits_per_pixel)
{
    if (width <= 0 || height <= 0)
        return 0;
    const std::uint64_t row_bytes = (static_cast<std::uint64_t>(width) * bits_per_pixel + 7) / 8;
    return (row_bytes + 3) / 4 * 4 * static_cast<std::uint64_t>(height);
}

std::optional<std::string> CheckMemory(std::uint64_t needed, const DecodeLimits& limits)
{
    if (needed <= limits.max_memory)
        return std::nullopt;
    constexpr std::uint64_t kMegabyte = 1024 * 1024;
    return "the picture needs " + std::to_string((needed + kMegabyte - 1) / kMegabyte) +
           " MB of memory to load, more than the " + std::to_string(limits.max_memory / kMegabyte) + " MB allowed";
}

platform::Picture MakePicture(std::int32_t width, std::int32_t height, std::uint16_t bits_per_pixel)
{
    platform::Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bits_per_pixel = bits_per_pixel;
    const std::int64_t row_bytes = (static_cast<std::int64_t>(width) * bits_per_pixel + 7) / 8;
    picture.stride = static_cast<std::int32_t>((row_bytes + 3) & ~std::int64_t{3});
    picture.pixels.assign(static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(height), 0);
    return picture;
}

std::optional<platform::Rect> ClampRegion(const platform::Rect& region, std::int32_t width, std::int32_t height)
{
    platform::Rect clamped;
    clamped.left = std::clamp(region.left, 0, width);
    clamped.right = std::clamp(region.right, 0, width);
    clamped.top = std::clamp(region.top, 0, height);
    clamped.bottom = std::clamp(region.bottom, 0, height);
    if (clamped.left >= clamped.right || clamped.top >= clamped.bottom)
        return std::nullopt;
    return clamped;
}

std::optional<platform::Rect> ChooseRegion(const platform::RegionChooser* choose_region, std::int32_t width,
                                           std::int32_t height)
{
    if (choose_region == nullptr)
        return platform::Rect{0, 0, width, height};
    return ClampRegion((*choose_region)(width, height), width, height);
}

platform::PictureResult EmptyRegionFailure(std::int32_t width, std::int32_t height)
{
    platform::PictureResult result = PictureFailure("the chosen region is empty");
    result.natural_width = width;
    result.natural_height = height;
    return result;
}

platform::Picture CropPicture(const platform::Picture& picture, const platform::Rect& region)
{
    platform::Picture cropped =
        MakePicture(region.right - region.left, region.bottom - region.top, picture.bits_per_pixel);
    cropped.palette = picture.palette;
    const std::size_t pixel_bytes = picture.bits_per_pixel / 8u;
    const std::size_t row_bytes = static_cast<std::size_t>(cropped.width) * pixel_bytes;
    for (std::int32_t y = 0; y < cropped.height; ++y) {
        const std::uint8_t* source = RowFromTop(picture, region.top + y) + region.left * pixel_bytes;
        std::memcpy(RowFromTop(cropped, y), source, row_bytes);
    }
    return cropped;
}

}  // namespace nuvra::pictures
