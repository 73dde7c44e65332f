#include <gif_lib.h>
#include <gtest/gtest.h>

#include <array>

#include "picture_test_helpers.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

using pictures::DecodeGif;
using test::TestImage;

struct Frame {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<std::uint32_t> local_table;  // 0xRRGGBB; empty: the global table
    std::int32_t transparent = NO_TRANSPARENT_COLOR;
    // Index of pixel (x, y) of the frame.
    std::uint8_t index(std::int32_t x, std::int32_t y) const { return static_cast<std::uint8_t>((x * 3 + y * 5) % 8); }
};

Frame MakeFrame(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height, bool interlaced = false,
                std::vector<std::uint32_t> local_table = {}, std::int32_t transparent = NO_TRANSPARENT_COLOR)
{
    Frame frame;
    frame.left = left;
    frame.top = top;
    frame.width = width;
    frame.height = height;
    frame.interlaced = interlaced;
    frame.local_table = std::move(local_table);
    frame.transparent = transparent;
    return frame;
}

struct Gif {
    std::int32_t width = 0, height = 0;
    std::vector<std::uint32_t> global_table;
    std::int32_t background = 0;
    std::vector<Frame> frames;
};

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

std::unique_ptr<ColorMapObject, MapDeleter> MakeMap(const std::vector<std::uint32_t>& colours)
{
    if (colours.empty())
        return nullptr;
    std::vector<GifColorType> entries;
    for (std::uint32_t colour : colours)
        entries.push_back({static_cast<GifByteType>(colour >> 16), static_cast<GifByteType>(colour >> 8),
                           static_cast<GifByteType>(colour)});
    return std::unique_ptr<ColorMapObject, MapDeleter>(
        GifMakeMapObject(static_cast<int>(entries.size()), entries.data()));
}

int Append(GifFileType* gif, const GifByteType* bytes, int length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + length);
    return length;
}

// Writes the file with giflib's own encoder, so every structure is exactly
// the one the test names.
std::vector<std::uint8_t> WriteGif(const Gif& layout)
{
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, Append, &error);
    EGifSetGifVersion(gif, true);
    const auto global = MakeMap(layout.global_table);
    EXPECT_EQ(EGifPutScreenDesc(gif, layout.width, layout.height, 8, layout.background, global.get()), GIF_OK);
    for (const Frame& frame : layout.frames) {
        if (frame.transparent != NO_TRANSPARENT_COLOR) {
            GraphicsControlBlock control{};
            control.TransparentColor = frame.transparent;
            GifByteType block[4];
            EGifGCBToExtension(&control, block);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block);
        }
        const auto local = MakeMap(frame.local_table);
        EXPECT_EQ(
            EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, local.get()),
            GIF_OK);
        std::vector<std::int32_t> rows;
        for (const auto& [start, step] : frame.interlaced
                                             ? std::vector<std::pair<int, int>>{{0, 8}, {4, 8}, {2, 4}, {1, 2}}
                                             : std::vector<std::pair<int, int>>{{0, 1}})
            for (std::int32_t y = start; y < frame.height; y += step)
                rows.push_back(y);
        for (std::int32_t y : rows) {
            std::vector<GifPixelType> line;
            for (std::int32_t x = 0; x < frame.width; ++x)
                line.push_back(frame.index(x, y));
            EXPECT_EQ(EGifPutLine(gif, line.data(), frame.width), GIF_OK);
        }
    }
    EGifCloseFile(gif, &error);
    return out;
}

// The screen as the first frame leaves it.
TestImage Expected(const Gif& layout)
{
    TestImage image{layout.width, layout.height,
                    std::vector<std::uint32_t>(static_cast<std::size_t>(layout.width * layout.height),
                                               layout.global_table[static_cast<std::size_t>(layout.background)])};
    const Frame& frame = layout.frames.front();
    const std::vector<std::uint32_t>& table = frame.local_table.empty() ? layout.global_table : frame.local_table;
    for (std::int32_t y = 0; y < frame.height; ++y)
        for (std::int32_t x = 0; x < frame.width; ++x)
            if (frame.left + x < layout.width && frame.top + y < layout.height &&
                frame.index(x, y) != frame.transparent)
                image.rgb[static_cast<std::size_t>((frame.top + y) * layout.width + frame.left + x)] =
                    table[frame.index(x, y)];
    return image;
}

