// The show on a Wayland desktop's layers (--layer) under a real compositor:
// a headless sway of the test's own, with two monitors of different sizes,
// run as an ordinary user (it refuses root) in a private runtime folder.
// The screen is read back with grim, keys come from wtype's virtual
// keyboard, pointer input from a virtual pointer of the suite's own. On the overlay each monitor shows a centred disc of its own
// size (at its real pixels on a monitor scaled by two) and a key ends the
// show; the background takes no key and ends on a termination request; a
// compositor that goes ends the show too. Every end leaves no process, work
// file or lock behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pictures/picture_decoding.h"
#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"

namespace nuvra::e2e {
namespace {

namespace fs = std::filesystem;

struct Monitor {
    std::string name;
    int width = 0;
    int height = 0;
};
const Monitor kMonitors[] = {{"HEADLESS-1", 1280, 720}, {"HEADLESS-2", 800, 600}};

bool OnPath(const std::string& program)
{
    return RunTool({"sh", "-c", "command -v " + program + " >/dev/null"}) == std::optional<ExitStatus>(0);
}

std::optional<Screenshot> ReadPng(const fs::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    const platform::PictureResult result = pictures::DecodePng(bytes, pictures::DecodeLimits{});
    if (!result.picture || result.picture->bits_per_pixel != 24)
        return std::nullopt;
    const platform::Picture& picture = *result.picture;
    Screenshot shot;
    shot.region = {0, 0, picture.width, picture.height};
    for (int y = 0; y < picture.height; ++y) {
        // Rows are stored bottom first, BGR.
        const std::uint8_t* row = picture.pixels.data() + static_cast<std::size_t>(picture.height - 1 - y) *
                                                              static_cast<std::size_t>(picture.stride);
        for (int x = 0; x < picture.width; ++x)
            shot.pixels.push_back({row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
    return shot;
}

// A headless sway with the two monitors, painted black, for one test.
class Compositor {
public:
    explicit Compositor(const fs::path& home) : m_home(home)
    {
        std::ofstream(m_home / "sway.conf") << "xwayland disable\n";
        for (const char* folder : {"run", "cache", "config"})
            fs::create_directories(m_home / folder);
        // As a login session makes it: the runtime folder is the user's alone.
        fs::permissions(runtime(), fs::perms::owner_all, fs::perm_options::replace);
        if (geteuid() == 0 && RunTool({"chown", "-R", "nobody:nogroup", m_home.string()}) != std::optional<ExitStatus>(0))
            return;
        m_sway = std::make_unique<ChildProcess>(AsTheUser({"sway", "-c", (m_home / "sway.conf").string()}),
                                                std::map<std::string, std::string>{}, (m_home / "sway.log").string());
        // The socket's name is the compositor's choice.
        WaitUntil([this] { return FindSockets(); }, Patience(10s), 50ms);
        if (m_socket.empty() || !Swaymsg({"create_output"}))
            return;
        for (const Monitor& monitor : kMonitors) {
            if (!Swaymsg({"output", monitor.name, "mode", std::to_string(monitor.width) + "x" +
                                                              std::to_string(monitor.height)}))
                return;
        }
        m_background = std::make_unique<ChildProcess>(AsTheUser({"swaybg", "-c", "#000000"}),
                                                      std::map<std::string, std::string>{},
                                                      (m_home / "swaybg.log").string());
        m_ready = true;
    }

    bool ready() const { return m_ready; }
    std::string Log() const { return m_sway ? m_sway->Output() : std::string(); }

    // A command line run as the user, in the session's environment.
    std::vector<std::string> AsTheUser(const std::vector<std::string>& command) const
    {
        std::vector<std::string> line;
        if (geteuid() == 0)
            line = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
        line.insert(line.end(), {"env", "-i"});
        for (const auto& [name, value] : Environment())
            line.push_back(name + "=" + value);
        line.insert(line.end(), command.begin(), command.end());
        return line;
    }

    bool Swaymsg(const std::vector<std::string>& arguments) const
    {
        std::vector<std::string> command{"swaymsg"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return RunTool(AsTheUser(command)) == std::optional<ExitStatus>(0);
    }

    std::optional<Screenshot> Grab(const Monitor& monitor) const
    {
        const fs::path file = m_home / (monitor.name + ".png");
        std::error_code error;
        fs::remove(file, error);
        if (RunTool(AsTheUser({"grim", "-o", monitor.name, file.string()})) != std::optional<ExitStatus>(0))
            return std::nullopt;
        return ReadPng(file);
    }

    // The seat has no keyboard until wtype makes its virtual one, and a
    // client is handed a new keyboard only after it asks: the key waits a
    // moment after the keyboard comes.
    bool PressKey() const
    {
        return RunTool(AsTheUser({"wtype", "-s", "500", "a", "-s", "200"})) == std::optional<ExitStatus>(0);
    }

    // Pointer input from the suite's virtual pointer: "move", DX, DY or
    // "click".
    bool Point(const std::vector<std::string>& input) const
    {
        const fs::path pointer = m_home / "virtual_pointer";
        std::error_code error;
        if (!fs::exists(pointer) && !fs::copy_file(NUVRA_VIRTUAL_POINTER, pointer, error))
            return false;
        std::vector<std::string> command{pointer.string()};
        command.insert(command.end(), input.begin(), input.end());
        return RunTool(AsTheUser(command)) == std::optional<ExitStatus>(0);
    }

    void Crash()
    {
        m_sway->Signal(SIGKILL);
        m_sway->Wait(Patience(5s));
    }

    fs::path runtime() const { return m_home / "run"; }
    fs::path cache() const { return m_home / "cache"; }

private:
    std::map<std::string, std::string> Environment() const
    {
        std::map<std::string, std::string> environment{
            {"PATH", "/usr/local/bin:/usr/bin:/bin"},
            {"HOME", m_home.string()},
            {"XDG_RUNTIME_DIR", runtime().string()},
            {"XDG_CONFIG_HOME", (m_home / "config").string()},
            {"XDG_CACHE_HOME", cache().string()},
            {"WLR_BACKENDS", "headless"},
            {"WLR_RENDERER", "pixman"},
            {"WLR_LIBINPUT_NO_DEVICES", "1"},
            {"SDL_AUDIODRIVER", "dummy"},
            {"NUVRA_CDROM", (m_home / "no-disc.cue").string()},
            {"ASAN_OPTIONS", ShowSanitizerOptions()},
        };
        if (const char* undefined = std::getenv("UBSAN_OPTIONS"))
            environment["UBSAN_OPTIONS"] = undefined;
        if (!m_socket.empty())
            environment["WAYLAND_DISPLAY"] = m_socket;
        if (!m_ipc.empty())
            environment["SWAYSOCK"] = m_ipc;
        return environment;
    }

    bool FindSockets()
    {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(runtime(), error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos)
                m_socket = name;
            if (name.rfind("sway-ipc.", 0) == 0)
                m_ipc = entry.path().string();
        }
        return !m_socket.empty() && !m_ipc.empty();
    }

    fs::path m_home;
    std::string m_socket;
    std::string m_ipc;
    std::unique_ptr<ChildProcess> m_sway;
    std::unique_ptr<ChildProcess> m_background;
    bool m_ready = false;
};

// The disc on one monitor: centred, as tall as the monitor, round, and the
// same under the eight mirrorings of the kaleidoscope (left-right, top-bottom
// and about the diagonal).
void ExpectCentredEightFoldDisc(const Screenshot& shot, const Monitor& monitor)
{
    SCOPED_TRACE(monitor.name);
    ASSERT_EQ(shot.region.width, monitor.width);
    ASSERT_EQ(shot.region.height, monitor.height);
    const std::optional<Box> disc = NonBlackBox(shot);
    ASSERT_TRUE(disc.has_value()) << "the monitor is black";
    EXPECT_GE(disc->height(), monitor.height - 8) << Describe(*disc);
    EXPECT_NEAR(disc->width(), disc->height(), 4) << Describe(*disc);
    EXPECT_NEAR((disc->left + disc->right) / 2.0, (monitor.width - 1) / 2.0, 3) << Describe(*disc);
    EXPECT_NEAR((disc->top + disc->bottom) / 2.0, (monitor.height - 1) / 2.0, 3) << Describe(*disc);

    const double cx = (disc->left + disc->right) / 2.0, cy = (disc->top + disc->bottom) / 2.0;
    const double reach = disc->height() * 0.45 / std::sqrt(2.0);
    int samples = 0, alike = 0;
    for (double dy = -reach; dy <= reach; dy += reach / 6) {
        for (double dx = -reach; dx <= reach; dx += reach / 6) {
            const auto at = [&](double x, double y) {
                return shot.at(static_cast<int>(std::lround(cx + x)), static_cast<int>(std::lround(cy + y)));
            };
            const Rgb here = at(dx, dy);
            for (const Rgb mirrored : {at(-dx, dy), at(dx, -dy), at(dy, dx)}) {
                ++samples;
                alike += Distance(here, mirrored) < 60 ? 1 : 0;
            }
        }
    }
    EXPECT_GE(alike, samples * 8 / 10) << "the disc is not mirrored eight ways: " << alike << " of " << samples
                                       << " mirrored points alike";
}

class E2eLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!OnPath("sway"))
            GTEST_SKIP() << "sway is not installed (scripts/install-deps.sh installs it)";
        fs::copy_file(NUVRA_BINARY, binary);
        compositor = std::make_unique<Compositor>(home.path());
        ASSERT_TRUE(compositor->ready()) << compositor->Log();
    }

    std::unique_ptr<ChildProcess> StartShow(const std::string& layer_flag)
    {
        return std::make_unique<ChildProcess>(compositor->AsTheUser({binary, layer_flag}),
                                              std::map<std::string, std::string>{},
                                              (home.path() / "show.log").string());
    }

    // Both monitors show their disc.
    bool BothDiscsShown() const
    {
        for (const Monitor& monitor : kMonitors) {
            const std::optional<Screenshot> shot = compositor->Grab(monitor);
            if (!shot || !NonBlackBox(*shot))
                return false;
        }
        return true;
    }

    bool WorkFilesPresent() const { return !Leftovers(compositor->cache() / "nuvra", "Tmp_nuvra").empty(); }

    void ExpectNothingLeft(ChildProcess& show) const
    {
        EXPECT_FALSE(show.Running());
        EXPECT_EQ(Leftovers(compositor->cache() / "nuvra", "Tmp_nuvra"), std::vector<std::string>{});
        EXPECT_EQ(Leftovers(compositor->runtime(), "nuvra-"), std::vector<std::string>{});
    }

    static std::vector<std::string> Leftovers(const fs::path& folder, const std::string& prefix)
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) == 0)
                names.push_back(name);
        }
        return names;
    }

    test::TempDir home;
    const std::string binary = (home.path() / "nuvra").string();
    std::unique_ptr<Compositor> compositor;
};

