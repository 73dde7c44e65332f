// The file services on Linux: folder listings with the Windows attribute
// values mapped from the file's type, name and permissions, the program's
// folders under the XDG base directories, and the quoted stand-in for a
// short path. Owned by the backend; decides nothing about what the core
// lists.
//
// Attribute mapping: directory 16; a name starting with "." adds hidden 2;
// a regular file the user may write is archive 32, one the user may not write
// (or on a read-only mount) is read-only 1; anything else (fifo, socket,
// device) is system 4. Symlinks are followed; a dangling one is left out.
#pragma once

#include "platform/files.h"

namespace nuvra::linux_platform {

class LinuxFileSystem : public platform::FileSystem {
public:
    platform::FolderListing ListFolder(std::string_view folder) override;
    // Regular files without their stat: each shows as writable.
    platform::FolderListing ListFolderTypes(std::string_view folder) override;
    bool CanOpenForReading(std::string_view path) override;
    bool DeleteFile(std::string_view path) override;
    // In one step but not waited onto the disk (ReplaceFileAtomically,
    // kCached): it writes the work files at every picture change.
    bool ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) override;
    std::uint32_t GetShortPathName(std::string_view path, std::span<char> buffer) override;
    // $XDG_CONFIG_HOME/nuvra, else $HOME/.config/nuvra; not created here.
    std::string SettingsFolder() override;
    // $XDG_CACHE_HOME/nuvra, else $HOME/.cache/nuvra; created (0700) if missing.
    std::string WorkFolder() override;

private:
    static platform::FolderListing List(std::string_view folder, bool with_write_access);
};

}  // namespace nuvra::linux_platform
