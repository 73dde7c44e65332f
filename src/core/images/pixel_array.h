// Pixel arrays: non-owning two-dimensional byte views over the memory of an
// 8-bit bitmap, indexed (x = byte in the row, y = row in storage order,
// bottom row first).
//
// BindPixelArray is called by PrepareDisplay for every new picture (source
// first, then display); UnbindPixelArray by the end of the show and before a
// bound picture is replaced. A view never allocates or frees: the picture owns
// the bytes and must outlive the binding. Nothing here copies pixels.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace nuvra {

// The title of the program's own message boxes.
inline constexpr const char* kApplicationTitle = "Nuvra";
// Leading blank included: it is part of the message as users know it.
inline constexpr const char* kEightBitOnlyMessage = " 8-Bit Bitmaps Only!";

class PixelArray {
public:
    PixelArray() = default;
    PixelArray(std::uint8_t* data, std::int32_t bytes_per_row, std::int32_t rows)
        : m_data(data), m_bytes_per_row(bytes_per_row), m_rows(rows)
    {
    }

    bool bound() const { return m_data != nullptr; }
    std::int32_t bytes_per_row() const { return m_bytes_per_row; }
    std::int32_t rows() const { return m_rows; }
    std::uint8_t* data() const { return m_data; }

    // True when the square 0..side-1 in both directions lies inside the view.
    bool Covers(std::int32_t side) const { return bound() && side <= m_bytes_per_row && side <= m_rows; }

    std::uint8_t& operator()(std::int32_t x, std::int32_t y) const
    {
        return m_data[static_cast<std::int64_t>(y) * m_bytes_per_row + x];
    }

    // Forgets the memory without touching it.
    void Unbind() { *this = PixelArray(); }

private:
    std::uint8_t* m_data = nullptr;
    std::int32_t m_bytes_per_row = 0;
    std::int32_t m_rows = 0;
};

// Lays array over picture's pixels when the picture is one plane of 8 bits
// whose buffer really holds stride x height bytes; returns true then.
// Otherwise shows " 8-Bit Bitmaps Only!" (stop icon, OK button, the
// program's title) through platform.message_box and leaves array as it was.
bool BindPixelArray(platform::Picture& picture, PixelArray& array, platform::Platform& platform);

// Detaches array; the picture keeps its pixels.
void UnbindPixelArray(PixelArray& array);

}  // namespace nuvra
