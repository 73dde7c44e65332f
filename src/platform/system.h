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

// The screen-saver session of the system the program runs in: who owns the
// saver password, and what the system is told while a show runs. Where the
// system owns the password (every desktop but the oldest Windows family, and
// Linux's) the program never asks for or changes one.
class ScreenSaverSession {
public:
    virtual ~ScreenSaverSession() = default;
    virtual bool SystemOwnsPassword() = 0;
    // Asks for the saver password over the show's window (its native
    // handle); true when the show may end. Only asked where the program
    // owns the password.
    virtual bool ConfirmPassword(std::int64_t window) = 0;
    // Opens the system's dialog that changes the saver password, owned by
    // parent_window. Only asked where the program owns the password.
    virtual void ChangePassword(std::int32_t parent_window) = 0;
    // A show started by the system is running, or no longer is (where the
    // system keeps such a flag, it locks the task-switch keys meanwhile).
    virtual void SetRunning(bool running) = 0;
    // The show has ended: the system's saver is to start again when idle.
    virtual void SaverEnded() = 0;
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
