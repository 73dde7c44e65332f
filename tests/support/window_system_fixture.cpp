#include "support/window_system_fixture.h"

#include <algorithm>
#include <cstdlib>

#include <X11/Xlib.h>

namespace nuvra::test {

void WindowSystemFixture::SetUpTestSuite()
{
    s_server = std::make_unique<e2e::XServer>(640, 480);
    if (s_server->ready())
        s_display = XOpenDisplay(s_server->name().c_str());
}

void WindowSystemFixture::TearDownTestSuite()
{
    if (s_display != nullptr)
        XCloseDisplay(s_display);
    s_display = nullptr;
    s_server.reset();
}

void WindowSystemFixture::SetUp()
{
    ASSERT_TRUE(s_server->ready()) << s_server->failure();
    ASSERT_NE(nullptr, s_display);
    setenv("DISPLAY", s_server->name().c_str(), 1);
    XSetErrorHandler(nullptr);
    m_windows = std::make_unique<linux_platform::SdlWindowSystem>(m_cursor);
}

bool WindowSystemFixture::PumpUntil(const std::function<bool(const platform::InputEvent&)>& found,
                                    e2e::Milliseconds limit)
{
    return e2e::WaitUntil(
        [&] {
            std::vector<platform::InputEvent> events;
            m_windows->PollEvents(events);
            m_events.insert(m_events.end(), events.begin(), events.end());
            return std::any_of(events.begin(), events.end(), found);
        },
        limit);
}

}  // namespace nuvra::test
