// Pictures: loading a picture file, saving a bitmap as a BMP file, and the
// desktop capture.
//
// Picture is a device-independent bitmap as a BMP file holds it: rows bottom
// first, each row padded to a multiple of 4 bytes. 8 bits per pixel carry a
// colour table (at most 256 entries); 24 bits are blue, green, red; 32 bits
// are blue, green, red and an unused byte. Loaders hand a picture over at the
// file's natural size in pixels, or fail with a reason and allocate nothing
// big: a failure leaves the caller's previous picture untouched.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window.h"

namespace nuvra::platform {

// Pictures larger than this on a side, or in area, are refused rather than
// allocated.
inline constexpr std::int32_t kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = 256ll * 1024 * 1024;

struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bits_per_pixel = 0;    // 8, 24 or 32
    std::int32_t stride = 0;             // bytes per row, a multiple of 4
    std::vector<std::uint8_t> pixels;    // stride * height bytes, bottom row first
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB, for 8 bits per pixel

    bool empty() const { return width <= 0 || height <= 0; }
};

struct PictureResult {
    std::optional<Picture> picture;
    std::int32_t natural_width = 0;  // the whole picture's size, also for a region
    std::int32_t natural_height = 0;
    std::string error;  // why loading failed, for logs and tests
};

// Picks the part of a picture to keep once its natural size is known; a rect
// in picture pixels, top row 0, right and bottom exclusive.
using RegionChooser = std::function<Rect(std::int32_t width, std::int32_t height)>;

class PictureCodec {
public:
    virtual ~PictureCodec() = default;
    // LoadPicture: BMP, GIF, JPEG, PNG, WebP or WMF, recognised by the
    // file's content.
    virtual PictureResult LoadPicture(std::string_view path) = 0;
    // The same picture cut to the region choose_region picks: the pixels are
    // exactly those of LoadPicture's result in that region, but a decoder
    // may skip work outside it (the show keeps only the centre square).
    virtual PictureResult LoadPictureRegion(std::string_view path, const RegionChooser& choose_region) = 0;
    // A picture file's bytes already in memory (the program's own built-in
    // pictures).
    virtual PictureResult LoadPictureFromMemory(std::span<const std::uint8_t> bytes) = 0;
    // SavePicture: writes picture as an uncompressed BMP file, replacing path
    // in one step as FileSystem::ReplaceFile does (and, like it, for a work
    // file: it need not wait for the disk); false on failure.
    virtual bool SavePicture(const Picture& picture, std::string_view path) = 0;
};

class DesktopCapture {
public:
    virtual ~DesktopCapture() = default;
    // The whole primary screen as it is now (24 or 32 bits), or nothing where
    // no capture is possible.
    virtual std::optional<Picture> CaptureScreen() = 0;
    // The desktop as a screen-saver daemon saved it for its window before
    // covering the screen (none: the root window), cut to that window's
    // place on the screen; nothing where the daemon saved none.
    virtual std::optional<Picture> CaptureSavedDesktop(std::optional<std::int64_t> window)
    {
        static_cast<void>(window);
        return std::nullopt;
    }
};

}  // namespace nuvra::platform
