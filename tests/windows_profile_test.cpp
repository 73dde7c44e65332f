// The settings file on Windows, on disk under Wine: CP932 with CRLF, values
// CP932 cannot hold kept exactly, files from the Linux build converted, and
// the seed copy beside the program read when the user's own file is missing.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows/profile_file.h"
#include "platform/windows/win32.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using nuvra::windows_platform::WindowsProfileFile;

// The keys in CP932, spelled as bytes so that the expectations do not lean
// on the converter under test.
const std::string kCp932Interval = "\xB2\xDD\xC0\xB0\xCA\xDE\xD9";            // ｲﾝﾀｰﾊﾞﾙ
const std::string kCp932OrderMode = "\x89\xE6\x91\x9C\xC1\xAA\xDD\xBC\xDE";   // 画像ﾁｪﾝｼﾞ
const std::string kCp932MusicFile = "BGM\xCC\xA7\xB2\xD9";                    // BGMﾌｧｲﾙ

std::string Utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::optional<std::string> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(WindowsProfileFile& profile, const fs::path& file, const std::string& key)
{
    std::array<char, 256> buffer{};
    const std::uint32_t length = profile.GetPrivateProfileString("Section", key, "(default)", buffer, Utf8(file));
    return std::string(buffer.data(), length);
}

TEST(WindowsProfile, WritesCp932WithCrlfWhateverTheFileWasBefore)
{
    struct Case {
        const char* name;
        std::optional<std::string> before;
        std::vector<std::pair<std::string, std::string>> writes;
        std::string after;
    };
    const std::vector<Case> cases = {
        {"new file, keys in the order written",
         std::nullopt,
         {{"画像ﾁｪﾝｼﾞ", "1"}, {"ｲﾝﾀｰﾊﾞﾙ", "20"}},
         "[Section]\r\n" + kCp932OrderMode + "=1\r\n" + kCp932Interval + "=20\r\n"},
        {"CP932 file keeps its other lines",
         "; mine\r\n[Section]\r\n" + kCp932Interval + "=10\r\nOther=x\r\n",
         {{"ｲﾝﾀｰﾊﾞﾙ", "30"}, {"画像ﾁｪﾝｼﾞ", "1"}},
         "; mine\r\n[Section]\r\n" + kCp932Interval + "=30\r\nOther=x\r\n" + kCp932OrderMode + "=1\r\n"},
        {"UTF-8 file from Linux, BOM and LF, becomes CP932 and CRLF",
         "\xEF\xBB\xBF[Section]\nｲﾝﾀｰﾊﾞﾙ=10\nBGMﾌｧｲﾙ=/home/写真\n",
         {{"ｲﾝﾀｰﾊﾞﾙ", "20"}},
         "[Section]\r\n" + kCp932Interval + "=20\r\n" + kCp932MusicFile + "=/home/\x8E\xCA\x90\x5E\r\n"},
        {"a line of someone else's that CP932 cannot hold keeps the file UTF-8",
         "[Section]\nNote=Café\n",
         {{"ｲﾝﾀｰﾊﾞﾙ", "20"}},
         "\xEF\xBB\xBF[Section]\r\nNote=Café\r\nｲﾝﾀｰﾊﾞﾙ=20\r\n"},
    };
    for (const Case& c : cases) {
        nuvra::test::TempDir folder;
        const fs::path file = folder.path() / "Nuvra.ini";
        if (c.before)
            WriteBytes(file, *c.before);
        WindowsProfileFile profile;
        for (const auto& [key, value] : c.writes)
            EXPECT_TRUE(profile.WritePrivateProfileString("Section", key, value, Utf8(file)).written) << c.name;
        EXPECT_EQ(ReadBytes(file), c.after) << c.name;
        for (const auto& [key, value] : c.writes)
            EXPECT_EQ(Read(profile, file, key), value) << c.name << ": " << key;
    }
}

