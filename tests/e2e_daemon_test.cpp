// The show under real screen-saver daemons: XScreenSaver 6, run as an
// ordinary user on the suite's X server with a configuration whose only
// program is "nuvra --root", and xsecurelock with the saver module the
// install puts where it looks. Started, the daemon runs the show in its own
// window, which fills the screen with the centred disc; ended, it ends the
// show, and nothing of it (process or work file) is left.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"

namespace nuvra::e2e {
namespace {

namespace fs = std::filesystem;

// The processes running the show binary that lives in this home (by the
// program file they run, however they were started).
int ShowProcesses(const std::string& binary)
{
    std::error_code error;
    const fs::path program = fs::canonical(binary, error);
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code gone;
        const fs::path running = fs::read_symlink(entry.path() / "exe", gone);
        count += !gone && running == program ? 1 : 0;
    }
    return count;
}

bool NoWorkFiles(const fs::path& cache)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(cache / "nuvra", error))
        if (entry.path().filename().string().rfind("Tmp_nuvra", 0) == 0)
            return false;
    return true;
}

// The disc of a show hosted full screen: centred, at least min_height tall,
// and mirrored left to right about its centre.
void ExpectCentredMirroredDisc(XServer& server, int min_height)
{
    const std::optional<Box> disc = NonBlackBox(server.GrabScreen());
    ASSERT_TRUE(disc.has_value());
    EXPECT_GE(disc->height(), min_height) << Describe(*disc);
    EXPECT_NEAR((disc->left + disc->right) / 2.0, server.width() / 2.0, 3) << Describe(*disc);
    EXPECT_NEAR((disc->top + disc->bottom) / 2.0, server.height() / 2.0, 3) << Describe(*disc);
    const Screenshot shot = server.GrabScreen();
    const int cx = server.width() / 2, cy = server.height() / 2;
    int alike = 0;
    for (int d = 20; d < 300; d += 20)
        alike += Distance(shot.at(cx - d, cy - d / 2), shot.at(cx + d - 1, cy - d / 2)) < 60 ? 1 : 0;
    EXPECT_GE(alike, 10) << "the disc is not mirrored";
}

class E2eDaemonTest : public ShowTest {
protected:
    // The daemon refuses to run as root, so as root it runs as "nobody",
    // who then owns the whole home.
    std::vector<std::string> AsTheUser(const std::vector<std::string>& command) const
    {
        std::vector<std::string> line;
        if (geteuid() == 0)
            line = {"runuser", "-u", "nobody", "--"};
        line.push_back("env");
        for (const auto& [name, value] : Environment())
            line.push_back(name + "=" + value);
        line.insert(line.end(), command.begin(), command.end());
        return line;
    }
    std::map<std::string, std::string> Environment() const
    {
        std::map<std::string, std::string> environment = home.Environment(*s_server);
        environment["HOME"] = home.dir().str();
        return environment;
    }
    bool Command(const std::string& what) const
    {
        return RunTool(AsTheUser({"xscreensaver-command", what})) == std::optional<ExitStatus>(0);
    }


    // A copy of the program the user can run, wherever the build lives,
    // as the configuration's only program; the home handed to the user.
    void PrepareHome()
    {
        fs::copy_file(NUVRA_BINARY, binary);
        std::ofstream(home.dir().path() / ".xscreensaver")
            << "mode:\tone\nselected:\t0\nlock:\tFalse\nsplash:\tFalse\nfade:\tFalse\nunfade:\tFalse\n"
               "timeout:\t0:30:00\nprograms:\t\"Nuvra\" "
            << binary << " --root \\n\n";
        if (geteuid() == 0) {
            ASSERT_EQ(RunTool({"chown", "-R", "nobody:nogroup", home.dir().str()}), std::optional<ExitStatus>(0));
        }
    }
    std::unique_ptr<ChildProcess> StartDaemon()
    {
        auto daemon = std::make_unique<ChildProcess>(AsTheUser({"xscreensaver", "-no-splash"}),
                                                     std::map<std::string, std::string>{},
                                                     home.dir().str() + "/daemon.log");
        EXPECT_TRUE(WaitUntil([&] { return Command("-time"); }, Patience(10s), 100ms)) << daemon->Output();
        return daemon;
    }

