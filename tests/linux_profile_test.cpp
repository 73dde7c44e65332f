#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/profile_file.h"
#include "platform/common/profile_text.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace {

using nuvra::common_platform::IsValidUtf8;
using nuvra::linux_platform::LinuxProfileFile;
using nuvra::test::TempDir;
namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kCp932Interval = "\xB2\xDD\xC0\xB0\xCA\xDE\xD9";  // ｲﾝﾀｰﾊﾞﾙ
const std::string kLongLine(10 * 1024 * 1024, 'x');

std::string Read(const std::string& path, std::string_view section, std::string_view key, std::size_t size = 256)
{
    std::vector<char> buffer(size, '#');
    const std::uint32_t count = LinuxProfileFile().GetPrivateProfileString(section, key, "default", buffer, path);
    EXPECT_TRUE(size == 0 || buffer[count] == '\0') << "no NUL after the " << count << " bytes copied";
    return std::string(buffer.data(), count);
}

int TemporaryFilesIn(const fs::path& folder)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().filename().string().starts_with(".Nuvra") ? 1 : 0;
    return count;
}

struct ReadCase {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
};

TEST(LinuxProfile, ReadsTheValueTheProfileRulesSelect)
{
    const ReadCase cases[] = {
        {"names ignore ASCII case", "[SeCtIoN]\nKeY=v\n", "section", "KEY", "v"},
        {"first duplicate key wins", "[S]\nk=1\nk=2\n", "S", "k", "1"},
        {"first duplicate section wins", "[S]\na=1\n[S]\nk=2\n", "S", "k", "default"},
        {"blanks and tabs trimmed, quotes kept", "  [ S ]\n \tk \t=  \"a b\" \t\n", "S", "k", "\"a b\""},
        {"lines before any section belong to none", "k=top\n[S]\n", "", "k", "default"},
        {"comment is not a key", "[S]\n;k=1\nk=2\n", "S", "k", "2"},
        {"missing section", "[S]\nk=1\n", "T", "k", "default"},
        {"missing key", "[S]\nk=1\n", "S", "j", "default"},
        {"Japanese UTF-8 key", "[S]\n画像ﾁｪﾝｼﾞ=1\n", "S", "画像ﾁｪﾝｼﾞ", "1"},
        {"CP932 file", "[Section]\r\n" + kCp932Interval + "=20\r\n", "Section", "ｲﾝﾀｰﾊﾞﾙ", "20"},
        {"BOM skipped", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "1"},
        {"LF, CRLF and lone CR mixed", "[S]\r\na=1\rb=2\nk=3\r\n", "S", "k", "3"},
        {"NUL bytes copied as they are", "[S]\nk=a\0b\n"s, "S", "k", "a\0b"s},
        {"binary junk around a good section", "\xFF\x81\n\x80\x00\xFE[S\n[S]\nk=1\n\x81"s, "S", "k", "1"},
        {"empty file", "", "S", "k", "default"},
        {"10 MB line before the section", kLongLine + "\n[S]\nk=1", "S", "k", "1"},
        {"10 MB line without a section", kLongLine, "S", "k", "default"},
    };
    TempDir dir;
    for (const ReadCase& c : cases) {
        const std::string path = dir.WriteFile("read.ini", c.file);
        EXPECT_EQ(c.expected, Read(path, c.section, c.key)) << c.name;
    }
}

TEST(LinuxProfile, ReadFromNoFileGivesTheDefault)
{
    TempDir dir;
    dir.WriteFile("plain", "x");
    fs::create_directory(dir.path() / "folder");
    for (const char* name : {"missing.ini", "folder", "plain/below.ini"})
        EXPECT_EQ("default", Read((dir.path() / name).string(), "S", "k")) << name;
}

TEST(LinuxProfile, CopyKeepsRoomForTheNul)
{
    struct Case {
        std::size_t value_size, buffer_size, expected;
    };
    const Case cases[] = {{255, 256, 255}, {256, 256, 255}, {0, 1, 0}, {3, 1, 0}, {3, 0, 0}};
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.WriteFile("copy.ini", "[S]\nk=" + std::string(c.value_size, 'v') + "\n");
        EXPECT_EQ(std::string(c.expected, 'v'), Read(path, "S", "k", c.buffer_size))
            << c.value_size << " bytes into " << c.buffer_size;
        EXPECT_EQ(std::string("default").substr(0, c.expected), Read(path, "S", "none", c.buffer_size))
            << "default into " << c.buffer_size;
    }
}

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    std::string after;
};

