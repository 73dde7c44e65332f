// Fonts: rendering one line of UTF-8 text onto a Canvas.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/window.h"

namespace nuvra::platform {

struct TextExtent {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class Font {
public:
    virtual ~Font() = default;
    virtual TextExtent Measure(std::string_view text) = 0;
    // Draws text with its top-left corner at (x, y), clipped to the canvas.
    virtual void Draw(Canvas& canvas, std::string_view text, std::int32_t x, std::int32_t y,
                      std::uint32_t colour, bool underline) = 0;
};

class FontService {
public:
    virtual ~FontService() = default;
    // Null when no font of that family (or a stand-in) can be found.
    virtual std::unique_ptr<Font> OpenFont(std::string_view family, std::int32_t pixel_size) = 0;
};

}  // namespace nuvra::platform
