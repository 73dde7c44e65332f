// How often the show draws a frame. The disc turns a fixed angle a frame, so
// the frame rate is its speed: the show keeps to a whole fraction of the
// display's refresh (every frame on screen for as many refreshes as the
// last, so nothing judders) no faster than a limit, 60 a second unless the
// user chooses otherwise (kDefaultFrameLimit). A fast monitor then costs no
// more, and turns the disc no faster, than an ordinary one.
#pragma once

#include <cstdint>

#include "platform/window.h"

namespace nuvra {

// What --fps accepts.
inline constexpr int kLowestFrameLimit = 5;
inline constexpr int kHighestFrameLimit = 240;

// refresh_hz: the display's, 0 where it is not known (the limit is then the
// rate). limit: frames a second at most, above 0.
platform::FramePacing ChooseFramePacing(double refresh_hz, int limit);

}  // namespace nuvra
