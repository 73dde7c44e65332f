// The SDL window system against an X server of its own: windows inside and
// as other programs' windows, the rectangles and the existence of windows it
// did not make, and the events it hands the core.
#include "platform/linux/sdl_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/e2e_harness.h"
#include "support/window_system_fixture.h"

// Xlib has a macro of this name.
constexpr nuvra::platform::InputKind kExposeEvent = nuvra::platform::InputKind::Expose;

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

// Where the machine has no graphics card, SDL's OpenGL probe loads Mesa's
// software renderer, which keeps what it set up once for its threads and
// is unloaded before the leak check. Its stack names it only when the
// sanitizer unwinds without frame pointers, which Mesa is built without;
// then lsan_suppressions.txt can name it.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

namespace nuvra::platform {
// For EXPECT_EQ, found by argument lookup.
bool operator==(const Rect& a, const Rect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace nuvra::platform

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

constexpr std::uint32_t kRed = 0x00FF0000;
constexpr std::uint32_t kWhite = 0x00FFFFFF;

std::string Describe(const Rect& rect)
{
    return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ") to (" + std::to_string(rect.right) +
           ", " + std::to_string(rect.bottom) + ")";
}

// A picture of one colour, as the show hands its frames over.
struct SolidPicture {
    SolidPicture(int width, int height, std::uint32_t colour)
        : pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0), palette{colour}
    {
        image.pixels = pixels.data();
        image.bytes_per_row = width;
        image.width = width;
        image.height = height;
        image.palette = palette.data();
        image.palette_size = palette.size();
    }
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint32_t> palette;
    platform::IndexedImage image;
};

class WindowSystemTest : public test::WindowSystemFixture {
protected:
    // A mapped top-level window of the test's own, white.
    static ::Window MakeWindow(int x, int y, int width, int height, ::Window parent = 0)
    {
        const ::Window window = XCreateSimpleWindow(s_display, parent != 0 ? parent : DefaultRootWindow(s_display), x, y,
                                                    static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0,
                                                    WhitePixel(s_display, DefaultScreen(s_display)));
        XMapWindow(s_display, window);
        XSync(s_display, False);
        return window;
    }

    std::unique_ptr<platform::Window> Create(WindowStyle style, Rect bounds, std::int64_t parent = 0)
    {
        platform::WindowRequest request;
        request.title = "window system test";
        request.style = style;
        request.bounds = bounds;
        if (parent != 0)
            request.parent = parent;
        return m_windows->CreateWindow(request);
    }
};

TEST_F(WindowSystemTest, AChildSitsAtItsPlaceInTheParentAndShowsWhatIsPresented)
{
    const ::Window parent = MakeWindow(100, 50, 300, 200);
    const auto child = Create(WindowStyle::Child, {20, 30, 140, 120}, static_cast<std::int64_t>(parent));
    ASSERT_NE(nullptr, child) << m_windows->last_error();
    child->Show();
    const SolidPicture red(120, 90, kRed);
    child->PresentIndexed(red.image, {0, 0});

    ::Window root = 0, found_parent = 0, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(s_display, static_cast<::Window>(child->NativeHandle()), &root, &found_parent, &children,
                           &count));
    XFree(children);
    EXPECT_EQ(parent, found_parent) << "the child's X parent";
    EXPECT_EQ((Rect{120, 80, 240, 170}), child->Bounds()) << Describe(child->Bounds());

