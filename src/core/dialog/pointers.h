// The settings dialog's own mouse pointers, 32 x 32 each, black outlines
// filled with white so that they read on light and dark backgrounds alike;
// every other pixel is fully transparent.
//
//   ControlPointer  a pointing hand over a control; hot spot at the
//                   fingertip, (12, 1)
//   LinkPointer     the hand beside a small globe, over a web link; hot
//                   spot at its fingertip, (12, 10)
//
// Each is built on first use and lives for the whole run, so a window may
// keep its address (Window::SetPointer).
#pragma once

#include "platform/window.h"

namespace nuvra::dialog {

const platform::PointerImage& ControlPointer();
const platform::PointerImage& LinkPointer();

}  // namespace nuvra::dialog
