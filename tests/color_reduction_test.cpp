#include "images/color_reduction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "support/fake_pictures.h"

namespace nuvra {
namespace {

using platform::Picture;

struct Reduced {
    bool ok = false;
    Palette256 palette{};
    std::vector<std::uint8_t> indexes;
    std::int64_t stride = 0;

    std::uint32_t ColourAt(std::int32_t x, std::int32_t top_row, std::int32_t height) const
    {
        return palette[indexes[static_cast<std::size_t>((height - 1 - top_row) * stride + x)]];
    }
};

Reduced Reduce(const Picture& picture)
{
    Reduced reduced;
    reduced.stride = EightBitStride(picture.width);
    reduced.indexes.assign(static_cast<std::size_t>(reduced.stride * picture.height), 0xAB);
    reduced.ok = ReduceTo256Colours(picture, reduced.palette, reduced.indexes);
    return reduced;
}

double Distance(std::uint32_t a, std::uint32_t b)
{
    const double dr = static_cast<double>((a >> 16) & 0xFF) - ((b >> 16) & 0xFF);
    const double dg = static_cast<double>((a >> 8) & 0xFF) - ((b >> 8) & 0xFF);
    const double db = static_cast<double>(a & 0xFF) - (b & 0xFF);
    return std::sqrt(dr * dr + dg * dg + db * db);
}

std::uint32_t Rgb(int r, int g, int b)
{
    return static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

// A photograph's worth of smooth variation: red across, green down, blue
// waving over both, and a little deterministic grain on every channel.
std::uint32_t PhotoLike(std::int32_t x, std::int32_t y)
{
    const auto grain = [&](int k) { return static_cast<int>((x * 7919 + y * 104729 + k * 31) % 9) - 4; };
    const auto clamp = [](double v) { return static_cast<int>(std::lround(std::fmin(255.0, std::fmax(0.0, v)))); };
    return Rgb(clamp(x + grain(0)), clamp(y + grain(1)),
               clamp(128 + 70 * std::sin(x / 23.0) * std::cos(y / 31.0) + grain(2)));
}

TEST(ReduceTo256Colours, EntryZeroIsBlackWhateverThePicture)
{
    const struct {
        const char* name;
        std::uint32_t (*colour)(std::int32_t, std::int32_t);
    } cases[] = {
        {"white", [](std::int32_t, std::int32_t) { return 0xFFFFFFu; }},
        {"black", [](std::int32_t, std::int32_t) { return 0u; }},
        {"red", [](std::int32_t, std::int32_t) { return 0xFF0000u; }},
        {"photo-like", PhotoLike},
    };
    for (const auto& c : cases) {
        const Reduced reduced = Reduce(test::MakePicture(64, 64, 24, c.colour));
        ASSERT_TRUE(reduced.ok) << c.name;
        EXPECT_EQ(reduced.palette[0], 0u) << c.name << ": entry 0 is " << std::hex << reduced.palette[0];
    }
}

TEST(ReduceTo256Colours, BlackPixelsShareIndexZeroWithTheCorners)
{
    const Picture picture = test::MakePicture(16, 16, 24, [](std::int32_t x, std::int32_t y) {
        return (x + y) % 2 == 0 ? 0u : Rgb(200, 40, 90);
    });
    const Reduced reduced = Reduce(picture);
    ASSERT_TRUE(reduced.ok);
    for (std::int32_t y = 0; y < 16; ++y) {
        for (std::int32_t x = 0; x < 16; ++x) {
            const std::uint8_t index = reduced.indexes[static_cast<std::size_t>((15 - y) * reduced.stride + x)];
            if ((x + y) % 2 == 0)
                EXPECT_EQ(index, 0) << "(" << x << ", " << y << ")";
            else
                EXPECT_EQ(reduced.palette[index], Rgb(200, 40, 90)) << "(" << x << ", " << y << ")";
        }
    }
}

TEST(ReduceTo256Colours, FewWellSeparatedColoursComeBackExactly)
{
    // 200 colours, each in its own cell of the 32-level histogram.
    std::vector<std::uint32_t> colours;
    for (int i = 0; i < 200; ++i)
        colours.push_back(Rgb((i % 8) * 32 + 5, ((i / 8) % 5) * 48 + 9, (i / 40) * 50 + 3));
    const Picture picture = test::MakePicture(40, 50, 32, [&](std::int32_t x, std::int32_t y) {
        return colours[static_cast<std::size_t>((x + 40 * y) % 200)];
    });
    const Reduced reduced = Reduce(picture);
    ASSERT_TRUE(reduced.ok);
    for (std::int32_t y = 0; y < 50; ++y)
        for (std::int32_t x = 0; x < 40; ++x)
            ASSERT_EQ(reduced.ColourAt(x, y, 50), test::PixelAt(picture, x, y)) << "(" << x << ", " << y << ")";
}

// Few colours, however close together, come back exactly: the renderer
// shows a drawing or a GIF with the colours it has, not their cells' means.
TEST(ReduceTo256Colours, AtMost255ColoursBesidesBlackComeBackExactly)
{
    const struct {
        const char* name;
        int colours;
        std::uint32_t (*colour)(int i);
    } cases[] = {
        {"five greys a level apart", 5, [](int i) { return Rgb(100 + i, 100 + i, 100 + i); }},
        {"255 colours in one histogram cell", 255,
         [](int i) { return Rgb(64 + i % 8, 64 + (i / 8) % 8, 64 + i / 64); }},
        {"black and 255 colours", 256, [](int i) { return i == 0 ? 0u : Rgb(i, 255 - i, (i * 3) % 7); }},
        {"near-black greys beside black", 4, [](int i) { return Rgb(i, i, i); }},
    };
    for (const auto& c : cases) {
        for (const std::uint16_t bits : {std::uint16_t{24}, std::uint16_t{32}}) {
            const Picture picture = test::MakePicture(33, 17, bits, [&](std::int32_t x, std::int32_t y) {
                return c.colour((x + 33 * y) % c.colours);
            });
            const Reduced reduced = Reduce(picture);
            ASSERT_TRUE(reduced.ok) << c.name;
            EXPECT_EQ(reduced.palette[0], 0u) << c.name;
            int wrong = 0;
            for (std::int32_t y = 0; y < 17; ++y) {
                for (std::int32_t x = 0; x < 33; ++x) {
                    const std::uint32_t expected = test::PixelAt(picture, x, y);
                    const std::uint32_t got = reduced.ColourAt(x, y, 17);
                    if (got != expected && ++wrong <= 3)
                        ADD_FAILURE() << c.name << ", " << bits << " bits, (" << x << ", " << y << "): expected "
                                      << std::hex << expected << ", got " << got << std::dec;
                }
            }
        }
    }
}

// One colour more than the palette holds: the cuts take over, and every
// pixel still gets a colour near its own, the one far from the rest (white,
// the last in any order by value) its very own.
TEST(ReduceTo256Colours, The256thColourBesidesBlackFallsBackToCuts)
{
    const auto colour = [](int i) { return i == 255 ? 0xFFFFFFu : Rgb(64 + i % 8, 64 + (i / 8) % 8, 64 + i / 64); };
    const Picture picture = test::MakePicture(32, 16, 24, [&](std::int32_t x, std::int32_t y) {
        return colour((x + 32 * y) % 256);  // 512 pixels, each colour twice
    });
    const Reduced reduced = Reduce(picture);
    ASSERT_TRUE(reduced.ok);
    EXPECT_EQ(reduced.palette[0], 0u);
    for (std::int32_t y = 0; y < 16; ++y) {
        for (std::int32_t x = 0; x < 32; ++x) {
            const std::uint32_t own = test::PixelAt(picture, x, y);
            const double distance = Distance(reduced.ColourAt(x, y, 16), own);
            EXPECT_LT(distance, own == 0xFFFFFFu ? 0.5 : 8.0) << "(" << x << ", " << y << "): " << std::hex << own;
        }
    }
}

TEST(ReduceTo256Colours, PhotoLikeGradientStaysCloseToItsColours)
{
    // The picture's colours fill a curved sheet a little over 256 x 256 in
    // red and green; 255 cells tiling it are about 17 across, and a point's
    // mean distance to its cell's centre is about 0.38 of that, 6.5. The
    // grain adds about 4.5 in quadrature (7.9), and the boxes' edges fall on
    // the histogram's 8-level steps, so an adaptive palette lands near 9:
    // 10 is the bound. A fixed palette of the same size (6 x 7 x 6 levels)
    // is measured beside it: it spends most entries on colours the picture
    // does not have and must be at least twice as far off.
    constexpr std::int32_t kSide = 256;
    const Picture picture = test::MakePicture(kSide, kSide, 24, PhotoLike);
    const Reduced reduced = Reduce(picture);
    ASSERT_TRUE(reduced.ok);

    double adaptive = 0.0, fixed = 0.0;
    const auto level = [](int value, int levels) {
        const int step = 255 / (levels - 1);
        return static_cast<int>(std::lround(static_cast<double>(value) / step)) * step;
    };
    for (std::int32_t y = 0; y < kSide; ++y) {
        for (std::int32_t x = 0; x < kSide; ++x) {
            const std::uint32_t original = test::PixelAt(picture, x, y);
            adaptive += Distance(original, reduced.ColourAt(x, y, kSide));
            fixed += Distance(original, Rgb(level(static_cast<int>(original >> 16), 6),
                                            level(static_cast<int>((original >> 8) & 0xFF), 7),
                                            level(static_cast<int>(original & 0xFF), 6)));
        }
    }
    adaptive /= kSide * kSide;
    fixed /= kSide * kSide;
    EXPECT_LT(adaptive, 10.0) << "mean error: expected below 10, got " << adaptive;
    EXPECT_LT(adaptive, fixed / 2) << "adaptive " << adaptive << " against fixed " << fixed;
}

TEST(ReduceTo256Colours, EveryPixelGetsANearestEntry)
{
    const Picture picture = test::MakePicture(128, 96, 24, PhotoLike);
    const Reduced reduced = Reduce(picture);
    ASSERT_TRUE(reduced.ok);
    for (std::int32_t y = 0; y < 96; ++y) {
        for (std::int32_t x = 0; x < 128; ++x) {
            const std::uint32_t original = test::PixelAt(picture, x, y);
            double best = 1e9;
            for (std::uint32_t entry : reduced.palette)
                best = std::fmin(best, Distance(original, entry));
            ASSERT_EQ(Distance(original, reduced.ColourAt(x, y, 96)), best) << "(" << x << ", " << y << ")";
        }
    }
}

// The same pixels in another order give the same palette, and each colour
// the same entry wherever it stands: nothing learnt from earlier pixels
// (cached answers, sums) may colour later ones.
TEST(ReduceTo256Colours, PixelOrderDoesNotChangeTheResult)
{
    constexpr std::int32_t kWidth = 96, kHeight = 64;
    const auto shuffled = [](std::int32_t x, std::int32_t y) {
        const std::int32_t i = ((x + kWidth * y) * 4099 + 1237) % (kWidth * kHeight);  // 4099 is prime: a bijection
        return PhotoLike(i % kWidth, i / kWidth);
    };
    const Reduced in_order = Reduce(test::MakePicture(kWidth, kHeight, 24, PhotoLike));
    const Reduced out_of_order = Reduce(test::MakePicture(kWidth, kHeight, 24, shuffled));
    ASSERT_TRUE(in_order.ok && out_of_order.ok);
    EXPECT_EQ(in_order.palette, out_of_order.palette);
    std::map<std::uint32_t, std::uint8_t> entry_of_colour;
    for (std::int32_t y = 0; y < kHeight; ++y)
        for (std::int32_t x = 0; x < kWidth; ++x)
            entry_of_colour[PhotoLike(x, y)] = in_order.indexes[static_cast<std::size_t>((kHeight - 1 - y) * in_order.stride + x)];
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const std::uint8_t index = out_of_order.indexes[static_cast<std::size_t>((kHeight - 1 - y) * out_of_order.stride + x)];
            ASSERT_EQ(index, entry_of_colour[shuffled(x, y)]) << "(" << x << ", " << y << ")";
        }
    }
}

TEST(ReduceTo256Colours, DepthDoesNotChangeTheResultAndPaddingIsZero)
{
    const Reduced from24 = Reduce(test::MakePicture(37, 20, 24, PhotoLike));
    const Reduced from32 = Reduce(test::MakePicture(37, 20, 32, PhotoLike));
    ASSERT_TRUE(from24.ok && from32.ok);
    EXPECT_EQ(from24.palette, from32.palette);
    EXPECT_EQ(from24.indexes, from32.indexes);
    EXPECT_EQ(from24.stride, 40);
    for (std::int32_t row = 0; row < 20; ++row)
        for (std::int32_t x = 37; x < 40; ++x)
            EXPECT_EQ(from24.indexes[static_cast<std::size_t>(row * 40 + x)], 0) << "row " << row << ", byte " << x;
}

TEST(ReduceTo256Colours, RefusesWhatItCannotConvertAndWritesNothing)
{
    Picture truncated = test::MakePicture(10, 10, 24, PhotoLike);
    truncated.pixels.resize(truncated.pixels.size() - 1);
    Picture narrow_stride = test::MakePicture(10, 10, 24, PhotoLike);
    narrow_stride.stride = 28;
    Picture sixteen_bits = test::MakePicture(10, 10, 24, PhotoLike);
    sixteen_bits.bits_per_pixel = 16;
    const struct {
        const char* name;
        Picture picture;
        std::size_t index_bytes;
    } cases[] = {
        {"8 bits", test::MakePicture(10, 10, 8, PhotoLike), 120},
        {"16 bits", sixteen_bits, 120},
        {"empty", Picture{}, 120},
        {"buffer shorter than stride x height", truncated, 120},
        {"stride shorter than a row", narrow_stride, 120},
        {"index buffer too small", test::MakePicture(10, 10, 24, PhotoLike), 119},
    };
    for (const auto& c : cases) {
        Palette256 palette{};
        palette.fill(0x123456);
        std::vector<std::uint8_t> indexes(c.index_bytes, 0xAB);
        EXPECT_FALSE(ReduceTo256Colours(c.picture, palette, indexes)) << c.name;
        EXPECT_EQ(std::set<std::uint32_t>(palette.begin(), palette.end()), std::set<std::uint32_t>{0x123456u})
            << c.name;
        EXPECT_EQ(std::set<std::uint8_t>(indexes.begin(), indexes.end()), std::set<std::uint8_t>{0xAB}) << c.name;
    }
}

}  // namespace
}  // namespace nuvra
