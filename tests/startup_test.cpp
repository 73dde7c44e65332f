#include "startup/startup.h"

#include <gtest/gtest.h>

#include <functional>

#include "settings/ini.h"
#include "startup/command_line.h"
#include "startup/hosted_options.h"
#include "startup/hosted_show.h"
#include "support/fake_platform.h"
#include "ui/window_titles.h"

namespace nuvra {
namespace {

using test::FakePlatform;

TEST(CommandLine, ModeLetterIsTheSecondCharacterUpperCased)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/s", "S"},   {"/S", "S"},    {"-s", "S"}, {"xs", "S"},      {"/p 1234", "P"}, {"/c:1234", "C"},
        {"/a 99", "A"}, {"/x", "X"},   {"/", ""},   {"", ""},         {"s", ""},        {"/é", "é"},
        {"é/s", "/"},  {"/1", "1"},
    };
    for (const auto& [line, letter] : cases)
        EXPECT_EQ(ModeLetter(line), letter) << "command line \"" << line << "\"";
}

TEST(CommandLine, HandleTextStartsAtTheFourthCharacter)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/p 1234", "1234"}, {"/p:1234", "1234"}, {"/p", ""}, {"/p ", ""}, {"/P 12aB", "12aB"}, {"/éé7", "7"},
    };
    for (const auto& [line, handle] : cases)
        EXPECT_EQ(HandleText(line), handle) << "command line \"" << line << "\"";
}

TEST(CommandLine, TheWordsGiveOneModeAndTheDaemonsFlagsAHostedShow)
{
    using Args = std::vector<std::string>;
    const struct {
        Args words;
        ModeKind kind;
        ShowStart start;
        std::string handle;
    } cases[] = {
        {{"/s"}, ModeKind::Show, ShowStart::System, ""},
        {{"Xs"}, ModeKind::Show, ShowStart::System, ""},
        {{}, ModeKind::Show, ShowStart::User, ""},
        {{"/p", "1234"}, ModeKind::Preview, ShowStart::System, "1234"},  // joined again: "/p 1234"
        {{"/c:1234"}, ModeKind::Settings, ShowStart::System, "1234"},
        {{"/a", "99"}, ModeKind::ChangePassword, ShowStart::System, "99"},
        {{"/x"}, ModeKind::Other, ShowStart::System, ""},
        {{"/"}, ModeKind::Other, ShowStart::System, ""},
        {{"--speed", "3", "-root"}, ModeKind::Hosted, ShowStart::Daemon, ""},
    };
    for (const auto& c : cases) {
        const Mode mode = ReadArguments(c.words, "0x2a");
        std::string line;
        for (const std::string& w : c.words)
            line += w + " ";
        EXPECT_EQ(mode.kind, c.kind) << line;
        EXPECT_EQ(mode.show_start, c.start) << line;
        EXPECT_EQ(mode.handle_text, c.handle) << line;
    }
    EXPECT_EQ(ReadArguments({"-root"}, "0x2a").hosted.window, 42);
}

class RecordingForms final : public Forms {
public:
    int HostPreview(std::int32_t parent) override
    {
        calls.push_back("preview " + std::to_string(parent));
        return 11;
    }
    int ShowSettingsDialog(std::optional<std::int64_t> owner) override
    {
        calls.push_back(owner ? "dialog owned by " + std::to_string(*owner) : "dialog");
        return 0;
    }
    int LoadDisplayForm(ShowStart start) override
    {
        calls.push_back(start == ShowStart::User ? "show by the user" : "show");
        if (on_show)
            on_show();
        return 0;
    }
    int LoadHostedDisplayForm(std::optional<std::int64_t> window, bool play_music,
                              const std::string& work_file_tag) override
    {
        calls.push_back("hosted " + (window ? std::to_string(*window) : std::string("root")) +
                        (play_music ? " music " : " silent ") + work_file_tag);
        if (on_show)
            on_show();
        return 0;
    }
    std::vector<std::string> calls;
    std::function<void()> on_show;
};

class MainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake.files.AddFolder("/pics", {{".", 18}, {"..", 18}, {"b.bmp", 32}, {"a.bmp", 32}, {"c.bmp", 32}});
    }
    int Run(std::string_view command_line)
    {
        state = ProcessState{};
        forms.calls.clear();
        return Main(state, fake.platform, forms, ReadCommandLine(command_line));
    }
    bool SettingsLoaded() const { return state.nuvra_b.settings.ChangeInterval == 10; }

    FakePlatform fake;
    RecordingForms forms;
    ProcessState state;
};

TEST_F(MainTest, ShowSwitchesHideTheCursorAndRaiseTheRunningFlag)
{
    for (const char* line : {"/s", "/S", "-s", "Xs"}) {
        fake.cursor = {};
        fake.session.screen_saver_running.clear();
        EXPECT_EQ(Run(line), 0);
        EXPECT_EQ(forms.calls, std::vector<std::string>{"show"}) << line;
        EXPECT_TRUE(SettingsLoaded()) << line;
        EXPECT_EQ(fake.cursor.calls, std::vector<bool>{false}) << line;
        EXPECT_EQ(state.nuvra_b.SavedCursorState, -1) << line;
        // The running flag is the complement of "keys enabled = false".
        EXPECT_EQ(fake.session.screen_saver_running, std::vector<bool>{true}) << line;
    }
}

TEST_F(MainTest, EmptyCommandLineShowsWithTheCursorAndFlagUntouched)
{
    EXPECT_EQ(Run(""), 0);
    EXPECT_EQ(forms.calls, std::vector<std::string>{"show by the user"});
    EXPECT_TRUE(fake.cursor.calls.empty());
    EXPECT_TRUE(fake.session.screen_saver_running.empty());
    EXPECT_EQ(state.nuvra_b.SavedCursorState, std::nullopt);
}

TEST_F(MainTest, ShowOrderIsBuiltOnlyWhenThereArePictures)
{
    Run("/s");
    EXPECT_TRUE(state.nuvra_b.images.ShowOrder.empty());
    EXPECT_EQ(fake.random.randomize_calls, 0);

    fake.profile.Set(IniPath(fake.files), "Section", "画像のﾌｫﾙﾀﾞ", "/pics");
    fake.profile.Set(IniPath(fake.files), "Section", "画像ﾁｪﾝｼﾞ", "1");
    Run("/s");
    ASSERT_EQ(state.nuvra_b.images.ImageCount, 3);
    ASSERT_EQ(state.nuvra_b.images.ShowOrder.size(), 4u);
    EXPECT_EQ(fake.random.randomize_calls, 1);
    std::vector<std::int16_t> order(state.nuvra_b.images.ShowOrder.begin() + 1, state.nuvra_b.images.ShowOrder.end());
    std::sort(order.begin(), order.end());
    EXPECT_EQ(order, (std::vector<std::int16_t>{1, 2, 3}));
}

TEST_F(MainTest, SettingsAndOtherSwitchesEndAfterLoading)
{
    struct Case {
        const char* line;
        std::vector<std::string> calls;
    } cases[] = {
        {"/c", {"dialog"}},
        {"/C:1234", {"dialog owned by 1234"}},
        {"/c 99", {"dialog owned by 99"}},
        {"/c:0", {"dialog"}},
        {"/c:none", {"dialog"}},
        {"/x", {}},
        {"/", {}},
        {"/a 1234", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.line), 0) << c.line;
        EXPECT_EQ(forms.calls, c.calls) << c.line;
        EXPECT_TRUE(SettingsLoaded()) << c.line;
        EXPECT_TRUE(fake.cursor.calls.empty()) << c.line;
    }
}

TEST_F(MainTest, PasswordChangeIsAskedOnlyOnSystemsWithoutNt)
{
    Run("/a 1234");
    EXPECT_TRUE(fake.session.password_changes.empty());

    fake.session.system_owns_password = false;
    Run("/a 1234");
    EXPECT_EQ(fake.session.password_changes, std::vector<std::int32_t>{1234});
    Run("/a 12.5");
    EXPECT_EQ(fake.session.password_changes.back(), 12);
    // A handle that is no number gives no call rather than a crash.
    fake.session.password_changes.clear();
    Run("/a abc");
    EXPECT_TRUE(fake.session.password_changes.empty());
}

