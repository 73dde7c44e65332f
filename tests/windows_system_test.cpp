// The Windows clock under Wine.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/windows/system_services.h"
#include "platform/windows/win32.h"

namespace {

TEST(WindowsClock, NeverGoesBackAndAdvancesWithTime)
{
    nuvra::windows_platform::WindowsClock clock;
    const std::uint64_t start = clock.NowMilliseconds();
    Sleep(20);
    const std::uint64_t later = clock.NowMilliseconds();
    EXPECT_GT(later, start);
}

}  // namespace
