#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "picture_test_helpers.h"
#include "platform/linux/picture/wmf_renderer.h"

namespace nuvra {
namespace {

using test::Bytes;
using test::TestImage;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// The shared record walk with libwmf behind it, as the Linux backend loads metafiles.
platform::PictureResult DecodeWmf(std::span<const std::uint8_t> file, const pictures::DecodeLimits& limits,
                                  const platform::RegionChooser* choose_region = nullptr)
{
    return pictures::DecodeWmf(file, limits, linux_platform::RenderWmf, choose_region);
}

// Builds a metafile record by record; parameters are 16-bit words in the
// order the file stores them (Windows stores most of them last-first).
class Metafile {
public:
    Metafile& Record(std::uint16_t function, std::initializer_list<std::int32_t> words)
    {
        m_records.u32(3 + static_cast<std::uint32_t>(words.size())).u16(function);
        for (std::int32_t word : words)
            m_records.u16(static_cast<std::uint32_t>(word));
        return *this;
    }
    Metafile& Window(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
    {
        return Record(0x020B, {y, x}).Record(0x020C, {height, width});
    }
    // Creates an object (pen, brush, font) and selects it.
    Metafile& Object(std::uint16_t function, std::initializer_list<std::int32_t> words)
    {
        return Record(function, words).Record(0x012D, {m_objects++});
    }
    // A solid brush (colour 0xRRGGBB) and a null pen.
    Metafile& SolidBrush(std::uint32_t colour)
    {
        const std::uint32_t colour_ref = (colour >> 16) | (colour & 0xFF00) | (colour & 0xFF) << 16;
        Object(0x02FC,
               {0, static_cast<std::int32_t>(colour_ref & 0xFFFF), static_cast<std::int32_t>(colour_ref >> 16), 0});
        return Object(0x02FA, {5, 0, 0, 0, 0});
    }
    Metafile& Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
    {
        return Record(0x0418, {bottom, right, top, left});
    }
    Metafile& Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
    {
        return Record(0x041B, {bottom, right, top, left});
    }

    std::vector<std::uint8_t> Plain() const { return Build(false, {}, 0); }
    std::vector<std::uint8_t> Placeable(platform::Rect frame, std::uint16_t units_per_inch) const
    {
        return Build(true, frame, units_per_inch);
    }

private:
    std::vector<std::uint8_t> Build(bool placeable, platform::Rect frame, std::uint16_t units_per_inch) const
    {
        Bytes file;
        if (placeable) {
            const std::uint32_t words[] = {0xCDD7,
                                           0x9AC6,
                                           0,
                                           static_cast<std::uint16_t>(frame.left),
                                           static_cast<std::uint16_t>(frame.top),
                                           static_cast<std::uint16_t>(frame.right),
                                           static_cast<std::uint16_t>(frame.bottom),
                                           units_per_inch,
                                           0,
                                           0};
            std::uint32_t checksum = 0;
            for (std::uint32_t word : words) {
                file.u16(word);
                checksum ^= word;
            }
            file.u16(checksum);
        }
        const auto words = static_cast<std::uint32_t>(9 + m_records.size() / 2 + 3);
        file.u16(1).u16(9).u16(0x0300).u32(words).u16(static_cast<std::uint32_t>(m_objects)).u32(16).u16(0);
        file.append(m_records.data);
        file.u32(3).u16(0);
        return file.data;
    }

    Bytes m_records;
    std::int32_t m_objects = 0;
};

// A red ellipse on the left half and a blue square on the right half of a
// 2000 x 1000 window: 192 x 96 pixels at 1000 units per inch.
Metafile EllipseAndSquare()
{
    Metafile metafile;
    metafile.Window(0, 0, 2000, 1000).SolidBrush(kRed).Ellipse(100, 100, 900, 900);
    metafile.SolidBrush(kBlue).Rectangle(1100, 100, 1900, 900);
    return metafile;
}

struct Probe {
    std::int32_t x, y;
    std::uint32_t colour;
};

void ExpectPixels(const platform::PictureResult& result, std::int32_t width, std::int32_t height,
                  std::initializer_list<Probe> probes, const std::string& name)
{
    ASSERT_TRUE(result.picture) << name << ": " << result.error;
    EXPECT_EQ(std::pair(result.picture->width, result.picture->height), std::pair(width, height)) << name;
    for (const Probe& probe : probes)
        EXPECT_EQ(test::Hex(test::PixelAt(*result.picture, probe.x, probe.y)), test::Hex(probe.colour))
            << name << " at (" << probe.x << ", " << probe.y << ")";
}

TEST(WmfDecoder, FillsTheEllipseAndKeepsThePlaceableFrameAt96Dpi)
{
    const platform::PictureResult result = DecodeWmf(EllipseAndSquare().Placeable({0, 0, 2000, 1000}, 1000), {});
    // The ellipse spans pixels 9.6 to 86.4 both ways; its centre is (48, 48).
    ExpectPixels(result, 192, 96,
                 {{48, 48, kRed},
                  {14, 48, kRed},
                  {82, 48, kRed},
                  {48, 14, kRed},
                  {48, 82, kRed},
                  {12, 12, kWhite},
                  {84, 84, kWhite},
                  {5, 48, kWhite},
                  {144, 48, kBlue},
                  {110, 12, kBlue},
                  {100, 48, kWhite},
                  {190, 94, kWhite}},
                 "ellipse and square");
}

TEST(WmfDecoder, SizeAndPlacementFollowTheFrameOrTheWindow)
{
    Metafile no_window;
    no_window.SolidBrush(kGreen).Rectangle(100, 100, 600, 350);
    Metafile stretched;
    stretched.Window(0, 0, 4000, 2000).SolidBrush(kGreen).Rectangle(0, 0, 2000, 1000);
    Metafile plain;
    plain.Window(50, 20, 300, 200).SolidBrush(kGreen).Rectangle(50, 20, 200, 120);
    Metafile plain_no_window;
    plain_no_window.SolidBrush(kGreen).Rectangle(10, 10, 110, 60);
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        std::int32_t width, height;
        std::initializer_list<Probe> probes;
    } cases[] = {
        {"twips", EllipseAndSquare().Placeable({0, 0, 2880, 1440}, 1440), 192, 96, {{48, 48, kRed}, {144, 48, kBlue}}},
        {"frame away from the origin, no window",
         no_window.Placeable({100, 100, 1100, 600}, 1000),
         96,
         48,
         {{1, 1, kGreen}, {46, 22, kGreen}, {50, 26, kWhite}, {94, 46, kWhite}}},
        {"window larger than the frame is stretched onto it",
         stretched.Placeable({0, 0, 2000, 1000}, 1000),
         192,
         96,
         {{1, 1, kGreen}, {94, 46, kGreen}, {98, 50, kWhite}}},
        {"plain: one unit per pixel over the window",
         plain.Plain(),
         300,
         200,
         {{1, 1, kGreen}, {148, 98, kGreen}, {152, 102, kWhite}, {298, 198, kWhite}}},
        {"plain without a window: what it draws", plain_no_window.Plain(), 101, 51, {{50, 25, kGreen}}},
    };
    for (const auto& test_case : cases)
        ExpectPixels(DecodeWmf(test_case.file, {}), test_case.width, test_case.height, test_case.probes,
                     test_case.name);
}

// libwmf maps each mapping mode its own way (the anisotropic and isotropic
// modes onto a viewport of 1024 x 1024 until the file sets one, the metric
// and English ones onto points, an explicit text mode one unit per device
// unit even in a placeable file), so the frame handed to it follows the
// file's mode; the picture is always the window stretched over the frame
// (placeable) or one pixel per unit (plain).
TEST(WmfDecoder, EveryMappingModeShowsTheWindow)
{
    constexpr std::uint16_t kSetMapMode = 0x0103, kSetViewportExt = 0x020E;
    constexpr std::int32_t kText = 1, kLowEnglish = 4, kTwips = 6, kIsotropic = 7, kAnisotropic = 8;
    // A red ellipse over (100, 100) - (900, 400) of a 1000 x 500 window, in
    // the mapping mode given (0: none set), the records in the order given.
    auto ellipse = [](std::int32_t mode, std::int32_t origin_x, std::int32_t origin_y, bool viewport,
                      bool mode_last, bool upwards = false) {
        Metafile metafile;
        if (mode != 0 && !mode_last)
            metafile.Record(kSetMapMode, {mode});
        if (upwards)  // the same window, its y axis running from 500 up to 0
            metafile.Window(origin_x, origin_y + 500, 1000, -500);
        else
            metafile.Window(origin_x, origin_y, 1000, 500);
        if (viewport)
            metafile.Record(kSetViewportExt, {300, 700});  // stored y first
        if (mode != 0 && mode_last)
            metafile.Record(kSetMapMode, {mode});
        return metafile.SolidBrush(kRed).Ellipse(origin_x + 100, origin_y + 100, origin_x + 900, origin_y + 400);
    };
    // On 96 x 48 pixels the ellipse spans 9.6 to 86.4 across and 9.6 to
    // 38.4 down; on the plain file's 1000 x 500, ten times that.
    const std::initializer_list<Probe> placeable_probes = {
        {48, 24, kRed}, {13, 24, kRed}, {83, 24, kRed}, {48, 12, kRed}, {48, 36, kRed},
        {5, 24, kWhite}, {91, 24, kWhite}, {48, 5, kWhite}, {48, 43, kWhite}, {10, 10, kWhite}};
    const std::initializer_list<Probe> plain_probes = {
        {500, 250, kRed}, {120, 250, kRed}, {880, 250, kRed}, {500, 120, kRed}, {500, 380, kRed},
        {80, 250, kWhite}, {920, 250, kWhite}, {500, 80, kWhite}, {500, 420, kWhite}, {150, 150, kWhite}};
    const platform::Rect frame{0, 0, 1000, 500};
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        std::int32_t width, height;
        std::initializer_list<Probe> probes;
    } cases[] = {
        {"anisotropic, with a viewport", ellipse(kAnisotropic, 0, 0, true, false).Placeable(frame, 1000), 96, 48,
         placeable_probes},
        {"anisotropic, no viewport", ellipse(kAnisotropic, 0, 0, false, false).Placeable(frame, 1000), 96, 48,
         placeable_probes},
        {"anisotropic, mode set after the window", ellipse(kAnisotropic, 0, 0, false, true).Placeable(frame, 1000),
         96, 48, placeable_probes},
        {"anisotropic, window away from the origin",
         ellipse(kAnisotropic, 3000, -2000, true, false).Placeable({3000, -2000, 4000, -1500}, 1000), 96, 48,
         placeable_probes},
        {"isotropic", ellipse(kIsotropic, 0, 0, true, false).Placeable(frame, 1000), 96, 48, placeable_probes},
        {"anisotropic, plain", ellipse(kAnisotropic, 0, 0, true, false).Plain(), 1000, 500, plain_probes},
        {"isotropic, plain, window away from the origin", ellipse(kIsotropic, -700, 40, false, false).Plain(), 1000,
         500, plain_probes},
        {"anisotropic, window running upwards", ellipse(kAnisotropic, 0, 0, false, false, true).Placeable(frame, 1000),
         96, 48, placeable_probes},
        {"text mode set by the file", ellipse(kText, 0, 0, true, false).Placeable(frame, 1000), 96, 48,
         placeable_probes},
        {"low English units", ellipse(kLowEnglish, 0, 0, false, false).Placeable(frame, 1000), 96, 48,
         placeable_probes},
        {"twips, plain, window away from the origin", ellipse(kTwips, 20, 30, false, false).Plain(), 1000, 500,
         plain_probes},
        {"no mode set", ellipse(0, 0, 0, true, false).Placeable(frame, 1000), 96, 48, placeable_probes},
        {"a mode libwmf does not know", ellipse(9, 0, 0, false, false).Placeable(frame, 1000), 96, 48,
         placeable_probes},
    };
    for (const auto& test_case : cases) {
        const platform::PictureResult result = DecodeWmf(test_case.file, {});
        ExpectPixels(result, test_case.width, test_case.height, test_case.probes, test_case.name);
    }
}

TEST(WmfDecoder, PiesAndChordsAreFilledInsideTheirArc)
{
    // On a circle filling 96 x 96 pixels; radials are given last-first
    // (end y, end x, start y, start x) and run counter-clockwise.
    constexpr std::uint16_t kPie = 0x081A, kChord = 0x0830;
    const std::initializer_list<std::int32_t> left_to_right = {500, 1000, 500, 0};
    const std::initializer_list<std::int32_t> top_to_left = {500, 0, 0, 500};
    const struct {
        const char* name;
        std::uint16_t function;
        std::initializer_list<std::int32_t> radials;
        std::initializer_list<Probe> probes;
    } cases[] = {
        {"pie, lower half", kPie, left_to_right, {{48, 70, kRed}, {20, 55, kRed}, {76, 55, kRed}, {48, 25, kWhite}}},
        {"chord, lower half", kChord, left_to_right, {{48, 70, kRed}, {20, 55, kRed}, {48, 25, kWhite}}},
        {"pie, upper left quarter", kPie, top_to_left, {{30, 30, kRed}, {66, 30, kWhite}, {30, 66, kWhite}}},
        {"chord, upper left segment", kChord, top_to_left, {{15, 15, kRed}, {30, 30, kWhite}, {66, 66, kWhite}}},
    };
    for (const auto& test_case : cases) {
        Metafile metafile;
        metafile.Window(0, 0, 1000, 1000).SolidBrush(kRed);
        std::vector<std::int32_t> words(test_case.radials);
        words.insert(words.end(), {1000, 1000, 0, 0});  // bottom, right, top, left
        metafile.Record(test_case.function,
                        {words[0], words[1], words[2], words[3], words[4], words[5], words[6], words[7]});
        ExpectPixels(DecodeWmf(metafile.Placeable({0, 0, 1000, 1000}, 1000), {}), 96, 96, test_case.probes,
                     test_case.name);
    }
}

// libwmf draws text with the URW Type 1 fonts; without them it fails.
TEST(WmfDecoder, TextIsDrawnWithTheInstalledFonts)
{
    Metafile metafile;
    metafile.Window(0, 0, 1000, 500);
    // CREATEFONTINDIRECT: 150 units tall, weight 700, face "Arial".
    metafile.Object(0x02FB, {150, 0, 0, 0, 700, 0, 0, 0, 0, 'A' | 'r' << 8, 'i' | 'a' << 8, 'l', 0});
    // TEXTOUT: length, "Nuvra" (padded to words), y, x.
    metafile.Record(0x0521, {5, 'N' | 'u' << 8, 'v' | 'r' << 8, 'a', 150, 100});
    const platform::PictureResult result = DecodeWmf(metafile.Placeable({0, 0, 1000, 500}, 500), {});
    ASSERT_TRUE(result.picture) << result.error;
    int inked = 0;
    for (std::int32_t y = 0; y < result.picture->height; ++y)
        for (std::int32_t x = 0; x < result.picture->width; ++x)
            inked += test::PixelAt(*result.picture, x, y) != kWhite;
    EXPECT_GT(inked, 200) << "pixels drawn by five letters 29 pixels tall";
}

TEST(WmfDecoder, DamagedFilesFailOrPlayTheirWholeRecords)
{
    const std::vector<std::uint8_t> good = EllipseAndSquare().Placeable({0, 0, 2000, 1000}, 1000);
    auto patched = [&](std::size_t offset, std::uint16_t value) {
        std::vector<std::uint8_t> file = good;
        file[offset] = static_cast<std::uint8_t>(value);
        file[offset + 1] = static_cast<std::uint8_t>(value >> 8);
        return file;
    };
    const std::size_t first_record = 22 + 18;
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        bool loads;
    } cases[] = {
        {"zero units per inch", patched(14, 0), false},
        {"empty frame", patched(10, 0), false},
        {"frame of 60,000 pixels", patched(14, 1), false},
        {"header size not 9", patched(24, 8), false},
        {"record shorter than its header", patched(first_record, 2), true},
        {"record longer than the file", patched(first_record, 0x7FFF), true},
        {"garbage after the magic", {0xD7, 0xCD, 0xC6, 0x9A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, false},
    };
    for (const auto& test_case : cases) {
        const platform::PictureResult result = DecodeWmf(test_case.file, {});
        EXPECT_EQ(result.picture.has_value(), test_case.loads) << test_case.name << ": " << result.error;
    }
    for (std::size_t length = 0; length < good.size(); ++length) {
        const platform::PictureResult result = DecodeWmf(std::span(good).first(length), {});
        EXPECT_EQ(result.picture.has_value(), length >= 22 + 18) << "cut to " << length << ": " << result.error;
    }
}

// libwmf draws the whole picture on a canvas of four bytes per pixel before
// any region is cut from it: a frame of 16384 x 16384 pixels (a 1 GB
// canvas) is refused before drawing, region or not, within the memory
// bound; one of 2000 x 2000 loads, and its region is the whole cut.
TEST(WmfDecoder, ACanvasPastTheMemoryAllowedIsRefusedBeforeDrawing)
{
    Metafile metafile;
    metafile.Window(0, 0, 1000, 1000).SolidBrush(kRed).Ellipse(100, 100, 900, 900);
    const std::vector<std::uint8_t> huge = metafile.Placeable({0, 0, 16384, 16384}, 96);
    const std::vector<std::uint8_t> large = metafile.Placeable({0, 0, 2000, 2000}, 96);
    const platform::RegionChooser chooser = test::ShowRegion;
    const platform::PictureResult whole = DecodeWmf(large, {});
    ASSERT_TRUE(whole.picture) << whole.error;
    const TestImage expected =
        test::ToImage(pictures::CropPicture(*whole.picture, test::ShowRegion(2000, 2000)));
    const std::string outcome = test::RunWithMemoryLimit(test::kLoadMemoryBound, [&]() -> std::string {
        for (const platform::RegionChooser* choose : {&chooser, static_cast<const platform::RegionChooser*>(nullptr)}) {
            const platform::PictureResult refused = DecodeWmf(huge, {}, choose);
            if (refused.picture || refused.error.find("memory") == std::string::npos)
                return "the huge frame was not refused for memory: " + refused.error;
            if (refused.natural_width != 16384)
                return "the refusal lost the picture's size";
        }
        const platform::PictureResult part = DecodeWmf(large, {}, &chooser);
        if (!part.picture)
            return "the region of the large frame failed: " + part.error;
        return test::CompareToImage(*part.picture, expected);
    });
    EXPECT_EQ(outcome, "");
}

}  // namespace
}  // namespace nuvra
