// A pixel array: a non-owning two-dimensional byte view over the memory of
// an 8-bit bitmap, indexed (x = byte in the row, y = row in storage order,
// bottom row first). It never allocates or frees; the bitmap owns the bytes
// and must outlive the binding.
#pragma once

#include <cstdint>

namespace nuvra {

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

}  // namespace nuvra
