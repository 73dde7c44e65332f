#include "platform/linux/xdg.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace nuvra::linux_platform {

namespace {

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return home;
    // A service started without HOME still has a password entry.
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/tmp";
}

}  // namespace

std::string XdgFolder(const char* variable, const char* home_relative_default)
{
    // Relative values are invalid and must be ignored.
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/')
        return value;
    if (home_relative_default == nullptr || home_relative_default[0] == '\0')
        return {};
    return HomeFolder() + "/" + home_relative_default;
}

std::string ConfigFolder()
{
    return XdgFolder("XDG_CONFIG_HOME", ".config") + "/nuvra";
}

std::string CacheFolder()
{
    return XdgFolder("XDG_CACHE_HOME", ".cache") + "/nuvra";
}

}  // namespace nuvra::linux_platform
