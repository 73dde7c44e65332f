// A cap on the size of the files this process writes, for the life of the
// object: write() then stops short at the cap, as it would on a full disk.
// The signal the kernel sends for it is ignored meanwhile.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace nuvra::test {

class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        m_active = getrlimit(RLIMIT_FSIZE, &m_old_limit) == 0;
        if (!m_active)
            return;
        m_old_handler = signal(SIGXFSZ, SIG_IGN);
        struct rlimit small_limit = m_old_limit;
        small_limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &small_limit) == 0;
    }
    ~ScopedFileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_old_limit);
        signal(SIGXFSZ, m_old_handler);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

    bool active() const { return m_active; }

private:
    struct rlimit m_old_limit {};
    void (*m_old_handler)(int) = SIG_DFL;
    bool m_active = false;
};

}  // namespace nuvra::test