TEST(LinuxProfile, WritePlacesTheLineTheProfileRulesSelect)
{
    const WriteCase cases[] = {
        {"replaced in place, spelling kept", "[s]\n  KEY = old \nx=1\n", "S", "key", "[s]\nKEY=new\nx=1\n"},
        {"first duplicate replaced", "[S]\nk=1\nk=2\n", "S", "k", "[S]\nk=new\nk=2\n"},
        {"appended after the last entry", "[S]\na=1\n;note\n\n[T]\nb=2\n", "S", "k", "[S]\na=1\nk=new\n;note\n\n[T]\nb=2\n"},
        {"section without entries", "[S]\n[T]\n", "S", "k", "[S]\nk=new\n[T]\n"},
        {"last line has no line break", "[S]\na=1", "S", "k", "[S]\na=1\nk=new\n"},
        {"missing section appended", "[T]\nb=2", "S", "k", "[T]\nb=2\n[S]\nk=new\n"},
        {"CRLF kept", "[S]\r\na=1\r\n", "S", "k", "[S]\r\na=1\r\nk=new\r\n"},
        {"BOM kept", "\xEF\xBB\xBF[S]\na=1\n", "S", "a", "\xEF\xBB\xBF[S]\na=new\n"},
        {"CP932 becomes UTF-8", "[Section]\r\n" + kCp932Interval + "=20\r\n", "Section", "ｲﾝﾀｰﾊﾞﾙ",
         "[Section]\r\nｲﾝﾀｰﾊﾞﾙ=new\r\n"},
    };
    TempDir dir;
    for (const WriteCase& c : cases) {
        const std::string path = dir.WriteFile("write.ini", c.before);
        EXPECT_TRUE(LinuxProfileFile().WritePrivateProfileString(c.section, c.key, "new", path).written) << c.name;
        EXPECT_EQ(c.after, dir.ReadFile("write.ini")) << c.name;
    }
}

TEST(LinuxProfile, AnyValueReadsBackByteForByteAndTheFileStaysUtf8)
{
    struct Case {
        const char* name;
        std::string value;
        std::string stored;  // the line's value in the file; empty: any readable form
    };
    const Case cases[] = {
        {"Latin-1 folder", "/home/u/caf\xE9", ""},
        {"Shift-JIS folder", "/mnt/\x8E\xCA\x90\x5E/100%", ""},
        {"stray bytes of every kind", "\xFF|\xE5\x86|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\x80", ""},
        {"UTF-8 is written as it is", "/写真/100% caf\xC3\xA9 %E9", "/写真/100% caf\xC3\xA9 %E9"},
        {"UTF-8 that looks escaped", "%%/caf%E9", ""},
        {"just the marker", "%%", ""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.WriteFile("any.ini", "[S]\nbefore=値\n");
        LinuxProfileFile profile;
        ASSERT_TRUE(profile.WritePrivateProfileString("S", "k", c.value, path).written) << c.name;
        ASSERT_TRUE(profile.WritePrivateProfileString("S", "after", "1", path).written) << c.name;
        const std::string file = dir.ReadFile("any.ini");
        EXPECT_TRUE(IsValidUtf8(file)) << c.name << ":\n" << file;
        EXPECT_EQ(c.value, Read(path, "S", "k")) << c.name;
        EXPECT_EQ("値", Read(path, "S", "before")) << c.name;
        EXPECT_EQ("1", Read(path, "S", "after")) << c.name;
        if (!c.stored.empty()) {
            EXPECT_EQ("[S]\nbefore=値\nk=" + c.stored + "\nafter=1\n", file) << c.name;
        }
        // Saved again, the key is found and replaced, not added twice.
        ASSERT_TRUE(profile.WritePrivateProfileString("S", "k", c.value, path).written) << c.name;
        EXPECT_EQ(file, dir.ReadFile("any.ini")) << c.name;
    }
    // The read limit counts the value's own bytes, not its stored form.
    const std::string path = dir.WriteFile("long.ini", "");
    ASSERT_TRUE(LinuxProfileFile().WritePrivateProfileString("S", "k", std::string(300, '\xE9'), path).written);
    EXPECT_EQ(std::string(255, '\xE9'), Read(path, "S", "k"));
}

TEST(LinuxProfile, FirstWritesCreateFolderAndFile)
{
    TempDir dir;
    const std::string path = (dir.path() / "config/nuvra/Nuvra.ini").string();
    LinuxProfileFile profile;
    for (const char* key : {"k1", "k2", "k3"})
        ASSERT_TRUE(profile.WritePrivateProfileString("Section", key, std::string("v") + (key + 1), path).written);
    EXPECT_EQ("[Section]\nk1=v1\nk2=v2\nk3=v3\n", dir.ReadFile("config/nuvra/Nuvra.ini"));
    EXPECT_EQ(fs::perms(0644), fs::status(path).permissions() & fs::perms::mask);

    fs::permissions(path, fs::perms(0600));
    ASSERT_TRUE(profile.WritePrivateProfileString("Section", "k2", "x", path).written);
    EXPECT_EQ(fs::perms(0600), fs::status(path).permissions() & fs::perms::mask) << "mode of the old file";
    EXPECT_EQ(0, TemporaryFilesIn(dir.path() / "config/nuvra"));
}

TEST(LinuxProfile, WriteThroughALinkKeepsTheLink)
{
    TempDir dir;
    const std::string real = dir.WriteFile("real.ini", "[S]\nk=1\n");
    fs::create_symlink(real, dir.path() / "link.ini");
    ASSERT_TRUE(
        LinuxProfileFile().WritePrivateProfileString("S", "k", "2", (dir.path() / "link.ini").string()).written);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.ini"));
    EXPECT_EQ("[S]\nk=2\n", dir.ReadFile("real.ini"));
}

TEST(LinuxProfile, RefusedWriteLeavesEverythingWholeAndSaysWhy)
{
    struct Case {
        const char* name;
        const char* file;
        const char* key;
        const char* value;
        const char* reason;
    };
    const char* kBadName = "Cannot hold this section or key name";
    const Case cases[] = {
        {"parent is a regular file", "plain/Nuvra.ini", "k", "v", "Not a directory"},
        {"target is a folder", "folder", "k", "v", "Is a directory"},
        {"a link to nothing", "dangling.ini", "k", "v", "Is a link to a missing file"},
        {"line break in the value", "Nuvra.ini", "k", "v\n[T]\nx=1",
         "Cannot hold a value with a line break or a NUL character"},
        {"'=' in the key", "Nuvra.ini", "a=b", "v", kBadName},
        {"empty key", "Nuvra.ini", "", "v", kBadName},
        {"key not UTF-8", "Nuvra.ini", "caf\xE9", "v", kBadName},
    };
    TempDir dir;
    dir.WriteFile("plain", "[S]\nk=1\n");
    dir.WriteFile("Nuvra.ini", "[S]\nk=1\n");
    fs::create_directory(dir.path() / "folder");
    fs::create_symlink(dir.path() / "gone.ini", dir.path() / "dangling.ini");
    for (const Case& c : cases) {
        const nuvra::platform::ProfileWriteResult result =
            LinuxProfileFile().WritePrivateProfileString("S", c.key, c.value, (dir.path() / c.file).string());
        EXPECT_FALSE(result.written) << c.name;
        EXPECT_EQ(c.reason, result.reason) << c.name;
        EXPECT_EQ("[S]\nk=1\n", dir.ReadFile("plain")) << c.name;
        EXPECT_EQ("[S]\nk=1\n", dir.ReadFile("Nuvra.ini")) << c.name;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "gone.ini"));
    EXPECT_EQ(0, TemporaryFilesIn(dir.path()));
}

