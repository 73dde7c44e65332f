#include "platform/linux/mci/media_file.h"

#include <SDL_rwops.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/linux/posix_file.h"

namespace nuvra::linux_platform {

namespace {

// Opening for reading without O_NONBLOCK waits for a FIFO's writer; with it
// the open returns at once, whatever the path names. O_NOCTTY: a terminal
// named here must not become ours.
// The descriptor, or -1; st describes what it is.
int OpenWithoutWaiting(const std::string& path, struct stat& st)
{
    const std::optional<std::string> kernel_path = ToKernelPath(path);
    if (!kernel_path)
        return -1;
    FileDescriptor fd(::open(kernel_path->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return -1;
    return fd.release();
}

}  // namespace

bool IsImageOrDrive(const std::string& path)
{
    struct stat st {};
    const FileDescriptor fd(OpenWithoutWaiting(path, st));
    return fd.valid() && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
}

SDL_RWops* OpenRegularFile(const std::string& path)
{
    struct stat st {};
    FileDescriptor fd(OpenWithoutWaiting(path, st));
    if (!fd.valid() || !S_ISREG(st.st_mode))
        return nullptr;
    // The file is what it should be: from here on reads may wait for the disk.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd.get(), "rb");
    if (file == nullptr)
        return nullptr;
    fd.release();
    SDL_RWops* stream = SDL_RWFromFP(file, SDL_TRUE);
    if (stream == nullptr)
        std::fclose(file);
    return stream;
}

}  // namespace nuvra::linux_platform
