// The settings dialog's window services against an X server of the test's
// own: the dialog window itself (title, place, frame, task bar), canvases in
// a window grown under them, each window's own pointer, and the zoom
// outline drawn on the screen.
#include "platform/linux/sdl_window.h"
#include "platform/linux/x11_zoom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/e2e_harness.h"
#include "support/window_system_fixture.h"
#include "support/temp_dir.h"

// Xlib has a macro of this name.
constexpr nuvra::platform::InputKind kExposeEvent = nuvra::platform::InputKind::Expose;

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

namespace nuvra {
namespace {

using e2e::Patience;
using e2e::Rgb;
using linux_platform::SdlCursor;
using linux_platform::SdlWindowSystem;
using platform::InputEvent;
using platform::InputKind;
using platform::Rect;
using platform::WindowStyle;
using namespace std::chrono_literals;

const std::string kTitle = "Nuvraの設定";

class DialogWindowTest : public test::WindowSystemFixture {
protected:
    std::unique_ptr<platform::Window> Dialog(Rect bounds, const std::string& title = kTitle)
    {
        platform::WindowRequest request;
        request.title = title;
        request.style = WindowStyle::Dialog;
        request.bounds = bounds;
        auto window = m_windows->CreateWindow(request);
        if (window) {
            window->Show();
            PumpUntil([](const InputEvent& e) { return e.kind == kExposeEvent; });
        }
        return window;
    }

    std::string Property(::Window window, const char* name)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::string value;
        if (XGetWindowProperty(s_display, window, XInternAtom(s_display, name, False), 0, 1024, False,
                               AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
            data != nullptr) {
            // Xlib hands 32-bit items over as longs.
            const unsigned long item = format == 32 ? sizeof(long) : static_cast<unsigned long>(format / 8);
            value.assign(reinterpret_cast<const char*>(data), count * item);
            XFree(data);
        }
        return value;
    }

