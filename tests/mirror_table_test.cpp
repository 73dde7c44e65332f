#include "display/mirror_table.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "support/fake_pictures.h"

namespace nuvra {
namespace {

using Point = std::pair<int, int>;

NuvraS FormWithView(std::int32_t side)
{
    NuvraS form;
    if (side > 0)
        form.Img_View = test::MakePicture(side, side, 8, [](std::int32_t, std::int32_t) { return 0u; });
    BuildMirrorTable(form);
    return form;
}

std::vector<Point> PrimaryPoints(const NuvraS& form)
{
    std::vector<Point> points;
    for (std::size_t n = 0; n < form.PointX[0].size(); ++n)
        points.emplace_back(form.PointX[0][n], form.PointY[0][n]);
    return points;
}

// The point test in its literal form: the disc by integer squares, the
// octant by the arctangent against the slightly large 2 pi / 8.
std::vector<Point> PointsByTheLiteralRule(std::int32_t s)
{
    const std::int32_t h = s / 2;
    std::vector<Point> points;
    for (std::int32_t i = h; i < s; ++i) {
        for (std::int32_t j = h; j < s; ++j) {
            const std::int32_t p = i - h + 1, q = j - h + 1;
            if (p * p + q * q < h * h && std::fabs(std::atan(static_cast<double>(q) / p)) < 6.28318530717959 / 8)
                points.emplace_back(i, j);
        }
    }
    return points;
}

TEST(BuildMirrorTable, SideEightGivesTheFivePointsInScanOrder)
{
    const NuvraS form = FormWithView(8);
    const std::vector<Point> expected = {{4, 4}, {5, 4}, {5, 5}, {6, 4}, {6, 5}};
    EXPECT_EQ(form.ViewSize, 8);
    EXPECT_EQ(form.ViewHalf, 4);
    EXPECT_EQ(form.LastPoint, 4);
    EXPECT_EQ(PrimaryPoints(form), expected);
}

TEST(BuildMirrorTable, EightImagesComeInTheirFixedOrder)
{
    const NuvraS form = FormWithView(8);
    // Point 3 is (6, 4); S - 1 = 7.
    const int expected_x[8] = {6, 6, 1, 1, 4, 4, 3, 3};
    const int expected_y[8] = {4, 3, 4, 3, 6, 1, 6, 1};
    for (std::size_t k = 0; k < 8; ++k) {
        EXPECT_EQ(form.PointX[k][3], expected_x[k]) << "image k = " << k;
        EXPECT_EQ(form.PointY[k][3], expected_y[k]) << "image k = " << k;
    }
}

TEST(BuildMirrorTable, PointCountsForSmallSides)
{
    const struct {
        std::int32_t side;
        std::int32_t points;
    } cases[] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 1}, {5, 1}, {6, 3}, {7, 3}, {8, 5}, {9, 5}, {10, 8}};
    for (const auto& c : cases) {
        const NuvraS form = FormWithView(c.side);
        EXPECT_EQ(form.LastPoint, c.points - 1) << "S = " << c.side;
        for (std::size_t k = 0; k < 8; ++k)
            EXPECT_EQ(form.PointX[k].size(), static_cast<std::size_t>(c.points)) << "S = " << c.side << ", k = " << k;
    }
}

TEST(BuildMirrorTable, MatchesTheArctangentRuleForEverySideUpTo160AndSomeLargeOnes)
{
    std::vector<std::int32_t> sides;
    for (std::int32_t s = 1; s <= 160; ++s)
        sides.push_back(s);
    sides.insert(sides.end(), {599, 600, 768, 1081});
    for (std::int32_t s : sides) {
        const NuvraS form = FormWithView(s);
        ASSERT_EQ(PrimaryPoints(form), PointsByTheLiteralRule(s)) << "S = " << s;
    }
}

