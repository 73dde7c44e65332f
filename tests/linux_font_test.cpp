// The dialog's font through fontconfig and SDL_ttf, drawn onto canvases and
// read back pixel by pixel: where the ink falls, how wide the half-width
// katakana are, the underline, the clipping and the colours.
#include "platform/linux/ttf_font.h"

#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace nuvra::linux_platform {
namespace {

using platform::Canvas;
using platform::Font;
using platform::TextExtent;

constexpr std::uint32_t kBackground = 0x00F0E8D8;
constexpr std::uint32_t kInk = 0x00102030;
constexpr const char* kDialogFamily = "IPAPGothic";
constexpr std::int32_t kDialogSize = 13;

Canvas Blank(std::int32_t width, std::int32_t height, std::uint32_t colour = kBackground)
{
    return {width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, colour)};
}

std::uint32_t At(const Canvas& canvas, int x, int y)
{
    return canvas.pixels[static_cast<std::size_t>(y) * canvas.width + x];
}

// The smallest rectangle holding every pixel that is not the background;
// right and bottom exclusive.
struct InkBox {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    bool empty() const { return left > right; }
};

InkBox Ink(const Canvas& canvas, std::uint32_t background = kBackground)
{
    InkBox box;
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            if (At(canvas, x, y) != background) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
        }
    }
    return box;
}

// The text's ink alone, cut to its own box: two glyphs that draw the same
// have the same picture.
std::vector<std::uint32_t> InkPicture(Font& font, const std::string& text)
{
    Canvas canvas = Blank(64, 32);
    font.Draw(canvas, text, 4, 4, kInk, false);
    const InkBox box = Ink(canvas);
    std::vector<std::uint32_t> picture{static_cast<std::uint32_t>(box.right - box.left)};
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x)
            picture.push_back(At(canvas, x, y));
    }
    return picture;
}

class LinuxFontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        font = fonts.OpenFont(kDialogFamily, kDialogSize);
        ASSERT_NE(nullptr, font) << "is fonts-ipafont-gothic installed?";
    }

    TtfFontService fonts;
    std::unique_ptr<Font> font;
};

TEST_F(LinuxFontTest, ThirteenPixelsLookLikeAWindowsDialogFont)
{
    Canvas canvas = Blank(40, 30);
    font->Draw(canvas, "H", 5, 5, kInk, false);
    const InkBox cap = Ink(canvas);
    ASSERT_FALSE(cap.empty());
    EXPECT_GE(cap.bottom - cap.top, 9) << "cap height";
    EXPECT_LE(cap.bottom - cap.top, 10) << "cap height";
    const TextExtent extent = font->Measure("H");
    EXPECT_GE(extent.height, 13);
    EXPECT_LE(extent.height, 16);
}

TEST_F(LinuxFontTest, TheFamilyIsFoundWhateverItsCaseBlanksOrLanguage)
{
    const std::vector<std::uint32_t> expected = InkPicture(*font, "画像の位置");
    for (const char* family : {"ipapgothic", "IPA PGothic", "IPA Pゴシック"}) {
        const std::unique_ptr<Font> same = fonts.OpenFont(family, kDialogSize);
        ASSERT_NE(nullptr, same) << family;
        EXPECT_EQ(expected, InkPicture(*same, "画像の位置")) << family;
    }
}

