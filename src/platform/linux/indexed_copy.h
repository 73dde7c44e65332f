// The show's 8-bit frames as 32-bit pixels: an IndexedImage through its
// colour table into ARGB rows. Called by both present paths (and the frame
// benchmark); pure computation on memory the caller owns; never clips
// against anything but the picture itself.
#pragma once

#include "platform/window.h"

namespace nuvra::linux_platform {

// An 8-bit picture through its colour table into 32-bit ARGB rows of pitch
// bytes, top row first (the picture's rows are stored bottom first).
void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch);
// The same for part of the picture (in its top-first coordinates, clipped to
// it): target receives part's top-left pixel.
void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch, const platform::Rect& part);

}  // namespace nuvra::linux_platform
