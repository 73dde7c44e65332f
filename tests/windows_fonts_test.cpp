// GDI fonts under Wine on an X server: the dialog's family, which Wine does
// not have, is stood in for by a face with Japanese glyphs; text is
// measured and drawn inside its box, clipped to the canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "platform/windows/text/gdi_fonts.h"

namespace {

using nuvra::platform::Canvas;
using nuvra::platform::TextExtent;

Canvas White(std::int32_t width, std::int32_t height)
{
    return {width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), 0xFFFFFF)};
}

// Pixels that are no longer white, inside and outside the box.
std::pair<int, int> Inked(const Canvas& canvas, std::int32_t left, std::int32_t top, TextExtent box)
{
    int inside = 0, outside = 0;
    for (std::int32_t y = 0; y < canvas.height; ++y)
        for (std::int32_t x = 0; x < canvas.width; ++x)
            if (canvas.pixels[static_cast<std::size_t>(y * canvas.width + x)] != 0xFFFFFF)
                ++(x >= left && x < left + box.width && y >= top && y < top + box.height ? inside : outside);
    return {inside, outside};
}

TEST(GdiFonts, TheDialogsFamilyOrAJapaneseStandInDrawsInsideItsBox)
{
    nuvra::windows_platform::GdiFontService fonts;
    const std::unique_ptr<nuvra::platform::Font> font = fonts.OpenFont("ＭＳ Ｐゴシック", 13);
    ASSERT_TRUE(font);
    const std::string text = "画像の種類";
    const TextExtent box = font->Measure(text);
    EXPECT_GT(box.width, 5 * 8);
    EXPECT_GE(box.height, 13);
    EXPECT_LT(box.height, 24);
    EXPECT_EQ(font->Measure("").width, 0);

    Canvas canvas = White(120, 40);
    font->Draw(canvas, text, 10, 12, 0x000000, false);
    const auto [inside, outside] = Inked(canvas, 10, 12, box);
    EXPECT_GT(inside, 40);
    EXPECT_LT(inside, box.width * box.height / 2) << "the text's box is not left as it was under the text";
    EXPECT_EQ(outside, 0);
    EXPECT_TRUE(std::count(canvas.pixels.begin(), canvas.pixels.end(), 0u) > 0) << "no pixel fully black";

    // Hanging off every edge: only the canvas is touched.
    Canvas small = White(20, 8);
    font->Draw(small, text, -15, -5, 0xFF0000, true);
    EXPECT_EQ(small.pixels.size(), 160u);
    EXPECT_GT(Inked(small, 0, 0, {20, 8}).first, 0);
}

TEST(GdiFonts, NoFontForAnEmptySize)
{
    EXPECT_FALSE(nuvra::windows_platform::GdiFontService().OpenFont("ＭＳ Ｐゴシック", 0));
}

}  // namespace
