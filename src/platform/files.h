// File services: folder listings with attributes, the open-for-reading test,
// the program's folders, deleting work files and the short form of a path.
//
// Paths are UTF-8 with the platform's separator (kPathSeparator). A listing
// is one folder's entries with their attribute values, as FindFirstFile /
// FindNextFile report them; matching names against wildcards is the caller's
// business. Nothing here throws.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvra::platform {

// Attribute flags with their Windows values; a file's attribute value is the
// sum of its flags.
enum FileAttribute : std::uint32_t {
    kAttributeNone = 0,
    kAttributeReadOnly = 1,
    kAttributeHidden = 2,
    kAttributeSystem = 4,
    kAttributeDirectory = 16,
    kAttributeArchive = 32,
};

struct FolderEntry {
    std::string name;  // the name as stored on disk, without the folder part
    std::uint32_t attributes = 0;
};

struct FolderListing {
    bool opened = false;    // false: the folder could not be listed at all
    bool complete = false;  // false: reading stopped early (entries so far are kept)
    std::vector<FolderEntry> entries;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Every entry of folder ("." and ".." included where the file system has
    // them), in the file system's own order.
    virtual FolderListing ListFolder(std::string_view folder) = 0;

    // ListFolder for a caller that can do without the read-only flag: a
    // read-only file (1) may be reported as a writable one (32); every other
    // value is exact. Where attributes come with the names anyway this is
    // ListFolder; where each one costs a call per file, it saves the calls.
    virtual FolderListing ListFolderTypes(std::string_view folder) { return ListFolder(folder); }

    // What tells one folder from another however it is reached (through a
    // link, or a second mount of the same disk): two paths with the same
    // identity are the same folder. Nothing where the folder cannot be
    // looked at or the system gives no such thing; then a walk through
    // folders must bound itself some other way.
    virtual std::optional<std::string> FolderIdentity(std::string_view folder)
    {
        static_cast<void>(folder);
        return std::nullopt;
    }

    // True when path names something that can be opened for reading now.
    virtual bool CanOpenForReading(std::string_view path) = 0;

    virtual bool DeleteFile(std::string_view path) = 0;

    // Replaces the file at path with bytes in one step (creating it where
    // there is none): a reader sees the old file or the whole new one, and
    // a failed write leaves the old file as it was. For the program's own
    // work files, written between two frames: it need not wait for the disk.
    virtual bool ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) = 0;

    // GetShortPathNameA: writes a form of path that the media player accepts
    // into buffer (NUL-terminated) and returns its length, or 0 on failure.
    // When buffer is too small, returns the size needed (NUL included).
    virtual std::uint32_t GetShortPathName(std::string_view path, std::span<char> buffer) = 0;

    // Folder that holds the settings file, without a trailing separator.
    virtual std::string SettingsFolder() = 0;

    // Folder that holds the two work bitmaps, without a trailing separator.
    virtual std::string WorkFolder() = 0;
};

}  // namespace nuvra::platform
