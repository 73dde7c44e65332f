#include "support/reference_color_reduction.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace nuvra::bench {

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
    std::vector<double> squares = std::vector<double>(kCells);
};

// A box of histogram cells: lower bounds exclusive, upper bounds inclusive.
struct Box {
    int r0 = 0, r1 = 0, g0 = 0, g1 = 0, b0 = 0, b1 = 0;
    int volume = 0;
};

enum class Axis { Red, Green, Blue };

class PixelReader {
public:
    explicit PixelReader(const platform::Picture& picture)
        : m_picture(picture), m_bytes(picture.bits_per_pixel / 8)
    {
    }
    const std::uint8_t* Row(std::int32_t y) const
    {
        return m_picture.pixels.data() + static_cast<std::int64_t>(y) * m_picture.stride;
    }
    int bytes_per_pixel() const { return m_bytes; }

private:
    const platform::Picture& m_picture;
    int m_bytes;
};

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
    return Volume(box, m.squares) - SquaredLength(s) / static_cast<double>(s.w);
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

void BuildHistogram(const platform::Picture& picture, Moments& m)
{
    const PixelReader reader(picture);
    const int step = reader.bytes_per_pixel();
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = reader.Row(y);
        for (std::int32_t x = 0; x < picture.width; ++x, p += step) {
            const int b = p[0], g = p[1], r = p[2];
            const int cell = Cell((r >> 3) + 1, (g >> 3) + 1, (b >> 3) + 1);
            m.weight[static_cast<std::size_t>(cell)] += 1;
            m.red[static_cast<std::size_t>(cell)] += r;
            m.green[static_cast<std::size_t>(cell)] += g;
            m.blue[static_cast<std::size_t>(cell)] += b;
            m.squares[static_cast<std::size_t>(cell)] += static_cast<double>(r * r + g * g + b * b);
        }
    }
}

