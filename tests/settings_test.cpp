#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "platform/linux/backend.h"
#include "settings/ini.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

using platform::FolderEntry;
using test::FakePlatform;
using enum ImageKindOption;

// A compact view of every loaded field, so a table row reads as one line.
struct Loaded {
    std::int16_t order, position, interval;
    std::array<std::int16_t, 4> kinds;
    std::string folder;
    std::int16_t image_count, bgm_kind, bgm_repeat;
    std::string bgm_file;
    std::int16_t rotation;
    bool operator==(const Loaded&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Loaded& l)
{
    return out << "{order " << l.order << ", position " << l.position << ", interval " << l.interval << ", kinds "
               << l.kinds[0] << l.kinds[1] << l.kinds[2] << l.kinds[3] << ", folder '" << l.folder << "', count "
               << l.image_count << ", bgm " << l.bgm_kind << ", repeat " << l.bgm_repeat << ", file '" << l.bgm_file
               << "', rotation " << l.rotation << "}";
}

std::array<std::int16_t, 4> KindNumbers(const ImageKindOptions& kinds)
{
    std::array<std::int16_t, 4> numbers{};
    std::ranges::transform(kinds, numbers.begin(), [](ImageKindOption kind) { return StoredNumber(kind); });
    return numbers;
}

Loaded Snapshot(const ProcessState& state)
{
    const SettingsRecord& s = state.nuvra_b.settings;
    const SoundSettings& m = state.sound_01.settings;
    return {StoredNumber(s.OrderMode), StoredNumber(s.ImagePosition), s.ChangeInterval, KindNumbers(s.ImageKinds),
            s.ImageFolder, state.nuvra_b.images.ImageCount, StoredNumber(m.BgmKind), m.BgmRepeat, m.BgmFile,
            s.RotationSpeed};
}

const Loaded kDefaults{0, 0, 10, {1, 1, 1, 1}, "", 0, 0, 0, "", 5};

class LoadSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake.files.AddFolder("/pics", {{".", 18}, {"..", 18}, {"a.bmp", 32}, {"b.gif", 32}, {"c.jpg", 0}});
        fake.files.AddReadableFile("/music/song.mp3");
    }
    void Value(std::string_view key, std::string_view value)
    {
        fake.profile.Set(IniPath(fake.files), "Section", key, value);
    }
    Loaded Load()
    {
        ProcessState state;
        LoadSettings(state, fake.platform);
        return Snapshot(state);
    }
    FakePlatform fake;
};

TEST_F(LoadSettingsTest, NoFileGivesTheDefaults)
{
    EXPECT_EQ(Load(), kDefaults);
    // Every read goes to the settings file in the settings folder.
    ASSERT_FALSE(fake.profile.read_files.empty());
    for (const std::string& file : fake.profile.read_files)
        EXPECT_EQ(file, "/home/user/.config/nuvra/Nuvra.ini");
}

