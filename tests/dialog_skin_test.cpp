#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "dialog/pointers.h"
#include "dialog/skin_pictures.h"

namespace nuvra::dialog {
namespace {

std::uint32_t Read16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return bytes[at] | (static_cast<std::uint32_t>(bytes[at + 1]) << 8);
}

std::uint32_t Read32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return Read16(bytes, at) | (Read16(bytes, at + 2) << 16);
}

// An uncompressed bottom-up 24-bit BMP as the skin holds them, read here
// independently of the program's decoder; nothing for anything else.
struct Bmp {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::array<std::uint8_t, 3>> rgb;  // top row first
};

std::optional<Bmp> ReadBmp(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || Read32(bytes, 2) != bytes.size() ||
        Read32(bytes, 14) != 40 || Read16(bytes, 26) != 1 || Read16(bytes, 28) != 24 || Read32(bytes, 30) != 0)
        return std::nullopt;
    Bmp bmp;
    bmp.width = static_cast<std::int32_t>(Read32(bytes, 18));
    bmp.height = static_cast<std::int32_t>(Read32(bytes, 22));
    if (bmp.width <= 0 || bmp.width > 4096 || bmp.height <= 0 || bmp.height > 4096)
        return std::nullopt;
    const std::size_t stride = (static_cast<std::size_t>(bmp.width) * 3 + 3) / 4 * 4;
    const std::size_t offset = Read32(bytes, 10);
    if (offset < 54 || offset > bytes.size() || bytes.size() - offset < stride * bmp.height)
        return std::nullopt;
    for (std::int32_t y = bmp.height - 1; y >= 0; --y) {
        for (std::int32_t x = 0; x < bmp.width; ++x) {
            const std::uint8_t* p = bytes.data() + offset + stride * y + 3 * x;
            bmp.rgb.push_back({p[2], p[1], p[0]});
        }
    }
    return bmp;
}

TEST(DialogSkin, EveryPictureIsA24BitBmpOfItsSize)
{
    struct Case {
        SkinPicture picture;
        const char* name;
        std::int32_t width, height;
    };
    const Case cases[] = {
        {SkinPicture::ButtonPressed, "button pressed", 95, 22},
        {SkinPicture::ButtonReleased, "button released", 95, 22},
        {SkinPicture::OptionOff, "option off", 13, 13},
        {SkinPicture::OptionOn, "option on", 13, 13},
        {SkinPicture::CheckClear, "check clear", 12, 12},
        {SkinPicture::CheckTicked, "check ticked", 12, 12},
        {SkinPicture::HeadingBar, "heading bar", 95, 22},
        {SkinPicture::TextureTile, "texture tile", 560, 22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<Bmp> bmp = ReadBmp(SkinPictureBytes(c.picture));
        ASSERT_TRUE(bmp.has_value());
        EXPECT_EQ(bmp->width, c.width);
        EXPECT_EQ(bmp->height, c.height);
    }
    EXPECT_TRUE(SkinPictureBytes(static_cast<SkinPicture>(99)).empty());
}

// The option marks are opaque squares laid on the texture: their corners
// must be the texture's colour on average, or they show as boxes.
TEST(DialogSkin, OptionMarkCornersBlendIntoTheTexture)
{
    const std::optional<Bmp> texture = ReadBmp(SkinPictureBytes(SkinPicture::TextureTile));
    ASSERT_TRUE(texture.has_value());
    std::array<double, 3> average{};
    for (const auto& p : texture->rgb) {
        for (std::size_t c = 0; c < 3; ++c)
            average[c] += p[c];
    }
    for (double& channel : average)
        channel /= static_cast<double>(texture->rgb.size());

    for (SkinPicture picture : {SkinPicture::OptionOff, SkinPicture::OptionOn}) {
        const std::optional<Bmp> mark = ReadBmp(SkinPictureBytes(picture));
        ASSERT_TRUE(mark.has_value());
        const std::int32_t last = mark->width - 1;
        for (std::int32_t corner : {0, last, last * mark->width, last * mark->width + last}) {
            for (std::size_t c = 0; c < 3; ++c)
                EXPECT_NEAR(mark->rgb[static_cast<std::size_t>(corner)][c], average[c], 3.0) << corner;
        }
    }
}

constexpr std::uint32_t kBlack = 0xff000000u;
constexpr std::uint32_t kWhite = 0xffffffffu;

// Both hands: the hot spot on the art, black and white pixels only, and the
// white fill enclosed by the outline, never touching the transparent
// surround or the image's edge (it would vanish on a light background).
TEST(DialogSkin, PointersAreOutlinedHandsWithTheirHotSpots)
{
    struct Case {
        const char* name;
        const platform::PointerImage& image;
        platform::Point hot_spot;
    };
    const Case cases[] = {{"control", ControlPointer(), {12, 1}}, {"link", LinkPointer(), {12, 10}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const platform::PointerImage& image = c.image;
        ASSERT_EQ(image.width, 32);
        ASSERT_EQ(image.height, 32);
        ASSERT_EQ(image.pixels.size(), 32u * 32u);
        EXPECT_EQ(image.hot_spot.x, c.hot_spot.x);
        EXPECT_EQ(image.hot_spot.y, c.hot_spot.y);
        auto at = [&image](std::int32_t x, std::int32_t y) {
            return image.pixels[static_cast<std::size_t>(y) * 32 + static_cast<std::size_t>(x)];
        };
        EXPECT_EQ(at(c.hot_spot.x, c.hot_spot.y) >> 24, 0xffu);

        int black = 0, white = 0;
        for (std::int32_t y = 0; y < 32; ++y) {
            for (std::int32_t x = 0; x < 32; ++x) {
                const std::uint32_t p = at(x, y);
                ASSERT_TRUE(p == 0 || p == kBlack || p == kWhite) << x << "," << y;
                black += p == kBlack;
                if (p != kWhite)
                    continue;
                ++white;
                ASSERT_TRUE(x > 0 && y > 0 && x < 31 && y < 31) << x << "," << y;
                for (const auto& [dx, dy] : {std::array{1, 0}, std::array{-1, 0}, std::array{0, 1}, std::array{0, -1}})
                    EXPECT_NE(at(x + dx, y + dy), 0u) << x << "," << y;
            }
        }
        EXPECT_GT(black, 0);
        EXPECT_GT(white, 0);
    }
    EXPECT_EQ(&ControlPointer(), &ControlPointer());
}

}  // namespace
}  // namespace nuvra::dialog
