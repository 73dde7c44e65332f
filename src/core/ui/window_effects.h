// The settings dialog's window effects: the zoom that grows the dialog out of
// the point where the pointer was when it opened and shrinks it back into the
// same point when it closes, and the raised 3-D frame around a picture box.
#pragma once

#include <cstdint>

#include "platform/window.h"

namespace nuvra {

// Where the dialog grows from and shrinks back to: a pair of 16-bit numbers.
struct ZoomPoint {
    std::int16_t x = 0;
    std::int16_t y = 0;
};

// The pointer's place as a zoom point: the low 16 bits of each coordinate,
// read as signed numbers.
ZoomPoint PointerZoomPoint(platform::CursorService& cursor);

// From the empty rectangle at the zoom point to the window's rectangle.
void ZoomOpen(ZoomPoint point, platform::Window& window);
// From the window's rectangle back to the zoom point.
void ZoomClose(ZoomPoint point, platform::Window& window);

// The raised edge (outer and inner) over the outermost two pixels of the
// whole box.
void DrawRaisedFrame(platform::Canvas& box);

}  // namespace nuvra