    struct Probe {
        int x, y;
        Rgb expected;
    };
    const Probe probes[] = {
        {120, 80, {255, 0, 0}},   {239, 169, {255, 0, 0}},    // the child's corners
        {119, 80, {255, 255, 255}}, {240, 169, {255, 255, 255}},  // the parent beside it
        {120, 170, {255, 255, 255}}, {120, 79, {255, 255, 255}},
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(probe.expected, s_server->PixelAt(probe.x, probe.y))
            << "at (" << probe.x << ", " << probe.y << "): " << e2e::Describe(s_server->PixelAt(probe.x, probe.y));

    child->SetBounds({0, 0, 50, 40});
    EXPECT_EQ((Rect{100, 50, 150, 90}), child->Bounds()) << "moved within the parent: " << Describe(child->Bounds());
    XDestroyWindow(s_display, parent);
    XSync(s_display, False);
}

TEST_F(WindowSystemTest, AForeignWindowIsDrawnAsItIsAndReportsItsResizes)
{
    const ::Window foreign = MakeWindow(10, 20, 320, 240);
    auto window = Create(WindowStyle::Foreign, {}, static_cast<std::int64_t>(foreign));
    ASSERT_NE(nullptr, window) << m_windows->last_error();
    EXPECT_EQ(static_cast<std::int64_t>(foreign), window->NativeHandle());
    EXPECT_EQ((Rect{10, 20, 330, 260}), window->Bounds()) << Describe(window->Bounds());
    window->Show();
    const SolidPicture red(40, 30, kRed);
    window->PresentIndexed(red.image, {100, 100});
    EXPECT_EQ((Rgb{255, 0, 0}), s_server->PixelAt(110, 120));

    XResizeWindow(s_display, foreign, 400, 300);
    XSync(s_display, False);
    EXPECT_TRUE(PumpUntil([&](const InputEvent& event) {
        return event.kind == InputKind::Resized && event.window == static_cast<std::int64_t>(foreign) &&
               event.x == 400 && event.y == 300;
    })) << "no Resized to 400 x 300 for the foreign window";
    EXPECT_EQ((Rect{10, 20, 410, 320}), window->Bounds()) << Describe(window->Bounds());
    window.reset();
    EXPECT_TRUE(m_windows->GetWindowRect(static_cast<std::int64_t>(foreign))) << "ours to draw in, not to destroy";
    XDestroyWindow(s_display, foreign);
    XSync(s_display, False);
}

TEST_F(WindowSystemTest, GetWindowRectAnswersForLiveWindowsOnly)
{
    const ::Window live = MakeWindow(30, 40, 200, 100);
    const ::Window inner = MakeWindow(5, 6, 10, 10, live);
    const ::Window destroyed = MakeWindow(0, 0, 10, 10);
    XDestroyWindow(s_display, destroyed);
    XSync(s_display, False);

    struct Case {
        const char* name;
        std::int64_t handle;
        std::optional<Rect> expected;
    };
    const Case cases[] = {
        {"a top-level window", static_cast<std::int64_t>(live), Rect{30, 40, 230, 140}},
        {"a window inside it, in screen pixels", static_cast<std::int64_t>(inner), Rect{35, 46, 45, 56}},
        {"a destroyed window", static_cast<std::int64_t>(destroyed), std::nullopt},
        {"no window", 0, std::nullopt},
        {"a negative handle", -5, std::nullopt},
        {"a handle beyond X's ids", std::int64_t{1} << 40, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<Rect> got = m_windows->GetWindowRect(c.handle);
        EXPECT_EQ(c.expected.has_value(), got.has_value()) << c.name;
        if (c.expected && got) {
            EXPECT_EQ(*c.expected, *got) << c.name << ": got " << Describe(*got);
        }
    }
    XDestroyWindow(s_display, live);
    XSync(s_display, False);
}

// The pane or the daemon's window destroyed under a window of ours: the
// pump says so for our window. The show may draw a frame or two before it
// looks (its first one, even) and then lets go of the window: all on a dead
// window, and nothing dies of it.
TEST_F(WindowSystemTest, AWindowWhoseHostIsDestroyedIsReportedGoneAndNothingDiesOfIt)
{
    const SolidPicture red(200, 150, kRed);
    for (const WindowStyle style : {WindowStyle::Child, WindowStyle::Foreign}) {
        for (const bool drawn_before : {true, false}) {
            SCOPED_TRACE(std::string(style == WindowStyle::Child ? "child" : "foreign") +
                         (drawn_before ? ", drawn before its host went" : ", first drawn after"));
            const ::Window host = MakeWindow(50, 50, 200, 150);
            auto window = Create(style, {0, 0, 200, 150}, static_cast<std::int64_t>(host));
            ASSERT_NE(nullptr, window) << m_windows->last_error();
            const std::int64_t handle = window->NativeHandle();
            const auto gone = [&](const InputEvent& event) {
                return event.kind == InputKind::HostGone && event.window == handle;
            };
            window->Show();
            if (drawn_before)
                window->PresentIndexed(red.image, {0, 0});
            EXPECT_FALSE(PumpUntil(gone, 100ms)) << "gone while its host is there";

            XDestroyWindow(s_display, host);
            XSync(s_display, False);
            EXPECT_TRUE(PumpUntil(gone)) << "no HostGone";
            window->PresentIndexed(red.image, {0, 0});
            window->Present(platform::Canvas{4, 4, std::vector<std::uint32_t>(16, kWhite)});
            window.reset();
            std::vector<InputEvent> events;
            m_windows->PollEvents(events);
            EXPECT_FALSE(m_windows->GetWindowRect(static_cast<std::int64_t>(host)));
        }
    }
}

TEST_F(WindowSystemTest, ACreatedWindowForAParentThatIsGoneIsNone)
{
    const ::Window gone = MakeWindow(0, 0, 10, 10);
    XDestroyWindow(s_display, gone);
    XSync(s_display, False);
    for (WindowStyle style : {WindowStyle::Child, WindowStyle::Foreign}) {
        EXPECT_EQ(nullptr, Create(style, {0, 0, 10, 10}, static_cast<std::int64_t>(gone)));
        EXPECT_FALSE(m_windows->last_error().empty());
    }
}

// Focus, exposure, the mouse (captured while a button is held), the wheel,
// keys and text: every event names the window it belongs to.
TEST_F(WindowSystemTest, EventsCarryTheirWindow)
{
    auto first = Create(WindowStyle::Dialog, {40, 40, 240, 190});
    ASSERT_NE(nullptr, first) << m_windows->last_error();
    first->Show();
    const std::int64_t handle = first->NativeHandle();
    ASSERT_TRUE(PumpUntil([&](const InputEvent& e) { return e.kind == InputKind::FocusGained && e.window == handle; }))
        << "no FocusGained";
    EXPECT_TRUE(std::any_of(m_events.begin(), m_events.end(),
                            [&](const InputEvent& e) { return e.kind == kExposeEvent && e.window == handle; }))
        << "no Expose when the window appeared";

    ASSERT_TRUE(s_server->MovePointer(50, 50));
    ASSERT_TRUE(s_server->Xdotool({"mousedown", "1"}));
    ASSERT_TRUE(s_server->MovePointer(400, 300));  // out of the window, the button held
    ASSERT_TRUE(s_server->Xdotool({"mouseup", "1"}));
    ASSERT_TRUE(s_server->MovePointer(60, 60));
    ASSERT_TRUE(s_server->Xdotool({"click", "4"}));  // the wheel, one notch away from the user
    ASSERT_TRUE(s_server->Xdotool({"key", "x"}));
    ASSERT_TRUE(PumpUntil([&](const InputEvent& e) { return e.kind == InputKind::KeyUp; })) << "no KeyUp";

    struct Expected {
        const char* name;
        std::function<bool(const InputEvent&)> matches;
    };
    const Expected expected[] = {
        {"press at (10, 10)", [](const InputEvent& e) { return e.kind == InputKind::MouseDown && e.x == 10 && e.button == platform::MouseButton::Left; }},
        {"a move outside while captured", [](const InputEvent& e) { return e.kind == InputKind::MouseMove && e.x == 360 && e.y == 260; }},
        {"release outside", [](const InputEvent& e) { return e.kind == InputKind::MouseUp && e.x == 360; }},
        {"a notch away from the user", [](const InputEvent& e) { return e.kind == InputKind::Wheel && e.wheel == 1; }},
        {"X pressed", [](const InputEvent& e) { return e.kind == InputKind::KeyDown && e.key == platform::Key::Character; }},
        {"x typed", [](const InputEvent& e) { return e.kind == InputKind::TextInput && e.text == "x"; }},
    };
    for (const Expected& event : expected) {
        const auto found = std::find_if(m_events.begin(), m_events.end(), event.matches);
        ASSERT_NE(m_events.end(), found) << event.name;
        EXPECT_EQ(handle, found->window) << event.name;
    }

    // A second window takes the focus from the first.
    auto second = Create(WindowStyle::Dialog, {300, 40, 400, 140});
    ASSERT_NE(nullptr, second);
    second->Show();
    EXPECT_TRUE(PumpUntil([&](const InputEvent& e) { return e.kind == InputKind::FocusLost && e.window == handle; }));
    EXPECT_TRUE(std::any_of(m_events.begin(), m_events.end(), [&](const InputEvent& e) {
        return e.kind == InputKind::FocusGained && e.window == second->NativeHandle();
    }));
}

TEST_F(WindowSystemTest, TextArrivesAsUtf8AfterItsKeys)
{
    auto window = Create(WindowStyle::Dialog, {40, 40, 240, 190});
    ASSERT_NE(nullptr, window) << m_windows->last_error();
    window->Show();
    ASSERT_TRUE(PumpUntil([](const InputEvent& e) { return e.kind == InputKind::FocusGained; }));
    // Keys for the letters beyond ASCII, as a keyboard that has them maps
    // them (xdotool would map them only for the moment of each key, which
    // has passed when the pump reads it).
    KeyCode spare[2] = {};
    int low = 0, high = 0, per_code = 0;
    XDisplayKeycodes(s_display, &low, &high);
    KeySym* map = XGetKeyboardMapping(s_display, static_cast<KeyCode>(low), high - low + 1, &per_code);
    for (int code = high, found = 0; code >= low && found < 2; --code) {
        const KeySym* syms = map + (code - low) * per_code;
        if (std::all_of(syms, syms + per_code, [](KeySym sym) { return sym == NoSymbol; }))
            spare[found++] = static_cast<KeyCode>(code);
    }
    XFree(map);
    ASSERT_NE(0, spare[1]) << "no spare key codes";
    KeySym eacute = XK_eacute, euro = XK_EuroSign;
    XChangeKeyboardMapping(s_display, spare[0], 1, &eacute, 1);
    XChangeKeyboardMapping(s_display, spare[1], 1, &euro, 1);
    XSync(s_display, False);
    PumpUntil([](const InputEvent&) { return false; }, 200ms);
    m_events.clear();

    const std::string typed = "a\xC3\xA9\xE2\x82\xAC";  // a, e acute, the euro sign
    ASSERT_TRUE(s_server->Xdotool({"type", "--delay", "20", typed}));
    std::string text;
    PumpUntil([&](const InputEvent& e) {
        if (e.kind == InputKind::TextInput)
            text += e.text;
        return text.size() >= typed.size();
    });
    EXPECT_EQ(typed, text);
    const auto first_key = std::find_if(m_events.begin(), m_events.end(),
                                        [](const InputEvent& e) { return e.kind == InputKind::KeyDown; });
    const auto first_text = std::find_if(m_events.begin(), m_events.end(),
                                         [](const InputEvent& e) { return e.kind == InputKind::TextInput; });
    EXPECT_LT(first_key - m_events.begin(), first_text - m_events.begin()) << "the key comes before its text";
    for (const InputEvent& e : m_events)
        EXPECT_EQ(window->NativeHandle(), e.window) << "event kind " << static_cast<int>(e.kind);
}

TEST_F(WindowSystemTest, TheCloseBoxClosesItsOwnWindow)
{
    auto window = Create(WindowStyle::Dialog, {40, 40, 240, 190});
    ASSERT_NE(nullptr, window) << m_windows->last_error();
    window->Show();
    // What a window manager sends when the close box is clicked.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = static_cast<::Window>(window->NativeHandle());
    close.xclient.message_type = XInternAtom(s_display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(s_display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(s_display, close.xclient.window, False, NoEventMask, &close);
    XSync(s_display, False);
    EXPECT_TRUE(PumpUntil([&](const InputEvent& e) {
        return e.kind == InputKind::Close && e.window == window->NativeHandle();
    })) << "no Close for the window";
}

}  // namespace
}  // namespace nuvra
