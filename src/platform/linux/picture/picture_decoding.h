// The decoders behind LinuxPictureCodec, and what they share.
//
// Each decoder takes a whole file's bytes (untrusted) and returns the
// picture at its natural size, or a PictureResult with no picture and a
// reason. Decoders check a picture's size against DecodeLimits before they
// allocate anything for its pixels, never throw, and never write outside
// what they allocated. The codec reads files and picks the decoder; the fuzz
// targets call the decoders directly with tighter limits.
//
// What every decoder hands over (the choices the core relies on):
//  - 1, 2, 4 and 8-bit BMP files: 8 bits per pixel with a full table of
//    2^bits colours (entries a file leaves out are black, so no index is
//    ever outside the table);
//  - everything else (deeper BMP files, GIF, JPEG, WMF): 24-bit BGR.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/picture.h"

namespace nuvra::linux_platform {

struct DecodeLimits {
    std::int32_t max_side = platform::kMaxPictureSide;
    std::int64_t max_pixels = platform::kMaxPicturePixels;
    // Working memory a JPEG decoder may take besides the picture: a
    // progressive file keeps every coefficient of the picture (two bytes per
    // sample) until its last scan.
    std::uint64_t max_decoder_memory = 1ull << 30;
    // Progressive JPEG scans; real files have about ten, hostile ones
    // thousands of nearly empty scans that each cost a pass over the picture.
    std::int32_t max_jpeg_scans = 1000;
};

enum class PictureFormat { Unknown, Bmp, Gif, Jpeg, Wmf };

// By content, never by file name: a ".jpg" that holds a BMP loads as a BMP.
PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes);

// The whole picture, or the part of it choose_region picks when it is given
// (the JPEG decoder skips work outside the part; the others cut it out of the
// whole picture). natural_width/height are filled in whenever the size was
// read, even when the load fails later.
platform::PictureResult DecodePicture(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                      const platform::RegionChooser* choose_region = nullptr);

platform::PictureResult DecodeBmp(std::span<const std::uint8_t> bytes, const DecodeLimits& limits);
platform::PictureResult DecodeGif(std::span<const std::uint8_t> bytes, const DecodeLimits& limits);
platform::PictureResult DecodeJpeg(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                   const platform::RegionChooser* choose_region = nullptr);
platform::PictureResult DecodeWmf(std::span<const std::uint8_t> bytes, const DecodeLimits& limits);

// --- helpers the decoders share ---------------------------------------------

platform::PictureResult PictureFailure(std::string reason);

// Why a picture of this size may not be allocated, or nothing when it may.
std::optional<std::string> CheckPictureSize(std::int64_t width, std::int64_t height, const DecodeLimits& limits);

// A zero-filled picture; the size must have passed CheckPictureSize.
platform::Picture MakePicture(std::int32_t width, std::int32_t height, std::uint16_t bits_per_pixel);

// Row y counted from the top (the order files and people count in).
inline std::uint8_t* RowFromTop(platform::Picture& picture, std::int64_t y)
{
    return picture.pixels.data() +
           static_cast<std::size_t>(picture.height - 1 - y) * static_cast<std::size_t>(picture.stride);
}
inline const std::uint8_t* RowFromTop(const platform::Picture& picture, std::int64_t y)
{
    return picture.pixels.data() +
           static_cast<std::size_t>(picture.height - 1 - y) * static_cast<std::size_t>(picture.stride);
}

// The chooser's rect limited to a width x height picture; nothing when what
// is left is empty.
std::optional<platform::Rect> ClampRegion(const platform::Rect& region, std::int32_t width, std::int32_t height);

// The pixels of picture inside region (already clamped), with its palette.
platform::Picture CropPicture(const platform::Picture& picture, const platform::Rect& region);

}  // namespace nuvra::linux_platform
