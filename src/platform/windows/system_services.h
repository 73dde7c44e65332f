// Small Windows services that need no window: the clock and the
// diagnostics. The random generator is the shared one
// (common/seeded_random.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/system.h"

namespace nuvra::windows_platform {

// QueryPerformanceCounter in milliseconds: steady, and unaffected by changes
// of the wall clock.
class WindowsClock final : public platform::Clock {
public:
    WindowsClock();
    std::uint64_t NowMilliseconds() override;

private:
    std::uint64_t m_frequency;  // counts per second
};

// "nuvra: <message>" on standard error (when the program has one: a
// screen saver usually has no console) and to the debugger
// (OutputDebugStringW), where a developer of a windowed program looks.
class DebugDiagnostics final : public platform::Diagnostics {
public:
    void Report(std::string_view message) override;
};

}  // namespace nuvra::windows_platform
