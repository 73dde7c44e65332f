#include "startup/hosted_show.h"

#include <gtest/gtest.h>

#include <functional>

#include "settings/ini.h"
#include "support/fake_platform.h"
#include "support/native_path.h"

namespace nuvra {
namespace {

class RecordingForms final : public Forms {
public:
    int HostPreview(std::int32_t) override { return 11; }
    int ShowSettingsDialog(std::optional<std::int64_t>) override { return 12; }
    int LoadDisplayForm(ShowStart) override { return 13; }
    int LoadHostedDisplayForm(std::optional<std::int64_t> window, bool music, const std::string& tag) override
    {
        calls.push_back({window, music, tag});
        if (during)
            during();
        return 0;
    }
    struct Call {
        std::optional<std::int64_t> window;
        bool music;
        std::string tag;
    };
    std::vector<Call> calls;
    std::function<void()> during;
};

TEST(HostedCommandLine, TheDaemonsFlagsNameTheWindow)
{
    using Args = std::vector<std::string>;
    EXPECT_TRUE(IsHostedCommandLine(Args{"--root"}));
    EXPECT_TRUE(IsHostedCommandLine(Args{"-root"}));
    EXPECT_TRUE(IsHostedCommandLine(Args{"--speed", "3", "--window-id", "0x2a"}));
    EXPECT_FALSE(IsHostedCommandLine(Args{"/s"}));
    EXPECT_FALSE(IsHostedCommandLine(Args{"/p", "1234"}));
    EXPECT_FALSE(IsHostedCommandLine(Args{}));

    const struct {
        Args arguments;
        std::optional<std::string_view> daemon_window;
        std::optional<std::int64_t> window;
        std::size_t problems;
    } cases[] = {
        {{"--root"}, "0x1e00007", 0x1e00007, 0},
        {{"-root"}, "31457287", 31457287, 0},
        {{"--root"}, std::nullopt, std::nullopt, 0},       // the root window
        {{"--root"}, "garbage", std::nullopt, 1},          // a daemon's value that names nothing: said, the root
        {{"--root"}, "-5", std::nullopt, 1},
        {{"--window-id", "0X2A"}, "0x99", 42, 0},          // named on the command line: that one
        {{"--window-id=1234"}, std::nullopt, 1234, 0},
        {{"--window-id", "0"}, std::nullopt, std::nullopt, 1},
        {{"--window-id", "12abc"}, std::nullopt, std::nullopt, 1},
        {{"--window-id"}, std::nullopt, std::nullopt, 1},  // no value
        {{"--root", "--colour", "red", "stray"}, std::nullopt, std::nullopt, 3},
    };
    for (const auto& c : cases) {
        const HostedOptions options = ParseHostedCommandLine(c.arguments, c.daemon_window);
        std::string line;
        for (const std::string& a : c.arguments)
            line += a + " ";
        EXPECT_EQ(options.window, c.window) << line;
        EXPECT_EQ(options.problems.size(), c.problems) << line;
    }

    // The layer only ever follows "=": a bare --layer is the overlay.
    const struct {
        Args arguments;
        platform::SurfaceLayer layer;
        std::size_t problems;
    } layers[] = {
        {{"--root"}, platform::SurfaceLayer::None, 0},
        {{"--layer"}, platform::SurfaceLayer::Overlay, 0},
        {{"--layer=overlay"}, platform::SurfaceLayer::Overlay, 0},
        {{"-layer=background"}, platform::SurfaceLayer::Background, 0},
        {{"--layer=sideways"}, platform::SurfaceLayer::Overlay, 1},
        {{"--layer", "--interval", "20"}, platform::SurfaceLayer::Overlay, 0},
    };
    for (const auto& c : layers) {
        EXPECT_TRUE(IsHostedCommandLine(c.arguments)) << c.arguments[0];
        const HostedOptions options = ParseHostedCommandLine(c.arguments, std::nullopt);
        EXPECT_EQ(options.layer, c.layer) << c.arguments[0];
        EXPECT_EQ(options.problems.size(), c.problems) << c.arguments[0];
    }

    // An unknown flag is left out alone; the known flag after it keeps its value.
    const HostedOptions options = ParseHostedCommandLine({"--root", "--bogus", "--interval", "5"}, std::nullopt);
    EXPECT_EQ(options.interval, "5");
    EXPECT_EQ(options.problems, std::vector<std::string>{"--bogus is not an option; it is left out"});
}

class HostedShowTest : public ::testing::Test {
protected:
    HostedShowTest()
    {
        fake.platform.diagnostics = &diagnostics;
        fake.files.AddFolder("/pics", {{".", 18}, {"..", 18}, {"b.bmp", 32}, {"a.jpg", 32}});
        fake.files.AddFolder(test::NativePath("/other"), {{".", 18}, {"..", 18}, {"c.gif", 32}});
        fake.files.AddReadableFile("/music/loop.mp3");
        fake.files.AddReadableFile("/music/file.wav");
        for (const auto& [key, value] : {std::pair{"画像のﾌｫﾙﾀﾞ", "/pics"}, std::pair{"ｲﾝﾀｰﾊﾞﾙ", "20"},
                                          std::pair{"回転ｽﾋﾟｰﾄﾞ", "3"}, std::pair{"画像ﾁｪﾝｼﾞ", "0"},
                                          std::pair{"画像の位置", "0"}, std::pair{"BGM区分", "2"},
                                          std::pair{"BGMﾌｧｲﾙ", "/music/file.wav"}})
            fake.profile.Set(IniPath(fake.files), "Section", key, value);
    }
    int Run(const std::vector<std::string>& arguments)
    {
        state = ProcessState{};
        return RunHostedShow(state, fake.platform, forms, ParseHostedCommandLine(arguments, "0x400001"));
    }

