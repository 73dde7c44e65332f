#include "platform/linux/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
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

// FNV-1a in hex: the same path always gets the same link name, so a link
// left by a show that could not clean up (the display lost) is reused, not
// piled up.
std::string NameHash(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    std::array<char, 16> digits;
    const auto end = std::to_chars(digits.begin(), digits.end(), hash, 16).ptr;
    return std::string(digits.begin(), end);
}

// ".mp3" of ".../song.mp3": a link keeps the ending a reader of the name
// expects; nothing when the ending is not plain letters and digits.
std::string PlainExtension(std::string_view path)
{
    const std::string_view name = path.substr(path.find_last_of('/') + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot > 8)
        return {};
    const std::string_view extension = name.substr(dot + 1);
    const bool plain = !extension.empty() && std::all_of(extension.begin(), extension.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
    return plain ? "." + std::string(extension) : std::string();
}

std::optional<std::string> LinkTarget(const std::string& link)
{
    std::array<char, 4096> target;
    const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size())
        return std::nullopt;
    return std::string(target.data(), static_cast<std::size_t>(length));
}

}  // namespace

LinuxFileSystem::~LinuxFileSystem()
{
    for (const std::string& link : m_links)
        ::unlink(link.c_str());
}

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

std::optional<std::string> LinuxFileSystem::FolderIdentity(std::string_view folder)
{
    const std::optional<std::string> path = ToKernelPath(folder);
    struct stat st {};
    if (!path || ::stat(path->c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
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

std::optional<std::string> LinuxFileSystem::LinkWithoutQuotes(const std::string& path)
{
    const std::string folder = WorkFolder();
    const std::string link = folder + "/Tmp_nuvra_music_" + NameHash(path) + PlainExtension(path);
    if (link.find('"') != std::string::npos)
        return std::nullopt;
    if (::symlink(path.c_str(), link.c_str()) != 0) {
        // The name is taken: by our own link to this path (made before, or
        // left over), or, as good as never, by something else.
        if (errno != EEXIST)
            return std::nullopt;
        if (LinkTarget(link) != path && (::unlink(link.c_str()) != 0 || ::symlink(path.c_str(), link.c_str()) != 0))
            return std::nullopt;
    }
    m_links.insert(link);
    return link;
}

std::uint32_t LinuxFileSystem::GetShortPathName(std::string_view path, std::span<char> buffer)
{
    std::optional<std::string> kernel_path = ToKernelPath(path);
    if (!kernel_path)
        return 0;
    struct stat st {};
    if (::stat(kernel_path->c_str(), &st) != 0)
        return 0;
    if (kernel_path->find('"') != std::string::npos) {
        // A link's target is read from the link's own folder.
        if (kernel_path->front() != '/') {
            std::array<char, 4096> current;
            if (::getcwd(current.data(), current.size()) == nullptr)
                return 0;
            kernel_path = std::string(current.data()) + "/" + *kernel_path;
        }
        kernel_path = LinkWithoutQuotes(*kernel_path);
        if (!kernel_path)
            return 0;
        path = *kernel_path;
    }
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
