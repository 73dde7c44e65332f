// Window messages in the core's input vocabulary: the Windows window system
// feeds every message of our windows to one MessageTranslator, which appends
// the events each one makes. It keeps what spans messages (the first half of
// a character outside the basic plane, a wheel's partial turn) and decides
// nothing about what an event means.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window.h"
#include "platform/windows/win32.h"

namespace nuvra::windows_platform {

// Letters and digits are Character; the numeric pad's digits and every key
// the core does not name are Other, as on the Linux backend.
platform::Key KeyFromVirtualKey(WPARAM virtual_key);

class MessageTranslator {
public:
    // Appends the events message makes for window (none for a message the
    // core has no word for); true when it made any. For WM_MOUSEWHEEL,
    // lparam must hold client coordinates: the window procedure converts the
    // screen position the system sends.
    bool Translate(std::int64_t window, UINT message, WPARAM wparam, LPARAM lparam,
                   std::vector<platform::InputEvent>& events);

private:
    wchar_t m_high_surrogate = 0;  // waiting for its low half
    int m_wheel_rest = 0;          // a turn short of a whole notch (fine-grained wheels, touch pads)
};

}  // namespace nuvra::windows_platform
