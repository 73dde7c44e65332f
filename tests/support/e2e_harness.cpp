#include "support/e2e_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace nuvra::e2e {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSlowdown = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kSlowdown = 4;
#else
constexpr int kSlowdown = 1;
#endif
#else
constexpr int kSlowdown = 1;
#endif

// A window can vanish between two requests about it (a show ending while
// the tree is walked); Xlib's default handler would end the test for it.
int IgnoreXError(::Display*, XErrorEvent*)
{
    return 0;
}

int StatusOf(int raw)
{
    if (WIFEXITED(raw))
        return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw))
        return 128 + WTERMSIG(raw);
    return -1;
}

std::string WindowTitle(::Display* display, ::Window window)
{
    std::string title;
    XTextProperty property{};
    if (XGetWMName(display, window, &property) != 0 && property.value != nullptr) {
        title.assign(reinterpret_cast<const char*>(property.value), property.nitems);
        XFree(property.value);
    }
    return title;
}

int CountViewable(::Display* display, ::Window window, const std::string& title)
{
    int count = 0;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable &&
        WindowTitle(display, window) == title)
        ++count;
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned int child_count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &child_count) == 0)
        return count;
    for (unsigned int i = 0; i < child_count; ++i)
        count += CountViewable(display, children[i], title);
    if (children != nullptr)
        XFree(children);
    return count;
}

std::atomic<int> g_show_runs{0};

// A lock file left by a server that is gone does not hold its number: the
// next server takes it over.
bool LockHolderAlive(const std::string& lock)
{
    std::ifstream in(lock);
    long pid = 0;
    if (!(in >> pid) || pid <= 0)
        return true;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

// The process that holds a display number's lock, or 0.
long LockHolder(const std::string& lock)
{
    std::ifstream in(lock);
    long pid = 0;
    return in >> pid ? pid : 0;
}

}  // namespace

Milliseconds Patience(Milliseconds base)
{
    return base * kSlowdown;
}

bool WaitUntil(const std::function<bool()>& done, Milliseconds limit, Milliseconds poll)
{
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(poll);
    }
    return true;
}

// --- child processes ---------------------------------------------------------

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment, const std::string& output_path)
    : m_output_path(output_path)
{
    // Everything the child needs is built before the fork: after it only
    // async-signal-safe calls are made.
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (environment.count(name) == 0)
            variables.push_back(text);
    }
    for (const auto& [name, value] : environment) {
        if (!value.empty())
            variables.push_back(name + "=" + value);
    }
    std::vector<char*> env;
    for (std::string& v : variables)
        env.push_back(v.data());
    env.push_back(nullptr);
    std::vector<std::string> args = arguments;
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const int output = open(output_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        // Should the test itself die, its children are told to end (and
        // do so through their own cleanup) instead of living on.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        if (input >= 0)
            dup2(input, STDIN_FILENO);
        if (output >= 0) {
            dup2(output, STDOUT_FILENO);
            dup2(output, STDERR_FILENO);
        }
        // Its own process group, so that what it starts goes with it.
        setpgid(0, 0);
        execvpe(argv[0], argv.data(), env.data());
        _exit(127);
    }
    if (output >= 0)
        close(output);
    if (input >= 0)
        close(input);
}

ChildProcess::~ChildProcess()
{
    if (m_pid <= 0 || m_status)
        return;
    if (!Wait(0ms)) {
        kill(m_pid, SIGKILL);
        int raw = 0;
        waitpid(m_pid, &raw, 0);
    }
}

bool ChildProcess::Running()
{
    return !Wait(0ms);
}

std::optional<ExitStatus> ChildProcess::Wait(Milliseconds limit)
{
    if (m_pid <= 0)
        return -1;
    WaitUntil(
        [&] {
            if (m_status)
                return true;
            int raw = 0;
            const pid_t done = waitpid(m_pid, &raw, WNOHANG);
            if (done == m_pid)
                m_status = StatusOf(raw);
            else if (done < 0)
                m_status = -1;
            return m_status.has_value();
        },
        limit, 5ms);
    return m_status;
}

