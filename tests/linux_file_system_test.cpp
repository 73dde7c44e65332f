#include "platform/linux/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "files/paths.h"
#include "images/image_list.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace nuvra {
namespace {

namespace fs = std::filesystem;
using linux_platform::LinuxFileSystem;

using enum ImageKindOption;

constexpr ImageKindOptions kAllKinds = {On, On, On, On};

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

std::vector<std::string> Listed(const ImageList& list)
{
    return {list.ImageFiles.begin() + 1, list.ImageFiles.begin() + 1 + list.ImageCount};
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A folder with one of everything the mapping has to tell apart.
class PictureFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.bmp", "B.bmp", "x.JPG", "my pic.gif", "\xC3\xA9t\xC3\xA9.wmf",
                                 "\xE6\x97\xA5\xE6\x9C\xAC.jpg", "notes.txt", ".hidden.bmp", "locked/in.bmp"})
            m_dir.WriteFile(name, "");
        const std::string read_only = m_dir.WriteFile("ro.gif", "");
        fs::permissions(read_only, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        fs::create_directory(m_dir.path() / "d.bmp");
        fs::create_symlink("a.bmp", m_dir.path() / "link.bmp");
        fs::create_symlink("missing.bmp", m_dir.path() / "dangling.jpg");
        ASSERT_EQ(::mkfifo((m_dir.path() / "f.bmp").c_str(), 0644), 0);
        fs::permissions(m_dir.path() / "locked", fs::perms::none);
    }

    std::string Path(const char* name) const { return (m_dir.path() / name).string(); }

    test::TempDir m_dir;
    LinuxFileSystem m_files;
};

TEST_F(PictureFolder, ListingMapsTypeNameAndPermissions)
{
    const platform::FolderListing listing = m_files.ListFolder(m_dir.str());
    ASSERT_TRUE(listing.opened);
    EXPECT_TRUE(listing.complete);
    std::map<std::string, std::uint32_t> got;
    for (const platform::FolderEntry& entry : listing.entries)
        got[entry.name] = entry.attributes;

    // Root may write every file, so nothing is read-only to it.
    const std::uint32_t read_only = RunningAsRoot() ? 32 : 1;
    const std::map<std::string, std::uint32_t> expected = {
        {".", 18},         {"..", 18},       {"a.bmp", 32},     {"B.bmp", 32},
        {"x.JPG", 32},     {"my pic.gif", 32}, {"\xC3\xA9t\xC3\xA9.wmf", 32}, {"\xE6\x97\xA5\xE6\x9C\xAC.jpg", 32},
        {"notes.txt", 32}, {".hidden.bmp", 34}, {"ro.gif", read_only}, {"d.bmp", 16},
        {"link.bmp", 32},  {"f.bmp", 4},      {"locked", 16},
    };
    EXPECT_EQ(got, expected) << "a dangling symlink is left out; every other entry is mapped";

    // Without the write test a read-only file shows as writable; nothing
    // else changes.
    std::map<std::string, std::uint32_t> types;
    for (const platform::FolderEntry& entry : m_files.ListFolderTypes(m_dir.str()).entries)
        types[entry.name] = entry.attributes;
    std::map<std::string, std::uint32_t> expected_types = expected;
    expected_types["ro.gif"] = 32;
    EXPECT_EQ(types, expected_types);
}

TEST_F(PictureFolder, AnOrdinaryUserSeesReadOnlyFilesInTheLastPass)
{
    // Root may write every file, so the read-only mapping is checked as an
    // ordinary user: writable files come in the archive pass, the read-only
    // GIF in the pass after it, and the sort puts them in path order.
    const std::string folder = m_dir.str() + "/user";
    m_dir.WriteFile("user/b.jpg", "");
    m_dir.WriteFile("user/A.bmp", "");
    const std::string read_only = m_dir.WriteFile("user/c.gif", "");
    fs::permissions(read_only, fs::perms::owner_read);
    EXPECT_TRUE(test::RunUnprivileged(m_dir.path(), [&] {
        LinuxFileSystem files;
        std::map<std::string, std::uint32_t> attributes;
        for (const auto& entry : files.ListFolder(folder).entries)
            attributes[entry.name] = entry.attributes;
        ImageList list;
        BuildImageList(list, kAllKinds, folder, files);
        return attributes["c.gif"] == 1 && attributes["A.bmp"] == 32 &&
               Listed(list) == std::vector<std::string>{folder + "/A.bmp", folder + "/b.jpg", folder + "/c.gif"};
    }));
}

