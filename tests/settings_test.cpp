#include "settings/settings.h"

#include <gtest/gtest.h>

#include <map>

#include "settings/ini.h"
#include "settings_snapshot.h"
#include "startup/startup.h"
#include "support/fake_platform.h"
#include "support/native_path.h"

namespace nuvra {
namespace {

using platform::FolderEntry;
using test::FakePlatform;
using test::Loaded;
using test::Snapshot;

const Loaded kDefaults{0, 0, 10, {1, 1, 1, 1, 1, 1}, "", 0, 0, 0, "", 5};

class LoadSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake.files.AddFolder("/pics", {{".", 18}, {"..", 18}, {"a.bmp", 32}, {"b.gif", 32}, {"c.jpg", 0}, {"d.png", 32},
                                      {"e.webp", 32}});
        fake.files.AddFolder("/tree", {{"a.bmp", 32}, {"sub", 16}});
        fake.files.AddFolder(std::string("/tree") + platform::kPathSeparator + "sub", {{"b.jpg", 32}});
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
        EXPECT_EQ(file, test::NativePath("/home/user/.config/nuvra/Nuvra.ini"));
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
         with([](Loaded& l) { l.kinds = {0, 1, 1, 1, 1, 1}; })},
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
        {"an existing folder is scanned, PNG and WebP files too where the file names no such kinds",
         {{"画像のﾌｫﾙﾀﾞ", "/pics"}},
         with([](Loaded& l) {
             l.folder = "/pics";
             l.image_count = 5;
         })},
        {"a folder's subfolders are not scanned unless the file says so", {{"画像のﾌｫﾙﾀﾞ", "/tree"}},
         with([](Loaded& l) {
             l.folder = "/tree";
             l.image_count = 1;
         })},
        {"ｻﾌﾞﾌｫﾙﾀﾞ 1 scans the subfolders too", {{"画像のﾌｫﾙﾀﾞ", "/tree"}, {"ｻﾌﾞﾌｫﾙﾀﾞ", "1"}},
         with([](Loaded& l) {
             l.folder = "/tree";
             l.image_count = 2;
         })},
        {"kinds are read before the folder is scanned",
         {{"画像のﾌｫﾙﾀﾞ", "/pics"}, {"画像種類_1", "0"}, {"画像種類_5", "0"}},
         with([](Loaded& l) {
             l.folder = "/pics";
             l.image_count = 3;
             l.kinds = {1, 0, 1, 1, 1, 0};
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

TEST(SaveSettings, WritesEveryKeyInOrder)
{
    FakePlatform fake;
    ProcessState state;
    state.nuvra_b.settings.OrderMode = OrderModeOption::Random;
    state.nuvra_b.settings.ImagePosition = ImagePositionOption::RandomPlace;
    state.nuvra_b.settings.ChangeInterval = 99;  // the slider wins
    state.nuvra_b.settings.ImageKinds = {ImageKindOption::On,  ImageKindOption::On, ImageKindOption::On,
                                         ImageKindOption::Off, ImageKindOption::On, ImageKindOption::Off};
    state.nuvra_b.settings.Subfolders = SubfolderOption::On;
    state.sound_01.settings.BgmKind = BgmKindOption::MusicFile;
    state.sound_01.settings.BgmFile = "/music/a b.mp3";
    EXPECT_TRUE(SaveSettings(state.nuvra_b.settings, state.sound_01.settings, fake.platform, {20, "/pics", "3", 7}).saved);

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"画像ﾁｪﾝｼﾞ", "1"},   {"画像の位置", "2"}, {"ｲﾝﾀｰﾊﾞﾙ", "20"},    {"画像のﾌｫﾙﾀﾞ", "/pics"},
        {"画像種類_0", "1"},  {"画像種類_1", "1"}, {"画像種類_2", "1"},  {"画像種類_3", "0"},
        {"画像種類_4", "1"},  {"画像種類_5", "0"}, {"ｻﾌﾞﾌｫﾙﾀﾞ", "1"},
        {"BGM区分", "2"},     {"BGMﾘﾋﾟｰﾄ", "3"},   {"BGMﾌｧｲﾙ", "/music/a b.mp3"}, {"回転ｽﾋﾟｰﾄﾞ", "7"},
    };
    ASSERT_EQ(fake.profile.writes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& write = fake.profile.writes[i];
        EXPECT_EQ(write.key, expected[i].first) << "write " << i;
        EXPECT_EQ(write.value, expected[i].second) << "write " << i << " (" << write.key << ")";
        EXPECT_EQ(write.section, "Section");
        EXPECT_EQ(write.file, test::NativePath("/home/user/.config/nuvra/Nuvra.ini"));
    }
    EXPECT_EQ(state.nuvra_b.settings.ImageFolder, "/pics");
    EXPECT_EQ(state.sound_01.settings.BgmRepeat, 3);
}

TEST(SaveSettings, RepeatTextIsStoredAsATrackNumberOrZero)
{
    // A number too large for 16 bits keeps the track number loaded (9).
    const std::pair<const char*, const char*> cases[] = {
        {"3", "3"}, {"abc", "0"}, {"", "0"}, {"2.5", "2"}, {"3.5", "4"}, {" 12 ", "12"}, {"40000", "9"}, {"99999", "9"},
    };
    for (const auto& [text, stored] : cases) {
        FakePlatform fake;
        ProcessState state;
        state.sound_01.settings.BgmRepeat = 9;
        SaveSettings(state.nuvra_b.settings, state.sound_01.settings, fake.platform, {10, "", text, 5});
        ASSERT_EQ(fake.profile.writes.size(), 15u);
        EXPECT_EQ(fake.profile.writes[12].value, stored) << "repeat text \"" << text << "\"";
    }
}

TEST(SaveSettings, AFailingWriteDoesNotStopTheOthersAndItsFileAndReasonAreReturned)
{
    FakePlatform fake;
    fake.profile.fail_writes = true;
    fake.profile.failure_reason = "Read-only file system";
    ProcessState state;
    const SaveResult result = SaveSettings(state.nuvra_b.settings, state.sound_01.settings, fake.platform, {10, "", "", 5});
    EXPECT_EQ(fake.profile.writes.size(), 15u);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.file, test::NativePath("/home/user/.config/nuvra/Nuvra.ini"));
    EXPECT_EQ(result.reason, "Read-only file system");
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

}  // namespace
}  // namespace nuvra
