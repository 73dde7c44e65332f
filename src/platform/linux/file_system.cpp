#include "platform/linux/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/linux/xdg.h"
#include "platform/linux/posix_file.h"

namespace nuvra::linux_platform {

namespace {

using platform::FolderEntry;
using platform::FolderListing;



struct DirectoryCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirectoryHandle = std::unique_ptr<DIR, DirectoryCloser>;

// Whether this process may write a file, from its mode bits and our
// effective identity, as the kernel decides it (minus ACLs). Gathered once
// per listing so that each entry costs one stat and no further call.
class WriteAccess {
public:
    explicit WriteAccess(int folder_fd)
        : m_uid(::geteuid()), m_gid(::getegid())
    {
        struct statvfs volume {};
        // Files on a read-only mount (a CD, a locked share) are read-only
        // whatever their bits say, as Windows shows the files of a CD.
        m_read_only_mount = ::fstatvfs(folder_fd, &volume) == 0 && (volume.f_flag & ST_RDONLY) != 0;
        const int count = ::getgroups(0, nullptr);
        if (count > 0) {
            m_groups.resize(static_cast<std::size_t>(count));
            const int got = ::getgroups(count, m_groups.data());
            m_groups.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        }
    }

    bool Writable(const struct stat& st) const
    {
        if (m_read_only_mount)
            return false;
        if (m_uid == 0)
            return true;
        if (st.st_uid == m_uid)
            return (st.st_mode & S_IWUSR) != 0;
        if (st.st_gid == m_gid || std::find(m_groups.begin(), m_groups.end(), st.st_gid) != m_groups.end())
            return (st.st_mode & S_IWGRP) != 0;
        return (st.st_mode & S_IWOTH) != 0;
    }

private:
    uid_t m_uid;
    gid_t m_gid;
    std::vector<gid_t> m_groups;
    bool m_read_only_mount = false;
};

// access null: a regular file is taken as writable.
std::uint32_t AttributesOfStat(const struct stat& st, const WriteAccess* access)
{
    if (S_ISDIR(st.st_mode))
        return platform::kAttributeDirectory;
    if (S_ISREG(st.st_mode))
        return access == nullptr || access->Writable(st) ? platform::kAttributeArchive : platform::kAttributeReadOnly;
    return platform::kAttributeSystem;
}

// The attribute value of one directory entry, or nothing when the entry is
// gone by the time we look (deleted since readdir, or a dangling symlink).
// access null: a regular file is taken as writable, without a stat.
std::optional<std::uint32_t> AttributesOf(int folder_fd, const dirent& entry, const WriteAccess* access)
{
    const std::uint32_t hidden = entry.d_name[0] == '.' ? platform::kAttributeHidden : 0u;
    switch (entry.d_type) {
    case DT_REG:
        if (access == nullptr)
            return platform::kAttributeArchive | hidden;
        break;
    case DT_DIR:
        return platform::kAttributeDirectory | hidden;
    case DT_FIFO:
    case DT_SOCK:
    case DT_CHR:
    case DT_BLK:
        return platform::kAttributeSystem | hidden;
    default:
        break;  // regular files need their mode; links and unknowns their target
    }
    struct stat st {};
    if (::fstatat(folder_fd, entry.d_name, &st, 0) != 0)
        return std::nullopt;
    return AttributesOfStat(st, access) | hidden;
}

}  // namespace

FolderListing LinuxFileSystem::ListFolder(std::string_view folder)
{
    return List(folder, true);
}

FolderListing LinuxFileSystem::ListFolderTypes(std::string_view folder)
{
    return List(folder, false);
}

FolderListing LinuxFileSystem::List(std::string_view folder, bool with_write_access)
{
    FolderListing listing;
    const std::optional<std::string> path = ToKernelPath(folder);
    if (!path)
        return listing;
    FileDescriptor fd(::open(path->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        return listing;
    std::optional<WriteAccess> access;
    if (with_write_access)
        access.emplace(fd.get());
    DirectoryHandle dir(::fdopendir(fd.get()));
    if (!dir)
        return listing;
    const int folder_fd = fd.release();  // the DIR owns it now
    listing.opened = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            // End of the folder, or it went away under us: keep what we have.
            listing.complete = errno == 0;
            break;
        }
        if (const std::optional<std::uint32_t> attributes = AttributesOf(folder_fd, *entry, access ? &*access : nullptr))
            listing.entries.push_back(FolderEntry{entry->d_name, *attributes});
    }
    return listing;
}

bool LinuxFileSystem::CanOpenForReading(std::string_view path)
{
    const std::optional<std::string> kernel_path = ToKernelPath(path);
    if (!kernel_path)
        return false;
    // Non-blocking so a fifo answers at once; no controlling terminal from a
    // tty device.
    const FileDescriptor fd(::open(kernel_path->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return false;
    struct stat st {};
    return ::fstat(fd.get(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool LinuxFileSystem::DeleteFile(std::string_view path)
{
    const std::optional<std::string> kernel_path = ToKernelPath(path);
    return kernel_path && ::unlink(kernel_path->c_str()) == 0;
}

bool LinuxFileSystem::ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes)
{
    return ReplaceFileAtomically(path, bytes, {}, Durability::kCached);
}

std::uint32_t LinuxFileSystem::GetShortPathName(std::string_view path, std::span<char> buffer)
{
    const std::optional<std::string> kernel_path = ToKernelPath(path);
    // A quote inside the name would end the quoted form early and let the
    // rest of the name be read as media-player commands.
    if (!kernel_path || path.find('"') != std::string_view::npos)
        return 0;
    struct stat st {};
    if (::stat(kernel_path->c_str(), &st) != 0)
        return 0;
    const std::size_t length = path.size() + 2;
    if (length >= std::numeric_limits<std::uint32_t>::max())
        return 0;
    if (buffer.size() < length + 1)
        return static_cast<std::uint32_t>(length + 1);
    buffer[0] = '"';
    std::memcpy(buffer.data() + 1, path.data(), path.size());
    buffer[length - 1] = '"';
    buffer[length] = '\0';
    return static_cast<std::uint32_t>(length);
}

std::string LinuxFileSystem::SettingsFolder()
{
    return ConfigFolder();
}

std::string LinuxFileSystem::WorkFolder()
{
    // With no folder at all the work files simply cannot be written, which
    // each picture step already survives.
    return UsableFolder(CacheFolder()).value_or(CacheFolder());
}

}  // namespace nuvra::linux_platform