TEST_F(E2eLayerTest, OverlayShowsADiscOnEachMonitorAndEndsOnAKey)
{
    const std::unique_ptr<ChildProcess> show = StartShow("--layer");
    ASSERT_TRUE(WaitUntil([&] { return BothDiscsShown(); }, Patience(15s), 200ms)) << show->Output();
    for (const Monitor& monitor : kMonitors) {
        const std::optional<Screenshot> shot = compositor->Grab(monitor);
        ASSERT_TRUE(shot.has_value());
        ExpectCentredEightFoldDisc(*shot, monitor);
    }

    ASSERT_TRUE(compositor->PressKey());
    EXPECT_EQ(show->Wait(Patience(10s)), std::optional<ExitStatus>(0)) << show->Output();
    ExpectNothingLeft(*show);
}

#ifdef NUVRA_VIRTUAL_POINTER
// A movement of the pointer or a click ends the overlay as a key does (the
// click comes after a step along one axis only, which ends nothing).
TEST_F(E2eLayerTest, OverlayEndsOnAPointerMovementOrAClick)
{
    for (const std::vector<std::string>& input : {std::vector<std::string>{"move", "40", "30"},
                                                   std::vector<std::string>{"click"}}) {
        SCOPED_TRACE(input.front());
        const std::unique_ptr<ChildProcess> show = StartShow("--layer");
        ASSERT_TRUE(WaitUntil([&] { return BothDiscsShown(); }, Patience(15s), 200ms)) << show->Output();
        ASSERT_TRUE(compositor->Point(input));
        EXPECT_EQ(show->Wait(Patience(10s)), std::optional<ExitStatus>(0)) << show->Output();
        ExpectNothingLeft(*show);
    }
}
#endif

