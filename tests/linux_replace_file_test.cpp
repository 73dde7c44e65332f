// Replacing a file in one step: what every file of ours is written with
// (the settings file, both work files), and which of them wait for the disk.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/linux/file_system.h"
#include "platform/linux/picture/picture_codec.h"
#include "platform/linux/posix_file.h"
#include "platform/linux/profile_file.h"
#include "support/fake_pictures.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace {
std::atomic<int> g_disk_flushes{0};
}  // namespace

// Every flush to the disk made in this test program passes here on its way
// to the C library, so a test can tell which writes wait for the disk.
extern "C" int fsync(int fd)
{
    using Fsync = int (*)(int);
    static const auto real = reinterpret_cast<Fsync>(::dlsym(RTLD_NEXT, "fsync"));
    ++g_disk_flushes;
    return real != nullptr ? real(fd) : -1;
}

namespace nuvra {
namespace {

namespace fs = std::filesystem;
using linux_platform::NewFileAttributes;
using linux_platform::ReplaceFileAtomically;
using test::TempDir;

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

bool Replace(const fs::path& path, const std::string& text, const NewFileAttributes& attributes = {})
{
    return ReplaceFileAtomically(path.string(), Bytes(text), attributes);
}

// Everything in the folder that is not the files the test made itself.
std::vector<std::string> Leftovers(const fs::path& folder, const std::vector<std::string>& expected)
{
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end())
            left.push_back(name);
    }
    return left;
}

fs::perms Permissions(const fs::path& path)
{
    return fs::status(path).permissions() & fs::perms::mask;
}

TEST(ReplaceFile, WritesExactlyTheBytesGiven)
{
    struct Case {
        const char* name;
        const char* old_contents;  // null: no old file
        std::string bytes;
    };
    const Case cases[] = {
        {"a new file", nullptr, "BM new"},
        {"over a larger file", "a much longer old file than the new one", "short"},
        {"over a smaller file", "old", std::string(100000, 'x')},
        {"no bytes at all", "old", ""},
        {"bytes with zeros", nullptr, std::string("a\0b\0", 4)},
    };
    for (const Case& c : cases) {
        TempDir dir;
        if (c.old_contents != nullptr)
            dir.WriteFile("work.bmp", c.old_contents);
        ASSERT_TRUE(Replace(dir.path() / "work.bmp", c.bytes)) << c.name;
        EXPECT_EQ(c.bytes, dir.ReadFile("work.bmp")) << c.name;
        EXPECT_EQ(fs::perms(0644), Permissions(dir.path() / "work.bmp")) << c.name;
        EXPECT_EQ(std::vector<std::string>{}, Leftovers(dir.path(), {"work.bmp"})) << c.name;
    }
    for (const Case& c : cases) {
        TempDir dir;
        if (c.old_contents != nullptr)
            dir.WriteFile("work.bmp", c.old_contents);
        ASSERT_TRUE(ReplaceFileAtomically((dir.path() / "work.bmp").string(), Bytes(c.bytes), {},
                                          linux_platform::Durability::kCached))
            << c.name << ", cached";
        EXPECT_EQ(c.bytes, dir.ReadFile("work.bmp")) << c.name << ", cached";
        EXPECT_EQ(std::vector<std::string>{}, Leftovers(dir.path(), {"work.bmp"})) << c.name << ", cached";
    }
    TempDir dir;
    ASSERT_TRUE(Replace(dir.path() / "Nuvra.ini", "[S]\n", NewFileAttributes{0600, std::nullopt}));
    EXPECT_EQ(fs::perms(0600), Permissions(dir.path() / "Nuvra.ini")) << "the mode asked for";
}

// The old file is swapped for a new one, never rewritten where it is: a
// reader that opened it before still reads it whole.
TEST(ReplaceFile, AReaderSeesTheOldFileOrTheNewOneNeverAMixture)
{
    TempDir dir;
    const std::string old_text(50000, 'o');
    const std::string path = dir.WriteFile("work.bmp", old_text);
    linux_platform::FileDescriptor reader(::open(path.c_str(), O_RDONLY));
    ASSERT_TRUE(reader.valid());

    ASSERT_TRUE(Replace(path, std::string(60000, 'n')));
    std::string seen(old_text.size() + 1, '\0');
    const ssize_t got = ::read(reader.get(), seen.data(), seen.size());
    seen.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    EXPECT_EQ(old_text, seen) << "the reader of the old file saw it change";
    EXPECT_EQ(std::string(60000, 'n'), dir.ReadFile("work.bmp"));
}

TEST(ReplaceFile, AShortWriteKeepsTheOldFileAndLeavesNothingBehind)
{
    TempDir dir;
    const std::string path = dir.WriteFile("work.bmp", "the previous picture");
    bool replaced = true;
    {
        test::ScopedFileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        replaced = Replace(path, std::string(8192, 'n'));
    }
    EXPECT_FALSE(replaced);
    EXPECT_EQ("the previous picture", dir.ReadFile("work.bmp"));
    EXPECT_EQ(std::vector<std::string>{}, Leftovers(dir.path(), {"work.bmp"}));
}

