#include "platform/linux/x11_zoom.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace nuvra::linux_platform {

namespace {

using Clock = std::chrono::steady_clock;

// Short: the dialog is drawn only once the outline has grown to it, and the
// whole opening should stay well under a third of a second.
constexpr int kSteps = 5;
constexpr std::chrono::milliseconds kStepShown{16};
constexpr int kLineWidth = 2;

// The step'th of kSteps rectangles from from to to, both included.
platform::Rect Between(const platform::Rect& from, const platform::Rect& to, int step)
{
    const auto at = [step](std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(std::int64_t{a} + (std::int64_t{b} - a) * step / (kSteps - 1));
    };
    return {at(from.left, to.left), at(from.top, to.top), at(from.right, to.right), at(from.bottom, to.bottom)};
}

// Edges beyond the screen stay just beyond it: X's coordinates are 16 bits,
// and a far edge would wrap around onto the screen.
std::int32_t Clamp(std::int32_t value, std::int32_t size)
{
    return std::clamp(value, -kLineWidth, size + kLineWidth);
}

class ScreenOutline {
public:
    explicit ScreenOutline(Display* display)
        : m_display(display),
          m_root(DefaultRootWindow(display)),
          m_width(DisplayWidth(display, DefaultScreen(display))),
          m_height(DisplayHeight(display, DefaultScreen(display)))
    {
        XGCValues values{};
        values.function = GXxor;
        // Every bit turned over: each pixel changes, whatever its colour.
        values.foreground = WhitePixel(display, DefaultScreen(display)) ^ BlackPixel(display, DefaultScreen(display));
        values.subwindow_mode = IncludeInferiors;
        values.line_width = kLineWidth;
        m_gc = XCreateGC(display, m_root, GCFunction | GCForeground | GCSubwindowMode | GCLineWidth, &values);
        // Nobody else draws while an outline is on the screen, or what
        // they drew would be turned over when it is taken away.
        XGrabServer(m_display);
    }
    ~ScreenOutline()
    {
        XUngrabServer(m_display);
        XFreeGC(m_display, m_gc);
        XSync(m_display, False);
    }
    ScreenOutline(const ScreenOutline&) = delete;
    ScreenOutline& operator=(const ScreenOutline&) = delete;

    // Drawing the same outline twice leaves the screen as it was.
    void Invert(const platform::Rect& rect)
    {
        const int left = Clamp(std::min(rect.left, rect.right), m_width);
        const int right = Clamp(std::max(rect.left, rect.right), m_width);
        const int top = Clamp(std::min(rect.top, rect.bottom), m_height);
        const int bottom = Clamp(std::max(rect.top, rect.bottom), m_height);
        if (right - left < 2 || bottom - top < 2)
            return;
        XDrawRectangle(m_display, m_root, m_gc, left, top, static_cast<unsigned>(right - left - 1),
                       static_cast<unsigned>(bottom - top - 1));
        XFlush(m_display);
    }

private:
    Display* m_display;
    ::Window m_root;
    int m_width;
    int m_height;
    GC m_gc;
};

void Animate(Display* display, const platform::Rect& from, const platform::Rect& to,
             const std::function<void(const platform::Rect&)>& while_shown, Clock::time_point deadline)
{
    ScreenOutline outline(display);
    for (int step = 0; step < kSteps; ++step) {
        // A step that could not end in time is not begun.
        if (Clock::now() + kStepShown > deadline)
            break;
        const platform::Rect rect = Between(from, to, step);
        outline.Invert(rect);
        if (while_shown)
            while_shown(rect);
        std::this_thread::sleep_for(kStepShown);
        outline.Invert(rect);
    }
}

}  // namespace

void DrawZoomOutline(const platform::Rect& from, const platform::Rect& to)
{
    const Clock::time_point deadline = Clock::now() + kZoomLimit;
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
        return;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return;
    Animate(display, from, to, {}, deadline);
    XCloseDisplay(display);
}

void DrawZoomOutline(Display* display, const platform::Rect& from, const platform::Rect& to,
                     const std::function<void(const platform::Rect&)>& while_shown)
{
    if (display != nullptr)
        Animate(display, from, to, while_shown, Clock::now() + kZoomLimit);
}

}  // namespace nuvra::linux_platform
