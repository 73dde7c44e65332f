#include "platform/linux/system_services.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/linux/xdg.h"

namespace nuvra::linux_platform {

std::uint64_t LinuxClock::NowMilliseconds()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The desktop's own screen saver and locker own the password and the idle
// state on Linux: a show has nothing to tell them.
bool LinuxScreenSaverSession::SystemOwnsPassword()
{
    return true;
}

bool LinuxScreenSaverSession::ConfirmPassword(std::int64_t)
{
    return true;
}

void LinuxScreenSaverSession::ChangePassword(std::int32_t) {}

void LinuxScreenSaverSession::SetRunning(bool) {}

void LinuxScreenSaverSession::SaverEnded() {}


namespace {

// The file goes while the lock is still held: a claim that opened it just
// before then gets the lock only after, and sees that the name no longer
// leads to it (SameFile).
class FlockClaim final : public platform::InstanceClaim {
public:
    FlockClaim(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~FlockClaim() override
    {
        ::unlink(m_path.c_str());
        ::close(m_fd);
    }
    FlockClaim(const FlockClaim&) = delete;
    FlockClaim& operator=(const FlockClaim&) = delete;

private:
    int m_fd;
    std::string m_path;
};

// True while path still names the open file fd.
bool SameFile(int fd, const std::string& path)
{
    struct stat open_file {};
    struct stat named {};
    return ::fstat(fd, &open_file) == 0 && ::stat(path.c_str(), &named) == 0 && open_file.st_dev == named.st_dev &&
           open_file.st_ino == named.st_ino;
}

}  // namespace

LinuxInstanceGuard::LinuxInstanceGuard(std::string lock_folder) : m_preferred_folder(std::move(lock_folder))
{
    if (m_preferred_folder.empty()) {
        std::string runtime = XdgFolder("XDG_RUNTIME_DIR", "");
        m_preferred_folder = runtime.empty() ? CacheFolder() : runtime;
    }
}

const std::string& LinuxInstanceGuard::LockFolder()
{
    // Every process of a user finds the same folder the same way, so a
    // search sees the lock a claim took.
    if (!m_lock_folder)
        m_lock_folder = UsableFolder(m_preferred_folder, &m_no_folder_reason).value_or(std::string());
    return *m_lock_folder;
}

std::string LinuxInstanceGuard::LockPath(std::string_view title)
{
    if (LockFolder().empty())
        return {};

    // Titles may hold any character; the file name keeps letters, digits and
    // '_' and writes every other byte as two hex digits.
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = "nuvra-";
    for (unsigned char c : title) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (plain) {
            name.push_back(static_cast<char>(c));
        } else {
            name.push_back('%');
            name.push_back(kHex[c >> 4]);
            name.push_back(kHex[c & 15]);
        }
    }
    return LockFolder() + "/" + name + ".lock";
}

bool LinuxInstanceGuard::WindowExists(std::string_view title)
{
    const std::string path = LockPath(title);
    if (path.empty())
        return false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

platform::TitleClaim LinuxInstanceGuard::Claim(std::string_view title)
{
    const std::string path = LockPath(title);
    if (path.empty())
        return {nullptr, m_no_folder_reason};
    for (;;) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return {nullptr, path + ": " + std::strerror(errno)};
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return {};
        }
        if (SameFile(fd, path))
            return {std::make_unique<FlockClaim>(fd, path), {}};
        // The claim before ours was let go, and its file removed, between
        // our open and our lock: the title is free, under a new file.
        ::close(fd);
    }
}

}  // namespace nuvra::linux_platform