void ChildProcess::Signal(int signal_number) const
{
    if (m_pid > 0 && !m_status)
        kill(m_pid, signal_number);
}

std::string ChildProcess::Output() const
{
    std::ifstream in(m_output_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<ExitStatus> RunTool(const std::vector<std::string>& arguments,
                                  const std::map<std::string, std::string>& environment, Milliseconds limit)
{
    ChildProcess tool(arguments, environment, "/dev/null");
    return tool.Wait(limit);
}

// --- colours and screenshots ---------------------------------------------------

std::string Describe(Rgb colour)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
    return text;
}

int Distance(Rgb a, Rgb b)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

bool Screenshot::operator==(const Screenshot& other) const
{
    return region.x == other.region.x && region.y == other.region.y && region.width == other.region.width &&
           region.height == other.region.height && pixels == other.pixels;
}

std::optional<Box> NonBlackBox(const Screenshot& shot)
{
    std::optional<Box> box;
    for (int y = shot.region.y; y < shot.region.y + shot.region.height; ++y) {
        for (int x = shot.region.x; x < shot.region.x + shot.region.width; ++x) {
            if (IsBlack(shot.at(x, y)))
                continue;
            if (!box) {
                box = Box{x, y, x, y};
                continue;
            }
            box->left = std::min(box->left, x);
            box->right = std::max(box->right, x);
            box->top = std::min(box->top, y);
            box->bottom = std::max(box->bottom, y);
        }
    }
    return box;
}

std::string Describe(const Box& box)
{
    return "(" + std::to_string(box.left) + ", " + std::to_string(box.top) + ") to (" + std::to_string(box.right) +
           ", " + std::to_string(box.bottom) + ")";
}

// --- the X server ----------------------------------------------------------------

XServer::XServer(int width, int height) : m_width(width), m_height(height)
{
    XSetErrorHandler(&IgnoreXError);
    // Another server (a developer's, a test running beside this one) may
    // hold a number, or take it between the check and the start: such a
    // start fails and the next number is tried.
    for (int number = 90; number < 190 && m_display == nullptr; ++number) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        if (fs::exists(lock) && LockHolderAlive(lock))
            continue;
        if (!fs::exists(lock) && fs::exists(socket))
            continue;
        Start(number);
    }
    if (m_display == nullptr && m_failure.empty())
        m_failure = "no free display number from 90 to 189";
}

bool XServer::Start(int number)
{
    const std::string display = ":" + std::to_string(number);
    const std::string geometry = std::to_string(m_width) + "x" + std::to_string(m_height) + "x24";
    const std::string log = (m_logs.path() / ("xvfb" + std::to_string(number) + ".log")).string();
    // -noreset: the root keeps its paint when a client leaves.
    auto process = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", display, "-screen", "0", geometry, "-nolisten", "tcp", "-noreset"},
        std::map<std::string, std::string>{}, log);
    if (!process->started()) {
        m_failure = "Xvfb could not be started";
        return false;
    }
    // Only a server that holds the number's lock is ours; before it does, a
    // connection may reach a server someone else started on that number
    // while ours is still finding out that it lost.
    const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
    ::Display* connection = nullptr;
    WaitUntil(
        [&] {
            if (!process->Running())
                return true;
            if (LockHolder(lock) != process->pid())
                return false;
            connection = XOpenDisplay(display.c_str());
            return connection != nullptr;
        },
        Patience(10s), 20ms);
    if (connection != nullptr && (!process->Running() || LockHolder(lock) != process->pid())) {
        XCloseDisplay(connection);
        connection = nullptr;
    }
    if (connection == nullptr) {
        m_failure = "Xvfb on " + display + " did not answer: " + process->Output();
        return false;
    }
    m_number = number;
    m_process = std::move(process);
    m_display = connection;
    return true;
}

XServer::~XServer()
{
    Stop();
}

void XServer::Stop()
{
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
    if (m_process) {
        m_process->Signal(SIGTERM);
        if (!m_process->Wait(5s))
            m_process->Signal(SIGKILL);
        m_process.reset();
    }
}

