#include "platform/linux/indexed_copy.h"

#include <algorithm>
#include <cstdint>

namespace nuvra::linux_platform {

void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch)
{
    CopyIndexedToArgb(image, target, pitch, platform::Rect{0, 0, image.width, image.height});
}

void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch, const platform::Rect& part)
{
    std::uint32_t colours[256];
    for (std::size_t i = 0; i < 256; ++i)
        colours[i] = 0xFF000000u | (i < image.palette_size ? image.palette[i] : 0u);
    const std::int32_t left = std::max(part.left, 0), right = std::min(part.right, image.width);
    const std::int32_t top = std::max(part.top, 0), bottom = std::min(part.bottom, image.height);
    // The DIB's rows come bottom first; the target wants the top row first.
    for (std::int32_t row = top; row < bottom; ++row) {
        const std::uint8_t* source =
            image.pixels + static_cast<std::int64_t>(image.height - 1 - row) * image.bytes_per_row;
        auto* out = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(target) +
                                                     static_cast<std::int64_t>(row - top) * pitch);
        for (std::int32_t x = left; x < right; ++x)
            out[x - left] = colours[source[x]];
    }
}

}  // namespace nuvra::linux_platform
