#include "platform/linux/x11_windows.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdlib>

#include "platform/linux/x11_errors.h"

namespace nuvra::linux_platform {

namespace {

// X resource ids have 29 bits; anything else (0, a negative number from a
// command line, a value cut from a 64-bit handle) names no window.
constexpr std::int64_t kMaxResourceId = 0x1FFFFFFF;

std::optional<::Window> AsWindow(std::int64_t handle)
{
    if (handle <= 0 || handle > kMaxResourceId)
        return std::nullopt;
    return static_cast<::Window>(handle);
}

}  // namespace

std::shared_ptr<X11Windows> X11Windows::Open()
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
        return nullptr;
    TolerateVanishedWindows();
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return nullptr;
    return std::make_shared<X11Windows>(display);
}

X11Windows::~X11Windows()
{
    XCloseDisplay(m_display);
}

std::optional<platform::Rect> X11Windows::WindowRect(std::int64_t handle)
{
    const std::optional<::Window> window = AsWindow(handle);
    if (!window)
        return std::nullopt;
    XErrorTrap trap(m_display);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(m_display, *window, &attributes) == 0 || trap.Failed())
        return std::nullopt;
    int x = 0, y = 0;
    ::Window child = 0;
    if (!XTranslateCoordinates(m_display, *window, attributes.root, 0, 0, &x, &y, &child) || trap.Failed())
        return std::nullopt;
    return platform::Rect{x, y, x + attributes.width, y + attributes.height};
}

bool X11Windows::Exists(std::int64_t handle)
{
    const std::optional<::Window> window = AsWindow(handle);
    if (!window)
        return false;
    XErrorTrap trap(m_display);
    XWindowAttributes attributes{};
    return XGetWindowAttributes(m_display, *window, &attributes) != 0 && !trap.Failed();
}

std::int64_t X11Windows::Root()
{
    return static_cast<std::int64_t>(DefaultRootWindow(m_display));
}

std::int64_t X11Windows::CreateUnplaced(const platform::Rect& bounds)
{
    const unsigned width = static_cast<unsigned>(std::max(1, bounds.right - bounds.left));
    const unsigned height = static_cast<unsigned>(std::max(1, bounds.bottom - bounds.top));
    // Passed over by a window manager, which would otherwise take it for a
    // window of its own to frame.
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(m_display, DefaultScreen(m_display));
    XErrorTrap trap(m_display);
    const ::Window window =
        XCreateWindow(m_display, DefaultRootWindow(m_display), bounds.left, bounds.top, width, height, 0,
                      CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    // The window must exist on the server before SDL's connection asks
    // about it: the trap's round trip sees to that.
    if (trap.Failed()) {
        XDestroyWindow(m_display, window);
        return 0;
    }
    return static_cast<std::int64_t>(window);
}

bool X11Windows::PlaceInside(std::int64_t handle, std::int64_t parent_handle, platform::Point place)
{
    const std::optional<::Window> window = AsWindow(handle);
    const std::optional<::Window> parent = AsWindow(parent_handle);
    if (!window || !parent)
        return false;
    XErrorTrap trap(m_display);
    XReparentWindow(m_display, *window, *parent, place.x, place.y);
    return !trap.Failed();
}

bool X11Windows::Watch(std::int64_t handle)
{
    const std::optional<::Window> window = AsWindow(handle);
    if (!window)
        return false;
    XErrorTrap trap(m_display);
    XSelectInput(m_display, *window, StructureNotifyMask);
    return !trap.Failed();
}

void X11Windows::TakeDestroyed(std::vector<std::int64_t>& destroyed)
{
    // The watched windows' moves and resizes come along; only their end is
    // wanted here.
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == DestroyNotify)
            destroyed.push_back(static_cast<std::int64_t>(event.xdestroywindow.window));
    }
}

void X11Windows::Map(std::int64_t handle)
{
    const std::optional<::Window> window = AsWindow(handle);
    if (!window)
        return;
    XErrorTrap trap(m_display);
    XMapWindow(m_display, *window);
}

void X11Windows::MoveResize(std::int64_t handle, const platform::Rect& bounds)
{
    const std::optional<::Window> window = AsWindow(handle);
    if (!window)
        return;
    XErrorTrap trap(m_display);
    XMoveResizeWindow(m_display, *window, bounds.left, bounds.top,
                      static_cast<unsigned>(std::max(1, bounds.right - bounds.left)),
                      static_cast<unsigned>(std::max(1, bounds.bottom - bounds.top)));
}

void X11Windows::Destroy(std::int64_t handle)
{
    const std::optional<::Window> window = AsWindow(handle);
    if (!window)
        return;
    XErrorTrap trap(m_display);
    XDestroyWindow(m_display, *window);
}

}  // namespace nuvra::linux_platform
