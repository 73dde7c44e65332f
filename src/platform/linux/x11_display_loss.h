// Losing the X server (the user logs out, the server dies) shows up as an
// I/O error in whichever Xlib call comes next, on any of our connections:
// SDL's, the pointer's, the desktop capture's. Xlib's own handler ends the
// process on the spot, so nothing would be cleaned up; ours runs the cleanup
// the app registered, then ends the process with status 1.
#pragma once

#include <functional>

namespace nuvra::linux_platform {

// Puts our handler in place of Xlib's, for every connection of the process
// (opened before or after). Idempotent.
void InstallDisplayLossHandler();

// What to run when the display is lost; empty for nothing. It runs once, on
// the thread whose X call found the loss, and must not use X (the server is
// gone: a call that reaches Xlib ends the process at once). After it the
// process ends with std::_Exit(1): no atexit handlers, no static destructors
// (they would talk to the dead server), never a return into Xlib. Must stay
// callable until replaced.
void SetDisplayLostHandler(std::function<void()> handler);

}  // namespace nuvra::linux_platform