TEST(WindowsProfile, AnyValueReadsBackExactlyAndNothingBecomesAQuestionMark)
{
    struct Case {
        const char* name;
        std::string value;
        std::string stored;  // the value's bytes in the file
    };
    const std::vector<Case> cases = {
        {"Japanese path, as CP932", "C:\\写真\\♪", "C:\\\x8E\xCA\x90\x5E\\\x81\xF4"},
        {"accented letters CP932 lacks", "C:\\Música\\Café", "%%C:\\M%C3%BAsica\\Caf%C3%A9"},
        {"an emoji beside a character CP932 has", "D:\\♪🎵", "%%D:\\\x81\xF4%F0%9F%8E%B5"},
        {"wave dash, which CP932 reads back as another tilde", "〜", "%%%E3%80%9C"},
        {"bytes that are not UTF-8", "\xFF\xFE.mp3", "%%%FF%FE.mp3"},
        {"a percent sign alone is kept", "100%", "100%"},
        {"the marker itself", "%%x", "%%%25%25x"},
    };
    for (const Case& c : cases) {
        nuvra::test::TempDir folder;
        const fs::path file = folder.path() / "Nuvra.ini";
        WindowsProfileFile profile;
        ASSERT_TRUE(profile.WritePrivateProfileString("Section", "BGMﾌｧｲﾙ", c.value, Utf8(file)).written) << c.name;
        EXPECT_EQ(ReadBytes(file), "[Section]\r\n" + kCp932MusicFile + "=" + c.stored + "\r\n") << c.name;
        EXPECT_EQ(Read(profile, file, "BGMﾌｧｲﾙ"), c.value) << c.name;
    }
}

TEST(WindowsProfile, RefusedWriteLeavesTheFileAndSaysWhy)
{
    struct Case {
        const char* name;
        bool read_only_file;
        bool folder_in_the_way;
    };
    const std::vector<Case> cases = {
        {"read-only file", true, false},
        {"a folder where the file should be", false, true},
    };
    const std::string before = "[Section]\r\n" + kCp932Interval + "=10\r\n";
    for (const Case& c : cases) {
        nuvra::test::TempDir folder;
        const fs::path file = folder.path() / "Nuvra.ini";
        if (c.folder_in_the_way)
            fs::create_directory(file);
        else
            WriteBytes(file, before);
        if (c.read_only_file)
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
        WindowsProfileFile profile;
        const auto result = profile.WritePrivateProfileString("Section", "ｲﾝﾀｰﾊﾞﾙ", "20", Utf8(file));
        EXPECT_FALSE(result.written) << c.name;
        EXPECT_FALSE(result.reason.empty()) << c.name;
        if (!c.folder_in_the_way) {
            EXPECT_EQ(ReadBytes(file), before) << c.name;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1)
            << c.name << ": something was left beside the file";
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(WindowsProfile, MissingFileIsReadFromTheSeedFolderAndFirstWriteStartsFromIt)
{
    nuvra::test::TempDir root;
    const fs::path program = root.path() / "Program";
    const fs::path seed_file = program / "Nuvra.ini";
    const std::string seed = "[Section]\r\n" + kCp932OrderMode + "=1\r\n" + kCp932Interval + "=30\r\n";
    WriteBytes(seed_file, seed);
    const fs::path own_file = root.path() / "AppData" / "Nuvra" / "Nuvra.ini";

    WindowsProfileFile profile(Utf8(program));
    EXPECT_EQ(Read(profile, own_file, "ｲﾝﾀｰﾊﾞﾙ"), "30");
    ASSERT_TRUE(profile.WritePrivateProfileString("Section", "ｲﾝﾀｰﾊﾞﾙ", "20", Utf8(own_file)).written);
    EXPECT_EQ(ReadBytes(own_file), "[Section]\r\n" + kCp932OrderMode + "=1\r\n" + kCp932Interval + "=20\r\n");
    EXPECT_EQ(ReadBytes(seed_file), seed) << "the seed copy must stay as it came";
    EXPECT_EQ(Read(profile, own_file, "ｲﾝﾀｰﾊﾞﾙ"), "20");
    EXPECT_EQ(Read(profile, seed_file, "ｲﾝﾀｰﾊﾞﾙ"), "30");
}

}  // namespace