    const std::string binary = (home.dir().path() / "nuvra").string();
};

TEST_F(E2eDaemonTest, XScreenSaverRunsTheShowAndEndsItCleanly)
{
    ASSERT_TRUE(WritePatternPicture(home.PicturePath("pattern.bmp"), 800, 600));
    home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()}, {"ｲﾝﾀｰﾊﾞﾙ", "1"}});
    PrepareHome();
    if (HasFatalFailure())
        return;
    const std::unique_ptr<ChildProcess> daemon = StartDaemon();

    ASSERT_TRUE(Command("-activate")) << daemon->Output();
    // The disc the show draws in the daemon's window: centred, as large as
    // the picture's 600-pixel square.
    std::optional<Box> disc;
    ASSERT_TRUE(WaitUntil(
        [&] {
            disc = NonBlackBox(server().GrabScreen());
            return ShowProcesses(binary) == 1 && disc && disc->height() >= 600 - 8;
        },
        Patience(15s), 50ms))
        << "no disc; " << ShowProcesses(binary) << " show processes\n" << daemon->Output();
    ExpectCentredMirroredDisc(server(), 600 - 8);

    ASSERT_TRUE(Command("-deactivate"));
    EXPECT_TRUE(WaitUntil([&] { return ShowProcesses(binary) == 0; }, Patience(10s)))
        << "the show outlived the daemon's deactivation";
    EXPECT_TRUE(WaitUntil([&] { return NoWorkFiles(home.dir().path() / "cache"); }, Patience(5s)))
        << "work files left behind";
    Command("-exit");
    daemon->Wait(Patience(5s));
}

// xsecurelock runs the saver module of an installed copy (its own
// multiplexer starts one per monitor with the window in
// XSCREENSAVER_WINDOW); ending the locker ends the show.
TEST_F(E2eDaemonTest, XsecurelockRunsTheInstalledSaverModuleAndEndsItCleanly)
{
    ASSERT_TRUE(WritePatternPicture(home.PicturePath("pattern.bmp"), 800, 600));
    home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()}, {"ｲﾝﾀｰﾊﾞﾙ", "1"}});
    const std::string prefix = (home.dir().path() / "prefix").string();
    ASSERT_EQ(RunTool({NUVRA_CMAKE_COMMAND, "--install", fs::path(NUVRA_BINARY).parent_path().string(), "--prefix",
                       prefix}),
              std::optional<ExitStatus>(0));
    const std::string installed = prefix + "/bin/nuvra";
    std::map<std::string, std::string> environment = home.Environment(server());
    environment["HOME"] = home.dir().str();
    environment["XSECURELOCK_SAVER"] = prefix + "/libexec/xsecurelock/saver_nuvra";
    ChildProcess locker({"xsecurelock"}, environment, home.dir().str() + "/xsecurelock.log");
    ASSERT_TRUE(locker.started());

    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::optional<Box> disc = NonBlackBox(server().GrabScreen());
            return ShowProcesses(installed) == 1 && disc && disc->height() >= 600 - 8;
        },
        Patience(15s), 50ms))
        << "no disc; " << ShowProcesses(installed) << " show processes\n" << locker.Output();
    ExpectCentredMirroredDisc(server(), 600 - 8);
    // Drawn in the locker's window: the show made no window of its own.
    EXPECT_EQ(server().ViewableWindows(kShowTitle), 0);

    locker.Signal(SIGTERM);
    EXPECT_TRUE(locker.Wait(Patience(10s)).has_value()) << locker.Output();
    EXPECT_TRUE(WaitUntil([&] { return ShowProcesses(installed) == 0; }, Patience(10s)))
        << "the show outlived the locker";
    EXPECT_TRUE(WaitUntil([&] { return NoWorkFiles(home.dir().path() / "cache"); }, Patience(5s)))
        << "work files left behind";
}

}  // namespace
}  // namespace nuvra::e2e