// A monitor scaled by two gets a disc drawn at its real pixels, not one
// drawn at half the size and stretched by the compositor: the disc's widest
// row of a white picture starts one real pixel in from its box, not two.
TEST_F(E2eLayerTest, AMonitorScaledByTwoShowsTheDiscAtItsRealPixels)
{
    const Monitor& monitor = kMonitors[1];
    ASSERT_TRUE(compositor->Swaymsg({"output", monitor.name, "scale", "2"}));
    const fs::path pictures = home.path() / "pictures";
    fs::create_directories(pictures);
    ASSERT_TRUE(WriteSolidPicture((pictures / "white.bmp").string(), 800, 800, Rgb{255, 255, 255}));
    fs::create_directories(home.path() / "config" / "nuvra");
    std::ofstream(home.path() / "config" / "nuvra" / "Nuvra.ini") << "[Section]\n画像のﾌｫﾙﾀﾞ=" << pictures.string() << "\n";

    const std::unique_ptr<ChildProcess> show = StartShow("--layer");
    ASSERT_TRUE(WaitUntil([&] { return BothDiscsShown(); }, Patience(15s), 200ms)) << show->Output();
    const std::optional<Screenshot> shot = compositor->Grab(monitor);
    ASSERT_TRUE(shot.has_value());
    ASSERT_EQ(shot->region.width, monitor.width);
    const int left = (monitor.width - monitor.height) / 2, right = left + monitor.height - 1;
    for (const int y : {monitor.height / 2 - 1, monitor.height / 2}) {
        SCOPED_TRACE("row " + std::to_string(y));
        EXPECT_TRUE(IsBlack(shot->at(left, y)));
        EXPECT_GE(shot->at(left + 1, y).r, 240) << "the disc's edge is not at the monitor's own pixels";
        EXPECT_GE(shot->at(right - 1, y).r, 240) << "the disc's edge is not at the monitor's own pixels";
        EXPECT_TRUE(IsBlack(shot->at(right, y)));
    }
    ASSERT_TRUE(compositor->PressKey());
    EXPECT_EQ(show->Wait(Patience(10s)), std::optional<ExitStatus>(0)) << show->Output();
    ExpectNothingLeft(*show);
}

