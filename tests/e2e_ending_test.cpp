// How the show ends, on the real binary under a private X server: by a
// movement of the pointer in both directions, a button or a key, or a
// termination signal; each time with status 0 and the work files gone.
// Straight movements, and any movement on an empty command line, leave it
// running. A second nuvra leaves a running show alone.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"

namespace nuvra::e2e {
namespace {

// A part of the disc that changes with every frame.
constexpr Region kWatched{600, 200, 80, 80};

class E2eEndingTest : public ShowTest {
protected:
    void SetUp() override
    {
        ShowTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(WritePatternPicture(home.PicturePath("pattern.bmp"), 800, 600));
        home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()}, {"ｲﾝﾀｰﾊﾞﾙ", "1"}, {"回転ｽﾋﾟｰﾄﾞ", "7"}});
    }

    // A show whose first frame is on the screen.
    std::unique_ptr<Show> StartShow(const std::vector<std::string>& arguments = {"/s"})
    {
        auto show = std::make_unique<Show>(*s_server, home, NUVRA_BINARY, arguments);
        EXPECT_TRUE(show->WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show->Output();
        return show;
    }
    // Moves the pointer and lets the show take the movement in: true when
    // it is still running after that.
    bool MoveAndSurvive(Show& show, int x, int y)
    {
        EXPECT_TRUE(server().MovePointer(x, y)) << "xdotool could not move the pointer to " << x << ", " << y;
        return show.WaitForTwoFrames(kWatched) && show.Running();
    }
};

TEST_F(E2eEndingTest, OnlyAMovementInBothDirectionsEndsTheShow)
{
    ASSERT_TRUE(server().MovePointer(100, 100));
    auto show = StartShow();
    ASSERT_TRUE(show->Running());
    EXPECT_EQ(home.WorkFilesPresent(), home.WorkFiles());

    // The first movement only marks where the pointer was.
    EXPECT_TRUE(MoveAndSurvive(*show, 200, 200)) << "the first movement ended the show";
    // From there, along one axis at a time, however far.
    EXPECT_TRUE(MoveAndSurvive(*show, 900, 200)) << "a horizontal movement ended the show";
    EXPECT_TRUE(MoveAndSurvive(*show, 200, 650)) << "a vertical movement ended the show";
    EXPECT_TRUE(MoveAndSurvive(*show, 201, 200)) << "a one-pixel horizontal movement ended the show";
    // Then both coordinates at once.
    ASSERT_TRUE(server().MovePointer(203, 202));
    ExpectCleanEnd(*show, "a diagonal movement");
}

TEST_F(E2eEndingTest, AButtonOrAnyKeyEndsTheShow)
{
    // Without CD music the arrow keys are keys like any other.
    const std::vector<std::vector<std::string>> inputs = {
        {"click", "1"}, {"click", "3"}, {"key", "a"}, {"key", "space"}, {"key", "Left"}, {"key", "Right"},
    };
    for (const std::vector<std::string>& input : inputs) {
        const std::string how = input[0] + " " + input[1];
        SCOPED_TRACE(how);
        auto show = StartShow();
        ASSERT_TRUE(show->Running());
        ASSERT_TRUE(server().Xdotool(input));
        ExpectCleanEnd(*show, how);
    }
}

TEST_F(E2eEndingTest, AnEmptyCommandLineIgnoresMovement)
{
    ASSERT_TRUE(server().MovePointer(100, 100));
    auto show = StartShow({});
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(MoveAndSurvive(*show, 100 + 150 * i, 100 + 120 * i)) << "movement " << i << " ended the show";
    ASSERT_TRUE(server().Xdotool({"key", "Escape"}));
    ExpectCleanEnd(*show, "a key");
}

TEST_F(E2eEndingTest, TerminationSignalsEndWithTheSameCleanup)
{
    for (const int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
        const std::string how = std::string("signal ") + sigabbrev_np(signal_number);
        SCOPED_TRACE(how);
        auto show = StartShow();
        ASSERT_TRUE(show->Running());
        ASSERT_EQ(home.WorkFilesPresent(), home.WorkFiles());
        show->process().Signal(signal_number);
        ExpectCleanEnd(*show, how);
    }
}

