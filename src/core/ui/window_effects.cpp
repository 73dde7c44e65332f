#include "ui/window_effects.h"

#include "ui/canvas_draw.h"

namespace nuvra {

namespace {

platform::Rect ZoomPointRect(ZoomPoint point)
{
    return {point.x, point.y, point.x, point.y};
}

}  // namespace

ZoomPoint PointerZoomPoint(platform::CursorService& cursor)
{
    const platform::Point at = cursor.GetCursorPos();
    return {static_cast<std::int16_t>(static_cast<std::uint16_t>(at.x & 0xFFFF)),
            static_cast<std::int16_t>(static_cast<std::uint16_t>(at.y & 0xFFFF))};
}

void ZoomOpen(ZoomPoint point, platform::Window& window)
{
    window.DrawAnimatedRect(ZoomPointRect(point), window.Bounds());
}

void ZoomClose(ZoomPoint point, platform::Window& window)
{
    window.DrawAnimatedRect(window.Bounds(), ZoomPointRect(point));
}

void DrawRaisedFrame(platform::Canvas& box)
{
    ui::Surface surface(box);
    ui::DrawEdge(surface, {0, 0, box.width, box.height}, ui::Edge::Raised);
}

}  // namespace nuvra
