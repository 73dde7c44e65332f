// The real nuvra binary, run as the screen-saver host would run it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "platform/linux/system_services.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

struct RunResult {
    int status = -1;
    std::string errors;
};

class NuvraBinaryTest : public ::testing::Test {
protected:
    RunResult Run(const std::string& arguments)
    {
        std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + m_home.str() +
                              "/config' XDG_CACHE_HOME='" + m_home.str() + "/cache' XDG_RUNTIME_DIR='" +
                              m_home.str() + "/run' SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy " + NUVRA_BINARY + " " +
                              arguments + " 2>'" + m_home.str() + "/stderr' </dev/null";
        int raw = std::system(command.c_str());
        RunResult result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.errors = m_home.ReadFile("stderr");
        return result;
    }
    void SetUp() override { std::filesystem::create_directories(m_home.path() / "run"); }

    test::TempDir m_home;
};

TEST_F(NuvraBinaryTest, UnknownSwitchEndsAfterLoadingTheSettings)
{
    m_home.WriteFile("config/nuvra/Nuvra.ini", "[Section]\nｲﾝﾀｰﾊﾞﾙ=abc\n");
    RunResult result = Run("/x");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.errors, "");
    // Loading reads only; the file is left exactly as it was.
    EXPECT_EQ(m_home.ReadFile("config/nuvra/Nuvra.ini"), "[Section]\nｲﾝﾀｰﾊﾞﾙ=abc\n");
}

TEST_F(NuvraBinaryTest, EachModeSaysWhatItCannotDo)
{
    // Without an X display the show and the preview have no window to
    // open, nor has the dialog.
    const struct {
        const char* arguments;
        int status;
        const char* message;
    } cases[] = {
        {"/s", 1, "nuvra: the show needs a display, and none could be opened (DISPLAY is not set)\n"},
        {"", 1, "nuvra: the show needs a display, and none could be opened (DISPLAY is not set)\n"},
        {"/c", 1, "nuvra: the settings dialog needs a display, and none could be opened (DISPLAY is not set)\n"},
        {"/p 1234", 1, "nuvra: the preview needs a display, and none could be opened\n"},
    };
    for (const auto& c : cases) {
        RunResult result = Run(c.arguments);
        EXPECT_EQ(result.status, c.status) << "nuvra " << c.arguments;
        EXPECT_EQ(result.errors, c.message) << "nuvra " << c.arguments;
    }
    // A show that could not start leaves no work files behind.
    for (const char* name : {"Tmp_nuvra01.bmp", "Tmp_nuvra02.bmp"})
        EXPECT_FALSE(std::filesystem::exists(m_home.path() / "cache/nuvra" / name)) << name;
}

TEST_F(NuvraBinaryTest, ASecondInstanceEndsAtOnceWhileAShowOrDialogIsOpen)
{
    linux_platform::LinuxInstanceGuard guard(m_home.str() + "/run");
    for (const char* title : {"Nuvra_Main", "Nuvraの設定"}) {
        auto claim = guard.Claim(title);
        ASSERT_NE(claim.held, nullptr) << title;
        for (const char* arguments : {"/s", "/p 1234", "/c", "/x"}) {
            RunResult result = Run(arguments);
            EXPECT_EQ(result.status, 0) << title << ": nuvra " << arguments;
            EXPECT_EQ(result.errors, "") << title << ": nuvra " << arguments;
        }
    }
    // With both claims gone the show starts again (and finds no display).
    EXPECT_EQ(Run("/s").status, 1);
}

}  // namespace
}  // namespace nuvra
