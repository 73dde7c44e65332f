#include "platform/windows/system_services.h"

#include <cstdio>
#include <optional>
#include <string>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace nuvra::windows_platform {

WindowsClock::WindowsClock()
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);  // never fails since Windows XP
    m_frequency = frequency.QuadPart > 0 ? static_cast<std::uint64_t>(frequency.QuadPart) : 1;
}

std::uint64_t WindowsClock::NowMilliseconds()
{
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const auto counts = static_cast<std::uint64_t>(counter.QuadPart);
    // Whole seconds and the rest apart: counts * 1000 would overflow after
    // 71 days of uptime where the counter runs at 3 GHz.
    return counts / m_frequency * 1000 + counts % m_frequency * 1000 / m_frequency;
}

void DebugDiagnostics::Report(std::string_view message)
{
    const std::string line = "nuvra: " + std::string(message) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    // A message that is not UTF-8 still reaches the debugger, as far as it
    // is ASCII.
    std::wstring wide;
    if (const std::optional<std::wstring> converted = WideFromUtf8(line))
        wide = *converted;
    else
        for (const char c : line)
            wide.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'\xFFFD');
    OutputDebugStringW(wide.c_str());
}

}  // namespace nuvra::windows_platform
