// Picture preparation: turns the next picture of the list, or the desktop,
// into the square work files the renderer loads. The square is no taller
// than the screen; the first work file holds it at its own depth (written by
// the platform's BMP writer and read back), the second at 8 bits
// (SaveAs8BitBitmap).
//
// LoadNextPicture runs when the show starts with a non-empty list and at
// every picture change; every step runs and a failing one is skipped, so a
// picture that cannot be loaded shows the previous one again. CaptureDesktop
// runs at the start of a show whose list is empty, before the show's window
// is up; it stops at the first failing step.
#pragma once

#include <cstdint>
#include <optional>

#include "display/nuvra_s.h"
#include "modules.h"
#include "platform/platform.h"

namespace nuvra {

// The side of the centre square: the smallest of width, height and the
// screen height, decided in the order the show has always used.
std::int32_t CentreSquareSide(std::int32_t width, std::int32_t height, std::int32_t screen_height);

// (extent - side) / 2 rounded half to even: 2.5 gives 2, 3.5 gives 4.
std::int32_t CentreOffset(std::int32_t extent, std::int32_t side);

// The side x side square whose top-left pixel is (left, top), top row 0, at
// the picture's depth (with its palette). Parts outside the picture are
// black, as a screen copy from outside the screen gives. Empty for side <= 0
// or an empty picture.
platform::Picture CropSquare(const platform::Picture& picture, std::int32_t left, std::int32_t top,
                             std::int32_t side);

// Where no desktop can be captured: the built-in sample picture, scaled to
// the screen height and centred on a black screen-sized picture, so that the
// centre square the capture takes is the sample's disc, whole.
std::optional<platform::Picture> SampleDesktop(std::int32_t screen_width, std::int32_t screen_height,
                                               platform::PictureCodec& pictures);

void LoadNextPicture(NuvraS& form, NuvraB& nuvra_b, platform::Platform& platform);

void CaptureDesktop(NuvraS& form, platform::Platform& platform);

}  // namespace nuvra
