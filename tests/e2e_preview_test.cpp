// The preview on the real binary under a private X server: "nuvra /p <id>"
// draws the 152 x 112 sample picture unscaled at the top-left corner of the
// pane a host made, black elsewhere, never reads the settings, and ends with
// status 0 (and no X error) when the host destroys its pane, even while the
// preview is still starting. An id that names no window ends it at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>
#include <thread>

#include "support/e2e_harness.h"

// After the harness: Xlib's macros stay out of the test's own names.
#include <X11/Xlib.h>

namespace nuvra::e2e {
namespace {

constexpr int kSampleWidth = 152;
constexpr int kSampleHeight = 112;
constexpr int kPaneLeft = 200;
constexpr int kPaneTop = 100;

enum class PaneState { Shown, Hidden };

// The host's pane: a white window, so that what the preview leaves black is
// told apart from what it never covered.
class HostPane {
public:
    HostPane(const XServer& server, int width, int height, PaneState state = PaneState::Shown)
        : m_display(XOpenDisplay(server.name().c_str()))
    {
        if (m_display == nullptr)
            return;
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), kPaneLeft, kPaneTop,
                                       static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0,
                                       WhitePixel(m_display, DefaultScreen(m_display)));
        // To hear of the preview's window arriving inside.
        XSelectInput(m_display, m_window, SubstructureNotifyMask);
        if (state == PaneState::Shown)
            XMapWindow(m_display, m_window);
        XSync(m_display, False);
    }
    ~HostPane()
    {
        if (m_display != nullptr)
            XCloseDisplay(m_display);
    }
    HostPane(const HostPane&) = delete;
    HostPane& operator=(const HostPane&) = delete;

    bool ready() const { return m_display != nullptr && m_window != 0; }
    std::string id() const { return std::to_string(m_window); }
    void Destroy()
    {
        XDestroyWindow(m_display, m_window);
        XSync(m_display, False);
    }
    // Waits until the pane hears one of these about a window inside it:
    // CreateNotify, ReparentNotify (moved there), MapNotify.
    bool WaitForAWindowInside(std::initializer_list<int> event_types)
    {
        return WaitUntil(
            [&] {
                while (XPending(m_display) > 0) {
                    XEvent event;
                    XNextEvent(m_display, &event);
                    if (std::find(event_types.begin(), event_types.end(), event.type) != event_types.end())
                        return true;
                }
                return false;
            },
            Patience(10s));
    }

private:
    ::Display* m_display = nullptr;
    ::Window m_window = 0;
};

class E2ePreviewTest : public ShowTest {};

TEST_F(E2ePreviewTest, TheSamplePictureSitsUnscaledAtThePanesCornerUntilThePaneGoes)
{
    // The settings file cannot be read: the preview does not look at it.
    home.WriteSettings({{"ｲﾝﾀｰﾊﾞﾙ", "abc"}});
    const struct {
        int width, height;
    } panes[] = {{152, 112}, {300, 200}, {100, 80}};
    for (const auto& size : panes) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        HostPane pane(server(), size.width, size.height);
        ASSERT_TRUE(pane.ready());
        Show preview(server(), home, NUVRA_BINARY, {"/p", pane.id()});
        // Drawn once the white pane's corner has turned black (the sample's
        // corners are black) and the disc's centre is lit.
        ASSERT_TRUE(WaitUntil(
            [&] {
                const Rgb centre = server().PixelAt(kPaneLeft + 76, kPaneTop + 56);
                return IsBlack(server().PixelAt(kPaneLeft + 1, kPaneTop + 1)) && !IsBlack(centre) &&
                       !(centre == Rgb{255, 255, 255});
            },
            Patience(10s)))
            << preview.Output();
        const Screenshot shot = server().Grab({kPaneLeft, kPaneTop, size.width, size.height});
        ASSERT_FALSE(shot.empty());
        // The whole pane is ours: nothing of the white pane shows.
        for (int y = 0; y < size.height; y += 7)
            for (int x = 0; x < size.width; x += 7)
                ASSERT_FALSE(shot.at(kPaneLeft + x, kPaneTop + y) == (Rgb{255, 255, 255}))
                    << "the pane shows through at " << x << ", " << y;
        // Black beyond the picture, where the pane is larger.
        if (size.width > kSampleWidth) {
            EXPECT_TRUE(IsBlack(shot.at(kPaneLeft + size.width - 2, kPaneTop + size.height / 2)));
        }
        if (size.height > kSampleHeight) {
            EXPECT_TRUE(IsBlack(shot.at(kPaneLeft + size.width / 2, kPaneTop + size.height - 2)));
        }
        // The picture is not scaled: its disc (112 across, centred in 152)
        // starts 20 pixels in, whatever the pane's size.
        if (size.width >= kSampleWidth) {
            EXPECT_TRUE(IsBlack(shot.at(kPaneLeft + 15, kPaneTop + 56)));
            EXPECT_FALSE(IsBlack(shot.at(kPaneLeft + 30, kPaneTop + 56)));
        }

        pane.Destroy();
        const std::optional<ExitStatus> status = preview.WaitForEnd();
        ASSERT_TRUE(status.has_value()) << "the preview outlived its pane";
        EXPECT_EQ(*status, 0);
        EXPECT_EQ(preview.Output().find("X Error"), std::string::npos) << preview.Output();
    }
}

