// Small POSIX helpers shared by the Linux services: an owned file
// descriptor, the check that a path reaches the kernel intact, and the one
// way every file of ours is written (the settings file, the work files):
// replaced whole, in one step; the settings file also on the disk before the
// call returns.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace nuvra::linux_platform {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    // Leaves errno alone: a call that failed with the descriptor open still
    // says why after it is gone.
    ~FileDescriptor()
    {
        if (m_fd < 0)
            return;
        const int error = errno;
        ::close(m_fd);
        errno = error;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Hands the descriptor to a new owner (fdopendir, for one).
    int release() { return std::exchange(m_fd, -1); }
    // close() can report a delayed write error (NFS), so a writer checks it.
    bool Close() { return ::close(release()) == 0; }

private:
    int m_fd;
};

// A path with a NUL in it would quietly name a different, shorter path, so
// it names nothing; so does the empty path.
inline std::optional<std::string> ToKernelPath(std::string_view path)
{
    if (path.empty() || path.find('\0') != std::string_view::npos)
        return std::nullopt;
    return std::string(path);
}

// The folder part of a path: "." for a bare name, "/" for a name in the root.
std::string ParentFolderOf(const std::string& path);

// What a replacing file is made with: its permission bits, and the owner to
// give it (the old file's, where root writes a user's file; best effort).
struct NewFileAttributes {
    mode_t mode = 0644;
    std::optional<std::pair<uid_t, gid_t>> owner;
};

// How far a replacement has gone when the call returns.
enum class Durability {
    // On the disk, the folder's entry included: a power cut right after the
    // call brings back neither the old file nor an empty one. For what the
    // user keeps (the settings file).
    kOnDisk,
    // In the system's cache; the disk gets it when the system writes back.
    // For the program's own temporary files (the work files), rewritten at
    // every picture change and deleted at the end: waiting for the disk
    // there would only stall the show.
    kCached,
};

// Replaces the file at path with bytes: written to a temporary file beside
// it and renamed over path (for kOnDisk, the file is flushed before and the
// folder after the rename). A reader sees the old file or the new one,
// never half of one; a failure leaves the old file as it was, no temporary
// file behind, and errno saying why. A link at path is replaced by the file,
// so a caller that must keep links resolves them first.
bool ReplaceFileAtomically(std::string_view path, std::span<const std::uint8_t> bytes,
                           const NewFileAttributes& attributes = {}, Durability durability = Durability::kOnDisk);

}  // namespace nuvra::linux_platform
