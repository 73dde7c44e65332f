#include "platform/linux/picture/wmf_shapes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

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

// Holds the pen of a drawing record to at most kMaxPenPixels while the
// record is drawn, and gives it back its width afterwards.
class PenLimit {
public:
    PenLimit(wmfDC* dc, const ArcShapes& shapes)
    {
        if (dc == nullptr || dc->pen == nullptr || !(shapes.pixels_per_unit > 0))
            return;
        m_pen = dc->pen;
        m_width = m_pen->width;
        m_height = m_pen->height;
        const double most = kMaxPenPixels / shapes.pixels_per_unit;
        m_pen->width = std::min(m_width, most);
        m_pen->height = std::min(m_height, most);
    }
    ~PenLimit()
    {
        if (m_pen != nullptr) {
            m_pen->width = m_width;
            m_pen->height = m_height;
        }
    }
    PenLimit(const PenLimit&) = delete;
    PenLimit& operator=(const PenLimit&) = delete;

private:
    wmfPen* m_pen = nullptr;
    double m_width = 0;
    double m_height = 0;
};

// The renderer's function for Record, called with the record's pen held in.
template <typename Record, void (*ArcShapes::*Original)(wmfAPI*, Record*)>
void DrawWithPenLimit(wmfAPI* api, Record* record)
{
    const auto* shapes = static_cast<const ArcShapes*>(api->user_data);
    if (shapes == nullptr || record == nullptr || shapes->*Original == nullptr)
        return;
    const PenLimit limit(record->dc, *shapes);
    (shapes->*Original)(api, record);
}

// The part of polygon inside the half-plane where inside() holds
// (Sutherland-Hodgman, one edge of the clip rectangle).
template <typename Inside, typename Cross>
void ClipAgainst(const std::vector<wmfD_Coord>& polygon, std::vector<wmfD_Coord>& kept, Inside inside, Cross cross)
{
    kept.clear();
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const wmfD_Coord& from = polygon[(i + polygon.size() - 1) % polygon.size()];
        const wmfD_Coord& to = polygon[i];
        if (inside(to)) {
            if (!inside(from))
                kept.push_back(cross(from, to));
            kept.push_back(to);
        } else if (inside(from)) {
            kept.push_back(cross(from, to));
        }
    }
}

// The polygon cut to a rectangle three times the frame's size around it.
std::vector<wmfD_Coord> ClipToFrame(const wmfD_Coord* points, std::size_t count, const wmfD_Rect& frame)
{
    const double width = std::abs(static_cast<double>(frame.BR.x) - frame.TL.x);
    const double height = std::abs(static_cast<double>(frame.BR.y) - frame.TL.y);
    const double margin = std::max({width, height, 1.0});
    const double left = std::min(frame.TL.x, frame.BR.x) - margin;
    const double right = std::max(frame.TL.x, frame.BR.x) + margin;
    const double top = std::min(frame.TL.y, frame.BR.y) - margin;
    const double bottom = std::max(frame.TL.y, frame.BR.y) + margin;

    auto at_x = [](double x) {
        return [x](const wmfD_Coord& a, const wmfD_Coord& b) {
            const double t = (x - a.x) / (static_cast<double>(b.x) - a.x);
            return wmfD_Coord{static_cast<float>(x), static_cast<float>(a.y + t * (static_cast<double>(b.y) - a.y))};
        };
    };
    auto at_y = [](double y) {
        return [y](const wmfD_Coord& a, const wmfD_Coord& b) {
            const double t = (y - a.y) / (static_cast<double>(b.y) - a.y);
            return wmfD_Coord{static_cast<float>(a.x + t * (static_cast<double>(b.x) - a.x)), static_cast<float>(y)};
        };
    };
    std::vector<wmfD_Coord> polygon(points, points + count);
    std::vector<wmfD_Coord> kept;
    kept.reserve(count + 8);
    ClipAgainst(polygon, kept, [left](const wmfD_Coord& p) { return p.x >= left; }, at_x(left));
    polygon.swap(kept);
    ClipAgainst(polygon, kept, [right](const wmfD_Coord& p) { return p.x <= right; }, at_x(right));
    polygon.swap(kept);
    ClipAgainst(polygon, kept, [top](const wmfD_Coord& p) { return p.y >= top; }, at_y(top));
    polygon.swap(kept);
    ClipAgainst(polygon, kept, [bottom](const wmfD_Coord& p) { return p.y <= bottom; }, at_y(bottom));
    return kept;
}