const std::vector<std::uint32_t> kGlobal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                            0xFFFF00, 0x123456, 0xFEDCBA, 0x808080};
const std::vector<std::uint32_t> kLocal = {0x010203, 0x112233, 0x445566, 0x778899,
                                           0xAABBCC, 0xDDEEFF, 0x0F0F0F, 0xF0F0F0};

TEST(GifDecoder, FirstFrameOnTheBackgroundOfTheLogicalScreen)
{
    const struct {
        const char* name;
        Gif gif;
    } cases[] = {
        {"frame covers the screen", {13, 9, kGlobal, 0, {MakeFrame(0, 0, 13, 9)}}},
        {"interlaced", {13, 19, kGlobal, 0, {MakeFrame(0, 0, 13, 19, true)}}},
        {"frame inside a larger screen", {20, 12, kGlobal, 5, {MakeFrame(3, 2, 7, 5)}}},
        {"transparent pixels show the background", {10, 10, kGlobal, 6, {MakeFrame(1, 1, 8, 8, false, {}, 2)}}},
        {"local table, background from the global one", {12, 8, kGlobal, 7, {MakeFrame(2, 2, 6, 5, true, kLocal)}}},
        {"frame reaching past the screen is clipped", {10, 6, kGlobal, 4, {MakeFrame(6, 3, 9, 7, true)}}},
        {"later frames are not shown",
         {8, 8, kGlobal, 1, {MakeFrame(0, 0, 4, 4), MakeFrame(0, 0, 8, 8, false, kLocal)}}},
        {"1-pixel picture", {1, 1, kGlobal, 0, {MakeFrame(0, 0, 1, 1)}}},
    };
    for (const auto& test_case : cases) {
        const platform::PictureResult result = DecodeGif(WriteGif(test_case.gif), {});
        ASSERT_TRUE(result.picture) << test_case.name << ": " << result.error;
        EXPECT_EQ(test::CompareToImage(*result.picture, Expected(test_case.gif)), "") << test_case.name;
    }
}

// The show keeps only a region; its pixels must be exactly those of the
// whole screen, whether the region cuts the frame, misses it or holds it.
TEST(GifDecoder, RegionDecodeEqualsTheWholeDecodeCropped)
{
    const Gif layouts[] = {
        {20, 12, kGlobal, 5, {MakeFrame(3, 2, 7, 5)}},
        {21, 19, kGlobal, 0, {MakeFrame(2, 1, 17, 17, true)}},
        {10, 10, kGlobal, 6, {MakeFrame(1, 1, 8, 8, false, {}, 2)}},
        {10, 6, kGlobal, 4, {MakeFrame(6, 3, 9, 7, true, kLocal)}},
    };
    const platform::Rect regions[] = {
        {0, 0, 1000, 1000}, {4, 3, 9, 6}, {0, 0, 2, 2}, {5, 0, 6, 19}, {1, 5, 21, 7}, {9, 9, 10, 10},
    };
    for (const Gif& layout : layouts) {
        const std::vector<std::uint8_t> file = WriteGif(layout);
        const platform::PictureResult whole = DecodeGif(file, {});
        ASSERT_TRUE(whole.picture) << whole.error;
        for (const platform::Rect& region : regions) {
            const std::optional<platform::Rect> clamped =
                pictures::ClampRegion(region, layout.width, layout.height);
            if (!clamped)
                continue;
            const platform::RegionChooser chooser = [&](std::int32_t, std::int32_t) { return region; };
            const platform::PictureResult part = DecodeGif(file, {}, &chooser);
            ASSERT_TRUE(part.picture) << part.error;
            EXPECT_EQ(std::pair(part.natural_width, part.natural_height), std::pair(layout.width, layout.height));
            EXPECT_EQ(test::CompareToImage(*part.picture,
                                           test::ToImage(pictures::CropPicture(*whole.picture, *clamped))),
                      "")
                << layout.width << " x " << layout.height << ", region " << region.left << "," << region.top << " - "
                << region.right << "," << region.bottom;
        }
    }
}

