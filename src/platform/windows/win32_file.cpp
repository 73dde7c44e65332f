#include "platform/windows/win32_file.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cwctype>

#include "platform/windows/wide_text.h"

namespace nuvra::windows_platform {

bool FileHandle::Close()
{
    if (!valid())
        return true;
    const bool closed = CloseHandle(m_handle) != 0;
    m_handle = INVALID_HANDLE_VALUE;
    return closed;
}

std::string SystemReason(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
    if (text != nullptr)
        LocalFree(text);
    while (!reason.empty() && (std::iswspace(reason.back()) || reason.back() == L'.'))
        reason.pop_back();
    if (reason.empty())
        return "System error " + std::to_string(error);
    return Utf8FromWide(reason);
}

std::wstring ParentFolderOf(std::wstring_view path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring_view::npos)
        return {};
    return std::wstring(path.substr(0, separator));
}

std::wstring JoinWide(std::wstring_view folder, std::wstring_view name)
{
    std::wstring joined(folder);
    if (!joined.empty() && joined.back() != L'\\' && joined.back() != L'/')
        joined += L'\\';
    joined += name;
    return joined;
}

namespace {

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A name of our own beside target for each new file: the process and a
// counter, so two writers never meet.
std::wstring TemporaryNameBeside(const std::wstring& target)
{
    static std::atomic<unsigned> counter{0};
    return target + L".nuvra-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L".tmp";
}

DWORD WriteAll(HANDLE file, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr))
            return GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        bytes = bytes.subspan(written);
    }
    return ERROR_SUCCESS;
}

}  // namespace

std::optional<std::string> CreateFolders(const std::wstring& folder)
{
    if (folder.empty() || IsFolder(folder))
        return std::nullopt;
    const std::wstring parent = ParentFolderOf(folder);
    // A drive ("C:") or a share's root ends the climb: it cannot be made.
    if (!parent.empty() && parent.size() < folder.size() && parent.back() != L':') {
        if (std::optional<std::string> failure = CreateFolders(parent))
            return failure;
    }
    if (CreateDirectoryW(folder.c_str(), nullptr) || (GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(folder)))
        return std::nullopt;
    const DWORD error = GetLastError();
    return SystemReason(error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : error);
}

bool CanCreateFilesIn(const std::wstring& folder)
{
    if (!IsFolder(folder))
        return false;
    const std::wstring probe = TemporaryNameBeside(JoinWide(folder, L"Nuvra"));
    FileHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.valid();
}

DWORD ReplaceFileAtomically(const std::wstring& target, std::span<const std::uint8_t> bytes, Durability durability,
                            DWORD attributes)
{
    const std::wstring temporary = TemporaryNameBeside(target);
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return GetLastError();
    DWORD error = WriteAll(file.get(), bytes);
    if (error == ERROR_SUCCESS && durability == Durability::kOnDisk && !FlushFileBuffers(file.get()))
        error = GetLastError();
    if (!file.Close() && error == ERROR_SUCCESS)
        error = GetLastError();
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS)
        DeleteFileW(temporary.c_str());
    return error;
}

}  // namespace nuvra::windows_platform
