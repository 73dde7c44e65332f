// The end-to-end harness: a private X server, the real nuvra binary in a
// home of temporary folders, the screen read back pixel by pixel, and the
// pointer and keyboard driven with xdotool.
//
// Everything started here is stopped by its owner's destructor, so a failed
// assertion never leaves an X server or a show running. Nothing waits a
// fixed time: every wait polls for what it needs until a deadline, and the
// deadlines are stretched for sanitizer builds, where the show is slower.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

struct _XDisplay;  // Xlib's Display; Xlib's macros stay out of the tests

namespace nuvra::e2e {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;

// base, or a multiple of it where sanitizers slow everything down.
Milliseconds Patience(Milliseconds base);

// Polls done until it holds or limit has passed; true when it held.
bool WaitUntil(const std::function<bool()>& done, Milliseconds limit, Milliseconds poll = 10ms);

// The exit status of a child: its exit code, or 128 + the signal that
// ended it.
using ExitStatus = int;

// One child process with an environment of its own, its standard output
// and error sent to a file, its standard input empty. Killed and reaped
// when the object goes away if it is still running.
class ChildProcess {
public:
    // environment: variables to set in the child on top of this process's
    // own, where an empty value removes the variable.
    ChildProcess(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment,
                 const std::string& output_path);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return m_pid; }
    bool started() const { return m_pid > 0; }
    bool Running();
    // The status once the child has ended, or nothing when it is still
    // running at the deadline.
    std::optional<ExitStatus> Wait(Milliseconds limit);
    void Signal(int signal_number) const;
    std::string Output() const;

private:
    int m_pid = -1;
    std::optional<ExitStatus> m_status;
    std::string m_output_path;
};

// A tool run to its end (xdotool, convert); its status, or nothing when it
// did not end within limit (it is then killed).
std::optional<ExitStatus> RunTool(const std::vector<std::string>& arguments,
                                  const std::map<std::string, std::string>& environment = {},
                                  Milliseconds limit = 20s);

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
std::string Describe(Rgb colour);
// The largest difference of one channel.
int Distance(Rgb a, Rgb b);
inline bool IsBlack(Rgb colour)
{
    return colour == Rgb{};
}

struct Region {
    int x = 0, y = 0, width = 0, height = 0;
};

// A rectangle of the screen as read back from the server.
struct Screenshot {
    Region region;
    std::vector<Rgb> pixels;  // row by row
    // x and y in screen coordinates.
    Rgb at(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y - region.y) * static_cast<std::size_t>(region.width) +
                      static_cast<std::size_t>(x - region.x)];
    }
    bool empty() const { return pixels.empty(); }
    bool operator==(const Screenshot&) const;
};

// The smallest rectangle holding every pixel that is not black, in screen
// coordinates; nothing when all is black.
struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom inclusive
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};
std::optional<Box> NonBlackBox(const Screenshot& shot);
std::string Describe(const Box& box);

// An Xvfb of our own on the first free display number from 90 upward, with
// one connection of ours kept open for reading the screen and the pointer.
class XServer {
public:
    XServer(int width, int height);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool ready() const { return m_display != nullptr; }
    // Why the server is not ready.
    const std::string& failure() const { return m_failure; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // ":N", for DISPLAY.
    std::string name() const { return ":" + std::to_string(m_number); }

    Screenshot Grab(Region region);
    Screenshot GrabScreen() { return Grab({0, 0, m_width, m_height}); }
    Rgb PixelAt(int x, int y) { return Grab({x, y, 1, 1}).at(x, y); }
    struct Point {
        int x = 0, y = 0;
    };
    Point Pointer();
    // The number of mapped, viewable windows with this exact title.
    int ViewableWindows(const std::string& title);
    // Paints the root window (what a capture of the desktop sees where no
    // window covers it).
    void PaintRoot(Rgb colour);

    // Ends the server at once, as when the session is lost. Our own
    // connection is closed first, so only the other clients see it go.
    void Crash();

    // Runs xdotool on this server and waits until the pointer is where a
    // mousemove put it, so the server has dealt out the events before this
    // returns.
    bool MovePointer(int x, int y);
    bool Xdotool(const std::vector<std::string>& arguments);

private:
    bool Start(int number);
    void Stop();

    int m_width;
    int m_height;
    int m_number = -1;
    std::unique_ptr<ChildProcess> m_process;
    ::_XDisplay* m_display = nullptr;
    std::string m_failure;
    test::TempDir m_logs;
};

// ASAN_OPTIONS for a run of the show: this process's own, with leak
// detection off.
std::string ShowSanitizerOptions();

// The folders and settings of one user: XDG_CONFIG_HOME, XDG_CACHE_HOME and
// XDG_RUNTIME_DIR under one temporary folder, with a pictures folder beside
// them.
class ShowHome {
public:
    ShowHome();

    const test::TempDir& dir() const { return m_dir; }
    std::string PicturesFolder() const { return (m_dir.path() / "pictures").string(); }
    std::string PicturePath(const std::string& name) const { return (m_dir.path() / "pictures" / name).string(); }

    // Writes Nuvra.ini with [Section] and these keys in order.
    void WriteSettings(const std::vector<std::pair<std::string, std::string>>& keys) const;
    // The show's two work files.
    std::vector<std::string> WorkFiles() const;
    // The work files that exist now.
    std::vector<std::string> WorkFilesPresent() const;
    std::map<std::string, std::string> Environment(const XServer& server) const;

private:
    test::TempDir m_dir;
};

// The title of the show's window, which other programs look for.
inline constexpr const char* kShowTitle = "Nuvra_Main";

// One run of the real binary for a home on a server.
class Show {
public:
    // binary: the nuvra to run; extra: more environment for this run (an
    // audio driver, a CD image).
    Show(XServer& server, const ShowHome& home, const std::string& binary, const std::vector<std::string>& arguments,
         const std::map<std::string, std::string>& extra = {});

    ChildProcess& process() { return m_process; }
    bool Running() { return m_process.Running(); }
    // Waits until the show's window is on the screen.
    bool WaitForWindow();
    // Waits until the screen at (x, y) is no longer black: the first frame
    // is drawn.
    bool WaitForPicture(int x, int y);
    // Waits until the region has shown two new frames after this call, so
    // that input the server delivered before it has reached the show's
    // event pump (which runs between two frames). False when the frames
    // stop coming: the show ended or froze.
    bool WaitForTwoFrames(Region region);
    std::optional<ExitStatus> WaitForEnd() { return m_process.Wait(Patience(10s)); }
    std::string Output() const { return m_process.Output(); }

private:
    XServer& m_server;
    ChildProcess m_process;
};

// The common ground of the end-to-end suites: one 1280 x 720 server for the
// whole suite, a fresh home for every test.
class ShowTest : public ::testing::Test {
protected:
    static constexpr int kScreenWidth = 1280;
    static constexpr int kScreenHeight = 720;

    static void SetUpTestSuite() { s_server = std::make_unique<XServer>(kScreenWidth, kScreenHeight); }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override { ASSERT_TRUE(s_server->ready()) << s_server->failure(); }

    XServer& server() { return *s_server; }
    // The show ended with status 0, its window gone and no work file left.
    void ExpectCleanEnd(Show& show, const std::string& how);

    static inline std::unique_ptr<XServer> s_server;
    ShowHome home;
};

}  // namespace nuvra::e2e
