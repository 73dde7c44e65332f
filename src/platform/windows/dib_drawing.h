// The two pictures the core hands a window, drawn onto a device context as
// device-independent bitmaps: the canvas (32-bit, top row first) and the
// show's 8-bit frame (rows bottom first, with its colour table). Pure GDI,
// no window: the window system calls these from its paint and present
// paths, and the tests draw into a memory bitmap.
#pragma once

#include <cstdint>

#include "platform/window.h"
#include "platform/windows/win32.h"

namespace nuvra::windows_platform {

enum class RowOrder { TopFirst, BottomFirst };

// A 32-bit DIB section (0x00RRGGBB a pixel, rows packed) selected into a
// device context while it lives; the context gets its previous bitmap back
// before the section is deleted. Flush GDI before reading what it drew.
class DibSection {
public:
    DibSection(HDC dc, std::int32_t width, std::int32_t height, RowOrder rows);
    ~DibSection();
    DibSection(const DibSection&) = delete;
    DibSection& operator=(const DibSection&) = delete;

    // Null when GDI refused.
    std::uint32_t* pixels() const { return m_pixels; }

private:
    HDC m_dc;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    std::uint32_t* m_pixels = nullptr;
};

// The canvas at the top-left corner of dc, pixel for pixel; false when GDI
// refused (or the canvas holds fewer pixels than its size says).
bool DrawCanvas(HDC dc, const platform::Canvas& canvas);

// image with its top-left corner at position; indexes past the colour table
// show black. Rows may be padded beyond the 4-byte alignment of a DIB: such
// an image is copied to aligned rows first. False when GDI refused or the
// image is empty.
bool DrawIndexed(HDC dc, const platform::IndexedImage& image, platform::Point position);

}  // namespace nuvra::windows_platform