TEST_F(E2eLayerTest, BackgroundTakesNoKeyAndEndsOnTermination)
{
    const std::unique_ptr<ChildProcess> show = StartShow("--layer=background");
    ASSERT_TRUE(WaitUntil([&] { return WorkFilesPresent(); }, Patience(15s), 100ms)) << show->Output();

    ASSERT_TRUE(compositor->PressKey());
    EXPECT_FALSE(show->Wait(Patience(2s)).has_value()) << "the background ended on a key";

    show->Signal(SIGTERM);
    EXPECT_EQ(show->Wait(Patience(10s)), std::optional<ExitStatus>(0)) << show->Output();
    ExpectNothingLeft(*show);
}

TEST_F(E2eLayerTest, CompositorGoingEndsTheShowCleanly)
{
    const std::unique_ptr<ChildProcess> show = StartShow("--layer");
    ASSERT_TRUE(WaitUntil([&] { return BothDiscsShown(); }, Patience(15s), 200ms)) << show->Output();

    compositor->Crash();
    // As when the X display goes: the show ends with status 1, its work
    // files and locks gone.
    EXPECT_EQ(show->Wait(Patience(10s)), std::optional<ExitStatus>(1)) << show->Output();
    ExpectNothingLeft(*show);
}

}  // namespace
}  // namespace nuvra::e2e