TEST(ReplaceFile, RefusedTargetsStayAsTheyWere)
{
    TempDir dir;
    dir.WriteFile("plain", "a file");
    fs::create_directory(dir.path() / "folder");
    const struct {
        const char* name;
        std::string path;
    } cases[] = {
        {"a missing folder", (dir.path() / "missing/work.bmp").string()},
        {"a folder in the way", (dir.path() / "folder").string()},
        {"a file where a folder should be", (dir.path() / "plain/work.bmp").string()},
        {"a NUL in the path", (dir.path() / "work.bmp").string() + std::string(1, '\0') + "x"},
        {"the empty path", ""},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(ReplaceFileAtomically(c.path, Bytes("new"))) << c.name;
        EXPECT_EQ("a file", dir.ReadFile("plain")) << c.name;
        EXPECT_TRUE(fs::is_directory(dir.path() / "folder")) << c.name;
        EXPECT_EQ(std::vector<std::string>{}, Leftovers(dir.path(), {"plain", "folder"})) << c.name;
    }

    // Root may write anywhere, so the read-only folder is tried as an
    // ordinary user.
    const std::string path = dir.WriteFile("ro/work.bmp", "old");
    fs::permissions(dir.path() / "ro", fs::perms(0555));
    EXPECT_TRUE(test::RunUnprivileged(dir.path(), [&] { return !Replace(path, "new"); }))
        << "a read-only folder was written to";
    fs::permissions(dir.path() / "ro", fs::perms(0755));
    EXPECT_EQ("old", dir.ReadFile("ro/work.bmp"));
}

// A link planted where a work file goes is replaced, never written
// through: the write cannot be steered to another file. (The settings file
// resolves its link first, and so keeps it.)
TEST(ReplaceFile, ALinkIsReplacedNotWrittenThrough)
{
    TempDir dir;
    const std::string elsewhere = dir.WriteFile("elsewhere", "someone else's file");
    fs::create_symlink(elsewhere, dir.path() / "work.bmp");
    ASSERT_TRUE(Replace(dir.path() / "work.bmp", "new"));
    EXPECT_FALSE(fs::is_symlink(dir.path() / "work.bmp"));
    EXPECT_EQ("new", dir.ReadFile("work.bmp"));
    EXPECT_EQ("someone else's file", dir.ReadFile("elsewhere"));
}

TEST(ReplaceFile, TheFileSystemServiceReplacesFilesTheSameWay)
{
    TempDir dir;
    const std::string path = dir.WriteFile("Tmp_nuvra02.bmp", "old and longer");
    linux_platform::LinuxFileSystem files;
    ASSERT_TRUE(files.ReplaceFile(path, Bytes("BM")));
    EXPECT_EQ("BM", dir.ReadFile("Tmp_nuvra02.bmp"));
    EXPECT_FALSE(files.ReplaceFile((dir.path() / "missing/x.bmp").string(), Bytes("BM")));
    EXPECT_EQ(std::vector<std::string>{}, Leftovers(dir.path(), {"Tmp_nuvra02.bmp"}));
}

// The settings must survive a power cut right after they were saved; the
// work files are rewritten at every picture change, between two frames of
// the show, where a wait for the disk is a visible stall.
TEST(ReplaceFile, OnlyTheSettingsFileWaitsForTheDisk)
{
    TempDir dir;
    const std::string work = dir.str() + "/Tmp_nuvra01.bmp";
    dir.WriteFile("Tmp_nuvra01.bmp", "the previous picture");
    linux_platform::LinuxFileSystem files;
    linux_platform::LinuxPictureCodec codec;
    const platform::Picture square = test::PositionPicture(33, 33);
    const struct {
        const char* name;
        std::function<bool()> write;
        bool waits_for_the_disk;
    } cases[] = {
        {"the settings file", [&] {
             return linux_platform::LinuxProfileFile().WritePrivateProfileString("Screen Saver", "Speed", "3",
                                                                                 dir.str() + "/Nuvra.ini").written;
         }, true},
        {"a file replaced by default", [&] { return Replace(dir.path() / "other", "text"); }, true},
        {"the 8-bit work file", [&] { return files.ReplaceFile(dir.str() + "/Tmp_nuvra02.bmp", Bytes("BM")); }, false},
        {"the square work file", [&] { return codec.SavePicture(square, work); }, false},
    };
    for (const auto& c : cases) {
        g_disk_flushes = 0;
        ASSERT_TRUE(c.write()) << c.name;
        EXPECT_EQ(c.waits_for_the_disk, g_disk_flushes > 0) << c.name << ": " << g_disk_flushes << " flushes";
    }
    // Written in one step all the same: whole, with nothing left beside it.
    const platform::PictureResult saved = codec.LoadPicture(work);
    ASSERT_TRUE(saved.picture.has_value()) << saved.error;
    EXPECT_EQ(saved.picture->pixels, square.pixels);
    EXPECT_EQ(std::vector<std::string>{},
              Leftovers(dir.path(), {"Nuvra.ini", "other", "Tmp_nuvra01.bmp", "Tmp_nuvra02.bmp"}));
}

}  // namespace
}  // namespace nuvra
