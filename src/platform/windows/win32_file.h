// Files through Win32 for the Windows backend: an owner for file handles,
// whole-file reads, replacing a file in one step, creating folders, the
// system's words for an error. Paths are UTF-16, as the ...W calls take them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/windows/win32.h"

namespace nuvra::windows_platform {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE get() const { return m_handle; }
    // Closes now; false when closing failed (a write the system could not
    // finish).
    bool Close();

private:
    HANDLE m_handle;
};

// The system's own sentence for a Win32 error code ("Access is denied"),
// without its closing full stop and line break; the code in words when the
// system has none.
std::string SystemReason(DWORD error);

// path with the folder part before its last '\' or '/' (none: empty).
std::wstring ParentFolderOf(std::wstring_view path);
std::wstring JoinWide(std::wstring_view folder, std::wstring_view name);

// Creates folder and the folders above it that are missing. Nothing when it
// exists afterwards (as a folder), else the system's reason.
std::optional<std::string> CreateFolders(const std::wstring& folder);

// Whether a new file can be created in folder now: a probe file made and
// removed at once. The only test that answers for permissions, a read-only
// medium and a full quota alike.
bool CanCreateFilesIn(const std::wstring& folder);

enum class Durability {
    kCached,  // the new contents may still sit in the system's cache
    kOnDisk,  // flushed to the disk before the old file is replaced
};

// Writes bytes to a new file beside target and moves it over target in one
// step (MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH):
// a reader sees the old file or the whole new one. The new file gets
// attributes (0: the system's default). On failure nothing of ours is
// left behind and the returned code says why; ERROR_SUCCESS on success.
DWORD ReplaceFileAtomically(const std::wstring& target, std::span<const std::uint8_t> bytes, Durability durability,
                            DWORD attributes = 0);

}  // namespace nuvra::windows_platform
