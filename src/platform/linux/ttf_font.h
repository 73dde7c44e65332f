// Fonts on Linux: fontconfig finds the font file for a family, SDL_ttf
// renders its glyphs, and the glyphs are blended onto the core's canvas.
// Owned by the backend; the core opens its dialog's font through it and
// draws its labels with it.
//
// What the fonts promise the core:
//  - pixel_size is the em in pixels, as a Windows font asked for with a
//    negative height: 13 is a 9.75-point font at 96 dots per inch
//  - a family that is not installed is accepted in a stand-in's face only
//    where the stand-in has Japanese glyphs (katakana, the half-width ones
//    too): the dialog's words are Japanese, and boxes instead of letters
//    help nobody; otherwise OpenFont gives null
//  - Measure gives one line's box: the text's width, and the same height for
//    every text (the line's, tall enough for the font's accents and
//    descenders)
//  - Draw blends the glyphs in the colour with their top-left at (x, y),
//    never outside the box Measure gives there nor outside the canvas; the
//    underline is a line one pixel thick just below the baseline, under the
//    whole text
//
// A Font may outlive the service that opened it: each keeps the font
// library open as long as it lives.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/font.h"

namespace nuvra::linux_platform {

class TtfLibrary;

class TtfFontService final : public platform::FontService {
public:
    TtfFontService();
    ~TtfFontService() override;
    TtfFontService(const TtfFontService&) = delete;
    TtfFontService& operator=(const TtfFontService&) = delete;

    std::unique_ptr<platform::Font> OpenFont(std::string_view family, std::int32_t pixel_size) override;

private:
    std::shared_ptr<TtfLibrary> m_library;  // opened on first use
    bool m_asked_fontconfig = false;
};

}  // namespace nuvra::linux_platform