TEST_F(LoadSettingsTest, EachKeyFollowsItsRule)
{
    struct Case {
        const char* name;
        std::map<std::string, std::string> values;
        Loaded expected;
    };
    auto with = [](auto change) {
        Loaded l = kDefaults;
        change(l);
        return l;
    };
    const Case cases[] = {
        {"unusable interval keeps 0, not the default", {{"ｲﾝﾀｰﾊﾞﾙ", "abc"}}, with([](Loaded& l) { l.interval = 0; })},
        {"interval rounds half to even (12.5)", {{"ｲﾝﾀｰﾊﾞﾙ", "12.5"}}, with([](Loaded& l) { l.interval = 12; })},
        {"interval rounds half to even (13.5)", {{"ｲﾝﾀｰﾊﾞﾙ", "13.5"}}, with([](Loaded& l) { l.interval = 14; })},
        {"interval out of range is not checked", {{"ｲﾝﾀｰﾊﾞﾙ", "5"}}, with([](Loaded& l) { l.interval = 5; })},
        {"rotation floors", {{"回転ｽﾋﾟｰﾄﾞ", "3.9"}}, with([](Loaded& l) { l.rotation = 3; })},
        {"rotation 40 loads unchanged", {{"回転ｽﾋﾟｰﾄﾞ", "40"}}, with([](Loaded& l) { l.rotation = 40; })},
        {"order overflow keeps 0", {{"画像ﾁｪﾝｼﾞ", "40000"}}, kDefaults},
        {"order 7 is random", {{"画像ﾁｪﾝｼﾞ", "7"}}, with([](Loaded& l) { l.order = 7; })},
        {"position floors negative", {{"画像の位置", "-0.5"}}, with([](Loaded& l) { l.position = -1; })},
        {"kind x gives 0, empty kind gives 1",
         {{"画像種類_0", "x"}, {"画像種類_1", ""}},
         with([](Loaded& l) { l.kinds = {0, 1, 1, 1}; })},
        {"music file kind without a file falls back to none", {{"BGM区分", "2"}}, kDefaults},
        {"CD music keeps its kind when the file is missing",
         {{"BGM区分", "1"}, {"BGMﾌｧｲﾙ", "/music/gone.mp3"}},
         with([](Loaded& l) { l.bgm_kind = 1; })},
        {"file music with a missing file falls back to none",
         {{"BGM区分", "2"}, {"BGMﾌｧｲﾙ", "/music/gone.mp3"}},
         kDefaults},
        {"file music with a readable file",
         {{"BGM区分", "2"}, {"BGMﾌｧｲﾙ", "/music/song.mp3"}, {"BGMﾘﾋﾟｰﾄ", "3"}},
         with([](Loaded& l) {
             l.bgm_kind = 2;
             l.bgm_file = "/music/song.mp3";
             l.bgm_repeat = 3;
         })},
        {"a folder that no longer exists is cleared", {{"画像のﾌｫﾙﾀﾞ", "/gone"}}, kDefaults},
        {"an existing folder is scanned", {{"画像のﾌｫﾙﾀﾞ", "/pics"}}, with([](Loaded& l) {
             l.folder = "/pics";
             l.image_count = 3;
         })},
        {"kinds are read before the folder is scanned",
         {{"画像のﾌｫﾙﾀﾞ", "/pics"}, {"画像種類_1", "0"}},
         with([](Loaded& l) {
             l.folder = "/pics";
             l.image_count = 2;
             l.kinds = {1, 0, 1, 1};
         })},
    };
    for (const Case& c : cases) {
        FakePlatform local;
        local.files = fake.files;
        local.platform.files = &local.files;
        for (const auto& [key, value] : c.values)
            local.profile.Set(IniPath(local.files), "Section", key, value);
        ProcessState state;
        LoadSettings(state, local.platform);
        EXPECT_EQ(Snapshot(state), c.expected) << c.name;
    }
}

TEST_F(LoadSettingsTest, ConversionFailureKeepsThePreviousValue)
{
    Value("ｲﾝﾀｰﾊﾞﾙ", "abc");
    ProcessState state;
    state.nuvra_b.settings.ChangeInterval = 33;
    LoadSettings(state, fake.platform);
    EXPECT_EQ(state.nuvra_b.settings.ChangeInterval, 33);
}

TEST_F(LoadSettingsTest, LongValuesAreReadAsTheirFirst255Bytes)
{
    Value("画像のﾌｫﾙﾀﾞ", std::string(300, 'x'));
    ProcessState state;
    LoadSettings(state, fake.platform);
    // The 255-byte folder does not exist, so it is cleared; the read itself
    // is checked on the value the profile call returned.
    EXPECT_EQ(ReadIniValue(fake.profile, "Section", "画像のﾌｫﾙﾀﾞ", IniPath(fake.files)), std::string(255, 'x'));
    EXPECT_EQ(state.nuvra_b.settings.ImageFolder, "");
}

