#include "startup/window_effects.h"

#include "ui/canvas_draw.h"

namespace nuvra {

namespace {

platform::Rect ZoomPointRect(const NuvraB& b)
{
    return {b.ZoomPointX, b.ZoomPointY, b.ZoomPointX, b.ZoomPointY};
}

}  // namespace

void RecordZoomPoint(NuvraB& b, platform::CursorService& cursor)
{
    const platform::Point at = cursor.GetCursorPos();
    // Only the low 16 bits are kept, read as a signed number: the zoom point
    // is a pair of 16-bit integers.
    b.ZoomPointX = static_cast<std::int16_t>(static_cast<std::uint16_t>(at.x & 0xFFFF));
    b.ZoomPointY = static_cast<std::int16_t>(static_cast<std::uint16_t>(at.y & 0xFFFF));
}

void ZoomOpen(const NuvraB& b, platform::Window& window)
{
    window.DrawAnimatedRect(ZoomPointRect(b), window.Bounds());
}

void ZoomClose(const NuvraB& b, platform::Window& window)
{
    window.DrawAnimatedRect(window.Bounds(), ZoomPointRect(b));
}

void DrawRaisedFrame(platform::Canvas& box)
{
    ui::Surface surface(box);
    ui::DrawEdge(surface, {0, 0, box.width, box.height}, ui::Edge::Raised);
}

}  // namespace nuvra