    test::FakePlatform fake;
    test::FakeDiagnostics diagnostics;
    RecordingForms forms;
    ProcessState state;
};

TEST_F(HostedShowTest, FlagsOverrideTheSettingsForThisRunOnly)
{
    EXPECT_EQ(Run({"--root", "--folder", test::NativePath("/other"), "--order", "random", "--position", "moving",
                   "--interval", "45", "--speed", "9", "--music", "/music/loop.mp3", "--fps", "30"}),
              0);
    const SettingsRecord& settings = state.nuvra_b.settings;
    EXPECT_EQ(settings.ImageFolder, test::NativePath("/other"));
    EXPECT_EQ(state.nuvra_b.images.ImageCount, 1) << "the list is that of the new folder";
    EXPECT_EQ(settings.OrderMode, OrderModeOption::Random);
    EXPECT_EQ(settings.ImagePosition, ImagePositionOption::MovingBox);
    EXPECT_EQ(settings.ChangeInterval, 45);
    EXPECT_EQ(settings.RotationSpeed, 9);
    EXPECT_EQ(state.nuvra_b.FrameLimit, 30);
    EXPECT_EQ(state.sound_01.settings.BgmKind, BgmKindOption::MusicFile);
    EXPECT_EQ(state.sound_01.settings.BgmFile, "/music/loop.mp3");
    EXPECT_TRUE(fake.profile.writes.empty()) << "the settings file is never written";
    EXPECT_TRUE(diagnostics.reports.empty());
    ASSERT_EQ(forms.calls.size(), 1u);
    EXPECT_EQ(forms.calls[0].window, 0x400001);
    EXPECT_EQ(forms.calls[0].tag, "-0x400001");

    // A picture picked with the daemon's file chooser stands for its folder.
    fake.files.AddReadableFile(test::NativePath("/other/c.gif"));
    EXPECT_EQ(Run({"--root", "--folder", test::NativePath("/other/c.gif")}), 0);
    EXPECT_EQ(state.nuvra_b.settings.ImageFolder, test::NativePath("/other"));
    EXPECT_TRUE(diagnostics.reports.empty()) << diagnostics.reports.front();

    EXPECT_EQ(Run({"--root", "--music", ""}), 0);
    EXPECT_EQ(state.sound_01.settings.BgmKind, BgmKindOption::None) << "an empty music flag: no music";
}

TEST_F(HostedShowTest, RecursiveTakesTheSubfoldersOfTheFilesFolderOrOfTheGivenOne)
{
    fake.files.AddFolder("/pics", {{".", 18}, {"..", 18}, {"b.bmp", 32}, {"a.jpg", 32}, {"more", 16}});
    fake.files.AddFolder(std::string("/pics") + platform::kPathSeparator + "more", {{"c.gif", 32}});
    fake.files.AddFolder(test::NativePath("/other"), {{"c.gif", 32}, {"more", 16}});
    fake.files.AddFolder(test::NativePath("/other/more"), {{"d.gif", 32}, {"e.gif", 32}});
    EXPECT_EQ(Run({"--root"}), 0);
    EXPECT_EQ(state.nuvra_b.images.ImageCount, 2);
    EXPECT_EQ(Run({"--root", "--recursive"}), 0);
    EXPECT_EQ(state.nuvra_b.images.ImageCount, 3);
    EXPECT_EQ(Run({"--recursive", "--root", "--folder", test::NativePath("/other")}), 0);
    EXPECT_EQ(state.nuvra_b.images.ImageCount, 3);
    EXPECT_TRUE(diagnostics.reports.empty());
    EXPECT_TRUE(fake.profile.writes.empty());
}

TEST_F(HostedShowTest, AnInvalidValueIsSaidAndTheFilesValueKept)
{
    const struct {
        std::vector<std::string> flag;
        const char* said;
    } cases[] = {
        {{"--interval", "9"}, "--interval \"9\""},       {{"--interval", "61"}, "--interval \"61\""},
        {{"--interval", "2x"}, "--interval \"2x\""},     {{"--speed", "0"}, "--speed \"0\""},
        {{"--speed", "11"}, "--speed \"11\""},           {{"--order", "sideways"}, "--order \"sideways\""},
        {{"--position", "left"}, "--position"},          {{"--folder", "/nowhere"}, "--folder \"/nowhere\""},
        {{"--music", "/music/gone.mp3"}, "--music"},      {{"--music", "/music/notes.txt"}, "--music"},
        {{"--fps", "4"}, "--fps \"4\": a whole number from 5 to 240"}, {{"--fps", "241"}, "--fps \"241\""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments{"--root"};
        arguments.insert(arguments.end(), c.flag.begin(), c.flag.end());
        diagnostics.reports.clear();
        Run(arguments);
        const SettingsRecord& settings = state.nuvra_b.settings;
        EXPECT_EQ(settings.ChangeInterval, 20) << c.said;
        EXPECT_EQ(settings.RotationSpeed, 3) << c.said;
        EXPECT_EQ(settings.OrderMode, OrderModeOption::FileOrder) << c.said;
        EXPECT_EQ(settings.ImagePosition, ImagePositionOption::Centre) << c.said;
        EXPECT_EQ(settings.ImageFolder, "/pics") << c.said;
        EXPECT_EQ(state.nuvra_b.images.ImageCount, 2) << c.said;
        EXPECT_EQ(state.sound_01.settings.BgmFile, "/music/file.wav") << c.said;
        EXPECT_EQ(state.nuvra_b.FrameLimit, 60) << c.said;
        ASSERT_EQ(diagnostics.reports.size(), 1u) << c.said;
        EXPECT_NE(diagnostics.reports[0].find(c.said), std::string::npos) << diagnostics.reports[0];
    }
}

TEST_F(HostedShowTest, CopiesOnSeveralMonitorsKeepApartAndOnePlaysTheMusic)
{
    // The first copy is running (it holds its window and the music) when the
    // second, on another window, starts; a copy for the same window ends.
    std::vector<RecordingForms::Call> inner;
    forms.during = [&] {
        forms.during = nullptr;
        state = ProcessState{};
        RunHostedShow(state, fake.platform, forms, ParseHostedCommandLine({"--window-id", "0x500002"}, std::nullopt));
        EXPECT_EQ(RunHostedShow(state, fake.platform, forms,
                                ParseHostedCommandLine({"--window-id", "0x400001"}, std::nullopt)),
                  0);
    };
    Run({"--root"});
    ASSERT_EQ(forms.calls.size(), 2u) << "the copy for a window already shown ended at once";
    EXPECT_TRUE(forms.calls[0].music);
    EXPECT_EQ(forms.calls[0].tag, "-0x400001");
    EXPECT_FALSE(forms.calls[1].music);
    EXPECT_EQ(forms.calls[1].tag, "-0x500002");
    EXPECT_TRUE(fake.guard.open_windows.empty()) << "every claim went with its copy";
}

}  // namespace
}  // namespace nuvra