void XServer::Crash()
{
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
    if (m_process) {
        m_process->Signal(SIGKILL);
        m_process->Wait(Patience(5s));
    }
}

Screenshot XServer::Grab(Region region)
{
    Screenshot shot;
    if (m_display == nullptr)
        return shot;
    XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), region.x, region.y,
                              static_cast<unsigned>(region.width), static_cast<unsigned>(region.height), AllPlanes,
                              ZPixmap);
    if (image == nullptr)
        return shot;
    shot.region = region;
    shot.pixels.resize(static_cast<std::size_t>(region.width) * static_cast<std::size_t>(region.height));
    const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                        image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
    for (int y = 0; y < region.height; ++y) {
        for (int x = 0; x < region.width; ++x) {
            unsigned long pixel = 0;
            if (direct) {
                std::uint32_t value = 0;
                std::memcpy(&value, image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line + x * 4, 4);
                pixel = value;
            } else {
                pixel = XGetPixel(image, x, y);
            }
            shot.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(region.width) +
                        static_cast<std::size_t>(x)] = Rgb{static_cast<std::uint8_t>((pixel >> 16) & 0xFF),
                                                          static_cast<std::uint8_t>((pixel >> 8) & 0xFF),
                                                          static_cast<std::uint8_t>(pixel & 0xFF)};
        }
    }
    XDestroyImage(image);
    return shot;
}

XServer::Point XServer::Pointer()
{
    Point point;
    if (m_display == nullptr)
        return point;
    ::Window root = 0, child = 0;
    int window_x = 0, window_y = 0;
    unsigned int buttons = 0;
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &point.x, &point.y, &window_x, &window_y,
                  &buttons);
    return point;
}

int XServer::ViewableWindows(const std::string& title)
{
    if (m_display == nullptr)
        return 0;
    return CountViewable(m_display, DefaultRootWindow(m_display), title);
}

void XServer::PaintRoot(Rgb colour)
{
    if (m_display == nullptr)
        return;
    const unsigned long pixel = static_cast<unsigned long>(colour.r) << 16 |
                                static_cast<unsigned long>(colour.g) << 8 | colour.b;
    XSetWindowBackground(m_display, DefaultRootWindow(m_display), pixel);
    XClearWindow(m_display, DefaultRootWindow(m_display));
    XSync(m_display, False);
}

bool XServer::Xdotool(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const std::optional<ExitStatus> status = RunTool(command, {{"DISPLAY", name()}});
    if (m_display != nullptr)
        XSync(m_display, False);
    return status == 0;
}

bool XServer::MovePointer(int x, int y)
{
    if (!Xdotool({"mousemove", std::to_string(x), std::to_string(y)}))
        return false;
    return WaitUntil(
        [&] {
            const Point at = Pointer();
            return at.x == x && at.y == y;
        },
        Patience(5s));
}

// --- a user's folders --------------------------------------------------------------

ShowHome::ShowHome()
{
    fs::create_directories(m_dir.path() / "config" / "nuvra");
    fs::create_directories(m_dir.path() / "cache");
    fs::create_directories(m_dir.path() / "run");
    fs::create_directories(m_dir.path() / "pictures");
    // As a login session makes it: the runtime folder is the user's alone.
    fs::permissions(m_dir.path() / "run", fs::perms::owner_all, fs::perm_options::replace);
}

void ShowHome::WriteSettings(const std::vector<std::pair<std::string, std::string>>& keys) const
{
    std::string text = "[Section]\n";
    for (const auto& [key, value] : keys)
        text += key + "=" + value + "\n";
    m_dir.WriteFile("config/nuvra/Nuvra.ini", text);
}

std::vector<std::string> ShowHome::WorkFiles() const
{
    return {(m_dir.path() / "cache" / "nuvra" / "Tmp_nuvra01.bmp").string(),
            (m_dir.path() / "cache" / "nuvra" / "Tmp_nuvra02.bmp").string()};
}

