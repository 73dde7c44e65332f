#include "support/unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace nuvra::test {

namespace {

constexpr uid_t kNobody = 65534;

void HandOver(const std::filesystem::path& folder)
{
    std::error_code error;
    if (::lchown(folder.c_str(), kNobody, kNobody) != 0)
        return;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        (void)::lchown(it->path().c_str(), kNobody, kNobody);
}

}  // namespace

bool RunUnprivileged(const std::filesystem::path& folder, const std::function<bool()>& check)
{
    if (::geteuid() != 0)
        return check();
    pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        HandOver(folder);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace nuvra::test
