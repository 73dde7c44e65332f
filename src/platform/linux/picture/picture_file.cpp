#include "platform/linux/picture/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/linux/posix_file.h"

namespace nuvra::linux_platform {

namespace {

std::string SystemError(std::string_view what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

pictures::FileBytes ReadPictureFile(std::string_view path, std::uint64_t max_bytes)
{
    pictures::FileBytes result;
    const std::optional<std::string> named = ToKernelPath(path);
    if (!named) {
        result.error = "no such file";
        return result;
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer. The type check
    // comes after open, on what was actually opened.
    FileDescriptor fd(::open(named->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info { };
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0) {
        result.error = SystemError("cannot open the file");
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = "not a regular file";
        return result;
    }
    if (static_cast<std::uint64_t>(info.st_size) > max_bytes) {
        result.error = "the file is too large for a picture";
        return result;
    }

    // One byte more than the cap tells a file that grew past it since fstat.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > max_bytes) {
                result.error = "the file is too large for a picture";
                return result;
            }
            bytes.resize(std::min<std::uint64_t>(max_bytes + 1, bytes.size() + 65536));
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.error = SystemError("cannot read the file");
            return result;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    result.bytes = std::move(bytes);
    return result;
}

}  // namespace nuvra::linux_platform
