// The desktop on Windows: the pointer (shown or hidden, where it is, the
// hourglass) and the capture of the primary screen before the show covers
// it.
#pragma once

#include <optional>

#include "platform/picture.h"
#include "platform/window.h"

namespace nuvra::windows_platform {

class WindowsCursor final : public platform::CursorService {
public:
    std::int32_t ShowCursor(bool show) override;
    platform::Point GetCursorPos() override;
    // Sets the hourglass now; the windows ask Busy() when the pointer moves
    // over them (WM_SETCURSOR), so it stays until SetBusy(false).
    void SetBusy(bool busy) override;
    bool Busy() const { return m_busy; }

private:
    bool m_busy = false;
};

class WindowsDesktopCapture final : public platform::DesktopCapture {
public:
    // The primary screen through GetDC(NULL) and BitBlt, 32 bits a pixel.
    std::optional<platform::Picture> CaptureScreen() override;
};

}  // namespace nuvra::windows_platform