TEST_F(LinuxFontTest, NonsenseRequestsOpenNothing)
{
    struct Case {
        const char* name;
        std::string family;
        std::int32_t size;
    };
    const Case cases[] = {
        {"no family", "", 13},
        {"a NUL in the family", std::string("IPAPGothic\0x", 12), 13},
        {"no size", kDialogFamily, 0},
        {"a negative size", kDialogFamily, -13},
        {"an absurd size", kDialogFamily, 100000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nullptr, fonts.OpenFont(c.family, c.size)) << c.name;
}

// Ink inside the measured box, none outside it, and the box's height the
// same for every text.
TEST_F(LinuxFontTest, TheInkStaysInTheMeasuredBox)
{
    const std::int32_t line = font->Measure("").height;
    EXPECT_EQ(0, font->Measure("").width);
    for (const char* text : {"ｼｰｹﾝｼｬﾙ", "画像の位置", "ﾌｫﾙﾀﾞで指定...", "Ågjpqy|()", "(&S)"}) {
        SCOPED_TRACE(text);
        Canvas canvas = Blank(300, 40);
        const TextExtent extent = font->Measure(text);
        EXPECT_EQ(line, extent.height);
        font->Draw(canvas, text, 7, 5, kInk, false);
        const InkBox ink = Ink(canvas);
        ASSERT_FALSE(ink.empty());
        EXPECT_GE(ink.left, 7);
        EXPECT_GE(ink.top, 5);
        EXPECT_LE(ink.right, 7 + extent.width);
        EXPECT_LE(ink.bottom, 5 + extent.height);
        // The box is the text's, not far wider.
        EXPECT_GE(ink.right - ink.left, extent.width - 3);
    }
}

TEST_F(LinuxFontTest, HalfWidthKatakanaAreRealGlyphsHalfAsWide)
{
    const double full = font->Measure("画").width;
    std::set<std::vector<std::uint32_t>> pictures;
    const char* letters[] = {"ｼ", "ｰ", "ｹ", "ﾝ", "ｬ", "ﾙ", "ﾌ", "ｫ", "ﾀ", "ﾞ", "ｱ"};
    for (const char* letter : letters) {
        const double width = font->Measure(letter).width;
        EXPECT_GE(width / full, 0.35) << letter;
        EXPECT_LE(width / full, 0.65) << letter;
        pictures.insert(InkPicture(*font, letter));
    }
    // A missing glyph draws the same box for every letter.
    EXPECT_EQ(std::size(letters), pictures.size()) << "some letters drew the same picture";
}

TEST_F(LinuxFontTest, TheUnderlineIsARowJustBelowTheBaselineUnderTheWholeText)
{
    Canvas baseline = Blank(100, 30);
    font->Draw(baseline, "H", 10, 5, kInk, false);
    const int below_baseline = Ink(baseline).bottom;

    const TextExtent extent = font->Measure("画像");
    Canvas plain = Blank(100, 30);
    Canvas underlined = Blank(100, 30);
    font->Draw(plain, "画像", 10, 5, kInk, false);
    font->Draw(underlined, "画像", 10, 5, kInk, true);
    std::set<int> changed_rows;
    for (int y = 0; y < plain.height; ++y) {
        for (int x = 0; x < plain.width; ++x) {
            if (At(plain, x, y) != At(underlined, x, y)) {
                changed_rows.insert(y);
                EXPECT_GE(x, 10);
                EXPECT_LT(x, 10 + extent.width);
            }
        }
    }
    ASSERT_EQ(1u, changed_rows.size());
    const int row = *changed_rows.begin();
    EXPECT_GE(row, below_baseline);
    EXPECT_LE(row, below_baseline + 2);
    EXPECT_LT(row, 5 + extent.height);
    for (int x = 10; x < 10 + extent.width; ++x)
        EXPECT_EQ(kInk, At(underlined, x, row)) << "a gap at " << x;
}

// Drawn onto a small canvas, the text is the same as the part of a large
// canvas the small one would be, and nothing else changes.
TEST_F(LinuxFontTest, DrawingIsClippedToTheCanvas)
{
    constexpr int kWidth = 60, kHeight = 12, kMargin = 80;
    struct Case {
        int x, y;
        bool underline;
    };
    const Case cases[] = {
        {-10, -5, true}, {40, 3, true}, {-70, 0, false}, {5, -14, true},
        {55, 11, true},  {-5, 8, true}, {0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
        Canvas large = Blank(kWidth + 2 * kMargin, kHeight + 2 * kMargin);
        Canvas small = Blank(kWidth, kHeight);
        font->Draw(large, "画像ｼｰｹﾝ", c.x + kMargin, c.y + kMargin, kInk, c.underline);
        font->Draw(small, "画像ｼｰｹﾝ", c.x, c.y, kInk, c.underline);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(At(large, x + kMargin, y + kMargin), At(small, x, y)) << "at " << x << ", " << y;
        }
    }
    const std::int32_t far[][2] = {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MAX - 5, 0}, {0, INT_MAX - 2},
                                   {INT_MIN + 3, 0},   {-1000, 2}};
    for (const auto& at : far) {
        Canvas small = Blank(kWidth, kHeight);
        font->Draw(small, "画像ｼｰｹﾝ", at[0], at[1], kInk, true);
        EXPECT_TRUE(Ink(small).empty()) << at[0] << ", " << at[1];
    }
    // A canvas whose pixels fall short of its size: only those it has.
    Canvas short_of_pixels{kWidth, kHeight, std::vector<std::uint32_t>(kWidth * 3, kBackground)};
    font->Draw(short_of_pixels, "画像ｼｰｹﾝ", 0, -2, kInk, true);
    EXPECT_EQ(static_cast<std::size_t>(kWidth * 3), short_of_pixels.pixels.size());
    Canvas nothing{0, 0, {}};
    font->Draw(nothing, "画像", 0, 0, kInk, true);
}

