// The hosted show on the real binary under a private X server: drawn in the
// window a screen-saver daemon names (here windows the test makes, and the
// root window), left running by keys and clicks, which belong to the daemon,
// and ended by SIGTERM with status 0 and its own work files gone, or by its
// window going away. Copies on two windows run side by side, each with its
// own work files, and only one of them plays the music (heard through SDL's
// disk audio driver).
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/system_services.h"
#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"
#include "support/tone_audio.h"

// After the harness: Xlib's macros stay out of the test's own names.
#include <X11/Xatom.h>
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
    // True once a client other than the test listens to the window: the
    // show has taken it.
    bool Watched(unsigned long window)
    {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(m_display, window, &attributes) != 0 &&
               (attributes.all_event_masks & StructureNotifyMask) != 0;
    }
    void Destroy(unsigned long window)
    {
        XDestroyWindow(m_display, window);
        XSync(m_display, False);
    }

    // What a daemon leaves for its savers before it covers the screen: the
    // desktop as a pixmap, named by the window's _SCREENSAVER_SCREENSHOT.
    // Here the desktop is horizontal stripes of red and green, 40 rows each.
    void SaveStripedDesktop(unsigned long window)
    {
        const int screen = DefaultScreen(m_display);
        const int width = DisplayWidth(m_display, screen);
        const int height = DisplayHeight(m_display, screen);
        const Pixmap desktop = XCreatePixmap(m_display, DefaultRootWindow(m_display), static_cast<unsigned>(width),
                                             static_cast<unsigned>(height),
                                             static_cast<unsigned>(DefaultDepth(m_display, screen)));
        GC gc = XCreateGC(m_display, desktop, 0, nullptr);
        for (int y = 0; y < height; y += 40) {
            XSetForeground(m_display, gc, (y / 40) % 2 == 0 ? 0xFF0000ul : 0x00FF00ul);
            XFillRectangle(m_display, desktop, gc, 0, y, static_cast<unsigned>(width), 40);
        }
        XFreeGC(m_display, gc);
        const unsigned long id = desktop;
        XChangeProperty(m_display, window, XInternAtom(m_display, "_SCREENSAVER_SCREENSHOT", False), XA_PIXMAP, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&id), 1);
        XSync(m_display, False);
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
    // What SDL's disk audio driver has written for one copy, window by
    // window: '1' the tone, '.' silence; empty where the copy never opened
    // the audio device.
    static std::string Heard(const std::string& capture, double hz)
    {
        const std::vector<std::int16_t> left = test::ReadCapture(capture);
        return test::Describe(test::Classify(left, 0, left.size(), {hz}));
    }
    // A quarter second of the tone without a break, not a click.
    static bool PlaysTheTone(const std::string& heard) { return heard.find(std::string(10, '1')) != std::string::npos; }
    static bool Silent(const std::string& heard) { return heard.find_first_not_of('.') == std::string::npos; }
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

