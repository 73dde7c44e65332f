// The picture decoders every backend's PictureCodec uses, and what they
// share. Portable: they read no file and include no system header; the
// backend reads the bytes and, for metafiles, supplies the renderer.
//
// Each decoder takes a whole file's bytes (untrusted) and returns the
// picture at its natural size, or the part of it a RegionChooser picks, or a
// PictureResult with no picture and a reason. A decoder builds only the part
// asked for and never allocates a canvas of the whole picture for it. It
// checks the size and the memory a load needs against DecodeLimits before it
// allocates anything for the pixels, never throws, and never writes outside
// what it allocated. The codec reads files and picks the decoder; the fuzz
// targets call the decoders directly with tighter limits.
//
// What every decoder hands over (the choices the core relies on):
//  - 1, 2, 4 and 8-bit BMP files: 8 bits per pixel with a full table of
//    2^bits colours (entries a file leaves out are black, so no index is
//    ever outside the table);
//  - everything else (deeper BMP files, GIF, JPEG, PNG, WebP, HEIF, WMF): 24-bit
//    BGR, transparency composed over black.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/picture.h"

namespace nuvra::pictures {

struct DecodeLimits {
    std::int32_t max_side = platform::kMaxPictureSide;
    std::int64_t max_pixels = platform::kMaxPicturePixels;
    // Memory one load may hold at once: the file's bytes, the picture it
    // hands over and what the decoder needs on the way there (a progressive
    // JPEG keeps every coefficient of the whole picture, two bytes per
    // sample, until its last scan; a metafile is drawn whole, by libwmf at
    // four bytes per pixel). A load that needs more is refused before
    // anything big is allocated, so the show's centre square of a huge
    // picture loads where the whole of it is refused. Well under 256 MB with
    // the rest of the program.
    std::uint64_t max_memory = 192ull << 20;
    // Progressive JPEG scans; real files have about ten, hostile ones
    // thousands of nearly empty scans that each cost a pass over the picture.
    std::int32_t max_jpeg_scans = 1000;
};

enum class PictureFormat { Unknown, Bmp, Gif, Jpeg, Png, Webp, Heif, Wmf };

// Metafiles are the one format the system draws itself: the record walk in
// front of it is shared (wmf_records.h), the renderer is the backend's
// (libwmf on Linux). It plays only what the walk let through and draws the
// picture at its natural size, or the part choose_region picks, under the
// same limits and promises as the decoders below.
struct WmfFile;
using WmfRenderer = platform::PictureResult (*)(const WmfFile& metafile, const DecodeLimits& limits,
                                                 const platform::RegionChooser* choose_region);

// By content, never by file name: a ".jpg" that holds a BMP loads as a BMP.
PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes);

// The whole picture, or the part of it choose_region picks when it is given,
// with a JPEG, PNG or WebP photo turned upright as its EXIF orientation says
// (exif_orientation.h) before the part is picked:
// exactly the whole picture's pixels inside the part. BMP files decode only
// the rows and columns of the part, GIF files compose their frame onto the
// part alone, JPEG files skip the rows above it and the iMCU columns beside
// it, PNG files read only the rows down to it (interlaced ones whole); WebP
// files and metafiles are drawn whole and only the part is kept.
// natural_width/height are filled in whenever the size was read, even when
// the load fails later. An empty part fails, and so does a metafile when
// there is no renderer.
platform::PictureResult DecodePicture(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                      WmfRenderer render_wmf, const platform::RegionChooser* choose_region = nullptr);

platform::PictureResult DecodeBmp(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                  const platform::RegionChooser* choose_region = nullptr);
platform::PictureResult DecodeGif(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                  const platform::RegionChooser* choose_region = nullptr);
platform::PictureResult DecodeJpeg(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                   const platform::RegionChooser* choose_region = nullptr);
platform::PictureResult DecodePng(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                  const platform::RegionChooser* choose_region = nullptr);
platform::PictureResult DecodeWebp(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                   const platform::RegionChooser* choose_region = nullptr);
// HEIF (HEVC-coded, as phones write) and AVIF stills, where the build has
// libheif (NUVRA_HEIF_PHOTOS): the primary picture, turned and mirrored as
// its properties say, drawn whole and the part kept. A file whose coding has
// no decoder installed is refused saying which.
platform::PictureResult DecodeHeif(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                   const platform::RegionChooser* choose_region = nullptr);
platform::PictureResult DecodeWmf(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                  WmfRenderer render_wmf, const platform::RegionChooser* choose_region = nullptr);

// --- helpers the decoders share ---------------------------------------------

platform::PictureResult PictureFailure(std::string reason);

// Why a picture of this size may not be allocated, or nothing when it may.
std::optional<std::string> CheckPictureSize(std::int64_t width, std::int64_t height, const DecodeLimits& limits);

// Bytes of a picture of this size as MakePicture lays it out.
std::uint64_t PictureBytes(std::int64_t width, std::int64_t height, std::uint16_t bits_per_pixel);

// Why a load that holds `needed` bytes at once may not go ahead, or nothing
// when it may.
std::optional<std::string> CheckMemory(std::uint64_t needed, const DecodeLimits& limits);

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

// The part of a width x height picture a load keeps: the whole picture when
// there is no chooser, else the chooser's rect clamped; nothing when empty.
std::optional<platform::Rect> ChooseRegion(const platform::RegionChooser* choose_region, std::int32_t width,
                                           std::int32_t height);

// The failure for an empty region, with the natural size filled in.
platform::PictureResult EmptyRegionFailure(std::int32_t width, std::int32_t height);

// The pixels of picture inside region (already clamped), with its palette.
platform::Picture CropPicture(const platform::Picture& picture, const platform::Rect& region);

}  // namespace nuvra::pictures
