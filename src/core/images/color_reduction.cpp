#include "images/color_reduction.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "images/colour_histogram.h"
#include "images/nearest_colour_map.h"

namespace nuvra {

namespace {

// The histogram has 32 levels per channel (the top five bits), with a zero
// plane in front of each axis so that the cumulative moments need no edge
// cases: index 0 of every axis is empty.
constexpr int kLevels = 33;
constexpr int kCells = kLevels * kLevels * kLevels;
constexpr int kCutColours = 255;  // entries 1..255; entry 0 is the reserved black

constexpr int Cell(int r, int g, int b)
{
    return (r * kLevels + g) * kLevels + b;
}

struct Moments {
    std::vector<std::int64_t> weight = std::vector<std::int64_t>(kCells);
    std::vector<std::int64_t> red = std::vector<std::int64_t>(kCells);
    std::vector<std::int64_t> green = std::vector<std::int64_t>(kCells);
    std::vector<std::int64_t> blue = std::vector<std::int64_t>(kCells);
    std::vector<std::int64_t> squares = std::vector<std::int64_t>(kCells);
};

// A box of histogram cells: lower bounds exclusive, upper bounds inclusive.
struct Box {
    int r0 = 0, r1 = 0, g0 = 0, g1 = 0, b0 = 0, b1 = 0;
    int volume = 0;
};

enum class Axis { Red, Green, Blue };

template <typename Values>
auto Volume(const Box& box, const Values& m)
{
    return m[Cell(box.r1, box.g1, box.b1)] - m[Cell(box.r1, box.g1, box.b0)] - m[Cell(box.r1, box.g0, box.b1)] +
           m[Cell(box.r1, box.g0, box.b0)] - m[Cell(box.r0, box.g1, box.b1)] + m[Cell(box.r0, box.g1, box.b0)] +
           m[Cell(box.r0, box.g0, box.b1)] - m[Cell(box.r0, box.g0, box.b0)];
}

// The part of Volume that does not depend on the cut position along axis.
std::int64_t Bottom(const Box& box, Axis axis, const std::vector<std::int64_t>& m)
{
    switch (axis) {
    case Axis::Red:
        return -m[Cell(box.r0, box.g1, box.b1)] + m[Cell(box.r0, box.g1, box.b0)] +
               m[Cell(box.r0, box.g0, box.b1)] - m[Cell(box.r0, box.g0, box.b0)];
    case Axis::Green:
        return -m[Cell(box.r1, box.g0, box.b1)] + m[Cell(box.r1, box.g0, box.b0)] +
               m[Cell(box.r0, box.g0, box.b1)] - m[Cell(box.r0, box.g0, box.b0)];
    case Axis::Blue:
        break;
    }
    return -m[Cell(box.r1, box.g1, box.b0)] + m[Cell(box.r1, box.g0, box.b0)] + m[Cell(box.r0, box.g1, box.b0)] -
           m[Cell(box.r0, box.g0, box.b0)];
}

// The rest of Volume for a cut at position along axis.
std::int64_t Top(const Box& box, Axis axis, int position, const std::vector<std::int64_t>& m)
{
    switch (axis) {
    case Axis::Red:
        return m[Cell(position, box.g1, box.b1)] - m[Cell(position, box.g1, box.b0)] -
               m[Cell(position, box.g0, box.b1)] + m[Cell(position, box.g0, box.b0)];
    case Axis::Green:
        return m[Cell(box.r1, position, box.b1)] - m[Cell(box.r1, position, box.b0)] -
               m[Cell(box.r0, position, box.b1)] + m[Cell(box.r0, position, box.b0)];
    case Axis::Blue:
        break;
    }
    return m[Cell(box.r1, box.g1, position)] - m[Cell(box.r1, box.g0, position)] -
           m[Cell(box.r0, box.g1, position)] + m[Cell(box.r0, box.g0, position)];
}

struct Sums {
    std::int64_t r = 0, g = 0, b = 0, w = 0;
};

Sums BoxSums(const Box& box, const Moments& m)
{
    return {Volume(box, m.red), Volume(box, m.green), Volume(box, m.blue), Volume(box, m.weight)};
}

double SquaredLength(const Sums& s)
{
    const auto r = static_cast<double>(s.r), g = static_cast<double>(s.g), b = static_cast<double>(s.b);
    return r * r + g * g + b * b;
}

// The box's sum of squared distances to its mean colour.
double Variance(const Box& box, const Moments& m)
{
    const Sums s = BoxSums(box, m);
    if (s.w == 0)
        return 0.0;
    return static_cast<double>(Volume(box, m.squares)) - SquaredLength(s) / static_cast<double>(s.w);
}

struct CutChoice {
    double score = 0.0;
    int position = -1;
};

// The cut along axis that leaves the two halves with the least total
// variance (the largest sum of squared means), never one that empties a side.
CutChoice Maximize(const Box& box, Axis axis, int first, int last, const Sums& whole, const Moments& m)
{
    const Sums base{Bottom(box, axis, m.red), Bottom(box, axis, m.green), Bottom(box, axis, m.blue),
                    Bottom(box, axis, m.weight)};
    CutChoice best;
    for (int i = first; i < last; ++i) {
        Sums half{base.r + Top(box, axis, i, m.red), base.g + Top(box, axis, i, m.green),
                  base.b + Top(box, axis, i, m.blue), base.w + Top(box, axis, i, m.weight)};
        if (half.w == 0)
            continue;
        const Sums other{whole.r - half.r, whole.g - half.g, whole.b - half.b, whole.w - half.w};
        if (other.w == 0)
            continue;
        const double score = SquaredLength(half) / static_cast<double>(half.w) +
                             SquaredLength(other) / static_cast<double>(other.w);
        if (score > best.score) {
            best.score = score;
            best.position = i;
        }
    }
    return best;
}

int Extent(int low, int high)
{
    return high - low;
}

bool CutBox(Box& first, Box& second, const Moments& m)
{
    const Sums whole = BoxSums(first, m);
    const CutChoice red = Maximize(first, Axis::Red, first.r0 + 1, first.r1, whole, m);
    const CutChoice green = Maximize(first, Axis::Green, first.g0 + 1, first.g1, whole, m);
    const CutChoice blue = Maximize(first, Axis::Blue, first.b0 + 1, first.b1, whole, m);

    second = first;
    if (red.score >= green.score && red.score >= blue.score) {
        if (red.position < 0)
            return false;
        first.r1 = second.r0 = red.position;
    } else if (green.score >= blue.score) {
        if (green.position < 0)
            return false;
        first.g1 = second.g0 = green.position;
    } else {
        if (blue.position < 0)
            return false;
        first.b1 = second.b0 = blue.position;
    }
    for (Box* box : {&first, &second})
        box->volume = Extent(box->r0, box->r1) * Extent(box->g0, box->g1) * Extent(box->b0, box->b1);
    return true;
}

bool IsConvertible(const platform::Picture& picture)
{
    if (picture.empty() || (picture.bits_per_pixel != 24 && picture.bits_per_pixel != 32))
        return false;
    const std::int64_t row_bytes = static_cast<std::int64_t>(picture.width) * (picture.bits_per_pixel / 8);
    if (picture.stride < row_bytes)
        return false;
    return static_cast<std::int64_t>(picture.stride) * picture.height <=
           static_cast<std::int64_t>(picture.pixels.size());
}

const std::uint8_t* Row(const platform::Picture& picture, std::int32_t y)
{
    return picture.pixels.data() + static_cast<std::int64_t>(y) * picture.stride;
}

// Turns the per-cell moments into moments of the box from the origin to
// each cell, so that any box's moments take eight look-ups.
void Accumulate(Moments& m)
{
    for (int r = 1; r < kLevels; ++r) {
        std::array<std::int64_t, kLevels> area_w{}, area_r{}, area_g{}, area_b{};
        std::array<std::int64_t, kLevels> area_s{};
        for (int g = 1; g < kLevels; ++g) {
            std::int64_t line_w = 0, line_r = 0, line_g = 0, line_b = 0;
            std::int64_t line_s = 0;
            for (int b = 1; b < kLevels; ++b) {
                const auto here = static_cast<std::size_t>(Cell(r, g, b));
                const auto below = static_cast<std::size_t>(Cell(r - 1, g, b));
                const auto i = static_cast<std::size_t>(b);
                line_w += m.weight[here];
                line_r += m.red[here];
                line_g += m.green[here];
                line_b += m.blue[here];
                line_s += m.squares[here];
                area_w[i] += line_w;
                area_r[i] += line_r;
                area_g[i] += line_g;
                area_b[i] += line_b;
                area_s[i] += line_s;
                m.weight[here] = m.weight[below] + area_w[i];
                m.red[here] = m.red[below] + area_r[i];
                m.green[here] = m.green[below] + area_g[i];
                m.blue[here] = m.blue[below] + area_b[i];
                m.squares[here] = m.squares[below] + area_s[i];
            }
        }
    }
}

std::uint8_t MeanChannel(std::int64_t sum, std::int64_t weight)
{
    return static_cast<std::uint8_t>((sum + weight / 2) / weight);
}

// Wu's cuts. Returns how many entries after the reserved black were filled.
int CutPalette(const std::vector<CellSums>& cells, Palette256& palette)
{
    Moments m;
    for (int c = 0; c < kHistogramCells; ++c) {
        const CellSums& sums = cells[static_cast<std::size_t>(c)];
        const auto i = static_cast<std::size_t>(Cell((c >> 10) + 1, ((c >> 5) & 31) + 1, (c & 31) + 1));
        m.weight[i] = sums.weight;
        m.red[i] = sums.red;
        m.green[i] = sums.green;
        m.blue[i] = sums.blue;
        m.squares[i] = sums.squares;
    }
    Accumulate(m);

    std::vector<Box> boxes(kCutColours);
    std::vector<double> variance(kCutColours, 0.0);
    boxes[0] = {0, kLevels - 1, 0, kLevels - 1, 0, kLevels - 1, (kLevels - 1) * (kLevels - 1) * (kLevels - 1)};
    int count = 1;
    int next = 0;
    while (count < kCutColours) {
        if (CutBox(boxes[static_cast<std::size_t>(next)], boxes[static_cast<std::size_t>(count)], m)) {
            for (int i : {next, count}) {
                const Box& box = boxes[static_cast<std::size_t>(i)];
                variance[static_cast<std::size_t>(i)] = box.volume > 1 ? Variance(box, m) : 0.0;
            }
            ++count;
        } else {
            variance[static_cast<std::size_t>(next)] = 0.0;  // cannot be cut: never pick it again
        }
        next = 0;
        double largest = variance[0];
        for (int i = 1; i < count; ++i) {
            if (variance[static_cast<std::size_t>(i)] > largest) {
                largest = variance[static_cast<std::size_t>(i)];
                next = i;
            }
        }
        if (largest <= 0.0)
            break;
    }

    palette.fill(0);
    int filled = 0;
    for (int i = 0; i < count; ++i) {
        const Sums s = BoxSums(boxes[static_cast<std::size_t>(i)], m);
        if (s.w == 0)
            continue;  // cuts never empty a side, so only a picture without pixels has one
        palette[static_cast<std::size_t>(1 + filled)] = static_cast<std::uint32_t>(MeanChannel(s.r, s.w)) << 16 |
                                                        static_cast<std::uint32_t>(MeanChannel(s.g, s.w)) << 8 |
                                                        MeanChannel(s.b, s.w);
        ++filled;
    }
    return filled;
}

// A picture of at most 255 colours besides black (a drawing, most GIFs)
// gets exactly its own colours, which cuts on the histogram's coarse cells
// cannot promise. Returns how many entries it filled, or -1 for a picture
// with more colours; a photograph fills more than 256 cells, so it is told
// apart without another pass over its pixels.
int CollectFewColours(const platform::Picture& picture, const std::vector<CellSums>& cells, Palette256& palette)
{
    const auto filled_cells = std::count_if(cells.begin(), cells.end(), [](const CellSums& c) { return c.weight > 0; });
    if (filled_cells > kCutColours + 1)
        return -1;
    // An open-addressed set, never more than a quarter full.
    constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    std::array<std::uint32_t, 1024> seen{};
    seen.fill(kEmpty);
    std::vector<std::uint32_t> colours;
    const int step = picture.bits_per_pixel / 8;
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = Row(picture, y);
        for (std::int32_t x = 0; x < picture.width; ++x, p += step) {
            const std::uint32_t colour = static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
            if (colour == 0)
                continue;  // black is entry 0 already
            std::size_t slot = (colour * 2654435761u) >> 22;
            while (seen[slot] != kEmpty && seen[slot] != colour)
                slot = (slot + 1) % seen.size();
            if (seen[slot] == colour)
                continue;
            if (static_cast<int>(colours.size()) == kCutColours)
                return -1;
            seen[slot] = colour;
            colours.push_back(colour);
        }
    }
    std::sort(colours.begin(), colours.end());
    palette.fill(0);
    std::copy(colours.begin(), colours.end(), palette.begin() + 1);
    return static_cast<int>(colours.size());
}

template <int kBytes>
void MapPixels(const platform::Picture& picture, NearestColourMap& nearest, std::uint8_t* indexes, std::int64_t stride)
{
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = Row(picture, y);
        std::uint8_t* out = indexes + stride * y;
        for (std::int32_t x = 0; x < picture.width; ++x, p += kBytes)
            out[x] = nearest.Find(p[2], p[1], p[0]);
        std::memset(out + picture.width, 0, static_cast<std::size_t>(stride - picture.width));
    }
}

}  // namespace

std::int64_t EightBitStride(std::int32_t width)
{
    return (static_cast<std::int64_t>(width) + 3) / 4 * 4;
}

bool ReduceTo256Colours(const platform::Picture& picture, Palette256& palette, std::span<std::uint8_t> indexes)
{
    if (!IsConvertible(picture))
        return false;
    const std::int64_t stride = EightBitStride(picture.width);
    if (static_cast<std::int64_t>(indexes.size()) < stride * picture.height)
        return false;

    const std::vector<CellSums> cells = ColourHistogram(picture);
    int filled = CollectFewColours(picture, cells, palette);
    if (filled < 0)
        filled = CutPalette(cells, palette);
    NearestColourMap nearest(palette, 1 + filled);
    if (picture.bits_per_pixel == 32)
        MapPixels<4>(picture, nearest, indexes.data(), stride);
    else
        MapPixels<3>(picture, nearest, indexes.data(), stride);
    return true;
}

}  // namespace nuvra
