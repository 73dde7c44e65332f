#include "platform/linux/xdg.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

// mkdir -p, with the folders it creates private to the user; true when the
// folder is there at the end and we may write in it.
bool MakeWritableFolder(const std::string& folder)
{
    if (folder.empty() || folder[0] != '/')
        return false;
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string prefix = folder.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// The temporary folder is shared by every user: another user could have made
// our folder first to read or replace our files, so it must be ours alone.
std::optional<std::string> TakePrivateFolder(const std::string& folder, std::string& why)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        why = folder + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        why = folder + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISDIR(info.st_mode)) {
        why = folder + " is not a folder";
        return std::nullopt;
    }
    if (info.st_uid != ::geteuid()) {
        why = folder + " belongs to another user";
        return std::nullopt;
    }
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        why = folder + " cannot be made private: " + std::strerror(errno);
        return std::nullopt;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        why = folder + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return folder;
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

std::string PrivateTempFolder()
{
    std::string temp = XdgFolder("TMPDIR", "");
    while (temp.size() > 1 && temp.back() == '/')
        temp.pop_back();
    if (temp.empty())
        temp = "/tmp";
    if (temp == "/")
        temp.clear();
    return temp + "/nuvra-" + std::to_string(::geteuid());
}

std::optional<std::string> UsableFolder(const std::string& preferred, std::string* why)
{
    if (MakeWritableFolder(preferred))
        return preferred;
    std::string reason;
    std::optional<std::string> folder = TakePrivateFolder(PrivateTempFolder(), reason);
    if (!folder && why != nullptr)
        *why = preferred + " cannot be made, and " + reason;
    return folder;
}

}  // namespace nuvra::linux_platform
