// What the shared-memory present path sends of a frame that changed only
// some rows: a few horizontal bands, each as wide as the widest changed span
// among its rows. The disc's changed pixels form a circle, so the bands
// follow its outline and the black corners of its box are not sent again.
// Called by SurfacePresenter for every such frame; pure computation.
#pragma once

#include <cstdint>
#include <span>

#include "platform/window.h"

namespace nuvra::linux_platform {

// Bands the present path cuts a frame's changed rows into: more bands hug
// the circle closer but cost the X server one request each. With 32 a
// disc's bands hold 81 % of its box (the circle itself 79 %; one band would
// be the whole box), and the requests cost far less than the copying saved.
inline constexpr int kChangedBands = 32;

// The rows of part (in the picture's top-first coordinates) cut into
// bands.size() bands of equal height; each band that holds a changed pixel
// becomes the smallest rectangle around its rows' spans inside part. rows
// holds a span per stored row (bottom row first, as
// IndexedImage::changed_rows) of a picture height rows tall; rows past its
// end are unchanged. Returns how many rectangles were written to bands, top
// first.
int ChangedBands(std::span<const platform::RowSpan> rows, std::int32_t height, const platform::Rect& part,
                 std::span<platform::Rect> bands);

}  // namespace nuvra::linux_platform
