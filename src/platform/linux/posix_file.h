// Small POSIX helpers shared by the Linux services: an owned file
// descriptor, and the check that a path reaches the kernel intact.
#pragma once

#include <unistd.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace nuvra::linux_platform {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
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

}  // namespace nuvra::linux_platform
