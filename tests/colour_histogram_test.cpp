#include "images/colour_histogram.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/fake_pictures.h"

namespace nuvra {
namespace {

// The sums added up the plain way, pixel by pixel in 64 bits.
std::vector<CellSums> PlainSums(const platform::Picture& picture)
{
    std::vector<CellSums> sums(kHistogramCells);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const std::uint32_t colour = test::PixelAt(picture, x, y);
            const int r = static_cast<int>(colour >> 16), g = static_cast<int>(colour >> 8 & 0xFF),
                      b = static_cast<int>(colour & 0xFF);
            CellSums& cell = sums[static_cast<std::size_t>(HistogramCell(r, g, b))];
            cell.weight += 1;
            cell.red += r;
            cell.green += g;
            cell.blue += b;
            cell.squares += r * r + g * g + b * b;
        }
    }
    return sums;
}

TEST(ColourHistogram, MatchesThePlainSumsWhateverTheSize)
{
    // The large cases put more pixels with the highest low bits into one
    // cell than a narrow running sum could hold; odd widths leave a pixel
    // over at the end of each row.
    const struct {
        const char* name;
        std::int32_t width, height;
        std::uint16_t bits;
        std::uint32_t (*colour)(std::int32_t x, std::int32_t y);
    } cases[] = {
        {"one pixel", 1, 1, 24, [](std::int32_t, std::int32_t) { return 0xFFFFFFu; }},
        {"odd width, 32 bits", 37, 11, 32,
         [](std::int32_t x, std::int32_t y) { return static_cast<std::uint32_t>(x * 0x070503 + y * 0x0B0D11) & 0xFFFFFF; }},
        {"white, more pixels than a run holds", 1001, 701, 24, [](std::int32_t, std::int32_t) { return 0xFFFFFFu; }},
        {"two cells, each low bits 7, 32 bits", 1025, 300, 32,
         [](std::int32_t x, std::int32_t y) { return (x + y) % 2 == 0 ? 0x0F0F0Fu : 0xF7F7F7u; }},
        {"a wide row of grain", 300000, 2, 24,
         [](std::int32_t x, std::int32_t y) { return static_cast<std::uint32_t>(x * 2654435761u + static_cast<std::uint32_t>(y)) >> 8 | 0x070707u; }},
    };
    for (const auto& c : cases) {
        const platform::Picture picture = test::MakePicture(c.width, c.height, c.bits, c.colour);
        const std::vector<CellSums> expected = PlainSums(picture);
        const std::vector<CellSums> got = ColourHistogram(picture);
        ASSERT_EQ(got.size(), expected.size()) << c.name;
        int wrong = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const CellSums& e = expected[i];
            const CellSums& g = got[i];
            if ((e.weight != g.weight || e.red != g.red || e.green != g.green || e.blue != g.blue ||
                 e.squares != g.squares) &&
                ++wrong <= 3)
                ADD_FAILURE() << c.name << ", cell " << i << ": expected " << e.weight << " pixels, sums " << e.red
                              << " " << e.green << " " << e.blue << " " << e.squares << "; got " << g.weight << ", "
                              << g.red << " " << g.green << " " << g.blue << " " << g.squares;
        }
        EXPECT_EQ(wrong, 0) << c.name;
    }
}

}  // namespace
}  // namespace nuvra
