// The file services on Linux: folder listings with the Windows attribute
// values mapped from the file's type, name and permissions, the program's
// folders under the XDG base directories, and the quoted stand-in for a
// short path (through a link of ours for a path the quotes cannot hold, the
// link removed with this object). Owned by the backend; decides nothing
// about what the core lists.
//
// Attribute mapping: directory 16; a name starting with "." adds hidden 2;
// a regular file the user may write is archive 32, one the user may not write
// (or on a read-only mount) is read-only 1; anything else (fifo, socket,
// device) is system 4. Symlinks are followed; a dangling one is left out.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "platform/files.h"

namespace nuvra::linux_platform {

class LinuxFileSystem : public platform::FileSystem {
public:
    LinuxFileSystem() = default;
    // Removes the links GetShortPathName made.
    ~LinuxFileSystem() override;
    LinuxFileSystem(const LinuxFileSystem&) = delete;
    LinuxFileSystem& operator=(const LinuxFileSystem&) = delete;

    platform::FolderListing ListFolder(std::string_view folder) override;
    // Regular files without their stat: each shows as writable.
    platform::FolderListing ListFolderTypes(std::string_view folder) override;
    std::optional<std::string> FolderIdentity(std::string_view folder) override;
    bool CanOpenForReading(std::string_view path) override;
    bool DeleteFile(std::string_view path) override;
    // In one step but not waited onto the disk (ReplaceFileAtomically,
    // kCached): it writes the work files at every picture change.
    bool ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) override;
    // The path of an existing file in double quotes, which the media player
    // takes whole, blanks and all. A quote inside the path would end that
    // form early and let the rest be read as commands, so such a file is
    // named by a link to it in the work folder instead, as Windows names a
    // file by its short name.
    std::uint32_t GetShortPathName(std::string_view path, std::span<char> buffer) override;
    // $XDG_CONFIG_HOME/nuvra, else $HOME/.config/nuvra; not created here.
    std::string SettingsFolder() override;
    // $XDG_CACHE_HOME/nuvra, else $HOME/.cache/nuvra; created (0700) if missing.
    std::string WorkFolder() override;

private:
    static platform::FolderListing List(std::string_view folder, bool with_write_access);
    // The work folder's link to path (absolute), whose name holds no quote;
    // nothing when none can be made.
    std::optional<std::string> LinkWithoutQuotes(const std::string& path);

    std::set<std::string> m_links;
};

}  // namespace nuvra::linux_platform
