// Loaded into the program with LD_PRELOAD by the slow-folder test: makes
// every folder listing under a folder whose path holds "/slow-tree" wait
// SLOW_LISTING_MS milliseconds first, as a network share or a busy disk
// would. Built without the sanitizers, so that it can come first.
#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern "C" DIR* fdopendir(int fd)
{
    using Real = DIR* (*)(int);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "fdopendir"));
    char link[64];
    char path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    const char* delay = std::getenv("SLOW_LISTING_MS");
    if (length > 0 && delay != nullptr) {
        path[length] = '\0';
        if (std::strstr(path, "/slow-tree") != nullptr) {
            const long ms = std::atol(delay);
            const timespec wait{ms / 1000, (ms % 1000) * 1000000L};
            nanosleep(&wait, nullptr);
        }
    }
    return real(fd);
}
