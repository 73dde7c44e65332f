// The settings dialog on the real backend, under the display in DISPLAY or a
// private Xvfb started here:
// - FromCommandToFirstPaint: from starting "nuvra /c" to its first complete
//   paint on the screen, beside "nuvra /x" (start, load the settings, end);
// - Open: from nothing to the dialog loaded, shown and painted once (the
//   zoom included), beside the same load without a window;
// - ScanFolder: choosing a folder of 5,000 pictures while the count runs up
//   on the screen, with presents paced (what the dialog does) beside a
//   present after every batch of entries read (the straightforward way);
// - Idle: the share of one core an open dialog takes, where only the credit
//   label changes every 50 ms.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "dialog/nuvra_p.h"
#include "platform/linux/backend.h"

// Last: Xlib's macros would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
constexpr int kFolderPictures = 5000;

// Xvfb on :97 unless a display is already there; stopped at exit.
class PrivateDisplay {
public:
    PrivateDisplay()
    {
        if (std::getenv("DISPLAY") != nullptr)
            return;
        std::string display = ":97";
        char* arguments[] = {const_cast<char*>("Xvfb"), display.data(), const_cast<char*>("-screen"),
                             const_cast<char*>("0"), const_cast<char*>("1280x720x24"), const_cast<char*>("-noreset"),
                             nullptr};
        if (posix_spawnp(&m_pid, "Xvfb", nullptr, nullptr, arguments, environ) != 0)
            throw std::runtime_error("Xvfb could not be started");
        for (int i = 0; i < 200 && !fs::exists("/tmp/.X11-unix/X97"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::setenv("DISPLAY", display.c_str(), 1);
    }
    ~PrivateDisplay()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

private:
    pid_t m_pid = -1;
};

// The user's folders in a temporary place, and a picture folder of 5,000
// empty files of the four kinds.
class BenchHome {
public:
    BenchHome()
    {
        std::string pattern = (fs::temp_directory_path() / "nuvra-dialog-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
        for (const char* variable : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
            ::setenv(variable, m_path.c_str(), 1);
        fs::create_directories(Pictures());
        const char* extensions[] = {".jpg", ".bmp", ".gif", ".wmf"};
        for (int i = 0; i < kFolderPictures; ++i) {
            const std::string name = Pictures() + "/IMG_" + std::to_string(i) + extensions[i % 4];
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd >= 0)
                ::close(fd);
        }
    }
    ~BenchHome()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string Pictures() const { return m_path + "/pictures"; }

private:
    std::string m_path;
};

// The chooser answers with the bench's folder at once.
class FolderShell final : public nuvra::platform::Shell {
public:
    explicit FolderShell(std::string folder) : m_folder(std::move(folder)) {}
    nuvra::platform::Choice BrowseForFolder(std::string_view) override
    {
        return {nuvra::platform::ChoiceOutcome::Chosen, m_folder};
    }
    nuvra::platform::Choice GetOpenFileName(std::string_view, std::string_view, std::string_view,
                                            std::string_view) override
    {
        return {};
    }
    std::int32_t OpenUrl(std::string_view) override { return 42; }

private:
    std::string m_folder;
};

struct World {
    PrivateDisplay display;
    BenchHome home;
    nuvra::linux_platform::LinuxBackend backend;
    FolderShell shell{home.Pictures()};
    World() { backend.services().shell = &shell; }
};

World& TheWorld()
{
    static World world;
    return world;
}

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

pid_t Start(const char* argument)
{
    char* arguments[] = {const_cast<char*>(NUVRA_BINARY), const_cast<char*>(argument), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, NUVRA_BINARY, nullptr, nullptr, arguments, environ) != 0)
        return -1;
    return pid;
}

// The first paint is complete when the heading bar over the file list shows
// its blue (the background and every control reach the screen together).
void FromCommandToFirstPaint(benchmark::State& state)
{
    TheWorld();
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        state.SkipWithError("no display");
        return;
    }
    const int screen_width = DisplayWidth(display, DefaultScreen(display));
    const int screen_height = DisplayHeight(display, DefaultScreen(display));
    const int x = (screen_width - 557) / 2 + 12 + 12 + 5;
    const int y = (screen_height - 508) / 2 + 12 + 8 + 11;
    const auto blue_heading = [&] {
        XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
        if (image == nullptr)
            return false;
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        const long red = static_cast<long>((pixel >> 16) & 0xFF);
        const long blue = static_cast<long>(pixel & 0xFF);
        return blue > red + 20;
    };
    for (auto _ : state) {
        const pid_t pid = Start("/c");
        while (!blue_heading()) {
            if (::waitpid(pid, nullptr, WNOHANG) == pid) {
                state.SkipWithError("the dialog ended before it was drawn");
                break;
            }
        }
        state.PauseTiming();
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        while (blue_heading())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        state.ResumeTiming();
    }
    XCloseDisplay(display);
}
BENCHMARK(FromCommandToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void CommandThatOnlyLoads(benchmark::State& state)
{
    TheWorld();
    for (auto _ : state) {
        const pid_t pid = Start("/x");
        ::waitpid(pid, nullptr, 0);
    }
}
BENCHMARK(CommandThatOnlyLoads)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void Open(benchmark::State& state)
{
    World& world = TheWorld();
    for (auto _ : state) {
        nuvra::ProcessState process;
        nuvra::dialog::NuvraP dialog(process, world.backend.services(), {"/README.md"});
        if (!dialog.Open())
            state.SkipWithError("no window");
        state.PauseTiming();
        dialog.Unload();
        state.ResumeTiming();
    }
}
BENCHMARK(Open)->Unit(benchmark::kMillisecond)->Iterations(10);

// The same construction and load without any window: what the window, its
// first paint and the zoom add.
void LoadWithoutWindow(benchmark::State& state)
{
    World& world = TheWorld();
    for (auto _ : state) {
        nuvra::ProcessState process;
        nuvra::dialog::NuvraP dialog(process, world.backend.services(), {"/README.md"});
        dialog.Form_Load();
        benchmark::DoNotOptimize(dialog.controls().lbl_Kei->Caption());
    }
}
BENCHMARK(LoadWithoutWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

void ScanFolder(benchmark::State& state, std::uint64_t present_interval)
{
    World& world = TheWorld();
    for (auto _ : state) {
        state.PauseTiming();
        nuvra::ProcessState process;
        process.nuvra_b.settings.ImageKinds.fill(nuvra::ImageKindOption::On);
        nuvra::dialog::NuvraP dialog(process, world.backend.services(), {"/README.md", present_interval});
        if (!dialog.Open())
            state.SkipWithError("no window");
        state.ResumeTiming();
        dialog.BrowseFolder();
        while (dialog.Scanning())
            dialog.RunOnce();
        state.PauseTiming();
        if (dialog.controls().lbl_Kei->Caption() != std::to_string(kFolderPictures))
            state.SkipWithError("not every picture was listed");
        dialog.Unload();
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(ScanFolder, PacedPresents, 16)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(ScanFolder, PresentEveryFile, 0)->Unit(benchmark::kMillisecond)->Iterations(1);

void Idle(benchmark::State& state)
{
    World& world = TheWorld();
    for (auto _ : state) {
        nuvra::ProcessState process;
        nuvra::dialog::NuvraP dialog(process, world.backend.services(), {"/README.md"});
        if (!dialog.Open())
            state.SkipWithError("no window");
        const double cpu_before = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(3))
            dialog.RunOnce();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["cpu_percent_of_one_core"] = 100.0 * (CpuSeconds() - cpu_before) / wall;
        dialog.Unload();
    }
}
BENCHMARK(Idle)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
