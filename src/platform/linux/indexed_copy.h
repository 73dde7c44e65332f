// The show's 8-bit frames as 32-bit pixels: an IndexedImage through its
// colour table into ARGB rows. Called by both present paths (and the frame
// benchmark); pure computation on memory the caller owns; never clips
// against anything but the picture itself.
//
// Three ways to convert give the same pixels: one pixel at a time (kept as
// the reference), eight at a time from one 64-bit read of the indexes
// (any compiler), and 64 at a time with AVX-512's byte permutes, the colour
// table held in registers as three planes (chosen at run time). The AVX2
// gather was measured slower than eight at a time, so there is no AVX2 way.
// For a picture whose rows read the same from both ends (rows_mirrored),
// the last two convert each row up to its middle and reverse those pixels
// into the rest; the first converts every pixel, as the reference.
#pragma once

#include <span>

#include "platform/window.h"

namespace nuvra::linux_platform {

enum class ConversionUnits { Scalar, Baseline, Avx512 };

ConversionUnits BestConversionUnits();
bool ConversionUnitsAvailable(ConversionUnits units);

// An 8-bit picture through its colour table into 32-bit ARGB rows of pitch
// bytes, top row first (the picture's rows are stored bottom first).
void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch);
// The same for part of the picture (in its top-first coordinates, clipped to
// it): target receives part's top-left pixel. With rows (a span per stored
// row, as IndexedImage::changed_rows), only the pixels of each row's span
// inside part are written (a row the same as one above it is copied from
// what was made of that one); the rest of the target is left alone.
void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch, const platform::Rect& part,
                       std::span<const platform::RowSpan> rows = {},
                       ConversionUnits units = BestConversionUnits());

}  // namespace nuvra::linux_platform