TEST(LinuxProfile, ReadOnlyFileOrFolderIsNotReplacedAndTheSystemSaysWhy)
{
    for (const char* read_only : {"Nuvra.ini", "."}) {
        TempDir dir;
        const std::string path = dir.WriteFile("Nuvra.ini", "[S]\nk=1\n");
        fs::permissions(dir.path() / read_only, fs::perms(0555));
        // Root ignores the read-only bits, so the write runs as an ordinary user.
        EXPECT_TRUE(nuvra::test::RunUnprivileged(dir.path(), [&] {
            const nuvra::platform::ProfileWriteResult result =
                LinuxProfileFile().WritePrivateProfileString("S", "k", "2", path);
            return !result.written && result.reason == "Permission denied";
        })) << "writing with " << read_only << " read-only was not refused with the system's reason";
        EXPECT_EQ("[S]\nk=1\n", dir.ReadFile("Nuvra.ini")) << read_only;
        EXPECT_EQ(0, TemporaryFilesIn(dir.path())) << read_only;
    }
}

TEST(LinuxProfile, ShortWriteKeepsTheOldFile)
{
    TempDir dir;
    const std::string path = dir.WriteFile("Nuvra.ini", "[S]\nk=1\n");
    nuvra::platform::ProfileWriteResult result;
    {
        nuvra::test::ScopedFileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        result = LinuxProfileFile().WritePrivateProfileString("S", "k", std::string(8192, 'v'), path);
    }
    EXPECT_FALSE(result.written);
    EXPECT_EQ("File too large", result.reason);
    EXPECT_EQ("[S]\nk=1\n", dir.ReadFile("Nuvra.ini"));
    EXPECT_EQ(0, TemporaryFilesIn(dir.path()));
}

}  // namespace
