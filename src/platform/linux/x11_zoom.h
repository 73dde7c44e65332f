// The zoom effect: an outline rectangle that travels across the screen from
// one rectangle to another, as a window opening from a button does. Called
// by SdlWindow::DrawAnimatedRect; drawn straight onto the X screen over
// every window, by inverting pixels, so that drawing it again takes it away.
//
// The whole animation runs inside one call: a few steps, each outline shown
// for a moment and then taken away, within kZoomLimit. Nothing else can
// draw on the screen meanwhile (the server is held for us), so no mark is
// ever left behind. Without an X display it does nothing.
#pragma once

#include <chrono>
#include <functional>

#include "platform/window.h"

struct _XDisplay;  // Xlib's Display, kept out of this header

namespace nuvra::linux_platform {

// The longest the animation takes, connecting to the display included.
inline constexpr std::chrono::milliseconds kZoomLimit{200};

// On the display named by DISPLAY, over a connection of its own.
void DrawZoomOutline(const platform::Rect& from, const platform::Rect& to);

// On display; while_shown (if any) runs while each step's outline is on the
// screen, with the rectangle it outlines.
void DrawZoomOutline(::_XDisplay* display, const platform::Rect& from, const platform::Rect& to,
                     const std::function<void(const platform::Rect&)>& while_shown);

}  // namespace nuvra::linux_platform