// Turns the per-cell moments into moments of the box from the origin to
// each cell, so that any box's moments take eight look-ups.
void Accumulate(Moments& m)
{
    for (int r = 1; r < kLevels; ++r) {
        std::array<std::int64_t, kLevels> area_w{}, area_r{}, area_g{}, area_b{};
        std::array<double, kLevels> area_s{};
        for (int g = 1; g < kLevels; ++g) {
            std::int64_t line_w = 0, line_r = 0, line_g = 0, line_b = 0;
            double line_s = 0.0;
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

// Returns how many entries after the reserved black were filled.
int BuildPalette(const platform::Picture& picture, Palette256& palette)
{
    Moments m;
    BuildHistogram(picture, m);
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

int Channel(std::uint32_t colour, int shift)
{
    return static_cast<int>((colour >> shift) & 0xFF);
}

// Exact nearest-colour search, sped up by a candidate list per histogram
// cell: an entry can be the nearest for some colour of the cell only if its
// least distance to the cell is no more than the smallest greatest distance
// of any entry. Ties go to the lowest index, as a plain search would give.
class NearestColour {
public:
    NearestColour(const Palette256& palette, int entries) : m_entries(entries)
    {
        for (int i = 0; i < entries; ++i) {
            m_red[static_cast<std::size_t>(i)] = Channel(palette[static_cast<std::size_t>(i)], 16);
            m_green[static_cast<std::size_t>(i)] = Channel(palette[static_cast<std::size_t>(i)], 8);
            m_blue[static_cast<std::size_t>(i)] = Channel(palette[static_cast<std::size_t>(i)], 0);
        }
        m_first.assign(32 * 32 * 32, -1);
    }

    std::uint8_t Find(int r, int g, int b)
    {
        const int cell = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        std::int32_t& first = m_first[static_cast<std::size_t>(cell)];
        if (first < 0)
            first = AddCandidates(r >> 3, g >> 3, b >> 3);
        const auto at = static_cast<std::size_t>(first);
        const int count = m_least[at];
        const std::uint8_t* candidate = m_pool.data() + at + 1;
        const int* least = m_least.data() + at + 1;
        int best = candidate[0];
        int best_distance = Distance(best, r, g, b);
        // Candidates come nearest cell first: once a candidate cannot come
        // nearer than the best so far, none after it can.
        for (int k = 1; k < count && least[k] <= best_distance; ++k) {
            const int index = candidate[k];
            const int distance = Distance(index, r, g, b);
            if (distance < best_distance || (distance == best_distance && index < best)) {
                best_distance = distance;
                best = index;
            }
        }
        return static_cast<std::uint8_t>(best);
    }

private:
    int Distance(int index, int r, int g, int b) const
    {
        const int dr = m_red[static_cast<std::size_t>(index)] - r;
        const int dg = m_green[static_cast<std::size_t>(index)] - g;
        const int db = m_blue[static_cast<std::size_t>(index)] - b;
        return dr * dr + dg * dg + db * db;
    }

    static int NearestInRange(int value, int low, int high) { return std::clamp(value, low, high); }
    static int FarthestInRange(int value, int low, int high) { return value - low > high - value ? low : high; }

    std::int32_t AddCandidates(int cr, int cg, int cb)
    {
        const int lr = cr << 3, lg = cg << 3, lb = cb << 3;
        std::array<int, 256> least{};
        int bound = 1 << 30;
        for (int i = 0; i < m_entries; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const int nr = NearestInRange(m_red[k], lr, lr + 7) - m_red[k];
            const int ng = NearestInRange(m_green[k], lg, lg + 7) - m_green[k];
            const int nb = NearestInRange(m_blue[k], lb, lb + 7) - m_blue[k];
            least[k] = nr * nr + ng * ng + nb * nb;
            const int fr = FarthestInRange(m_red[k], lr, lr + 7) - m_red[k];
            const int fg = FarthestInRange(m_green[k], lg, lg + 7) - m_green[k];
            const int fb = FarthestInRange(m_blue[k], lb, lb + 7) - m_blue[k];
            bound = std::min(bound, fr * fr + fg * fg + fb * fb);
        }
        std::array<std::pair<int, int>, 256> kept{};  // (least distance, index)
        int count = 0;
        for (int i = 0; i < m_entries; ++i) {
            if (least[static_cast<std::size_t>(i)] <= bound)
                kept[static_cast<std::size_t>(count++)] = {least[static_cast<std::size_t>(i)], i};
        }
        std::sort(kept.begin(), kept.begin() + count);
        const auto first = static_cast<std::int32_t>(m_pool.size());
        m_pool.push_back(0);
        m_least.push_back(count);  // at least 1: the entry that set the bound
        for (int k = 0; k < count; ++k) {
            m_pool.push_back(static_cast<std::uint8_t>(kept[static_cast<std::size_t>(k)].second));
            m_least.push_back(kept[static_cast<std::size_t>(k)].first);
        }
        return first;
    }

    int m_entries;
    std::array<int, 256> m_red{}, m_green{}, m_blue{};
    std::vector<std::int32_t> m_first;
    // Per cell, from m_first on: the candidate count (in m_least), then the
    // candidates (in m_pool) with their least distance to the cell (in
    // m_least, at the same positions).
    std::vector<std::uint8_t> m_pool;
    std::vector<int> m_least;
};

}  // namespace

bool ReferenceReduceTo256Colours(const platform::Picture& picture, Palette256& palette,
                                 std::span<std::uint8_t> indexes)
{
    if (!IsConvertible(picture))
        return false;
    const std::int64_t stride = EightBitStride(picture.width);
    if (static_cast<std::int64_t>(indexes.size()) < stride * picture.height)
        return false;

    const int filled = BuildPalette(picture, palette);
    NearestColour nearest(palette, 1 + filled);

    const PixelReader reader(picture);
    const int step = reader.bytes_per_pixel();
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = reader.Row(y);
        std::uint8_t* out = indexes.data() + stride * y;
        int last = -1;
        std::uint8_t last_index = 0;
        for (std::int32_t x = 0; x < picture.width; ++x, p += step) {
            const int colour = p[0] | p[1] << 8 | p[2] << 16;
            if (colour != last) {
                last = colour;
                last_index = nearest.Find(p[2], p[1], p[0]);
            }
            out[x] = last_index;
        }
        std::memset(out + picture.width, 0, static_cast<std::size_t>(stride - picture.width));
    }
    return true;
}

}  // namespace nuvra::bench
