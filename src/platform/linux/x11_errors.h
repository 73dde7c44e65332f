// Xlib's protocol errors (a request the server refused: BadWindow for a
// window that is gone, BadAccess, ...). Xlib reports them through one
// process-wide handler whose default prints the error and ends the process.
// Called by the backend's X11 users: the window system (foreign windows that
// can vanish at any moment), the desktop capture. Owns that handler; never
// touches the handler for a lost connection (x11_display_loss.h).
#pragma once

struct _XDisplay;  // Xlib's Display, kept out of this header

namespace nuvra::linux_platform {

// From now on a BadWindow or BadDrawable error, or the BadGC of a drawing
// context made for a window already gone, no longer ends the process: a
// window we draw into or ask about may belong to another program and go
// away between two requests (the preview pane closed, a screen-saver daemon
// tearing its window down). Other errors still reach the handler that was in
// place. Idempotent.
void TolerateVanishedWindows();

// Records the protocol errors of one connection while it lives, so that a
// request that may fail (the window asked about is gone) fails instead of
// ending the process. Traps never nest; two threads take turns.
class XErrorTrap {
public:
    explicit XErrorTrap(::_XDisplay* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // True when a request of this connection failed since the last check
    // (waits for the server's answers first).
    bool Failed();

private:
    ::_XDisplay* m_display;
};

}  // namespace nuvra::linux_platform
