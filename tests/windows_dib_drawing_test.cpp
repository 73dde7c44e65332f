// The canvas and the show's 8-bit frame drawn through GDI into a memory
// bitmap under Wine, read back pixel for pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "platform/windows/dib_drawing.h"
#include "platform/windows/win32.h"

namespace {

using nuvra::platform::Canvas;
using nuvra::platform::IndexedImage;
using nuvra::platform::Point;

constexpr std::uint32_t kUntouched = 0x123456;

// A 32-bit top-down bitmap selected into a memory device context.
class MemorySurface {
public:
    MemorySurface(int width, int height)
        : m_width(width), m_height(height), m_dc(CreateCompatibleDC(nullptr)),
          m_bitmap(m_dc, width, height, nuvra::windows_platform::RowOrder::TopFirst)
    {
        if (m_bitmap.pixels() != nullptr)
            std::fill(m_bitmap.pixels(), m_bitmap.pixels() + width * height, kUntouched);
    }
    ~MemorySurface()
    {
        if (m_dc != nullptr)
            DeleteDC(m_dc);
    }
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;

    bool ready() const { return m_bitmap.pixels() != nullptr; }
    HDC dc() const { return m_dc; }
    std::vector<std::uint32_t> Pixels() const
    {
        GdiFlush();
        return {m_bitmap.pixels(), m_bitmap.pixels() + m_width * m_height};
    }

private:
    int m_width;
    int m_height;
    HDC m_dc;
    // Declared after the context: it is put back out of it before the context goes.
    nuvra::windows_platform::DibSection m_bitmap;
};

TEST(WindowsDibDrawing, CanvasLandsPixelForPixelTopRowFirst)
{
    MemorySurface surface(3, 3);
    ASSERT_TRUE(surface.ready());
    const Canvas canvas{2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}};
    ASSERT_TRUE(nuvra::windows_platform::DrawCanvas(surface.dc(), canvas));
    const std::vector<std::uint32_t> expected = {0xFF0000, 0x00FF00, kUntouched, 0x0000FF, 0xFFFFFF,
                                                 kUntouched, kUntouched, kUntouched, kUntouched};
    EXPECT_EQ(surface.Pixels(), expected);
    EXPECT_FALSE(nuvra::windows_platform::DrawCanvas(surface.dc(), Canvas{2, 2, {1, 2, 3}}))
        << "a canvas short of pixels must not be read past its end";
}

TEST(WindowsDibDrawing, IndexedFrameIsPlacedWithItsRowsBottomFirst)
{
    struct Case {
        const char* name;
        std::int32_t bytes_per_row;
    };
    // Rows of 3 bytes padded to 4 as a DIB keeps them, and padded further.
    const std::vector<Case> cases = {{"DIB rows", 4}, {"wider rows", 7}};
    const std::vector<std::uint32_t> palette = {0x000000, 0xFF8000, 0x0080FF};
    for (const Case& c : cases) {
        // Bottom row: 1 2 1; top row: 2 0 9 (9 is past the table: black).
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(c.bytes_per_row) * 2, 0xEE);
        const std::uint8_t bottom[] = {1, 2, 1};
        const std::uint8_t top[] = {2, 0, 9};
        std::copy(std::begin(bottom), std::end(bottom), pixels.begin());
        std::copy(std::begin(top), std::end(top), pixels.begin() + c.bytes_per_row);
        IndexedImage image;
        image.pixels = pixels.data();
        image.bytes_per_row = c.bytes_per_row;
        image.width = 3;
        image.height = 2;
        image.palette = palette.data();
        image.palette_size = palette.size();

        MemorySurface surface(4, 3);
        ASSERT_TRUE(surface.ready());
        ASSERT_TRUE(nuvra::windows_platform::DrawIndexed(surface.dc(), image, Point{1, 1})) << c.name;
        const std::vector<std::uint32_t> expected = {
            kUntouched, kUntouched, kUntouched, kUntouched,  //
            kUntouched, 0x0080FF,   0x000000,   0x000000,    //
            kUntouched, 0xFF8000,   0x0080FF,   0xFF8000,
        };
        EXPECT_EQ(surface.Pixels(), expected) << c.name;
    }
}

}  // namespace