// A settings panel that switches savers quickly destroys its pane while
// the preview is still starting: whenever that happens, the preview ends
// within two seconds, without a crash or an X error.
TEST_F(E2ePreviewTest, APaneDestroyedWhileThePreviewStartsEndsItQuietly)
{
    // Ten starts with the pane destroyed 50 to 95 ms in; then three with it
    // destroyed the moment the preview's window turns up in it, which must
    // not catch the window half set up.
    constexpr int kTimedStarts = 10;
    for (int start = 0; start < kTimedStarts + 3; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        HostPane pane(server(), 300, 200);
        ASSERT_TRUE(pane.ready());
        Show preview(server(), home, NUVRA_BINARY, {"/p", pane.id()});
        if (start < kTimedStarts)
            std::this_thread::sleep_for(50ms + start * 5ms);
        else
            ASSERT_TRUE(pane.WaitForAWindowInside({CreateNotify, ReparentNotify})) << preview.Output();
        pane.Destroy();
        const std::optional<ExitStatus> status = preview.process().Wait(Patience(2s));
        ASSERT_TRUE(status.has_value()) << "the preview outlived its pane";
        EXPECT_LT(*status, 128) << "ended by signal " << *status - 128 << "\n" << preview.Output();
        EXPECT_EQ(preview.Output().find("X Error"), std::string::npos) << preview.Output();
    }
}

// A pane the host keeps hidden (as it shows another page, or before it
// destroys it): the preview leaves it and the focus alone, and ends when the
// pane goes.
TEST_F(E2ePreviewTest, APreviewInAHiddenPaneWaitsForItToGo)
{
    HostPane pane(server(), 300, 200, PaneState::Hidden);
    ASSERT_TRUE(pane.ready());
    Show preview(server(), home, NUVRA_BINARY, {"/p", pane.id()});
    ASSERT_TRUE(pane.WaitForAWindowInside({MapNotify})) << preview.Output();
    pane.Destroy();
    const std::optional<ExitStatus> status = preview.WaitForEnd();
    ASSERT_TRUE(status.has_value()) << "the preview outlived its pane";
    EXPECT_EQ(*status, 0) << preview.Output();
    EXPECT_EQ(preview.Output().find("X Error"), std::string::npos) << preview.Output();
}

// Nothing could ever be seen of a preview without a pane: it ends at once,
// saying so, whatever the id (none, a window destroyed before, digits that
// name nothing, not a number).
TEST_F(E2ePreviewTest, AnIdThatNamesNoWindowEndsThePreviewSayingSo)
{
    HostPane destroyed(server(), 10, 10);
    ASSERT_TRUE(destroyed.ready());
    destroyed.Destroy();
    for (const std::string& id : {std::string(), std::string("0"), destroyed.id(), std::string("0x7777777"),
                                  std::string("0xZZ"), std::string("-5")}) {
        SCOPED_TRACE("/p \"" + id + "\"");
        Show preview(server(), home, NUVRA_BINARY, {"/p", id});
        const std::optional<ExitStatus> status = preview.process().Wait(Patience(2s));
        ASSERT_TRUE(status.has_value()) << "the preview runs on with nothing to show in";
        EXPECT_EQ(*status, 1) << preview.Output();
        EXPECT_EQ(preview.Output().rfind("nuvra: ", 0), 0u) << preview.Output();
    }
}

}  // namespace
}  // namespace nuvra::e2e