TEST_F(MainTest, PreviewTakesTheHandleLenientlyAndLoadsNoSettings)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/p 1234", "preview 1234"}, {"/p 1234abc", "preview 1234"}, {"/p", "preview 0"},
        {"/P:77", "preview 77"},     {"/p 12 34", "preview 1234"},   {"/p 99999999999", "preview 0"},
        {"/p 2.5", "preview 2"},
        // X11 tools write window ids in hexadecimal.
        {"/p 0x1e00007", "preview 31457287"}, {"/p 0X2A", "preview 42"}, {"/p 0xZZ", "preview 0"},
    };
    for (const auto& [line, call] : cases) {
        fake.profile.read_files.clear();
        EXPECT_EQ(Run(line), 11) << line;
        EXPECT_EQ(forms.calls, std::vector<std::string>{call}) << line;
        EXPECT_TRUE(fake.profile.read_files.empty()) << line << ": settings were read";
    }
}

TEST_F(MainTest, AnOpenShowOrDialogEndsEveryMode)
{
    for (const char* title : {kDisplayWindowTitle, kDialogWindowTitle}) {
        fake.guard.open_windows = {title};
        for (const char* line : {"/s", "", "/p 1234", "/c", "/a 1", "/x"}) {
            fake.profile.read_files.clear();
            EXPECT_EQ(Run(line), 0) << line;
            EXPECT_TRUE(forms.calls.empty()) << line;
            EXPECT_TRUE(fake.profile.read_files.empty()) << line;
        }
    }
}

TEST_F(MainTest, TheShowAndTheDialogClaimTheirTitleBeforeAnythingElse)
{
    // Held while the form runs, gone afterwards.
    bool held_during_show = false;
    forms.on_show = [&] { held_during_show = fake.guard.open_windows.count(kDisplayWindowTitle) != 0; };
    EXPECT_EQ(Run("/s"), 0);
    EXPECT_TRUE(held_during_show);
    EXPECT_TRUE(fake.guard.open_windows.empty());
    EXPECT_EQ(fake.guard.claims, (std::vector<std::string>{kDisplayWindowTitle}));

    fake.guard.claims.clear();
    EXPECT_EQ(Run("/c"), 0);
    EXPECT_EQ(fake.guard.claims, (std::vector<std::string>{kDialogWindowTitle}));

    // Modes without a window of their own claim nothing.
    fake.guard.claims.clear();
    for (const char* line : {"/p 1234", "/a 1", "/x"})
        Run(line);
    EXPECT_TRUE(fake.guard.claims.empty());
}

TEST_F(MainTest, AProcessThatLosesTheClaimEndsAtOnce)
{
    // Another process started at the same moment passed the search too and
    // claimed the title first.
    for (const auto& [line, title] : {std::pair{"/s", kDisplayWindowTitle}, std::pair{"", kDisplayWindowTitle},
                                       std::pair{"/c", kDialogWindowTitle}}) {
        fake.guard.taken_by_another = {title};
        fake.profile.read_files.clear();
        EXPECT_EQ(Run(line), 0) << line;
        EXPECT_TRUE(forms.calls.empty()) << line;
        EXPECT_TRUE(fake.profile.read_files.empty()) << "nothing read before the claim: " << line;
        EXPECT_TRUE(fake.cursor.calls.empty()) << line;
    }

    // With nowhere to keep a claim at all, that is said and the status is 1.
    fake.guard.taken_by_another.clear();
    fake.guard.no_folder = "/tmp/nuvra-65534 belongs to another user";
    test::FakeDiagnostics diagnostics;
    fake.platform.diagnostics = &diagnostics;
    for (const char* line : {"/s", "/c"}) {
        EXPECT_EQ(Run(line), 1) << line;
        EXPECT_TRUE(forms.calls.empty()) << line;
    }
    EXPECT_EQ(RunHostedShow(state, fake.platform, forms, ParseHostedCommandLine({"--root"}, std::nullopt)), 1);
    EXPECT_TRUE(forms.calls.empty());
    ASSERT_EQ(diagnostics.reports.size(), 3u);
    EXPECT_NE(diagnostics.reports[0].find("belongs to another user"), std::string::npos) << diagnostics.reports[0];
}

}  // namespace
}  // namespace nuvra
