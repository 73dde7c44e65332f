// Fonts on Windows: GDI draws the text (CreateFontW, TextOutW), greyscale
// smoothed onto the canvas's own pixels. A family that is not installed is
// stood in for by Meiryo UI or Yu Gothic UI, the faces Windows itself uses
// for Japanese, else by any face that holds Japanese (Shift JIS) glyphs.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/font.h"

namespace nuvra::windows_platform {

class GdiFontService final : public platform::FontService {
public:
    std::unique_ptr<platform::Font> OpenFont(std::string_view family, std::int32_t pixel_size) override;
};

// The installed face that stands for family (UTF-16), or nothing.
std::optional<std::wstring> InstalledFace(const std::wstring& family);

}  // namespace nuvra::windows_platform
