// Filled ellipses, pies and chords for libwmf's gd renderer.
//
// The gd layer leaves ellipses unfilled, fills chords and pies wrongly and
// draws a pie's sides to the far points the record gives instead of to its
// arc. Its polygons are right (fill with the brush, outline with the pen),
// so these three shapes are handed to it as polygons that follow the arc.
#pragma once

#include <libwmf/api.h>
#include <libwmf/ipa.h>

namespace nuvra::linux_platform {

// Lives as long as the playback; api->user_data points at it.
struct ArcShapes {
    void (*draw_polygon)(wmfAPI*, wmfPolyLine_t*) = nullptr;
    // Picture pixels per device unit, to choose how finely arcs are cut.
    double pixels_per_unit = 1;
};

// Installs the replacements into the renderer's function table; call after
// wmf_api_create and before wmf_play.
void ReplaceArcShapes(wmfAPI* api, ArcShapes& shapes);

}  // namespace nuvra::linux_platform
