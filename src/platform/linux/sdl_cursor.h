// The pointer: ShowCursor's display count, the pointer's place and the busy
// cursor (the system's hourglass over our windows). Owned by the backend and
// read by the window system (a new window starts with the pointer shown or
// hidden as the count says). Asks the X
// server for the pointer's place over a connection of its own; never moves
// the pointer and never decides when it is shown.
#pragma once

#include <cstdint>

#include "platform/window.h"

struct _XDisplay;  // Xlib's Display, kept out of this header
struct SDL_Cursor;

namespace nuvra::linux_platform {

// The pointer's show count, as ShowCursor keeps it: the pointer is hidden
// over our windows while the count is negative.
class SdlCursor final : public platform::CursorService {
public:
    SdlCursor() = default;
    ~SdlCursor() override;
    SdlCursor(const SdlCursor&) = delete;
    SdlCursor& operator=(const SdlCursor&) = delete;

    std::int32_t ShowCursor(bool show) override;
    // The pointer's place on the screen; (0, 0) before any window exists.
    platform::Point GetCursorPos() override;
    void SetBusy(bool busy) override;
    std::int32_t DisplayCount() const { return m_display_count; }

private:
    std::int32_t m_display_count = 0;
    ::_XDisplay* m_display = nullptr;  // opened on first use
    // The hourglass, and the pointer it stands in for while shown.
    ::SDL_Cursor* m_wait = nullptr;
    ::SDL_Cursor* m_before_busy = nullptr;
    bool m_busy = false;
};

}  // namespace nuvra::linux_platform
