// The hosted show on the real binary under a private X server: drawn in the
// window a screen-saver daemon names (here windows the test makes, and the
// root window), left running by keys and clicks, which belong to the daemon,
// and ended by SIGTERM with status 0 and its own work files gone. Copies on
// two windows run side by side, each with its own work files.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"

// After the harness: Xlib's macros stay out of the test's own names.
#include <X11/Xlib.h>

namespace nuvra::e2e {
namespace {

// An X connection of the test's own that makes the daemon's windows.
class DaemonWindows {
public:
    explicit DaemonWindows(const XServer& server) : m_display(XOpenDisplay(server.name().c_str())) {}
    ~DaemonWindows()
    {
        if (m_display != nullptr)
            XCloseDisplay(m_display);
    }
    DaemonWindows(const DaemonWindows&) = delete;
    DaemonWindows& operator=(const DaemonWindows&) = delete;

    bool ready() const { return m_display != nullptr; }
    // A black, mapped top-level window at x, y.
    unsigned long Make(int x, int y, int width, int height)
    {
        const ::Window window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), x, y,
                                                    static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0,
                                                    BlackPixel(m_display, DefaultScreen(m_display)));
        XMapWindow(m_display, window);
        XSync(m_display, False);
        return window;
    }

private:
    ::Display* m_display;
};

std::string Hex(unsigned long window)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

class E2eHostedTest : public ShowTest {
protected:
    void SetUp() override
    {
        ShowTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(WritePatternPicture(home.PicturePath("pattern.bmp"), 800, 600));
        home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()}, {"ｲﾝﾀｰﾊﾞﾙ", "1"}});
    }
    std::string WorkFile(const std::string& name) const
    {
        return (home.dir().path() / "cache" / "nuvra" / name).string();
    }
    // SIGTERM ends a hosted copy with status 0 and takes its work files.
    void EndWithSigterm(Show& show, const std::string& tag)
    {
        show.process().Signal(SIGTERM);
        const std::optional<ExitStatus> status = show.WaitForEnd();
        ASSERT_TRUE(status.has_value()) << "SIGTERM did not end the hosted show " << tag;
        EXPECT_EQ(*status, 0) << show.Output();
        for (const char* name : {"Tmp_nuvra01", "Tmp_nuvra02"})
            EXPECT_FALSE(std::filesystem::exists(WorkFile(std::string(name) + tag + ".bmp"))) << name << tag;
    }
};

TEST_F(E2eHostedTest, TheShowFillsTheDaemonsWindowAndOnlySigtermEndsIt)
{
    DaemonWindows daemon(server());
    ASSERT_TRUE(daemon.ready());
    // A window of 500 x 400 at (100, 50): the disc is 400 across, centred in
    // it, and nothing is drawn outside it.
    const unsigned long window = daemon.Make(100, 50, 500, 400);
    Show show(server(), home, NUVRA_BINARY, {"--root"}, {{"XSCREENSAVER_WINDOW", Hex(window)}});
    ASSERT_TRUE(show.WaitForPicture(350, 250)) << show.Output();
    const std::optional<Box> disc = NonBlackBox(server().GrabScreen());
    ASSERT_TRUE(disc.has_value());
    EXPECT_GE(disc->left, 150 - 2) << Describe(*disc);
    EXPECT_LE(disc->right, 550 + 2) << Describe(*disc);
    EXPECT_GE(disc->top, 50) << Describe(*disc);
    EXPECT_LE(disc->bottom, 450) << Describe(*disc);
    EXPECT_TRUE(std::filesystem::exists(WorkFile("Tmp_nuvra02-" + Hex(window) + ".bmp")));

    // Keys, clicks and movements are the daemon's business.
    ASSERT_TRUE(server().MovePointer(340, 240));
    ASSERT_TRUE(server().Xdotool({"mousemove", "360", "270", "click", "1", "key", "Escape"}));
    EXPECT_TRUE(show.WaitForTwoFrames({300, 200, 100, 100})) << "the hosted show stopped\n" << show.Output();
    EXPECT_TRUE(show.Running());
    EndWithSigterm(show, "-" + Hex(window));
}

TEST_F(E2eHostedTest, CopiesOnTwoWindowsRunSideBySideWithTheirOwnWorkFiles)
{
    DaemonWindows daemon(server());
    ASSERT_TRUE(daemon.ready());
    const unsigned long left = daemon.Make(0, 0, 640, 720);
    const unsigned long right = daemon.Make(640, 0, 640, 720);
    Show first(server(), home, NUVRA_BINARY, {"--window-id", Hex(left)});
    Show second(server(), home, NUVRA_BINARY, {"-root", "--speed", "9"}, {{"XSCREENSAVER_WINDOW", Hex(right)}});
    ASSERT_TRUE(first.WaitForPicture(320, 360)) << first.Output();
    ASSERT_TRUE(second.WaitForPicture(960, 360)) << second.Output();
    EXPECT_TRUE(first.WaitForTwoFrames({280, 320, 80, 80})) << first.Output();
    EXPECT_TRUE(second.WaitForTwoFrames({920, 320, 80, 80})) << second.Output();
    for (const unsigned long window : {left, right})
        EXPECT_TRUE(std::filesystem::exists(WorkFile("Tmp_nuvra02-" + Hex(window) + ".bmp"))) << Hex(window);

    EndWithSigterm(first, "-" + Hex(left));
    EXPECT_TRUE(second.WaitForTwoFrames({920, 320, 80, 80})) << "ending one copy disturbed the other";
    EndWithSigterm(second, "-" + Hex(right));
}

}  // namespace
}  // namespace nuvra::e2e
