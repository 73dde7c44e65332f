// Other programs' X11 windows, over a connection of our own: the preview
// pane our child window lives in, a screen-saver daemon's window we draw
// into, any window whose rectangle is asked for, and the end of the windows
// we draw in. Made by the window system
// on first need and shared with the windows that stand on it, so the
// connection outlives every child window it made. Every request about a
// window that may be gone runs under an error trap: a missing window is an
// answer, never the end of the process. It never draws and reads no input.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/window.h"

struct _XDisplay;  // Xlib's Display, kept out of this header

namespace nuvra::linux_platform {

class X11Windows {
public:
    // Null when the display named by DISPLAY cannot be opened.
    static std::shared_ptr<X11Windows> Open();
    explicit X11Windows(::_XDisplay* display) : m_display(display) {}
    ~X11Windows();
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    // The window's rectangle in screen pixels (its client area, from the
    // root's corner); nothing when there is no such window.
    std::optional<platform::Rect> WindowRect(std::int64_t window);
    bool Exists(std::int64_t window);
    // The root window of the default screen.
    std::int64_t Root();

    // A new window of ours without a border, as large as bounds, unmapped
    // and in no other program's window yet: nobody else can take it away
    // while SDL sets it up. 0 when it cannot be made.
    std::int64_t CreateUnplaced(const platform::Rect& bounds);
    // Moves a window of ours into parent, at place in parent's client area;
    // false when parent is gone.
    bool PlaceInside(std::int64_t window, std::int64_t parent, platform::Point place);
    // From now on TakeDestroyed reports the window's end; false when there
    // is no such window.
    bool Watch(std::int64_t window);
    // Appends the watched windows destroyed since the last call.
    void TakeDestroyed(std::vector<std::int64_t>& destroyed);
    // Maps a window we made; nothing happens when it is gone.
    void Map(std::int64_t window);
    // Moves a window we made (bounds in its parent's client area).
    void MoveResize(std::int64_t window, const platform::Rect& bounds);
    // Destroys a window we made; nothing happens when it is already gone
    // (its parent went and took it along).
    void Destroy(std::int64_t window);

private:
    ::_XDisplay* m_display;
};

// A child window we made, destroyed when this goes.
class OwnedX11Window {
public:
    OwnedX11Window(std::shared_ptr<X11Windows> windows, std::int64_t window)
        : m_windows(std::move(windows)), m_window(window)
    {
    }
    ~OwnedX11Window() { m_windows->Destroy(m_window); }
    OwnedX11Window(const OwnedX11Window&) = delete;
    OwnedX11Window& operator=(const OwnedX11Window&) = delete;

    std::int64_t id() const { return m_window; }

private:
    std::shared_ptr<X11Windows> m_windows;
    std::int64_t m_window;
};

}  // namespace nuvra::linux_platform
