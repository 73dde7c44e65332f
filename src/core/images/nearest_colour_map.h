// The exact nearest palette entry for any 24-bit colour, for the colour
// reduction's per-pixel pass, at the cost of a table look-up per pixel.
//
// Answers are worked out lazily per 4 x 4 x 4 block of colours, the first
// time a pixel falls into the block, and kept for the rest of the picture.
// Nearest means least squared RGB distance; ties go to the lowest index, as
// a plain search over every entry would give. One map serves one palette;
// nothing is shared between maps.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace nuvra {

class NearestColourMap {
public:
    // palette: 0x00RRGGBB entries; only the first entries (1 to 256) count.
    NearestColourMap(const std::array<std::uint32_t, 256>& palette, int entries);

    std::uint8_t Find(int r, int g, int b)
    {
        const int block_cell = (r >> 2) << 12 | (g >> 2) << 6 | (b >> 2);
        std::int32_t block = m_block_of_cell[static_cast<std::size_t>(block_cell)];
        if (block < 0)
            block = SolveBlock(block_cell);
        return m_answers[static_cast<std::size_t>(block) << 6 | static_cast<std::size_t>((r & 3) << 4 | (g & 3) << 2 | (b & 3))];
    }

private:
    // The lowest red, green and blue of a 4 x 4 x 4 block of colours.
    struct BlockCorner {
        int r, g, b;
    };
    std::int32_t SolveBlock(int block_cell);
    int NearestToCentre(const std::uint8_t* candidates, int count, BlockCorner low) const;
    // The candidates that are the nearest somewhere in the block, in order.
    int Contenders(const std::uint8_t* candidates, int count, int centre, BlockCorner low,
                   std::array<std::uint8_t, 256>& kept) const;
    // Appends the block's 64 answers; returns the block's number.
    std::int32_t StoreAnswers(const std::array<std::uint8_t, 256>& kept, int kept_count, BlockCorner low);
    std::int32_t CandidatesOfCell(int cell);

    int m_entries;
    std::array<int, 256> m_red{}, m_green{}, m_blue{};
    // Per 8 x 8 x 8 cell of colours, built on first use: where its list
    // starts in m_candidates (a count, then the entries that can be the
    // nearest for some colour of the cell, in index order).
    std::vector<std::int32_t> m_candidates_of_cell;
    std::vector<std::uint8_t> m_candidates;
    // Per 4 x 4 x 4 block: which 64 answers of m_answers are its own; the
    // first 256 sets are blocks whose every colour has one entry, shared.
    std::vector<std::int32_t> m_block_of_cell;
    std::vector<std::uint8_t> m_answers;
};

}  // namespace nuvra