TEST(BuildMirrorTable, ImagesOfDifferentPointsNeverShareAPixelAndStayInTheSquare)
{
    // The fast frame step relies on this: every pixel of the disc belongs to
    // exactly one point, so the order of the writes cannot matter.
    for (std::int32_t s : {8, 9, 64, 65, 200, 201}) {
        const NuvraS form = FormWithView(s);
        std::set<Point> owned;
        for (std::size_t n = 0; n < form.PointX[0].size(); ++n) {
            std::set<Point> images;
            for (std::size_t k = 0; k < 8; ++k) {
                const int x = form.PointX[k][n], y = form.PointY[k][n];
                ASSERT_TRUE(x >= 0 && x < s && y >= 0 && y < s) << "S = " << s << ": (" << x << ", " << y << ")";
                images.insert({x, y});
            }
            for (const Point& pixel : images)
                ASSERT_TRUE(owned.insert(pixel).second)
                    << "S = " << s << ": pixel (" << pixel.first << ", " << pixel.second << ") written by two points";
        }
    }
}

TEST(BuildMirrorTable, ReplacesTheTableOfThePreviousPicture)
{
    NuvraS form = FormWithView(10);
    form.Img_View = test::MakePicture(8, 8, 8, [](std::int32_t, std::int32_t) { return 0u; });
    BuildMirrorTable(form);
    EXPECT_EQ(form.LastPoint, 4);
    EXPECT_EQ(form.PointY[7].size(), 5u);

    form.Img_View = {};
    BuildMirrorTable(form);
    EXPECT_EQ(form.ViewSize, 0);
    EXPECT_EQ(form.LastPoint, -1);
    EXPECT_TRUE(form.PointX[0].empty());
}

TEST(FillTrigTables, KeepsTheValuesOfTheSlightlyLargeTwoPi)
{
    NuvraS form;
    FillTrigTables(form);
    EXPECT_EQ(form.SinTable[30], 0.5f) << "got " << form.SinTable[30];
    EXPECT_EQ(form.CosTable[0], 1.0f);
    EXPECT_EQ(form.SinTable[0], 0.0f);
    // The constant is a little more than 2 pi, so sin(180) lands just below
    // zero instead of on it.
    EXPECT_LT(form.SinTable[180], 0.0f);
    EXPECT_GT(form.SinTable[180], -1e-14f);
}

// Every entry's bits, cosines then sines, through 64-bit FNV-1a.
std::uint64_t TableFingerprint(const NuvraS& form)
{
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const auto* table : {&form.CosTable, &form.SinTable}) {
        for (const float value : *table) {
            const auto bits = std::bit_cast<std::uint32_t>(value);
            for (int shift = 0; shift < 32; shift += 8) {
                hash ^= (bits >> shift) & 0xFFu;
                hash *= 0x100000001b3u;
            }
        }
    }
    return hash;
}

// The frames depend on every bit of the tables, so each platform and
// compiler must hold the very bits the Linux build always computed.
TEST(FillTrigTables, AreTheSameBitsOnEveryPlatform)
{
    NuvraS form;
    FillTrigTables(form);
    EXPECT_EQ(TableFingerprint(form), 0x899918280ddaf3e4u) << std::hex << "got 0x" << TableFingerprint(form);
}

// The stored tables are what std::cos and std::sin of glibc give, as the
// frames were always drawn; other C libraries differ in the last bits.
TEST(FillTrigTables, AreGlibcsCosineAndSineOfTheSlightlyLargeTwoPi)
{
#if defined(__GLIBC__)
    NuvraS form;
    FillTrigTables(form);
    for (int a = 0; a < 360; ++a) {
        // volatile: computed by the C library at run time, as the tables
        // were, not folded by the compiler.
        volatile double radians = a * kTwoPi / 360;
        const auto cosine = static_cast<float>(std::cos(radians));
        const auto sine = static_cast<float>(std::sin(radians));
        const auto i = static_cast<std::size_t>(a);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(form.CosTable[i]), std::bit_cast<std::uint32_t>(cosine))
            << "cos(" << a << "): expected " << std::hexfloat << cosine << ", got " << form.CosTable[i];
        EXPECT_EQ(std::bit_cast<std::uint32_t>(form.SinTable[i]), std::bit_cast<std::uint32_t>(sine))
            << "sin(" << a << "): expected " << std::hexfloat << sine << ", got " << form.SinTable[i];
    }
#else
    GTEST_SKIP() << "the tables come from glibc's cos and sin; this C library's differ in the last bits";
#endif
}

}  // namespace
}  // namespace nuvra
