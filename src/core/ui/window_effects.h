// The settings dialog's window effects: the zoom that grows the dialog out of
// the point where the pointer was when it opened and shrinks it back into the
// same point when it closes, and the raised 3-D frame around a picture box.
#pragma once

#include "modules.h"
#include "platform/window.h"

namespace nuvra {

// Stores the pointer's place as the zoom point: the low 16 bits of each
// coordinate, read as signed numbers.
void RecordZoomPoint(NuvraB& b, platform::CursorService& cursor);

// From the empty rectangle at the zoom point to the window's rectangle.
void ZoomOpen(const NuvraB& b, platform::Window& window);
// From the window's rectangle back to the zoom point.
void ZoomClose(const NuvraB& b, platform::Window& window);

// The raised edge (outer and inner) over the outermost two pixels of the
// whole box.
void DrawRaisedFrame(platform::Canvas& box);

}  // namespace nuvra
