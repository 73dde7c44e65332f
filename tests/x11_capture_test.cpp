#include "platform/linux/x11_capture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "support/fake_pictures.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace nuvra {
namespace {

using linux_platform::LinuxDesktopCapture;

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// An Xvfb of our own on a display number it picks itself (-displayfd), so
// that tests running side by side never share a server. It must not reset
// when the painting client leaves, or the root would be repainted before
// the capture. Always stopped.
class OwnXServer {
public:
    OwnXServer()
    {
        int pipe_fds[2];
        if (pipe(pipe_fds) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            close(pipe_fds[0]);
            const std::string fd = std::to_string(pipe_fds[1]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "320x240x24", "-nolisten", "tcp",
                   "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipe_fds[1]);
        if (m_pid < 0) {
            close(pipe_fds[0]);
            return;
        }
        // The server writes its display number once it accepts clients.
        std::string number;
        pollfd wait{pipe_fds[0], POLLIN, 0};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline && number.find('\n') == std::string::npos) {
            if (poll(&wait, 1, 200) <= 0)
                continue;
            char buffer[16];
            const ssize_t got = read(pipe_fds[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            number.append(buffer, static_cast<std::size_t>(got));
        }
        close(pipe_fds[0]);
        if (number.find('\n') != std::string::npos)
            m_display = ":" + number.substr(0, number.find('\n'));
    }
    ~OwnXServer()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    OwnXServer(const OwnXServer&) = delete;
    OwnXServer& operator=(const OwnXServer&) = delete;

    const std::string& display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

unsigned long PixelValue(Visual* visual, std::uint32_t rgb)
{
    auto place = [](std::uint32_t channel, unsigned long mask) {
        const int shift = __builtin_ctzl(mask);
        return ((channel * (mask >> shift)) / 255) << shift;
    };
    return place(rgb >> 16 & 0xFF, visual->red_mask) | place(rgb >> 8 & 0xFF, visual->green_mask) |
           place(rgb & 0xFF, visual->blue_mask);
}

// Paints the root window a known colour with a second-colour rectangle at
// (10, 20), 30 wide and 40 high, the way a desktop's background is set.
bool PaintRoot(const std::string& display_name)
{
    ::Display* display = XOpenDisplay(display_name.c_str());
    if (display == nullptr)
        return false;
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    Visual* visual = DefaultVisual(display, screen);
    XSetWindowBackground(display, root, PixelValue(visual, 0x204080));
    XClearWindow(display, root);
    GC gc = XCreateGC(display, root, 0, nullptr);
    XSetForeground(display, gc, PixelValue(visual, 0xFF8000));
    XSetSubwindowMode(display, gc, IncludeInferiors);
    XFillRectangle(display, root, gc, 10, 20, 30, 40);
    XFreeGC(display, gc);
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}

TEST(LinuxDesktopCapture, ReadsTheRootWindowBottomRowFirstByEitherRoute)
{
    OwnXServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start (is the xvfb package installed?)";
    ScopedEnvironment display("DISPLAY", server.display().c_str());
    ASSERT_TRUE(PaintRoot(server.display()));

    for (auto method : {LinuxDesktopCapture::Method::SharedMemoryFirst, LinuxDesktopCapture::Method::PlainRequest}) {
        const char* name = method == LinuxDesktopCapture::Method::PlainRequest ? "plain request" : "shared memory";
        LinuxDesktopCapture capture(method);
        const std::optional<platform::Picture> screen = capture.CaptureScreen();
        ASSERT_TRUE(screen.has_value()) << name;
        EXPECT_EQ(screen->width, 320) << name;
        EXPECT_EQ(screen->height, 240) << name;
        EXPECT_EQ(screen->bits_per_pixel, 32) << name;
        EXPECT_EQ(screen->stride, 1280) << name;
        ASSERT_EQ(screen->pixels.size(), 1280u * 240u) << name;
        const struct {
            std::int32_t x, top_row;
            std::uint32_t colour;
        } probes[] = {{0, 0, 0x204080}, {319, 239, 0x204080}, {10, 20, 0xFF8000}, {39, 59, 0xFF8000},
                      {40, 59, 0x204080}, {39, 60, 0x204080}, {9, 20, 0x204080}};
        for (const auto& p : probes)
            EXPECT_EQ(test::PixelAt(*screen, p.x, p.top_row), p.colour)
                << name << " at (" << p.x << ", " << p.top_row << ")";
        EXPECT_EQ(screen->pixels[3], 0) << name << ": the fourth byte is unused and zero";
    }
}

TEST(LinuxDesktopCapture, GivesNothingWithoutADisplay)
{
    for (const char* value : {static_cast<const char*>(nullptr), "", ":65000"}) {
        ScopedEnvironment display("DISPLAY", value);
        LinuxDesktopCapture capture;
        EXPECT_FALSE(capture.CaptureScreen().has_value()) << "DISPLAY=" << (value ? value : "(unset)");
    }
}

}  // namespace
}  // namespace nuvra
