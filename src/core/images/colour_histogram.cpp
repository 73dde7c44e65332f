#include "images/colour_histogram.h"

#include <algorithm>
#include <array>

namespace nuvra {

namespace {

// A pixel's contribution to its cell in two words, so that it takes two
// additions instead of five: the low three bits of each channel summed in
// 21-bit fields, and the count under the sum of those bits' squares. The
// cell's own top bits are the same for all its pixels, so the true sums
// follow from these and the count. The fields hold 2^18 pixels at least;
// the words are emptied into the 64-bit sums before they could overflow.
constexpr std::int64_t kChunkPixels = std::int64_t{1} << 18;  // 7 x 2^18 < 2^21, 147 x 2^18 < 2^40
constexpr int kFieldBits = 21;
constexpr int kCountBits = 24;

struct Packed {
    std::uint64_t low_bits = 0;
    std::uint64_t count_and_squares = 0;
};

struct Deltas {
    std::array<std::uint64_t, 512> low_bits{};
    std::array<std::uint64_t, 512> count_and_squares{};
};

constexpr Deltas MakeDeltas()
{
    Deltas deltas;
    for (std::uint64_t r = 0; r < 8; ++r) {
        for (std::uint64_t g = 0; g < 8; ++g) {
            for (std::uint64_t b = 0; b < 8; ++b) {
                const std::size_t i = r << 6 | g << 3 | b;
                deltas.low_bits[i] = r | g << kFieldBits | b << (2 * kFieldBits);
                deltas.count_and_squares[i] = 1 | (r * r + g * g + b * b) << kCountBits;
            }
        }
    }
    return deltas;
}

constexpr Deltas kDeltas = MakeDeltas();

void AddPixel(Packed* cells, const std::uint8_t* bgr)
{
    const int b = bgr[0], g = bgr[1], r = bgr[2];
    const auto low = static_cast<std::size_t>((r & 7) << 6 | (g & 7) << 3 | (b & 7));
    Packed& cell = cells[HistogramCell(r, g, b)];
    cell.low_bits += kDeltas.low_bits[low];
    cell.count_and_squares += kDeltas.count_and_squares[low];
}

void Empty(std::vector<Packed>& packed, std::vector<CellSums>& sums)
{
    const std::uint64_t field = (std::uint64_t{1} << kFieldBits) - 1;
    const std::uint64_t count_field = (std::uint64_t{1} << kCountBits) - 1;
    for (std::size_t i = 0; i < packed.size(); ++i) {
        Packed& cell = packed[i];
        if (cell.count_and_squares == 0)
            continue;
        const auto weight = static_cast<std::int64_t>(cell.count_and_squares & count_field);
        const auto low_squares = static_cast<std::int64_t>(cell.count_and_squares >> kCountBits);
        const auto low_r = static_cast<std::int64_t>(cell.low_bits & field);
        const auto low_g = static_cast<std::int64_t>((cell.low_bits >> kFieldBits) & field);
        const auto low_b = static_cast<std::int64_t>(cell.low_bits >> (2 * kFieldBits));
        const auto c = static_cast<int>(i % kHistogramCells);
        const std::int64_t top_r = (c >> 10) << 3, top_g = ((c >> 5) & 31) << 3, top_b = (c & 31) << 3;
        CellSums& sum = sums[static_cast<std::size_t>(c)];
        sum.weight += weight;
        sum.red += top_r * weight + low_r;
        sum.green += top_g * weight + low_g;
        sum.blue += top_b * weight + low_b;
        // (top + low)^2 = top^2 + 2 top low + low^2, summed over the cell.
        sum.squares += (top_r * top_r + top_g * top_g + top_b * top_b) * weight +
                       2 * (top_r * low_r + top_g * low_g + top_b * low_b) + low_squares;
        cell = {};
    }
}

template <int kBytes>
void AddPixels(const platform::Picture& picture, std::vector<CellSums>& sums)
{
    // Neighbours, often in one cell, add into two tables in turn, so that
    // one's additions need not wait for the other's to be stored.
    std::vector<Packed> packed(2 * kHistogramCells);
    Packed* even = packed.data();
    Packed* odd = packed.data() + kHistogramCells;
    std::int64_t room = kChunkPixels;
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = picture.pixels.data() + static_cast<std::int64_t>(y) * picture.stride;
        std::int32_t x = 0;
        while (x < picture.width) {
            if (room < 2) {
                Empty(packed, sums);
                room = kChunkPixels;
            }
            const std::int32_t end = static_cast<std::int32_t>(std::min<std::int64_t>(picture.width, x + room));
            room -= end - x;
            for (; x + 1 < end; x += 2, p += 2 * kBytes) {
                AddPixel(even, p);
                AddPixel(odd, p + kBytes);
            }
            if (x < end) {
                AddPixel(even, p);
                ++x;
                p += kBytes;
            }
        }
    }
    Empty(packed, sums);
}

}  // namespace

std::vector<CellSums> ColourHistogram(const platform::Picture& picture)
{
    std::vector<CellSums> sums(kHistogramCells);
    if (picture.bits_per_pixel == 32)
        AddPixels<4>(picture, sums);
    else
        AddPixels<3>(picture, sums);
    return sums;
}

}  // namespace nuvra
