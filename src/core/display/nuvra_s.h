// The state of the display form Nuvra_S: screen size, picture counters, the
// moving box, the renderer's tables and angle, and the pictures the form
// owns. One object per show, created by the display window (and fresh by
// each test); the renderer and the picture preparation work on it.
//
// Img_View and Display own the pixel memory that NuvraB's SourcePixels and
// DisplayPixels view: whoever replaces one of these pictures unbinds the
// matching array first.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/form_timer.h"
#include "platform/picture.h"
#include "platform/window.h"

namespace nuvra {

// The fast frame step's working memory, sized for one ViewSize: the sampled
// quarter disc, row t (1-based) holding columns 1..width[t].
struct QuarterDiscBuffer {
    std::int32_t side = -1;                 // the ViewSize it was laid out for
    std::vector<std::int32_t> width;        // [t]: last column of row t inside the disc
    std::vector<std::int64_t> start;        // [t]: offset of row t's column 1 in samples
    std::vector<std::uint8_t> samples;      // every row, one after another
    std::vector<std::int32_t> source_offset;  // one row's sample addresses, reused
    // What of the square the step writes: a span per stored row (empty
    // outside the disc), and the box around them in stored rows.
    std::vector<platform::RowSpan> disc_rows;
    platform::Rect disc_box;
};

struct NuvraS {
    // Screen size in pixels, set once when the form loads.
    std::int16_t ScreenWidthPx = 0;
    std::int16_t ScreenHeightPx = 0;

    // Position in ShowOrder of the picture shown; 0 before the first.
    std::int16_t PictureIndex = 0;
    // Seconds since the last picture change.
    std::int16_t ChangeTicks = 0;

    // The moving box: screen centre, step per tick (+3 or -3), offset from
    // the centred position.
    std::int16_t BounceCentreX = 0;
    std::int16_t BounceCentreY = 0;
    std::int16_t BounceStepX = 0;
    std::int16_t BounceStepY = 0;
    std::int16_t BounceOffsetX = 0;
    std::int16_t BounceOffsetY = 0;

    // The renderer. S = ViewSize, h = ViewHalf = S / 2 truncated.
    std::int16_t ViewSize = 0;
    std::int16_t ViewHalf = 0;
    std::array<float, 360> CosTable{};
    std::array<float, 360> SinTable{};
    // PointX[k][n], PointY[k][n]: image k (0..7) of octant point n (0..LastPoint).
    std::array<std::vector<std::int16_t>, 8> PointX;
    std::array<std::vector<std::int16_t>, 8> PointY;
    std::int32_t LastPoint = -1;
    std::int16_t AngleStep = 0;
    // Set to stop the frame loop; a refused password clears it again.
    bool StopFlag = false;
    // Whole degrees 0..359; never reset, so it carries over between pictures.
    std::int16_t Angle = 0;

    // The end of the show: the first pointer position seen.
    bool HaveFirstMouse = false;
    float FirstMouseX = 0.0f;
    float FirstMouseY = 0.0f;

    // The form's pictures. Img_View is the 8-bit source, Display the 8-bit
    // copy drawn into, Pic_Ogn the square of the picture shown, at the
    // screen's depth, and EightBitSquare its 8-bit form, from which every
    // PrepareDisplay copies Img_View and Display afresh.
    platform::Picture Img_View;
    platform::Picture Display;
    platform::Picture Pic_Ogn;
    platform::Picture EightBitSquare;
    // Set once work files could not be written, so that is said only once.
    bool WorkFilesReported = false;
    // Tells this show's work files apart from those of shows beside it.
    std::string WorkFileTag;

    // The Display box on the form: its position as the placement rule gives
    // it (fractions kept; the drawing code turns them into pixels) and its
    // size, set to Img_View's size for every picture.
    double DisplayLeft = 0.0;
    double DisplayTop = 0.0;
    std::int32_t DisplayWidth = 0;
    std::int32_t DisplayHeight = 0;

    QuarterDiscBuffer quarter_disc;
    // Set when Display is filled afresh (new pixels outside the disc, a new
    // colour table): the next repaint sends all of it, and clears this.
    bool display_renewed = true;

    // Timer1 MP3 repeat (1 s), Timer2 CD poll (200 ms), Timer4 picture
    // change counter (1 s), Timer5 moving box (1 ms, in practice once a
    // frame); all disabled until the form loads.
    FormTimer Timer1{false, 1000};
    FormTimer Timer2{false, 200};
    FormTimer Timer4{false, 1000};
    FormTimer Timer5{false, 1};
};

}  // namespace nuvra
