#include "platform/windows/file_system.h"

#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"
#include "platform/windows/win32_file.h"

namespace nuvra::windows_platform {

namespace {

using platform::FolderEntry;
using platform::FolderListing;

constexpr DWORD kKnownAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : m_handle(handle) {}
    ~FindHandle()
    {
        if (valid())
            FindClose(m_handle);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

FolderEntry EntryOf(const WIN32_FIND_DATAW& data)
{
    return {Utf8FromWide(data.cFileName), ListedAttributes(data.dwFileAttributes)};
}

}  // namespace

std::uint32_t ListedAttributes(std::uint32_t system_attributes)
{
    return system_attributes & kKnownAttributes;
}

WindowsFileSystem::WindowsFileSystem(ProgramFolders folders, FolderCheck can_write)
    : m_folders(std::move(folders)), m_can_write(std::move(can_write))
{
    if (!m_can_write) {
        m_can_write = [](const std::string& folder) {
            const std::optional<std::wstring> wide = WideFromUtf8(folder);
            return wide && CanCreateFilesIn(*wide);
        };
    }
}

FolderListing WindowsFileSystem::ListFolder(std::string_view folder)
{
    FolderListing listing;
    const std::optional<std::wstring> wide = WideFromUtf8(folder);
    if (!wide || wide->empty())
        return listing;
    const std::wstring pattern = JoinWide(*wide, L"*");
    WIN32_FIND_DATAW data{};
    // The basic information leaves out the 8.3 name, which nobody here reads.
    FindHandle find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
    if (!find.valid()) {
        // A drive's root may hold nothing at all, not even "." and "..".
        if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            listing.opened = true;
            listing.complete = true;
        }
        return listing;
    }
    listing.opened = true;
    listing.entries.push_back(EntryOf(data));
    while (FindNextFileW(find.get(), &data))
        listing.entries.push_back(EntryOf(data));
    listing.complete = GetLastError() == ERROR_NO_MORE_FILES;
    return listing;
}

std::optional<std::string> WindowsFileSystem::FolderIdentity(std::string_view folder)
{
    const std::optional<std::wstring> wide = WideFromUtf8(folder);
    if (!wide || wide->empty())
        return std::nullopt;
    // A folder opens only with FILE_FLAG_BACKUP_SEMANTICS; a junction or a
    // link is followed to its target.
    const FileHandle handle(CreateFileW(wide->c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle.valid() || !GetFileInformationByHandle(handle.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return std::nullopt;
    return std::to_string(info.dwVolumeSerialNumber) + ":" +
           std::to_string(static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow);
}

bool WindowsFileSystem::CanOpenForReading(std::string_view path)
{
    const std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide || wide->empty())
        return false;
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open: only a file
    // answers yes.
    const FileHandle file(CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

bool WindowsFileSystem::DeleteFile(std::string_view path)
{
    const std::optional<std::wstring> wide = WideFromUtf8(path);
    return wide && !wide->empty() && DeleteFileW(wide->c_str());
}

bool WindowsFileSystem::ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes)
{
    const std::optional<std::wstring> wide = WideFromUtf8(path);
    return wide && !wide->empty() && ReplaceFileAtomically(*wide, bytes, Durability::kCached) == ERROR_SUCCESS;
}

std::uint32_t WindowsFileSystem::GetShortPathName(std::string_view path, std::span<char> buffer)
{
    const std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide || wide->empty())
        return 0;
    const DWORD needed = GetShortPathNameW(wide->c_str(), nullptr, 0);
    if (needed == 0)
        return 0;
    std::vector<wchar_t> short_path(needed);
    const DWORD length = GetShortPathNameW(wide->c_str(), short_path.data(), needed);
    if (length == 0 || length >= needed)
        return 0;
    const std::string quoted = "\"" + Utf8FromWide(std::wstring_view(short_path.data(), length)) + "\"";
    if (quoted.size() >= std::numeric_limits<std::uint32_t>::max())
        return 0;
    if (buffer.size() < quoted.size() + 1)
        return static_cast<std::uint32_t>(quoted.size() + 1);
    std::memcpy(buffer.data(), quoted.data(), quoted.size());
    buffer[quoted.size()] = '\0';
    return static_cast<std::uint32_t>(quoted.size());
}

std::string WindowsFileSystem::FolderBesideProgramOr(const std::string& fallback)
{
    if (fallback.empty() || (!m_folders.program.empty() && m_can_write(m_folders.program)))
        return m_folders.program;
    return fallback;
}

std::string WindowsFileSystem::SettingsFolder()
{
    return FolderBesideProgramOr(m_folders.settings);
}

std::string WindowsFileSystem::WorkFolder()
{
    const std::string folder = FolderBesideProgramOr(m_folders.work);
    // With no folder at all the work files simply cannot be written, which
    // each picture step already survives.
    if (const std::optional<std::wstring> wide = WideFromUtf8(folder); wide && folder != m_folders.program)
        CreateFolders(*wide);
    return folder;
}

}  // namespace nuvra::windows_platform