TEST_F(LinuxFontTest, TheColourIsBlendedOverWhatIsThere)
{
    Canvas canvas = Blank(80, 30);
    font->Draw(canvas, "画像", 3, 3, kInk, false);
    bool solid = false;
    for (const std::uint32_t pixel : canvas.pixels) {
        solid = solid || pixel == kInk;
        for (const int shift : {0, 8, 16}) {
            const std::uint32_t value = (pixel >> shift) & 0xFF;
            EXPECT_LE(value, (kBackground >> shift) & 0xFF);
            EXPECT_GE(value, (kInk >> shift) & 0xFF);
        }
        EXPECT_EQ(0u, pixel >> 24) << "the canvas has no alpha";
    }
    EXPECT_TRUE(solid) << "no pixel of the glyphs' stems has the colour itself";
}

// Where a glyph reaches above the font's ascent (Å in Nimbus Sans), the
// rest of the line stays on the same baseline.
TEST_F(LinuxFontTest, AGlyphAboveTheAscentMovesNothingElse)
{
    const std::unique_ptr<Font> latin = fonts.OpenFont("Nimbus Sans", kDialogSize);
    ASSERT_NE(nullptr, latin) << "is fonts-urw-base35 installed?";
    Canvas alone = Blank(60, 30);
    Canvas after = Blank(60, 30);
    const std::int32_t ring = latin->Measure("Å").width;
    latin->Draw(alone, "H", 5 + ring, 5, kInk, false);
    latin->Draw(after, "ÅH", 5, 5, kInk, false);
    const InkBox h_alone = Ink(alone);
    for (int y = 0; y < alone.height; ++y) {
        for (int x = h_alone.left; x < h_alone.right; ++x)
            EXPECT_EQ(At(alone, x, y), At(after, x, y)) << "at " << x << ", " << y;
    }
    EXPECT_GE(Ink(after).top, 5) << "the ring left the line's box";
}

// A family that is not installed: fontconfig's stand-in is taken only when
// it has Japanese glyphs. Each case in a process of its own, with
// fontconfig told to know the fonts of one folder alone.
TEST(LinuxFontStandInTest, AStandInIsTakenOnlyWithJapaneseGlyphs)
{
    struct Case {
        const char* folder;
        bool opens;
    };
    const Case cases[] = {
        {"/usr/share/fonts/opentype/urw-base35", false},
        {"/usr/share/fonts/opentype/ipafont-gothic", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const test::TempDir dir;
        const std::string config = dir.WriteFile(
            "fonts.conf", std::string("<?xml version=\"1.0\"?>\n<fontconfig><dir>") + c.folder + "</dir><cachedir>" +
                              dir.str() + "/cache</cachedir></fontconfig>\n");
        const pid_t child = fork();
        if (child == 0) {
            setenv("FONTCONFIG_FILE", config.c_str(), 1);
            if (!FcInitReinitialize())
                _exit(3);
            TtfFontService service;
            const std::unique_ptr<Font> stand_in = service.OpenFont("No Such Family Anywhere", kDialogSize);
            if (stand_in && !c.opens)
                _exit(1);
            if (!stand_in)
                _exit(c.opens ? 2 : 0);
            Canvas canvas = Blank(40, 20);
            stand_in->Draw(canvas, "ｼ", 2, 2, kInk, false);
            _exit(Ink(canvas).empty() ? 4 : 0);
        }
        ASSERT_GT(child, 0);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(0, WEXITSTATUS(status)) << "1: a stand-in without Japanese, 2: none, 3: no config, 4: no ink";
    }
}

}  // namespace
}  // namespace nuvra::linux_platform
