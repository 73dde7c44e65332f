#include "dialog/pointers.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nuvra::dialog {

namespace {

constexpr std::int32_t kSide = 32;
using PointerArt = std::array<std::string_view, kSide>;

// '.' transparent, '#' black, 'o' white.
constexpr bool WellFormed(const PointerArt& art)
{
    for (std::string_view row : art) {
        if (row.size() != kSide)
            return false;
        for (char c : row) {
            if (c != '.' && c != '#' && c != 'o')
                return false;
        }
    }
    return true;
}

constexpr PointerArt kControlArt{
    "...........####.................",
    "..........#oooo#................",
    "..........#oooo#................",
    "..........#oooo#................",
    "..........#oooo#................",
    "..........#oooo#................",
    "..........#oooo#................",
    "..........#oooo#................",
    "..........#oooo#................",
    "..........#oooo####.............",
    "..........#oooo#ooo####.........",
    "..........#oooo#ooo#ooo###......",
    ".....##...#oooo#ooo#ooo#oo#.....",
    "....#oo#..#oooo#ooo#ooo#oo#.....",
    "....#ooo#.#oooo#ooo#ooo#oo#.....",
    "....#oooo#oooooooooooooooo#.....",
    ".....#oooooooooooooooooooo#.....",
    ".....#oooooooooooooooooooo#.....",
    "......#ooooooooooooooooooo#.....",
    ".......#oooooooooooooooooo#.....",
    ".......#ooooooooooooooooo#......",
    "........#oooooooooooooooo#......",
    "........#ooooooooooooooo#.......",
    "........#################.......",
    "........#ooooooooooooooo#.......",
    "........#ooooooooooooooo#.......",
    "........#################.......",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};

// The same hand with a shorter finger, so that the globe fits above it.
constexpr PointerArt kLinkArt{
    "......................#####.....",
    "....................##oo#oo##...",
    "....................#oo#o#oo#...",
    "...................#oo#ooo#oo#..",
    "...................#oo#ooo#oo#..",
    "...................###########..",
    "...................#oo#ooo#oo#..",
    "...................#oo#ooo#oo#..",
    "....................#oo#o#oo#...",
    "...........####.....##oo#oo##...",
    "..........#oooo#......#####.....",
    "..........#oooo#................",
    "..........#oooo#................",
    "..........#oooo#................",
    "..........#oooo#................",
    "..........#oooo####.............",
    "..........#oooo#ooo####.........",
    "..........#oooo#ooo#ooo###......",
    ".....##...#oooo#ooo#ooo#oo#.....",
    "....#oo#..#oooo#ooo#ooo#oo#.....",
    "....#ooo#.#oooo#ooo#ooo#oo#.....",
    "....#oooo#oooooooooooooooo#.....",
    ".....#oooooooooooooooooooo#.....",
    "......#ooooooooooooooooooo#.....",
    ".......#oooooooooooooooooo#.....",
    ".......#ooooooooooooooooo#......",
    "........#oooooooooooooooo#......",
    "........#ooooooooooooooo#.......",
    "........#################.......",
    "........#ooooooooooooooo#.......",
    "........#ooooooooooooooo#.......",
    "........#################.......",
};

static_assert(WellFormed(kControlArt) && WellFormed(kLinkArt), "pointer art rows are 32 of '.', '#' and 'o'");

platform::PointerImage FromArt(const PointerArt& art, platform::Point hot_spot)
{
    platform::PointerImage image;
    image.width = kSide;
    image.height = kSide;
    image.hot_spot = hot_spot;
    image.pixels.reserve(static_cast<std::size_t>(kSide) * kSide);
    for (std::string_view row : art) {
        for (char c : row)
            image.pixels.push_back(c == '#' ? 0xff000000u : c == 'o' ? 0xffffffffu : 0u);
    }
    return image;
}

}  // namespace

const platform::PointerImage& ControlPointer()
{
    static const platform::PointerImage image = FromArt(kControlArt, {12, 1});
    return image;
}

const platform::PointerImage& LinkPointer()
{
    static const platform::PointerImage image = FromArt(kLinkArt, {12, 10});
    return image;
}

}  // namespace nuvra::dialog
