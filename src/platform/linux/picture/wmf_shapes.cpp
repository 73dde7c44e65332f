#include "platform/linux/picture/wmf_shapes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace nuvra::linux_platform {

namespace {

enum class ArcShape { Ellipse, Pie, Chord };

// Enough for a smooth outline at any size the caps allow, small enough to
// live on the stack: the callbacks run inside C code and must not throw.
constexpr std::size_t kMaxArcPoints = 1024;

// The parametric angle at which the line from the ellipse's centre towards
// offset crosses the ellipse, counter-clockwise as seen on screen (device y
// grows downwards).
double AngleTowards(const wmfD_Coord& offset, double radius_x, double radius_y)
{
    return std::atan2(-offset.y * radius_x, offset.x * radius_y);
}

void DrawArcShape(wmfAPI* api, wmfDrawArc_t* arc, ArcShape shape)
{
    const auto* shapes = static_cast<const ArcShapes*>(api->user_data);
    if (shapes == nullptr || shapes->draw_polygon == nullptr || arc == nullptr)
        return;
    for (const float coordinate :
         {arc->TL.x, arc->TL.y, arc->BR.x, arc->BR.y, arc->start.x, arc->start.y, arc->end.x, arc->end.y}) {
        if (!std::isfinite(coordinate))
            return;  // a hostile transform; gd would turn it into any integer
    }
    const double centre_x = (static_cast<double>(arc->TL.x) + arc->BR.x) / 2;
    const double centre_y = (static_cast<double>(arc->TL.y) + arc->BR.y) / 2;
    const double radius_x = std::abs(static_cast<double>(arc->BR.x) - arc->TL.x) / 2;
    const double radius_y = std::abs(static_cast<double>(arc->BR.y) - arc->TL.y) / 2;

    // Windows draws from the start radial counter-clockwise to the end one;
    // equal radials make the whole ellipse. libwmf hands the radials over as
    // offsets from the centre, and swapped (its other devices draw clockwise
    // from its start to its end).
    double start = 0;
    double sweep = 2 * std::numbers::pi;
    if (shape != ArcShape::Ellipse) {
        start = AngleTowards(arc->end, radius_x, radius_y);
        const double end = AngleTowards(arc->start, radius_x, radius_y);
        sweep = end - start;
        if (sweep <= 0)
            sweep += 2 * std::numbers::pi;
    }

    // About one point per two pixels of arc.
    const double arc_pixels = sweep * (radius_x + radius_y) / 2 * shapes->pixels_per_unit;
    const double wanted = std::isfinite(arc_pixels) ? arc_pixels / 2 : 0;
    const std::size_t steps = static_cast<std::size_t>(std::clamp(wanted, 16.0, double{kMaxArcPoints - 2}));

    std::array<wmfD_Coord, kMaxArcPoints> points;
    std::size_t count = 0;
    if (shape == ArcShape::Pie)
        points[count++] = {static_cast<float>(centre_x), static_cast<float>(centre_y)};
    for (std::size_t i = 0; i <= steps; ++i) {
        const double angle = start + sweep * static_cast<double>(i) / static_cast<double>(steps);
        points[count++] = {static_cast<float>(centre_x + radius_x * std::cos(angle)),
                           static_cast<float>(centre_y - radius_y * std::sin(angle))};
    }
    wmfPolyLine_t polygon{};
    polygon.dc = arc->dc;
    polygon.pt = points.data();
    polygon.count = static_cast<U16>(count);
    shapes->draw_polygon(api, &polygon);
}

void DrawEllipse(wmfAPI* api, wmfDrawArc_t* arc)
{
    DrawArcShape(api, arc, ArcShape::Ellipse);
}

void DrawPie(wmfAPI* api, wmfDrawArc_t* arc)
{
    DrawArcShape(api, arc, ArcShape::Pie);
}

void DrawChord(wmfAPI* api, wmfDrawArc_t* arc)
{
    DrawArcShape(api, arc, ArcShape::Chord);
}

}  // namespace

void ReplaceArcShapes(wmfAPI* api, ArcShapes& shapes)
{
    auto* functions = static_cast<wmfFunctionReference*>(api->function_reference);
    if (functions == nullptr || functions->draw_polygon == nullptr)
        return;
    shapes.draw_polygon = functions->draw_polygon;
    api->user_data = &shapes;
    functions->draw_ellipse = DrawEllipse;
    functions->draw_pie = DrawPie;
    functions->draw_chord = DrawChord;
}

}  // namespace nuvra::linux_platform
