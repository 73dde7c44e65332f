// The real binary in a hostile session: a DISPLAY naming no server. The show
// ends at once with status 1 and a message, and leaves nothing behind that
// would keep the next show from starting.
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

}  // namespace
}  // namespace nuvra::e2e