// A 16384 x 16384 screen around a 4 x 4 frame, in under 100 bytes: the
// show's centre square loads within the memory bound, never the 768 MB of
// the whole screen, which is refused before it is allocated.
TEST(GifDecoder, AHugeScreenCostsOnlyTheRegion)
{
    constexpr std::int32_t kSide = 16384;
    for (const bool interlaced : {false, true}) {
        const Gif layout{kSide, kSide, kGlobal, 5, {MakeFrame(8000, 8100, 4, 4, interlaced, kLocal, 3)}};
        const std::vector<std::uint8_t> file = WriteGif(layout);
        const Frame& frame = layout.frames.front();
        auto colour = [&](std::int32_t x, std::int32_t y) {
            const std::int32_t fx = x - frame.left;
            const std::int32_t fy = y - frame.top;
            if (fx >= 0 && fx < frame.width && fy >= 0 && fy < frame.height && frame.index(fx, fy) != frame.transparent)
                return kLocal[frame.index(fx, fy)];
            return kGlobal[5];
        };
        const std::string outcome = test::RunWithMemoryLimit(test::kLoadMemoryBound, [&]() -> std::string {
            const platform::RegionChooser chooser = test::ShowRegion;
            const platform::PictureResult part = DecodeGif(file, {}, &chooser);
            if (!part.picture)
                return "the region failed: " + part.error;
            const std::string pixels = test::CompareRegion(*part.picture, test::ShowRegion(kSide, kSide), colour);
            if (!pixels.empty())
                return pixels;
            const platform::PictureResult whole = DecodeGif(file, {});
            if (whole.picture || whole.error.find("memory") == std::string::npos)
                return "the whole screen was not refused for memory: " + whole.error;
            return "";
        });
        EXPECT_EQ(outcome, "") << (interlaced ? "interlaced" : "rows in order");
    }
}

TEST(GifDecoder, MatchesWhatImageMagickWrote)
{
    test::TempDir dir;
    const TestImage image = test::MakeTestImage(37, 23, 200);
    test::WritePpm(dir.str() + "/in.ppm", image);
    for (const char* options : {"+dither", "+dither -interlace GIF"}) {
        const std::vector<std::uint8_t> gif = test::Convert(dir.str() + "/in.ppm", options, dir.str() + "/out.gif");
        const platform::PictureResult result = DecodeGif(gif, {});
        ASSERT_TRUE(result.picture) << options << ": " << result.error;
        EXPECT_EQ(test::CompareToImage(*result.picture, image), "") << options;
    }
}

TEST(GifDecoder, TruncatedFilesNeverReadPastTheirEnd)
{
    const std::vector<std::uint8_t> file = WriteGif({16, 16, kGlobal, 3, {MakeFrame(0, 0, 16, 16)}});
    const std::size_t header_and_tables = 13 + 3 * 8;
    for (std::size_t length = 0; length < file.size(); ++length) {
        const platform::PictureResult result = DecodeGif(std::span(file).first(length), {});
        if (length <= header_and_tables + 10) {  // up to the end of the image descriptor
            EXPECT_FALSE(result.picture) << "cut to " << length;
        }
        if (result.picture) {
            EXPECT_EQ(result.picture->width, 16) << "cut to " << length;
        }
    }
}

std::vector<std::uint8_t> WithU16(std::vector<std::uint8_t> file, std::size_t offset, std::uint16_t value)
{
    file[offset] = static_cast<std::uint8_t>(value);
    file[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    return file;
}

TEST(GifDecoder, HostileSizesFailOrLoadSafely)
{
    const std::vector<std::uint8_t> base = WriteGif({4, 3, kGlobal, 2, {MakeFrame(1, 1, 2, 2)}});
    const std::size_t descriptor = 13 + 3 * 8;  // after the header, screen and global table
    const std::vector<std::uint8_t> trailer_only = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 3, 0, 0, 0, 0, 0x3B};
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        std::int32_t width, height;  // 0: the load fails
    } cases[] = {
        {"screen of no size takes the frame's extent", WithU16(WithU16(base, 6, 0), 8, 0), 3, 3},
        {"screen 60,000 pixels wide", WithU16(base, 6, 60000), 0, 0},
        {"frame 60,000 pixels tall", WithU16(base, descriptor + 7, 60000), 0, 0},
        {"frame far off the screen", WithU16(base, descriptor + 1, 5000), 4, 3},
        {"no image before the trailer", trailer_only, 0, 0},
        {"garbage after the signature", {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0, 0},
    };
    for (const auto& test_case : cases) {
        const platform::PictureResult result = DecodeGif(test_case.file, {});
        EXPECT_EQ(result.picture.has_value(), test_case.width > 0) << test_case.name << ": " << result.error;
        if (result.picture) {
            EXPECT_EQ(std::pair(result.picture->width, result.picture->height),
                      std::pair(test_case.width, test_case.height))
                << test_case.name;
        }
    }
}

}  // namespace
}  // namespace nuvra
