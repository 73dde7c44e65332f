// Filled ellipses, pies and chords for libwmf's gd renderer, and polygons
// it can fill in reasonable time.
//
// The gd layer leaves ellipses unfilled, fills chords and pies wrongly and
// draws a pie's sides to the far points the record gives instead of to its
// arc. Its polygons are right (fill with the brush, outline with the pen),
// so these three shapes are handed to it as polygons that follow the arc.
//
// Its polygon fill walks every row from the top vertex to the bottom one,
// on the picture or not: a 132-byte file with a vertex a billion rows away
// kept it busy for half a minute. Every polygon is therefore cut to a
// rectangle around the picture first, three times its size, so the edges
// the cut adds lie far outside what shows.
//
// It draws a wide pen by stamping a pen-sized block at every pixel of the
// line, so the time grows with the square of the width: a pen set far wider
// than the picture took as long. Every shape is drawn with its pen held to
// at most kMaxPenPixels wide, far more than drawings use.
#pragma once

#include <libwmf/api.h>
#include <libwmf/ipa.h>

namespace nuvra::linux_platform {

inline constexpr double kMaxPenPixels = 64;

// Lives as long as the playback; api->user_data points at it.
struct ArcShapes {
    // The renderer's own functions, called with the pen held in.
    void (*draw_polygon)(wmfAPI*, wmfPolyLine_t*) = nullptr;
    void (*draw_arc)(wmfAPI*, wmfDrawArc_t*) = nullptr;
    void (*draw_line)(wmfAPI*, wmfDrawLine_t*) = nullptr;
    void (*poly_line)(wmfAPI*, wmfPolyLine_t*) = nullptr;
    void (*draw_polypolygon)(wmfAPI*, wmfPolyPoly_t*) = nullptr;
    void (*draw_rectangle)(wmfAPI*, wmfDrawRectangle_t*) = nullptr;
    // Picture pixels per device unit, to choose how finely arcs are cut.
    double pixels_per_unit = 1;
    // The picture's rectangle in device units.
    wmfD_Rect frame{};
};

// Installs the replacements into the renderer's function table; call after
// wmf_api_create and before wmf_play.
void ReplaceArcShapes(wmfAPI* api, ArcShapes& shapes);

}  // namespace nuvra::linux_platform
