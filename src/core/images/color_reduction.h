// The 8-bit conversion of the work file: a per-picture adaptive palette of
// 256 colours (Wu's variance-minimising box cuts on a 32-level-per-channel
// histogram), then the nearest palette colour for every pixel, with no
// dithering (dithering sparkles once the picture rotates). A picture with
// at most 255 colours besides black keeps exactly its own colours instead.
//
// Entry 0 is always black (0, 0, 0): the renderer leaves the corners of the
// square outside the disc at index 0, and they must vanish into the black
// screen. The cuts fill entries 1 to 255 only, but the nearest-colour search
// includes entry 0, so pixels that are black (or nearer to black than to any
// cut's colour) share index 0 with the corners: both are black on screen, so
// no entry is spent on black twice.
//
// Called by SaveAs8BitBitmap; pure computation, no files.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/picture.h"

namespace nuvra {

// 0x00RRGGBB, as platform::Picture keeps its colour tables.
using Palette256 = std::array<std::uint32_t, 256>;

// Row length of an 8-bit picture: the width rounded up to a multiple of 4.
std::int64_t EightBitStride(std::int32_t width);

// Converts a 24- or 32-bit picture: fills palette (entries past the colours
// found stay black) and writes one index per pixel into indexes, rows of
// EightBitStride(width) bytes in the picture's own row order, padding bytes
// 0. False, and nothing written, when the picture is not 24 or 32 bits, is
// empty, its buffer is shorter than its stride and height say, or indexes is
// too small.
bool ReduceTo256Colours(const platform::Picture& picture, Palette256& palette, std::span<std::uint8_t> indexes);

}  // namespace nuvra