void DrawClippedPolygon(wmfAPI* api, wmfPolyLine_t* polygon)
{
    const auto* shapes = static_cast<const ArcShapes*>(api->user_data);
    if (shapes == nullptr || shapes->draw_polygon == nullptr || polygon == nullptr || polygon->pt == nullptr)
        return;
    for (std::size_t i = 0; i < polygon->count; ++i) {
        if (!std::isfinite(polygon->pt[i].x) || !std::isfinite(polygon->pt[i].y))
            return;  // a hostile transform; gd would turn it into any integer
    }
    // Called from C: nothing may escape, so a polygon that cannot be cut
    // for want of memory is left out.
    try {
        std::vector<wmfD_Coord> clipped = ClipToFrame(polygon->pt, polygon->count, shapes->frame);
        if (clipped.size() < 3 || clipped.size() > 0xFFFF)
            return;
        wmfPolyLine_t cut = *polygon;
        cut.pt = clipped.data();
        cut.count = static_cast<U16>(clipped.size());
        const PenLimit limit(cut.dc, *shapes);
        shapes->draw_polygon(api, &cut);
    } catch (const std::bad_alloc&) {
    }
}

void DrawArcShape(wmfAPI* api, wmfDrawArc_t* arc, ArcShape shape)
{
    const auto* shapes = static_cast<const ArcShapes*>(api->user_data);
    if (shapes == nullptr || shapes->draw_polygon == nullptr || arc == nullptr)
        return;
    // libwmf leaves an ellipse's radials unset, so only read them for arcs.
    const bool radials = shape != ArcShape::Ellipse;
    for (const float coordinate : {arc->TL.x, arc->TL.y, arc->BR.x, arc->BR.y}) {
        if (!std::isfinite(coordinate))
            return;  // a hostile transform; gd would turn it into any integer
    }
    if (radials) {
        for (const float coordinate : {arc->start.x, arc->start.y, arc->end.x, arc->end.y}) {
            if (!std::isfinite(coordinate))
                return;
        }
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
    if (radials) {
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
    DrawClippedPolygon(api, &polygon);
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
    shapes.draw_arc = functions->draw_arc;
    shapes.draw_line = functions->draw_line;
    shapes.poly_line = functions->poly_line;
    shapes.draw_polypolygon = functions->draw_polypolygon;
    shapes.draw_rectangle = functions->draw_rectangle;
    api->user_data = &shapes;
    functions->draw_polygon = DrawClippedPolygon;
    functions->draw_arc = DrawWithPenLimit<wmfDrawArc_t, &ArcShapes::draw_arc>;
    functions->draw_line = DrawWithPenLimit<wmfDrawLine_t, &ArcShapes::draw_line>;
    functions->poly_line = DrawWithPenLimit<wmfPolyLine_t, &ArcShapes::poly_line>;
    functions->draw_polypolygon = DrawWithPenLimit<wmfPolyPoly_t, &ArcShapes::draw_polypolygon>;
    functions->draw_rectangle = DrawWithPenLimit<wmfDrawRectangle_t, &ArcShapes::draw_rectangle>;
    functions->draw_ellipse = DrawEllipse;
    functions->draw_pie = DrawPie;
    functions->draw_chord = DrawChord;
}

}  // namespace nuvra::linux_platform
