// The Windows file services under Wine: the attribute bits a listing passes
// on, replacing a file, the quoted short path, and where the settings and
// work files go when the program's folder can or cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/file_system.h"
#include "platform/windows/program_folders.h"
#include "platform/windows/win32_file.h"
#include "platform/windows/win32.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using nuvra::windows_platform::ProgramFolders;
using nuvra::windows_platform::WindowsFileSystem;

std::string Utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(WindowsFileSystem, OnlyTheAttributesThePictureScanKnowsArePassedOn)
{
    struct Case {
        const char* name;
        std::uint32_t system;
        std::uint32_t listed;
    };
    // Wine keeps none of the newer bits, so this table is where they are met.
    const std::vector<Case> cases = {
        {"no flag is reported as normal", FILE_ATTRIBUTE_NORMAL, 0},
        {"archive", FILE_ATTRIBUTE_ARCHIVE, 32},
        {"read-only", FILE_ATTRIBUTE_READONLY, 1},
        {"not content indexed", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, 32},
        {"cloud placeholder, pinned",
         FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_REPARSE_POINT | 0x80000, 32},
        {"cloud file fetched on access", FILE_ATTRIBUTE_READONLY | 0x400000, 1},
        {"compressed and encrypted", FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_ENCRYPTED, 0},
        {"hidden system file", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE, 38},
        {"folder behind a junction", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 16},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nuvra::windows_platform::ListedAttributes(c.system), c.listed) << c.name;
}

