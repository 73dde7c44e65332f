// The shell services through the desktop's programs, with stand-ins for
// zenity, kdialog and xdg-open on PATH: each notes the words it was started
// with, then answers as the test told it (what to print, how to end).
#include "platform/linux/desktop_shell.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/termination.h"
#include "support/e2e_harness.h"
#include "support/temp_dir.h"

namespace nuvra::linux_platform {
namespace {

using namespace std::chrono_literals;
using e2e::Patience;
using e2e::WaitUntil;
using platform::Choice;
using platform::ChoiceOutcome;

const std::string kFolderTitle = "画像フォルダの選択";
const std::string kFileTitle = "ｻｳﾝﾄﾞﾌｧｲﾙを開く";

class LinuxShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "bin");
        std::filesystem::create_directories(dir.path() / "home");
        m_saved_path = std::getenv("PATH") ? std::optional<std::string>(std::getenv("PATH")) : std::nullopt;
        m_saved_home = std::getenv("HOME") ? std::optional<std::string>(std::getenv("HOME")) : std::nullopt;
        setenv("PATH", (dir.path() / "bin").c_str(), 1);
        setenv("HOME", Home().c_str(), 1);
    }
    void TearDown() override
    {
        for (const char* name : {"zenity", "kdialog", "xdg-open"})
            EndStandIn(name);
        Restore("PATH", m_saved_path);
        Restore("HOME", m_saved_home);
    }
    static void Restore(const char* name, const std::optional<std::string>& value)
    {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }

    std::string Home() const { return (dir.path() / "home").string(); }

    // A program on the stand-ins' PATH: writes its pid to <name>.pid and its
    // arguments one a line to <name>.args, prints the file <name>.reply (if
    // any), then runs tail (shell words: "exit 1", "kill -9 $$",
    // "exec /bin/sleep 600").
    void AddStandIn(const std::string& name, const std::string& tail = "exit 0")
    {
        const std::string base = (dir.path() / name).string();
        const std::string script = "#!/bin/sh\necho $$ > '" + base + ".pid'\nprintf '%s\\n' \"$@\" > '" + base +
                                   ".args.new'\n/bin/mv '" + base +
                                   ".args.new' '" + base + ".args'\n[ -f '" + base + ".reply' ] && /bin/cat '" +
                                   base + ".reply'\n" + tail + "\n";
        const std::string path = dir.WriteFile("bin/" + name, script);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    void Reply(const std::string& name, const std::string& text) const { dir.WriteFile(name + ".reply", text); }
    std::string Arguments(const std::string& name) const
    {
        std::error_code error;
        return std::filesystem::exists(dir.path() / (name + ".args"), error) ? dir.ReadFile(name + ".args") : "";
    }
    std::optional<pid_t> StandInPid(const std::string& name) const
    {
        std::error_code error;
        if (!std::filesystem::exists(dir.path() / (name + ".pid"), error))
            return std::nullopt;
        const long pid = std::atol(dir.ReadFile(name + ".pid").c_str());
        return pid > 0 ? std::optional<pid_t>(static_cast<pid_t>(pid)) : std::nullopt;
    }
    // A stand-in still running (as itself or as the sleep it became), by
    // its pid, and only while that pid is still one with the stand-ins' PATH.
    void EndStandIn(const std::string& name) const
    {
        const std::optional<pid_t> pid = StandInPid(name);
        if (!pid)
            return;
        std::ifstream in("/proc/" + std::to_string(*pid) + "/environ");
        const std::string environment((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string ours = "PATH=" + (dir.path() / "bin").string() + std::string(1, '\0');
        if (environment.find(ours) != std::string::npos)
            kill(*pid, SIGKILL);
    }
    static std::string Lines(const std::vector<std::string>& words)
    {
        std::string text;
        for (const std::string& word : words)
            text += word + "\n";
        return text;
    }

    test::TempDir dir;
    LinuxShell shell;

private:
    std::optional<std::string> m_saved_path;
    std::optional<std::string> m_saved_home;
};

// What each chooser is told: the title as one word, the filter's patterns in
// both cases, and the folder it opens in.
TEST_F(LinuxShellTest, TheChoosersGetTheirWordsExactly)
{
    const std::string music = (dir.path() / "音楽 フォルダ").string();
    const std::string current = std::filesystem::current_path().string();
    const std::string cases_filter = "*.MP3 *.mp3 *.WAV *.wav";
    struct Case {
        const char* name;
        const char* program;
        bool folder;
        std::string patterns;
        std::string initial;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"zenity, a folder", "zenity", true, "", "",
         {"--file-selection", "--directory", "--title=" + kFolderTitle, "--filename=" + Home() + "/"}},
        {"zenity, a file", "zenity", false, "*.mp3;*.wav", music,
         {"--file-selection", "--title=" + kFileTitle, "--file-filter=サウンド (*.mp3;*.wav) | " + cases_filter,
          "--filename=" + music + "/"}},
        {"zenity, mixed case and blanks in the patterns, the current folder", "zenity", false, " *.Mp3 ;;*.WAV;", "",
         {"--file-selection", "--title=" + kFileTitle, "--file-filter=サウンド (*.mp3;*.wav) | " + cases_filter,
          "--filename=" + current + "/"}},
        {"kdialog, a folder", "kdialog", true, "", "", {"--getexistingdirectory", Home(), "--title", kFolderTitle}},
        {"kdialog, a file", "kdialog", false, "*.mp3;*.wav", music,
         {"--getopenfilename", music, cases_filter + "|サウンド (*.mp3;*.wav)", "--title", kFileTitle}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(dir.path() / "bin");
        std::filesystem::create_directories(dir.path() / "bin");
        AddStandIn(c.program);
        Reply(c.program, "/chosen\n");
        const Choice choice = c.folder ? shell.BrowseForFolder(kFolderTitle)
                                       : shell.GetOpenFileName(kFileTitle, "サウンド (*.mp3;*.wav)", c.patterns, c.initial);
        EXPECT_EQ(ChoiceOutcome::Chosen, choice.outcome) << choice.path;
        EXPECT_EQ(Lines(c.expected), Arguments(c.program));
    }
}

TEST_F(LinuxShellTest, ZenityIsPreferredWhereBothAreInstalled)
{
    AddStandIn("zenity");
    AddStandIn("kdialog");
    Reply("zenity", "/from zenity\n");
    EXPECT_EQ("/from zenity", shell.BrowseForFolder(kFolderTitle).path);
    EXPECT_EQ("", Arguments("kdialog"));
}

// The path comes back as the chooser printed it, less its last newline; any
// other ending is a cancel.
TEST_F(LinuxShellTest, TheChoosersAnswerBecomesTheOutcome)
{
    struct Case {
        const char* name;
        std::string reply;
        std::string tail;
        ChoiceOutcome outcome;
        std::string path;
    };
    const Case cases[] = {
        {"blanks and Japanese", "/home/u/写真 の フォルダ/ｼｰｹﾝｼｬﾙ 1\n", "exit 0", ChoiceOutcome::Chosen,
         "/home/u/写真 の フォルダ/ｼｰｹﾝｼｬﾙ 1"},
        {"a name ending in a blank and a newline", "/a/b \n\n", "exit 0", ChoiceOutcome::Chosen, "/a/b \n"},
        {"without the newline", "/no/newline", "exit 0", ChoiceOutcome::Chosen, "/no/newline"},
        {"cancelled", "", "exit 1", ChoiceOutcome::Cancelled, ""},
        {"a path but a failure", "/half/done\n", "exit 5", ChoiceOutcome::Cancelled, ""},
        {"success without a path", "", "exit 0", ChoiceOutcome::Cancelled, ""},
        {"killed", "/x\n", "kill -9 $$", ChoiceOutcome::Cancelled, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AddStandIn("zenity", c.tail);
        Reply("zenity", c.reply);
        for (const Choice& choice : {shell.BrowseForFolder(kFolderTitle), shell.GetOpenFileName(kFileTitle, "x", "*.x", "/")}) {
            EXPECT_EQ(c.outcome, choice.outcome);
            EXPECT_EQ(c.path, choice.path);
        }
    }
}

TEST_F(LinuxShellTest, WithoutAChooserTheUserIsToldWhatToInstall)
{
    for (const Choice& choice : {shell.BrowseForFolder(kFolderTitle), shell.GetOpenFileName(kFileTitle, "x", "*.x", "")}) {
        EXPECT_EQ(ChoiceOutcome::Unavailable, choice.outcome);
        EXPECT_NE(std::string::npos, choice.path.find("install zenity")) << choice.path;
    }
    // A file of that name that cannot be run is no chooser either.
    dir.WriteFile("bin/zenity", "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(ChoiceOutcome::Unavailable, shell.BrowseForFolder(kFolderTitle).outcome);
}

// The chooser never holds the show's end back: a termination request closes
// it, and the request stays for the show's pump. In a child process, since
// a request stays for good.
TEST_F(LinuxShellTest, ATerminationRequestClosesTheChooser)
{
    AddStandIn("zenity", "exec /bin/sleep 600");
    Reply("zenity", "/never\n");
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        InstallTerminationHandlers();
        const Choice choice = shell.BrowseForFolder(kFolderTitle);
        _exit(choice.outcome == ChoiceOutcome::Cancelled && TakeTerminationRequest() ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    ASSERT_TRUE(WaitUntil([&] { return !Arguments("zenity").empty(); }, Patience(10s))) << "the chooser never started";
    EXPECT_EQ(0, waitpid(child, nullptr, WNOHANG)) << "the call did not wait for the chooser";
    kill(child, SIGTERM);
    int status = 0;
    const bool ended = WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, Patience(10s));
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    ASSERT_TRUE(ended) << "the chooser held the process after the signal";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "not cancelled, or the request was lost";
}

TEST_F(LinuxShellTest, OpenUrlStartsTheBrowserWithoutWaitingForIt)
{
    // The stand-in stays open as a browser would.
    AddStandIn("xdg-open", "exec /bin/sleep 600");
    const std::string url = "https://example.com/a b?q=画像&x='1'";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(42, shell.OpenUrl(url));
    EXPECT_LT(std::chrono::steady_clock::now() - start, Patience(2s));
    ASSERT_TRUE(WaitUntil([&] { return !Arguments("xdg-open").empty(); }, Patience(10s)));
    EXPECT_EQ(url + "\n", Arguments("xdg-open")) << "the address as one word";
    // Nothing is left for us to reap: the browser is not our child.
    EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);
}

TEST_F(LinuxShellTest, OpenUrlWithoutXdgOpenIsFileNotFound)
{
    EXPECT_EQ(2, shell.OpenUrl("https://example.com/"));
    AddStandIn("xdg-open");
    // A word xdg-open would take for an option of its own is no address.
    EXPECT_EQ(2, shell.OpenUrl("--help"));
    EXPECT_EQ(2, shell.OpenUrl(""));
    EXPECT_EQ("", Arguments("xdg-open"));
}

}  // namespace
}  // namespace nuvra::linux_platform
