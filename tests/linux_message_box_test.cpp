// The message box through the desktop's dialog program, with stand-ins for
// zenity and xmessage on PATH that note how they were started and then close
// at once or wait to be closed. Each box is shown by a child process of the
// test's, as the show would show it, so that it can be signalled and killed.
#include "platform/linux/message_box.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "platform/linux/termination.h"
#include "support/e2e_harness.h"
#include "support/temp_dir.h"

namespace nuvra::linux_platform {
namespace {

using namespace std::chrono_literals;
using e2e::Patience;
using e2e::WaitUntil;

constexpr int kReturned = 0;
constexpr int kReturnedWithCloseStillPending = 10;

enum class StandIn { ClosesAtOnce, WaitsToBeClosed };

class LinuxMessageBoxTest : public ::testing::Test {
protected:
    // A dialog program on the stand-ins' PATH: it writes its arguments,
    // its standard input and, last, its pid, then ends or sleeps.
    void AddStandIn(const std::string& name, StandIn behaviour)
    {
        const std::string base = (dir.path() / name).string();
        std::string script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + base + ".args'\n/bin/cat > '" + base +
                             ".stdin'\necho $$ > '" + base + ".pid.new'\n/bin/mv '" + base + ".pid.new' '" + base +
                             ".pid'\n";
        script += behaviour == StandIn::ClosesAtOnce ? "exit 0\n" : "exec /bin/sleep 600\n";
        const std::string path = dir.WriteFile("bin/" + name, script);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    std::optional<pid_t> StandInPid(const std::string& name)
    {
        std::ifstream in(dir.path() / (name + ".pid"));
        long pid = 0;
        if (in >> pid && pid > 0)
            return static_cast<pid_t>(pid);
        return std::nullopt;
    }
    std::optional<pid_t> WaitForStandIn(const std::string& name)
    {
        WaitUntil([&] { return StandInPid(name).has_value(); }, Patience(10s));
        return StandInPid(name);
    }
    std::string Read(const std::string& relative)
    {
        std::ifstream in(dir.path() / relative);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // A process that shows one box and ends: kReturned, or
    // kReturnedWithCloseStillPending when a termination request came and
    // is still there for the show's pump. before runs first, in the child.
    pid_t ShowInChild(MessageBoxPlace place, platform::MessageBoxStyle style,
                      const std::function<void()>& before = [] {})
    {
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            setenv("PATH", (dir.path() / "bin").c_str(), 1);
            setenv("DISPLAY", ":stand-in", 1);
            const int errors = open((dir.path() / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(errors, STDERR_FILENO);
            InstallTerminationHandlers();
            before();
            LinuxMessageBox box;
            box.SetPlace(place);
            box.MessageBox("a <b> & c", "Nuvra", style);
            _exit(TakeTerminationRequest() ? kReturnedWithCloseStillPending : kReturned);
        }
        return child;
    }
    // The child's exit code, 128 + its signal, or nothing when it is still
    // running at the deadline (it is then killed).
    static std::optional<int> Finish(pid_t child, std::chrono::milliseconds limit)
    {
        int raw = 0;
        if (!WaitUntil([&] { return waitpid(child, &raw, WNOHANG) == child; }, limit)) {
            kill(child, SIGKILL);
            waitpid(child, &raw, 0);
            return std::nullopt;
        }
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    // Gone, or a zombie that nobody has reaped yet: either way not running.
    static bool Gone(pid_t pid)
    {
        if (kill(pid, 0) != 0 && errno == ESRCH)
            return true;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t end = line.rfind(')');
        return end != std::string::npos && line.size() > end + 2 && line[end + 2] == 'Z';
    }

    void SetUp() override { std::filesystem::create_directories(dir.path() / "bin"); }
    void TearDown() override
    {
        for (const char* name : {"zenity", "xmessage"}) {
            if (const std::optional<pid_t> pid = StandInPid(name); pid && !Gone(*pid))
                kill(*pid, SIGKILL);
        }
    }

    test::TempDir dir;
};

TEST_F(LinuxMessageBoxTest, TheDesktopsDialogShowsTheMessageAndTheTerminalToo)
{
    const struct {
        platform::MessageBoxStyle style;
        const char* kind;
    } styles[] = {
        {platform::MessageBoxStyle::OkCritical, "--error"},
        {platform::MessageBoxStyle::OkExclamation, "--warning"},
        {platform::MessageBoxStyle::Ok, "--info"},
    };
    AddStandIn("zenity", StandIn::ClosesAtOnce);
    for (const auto& s : styles) {
        std::filesystem::remove(dir.path() / "zenity.pid");
        const pid_t child = ShowInChild(MessageBoxPlace::ScreenAndTerminal, s.style);
        EXPECT_EQ(Finish(child, Patience(10s)), kReturned) << s.kind;
        // The text as it is: markup would swallow "<b>".
        EXPECT_EQ(Read("zenity.args"),
                  std::string(s.kind) + "\n--no-markup\n--title\nNuvra\n--text\na <b> & c\n");
        EXPECT_EQ(Read("stderr"), "Nuvra: a <b> & c\n");
    }
}

TEST_F(LinuxMessageBoxTest, WithoutZenityXmessageOrTheTerminalAloneShowTheMessage)
{
    // No dialog program: the terminal alone, and no wait.
    EXPECT_EQ(Finish(ShowInChild(MessageBoxPlace::ScreenAndTerminal, platform::MessageBoxStyle::Ok), Patience(10s)),
              kReturned);
    EXPECT_EQ(Read("stderr"), "Nuvra: a <b> & c\n");

    AddStandIn("xmessage", StandIn::ClosesAtOnce);
    EXPECT_EQ(Finish(ShowInChild(MessageBoxPlace::ScreenAndTerminal, platform::MessageBoxStyle::Ok), Patience(10s)),
              kReturned);
    EXPECT_NE(Read("xmessage.args").find("-title\nNuvra\n"), std::string::npos) << Read("xmessage.args");
    // The text comes on its standard input, where no word of it is an option.
    EXPECT_EQ(Read("xmessage.stdin"), "a <b> & c\n");

    // Asked for the terminal only, no box is shown at all.
    AddStandIn("zenity", StandIn::WaitsToBeClosed);
    std::filesystem::remove(dir.path() / "xmessage.pid");
    EXPECT_EQ(Finish(ShowInChild(MessageBoxPlace::TerminalOnly, platform::MessageBoxStyle::Ok), Patience(10s)),
              kReturned);
    EXPECT_EQ(Read("stderr"), "Nuvra: a <b> & c\n");
    EXPECT_FALSE(StandInPid("zenity").has_value());
    EXPECT_FALSE(StandInPid("xmessage").has_value());
}

TEST_F(LinuxMessageBoxTest, ATerminationSignalClosesTheBoxAndStillReachesTheShow)
{
    AddStandIn("zenity", StandIn::WaitsToBeClosed);
    for (const int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sigabbrev_np(signal_number));
        std::filesystem::remove(dir.path() / "zenity.pid");
        const pid_t child = ShowInChild(MessageBoxPlace::ScreenAndTerminal, platform::MessageBoxStyle::OkCritical);
        const std::optional<pid_t> dialog = WaitForStandIn("zenity");
        ASSERT_TRUE(dialog.has_value()) << "the dialog never started";
        // Until then the box waits for its answer.
        EXPECT_EQ(waitpid(child, nullptr, WNOHANG), 0) << "the box did not wait for the dialog";
        kill(child, signal_number);
        const std::optional<int> status = Finish(child, Patience(10s));
        ASSERT_TRUE(status.has_value()) << "the box held the process after the signal";
        EXPECT_EQ(*status, kReturnedWithCloseStillPending);
        EXPECT_TRUE(WaitUntil([&] { return Gone(*dialog); }, Patience(10s))) << "the dialog outlived the box";
    }
}

TEST_F(LinuxMessageBoxTest, TheDialogDiesWithUsAndHoldsNoLockOfOurs)
{
    // A lock of ours, without close-on-exec, as a library's descriptor may be.
    const std::string lock = dir.WriteFile("instance.lock", "");
    AddStandIn("zenity", StandIn::WaitsToBeClosed);
    const pid_t child = ShowInChild(MessageBoxPlace::ScreenAndTerminal, platform::MessageBoxStyle::OkCritical, [&] {
        const int fd = open(lock.c_str(), O_RDWR);
        if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0)
            _exit(99);
    });
    const std::optional<pid_t> dialog = WaitForStandIn("zenity");
    ASSERT_TRUE(dialog.has_value()) << "the dialog never started";

    const std::string fds = "/proc/" + std::to_string(*dialog) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fds)) {
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), error);
        EXPECT_NE(target, std::filesystem::path(lock)) << "the dialog holds our lock as " << entry.path();
    }

    kill(child, SIGKILL);
    EXPECT_EQ(Finish(child, Patience(10s)), 128 + SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return Gone(*dialog); }, Patience(10s))) << "the dialog outlived us";
    const int fd = open(lock.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the lock outlived us";
    close(fd);
}

}  // namespace
}  // namespace nuvra::linux_platform
