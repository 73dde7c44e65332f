// The screen-saver session on Windows. On the NT family (every Windows this
// program runs on) the system owns the saver password and the program never
// asks for or changes one. On the old 95/98/Me family the program did: the
// checks there are loaded at run time (VerifyScreenSavePwd from
// password.cpl, PwdChangePasswordA from mpr.dll), so nothing of them is
// linked, and they are reached only through PasswordLibrary, which tests
// replace.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/system.h"

namespace nuvra::windows_platform {

// The two calls of the old family's password libraries; false where a
// library or its function is missing.
class PasswordLibrary {
public:
    virtual ~PasswordLibrary() = default;
    virtual bool Verify(std::int64_t window, bool& confirmed) = 0;
    virtual bool Change(std::int64_t parent_window) = 0;
};

// The system's own libraries, loaded when first asked and freed with this.
std::unique_ptr<PasswordLibrary> SystemPasswordLibrary();

// Whether the system is of the old 95/98/Me family.
bool OldWindowsFamily();

class WindowsScreenSaverSession final : public platform::ScreenSaverSession {
public:
    WindowsScreenSaverSession();
    WindowsScreenSaverSession(bool old_family, std::unique_ptr<PasswordLibrary> passwords);

    bool SystemOwnsPassword() override { return !m_old_family; }
    // Where a library is missing the show may end: a password that cannot
    // be checked must not lock the screen for good.
    bool ConfirmPassword(std::int64_t window) override;
    void ChangePassword(std::int32_t parent_window) override;
    // SPI_SETSCREENSAVERRUNNING: the old family locks the task-switch keys
    // meanwhile; the NT family keeps the flag for programs that ask.
    void SetRunning(bool running) override;
    void SaverEnded() override {}

private:
    bool m_old_family;
    std::unique_ptr<PasswordLibrary> m_passwords;
};

}  // namespace nuvra::windows_platform