TEST_F(E2eHostedTest, FpsHoldsTheShowToThatManyFramesASecond)
{
    DaemonWindows daemon(server());
    ASSERT_TRUE(daemon.ready());
    const unsigned long window = daemon.Make(0, 0, 400, 400);
    Show show(server(), home, NUVRA_BINARY, {"--root", "--fps", "5"}, {{"XSCREENSAVER_WINDOW", Hex(window)}});
    ASSERT_TRUE(show.WaitForPicture(200, 200)) << show.Output();
    // Every new frame turns the disc: count the changes of a patch of it
    // over two seconds, looking far more often than frames could come.
    const Region patch{220, 150, 60, 60};
    Screenshot last = server().Grab(patch);
    int changes = 0;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (std::chrono::steady_clock::now() < end) {
        Screenshot now = server().Grab(patch);
        if (!(now == last))
            ++changes;
        last = std::move(now);
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_GE(changes, 3) << "the disc hardly turned";
    EXPECT_LE(changes, 2 * 5 + 2) << "more frames than --fps 5 allows";
    EndWithSigterm(show, "-" + Hex(window));
}

// Without pictures the show turns the desktop the daemon saved for its
// window into the kaleidoscope; where the daemon saved none, the built-in
// sample picture.
TEST_F(E2eHostedTest, WithoutPicturesTheDesktopTheDaemonSavedIsTurned)
{
    home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", ""}});
    DaemonWindows daemon(server());
    ASSERT_TRUE(daemon.ready());
    const auto stripe_share = [&](const Box& disc) {
        const Screenshot shot = server().GrabScreen();
        int samples = 0, red = 0, green = 0;
        for (int y = disc.top + 20; y < disc.bottom - 20; y += 7)
            for (int x = disc.left + 20; x < disc.right - 20; x += 7) {
                const Rgb c = shot.at(x, y);
                ++samples;
                red += c.r > 200 && c.g < 60 && c.b < 60 ? 1 : 0;
                green += c.g > 200 && c.r < 60 && c.b < 60 ? 1 : 0;
            }
        return std::pair<double, double>{red / static_cast<double>(samples), green / static_cast<double>(samples)};
    };
    for (const bool saved : {true, false}) {
        SCOPED_TRACE(saved ? "desktop saved" : "nothing saved");
        const unsigned long window = daemon.Make(100, 50, 600, 400);
        if (saved)
            daemon.SaveStripedDesktop(window);
        Show show(server(), home, NUVRA_BINARY, {"--window-id", Hex(window)});
        ASSERT_TRUE(show.WaitForPicture(400, 250)) << show.Output();
        ASSERT_TRUE(show.WaitForTwoFrames({350, 200, 100, 100})) << show.Output();
        const std::optional<Box> disc = NonBlackBox(server().Grab({100, 50, 600, 400}));
        ASSERT_TRUE(disc.has_value());
        const auto [red, green] = stripe_share(*disc);
        if (saved) {
            EXPECT_GT(red, 0.2) << "red share " << red;
            EXPECT_GT(green, 0.2) << "green share " << green;
        } else {
            EXPECT_LT(red + green, 0.05) << "the stripes of a desktop nobody saved";
        }
        EndWithSigterm(show, "-" + Hex(window));
    }
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

// A daemon starts one copy per monitor at the same moment; the copies race
// for the music's claim and exactly one plays it, while the other animates
// in silence. The claim is taken once, when a copy starts: when the copy
// that plays ends, the music ends with it and does not move to the other.
TEST_F(E2eHostedTest, OfTwoCopiesStartedTogetherExactlyOnePlaysTheMusic)
{
    constexpr double kHz = 880.0;
    const std::string music = home.dir().WriteFile("loop.wav", test::WavFile(test::Tone(kHz, 2.0)));
    home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()}, {"ｲﾝﾀｰﾊﾞﾙ", "1"}, {"BGM区分", "2"}, {"BGMﾌｧｲﾙ", music}});
    DaemonWindows daemon(server());
    ASSERT_TRUE(daemon.ready());
    const unsigned long windows[2] = {daemon.Make(0, 0, 640, 720), daemon.Make(640, 0, 640, 720)};
    const Region watched[2] = {{280, 320, 80, 80}, {920, 320, 80, 80}};
    std::string captures[2];
    std::unique_ptr<Show> copies[2];
    for (int i = 0; i < 2; ++i) {
        captures[i] = (home.dir().path() / ("copy" + std::to_string(i) + ".raw")).string();
        std::map<std::string, std::string> environment = {{"SDL_AUDIODRIVER", "disk"},
                                                          {"SDL_DISKAUDIOFILE", captures[i]}};
        // Both ways a daemon names the window.
        std::vector<std::string> arguments = {"--window-id", Hex(windows[i])};
        if (i == 1) {
            arguments = {"--root"};
            environment["XSCREENSAVER_WINDOW"] = Hex(windows[i]);
        }
        copies[i] = std::make_unique<Show>(server(), home, NUVRA_BINARY, arguments, environment);
    }
    // A copy draws its first frame only after it has started its music or
    // left it to the other.
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(copies[i]->WaitForPicture(watched[i].x + 40, watched[i].y + 40)) << copies[i]->Output();

    int playing = -1;
    std::string heard[2];
    const bool one_plays = WaitUntil(
        [&] {
            for (int i = 0; i < 2; ++i) {
                heard[i] = Heard(captures[i], kHz);
                if (PlaysTheTone(heard[i]))
                    playing = i;
            }
            return playing >= 0;
        },
        Patience(8s), 20ms);
    ASSERT_TRUE(one_plays) << "no copy played the music: heard " << heard[0] << " and " << heard[1] << "\n"
                           << copies[0]->Output() << copies[1]->Output();
    const int quiet = 1 - playing;
    EXPECT_TRUE(copies[quiet]->WaitForTwoFrames(watched[quiet])) << "the silent copy stopped\n"
                                                                 << copies[quiet]->Output();
    EXPECT_TRUE(copies[playing]->WaitForTwoFrames(watched[playing])) << copies[playing]->Output();
    EXPECT_TRUE(Silent(Heard(captures[quiet], kHz))) << "both copies play: heard " << Heard(captures[quiet], kHz);

    EndWithSigterm(*copies[playing], "-" + Hex(windows[playing]));
    EXPECT_TRUE(copies[quiet]->WaitForTwoFrames(watched[quiet])) << "ending the music's copy disturbed the other";
    // No hand-over: the other copy stays silent for the rest of its show.
    EXPECT_FALSE(WaitUntil([&] { return !Silent(Heard(captures[quiet], kHz)); }, 1s, 50ms))
        << "the music moved to the other copy: heard " << Heard(captures[quiet], kHz);
    EXPECT_TRUE(copies[quiet]->Running());
    EndWithSigterm(*copies[quiet], "-" + Hex(windows[quiet]));
}

