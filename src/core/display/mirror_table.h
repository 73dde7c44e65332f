// The renderer's per-picture geometry: the 1-degree cosine and sine tables
// and the point table of the primary octant with its eight mirror images.
//
// Both are filled by PrepareDisplay for every new picture; the frame step
// only reads them. Pure computation on the form's state.
#pragma once

#include <cstdint>

#include "display/nuvra_s.h"

namespace nuvra {

// The 2 pi of the trigonometry: slightly larger than 2 pi, and kept so. With
// it the octant test |atan(q / p)| < kTwoPi / 8 also accepts the diagonal
// q = p, and the tables hold the values users have always seen.
inline constexpr double kTwoPi = 6.28318530717959;

// CosTable(a), SinTable(a) for a = 0..359: cos and sin of a * kTwoPi / 360,
// each rounded to single precision, the same bits on every platform
// (display/trig_tables.h).
void FillTrigTables(NuvraS& form);

// Sets ViewSize = S (Img_View's width) and ViewHalf, then lists every point
// (i, j), i outer and j inner from h to S - 1, with p = i - h + 1 and
// q = j - h + 1 inside the disc (p^2 + q^2 < h^2) and the octant (q <= p),
// storing its eight images in PointX / PointY and the last index in
// LastPoint (-1 for none: S <= 3 gives no point).
void BuildMirrorTable(NuvraS& form);

}  // namespace nuvra
