// Small Linux services: the clock, the screen-saver session (Linux has no
// saver password or key lock of ours to manage), and the single-instance
// guard. The random generator is the shared one (common/seeded_random.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/system.h"

namespace nuvra::linux_platform {

class LinuxClock final : public platform::Clock {
public:
    std::uint64_t NowMilliseconds() override;
};

// The desktop, not the saver, owns the password.
class LinuxScreenSaverSession final : public platform::ScreenSaverSession {
public:
    bool SystemOwnsPassword() override;
    bool ConfirmPassword(std::int64_t window) override;
    void ChangePassword(std::int32_t parent_window) override;
    void SetRunning(bool running) override;
    void SaverEnded() override;
};


// One lock file per window title; a live window holds an exclusive flock on
// it, which the kernel drops when the process ends, however it ends. A claim
// let go removes its file (one that ended without letting go leaves it, to
// be claimed again).
class LinuxInstanceGuard final : public platform::InstanceGuard {
public:
    // lock_folder empty: $XDG_RUNTIME_DIR, else the cache folder, else our
    // private folder under the temporary folder.
    explicit LinuxInstanceGuard(std::string lock_folder = {});
    bool WindowExists(std::string_view title) override;
    platform::TitleClaim Claim(std::string_view title) override;

    // Empty when there is no folder for the locks.
    std::string LockPath(std::string_view title);

private:
    // The folder, found (and made) at the first use; empty when none can be.
    const std::string& LockFolder();

    std::string m_preferred_folder;
    std::optional<std::string> m_lock_folder;
    std::string m_no_folder_reason;
};

}  // namespace nuvra::linux_platform