TEST(SaveSettings, WritesAllTwelveKeysInOrder)
{
    FakePlatform fake;
    ProcessState state;
    state.nuvra_b.settings.OrderMode = OrderModeOption::Random;
    state.nuvra_b.settings.ImagePosition = ImagePositionOption::RandomPlace;
    state.nuvra_b.settings.ChangeInterval = 99;  // the slider wins
    state.nuvra_b.settings.ImageKinds = {On, On, On, Off};
    state.sound_01.settings.BgmKind = BgmKindOption::MusicFile;
    state.sound_01.settings.BgmFile = "/music/a b.mp3";
    SaveSettings(state, fake.platform, {20, "/pics", "3", 7});

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"画像ﾁｪﾝｼﾞ", "1"},   {"画像の位置", "2"}, {"ｲﾝﾀｰﾊﾞﾙ", "20"},    {"画像のﾌｫﾙﾀﾞ", "/pics"},
        {"画像種類_0", "1"},  {"画像種類_1", "1"}, {"画像種類_2", "1"},  {"画像種類_3", "0"},
        {"BGM区分", "2"},     {"BGMﾘﾋﾟｰﾄ", "3"},   {"BGMﾌｧｲﾙ", "/music/a b.mp3"}, {"回転ｽﾋﾟｰﾄﾞ", "7"},
    };
    ASSERT_EQ(fake.profile.writes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& write = fake.profile.writes[i];
        EXPECT_EQ(write.key, expected[i].first) << "write " << i;
        EXPECT_EQ(write.value, expected[i].second) << "write " << i << " (" << write.key << ")";
        EXPECT_EQ(write.section, "Section");
        EXPECT_EQ(write.file, "/home/user/.config/nuvra/Nuvra.ini");
    }
    EXPECT_EQ(state.nuvra_b.settings.ImageFolder, "/pics");
    EXPECT_EQ(state.sound_01.settings.BgmRepeat, 3);
}

TEST(SaveSettings, RepeatTextThatIsNoUsableNumberStoresZero)
{
    const std::pair<const char*, const char*> cases[] = {
        {"3", "3"}, {"abc", "0"}, {"", "0"}, {"2.5", "2"}, {"3.5", "4"}, {" 12 ", "12"}, {"40000", "0"},
    };
    for (const auto& [text, stored] : cases) {
        FakePlatform fake;
        ProcessState state;
        SaveSettings(state, fake.platform, {10, "", text, 5});
        ASSERT_EQ(fake.profile.writes.size(), 12u);
        EXPECT_EQ(fake.profile.writes[9].value, stored) << "repeat text \"" << text << "\"";
    }
}

TEST(SaveSettings, AFailingWriteDoesNotStopTheOthers)
{
    FakePlatform fake;
    fake.profile.fail_writes = true;
    ProcessState state;
    SaveSettings(state, fake.platform, {10, "", "", 5});
    EXPECT_EQ(fake.profile.writes.size(), 12u);
    EXPECT_EQ(state.nuvra_b.LastApiResult, 0);
}

TEST(WriteIniValue, CutsSectionAndKeyTo127Characters)
{
    test::FakeProfile profile;
    std::string key;
    for (int i = 0; i < 130; ++i)
        key += "ｷ";  // three bytes, one UTF-16 unit each
    WriteIniValue(profile, std::string(200, 's'), key, "v", "f");
    ASSERT_EQ(profile.writes.size(), 1u);
    EXPECT_EQ(profile.writes[0].section, std::string(127, 's'));
    EXPECT_EQ(profile.writes[0].key.size(), 127u * 3);
    // A character outside the basic plane takes two units and is never split.
    EXPECT_EQ(CutToUtf16Units("ab\xF0\x9F\x98\x80", 3), "ab");
    EXPECT_EQ(CutToUtf16Units("ab\xF0\x9F\x98\x80", 4), "ab\xF0\x9F\x98\x80");
}

// The real profile file on disk, through the Linux backend.
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
    saved.nuvra_b.settings.ImageKinds = {On, Off, On, On};
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