TEST(WindowsFileSystem, ListingNamesEveryEntryWithItsAttributes)
{
    struct Case {
        const wchar_t* name;
        DWORD set;
        std::uint32_t listed;
    };
    // Wine marks every file archive; with the flag set here the values hold
    // on Windows as well.
    const std::vector<Case> cases = {
        {L"plain.jpg", FILE_ATTRIBUTE_ARCHIVE, 32},
        {L"read-only.jpg", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 33},
        {L"hidden.jpg", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN, 34},
        {L"写真.jpg", FILE_ATTRIBUTE_ARCHIVE, 32},
    };
    nuvra::test::TempDir folder;
    fs::create_directory(folder.path() / "sub");
    for (const Case& c : cases) {
        WriteBytes(folder.path() / c.name, "x");
        ASSERT_TRUE(SetFileAttributesW((folder.path() / c.name).c_str(), c.set));
    }
    WindowsFileSystem files(ProgramFolders{});
    const auto listing = files.ListFolder(Utf8(folder.path()));
    EXPECT_TRUE(listing.opened);
    EXPECT_TRUE(listing.complete);
    const auto listed = [&listing](const std::string& name) -> std::optional<std::uint32_t> {
        for (const auto& entry : listing.entries)
            if (entry.name == name)
                return entry.attributes;
        return std::nullopt;
    };
    for (const Case& c : cases) {
        const std::string name = Utf8(fs::path(c.name));
        EXPECT_EQ(listed(name), c.listed) << name;
        SetFileAttributesW((folder.path() / c.name).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    EXPECT_EQ(listed("sub"), 16u);
    EXPECT_FALSE(files.ListFolder(Utf8(folder.path() / "missing")).opened);
}

TEST(WindowsFileSystem, ReplaceFileSwapsTheWholeFileAndLeavesNothingElse)
{
    nuvra::test::TempDir folder;
    const fs::path target = folder.path() / "Tmp_nuvra01.bmp";
    WriteBytes(target, "old contents, longer than the new");
    WindowsFileSystem files(ProgramFolders{});
    const std::array<std::uint8_t, 3> bytes = {'n', 'e', 'w'};
    ASSERT_TRUE(files.ReplaceFile(Utf8(target), bytes));
    {
        std::ifstream in(target, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(files.ReplaceFile(Utf8(folder.path() / "missing" / "Tmp_nuvra01.bmp"), bytes));
    EXPECT_TRUE(files.DeleteFile(Utf8(target)));
    EXPECT_FALSE(files.CanOpenForReading(Utf8(target)));
}

TEST(WindowsFileSystem, ShortPathIsQuotedAndSaysTheSizeItNeeds)
{
    nuvra::test::TempDir folder;
    const fs::path music = folder.path() / "my music.mp3";
    WriteBytes(music, "ID3");
    WindowsFileSystem files(ProgramFolders{});
    EXPECT_TRUE(files.CanOpenForReading(Utf8(music)));
    EXPECT_FALSE(files.CanOpenForReading(Utf8(folder.path())));

    std::array<char, 4> small{};
    const std::uint32_t needed = files.GetShortPathName(Utf8(music), small);
    ASSERT_GT(needed, small.size());
    std::vector<char> buffer(needed);
    const std::uint32_t length = files.GetShortPathName(Utf8(music), buffer);
    ASSERT_EQ(length + 1, needed);
    const std::string quoted(buffer.data(), length);
    EXPECT_EQ(quoted.front(), '"');
    EXPECT_EQ(quoted.back(), '"');
    EXPECT_TRUE(files.CanOpenForReading(quoted.substr(1, quoted.size() - 2))) << quoted;
    EXPECT_EQ(files.GetShortPathName(Utf8(folder.path() / "missing.mp3"), buffer), 0u);
}

TEST(WindowsFileSystem, FilesGoBesideTheProgramUnlessItsFolderCannotBeWritten)
{
    struct Case {
        const char* name;
        bool program_writable;
        bool user_folders_known;
        const char* settings;  // "program" or "user"
    };
    const std::vector<Case> cases = {
        {"portable copy", true, true, "program"},
        {"installed where the user cannot write", false, true, "user"},
        {"nowhere else to go", false, false, "program"},
    };
    for (const Case& c : cases) {
        nuvra::test::TempDir root;
        ProgramFolders folders{Utf8(root.path() / "Program"), {}, {}};
        if (c.user_folders_known) {
            folders.settings = Utf8(root.path() / "Roaming" / "Nuvra");
            folders.work = Utf8(root.path() / "Local" / "Nuvra");
        }
        WindowsFileSystem files(folders, [&](const std::string&) { return c.program_writable; });
        const bool beside = std::string(c.settings) == "program";
        EXPECT_EQ(files.SettingsFolder(), beside ? folders.program : folders.settings) << c.name;
        EXPECT_EQ(files.WorkFolder(), beside ? folders.program : folders.work) << c.name;
        if (!beside) {
            EXPECT_TRUE(fs::is_directory(root.path() / "Local" / "Nuvra")) << c.name << ": the work folder is made";
        }
    }
}

TEST(WindowsFileSystem, RealProbeAndTheProcessFoldersFollowTheSystem)
{
    nuvra::test::TempDir root;
    WriteBytes(root.path() / "file", "x");
    EXPECT_TRUE(nuvra::windows_platform::CanCreateFilesIn(root.path().wstring()));
    EXPECT_FALSE(nuvra::windows_platform::CanCreateFilesIn((root.path() / "missing").wstring()));
    EXPECT_FALSE(nuvra::windows_platform::CanCreateFilesIn((root.path() / "file").wstring()));
    EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), fs::directory_iterator()), 1) << "the probe stayed";

    const fs::path roaming = root.path() / "Roaming";
    SetEnvironmentVariableW(L"APPDATA", roaming.c_str());
    SetEnvironmentVariableW(L"LOCALAPPDATA", L"relative\\Local");
    const ProgramFolders folders = ProgramFolders::OfThisProcess();
    EXPECT_EQ(folders.settings, Utf8(roaming / "Nuvra"));
    EXPECT_FALSE(folders.work.empty());
    EXPECT_EQ(folders.work.find("relative"), std::string::npos) << "a relative folder moves with the current one";
    std::array<wchar_t, MAX_PATH> program{};
    GetModuleFileNameW(nullptr, program.data(), MAX_PATH);
    EXPECT_EQ(folders.program, Utf8(fs::path(program.data()).parent_path()));
}

}  // namespace