TEST_F(E2eEndingTest, ASecondNuvraLeavesARunningShowAloneAndANewShowStartsAfterIt)
{
    auto show = StartShow();
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"/s"}, {"/p", "1234"}, {"/c"}, {}, {"/S"}}) {
        std::string how = "nuvra";
        for (const std::string& a : arguments)
            how += " " + a;
        SCOPED_TRACE(how);
        Show second(server(), home, NUVRA_BINARY, arguments);
        const std::optional<ExitStatus> status = second.process().Wait(Patience(5s));
        ASSERT_TRUE(status.has_value()) << "the second instance is still running";
        EXPECT_EQ(*status, 0) << second.Output();
        EXPECT_EQ(second.Output(), "");
        EXPECT_TRUE(show->Running());
        EXPECT_EQ(server().ViewableWindows(kShowTitle), 1);
        EXPECT_EQ(home.WorkFilesPresent(), home.WorkFiles()) << "the second instance touched the work files";
    }
    ASSERT_TRUE(show->WaitForTwoFrames(kWatched)) << "the first show stopped drawing";
    ASSERT_TRUE(server().Xdotool({"key", "Escape"}));
    ExpectCleanEnd(*show, "a key");

    // The guard went with the show: a new one starts, draws and ends.
    auto again = StartShow();
    ASSERT_TRUE(again->Running());
    EXPECT_EQ(home.WorkFilesPresent(), home.WorkFiles());
    ASSERT_TRUE(again->WaitForTwoFrames(kWatched));
    ASSERT_TRUE(server().Xdotool({"click", "1"}));
    ExpectCleanEnd(*again, "a button");
}

TEST_F(E2eEndingTest, WithoutAHomeTheShowKeepsItsFilesInAPrivateTemporaryFolder)
{
    // A service account: no HOME folder to be had, no XDG variables.
    const std::filesystem::path temp = home.dir().path() / "tmp";
    std::filesystem::create_directories(temp);
    const std::filesystem::path ours = temp / ("nuvra-" + std::to_string(::geteuid()));
    const std::vector<std::string> work = {(ours / "Tmp_nuvra01.bmp").string(), (ours / "Tmp_nuvra02.bmp").string()};
    const std::map<std::string, std::string> no_home = {
        {"HOME", "/dev/null"}, {"XDG_CONFIG_HOME", ""}, {"XDG_CACHE_HOME", ""}, {"XDG_RUNTIME_DIR", ""},
        {"TMPDIR", temp.string()}};
    auto exists = [](const std::string& path) { return std::filesystem::exists(path); };

    // No settings can be read: the show turns the desktop.
    server().PaintRoot(Rgb{0x33, 0x66, 0xcc});
    Show show(server(), home, NUVRA_BINARY, {"/s"}, no_home);
    // The root is already coloured, so a coloured centre proves nothing: wait
    // for the show's window to black out the corner before the key, or the
    // key may reach the desktop instead.
    ASSERT_TRUE(show.WaitForWindow()) << show.Output();
    ASSERT_TRUE(WaitUntil([&] { return IsBlack(server().PixelAt(0, 0)); }, Patience(5s))) << show.Output();
    ASSERT_TRUE(show.WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show.Output();
    EXPECT_TRUE(WaitUntil([&] { return std::all_of(work.begin(), work.end(), exists); }, Patience(5s)));
    EXPECT_EQ(std::filesystem::status(ours).permissions() & std::filesystem::perms::all, std::filesystem::perms::owner_all);
    ASSERT_TRUE(server().Xdotool({"key", "Escape"}));
    const std::optional<ExitStatus> status = show.WaitForEnd();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << show.Output();
    EXPECT_FALSE(std::any_of(work.begin(), work.end(), exists));

    // Nowhere at all for the lock and the files: said, and status 1.
    Show nowhere(server(), home, NUVRA_BINARY, {"/s"}, {{"HOME", "/dev/null"}, {"XDG_CONFIG_HOME", ""},
                 {"XDG_CACHE_HOME", ""}, {"XDG_RUNTIME_DIR", ""}, {"TMPDIR", "/dev/null"}});
    const std::optional<ExitStatus> refused = nowhere.WaitForEnd();
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(*refused, 1);
    EXPECT_NE(nowhere.Output().find("no folder for its lock and work files"), std::string::npos) << nowhere.Output();
    EXPECT_EQ(server().ViewableWindows(kShowTitle), 0);
    server().PaintRoot({});
}

}  // namespace
}  // namespace nuvra::e2e
