#include "support/photo_jpeg.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

// After <cstdio>: the library's header needs FILE and size_t declared.
#include <jpeglib.h>

#include "display/picture_source.h"
#include "platform/linux/picture/picture_codec.h"

namespace nuvra::bench {

bool WritePhotoJpeg(const std::string& path)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        return false;
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    jpeg_stdio_dest(&compress, file.get());
    compress.image_width = kPhotoWidth;
    compress.image_height = kPhotoHeight;
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 90, TRUE);
    jpeg_start_compress(&compress, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(kPhotoWidth) * 3);
    std::uint32_t grain = 12345;
    while (compress.next_scanline < compress.image_height) {
        const double y = compress.next_scanline;
        for (std::int32_t x = 0; x < kPhotoWidth; ++x) {
            grain = grain * 1103515245u + 12345u;
            const int noise = static_cast<int>(grain >> 28) - 8;
            const double wave = std::sin(x / 230.0) * std::cos(y / 170.0);
            row[static_cast<std::size_t>(3 * x)] = static_cast<std::uint8_t>(std::clamp(128 + 100 * wave + noise, 0.0, 255.0));
            row[static_cast<std::size_t>(3 * x + 1)] = static_cast<std::uint8_t>(std::clamp(x / 24.0 + noise, 0.0, 255.0));
            row[static_cast<std::size_t>(3 * x + 2)] = static_cast<std::uint8_t>(std::clamp(y / 16.0 - noise, 0.0, 255.0));
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&compress, &pointer, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    return true;
}

platform::Picture PhotoCentreSquare(std::int32_t screen_height)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "nuvra-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        std::abort();
    const std::filesystem::path folder = pattern;
    const std::string photo = (folder / "photo.jpg").string();
    if (!WritePhotoJpeg(photo))
        std::abort();
    linux_platform::LinuxPictureCodec codec;
    platform::PictureResult result =
        codec.LoadPictureRegion(photo, [screen_height](std::int32_t width, std::int32_t height) {
            const std::int32_t side = CentreSquareSide(width, height, screen_height);
            const std::int32_t left = CentreOffset(width, side), top = CentreOffset(height, side);
            return platform::Rect{left, top, left + side, top + side};
        });
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    if (!result.picture)
        std::abort();
    return std::move(*result.picture);
}

}  // namespace nuvra::bench
