// The real binary in a hostile session: a DISPLAY naming no server, a server
// that goes away under the show. The show ends at once with status 1, and
// leaves nothing behind that would keep the next show from starting.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"

namespace nuvra::e2e {
namespace {

// A display number no server holds: neither a lock nor a socket.
std::string UnusedDisplay()
{
    for (int number = 290; number < 390; ++number) {
        const std::string n = std::to_string(number);
        if (!std::filesystem::exists("/tmp/.X" + n + "-lock") && !std::filesystem::exists("/tmp/.X11-unix/X" + n))
            return ":" + n;
    }
    return {};
}

class E2eHostileTest : public ShowTest {
protected:
    void SetUp() override
    {
        ShowTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(WritePatternPicture(home.PicturePath("pattern.bmp"), 800, 600));
        home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()}, {"ｲﾝﾀｰﾊﾞﾙ", "1"}});
    }
};

TEST_F(E2eHostileTest, ADisplayWithoutAServerEndsTheShowAndFreesItsLock)
{
    const std::string dead = UnusedDisplay();
    ASSERT_FALSE(dead.empty()) << "no unused display number";
    // Whatever driver is asked for, only X will do.
    for (const char* driver : {"", "offscreen", "dummy"}) {
        SCOPED_TRACE(std::string("SDL_VIDEODRIVER=") + driver);
        Show lost(server(), home, NUVRA_BINARY, {"/s"}, {{"DISPLAY", dead}, {"SDL_VIDEODRIVER", driver}});
        const std::optional<ExitStatus> status = lost.process().Wait(Patience(10s));
        ASSERT_TRUE(status.has_value()) << "the show runs on without a display";
        EXPECT_EQ(*status, 1) << lost.Output();
        EXPECT_EQ(lost.Output().rfind("nuvra: ", 0), 0u) << lost.Output();
        EXPECT_EQ(home.WorkFilesPresent(), std::vector<std::string>{});
    }

    Show show(server(), home, NUVRA_BINARY, {"/s"});
    ASSERT_TRUE(show.WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show.Output();
    ASSERT_TRUE(server().Xdotool({"key", "Escape"}));
    ExpectCleanEnd(show, "a key");
}

// The session ends under a running show: its server is killed.
class E2eDisplayLostTest : public E2eHostileTest {
protected:
    // Status of the show after its server went away, or nothing when it
    // did not end.
    std::optional<ExitStatus> LoseTheServerUnderAShow()
    {
        XServer own(kScreenWidth, kScreenHeight);
        EXPECT_TRUE(own.ready()) << own.failure();
        if (!own.ready())
            return std::nullopt;
        Show show(own, home, NUVRA_BINARY, {"/s"});
        EXPECT_TRUE(show.WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show.Output();
        EXPECT_EQ(home.WorkFilesPresent(), home.WorkFiles());
        own.Crash();
        const std::optional<ExitStatus> status = show.WaitForEnd();
        output = show.Output();
        return status;
    }
    std::string output;
};

TEST_F(E2eDisplayLostTest, TheShowEndsWhenItsServerGoesAway)
{
    const std::optional<ExitStatus> status = LoseTheServerUnderAShow();
    ASSERT_TRUE(status.has_value()) << "the show runs on without its server";
    EXPECT_EQ(*status, 1) << output;
}

// Needs the app to register its cleanup with LinuxBackend::SetDisplayLostHandler.
TEST_F(E2eDisplayLostTest, TheShowCleansUpWhenItsServerGoesAway)
{
    const std::optional<ExitStatus> status = LoseTheServerUnderAShow();
    ASSERT_TRUE(status.has_value()) << "the show runs on without its server";
    EXPECT_EQ(*status, 1) << output;
    EXPECT_EQ(home.WorkFilesPresent(), std::vector<std::string>{}) << "the work files outlived the session";
    // The lock went with the process: a show on the suite's server runs.
    Show show(server(), home, NUVRA_BINARY, {"/s"});
    ASSERT_TRUE(show.WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show.Output();
    ASSERT_TRUE(server().Xdotool({"key", "Escape"}));
    ExpectCleanEnd(show, "a key");
}

}  // namespace
}  // namespace nuvra::e2e
