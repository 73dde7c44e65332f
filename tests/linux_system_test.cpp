#include "platform/linux/system_services.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/linux/xdg.h"
#include "support/temp_dir.h"

namespace nuvra::linux_platform {
namespace {

TEST(LinuxInstanceGuard, AClaimIsSeenByOtherProcessesUntilReleased)
{
    test::TempDir folder;
    LinuxInstanceGuard guard(folder.str());
    EXPECT_FALSE(guard.WindowExists("Nuvra_Main"));
    {
        auto claim = guard.Claim("Nuvra_Main");
        ASSERT_NE(claim.held, nullptr);
        EXPECT_TRUE(guard.WindowExists("Nuvra_Main"));
        EXPECT_FALSE(guard.WindowExists("Nuvraの設定"));
        EXPECT_EQ(guard.Claim("Nuvra_Main").held, nullptr);

        pid_t child = fork();
        if (child == 0) {
            LinuxInstanceGuard other(folder.str());
            _exit(other.WindowExists("Nuvra_Main") && !other.Claim("Nuvra_Main").held ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process did not see the claim";
    }
    EXPECT_FALSE(guard.WindowExists("Nuvra_Main"));
    // A daemon's copies claim a title per window: released, none is left
    // behind in the folder.
    EXPECT_FALSE(std::filesystem::exists(guard.LockPath("Nuvra_Main"))) << "the lock file outlived its claim";
    EXPECT_NE(guard.Claim("Nuvra_Main").held, nullptr);
}

TEST(LinuxInstanceGuard, TitlesBecomeSafeFileNames)
{
    test::TempDir folder;
    LinuxInstanceGuard guard(folder.str());
    EXPECT_EQ(guard.LockPath("Nuvra_Main"), folder.str() + "/nuvra-Nuvra_Main.lock");
    EXPECT_EQ(guard.LockPath("a/../b c"), folder.str() + "/nuvra-a%2f%2e%2e%2fb%20c.lock");
    EXPECT_EQ(guard.LockPath("Nuvraの設定").find('/', folder.str().size() + 1), std::string::npos);
}

TEST(Xdg, FoldersFollowTheVariablesAndIgnoreRelativeValues)
{
    const char* saved_home = std::getenv("HOME");
    const char* saved_config = std::getenv("XDG_CONFIG_HOME");
    const char* saved_cache = std::getenv("XDG_CACHE_HOME");
    std::string home = saved_home ? saved_home : "";
    std::string config = saved_config ? saved_config : "";
    std::string cache = saved_cache ? saved_cache : "";

    setenv("HOME", "/home/u", 1);
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(ConfigFolder(), "/cfg/nuvra");
    setenv("XDG_CONFIG_HOME", "relative/cfg", 1);
    EXPECT_EQ(ConfigFolder(), "/home/u/.config/nuvra");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ConfigFolder(), "/home/u/.config/nuvra");
    unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(CacheFolder(), "/home/u/.cache/nuvra");

    saved_home ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
    saved_config ? setenv("XDG_CONFIG_HOME", config.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    saved_cache ? setenv("XDG_CACHE_HOME", cache.c_str(), 1) : unsetenv("XDG_CACHE_HOME");
}

TEST(Xdg, WithoutAUsableFolderOurPrivateTemporaryFolderIsTaken)
{
    test::TempDir folder;
    const char* saved_temp = std::getenv("TMPDIR");
    const std::string temp = saved_temp ? saved_temp : "";
    setenv("TMPDIR", (folder.str() + "/tmp/").c_str(), 1);
    std::filesystem::create_directories(folder.path() / "tmp");
    const std::string ours = folder.str() + "/tmp/nuvra-" + std::to_string(::geteuid());
    const auto mode = [](const std::string& path) {
        return std::filesystem::status(path).permissions() & std::filesystem::perms::all;
    };

    EXPECT_EQ(UsableFolder(folder.str() + "/cache/nuvra"), folder.str() + "/cache/nuvra");
    EXPECT_EQ(UsableFolder("/dev/null/.cache/nuvra"), ours);
    EXPECT_EQ(mode(ours), std::filesystem::perms::owner_all);
    std::filesystem::permissions(ours, std::filesystem::perms::all);  // opened up since: closed again
    EXPECT_EQ(UsableFolder("/dev/null/.cache/nuvra"), ours);
    EXPECT_EQ(mode(ours), std::filesystem::perms::owner_all);

    std::string why;
    if (::geteuid() == 0) {  // only root can hand the folder to another user
        ASSERT_EQ(::chown(ours.c_str(), 65534, 65534), 0);
        EXPECT_EQ(UsableFolder("/dev/null/.cache/nuvra", &why), std::nullopt);
        EXPECT_NE(why.find("belongs to another user"), std::string::npos) << why;
    }
    setenv("TMPDIR", "/dev/null", 1);
    EXPECT_EQ(UsableFolder("/dev/null/.cache/nuvra", &why), std::nullopt);
    EXPECT_NE(why.find("/dev/null/nuvra-"), std::string::npos) << why;

    saved_temp ? setenv("TMPDIR", temp.c_str(), 1) : unsetenv("TMPDIR");
}

}  // namespace
}  // namespace nuvra::linux_platform