std::vector<std::string> ShowHome::WorkFilesPresent() const
{
    std::vector<std::string> present;
    for (const std::string& path : WorkFiles()) {
        if (fs::exists(path))
            present.push_back(path);
    }
    return present;
}

// Under the sanitizers the show runs with leak detection off: at exit SDL
// leaves libdbus's internal buffers behind (this SDL never calls
// dbus_shutdown), and their stacks run through a library already unloaded,
// so no suppression can name them. Our own code's leaks are checked by the
// unit tests, which run under the same sanitizers.
std::string ShowSanitizerOptions()
{
    const char* inherited = std::getenv("ASAN_OPTIONS");
    std::string options = inherited != nullptr ? inherited : "";
    if (!options.empty())
        options += ':';
    return options + "detect_leaks=0";
}

std::map<std::string, std::string> ShowHome::Environment(const XServer& server) const
{
    // Whatever the machine running the tests has (a desktop session, a sound
    // server, a driver picked by hand) is replaced or removed.
    return {
        {"DISPLAY", server.name()},
        {"WAYLAND_DISPLAY", ""},
        {"XDG_CONFIG_HOME", (m_dir.path() / "config").string()},
        {"XDG_CACHE_HOME", (m_dir.path() / "cache").string()},
        {"XDG_RUNTIME_DIR", (m_dir.path() / "run").string()},
        {"SDL_VIDEODRIVER", ""},
        {"SDL_AUDIODRIVER", "dummy"},
        {"SDL_DISKAUDIOFILE", ""},
        {"SDL_DISKAUDIODELAY", ""},
        {"NUVRA_CDROM", (m_dir.path() / "no-disc.cue").string()},
        {"ASAN_OPTIONS", ShowSanitizerOptions()},
    };
}

// --- the show ------------------------------------------------------------------------

namespace {

std::map<std::string, std::string> Merge(std::map<std::string, std::string> base,
                                         const std::map<std::string, std::string>& extra)
{
    for (const auto& [name, value] : extra)
        base[name] = value;
    return base;
}

std::vector<std::string> WithBinary(const std::string& binary, const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{binary};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

}  // namespace

Show::Show(XServer& server, const ShowHome& home, const std::string& binary, const std::vector<std::string>& arguments,
           const std::map<std::string, std::string>& extra)
    : m_server(server),
      m_process(WithBinary(binary, arguments), Merge(home.Environment(server), extra),
                (home.dir().path() / ("show" + std::to_string(++g_show_runs) + ".log")).string())
{
}

bool Show::WaitForWindow()
{
    return WaitUntil([&] { return m_server.ViewableWindows(kShowTitle) > 0 || !Running(); }, Patience(10s)) &&
           m_server.ViewableWindows(kShowTitle) > 0;
}

bool Show::WaitForPicture(int x, int y)
{
    return WaitUntil([&] { return !IsBlack(m_server.PixelAt(x, y)) || !Running(); }, Patience(10s)) &&
           !IsBlack(m_server.PixelAt(x, y)) && Running();
}

bool Show::WaitForTwoFrames(Region region)
{
    Screenshot last = m_server.Grab(region);
    for (int frame = 0; frame < 2; ++frame) {
        const bool changed = WaitUntil(
            [&] {
                Screenshot now = m_server.Grab(region);
                if (now == last)
                    return false;
                last = std::move(now);
                return true;
            },
            Patience(5s), 2ms);
        if (!changed)
            return false;
    }
    return true;
}

// --- the suites' common ground ----------------------------------------------------------

void ShowTest::ExpectCleanEnd(Show& show, const std::string& how)
{
    const std::optional<ExitStatus> status = show.WaitForEnd();
    ASSERT_TRUE(status.has_value()) << how << " did not end the show";
    EXPECT_EQ(*status, 0) << how << "\n" << show.Output();
    EXPECT_EQ(home.WorkFilesPresent(), std::vector<std::string>{}) << how;
    EXPECT_EQ(server().ViewableWindows(kShowTitle), 0) << how;
}

}  // namespace nuvra::e2e
