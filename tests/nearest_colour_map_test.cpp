#include "images/nearest_colour_map.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <span>

namespace nuvra {
namespace {

using Palette = std::array<std::uint32_t, 256>;

std::uint32_t Rgb(int r, int g, int b)
{
    return static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

// The plain search the map must agree with: least squared distance, and
// the lowest index among equals.
int PlainNearest(const Palette& palette, int entries, int r, int g, int b)
{
    int best = 0;
    int best_distance = 1 << 30;
    for (int i = 0; i < entries; ++i) {
        const std::uint32_t c = palette[static_cast<std::size_t>(i)];
        const int dr = static_cast<int>(c >> 16 & 0xFF) - r, dg = static_cast<int>(c >> 8 & 0xFF) - g,
                  db = static_cast<int>(c & 0xFF) - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance) {
            best_distance = distance;
            best = i;
        }
    }
    return best;
}

std::uint32_t Lcg(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

struct PaletteCase {
    const char* name;
    int entries;
    std::function<std::uint32_t(int index)> colour;
    int step;  // the colours tried: every step-th level of each channel, from 0 and from the far end
};

TEST(NearestColourMap, AgreesWithAPlainSearchOverThePalette)
{
    const PaletteCase cases[] = {
        {"256 entries anywhere", 256,
         [](int i) {
             std::uint32_t state = static_cast<std::uint32_t>(i) * 7919u + 1;
             return Lcg(state) & 0xFFFFFF;
         },
         5},
        {"black and 16 others", 17,
         [](int i) {
             std::uint32_t state = static_cast<std::uint32_t>(i) * 104729u + 5;
             return i == 0 ? 0u : Lcg(state) & 0xFFFFFF;
         },
         3},
        // Tied at (7, 7, 7), the corner where the cell of colours 0 to 7 is
        // farthest from the second entry and nearest to the first: the
        // first must stay among the cell's candidates.
        {"a tie at a cell's corner", 2, [](int i) { return i == 0 ? Rgb(14, 14, 14) : 0u; }, 1},
        {"a single entry", 1, [](int) { return Rgb(200, 17, 90); }, 5},
        // Crowded into a corner: colours far away have many entries almost
        // as near as the nearest, and cells near them dozens of candidates.
        {"crowded into one corner", 256,
         [](int i) { return Rgb(240 + i % 16, 240 + (i / 16) % 16, 230 + (i * 7) % 26); }, 5},
        // 64 colours, each four times under scattered indexes, ten levels
        // apart: colours halfway between are tied, and the lowest index of
        // the tied ones must win, as it does for the repeated entries.
        {"ties everywhere", 256,
         [](int i) {
             const int colour = (i * 37) % 64;
             return Rgb(40 + 10 * (colour % 4), 100 + 10 * ((colour / 4) % 4), 7 + 10 * (colour / 16));
         },
         5},
    };
    for (const PaletteCase& c : cases) {
        Palette palette{};
        for (int i = 0; i < c.entries; ++i)
            palette[static_cast<std::size_t>(i)] = c.colour(i);
        NearestColourMap map(palette, c.entries);
        int wrong = 0;
        for (int r = 0; r < 256; r += c.step) {
            for (int g = 0; g < 256; g += c.step) {
                for (int b = 0; b < 256; b += c.step) {
                    // From both ends, so every position in a block is tried.
                    const std::array<std::array<int, 3>, 2> colours{{{r, g, b}, {255 - r, 255 - g, 255 - b}}};
                    for (const auto& [x, y, z] : std::span(colours).first(c.step == 1 ? 1 : 2)) {
                        const int expected = PlainNearest(palette, c.entries, x, y, z);
                        const int got = map.Find(x, y, z);
                        if (got != expected && ++wrong <= 5)
                            ADD_FAILURE() << c.name << ": (" << x << ", " << y << ", " << z << ") expected entry "
                                          << expected << ", got " << got;
                    }
                }
            }
        }
        EXPECT_EQ(wrong, 0) << c.name;
    }
}

TEST(NearestColourMap, TheAnswerDoesNotDependOnWhatWasAskedBefore)
{
    Palette palette{};
    std::uint32_t state = 99;
    for (auto& entry : palette)
        entry = Lcg(state) & 0xFFFFFF;
    // One map asked in rising order, one in falling order: every answer
    // the same.
    NearestColourMap rising(palette, 256), falling(palette, 256);
    std::array<std::uint8_t, 4096> first{};
    for (int i = 0; i < 4096; ++i)
        first[static_cast<std::size_t>(i)] = rising.Find(i >> 4, (i * 5) & 0xFF, (i * 11) & 0xFF);
    for (int i = 4095; i >= 0; --i)
        ASSERT_EQ(falling.Find(i >> 4, (i * 5) & 0xFF, (i * 11) & 0xFF), first[static_cast<std::size_t>(i)]) << i;
}

}  // namespace
}  // namespace nuvra
