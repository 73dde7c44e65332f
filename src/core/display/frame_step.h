// One frame of the kaleidoscope: the angle advances, the primary octant of
// the disc is sampled from the source picture at that angle, and each sample
// is written to its eight mirror positions in the display picture.
//
// The show's frame step on the event loop calls RunKaleidoscopeFrame once
// per frame, then repaints. Pixels of the square outside the disc
// are never written, so they keep the index 0 PrepareDisplay gave them.
//
// Two versions of the drawing give the same bytes: the straightforward one
// walks the point table point by point, eight writes each, and is kept as
// the reference; the fast one samples the octant once into a small
// buffer in row order and then fills the square row by row through the
// symmetries.
#pragma once

#include "display/nuvra_s.h"
#include "display/octant_sampling.h"
#include "images/pixel_array.h"
#include "modules.h"

namespace nuvra {

// Angle = (AngleStep + Angle + 360) mod 360 on the 16-bit fields. The sum is
// taken without overflow and a negative remainder (a step below -360) is
// brought into 0..359, so the angle always indexes the tables.
void AdvanceAngle(NuvraS& form);

// Samples and mirrors every point of the table at the current Angle: u is
// kept in single precision and v in double, both rounded half to even, eight
// writes per point. The arrays must cover the ViewSize square.
void DrawKaleidoscopeStraightforward(const NuvraS& form, const PixelArray& source, const PixelArray& display);

// The same bytes as DrawKaleidoscopeStraightforward, written in cache order,
// with the best units this processor has (or the ones named, when
// available). Uses form.quarter_disc as its working memory.
void DrawKaleidoscope(NuvraS& form, const PixelArray& source, const PixelArray& display);
void DrawKaleidoscope(NuvraS& form, const PixelArray& source, const PixelArray& display, FrameStepUnits units);

// The quarter disc laid out for the current ViewSize, with disc_rows and
// disc_box: the part of the square any frame writes.
const QuarterDiscBuffer& LayOutDisc(NuvraS& form);

// The Display picture as a window is sent it (every pixel changed; the
// caller says otherwise where it knows better). Its rows read the same from
// both ends whenever it is the ViewSize square.
platform::IndexedImage DisplayImage(const NuvraS& form);

// Steps 1 to 3 of a frame: AdvanceAngle, then DrawKaleidoscope, which is
// skipped (nothing read, nothing written) unless both SourcePixels and
// DisplayPixels are bound and cover the ViewSize square. True when the
// disc was drawn. Repainting and the events are the frame loop's.
bool RunKaleidoscopeFrame(NuvraS& form, NuvraB& nuvra_b);

}  // namespace nuvra
