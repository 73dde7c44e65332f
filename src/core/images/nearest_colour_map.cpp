#include "images/nearest_colour_map.h"

#include <algorithm>

namespace nuvra {

namespace {

constexpr int kCells = 32 * 32 * 32;     // 8 x 8 x 8 colours each
constexpr int kBlocks = 64 * 64 * 64;    // 4 x 4 x 4 colours each
constexpr int kBlockColours = 64;
constexpr int kSolidBlocks = 256;        // one per entry, for blocks it fills alone

int Channel(std::uint32_t colour, int shift)
{
    return static_cast<int>((colour >> shift) & 0xFF);
}

int Squared(int value)
{
    return value * value;
}

}  // namespace

NearestColourMap::NearestColourMap(const std::array<std::uint32_t, 256>& palette, int entries)
    : m_entries(std::clamp(entries, 1, 256)),
      m_candidates_of_cell(kCells, -1),
      m_block_of_cell(kBlocks, -1),
      m_answers(static_cast<std::size_t>(kSolidBlocks) * kBlockColours)
{
    for (int i = 0; i < m_entries; ++i) {
        const auto k = static_cast<std::size_t>(i);
        m_red[k] = Channel(palette[k], 16);
        m_green[k] = Channel(palette[k], 8);
        m_blue[k] = Channel(palette[k], 0);
    }
    for (int i = 0; i < kSolidBlocks; ++i)
        std::fill_n(m_answers.begin() + i * kBlockColours, kBlockColours, static_cast<std::uint8_t>(i));
}

int NearestColourMap::Distance(int index, int r, int g, int b) const
{
    const auto k = static_cast<std::size_t>(index);
    return Squared(m_red[k] - r) + Squared(m_green[k] - g) + Squared(m_blue[k] - b);
}

// An entry can be the nearest for some colour of the cell only if its least
// distance to the cell is no more than the smallest greatest distance of
// any entry: the entry with that greatest distance is at least as near to
// every colour of the cell.
std::int32_t NearestColourMap::CandidatesOfCell(int cell)
{
    std::int32_t& first = m_candidates_of_cell[static_cast<std::size_t>(cell)];
    if (first >= 0)
        return first;
    const int low_r = (cell >> 10) << 3, low_g = ((cell >> 5) & 31) << 3, low_b = (cell & 31) << 3;
    const auto farthest = [](int value, int low) { return value - low > low + 7 - value ? low : low + 7; };
    std::array<int, 256> least{};
    int bound = 1 << 30;
    for (int i = 0; i < m_entries; ++i) {
        const auto k = static_cast<std::size_t>(i);
        least[k] = Squared(std::clamp(m_red[k], low_r, low_r + 7) - m_red[k]) +
                   Squared(std::clamp(m_green[k], low_g, low_g + 7) - m_green[k]) +
                   Squared(std::clamp(m_blue[k], low_b, low_b + 7) - m_blue[k]);
        bound = std::min(bound, Distance(i, farthest(m_red[k], low_r), farthest(m_green[k], low_g),
                                         farthest(m_blue[k], low_b)));
    }
    first = static_cast<std::int32_t>(m_candidates.size());
    m_candidates.push_back(0);
    int count = 0;
    for (int i = 0; i < m_entries; ++i) {
        if (least[static_cast<std::size_t>(i)] <= bound) {
            m_candidates.push_back(static_cast<std::uint8_t>(i));
            ++count;
        }
    }
    // At least one (the entry that set the bound), at most 256: stored less one.
    m_candidates[static_cast<std::size_t>(first)] = static_cast<std::uint8_t>(count - 1);
    return first;
}

std::int32_t NearestColourMap::SolveBlock(int block_cell)
{
    const int low_r = (block_cell >> 12) << 2, low_g = ((block_cell >> 6) & 63) << 2, low_b = (block_cell & 63) << 2;
    const std::int32_t first = CandidatesOfCell((low_r >> 3) << 10 | (low_g >> 3) << 5 | (low_b >> 3));
    const int count = m_candidates[static_cast<std::size_t>(first)] + 1;
    const std::uint8_t* candidates = m_candidates.data() + first + 1;

    // The entry nearest the block's centre (in doubled units, to stay whole)
    // is the likeliest to be the nearest everywhere in it.
    int centre = candidates[0];
    int centre_distance = 1 << 30;
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(candidates[k]);
        const int distance = Squared(2 * m_red[i] - 2 * low_r - 3) + Squared(2 * m_green[i] - 2 * low_g - 3) +
                             Squared(2 * m_blue[i] - 2 * low_b - 3);
        if (distance < centre_distance) {
            centre_distance = distance;
            centre = candidates[k];
        }
    }

    // Another entry matters only where it beats that one. How much farther
    // it is, |x - other|^2 - |x - centre|^2, is linear in the colour x, so
    // its least value over the block is at a corner, found axis by axis.
    const auto c = static_cast<std::size_t>(centre);
    std::array<std::uint8_t, 256> kept{};
    int kept_count = 0;
    for (int k = 0; k < count; ++k) {
        const int other = candidates[k];
        const auto o = static_cast<std::size_t>(other);
        if (other != centre) {
            int margin = Squared(m_red[o]) + Squared(m_green[o]) + Squared(m_blue[o]) - Squared(m_red[c]) -
                         Squared(m_green[c]) - Squared(m_blue[c]);
            const auto least_over_axis = [](int slope, int low) { return slope * (slope >= 0 ? low : low + 3); };
            margin += least_over_axis(2 * (m_red[c] - m_red[o]), low_r) +
                      least_over_axis(2 * (m_green[c] - m_green[o]), low_g) +
                      least_over_axis(2 * (m_blue[c] - m_blue[o]), low_b);
            if (margin > 0 || (margin == 0 && centre < other))
                continue;  // farther everywhere, or tied and losing on its index
        }
        kept[static_cast<std::size_t>(kept_count++)] = static_cast<std::uint8_t>(other);
    }

    std::int32_t block = centre;
    if (kept_count > 1) {
        block = static_cast<std::int32_t>(m_answers.size() / kBlockColours);
        m_answers.resize(m_answers.size() + kBlockColours);
        std::uint8_t* answer = m_answers.data() + static_cast<std::size_t>(block) * kBlockColours;
        for (int r = low_r; r < low_r + 4; ++r) {
            for (int g = low_g; g < low_g + 4; ++g) {
                for (int b = low_b; b < low_b + 4; ++b) {
                    // In index order with a strict comparison: ties keep the lowest.
                    int best = kept[0];
                    int best_distance = Distance(best, r, g, b);
                    for (int k = 1; k < kept_count; ++k) {
                        const int distance = Distance(kept[static_cast<std::size_t>(k)], r, g, b);
                        if (distance < best_distance) {
                            best_distance = distance;
                            best = kept[static_cast<std::size_t>(k)];
                        }
                    }
                    *answer++ = static_cast<std::uint8_t>(best);
                }
            }
        }
    }
    m_block_of_cell[static_cast<std::size_t>(block_cell)] = block;
    return block;
}

}  // namespace nuvra
