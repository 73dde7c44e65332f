#include "platform/windows/dib_drawing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace nuvra::windows_platform {

namespace {

// A BITMAPINFO with room for a full 256-entry colour table.
struct IndexedBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

std::int64_t AlignedRowBytes(std::int32_t width)
{
    return (static_cast<std::int64_t>(width) + 3) / 4 * 4;
}

BITMAPINFO Rgb32Info(std::int32_t width, std::int32_t height, RowOrder rows)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = rows == RowOrder::TopFirst ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

DibSection::DibSection(HDC dc, std::int32_t width, std::int32_t height, RowOrder rows) : m_dc(dc)
{
    if (dc == nullptr || width <= 0 || height <= 0)
        return;
    const BITMAPINFO info = Rgb32Info(width, height, rows);
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_bitmap == nullptr || bits == nullptr)
        return;
    m_previous = SelectObject(dc, m_bitmap);
    if (m_previous != nullptr)
        m_pixels = static_cast<std::uint32_t*>(bits);
}

DibSection::~DibSection()
{
    if (m_previous != nullptr)
        SelectObject(m_dc, m_previous);
    if (m_bitmap != nullptr)
        DeleteObject(m_bitmap);
}

bool DrawCanvas(HDC dc, const platform::Canvas& canvas)
{
    if (canvas.width <= 0 || canvas.height <= 0 ||
        canvas.pixels.size() < static_cast<std::uint64_t>(canvas.width) * static_cast<std::uint64_t>(canvas.height))
        return false;
    const BITMAPINFO info = Rgb32Info(canvas.width, canvas.height, RowOrder::TopFirst);
    // 0x00RRGGBB in memory is blue, green, red, 0: the DIB's own order.
    const int lines = SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(canvas.width), static_cast<DWORD>(canvas.height),
                                        0, 0, 0, static_cast<UINT>(canvas.height), canvas.pixels.data(), &info,
                                        DIB_RGB_COLORS);
    return lines == canvas.height;
}

bool DrawIndexed(HDC dc, const platform::IndexedImage& image, platform::Point position)
{
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 || image.bytes_per_row < image.width)
        return false;
    IndexedBitmapInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = image.width;
    info.header.biHeight = image.height;  // bottom row first, as the renderer keeps it
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 256;
    // Entries past the table stay zero: black.
    const std::size_t colours = image.palette == nullptr ? 0 : std::min<std::size_t>(image.palette_size, 256);
    static_assert(sizeof(RGBQUAD) == sizeof(std::uint32_t));
    if (colours > 0)
        std::memcpy(info.colours, image.palette, colours * sizeof(RGBQUAD));

    const std::uint8_t* rows = image.pixels;
    std::vector<std::uint8_t> aligned;
    const std::int64_t row_bytes = AlignedRowBytes(image.width);
    if (image.bytes_per_row != row_bytes) {
        aligned.resize(static_cast<std::size_t>(row_bytes * image.height));
        for (std::int32_t y = 0; y < image.height; ++y)
            std::memcpy(aligned.data() + y * row_bytes, image.pixels + static_cast<std::int64_t>(y) * image.bytes_per_row,
                        static_cast<std::size_t>(image.width));
        rows = aligned.data();
    }
    const int lines = SetDIBitsToDevice(dc, position.x, position.y, static_cast<DWORD>(image.width),
                                        static_cast<DWORD>(image.height), 0, 0, 0, static_cast<UINT>(image.height),
                                        rows, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
    return lines == image.height;
}

}  // namespace nuvra::windows_platform
