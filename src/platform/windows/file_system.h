// The file services on Windows: listings through FindFirstFileExW with the
// attribute bits the program knows, the short form of a path for the media
// player, replacing a work file in one step, and the program's folders.
// Owned by the backend; decides nothing about what the core lists.
//
// Attributes: only read-only 1, hidden 2, system 4, directory 16 and
// archive 32 are passed on. The system reports a file with none of them as
// "normal" (128), and newer bits (not content indexed, a cloud placeholder's
// offline and pinned bits, compression, encryption) would each make a value
// the picture scan never asks for; none of them is the user hiding a file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/files.h"
#include "platform/windows/program_folders.h"

namespace nuvra::windows_platform {

// The attribute value a listing reports for the system's attribute bits.
std::uint32_t ListedAttributes(std::uint32_t system_attributes);

class WindowsFileSystem final : public platform::FileSystem {
public:
    // Whether the program may create files in a folder (UTF-8 path).
    using FolderCheck = std::function<bool(const std::string& folder)>;

    // can_write: the real probe unless a test fakes a read-only folder.
    explicit WindowsFileSystem(ProgramFolders folders, FolderCheck can_write = {});

    platform::FolderListing ListFolder(std::string_view folder) override;
    std::optional<std::string> FolderIdentity(std::string_view folder) override;
    bool CanOpenForReading(std::string_view path) override;
    bool DeleteFile(std::string_view path) override;
    // Not flushed to the disk: it writes the work files at every picture
    // change.
    bool ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) override;
    // GetShortPathNameW's form of an existing file, in double quotes: the
    // player takes a quoted name whole, and 8.3 names may be switched off on
    // the volume, in which case the long name (blanks and all) comes back.
    std::uint32_t GetShortPathName(std::string_view path, std::span<char> buffer) override;
    // The program's folder while the program may write there (a portable
    // copy), else %APPDATA%\Nuvra (created by the first profile write).
    std::string SettingsFolder() override;
    // The program's folder while the program may write there, else
    // %LOCALAPPDATA%\Nuvra, created here when missing.
    std::string WorkFolder() override;

private:
    std::string FolderBesideProgramOr(const std::string& fallback);

    ProgramFolders m_folders;
    FolderCheck m_can_write;
};

}  // namespace nuvra::windows_platform