TEST_F(PictureFolder, BuildImageListEndToEnd)
{
    const struct {
        const char* name;
        ImageKindOptions kinds;
        std::vector<std::string> names;
    } cases[] = {
        {"all kinds", kAllKinds,
         {"B.bmp", "a.bmp", "link.bmp", "my pic.gif", "ro.gif", "x.JPG", "\xC3\xA9t\xC3\xA9.wmf",
          "\xE6\x97\xA5\xE6\x9C\xAC.jpg"}},
        {"no gif", {On, Off, On, On},
         {"B.bmp", "a.bmp", "link.bmp", "x.JPG", "\xC3\xA9t\xC3\xA9.wmf", "\xE6\x97\xA5\xE6\x9C\xAC.jpg"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> expected;
        for (const std::string& name : c.names)
            expected.push_back(m_dir.str() + "/" + name);
        ImageList list;
        BuildImageList(list, c.kinds, m_dir.str(), m_files);
        EXPECT_EQ(Listed(list), expected) << c.name;
    }

    // A trailing separator gives doubled ones, which still name the file.
    ImageList list;
    BuildImageList(list, {On, Off, Off, Off}, m_dir.str() + "/", m_files);
    ASSERT_GE(list.ImageCount, 1);
    EXPECT_EQ(list.ImageFiles[1], m_dir.str() + "//B.bmp");
    EXPECT_TRUE(FileExists(list.ImageFiles[1], m_files));
}

TEST(PictureTree, LinksThatLoopAreEnteredOnceAndHiddenFoldersNever)
{
    test::TempDir dir;
    dir.WriteFile("tree/a.jpg", "");
    dir.WriteFile("tree/sub/b.jpg", "");
    dir.WriteFile("tree/.thumbnails/t.jpg", "");
    fs::create_directory_symlink("..", dir.path() / "tree/sub/up");
    fs::create_directory_symlink(".", dir.path() / "tree/sub/self");
    fs::create_directory_symlink(dir.path() / "tree/sub", dir.path() / "tree/again");
    LinuxFileSystem files;
    ImageList list;
    BuildImageList(list, kAllKinds, dir.str() + "/tree", files, SubfolderOption::On);
    EXPECT_EQ(Listed(list), (std::vector<std::string>{dir.str() + "/tree/a.jpg", dir.str() + "/tree/again/b.jpg"}));
    EXPECT_EQ(files.FolderIdentity(dir.str() + "/tree/sub/up"), files.FolderIdentity(dir.str() + "/tree"));
    EXPECT_FALSE(files.FolderIdentity(dir.str() + "/tree/a.jpg"));
}

TEST_F(PictureFolder, TheWorkedExampleOnLinux)
{
    // b.jpg is writable (archive), A.bmp read-only, c.gif hidden: only the
    // hidden one stays out, and the sort puts A.bmp first.
    test::TempDir dir;
    dir.WriteFile("b.jpg", "");
    dir.WriteFile(".c.gif", "");
    fs::permissions(dir.WriteFile("A.bmp", ""), fs::perms::owner_read);
    ImageList list;
    BuildImageList(list, kAllKinds, dir.str(), m_files);
    const std::vector<std::string> expected = {dir.str() + "/A.bmp", dir.str() + "/b.jpg"};
    EXPECT_EQ(Listed(list), expected);
}

TEST_F(PictureFolder, UnreadableAndMissingFolders)
{
    ImageList list;
    BuildImageList(list, kAllKinds, Path("locked"), m_files);
    // Permission bits do not stop root from reading the folder.
    EXPECT_EQ(list.ImageCount, RunningAsRoot() ? 1 : 0);
    BuildImageList(list, kAllKinds, Path("gone"), m_files);
    EXPECT_EQ(list.ImageCount, 0);
    EXPECT_FALSE(m_files.ListFolder(Path("gone")).opened);
    EXPECT_FALSE(m_files.ListFolder(Path("a.bmp")).opened);
    EXPECT_FALSE(m_files.ListFolder(std::string_view("/\0tmp", 5)).opened);
}

TEST_F(PictureFolder, FolderExistsAndFileExists)
{
    const struct {
        std::string path;
        bool folder_exists;
        bool file_exists;
    } cases[] = {
        {m_dir.str(), true, false},
        {m_dir.str() + "/", true, false},
        {m_dir.str() + "   ", true, false},
        {"/", true, false},
        {Path("a.bmp"), false, true},
        {Path("a.bmp") + "/", false, true},
        {Path("link.bmp"), false, true},
        {Path("dangling.jpg"), false, false},
        {Path("f.bmp"), false, true},  // a fifo opens without blocking
        {Path("d.bmp"), true, false},
        {Path("gone"), false, false},
        {"", true, false},  // the root of the current drive, as "\*.*" lists it
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderExists(c.path, m_files), c.folder_exists) << "FolderExists(\"" << c.path << "\")";
        EXPECT_EQ(FileExists(c.path, m_files), c.file_exists) << "FileExists(\"" << c.path << "\")";
    }
    const std::string unreadable = m_dir.WriteFile("secret.mp3", "");
    fs::permissions(unreadable, fs::perms::none);
    EXPECT_EQ(FileExists(unreadable, m_files), RunningAsRoot());
}

TEST_F(PictureFolder, DeleteFileRemovesFilesOnly)
{
    EXPECT_TRUE(m_files.DeleteFile(Path("notes.txt")) && !fs::exists(Path("notes.txt")));
    EXPECT_FALSE(m_files.DeleteFile(Path("notes.txt")));
    EXPECT_FALSE(m_files.DeleteFile(Path("d.bmp")));
}

TEST_F(PictureFolder, ShortPathNameIsTheQuotedPath)
{
    const std::string path = m_dir.WriteFile("a b/x.mp3", "");
    const std::string quoted = "\"" + path + "\"";
    const auto needed = static_cast<std::uint32_t>(quoted.size() + 1);

    std::vector<char> buffer(quoted.size() + 1, 'z');
    EXPECT_EQ(m_files.GetShortPathName(path, buffer), quoted.size());
    EXPECT_EQ(std::string(buffer.data()), quoted);

    std::vector<char> short_buffer(quoted.size(), 'z');
    EXPECT_EQ(m_files.GetShortPathName(path, short_buffer), needed) << "one byte short: the size needed";
    EXPECT_EQ(short_buffer[0], 'z') << "a short buffer is left alone";

    for (const std::string& failing : {Path("missing.mp3"), path + std::string(1, '\0'), std::string()})
        EXPECT_EQ(m_files.GetShortPathName(failing, buffer), 0u) << "\"" << failing << "\"";
}

TEST_F(PictureFolder, AQuoteInThePathIsLeftOutThroughALinkThatGoesWithTheFileSystem)
{
    const ScopedEnv cache("XDG_CACHE_HOME", (m_dir.str() + "/cache").c_str());
    // A quote inside the quoted form would end it early.
    const std::string with_quote = m_dir.WriteFile("say \"hi\"/\"1\".mp3", "the song");
    std::string link;
    {
        LinuxFileSystem files;
        std::vector<char> buffer(256, 'z');
        const std::uint32_t length = files.GetShortPathName(with_quote, buffer);
        ASSERT_GT(length, 2u);
        const std::string quoted(buffer.data(), length);
        ASSERT_EQ(quoted.front(), '"');
        ASSERT_EQ(quoted.back(), '"');
        link = quoted.substr(1, quoted.size() - 2);
        EXPECT_EQ(link.find('"'), std::string::npos) << link;
        EXPECT_EQ(fs::path(link).parent_path(), fs::path(files.WorkFolder()));
        EXPECT_EQ(fs::path(link).extension(), ".mp3");
        std::ifstream linked(link, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(linked), {}), "the song");
        EXPECT_EQ(files.GetShortPathName(with_quote, buffer), length) << "asked again: the same link";
        EXPECT_EQ(quoted, std::string(buffer.data(), length));
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the link outlived the file system";
    EXPECT_EQ(m_dir.ReadFile("say \"hi\"/\"1\".mp3"), "the song");
}

TEST(LinuxFileSystem, FoldersFollowTheXdgRules)
{
    test::TempDir home;
    const std::string absolute = home.str() + "/xdg";
    const ScopedEnv set_home("HOME", home.str().c_str());
    const struct {
        const char* value;  // for both variables; null: unset
        std::string settings;
        std::string work;
    } cases[] = {
        {nullptr, home.str() + "/.config/nuvra", home.str() + "/.cache/nuvra"},
        {"", home.str() + "/.config/nuvra", home.str() + "/.cache/nuvra"},
        {"relative/dir", home.str() + "/.config/nuvra", home.str() + "/.cache/nuvra"},
        {absolute.c_str(), absolute + "/nuvra", absolute + "/nuvra"},
    };
    for (const auto& c : cases) {
        const ScopedEnv config("XDG_CONFIG_HOME", c.value);
        const ScopedEnv cache("XDG_CACHE_HOME", c.value);
        LinuxFileSystem files;
        const std::string value = c.value ? c.value : "(unset)";
        EXPECT_EQ(files.SettingsFolder(), c.settings) << "XDG value " << value;
        EXPECT_EQ(files.WorkFolder(), c.work) << "XDG value " << value;
        EXPECT_TRUE(fs::is_directory(c.work)) << "work folder not created for " << value;
    }
    EXPECT_FALSE(fs::exists(home.str() + "/.config")) << "the settings folder is created by its first write";
    // Every folder the work folder needed is private to the user.
    for (const std::string& created : {home.str() + "/.cache", home.str() + "/.cache/nuvra", absolute, absolute + "/nuvra"}) {
        struct stat st {};
        ASSERT_EQ(::stat(created.c_str(), &st), 0) << created;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << created;
    }
}

}  // namespace
}  // namespace nuvra
