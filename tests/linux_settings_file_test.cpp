// The settings on a real profile file on disk, through the Linux backend.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/backend.h"
#include "platform/common/profile_text.h"
#include "settings/settings.h"
#include "settings_snapshot.h"
#include "startup/startup.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

using test::Loaded;
using test::Snapshot;

const std::vector<std::string> kKeysInOrder = {"画像ﾁｪﾝｼﾞ", "画像の位置", "ｲﾝﾀｰﾊﾞﾙ", "画像のﾌｫﾙﾀﾞ",
                                               "画像種類_0", "画像種類_1", "画像種類_2", "画像種類_3",
                                               "画像種類_4", "画像種類_5", "ｻﾌﾞﾌｫﾙﾀﾞ",   "BGM区分",    "BGMﾘﾋﾟｰﾄ",   "BGMﾌｧｲﾙ",   "回転ｽﾋﾟｰﾄﾞ"};

// The names of the file's keys, in the order the file lists them.
std::vector<std::string> KeyNames(const std::string& text)
{
    std::vector<std::string> names;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (const std::size_t equals = line.find('='); equals != std::string::npos)
            names.push_back(line.substr(0, equals));
    }
    return names;
}

// UTF-8 text as a Windows program writes it: Shift-JIS.
std::string ToCp932(const std::string& text)
{
    const iconv_t converter = iconv_open("CP932", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string converted(text.size() * 2, '\0');
    char* in = const_cast<char*>(text.data());
    char* out = converted.data();
    std::size_t in_left = text.size(), out_left = converted.size();
    const bool done = iconv(converter, &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    converted.resize(converted.size() - out_left);
    return done ? converted : std::string();
}

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
    saved.nuvra_b.settings.ImageKinds = {ImageKindOption::On, ImageKindOption::Off, ImageKindOption::On,
                                         ImageKindOption::On, ImageKindOption::On,  ImageKindOption::Off};
    saved.sound_01.settings.BgmKind = BgmKindOption::AudioCd;
    const std::string folder = m_home.str() + "/写真 2026";
    std::filesystem::create_directories(folder);
    m_home.WriteFile("写真 2026/a.bmp", "");
    SaveSettings(saved.nuvra_b.settings, saved.sound_01.settings, backend.services(), {30, folder, "2", 9});

    const std::string expected = "[Section]\n"
                                 "画像ﾁｪﾝｼﾞ=1\n"
                                 "画像の位置=0\n"
                                 "ｲﾝﾀｰﾊﾞﾙ=30\n"
                                 "画像のﾌｫﾙﾀﾞ=" + folder + "\n"
                                 "画像種類_0=1\n"
                                 "画像種類_1=0\n"
                                 "画像種類_2=1\n"
                                 "画像種類_3=1\n"
                                 "画像種類_4=1\n"
                                 "画像種類_5=0\n"
                                 "ｻﾌﾞﾌｫﾙﾀﾞ=0\n"
                                 "BGM区分=1\n"
                                 "BGMﾘﾋﾟｰﾄ=2\n"
                                 "BGMﾌｧｲﾙ=\n"
                                 "回転ｽﾋﾟｰﾄﾞ=9\n";
    EXPECT_EQ(m_home.ReadFile("config/nuvra/Nuvra.ini"), expected);

    ProcessState loaded;
    LoadSettings(loaded, backend.services());
    EXPECT_EQ(Snapshot(loaded), (Loaded{1, 0, 30, {1, 0, 1, 1, 1, 0}, folder, 1, 1, 2, "", 9}));
}

TEST_F(SettingsFileTest, NamesInAnyEncodingSaveAndLoadBackByteForByte)
{
    const std::string folder = m_home.str() + "/caf\xE9";  // Latin-1
    m_home.WriteFile("caf\xE9/a.bmp", "");
    const std::string music = m_home.WriteFile("caf\xE9/\x8B\xC8.mp3", "");  // Shift-JIS
    std::string windows_file = "[Section]\r\n";
    for (const std::string& key : kKeysInOrder)
        windows_file += key + "=" + (key == "画像のﾌｫﾙﾀﾞ" ? "C:\\写真" : key == "BGMﾌｧｲﾙ" ? "C:\\曲.mp3" : "1") + "\r\n";
    windows_file = ToCp932(windows_file);
    ASSERT_FALSE(windows_file.empty());
    for (const std::string& before : {std::string(), windows_file}) {
        SCOPED_TRACE(before.empty() ? "a new file" : "a file copied from Windows");
        std::filesystem::remove(m_home.path() / "config/nuvra/Nuvra.ini");
        if (!before.empty())
            m_home.WriteFile("config/nuvra/Nuvra.ini", before);
        linux_platform::LinuxBackend backend;
        ProcessState saved;
        saved.nuvra_b.settings.ImageKinds.fill(ImageKindOption::On);
        saved.sound_01.settings.BgmKind = BgmKindOption::MusicFile;
        saved.sound_01.settings.BgmFile = music;
        // The second save finds every key the first one wrote.
        SaveSettings(saved.nuvra_b.settings, saved.sound_01.settings, backend.services(), {30, folder, "2", 9});
        SaveSettings(saved.nuvra_b.settings, saved.sound_01.settings, backend.services(), {30, folder, "2", 9});

        const std::string text = m_home.ReadFile("config/nuvra/Nuvra.ini");
        EXPECT_TRUE(common_platform::IsValidUtf8(text)) << text;
        EXPECT_EQ(KeyNames(text), kKeysInOrder) << text;
        ProcessState loaded;
        LoadSettings(loaded, backend.services());
        EXPECT_EQ(Snapshot(loaded), (Loaded{0, 0, 30, {1, 1, 1, 1, 1, 1}, folder, 1, 2, 2, music, 9}));
    }
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
