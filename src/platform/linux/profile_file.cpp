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

#include "platform/linux/profile_text.h"
#include "platform/linux/posix_file.h"

namespace nuvra::linux_platform {

namespace {

// A settings file is a few hundred bytes; anything this large is not one, and
// reading it would only cost memory.
constexpr std::uint64_t kMaxProfileBytes = 64ull * 1024 * 1024;

// New files: rw-r--r--, like any file an editor would create.
constexpr mode_t kNewFileMode = 0644;
// New folders: private, as the XDG folders are meant to be.
constexpr mode_t kNewFolderMode = 0700;


enum class ReadStatus { Read, Missing, Failed };

struct FileContents {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes;
    struct stat info {};
};


FileContents ReadFileContents(const std::string& path)
{
    FileContents contents;
    // stat before open: opening a FIFO or a device could block or rewind it.
    if (::stat(path.c_str(), &contents.info) != 0) {
        contents.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
        return contents;
    }
    if (!S_ISREG(contents.info.st_mode) || static_cast<std::uint64_t>(contents.info.st_size) > kMaxProfileBytes)
        return contents;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid() || ::fstat(fd.get(), &contents.info) != 0 || !S_ISREG(contents.info.st_mode))
        return contents;

    contents.bytes.reserve(static_cast<std::size_t>(contents.info.st_size));
    std::array<char, 65536> chunk;
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return contents;
        if (got == 0)
            break;
        // The file may have grown since fstat.
        if (contents.bytes.size() + static_cast<std::uint64_t>(got) > kMaxProfileBytes)
            return contents;
        contents.bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
    contents.status = ReadStatus::Read;
    return contents;
}

// mkdir -p; a part that exists must be a folder (or a link to one).
bool CreateFolders(const std::string& folder)
{
    for (std::size_t end = 1; end <= folder.size(); ++end) {
        if (end < folder.size() && folder[end] != '/')
            continue;
        const std::string part = folder.substr(0, end);
        struct stat info {};
        if (::stat(part.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                return false;
            continue;
        }
        if (::mkdir(part.c_str(), kNewFolderMode) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// A link to a settings file is kept a link: the write goes to the file it
// points at, not over the link.
std::optional<std::string> ResolveLink(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    std::array<char, PATH_MAX> resolved;
    if (::realpath(path.c_str(), resolved.data()) == nullptr)
        return std::nullopt;  // a dangling link: there is no file to replace
    return std::string(resolved.data());
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

bool WriteValue(std::string_view section, std::string_view key, std::string_view value, std::string_view file_name)
{
    const std::optional<std::string> named = ToKernelPath(file_name);
    if (!named)
        return false;
    const std::optional<std::string> target = ResolveLink(*named);
    if (!target)
        return false;

    const FileContents old_file = ReadFileContents(*target);
    // A file we could not read in full is never replaced: its contents would
    // be lost. And rename would happily replace a read-only file, so its
    // write permission is checked here.
    if (old_file.status == ReadStatus::Failed)
        return false;
    if (old_file.status == ReadStatus::Read && ::access(target->c_str(), W_OK) != 0)
        return false;
    if (old_file.status == ReadStatus::Missing && !CreateFolders(ParentFolderOf(*target)))
        return false;

    const DecodedProfile decoded = DecodeProfileBytes(old_file.bytes);
    const std::optional<std::string> text = SetValue(decoded.text, section, key, EscapeProfileValue(value));
    if (!text)
        return false;
    if (!decoded.has_bom)
        return ReplaceFile(*target, *text, old_file);
    std::string bytes(kUtf8Bom);
    bytes += *text;
    return ReplaceFile(*target, bytes, old_file);
}

}  // namespace

std::uint32_t LinuxProfileFile::GetPrivateProfileString(std::string_view section, std::string_view key,
                                                        std::string_view default_value, std::span<char> buffer,
                                                        std::string_view file_name)
{
    try {
        if (const std::optional<std::string> path = ToKernelPath(file_name)) {
            const FileContents file = ReadFileContents(*path);
            if (file.status == ReadStatus::Read) {
                const DecodedProfile decoded = DecodeProfileBytes(file.bytes);
                if (const std::optional<std::string_view> value = FindValue(decoded.text, section, key))
                    return CopyProfileValue(UnescapeProfileValue(*value), buffer);
            }
        }
    } catch (const std::exception&) {
        // Only allocation can fail here (a large file in a small memory): as
        // with any unreadable file, the caller gets its default.
    }
    return CopyProfileValue(default_value, buffer);
}

std::int32_t LinuxProfileFile::WritePrivateProfileString(std::string_view section, std::string_view key,
                                                         std::string_view value, std::string_view file_name)
{
    try {
        return WriteValue(section, key, value, file_name) ? 1 : 0;
    } catch (const std::exception&) {
        // Only allocation can fail here; the old file is still untouched.
        return 0;
    }
}

}  // namespace nuvra::linux_platform
