#include "images/nearest_colour_map.h"

#include <algorithm>
#include <limits>

namespace nuvra {

namespace {

constexpr int kCells = 32 * 32 * 32;     // 8 x 8 x 8 colours each
constexpr int kBlocks = 64 * 64 * 64;    // 4 x 4 x 4 colours each
constexpr int kBlockColours = 64;
constexpr int kSolidBlocks = 256;        // one per entry, for blocks it fills alone
constexpr int kFar = 4096;               // far enough never to be a candidate, near enough not to overflow

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
    // Entries past the palette's end stand far outside the colour cube, so
    // the loops over candidates can run over all 256 without a check.
    m_red.fill(kFar);
    m_green.fill(kFar);
    m_blue.fill(kFar);
    for (int i = 0; i < m_entries; ++i) {
        const auto k = static_cast<std::size_t>(i);
        m_red[k] = Channel(palette[k], 16);
        m_green[k] = Channel(palette[k], 8);
        m_blue[k] = Channel(palette[k], 0);
    }
    for (int i = 0; i < kSolidBlocks; ++i)
        std::fill_n(m_answers.begin() + i * kBlockColours, kBlockColours, static_cast<std::uint8_t>(i));
}

// An entry can be the nearest for some colour of the cell only if its least
// distance to the cell is no more than the smallest greatest distance of
// any entry: the entry with that greatest distance is at least as near to
// every colour of the cell. Written without branches, over all 256 slots,
// so that the compiler can work on several entries at once.
std::int32_t NearestColourMap::CandidatesOfCell(int cell)
{
    std::int32_t& first = m_candidates_of_cell[static_cast<std::size_t>(cell)];
    if (first >= 0)
        return first;
    const int low_r = (cell >> 10) << 3, low_g = ((cell >> 5) & 31) << 3, low_b = (cell & 31) << 3;
    const auto nearest = [](int value, int low) { return std::max(std::max(low - value, value - low - 7), 0); };
    const auto farthest = [](int value, int low) { return std::max(value - low, low + 7 - value); };
    std::array<int, 256> least{};
    int bound = 1 << 30;
    for (std::size_t k = 0; k < 256; ++k) {
        least[k] = Squared(nearest(m_red[k], low_r)) + Squared(nearest(m_green[k], low_g)) +
                   Squared(nearest(m_blue[k], low_b));
        bound = std::min(bound, Squared(farthest(m_red[k], low_r)) + Squared(farthest(m_green[k], low_g)) +
                                    Squared(farthest(m_blue[k], low_b)));
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
    const BlockCorner low{(block_cell >> 12) << 2, ((block_cell >> 6) & 63) << 2, (block_cell & 63) << 2};
    const std::int32_t first = CandidatesOfCell((low.r >> 3) << 10 | (low.g >> 3) << 5 | (low.b >> 3));
    const int count = m_candidates[static_cast<std::size_t>(first)] + 1;
    const std::uint8_t* candidates = m_candidates.data() + first + 1;

    const int centre = NearestToCentre(candidates, count, low);
    std::array<std::uint8_t, 256> kept{};
    const int kept_count = Contenders(candidates, count, centre, low, kept);
    const std::int32_t block = kept_count > 1 ? StoreAnswers(kept, kept_count, low) : centre;
    m_block_of_cell[static_cast<std::size_t>(block_cell)] = block;
    return block;
}

int NearestColourMap::NearestToCentre(const std::uint8_t* candidates, int count, BlockCorner low) const
{
    // The entry nearest the block's centre (in doubled units, to stay whole)
    // is the likeliest to be the nearest everywhere in it.
    int centre = candidates[0];
    int centre_distance = 1 << 30;
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(candidates[k]);
        const int distance = Squared(2 * m_red[i] - 2 * low.r - 3) + Squared(2 * m_green[i] - 2 * low.g - 3) +
                             Squared(2 * m_blue[i] - 2 * low.b - 3);
        if (distance < centre_distance) {
            centre_distance = distance;
            centre = candidates[k];
        }
    }
    return centre;
}

int NearestColourMap::Contenders(const std::uint8_t* candidates, int count, int centre, BlockCorner low,
                                 std::array<std::uint8_t, 256>& kept) const
{
    // Another entry matters only where it beats the centre's. How much
    // farther it is, |x - other|^2 - |x - centre|^2, is linear in the colour
    // x, so its least value over the block is at a corner, found axis by axis.
    const auto c = static_cast<std::size_t>(centre);
    const auto least_over_axis = [](int slope, int low_end) { return slope * (slope >= 0 ? low_end : low_end + 3); };
    int kept_count = 0;
    for (int k = 0; k < count; ++k) {
        const int other = candidates[k];
        const auto o = static_cast<std::size_t>(other);
        if (other != centre) {
            int margin = Squared(m_red[o]) + Squared(m_green[o]) + Squared(m_blue[o]) - Squared(m_red[c]) -
                         Squared(m_green[c]) - Squared(m_blue[c]);
            margin += least_over_axis(2 * (m_red[c] - m_red[o]), low.r) +
                      least_over_axis(2 * (m_green[c] - m_green[o]), low.g) +
                      least_over_axis(2 * (m_blue[c] - m_blue[o]), low.b);
            if (margin > 0 || (margin == 0 && centre < other))
                continue;  // farther everywhere, or tied and losing on its index
        }
        kept[static_cast<std::size_t>(kept_count++)] = static_cast<std::uint8_t>(other);
    }
    return kept_count;
}

std::int32_t NearestColourMap::StoreAnswers(const std::array<std::uint8_t, 256>& kept, int kept_count,
                                            BlockCorner low)
{
    // Each entry's distance less the colour's own squared length, which all
    // entries share, is linear in the colour; times 256 plus the index, the
    // least of these keys is the nearest entry, ties going to the lowest
    // index, found without a branch.
    std::array<int, kBlockColours> least_key{};
    least_key.fill(std::numeric_limits<int>::max());
    for (int k = 0; k < kept_count; ++k) {
        const int index = kept[static_cast<std::size_t>(k)];
        const auto i = static_cast<std::size_t>(index);
        const int at_low = Squared(m_red[i]) + Squared(m_green[i]) + Squared(m_blue[i]) -
                           2 * (low.r * m_red[i] + low.g * m_green[i] + low.b * m_blue[i]);
        std::array<int, 4> blue_step{};
        for (int d = 0; d < 4; ++d)
            blue_step[static_cast<std::size_t>(d)] = -512 * d * m_blue[i];
        for (int dr = 0; dr < 4; ++dr) {
            for (int dg = 0; dg < 4; ++dg) {
                const int row = 256 * at_low + index - 512 * (dr * m_red[i] + dg * m_green[i]);
                int* keys = least_key.data() + 16 * dr + 4 * dg;
                for (std::size_t db = 0; db < 4; ++db)
                    keys[db] = std::min(keys[db], row + blue_step[db]);
            }
        }
    }
    const auto block = static_cast<std::int32_t>(m_answers.size() / kBlockColours);
    m_answers.resize(m_answers.size() + kBlockColours);
    std::uint8_t* answer = m_answers.data() + static_cast<std::size_t>(block) * kBlockColours;
    for (std::size_t k = 0; k < kBlockColours; ++k)
        answer[k] = static_cast<std::uint8_t>(least_key[k] & 0xFF);
    return block;
}

}  // namespace nuvra
