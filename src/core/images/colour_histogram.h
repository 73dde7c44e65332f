// The colour reduction's histogram: for each cell of 8 x 8 x 8 colours (the
// top five bits of each channel), how many pixels fall in it and the sums
// of their channels and of their squared lengths, the moments the palette's
// cuts are made from. Whole numbers throughout, so the order of the pixels
// cannot change a palette. Used by ReduceTo256Colours only.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/picture.h"

namespace nuvra {

struct CellSums {
    std::int64_t weight = 0, red = 0, green = 0, blue = 0, squares = 0;
};

constexpr int kHistogramCells = 32 * 32 * 32;

constexpr int HistogramCell(int r, int g, int b)
{
    return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
}

// picture: 24 or 32 bits, its buffer at least stride x height (the caller
// checks). kHistogramCells entries, indexed by HistogramCell.
std::vector<CellSums> ColourHistogram(const platform::Picture& picture);

}  // namespace nuvra
