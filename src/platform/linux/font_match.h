// Which font file stands for a family: asked of fontconfig, as the desktop
// itself would choose it. Called by the font service when the core opens a
// font; decides only whether fontconfig's answer is good enough.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nuvra::linux_platform {

struct FontFile {
    std::string path;
    int index = 0;  // the face within the file (a collection holds several)
};

// The installed font of that family; else the stand-in fontconfig offers,
// but only one with Japanese glyphs (U+30A2 katakana A and U+FF7C half-width
// katakana SI); else nothing.
std::optional<FontFile> FindFontFile(std::string_view family, double pixel_size);

// Lets go of what fontconfig keeps between questions (it starts again on
// the next one). Nothing of fontconfig's may be held by the caller.
void ReleaseFontconfig();

}  // namespace nuvra::linux_platform
