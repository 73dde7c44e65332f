// What every picture decoder promises, checked on each fuzz input: a result
// is a picture that keeps the Picture layout within the limits (and, at 8
// bits, never an index outside its table), or a failure with a reason.
#pragma once

#include <cstdlib>
#include <span>

#include "pictures/picture_decoding.h"

namespace nuvra::fuzz {

// Small enough that a hostile header cannot make each run slow, large
// enough for every file in the seed corpus.
inline pictures::DecodeLimits FuzzLimits()
{
    pictures::DecodeLimits limits;
    limits.max_side = 4096;
    limits.max_pixels = 1 << 22;
    limits.max_memory = 64u << 20;
    limits.max_jpeg_scans = 100;
    return limits;
}

inline void CheckResult(const platform::PictureResult& result, const pictures::DecodeLimits& limits)
{
    if (!result.picture) {
        if (result.error.empty())
            std::abort();
        return;
    }
    const platform::Picture& picture = *result.picture;
    const std::int64_t row_bytes = std::int64_t{picture.width} * (picture.bits_per_pixel / 8);
    if (picture.width <= 0 || picture.height <= 0 || picture.width > limits.max_side ||
        picture.height > limits.max_side || std::int64_t{picture.width} * picture.height > limits.max_pixels ||
        picture.stride % 4 != 0 || picture.stride < row_bytes || picture.stride >= row_bytes + 4 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(picture.height))
        std::abort();
    if (picture.bits_per_pixel == 24) {
        if (!picture.palette.empty())
            std::abort();
        return;
    }
    if (picture.bits_per_pixel != 8 || picture.palette.empty() || picture.palette.size() > 256)
        std::abort();
    for (std::int32_t y = 0; y < picture.height; ++y)
        for (std::int32_t x = 0; x < picture.width; ++x)
            if (pictures::RowFromTop(picture, y)[x] >= picture.palette.size())
                std::abort();
}

// Whether two pictures show the same colours everywhere, whatever their
// depth or the length of their tables.
inline bool SameColours(const platform::Picture& a, const platform::Picture& b)
{
    if (a.width != b.width || a.height != b.height)
        return false;
    auto colour = [](const platform::Picture& picture, std::int32_t x, std::int32_t y) -> std::uint32_t {
        const std::uint8_t* row = pictures::RowFromTop(picture, y);
        if (picture.bits_per_pixel == 8)
            return picture.palette[row[x]];
        const std::uint8_t* pixel = row + 3 * x;
        return static_cast<std::uint32_t>(pixel[2]) << 16 | static_cast<std::uint32_t>(pixel[1]) << 8 | pixel[0];
    };
    for (std::int32_t y = 0; y < a.height; ++y)
        for (std::int32_t x = 0; x < a.width; ++x)
            if (colour(a, x, y) != colour(b, x, y))
                return false;
    return true;
}

// A region the show might ask for, picked from the input's first bytes.
inline platform::Rect RegionFrom(std::span<const std::uint8_t> bytes, std::int32_t width, std::int32_t height)
{
    auto byte = [&](std::size_t i) { return i < bytes.size() ? bytes[bytes.size() - 1 - i] : 0; };
    return {width * byte(0) / 256 - 2, height * byte(1) / 256 - 2, width - width * byte(2) / 256 + 2,
            height - height * byte(3) / 256 + 2};
}

// A region load must give exactly the whole load cut to the region.
template <typename Decoder>
void CheckRegion(std::span<const std::uint8_t> bytes, const platform::PictureResult& whole,
                 const pictures::DecodeLimits& limits, Decoder decode)
{
    const platform::RegionChooser chooser = [&](std::int32_t width, std::int32_t height) {
        return RegionFrom(bytes, width, height);
    };
    const platform::PictureResult part = decode(bytes, limits, &chooser);
    CheckResult(part, limits);
    if (!whole.picture || !part.picture)
        return;
    const auto region = pictures::ClampRegion(RegionFrom(bytes, whole.picture->width, whole.picture->height),
                                                    whole.picture->width, whole.picture->height);
    if (!region)
        std::abort();  // the part loaded although its region is empty
    const platform::Picture cut = pictures::CropPicture(*whole.picture, *region);
    if (cut.pixels != part.picture->pixels || cut.palette != part.picture->palette)
        std::abort();
}

// The whole check for one input: the decoder's promises, then the region
// load against the whole load. decode(bytes, limits, choose_region) is the
// format's decoder; choose_region is null for the whole picture.
template <typename Decoder> int CheckDecoder(const std::uint8_t* data, std::size_t size, Decoder decode)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const pictures::DecodeLimits limits = FuzzLimits();
    const platform::PictureResult result = decode(bytes, limits, nullptr);
    CheckResult(result, limits);
    CheckRegion(bytes, result, limits, decode);
    return 0;
}

}  // namespace nuvra::fuzz