    std::vector<Atom> Atoms(::Window window, const char* name)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<Atom> atoms;
        if (XGetWindowProperty(s_display, window, XInternAtom(s_display, name, False), 0, 64, False, XA_ATOM, &type,
                               &format, &count, &after, &data) == Success &&
            data != nullptr) {
            const auto* values = reinterpret_cast<const Atom*>(data);
            atoms.assign(values, values + count);
            XFree(data);
        }
        return atoms;
    }

};

TEST_F(DialogWindowTest, TheDialogIsAFramedResizableWindowFoundByItsJapaneseTitle)
{
    const auto dialog = Dialog({100, 80, 520, 380});
    ASSERT_NE(nullptr, dialog) << m_windows->last_error();
    const auto window = static_cast<::Window>(dialog->NativeHandle());
    EXPECT_TRUE(std::any_of(m_events.begin(), m_events.end(), [&](const InputEvent& e) {
        return e.kind == kExposeEvent && e.window == dialog->NativeHandle();
    })) << "no Expose to paint the dialog";

    // Both names, for the tools that read one or the other.
    EXPECT_EQ(kTitle, Property(window, "_NET_WM_NAME"));
    EXPECT_EQ(kTitle, Property(window, "WM_NAME"));
    const std::string id = std::to_string(window);
    const test::TempDir logs;
    e2e::ChildProcess search({"xdotool", "search", "--name", kTitle}, {{"DISPLAY", s_server->name()}},
                             (logs.path() / "xdotool.out").string());
    EXPECT_EQ(0, search.Wait(Patience(10s)));
    EXPECT_NE(std::string::npos, search.Output().find(id)) << search.Output();
    EXPECT_EQ(0, e2e::RunTool({"xwininfo", "-name", kTitle}, {{"DISPLAY", s_server->name()}}));

    // The client area is the bounds, where they say.
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(s_display, window, DefaultRootWindow(s_display), 0, 0, &x, &y, &child);
    XWindowAttributes attributes{};
    XGetWindowAttributes(s_display, window, &attributes);
    EXPECT_EQ(100, x);
    EXPECT_EQ(80, y);
    EXPECT_EQ(420, attributes.width);
    EXPECT_EQ(300, attributes.height);
    EXPECT_FALSE(attributes.override_redirect) << "the window manager frames it";

    const std::vector<Atom> state = Atoms(window, "_NET_WM_STATE");
    EXPECT_NE(state.end(), std::find(state.begin(), state.end(), XInternAtom(s_display, "_NET_WM_STATE_SKIP_TASKBAR", False)))
        << "in the task bar";
    XSizeHints hints{};
    long supplied = 0;
    XGetWMNormalHints(s_display, window, &hints, &supplied);
    const bool fixed = (hints.flags & PMinSize) && (hints.flags & PMaxSize) && hints.min_width == hints.max_width &&
                       hints.min_height == hints.max_height;
    EXPECT_FALSE(fixed) << "the size is fixed";
    // A borderless window asks the window manager for no decorations.
    const std::string motif = Property(window, "_MOTIF_WM_HINTS");
    if (motif.size() >= 3 * sizeof(long)) {
        const auto* fields = reinterpret_cast<const long*>(motif.data());
        EXPECT_TRUE((fields[0] & 2) == 0 || fields[2] != 0) << "no frame";
    }
}

// The canvas is copied pixel for pixel to the top-left corner; where the
// window has grown beyond it, the canvas's last colour (the dialog's face)
// fills the rest until the next repaint.
TEST_F(DialogWindowTest, ACanvasInAGrownDialogStaysAtTheTopLeft)
{
    constexpr std::uint32_t kFace = 0x00D4D0C8, kStripe = 0x0000A000;
    const auto dialog = Dialog({50, 40, 250, 140});
    ASSERT_NE(nullptr, dialog) << m_windows->last_error();
    platform::Canvas canvas{200, 100, std::vector<std::uint32_t>(200 * 100, kFace)};
    for (int y = 0; y < 100; ++y) {
        for (int x = 120; x < 130; ++x)
            canvas.pixels[static_cast<std::size_t>(y) * 200 + x] = kStripe;
    }
    dialog->Present(canvas);
    EXPECT_EQ((Rgb{0, 0xA0, 0}), s_server->PixelAt(50 + 125, 40 + 50));

    // As a window manager would resize it at the user's drag.
    XResizeWindow(s_display, static_cast<::Window>(dialog->NativeHandle()), 320, 180);
    XSync(s_display, False);
    ASSERT_TRUE(PumpUntil([&](const InputEvent& e) {
        return e.kind == InputKind::Resized && e.window == dialog->NativeHandle() && e.x == 320 && e.y == 180;
    })) << "no Resized to 320 x 180";
    dialog->Present(canvas);

    struct Probe {
        const char* name;
        int x, y;
        Rgb expected;
    };
    const Rgb face{0xD4, 0xD0, 0xC8}, stripe{0, 0xA0, 0};
    const Probe probes[] = {
        {"the stripe, unscaled", 125, 50, stripe},
        {"the stripe's left edge", 120, 99, stripe},
        {"left of the stripe", 119, 50, face},
        {"where a stretched stripe would be", 195, 50, face},
        {"beyond the canvas to the right", 300, 20, face},
        {"beyond the canvas below", 20, 170, face},
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(probe.expected, s_server->PixelAt(50 + probe.x, 40 + probe.y)) << probe.name;

    // A canvas short of pixels for its size shows nothing and breaks nothing.
    dialog->Present(platform::Canvas{200, 100, std::vector<std::uint32_t>(10, 0)});
    EXPECT_EQ(stripe, s_server->PixelAt(50 + 125, 40 + 50));
}

// Each window's pointer is the one shown while the pointer is over it; null
// brings back the system's arrow.
TEST_F(DialogWindowTest, EachWindowShowsItsOwnPointer)
{
    int event_base = 0, error_base = 0;
    ASSERT_TRUE(XFixesQueryExtension(s_display, &event_base, &error_base)) << "no XFIXES to read the pointer";
    const auto image = [](int size, std::uint32_t colour, platform::Point hot) {
        return platform::PointerImage{size, size, std::vector<std::uint32_t>(static_cast<std::size_t>(size * size), colour),
                                      hot};
    };
    const platform::PointerImage red = image(16, 0xFFFF0000, {3, 5});
    const platform::PointerImage green = image(24, 0xFF00FF00, {30, -4});  // a hot spot off the image
    struct Shown {
        int width, height, hot_x, hot_y;
        unsigned long middle;
    };
    const auto shown = [&] {
        XFixesCursorImage* cursor = XFixesGetCursorImage(s_display);
        Shown result{};
        if (cursor != nullptr) {
            result = {cursor->width, cursor->height, cursor->xhot, cursor->yhot,
                      cursor->pixels[(cursor->height / 2) * cursor->width + cursor->width / 2] & 0xFFFFFFFF};
            XFree(cursor);
        }
        return result;
    };
    // The pointer's shape as the server shows it, once it satisfies done
    // (the window system's requests reach the server on a connection of
    // their own), or as it is when the time is up.
    const auto shown_once = [&](const std::function<bool(const Shown&)>& done) {
        Shown now{};
        e2e::WaitUntil([&] { return done(now = shown()); }, Patience(2s));
        return now;
    };
    const auto over = [&](int x, int y) {
        EXPECT_TRUE(s_server->MovePointer(x, y));
        PumpUntil([](const InputEvent&) { return false; }, 300ms);
    };

    const auto first = Dialog({20, 20, 220, 170}, "first");
    const auto second = Dialog({300, 20, 500, 170}, "second");
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    over(100, 100);
    first->SetPointer(&red);
    second->SetPointer(&green);
    Shown now = shown_once([](const Shown& s) { return s.width == 16; });
    EXPECT_EQ(16, now.width);
    EXPECT_EQ(3, now.hot_x);
    EXPECT_EQ(5, now.hot_y);
    EXPECT_EQ(0xFFFF0000ul, now.middle) << "the second window's pointer took over the first";

    over(400, 100);
    now = shown_once([](const Shown& s) { return s.width == 24; });
    EXPECT_EQ(24, now.width);
    EXPECT_EQ(23, now.hot_x) << "the hot spot is kept on the image";
    EXPECT_EQ(0, now.hot_y);
    EXPECT_EQ(0xFF00FF00ul, now.middle);

    over(100, 100);
    EXPECT_EQ(16, shown_once([](const Shown& s) { return s.width == 16; }).width) << "back over the first window";
    first->SetPointer(nullptr);
    now = shown_once([](const Shown& s) { return s.middle != 0xFFFF0000ul; });
    EXPECT_NE(0xFFFF0000ul, now.middle) << "the arrow did not come back";

    // An image short of its pixels is no pointer: the arrow.
    const platform::PointerImage broken{16, 16, std::vector<std::uint32_t>(10, 0xFFFF0000), {0, 0}};
    first->SetPointer(&red);
    ASSERT_EQ(0xFFFF0000ul, shown_once([](const Shown& s) { return s.middle == 0xFFFF0000ul; }).middle);
    first->SetPointer(&broken);
    EXPECT_NE(0xFFFF0000ul, shown_once([](const Shown& s) { return s.middle != 0xFFFF0000ul; }).middle);
}

// The hourglass stands in for the window's own pointer while the program is
// busy, and the window's pointer comes back after.
TEST_F(DialogWindowTest, TheHourglassShowsWhileBusyAndThePointerComesBack)
{
    int event_base = 0, error_base = 0;
    ASSERT_TRUE(XFixesQueryExtension(s_display, &event_base, &error_base)) << "no XFIXES to read the pointer";
    const auto middle = [&] {
        unsigned long pixel = 0;
        if (XFixesCursorImage* cursor = XFixesGetCursorImage(s_display)) {
            pixel = cursor->pixels[(cursor->height / 2) * cursor->width + cursor->width / 2] & 0xFFFFFFFF;
            XFree(cursor);
        }
        return pixel;
    };
    const platform::PointerImage red{16, 16, std::vector<std::uint32_t>(256, 0xFFFF0000), {0, 0}};
    const auto dialog = Dialog({20, 20, 220, 170});
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(s_server->MovePointer(100, 100));
    PumpUntil([](const InputEvent&) { return false; }, 300ms);
    dialog->SetPointer(&red);
    ASSERT_TRUE(e2e::WaitUntil([&] { return middle() == 0xFFFF0000ul; }, Patience(2s)));
    m_cursor.SetBusy(true);
    EXPECT_TRUE(e2e::WaitUntil([&] { return middle() != 0xFFFF0000ul; }, Patience(2s))) << "no hourglass";
    m_cursor.SetBusy(false);
    EXPECT_TRUE(e2e::WaitUntil([&] { return middle() == 0xFFFF0000ul; }, Patience(2s))) << "the pointer did not come back";
}

// Each step's outline is on the screen (over windows too) while it is
// shown, and the screen is as it was once the animation is over.
TEST_F(DialogWindowTest, TheZoomOutlineIsShownAndLeavesNoMark)
{
    s_server->PaintRoot({0x30, 0x60, 0x90});
    const ::Window cover = XCreateSimpleWindow(s_display, DefaultRootWindow(s_display), 150, 100, 200, 150, 0, 0,
                                               0x00E0C040);
    XMapWindow(s_display, cover);
    XSync(s_display, False);
    const e2e::Screenshot before = s_server->GrabScreen();

    const Rect from{200, 150, 240, 170}, to{40, 30, 600, 450};
    std::vector<Rect> steps;
    linux_platform::DrawZoomOutline(s_display, from, to, [&](const Rect& rect) {
        steps.push_back(rect);
        // Read on the connection that holds the server: nobody else may.
        XImage* image = XGetImage(s_display, DefaultRootWindow(s_display), rect.left - 1, rect.top - 1, 3, 3,
                                  AllPlanes, ZPixmap);
        ASSERT_NE(nullptr, image);
        int turned = 0;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 3; ++x) {
                const Rgb was = before.at(rect.left - 1 + x, rect.top - 1 + y);
                const unsigned long pixel = XGetPixel(image, x, y) & 0xFFFFFF;
                turned += pixel != static_cast<unsigned long>(was.r << 16 | was.g << 8 | was.b) ? 1 : 0;
            }
        }
        XDestroyImage(image);
        EXPECT_GT(turned, 0) << "no outline at " << rect.left << ", " << rect.top;
    });
    ASSERT_GE(steps.size(), 4u);
    EXPECT_EQ(from.left, steps.front().left);
    EXPECT_EQ(to.right, steps.back().right);
    EXPECT_TRUE(s_server->GrabScreen() == before) << "the outline left a mark";

    // Through the window, on a connection of its own, in time; rectangles
    // far off the screen leave no mark either.
    const auto dialog = Dialog({300, 300, 400, 380});
    ASSERT_NE(nullptr, dialog);
    const e2e::Screenshot with_dialog = s_server->GrabScreen();
    const Rect far{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    for (const auto& [start, end] : {std::pair{from, to}, std::pair{to, from}, std::pair{far, from},
                                     std::pair{Rect{70000, 5, 70010, 9}, Rect{-70000, 0, -69000, 10}}}) {
        const auto started = std::chrono::steady_clock::now();
        dialog->DrawAnimatedRect(start, end);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 250ms);
        EXPECT_TRUE(s_server->GrabScreen() == with_dialog) << "the outline left a mark";
    }

    // Without a display there is nothing to draw on, and no wait.
    unsetenv("DISPLAY");
    const auto started = std::chrono::steady_clock::now();
    linux_platform::DrawZoomOutline(from, to);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20ms);
    XDestroyWindow(s_display, cover);
    XSync(s_display, False);
}

}  // namespace
}  // namespace nuvra
