// Pictures: loading a picture file, saving a bitmap as a BMP file, and the
// desktop capture. Picture is the core's own bitmap type: the loaders hand it
// over at the file's natural size, and a failure leaves the caller's previous
// picture untouched.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvra::platform {

struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bits_per_pixel = 0;  // 8 (palette) or 24 / 32 (direct colour)
    std::int32_t stride = 0;           // bytes per row, a multiple of 4
    std::vector<std::uint8_t> pixels;  // rows bottom first, as in a DIB
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB, for 8 bits and fewer
};

struct PictureResult {
    std::optional<Picture> picture;
    std::string error;  // why loading failed, for logs and tests
};

class PictureCodec {
public:
    virtual ~PictureCodec() = default;
    // LoadPicture: BMP, GIF, JPEG or WMF, decided by the file's content.
    virtual PictureResult LoadPicture(std::string_view path) = 0;
    // SavePicture: writes picture as a BMP file; false on failure.
    virtual bool SavePicture(const Picture& picture, std::string_view path) = 0;
};

class DesktopCapture {
public:
    virtual ~DesktopCapture() = default;
    // The whole primary screen as it is now, or nothing where no capture is
    // possible.
    virtual std::optional<Picture> CaptureScreen() = 0;
};

}  // namespace nuvra::platform
