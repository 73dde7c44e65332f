#include "platform/windows/profile_file.h"

#include <exception>
#include <optional>

#include "platform/common/profile_text.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"
#include "platform/windows/win32_file.h"

namespace nuvra::windows_platform {

namespace {

using namespace common_platform;
using platform::ProfileWriteResult;

// A settings file is a few hundred bytes; anything this large is not one, and
// reading it would only cost memory.
constexpr std::uint64_t kMaxProfileBytes = 64ull * 1024 * 1024;

ProfileWriteResult Refused(std::string reason)
{
    return {false, std::move(reason)};
}

enum class ReadStatus { Read, Missing, Failed };

struct FileContents {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes;
    DWORD attributes = 0;
    std::string failure;  // why, when Failed
};

FileContents Failed(std::string failure)
{
    FileContents contents;
    contents.failure = std::move(failure);
    return contents;
}

FileContents ReadFileContents(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA information{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &information)) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return Failed(SystemReason(error));
        FileContents missing;
        missing.status = ReadStatus::Missing;
        return missing;
    }
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Failed("Is a folder");
    const std::uint64_t size = (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
    if (size > kMaxProfileBytes)
        return Failed(SystemReason(ERROR_FILE_TOO_LARGE));

    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return Failed(SystemReason(GetLastError()));
    FileContents contents;
    contents.attributes = information.dwFileAttributes;
    contents.bytes.reserve(static_cast<std::size_t>(size));
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr))
            return Failed(SystemReason(GetLastError()));
        if (got == 0)
            break;
        // The file may have grown since its size was read.
        if (contents.bytes.size() + got > kMaxProfileBytes)
            return Failed(SystemReason(ERROR_FILE_TOO_LARGE));
        contents.bytes.append(chunk, got);
    }
    contents.status = ReadStatus::Read;
    return contents;
}

// The same name in the seed folder, when that is another file.
std::optional<std::wstring> SeedPathFor(const std::wstring& path, const std::string& seed_folder)
{
    if (seed_folder.empty())
        return std::nullopt;
    const std::optional<std::wstring> folder = WideFromUtf8(seed_folder);
    if (!folder)
        return std::nullopt;
    const std::size_t separator = path.find_last_of(L"\\/");
    const std::wstring seed = JoinWide(*folder, separator == std::wstring::npos ? path : path.substr(separator + 1));
    if (CompareStringOrdinal(seed.c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL)
        return std::nullopt;
    return seed;
}

// The file's contents, or the seed copy's when the file is missing.
FileContents ReadOrSeed(const std::wstring& path, const std::string& seed_folder)
{
    FileContents contents = ReadFileContents(path);
    if (contents.status != ReadStatus::Missing)
        return contents;
    if (const std::optional<std::wstring> seed = SeedPathFor(path, seed_folder)) {
        FileContents seeded = ReadFileContents(*seed);
        if (seeded.status == ReadStatus::Read)
            return {ReadStatus::Missing, std::move(seeded.bytes), 0, {}};
    }
    return contents;
}

// Every line break as CRLF, whatever the file had before.
std::string WithCrlf(std::string_view text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            result.append("\r\n");
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        result.push_back(text[i]);
    }
    return result;
}

ProfileWriteResult WriteValue(std::string_view section, std::string_view key, std::string_view value,
                              std::string_view file_name, const std::string& seed_folder)
{
    const std::optional<std::wstring> path = WideFromUtf8(file_name);
    if (!path || path->empty())
        return Refused("Is not a usable file name");

    const FileContents old_file = ReadOrSeed(*path, seed_folder);
    // A file we could not read in full is never replaced: its contents would
    // be lost. MoveFileExW would refuse a read-only file anyway, but only
    // after the new file was written beside it.
    if (old_file.status == ReadStatus::Failed)
        return Refused(old_file.failure);
    if (old_file.status == ReadStatus::Read && (old_file.attributes & FILE_ATTRIBUTE_READONLY))
        return Refused(SystemReason(ERROR_ACCESS_DENIED));
    if (old_file.status == ReadStatus::Missing) {
        if (std::optional<std::string> failure = CreateFolders(ParentFolderOf(*path)))
            return Refused(std::move(*failure));
    }

    const DecodedProfile decoded = DecodeProfileBytes(old_file.bytes, Cp932ToUtf8);
    const std::optional<std::string> text =
        SetValue(decoded.text, section, key, EscapeProfileValue(value, Cp932Holds), "\r\n");
    if (!text)
        return Refused(UnwritableReason(value));
    const std::string lines = WithCrlf(*text);
    std::string bytes;
    if (std::optional<std::string> cp932 = Utf8ToCp932(lines))
        bytes = std::move(*cp932);
    else
        bytes = std::string(kUtf8Bom) + lines;

    // The file keeps its hidden, system and archive marks.
    const DWORD attributes =
        old_file.status == ReadStatus::Read
            ? old_file.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE)
            : 0;
    // The user's settings must survive a power cut right after they were saved.
    const DWORD error = ReplaceFileAtomically(
        *path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), Durability::kOnDisk,
        attributes);
    if (error != ERROR_SUCCESS)
        return Refused(SystemReason(error));
    return {true, {}};
}

}  // namespace

WindowsProfileFile::WindowsProfileFile(std::string seed_folder) : m_seed_folder(std::move(seed_folder)) {}

std::uint32_t WindowsProfileFile::GetPrivateProfileString(std::string_view section, std::string_view key,
                                                          std::string_view default_value, std::span<char> buffer,
                                                          std::string_view file_name)
{
    auto read = [&]() -> std::optional<std::string> {
        const std::optional<std::wstring> path = WideFromUtf8(file_name);
        if (!path || path->empty())
            return std::nullopt;
        FileContents file = ReadOrSeed(*path, m_seed_folder);
        if (file.status == ReadStatus::Failed)
            return std::nullopt;
        return std::move(file.bytes);
    };
    return ReadProfileValue(read, section, key, default_value, buffer, Cp932ToUtf8);
}

platform::ProfileWriteResult WindowsProfileFile::WritePrivateProfileString(std::string_view section,
                                                                           std::string_view key,
                                                                           std::string_view value,
                                                                           std::string_view file_name)
{
    try {
        return WriteValue(section, key, value, file_name, m_seed_folder);
    } catch (const std::exception&) {
        // Only allocation can fail here; the old file is still untouched.
        return Refused(SystemReason(ERROR_NOT_ENOUGH_MEMORY));
    }
}

}  // namespace nuvra::windows_platform