// The daemon takes its window away under the show, while it draws or while
// it is still starting: the show ends within two seconds as SIGTERM ends it,
// its music stopped, its work files gone, its claims on the window and on
// the music let go (their lock files with them), and without an X error.
TEST_F(E2eHostedTest, AWindowThatGoesEndsTheShowAsSigtermWould)
{
    constexpr double kHz = 660.0;
    const std::string music = home.dir().WriteFile("loop.wav", test::WavFile(test::Tone(kHz, 2.0)));
    home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()}, {"ｲﾝﾀｰﾊﾞﾙ", "1"}, {"BGM区分", "2"}, {"BGMﾌｧｲﾙ", music}});
    DaemonWindows daemon(server());
    ASSERT_TRUE(daemon.ready());
    linux_platform::LinuxInstanceGuard claims((home.dir().path() / "run").string());
    for (const bool drawing : {true, false}) {
        SCOPED_TRACE(drawing ? "while it draws" : "while it starts");
        const unsigned long window = daemon.Make(100, 50, 500, 400);
        const std::string tag = "-" + Hex(window);
        const std::string capture = (home.dir().path() / ("heard" + tag + ".raw")).string();
        std::map<std::string, std::string> environment = {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", capture}};
        // Both ways a daemon names the window.
        std::vector<std::string> arguments = {"--window-id", Hex(window)};
        if (!drawing) {
            arguments = {"--root"};
            environment["XSCREENSAVER_WINDOW"] = Hex(window);
        }
        Show show(server(), home, NUVRA_BINARY, arguments, environment);
        if (drawing) {
            ASSERT_TRUE(show.WaitForPicture(350, 250)) << show.Output();
            ASSERT_TRUE(WaitUntil([&] { return PlaysTheTone(Heard(capture, kHz)); }, Patience(8s), 20ms))
                << "no music before the window went: heard " << Heard(capture, kHz);
            EXPECT_TRUE(std::filesystem::exists(WorkFile("Tmp_nuvra02" + tag + ".bmp")));
        } else {
            // Gone as soon as the show has taken it, before its first frame.
            ASSERT_TRUE(WaitUntil([&] { return daemon.Watched(window) || !show.Running(); }, Patience(10s), 1ms))
                << show.Output();
        }
        daemon.Destroy(window);

        const std::optional<ExitStatus> status = show.process().Wait(Patience(2s));
        ASSERT_TRUE(status.has_value()) << "the show outlived its window";
        // Gone before the show had its window, it is a window that never
        // was: said, status 1.
        EXPECT_TRUE(*status == 0 || (!drawing && *status == 1)) << *status << "\n" << show.Output();
        EXPECT_EQ(show.Output().find("X Error"), std::string::npos) << show.Output();
        for (const char* name : {"Tmp_nuvra01", "Tmp_nuvra02"})
            EXPECT_FALSE(std::filesystem::exists(WorkFile(name + tag + ".bmp"))) << name << tag;
        for (const std::string& title : {kShowTitle + tag, std::string("Nuvra_Music")}) {
            EXPECT_FALSE(claims.WindowExists(title)) << title;
            EXPECT_FALSE(std::filesystem::exists(claims.LockPath(title))) << title;
        }
    }
}

}  // namespace
}  // namespace nuvra::e2e
