// Small system services: time, random numbers, the operating-system version,
// the screen-saver flags, the password services, messages for standard error
// and the single-instance guard.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace nuvra::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds from an arbitrary fixed start; never goes backwards.
    virtual std::uint64_t NowMilliseconds() = 0;
};

// The uniform generator of the language runtime: Randomize seeds it from the
// system timer, Rnd draws a number r with 0 <= r < 1.
class Random {
public:
    virtual ~Random() = default;
    virtual void Randomize() = 0;
    virtual double Rnd() = 0;
};

inline constexpr std::uint32_t kVerPlatformWin32Nt = 2;

struct OsVersionInfo {
    std::uint32_t size = 0;  // the caller sets 148 before the call
    std::uint32_t major_version = 0;
    std::uint32_t minor_version = 0;
    std::uint32_t build_number = 0;
    std::uint32_t platform_id = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // GetVersionExA: 1 on success, 0 on failure.
    virtual std::int32_t GetVersionEx(OsVersionInfo& info) = 0;
    // SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, value, nullptr, 0).
    virtual std::int32_t SetScreenSaverRunning(std::int32_t value) = 0;
    // SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, value, nullptr, 0).
    virtual std::int32_t SetScreenSaveActive(std::int32_t value) = 0;
    // PwdChangePasswordA("SCRSAVE", parent, 0, 0); only non-NT systems have it.
    virtual std::int32_t PwdChangePassword(std::int32_t parent_window) = 0;
    // VerifyScreenSavePwd(window); only non-NT systems have it.
    virtual std::int32_t VerifyScreenSavePwd(std::int64_t window) = 0;
};

// Messages for the person who started the program, outside any window
// (standard error on Linux): what the program could not do and went on
// without. Never a question, never modal.
class Diagnostics {
public:
    virtual ~Diagnostics() = default;
    virtual void Report(std::string_view message) = 0;
};

// A window title held by a live window of this program. Released on
// destruction.
class InstanceClaim {
public:
    virtual ~InstanceClaim() = default;
};

// What a claim on a title came to.
struct TitleClaim {
    // Ours while it lives; null when the title is not ours.
    std::unique_ptr<InstanceClaim> held;
    // Why no claim could be made at all (nowhere to keep it); empty when
    // another process holds the title.
    std::string failure;
};

// The single-instance guard: FindWindowA by title, and the claim a window
// makes on its title while it exists.
class InstanceGuard {
public:
    virtual ~InstanceGuard() = default;
    virtual bool WindowExists(std::string_view title) = 0;
    virtual TitleClaim Claim(std::string_view title) = 0;
};

}  // namespace nuvra::platform
