#include "platform/linux/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace nuvra::linux_platform {

namespace {

// The temporary file of a write; removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : m_path(std::move(path)) {}
    // errno stays what the failed step left.
    ~TemporaryFile()
    {
        if (m_path.empty())
            return;
        const int error = errno;
        ::unlink(m_path.c_str());
        errno = error;
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return m_path; }
    void Keep() { m_path.clear(); }

private:
    std::string m_path;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = EIO;
        if (written <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::string ParentFolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool ReplaceFileAtomically(std::string_view path, std::span<const std::uint8_t> bytes,
                           const NewFileAttributes& attributes, Durability durability)
{
    const std::optional<std::string> target = ToKernelPath(path);
    if (!target) {
        errno = EINVAL;
        return false;
    }
    const std::string folder = ParentFolderOf(*target);
    // Hidden, so that a listing of the folder made meanwhile does not show
    // it as one of the user's files.
    std::string name = folder + "/.Nuvra-XXXXXX";
    FileDescriptor fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd.valid())
        return false;
    TemporaryFile temporary(std::move(name));

    if (attributes.owner && (attributes.owner->first != ::geteuid() || attributes.owner->second != ::getegid())) {
        // An ordinary user cannot give a file away and needs not.
        static_cast<void>(::fchown(fd.get(), attributes.owner->first, attributes.owner->second));
    }
    const bool on_disk = durability == Durability::kOnDisk;
    if (!WriteAll(fd.get(), bytes) || ::fchmod(fd.get(), attributes.mode) != 0 ||
        (on_disk && ::fsync(fd.get()) != 0) || !fd.Close())
        return false;
    if (::rename(temporary.path().c_str(), target->c_str()) != 0)
        return false;
    temporary.Keep();
    if (!on_disk)
        return true;

    // The rename itself reaches the disk with the folder; without this a
    // power cut could bring back the old file. The new one is in place
    // either way, so a failure here is not a failed write.
    FileDescriptor folder_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder_fd.valid())
        static_cast<void>(::fsync(folder_fd.get()));
    return true;
}

}  // namespace nuvra::linux_platform
