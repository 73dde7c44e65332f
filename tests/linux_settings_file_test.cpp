// The settings on a real profile file on disk, through the Linux backend.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/linux/backend.h"
#include "settings/settings.h"
#include "settings_snapshot.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

using test::Loaded;
using test::Snapshot;

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_old_config = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CONFIG_HOME", (m_home.str() + "/config").c_str(), 1);
    }
    void TearDown() override
    {
        if (m_old_config)
            setenv("XDG_CONFIG_HOME", m_old_config->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    test::TempDir m_home;
    std::optional<std::string> m_old_config;
};

TEST_F(SettingsFileTest, SaveIntoAnEmptyFolderWritesTheWholeFileAndReadsBackUnchanged)
{
    linux_platform::LinuxBackend backend;
    ProcessState saved;
    saved.nuvra_b.settings.OrderMode = OrderModeOption::Random;
    saved.nuvra_b.settings.ImageKinds = {ImageKindOption::On, ImageKindOption::Off, ImageKindOption::On, ImageKindOption::On};
    saved.sound_01.settings.BgmKind = BgmKindOption::AudioCd;
    const std::string folder = m_home.str() + "/写真 2026";
    std::filesystem::create_directories(folder);
    m_home.WriteFile("写真 2026/a.bmp", "");
    SaveSettings(saved, backend.services(), {30, folder, "2", 9});

    const std::string expected = "[Section]\n"
                                 "画像ﾁｪﾝｼﾞ=1\n"
                                 "画像の位置=0\n"
                                 "ｲﾝﾀｰﾊﾞﾙ=30\n"
                                 "画像のﾌｫﾙﾀﾞ=" + folder + "\n"
                                 "画像種類_0=1\n"
                                 "画像種類_1=0\n"
                                 "画像種類_2=1\n"
                                 "画像種類_3=1\n"
                                 "BGM区分=1\n"
                                 "BGMﾘﾋﾟｰﾄ=2\n"
                                 "BGMﾌｧｲﾙ=\n"
                                 "回転ｽﾋﾟｰﾄﾞ=9\n";
    EXPECT_EQ(m_home.ReadFile("config/nuvra/Nuvra.ini"), expected);

    ProcessState loaded;
    LoadSettings(loaded, backend.services());
    EXPECT_EQ(Snapshot(loaded), (Loaded{1, 0, 30, {1, 0, 1, 1}, folder, 1, 1, 2, "", 9}));
}

TEST_F(SettingsFileTest, ReadsAFileCopiedFromWindows)
{
    // Shift-JIS bytes of the interval and rotation keys, with CRLF endings.
    const std::string cp932 = "[Section]\r\n"
                              "\xB2\xDD\xC0\xB0\xCA\xDE\xD9=25\r\n"
                              "\x89\xF1\x93\x5D\xBD\xCB\xDF\xB0\xC4\xDE=2\r\n";
    m_home.WriteFile("config/nuvra/Nuvra.ini", cp932);
    linux_platform::LinuxBackend backend;
    ProcessState loaded;
    LoadSettings(loaded, backend.services());
    EXPECT_EQ(loaded.nuvra_b.settings.ChangeInterval, 25);
    EXPECT_EQ(loaded.nuvra_b.settings.RotationSpeed, 2);
}

}  // namespace
}  // namespace nuvra
