// The common ground of the Linux window-system suites: one X server of the
// suite's own (640 x 480) with a connection of the test's for reading it,
// and a fresh SDL window system for every test, pumped until an event
// turns up. Xlib's own error handler stays installed: any protocol error
// nobody handles ends the test process, as it would end the show.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/linux/sdl_cursor.h"
#include "platform/linux/sdl_window_system.h"
#include "support/e2e_harness.h"

namespace nuvra::test {

class WindowSystemFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override { m_windows.reset(); }

    // Pumps until an event satisfies found (or the time is up); every event
    // pumped meanwhile is kept in m_events.
    bool PumpUntil(const std::function<bool(const platform::InputEvent&)>& found,
                   e2e::Milliseconds limit = e2e::Patience(std::chrono::seconds(5)));

    static inline std::unique_ptr<e2e::XServer> s_server;
    static inline ::_XDisplay* s_display = nullptr;
    linux_platform::SdlCursor m_cursor;
    std::unique_ptr<linux_platform::SdlWindowSystem> m_windows;
    std::vector<platform::InputEvent> m_events;
};

}  // namespace nuvra::test
