#include "platform/linux/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <system_error>

#include "platform/common/profile_text.h"
#include "platform/linux/cp932_text.h"
#include "platform/linux/posix_file.h"

namespace nuvra::linux_platform {

namespace {

using namespace common_platform;

// A settings file is a few hundred bytes; anything this large is not one, and
// reading it would only cost memory.
constexpr std::uint64_t kMaxProfileBytes = 64ull * 1024 * 1024;

// New files: rw-r--r--, like any file an editor would create.
constexpr mode_t kNewFileMode = 0644;
// New folders: private, as the XDG folders are meant to be.
constexpr mode_t kNewFolderMode = 0700;

using platform::ProfileWriteResult;

// The system's words for an error number ("Permission denied"): what a
// refused write tells the user, after the file's name.
std::string SystemReason(int error)
{
    return std::generic_category().message(error);
}

ProfileWriteResult Refused(std::string reason)
{
    return {false, std::move(reason)};
}

enum class ReadStatus { Read, Missing, Failed };

struct FileContents {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes;
    struct stat info {};
    std::string failure;  // why, when Failed
};

// Why a file of this kind is no settings file to read or replace.
std::optional<std::string> NotAProfile(const struct stat& info)
{
    if (S_ISDIR(info.st_mode))
        return SystemReason(EISDIR);
    if (!S_ISREG(info.st_mode))
        return "Is not a regular file";
    if (static_cast<std::uint64_t>(info.st_size) > kMaxProfileBytes)
        return SystemReason(EFBIG);
    return std::nullopt;
}

FileContents Failed(FileContents contents, std::string failure)
{
    contents.failure = std::move(failure);
    return contents;
}

FileContents ReadFileContents(const std::string& path)
{
    FileContents contents;
    // stat before open: opening a FIFO or a device could block or rewind it.
    if (::stat(path.c_str(), &contents.info) != 0) {
        if (errno != ENOENT)
            return Failed(std::move(contents), SystemReason(errno));
        contents.status = ReadStatus::Missing;
        return contents;
    }
    if (std::optional<std::string> failure = NotAProfile(contents.info))
        return Failed(std::move(contents), std::move(*failure));
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid() || ::fstat(fd.get(), &contents.info) != 0)
        return Failed(std::move(contents), SystemReason(errno));
    if (std::optional<std::string> failure = NotAProfile(contents.info))
        return Failed(std::move(contents), std::move(*failure));

    contents.bytes.reserve(static_cast<std::size_t>(contents.info.st_size));
    std::array<char, 65536> chunk;
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Failed(std::move(contents), SystemReason(errno));
        if (got == 0)
            break;
        // The file may have grown since fstat.
        if (contents.bytes.size() + static_cast<std::uint64_t>(got) > kMaxProfileBytes)
            return Failed(std::move(contents), SystemReason(EFBIG));
        contents.bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
    contents.status = ReadStatus::Read;
    return contents;
}

// mkdir -p; a part that exists must be a folder (or a link to one). Why it
// failed, or nothing.
std::optional<std::string> CreateFolders(const std::string& folder)
{
    for (std::size_t end = 1; end <= folder.size(); ++end) {
        if (end < folder.size() && folder[end] != '/')
            continue;
        const std::string part = folder.substr(0, end);
        struct stat info {};
        if (::stat(part.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                return SystemReason(ENOTDIR);
            continue;
        }
        if (::mkdir(part.c_str(), kNewFolderMode) != 0 && errno != EEXIST)
            return SystemReason(errno);
    }
    return std::nullopt;
}

struct LinkTarget {
    std::optional<std::string> path;  // nothing: no file to replace
    std::string failure;
};

// A link to a settings file is kept a link: the write goes to the file it
// points at, not over the link.
LinkTarget ResolveLink(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return {path, {}};
    std::array<char, PATH_MAX> resolved;
    if (::realpath(path.c_str(), resolved.data()) == nullptr)
        return {std::nullopt, errno == ENOENT ? "Is a link to a missing file" : SystemReason(errno)};
    return {std::string(resolved.data()), {}};
}

bool ReplaceFile(const std::string& target, std::string_view text, const FileContents& old_file)
{
    NewFileAttributes attributes;
    attributes.mode = kNewFileMode;
    if (old_file.status == ReadStatus::Read) {
        attributes.mode = old_file.info.st_mode & 07777;
        // When root edits a user's file, the user must still own it.
        attributes.owner = std::pair{old_file.info.st_uid, old_file.info.st_gid};
    }
    // The user's settings must survive a power cut right after they were saved.
    return ReplaceFileAtomically(target, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                                 attributes, Durability::kOnDisk);
}

ProfileWriteResult WriteValue(std::string_view section, std::string_view key, std::string_view value,
                              std::string_view file_name)
{
    const std::optional<std::string> named = ToKernelPath(file_name);
    if (!named)
        return Refused("Is not a usable file name");
    const LinkTarget link = ResolveLink(*named);
    if (!link.path)
        return Refused(link.failure);
    const std::string& target = *link.path;

    const FileContents old_file = ReadFileContents(target);
    // A file we could not read in full is never replaced: its contents would
    // be lost. And rename would happily replace a read-only file, so its
    // write permission is checked here.
    if (old_file.status == ReadStatus::Failed)
        return Refused(old_file.failure);
    if (old_file.status == ReadStatus::Read && ::access(target.c_str(), W_OK) != 0)
        return Refused(SystemReason(errno));
    if (old_file.status == ReadStatus::Missing) {
        if (std::optional<std::string> failure = CreateFolders(ParentFolderOf(target)))
            return Refused(std::move(*failure));
    }

    const DecodedProfile decoded = DecodeProfileBytes(old_file.bytes, Cp932ToUtf8);
    std::optional<std::string> text = SetValue(decoded.text, section, key, EscapeProfileValue(value));
    if (!text)
        return Refused(UnwritableReason(value));
    if (decoded.has_bom)
        text->insert(0, kUtf8Bom);
    if (!ReplaceFile(target, *text, old_file))
        return Refused(SystemReason(errno));
    return {true, {}};
}

}  // namespace

std::uint32_t LinuxProfileFile::GetPrivateProfileString(std::string_view section, std::string_view key,
                                                        std::string_view default_value, std::span<char> buffer,
                                                        std::string_view file_name)
{
    auto read = [&]() -> std::optional<std::string> {
        const std::optional<std::string> path = ToKernelPath(file_name);
        if (!path)
            return std::nullopt;
        FileContents file = ReadFileContents(*path);
        if (file.status != ReadStatus::Read)
            return std::nullopt;
        return std::move(file.bytes);
    };
    return ReadProfileValue(read, section, key, default_value, buffer, Cp932ToUtf8);
}

platform::ProfileWriteResult LinuxProfileFile::WritePrivateProfileString(std::string_view section,
                                                                         std::string_view key, std::string_view value,
                                                                         std::string_view file_name)
{
    try {
        return WriteValue(section, key, value, file_name);
    } catch (const std::exception&) {
        // Only allocation can fail here; the old file is still untouched.
        return Refused(SystemReason(ENOMEM));
    }
}

}  // namespace nuvra::linux_platform
