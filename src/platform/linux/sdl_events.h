// SDL's events in the core's vocabulary. Called by the window system's pump
// for every event it takes from SDL; owns only what it must remember between
// events (where the pointer was). It never decides what an event means to
// the show: a key is a key, a click a click.
#pragma once

#include <optional>
#include <vector>

#include "platform/window.h"

union SDL_Event;  // SDL stays out of the backend's public headers

namespace nuvra::linux_platform {

class SdlEventTranslator {
public:
    // A window is about to appear with the pointer at this place in its
    // client area: the motion SDL reports for that is no movement.
    void ExpectPointerAt(platform::Point at) { m_last_pointer = at; }

    // Appends the core's events for one SDL event (none for most).
    void Translate(const SDL_Event& event, std::vector<platform::InputEvent>& events);

private:
    std::optional<platform::Point> m_last_pointer;
};

}  // namespace nuvra::linux_platform
