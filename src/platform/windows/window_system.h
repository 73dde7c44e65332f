// The Windows window system: the show's topmost popup over the primary
// monitor (the other monitors covered black), the settings dialog with a
// caption, the preview's child inside the host's pane. Messages become the
// core's typed input (win32_input.h); pixels go to the window as DIBs
// (dib_drawing.h). A window destroyed under us with its host (the pane of
// the Screen Saver Settings) reports HostGone.
//
// The core sizes a dialog's outer rectangle with the classic frame of 4
// pixels at the sides and bottom and 23 at the top; the client is what lies
// inside that frame, and Windows' own frame (AdjustWindowRectEx) is put
// around it, so the client is always the size the core drew for.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window.h"
#include "platform/windows/desktop/desktop.h"
#include "platform/windows/win32.h"
#include "platform/windows/win32_input.h"

namespace nuvra::windows_platform {

class WindowsWindow;

// The refresh of the monitor a window is on (the primary one for none), in
// hertz; 0 where the driver says "its default" (0 or 1).
double MonitorRefreshRate(HWND window);

class WindowsWindowSystem final : public platform::WindowSystem {
public:
    // cursor: whose hourglass the windows show while it is busy.
    explicit WindowsWindowSystem(const WindowsCursor& cursor);
    ~WindowsWindowSystem() override;
    WindowsWindowSystem(const WindowsWindowSystem&) = delete;
    WindowsWindowSystem& operator=(const WindowsWindowSystem&) = delete;

    // Foreign windows (a daemon's) do not exist on Windows: null, as for
    // any window the system refused, with the reason in last_error().
    std::unique_ptr<platform::Window> CreateWindow(const platform::WindowRequest& request) override;
    platform::Rect PrimaryScreen() override;
    std::optional<platform::Rect> GetWindowRect(std::int64_t native_handle) override;
    void PollEvents(std::vector<platform::InputEvent>& events) override;
    void WaitForEvents(std::uint32_t milliseconds) override;

    const std::string& last_error() const { return m_last_error; }
    // Run when the user's session ends under a window of ours
    // (WM_ENDSESSION); the process then ends with status 1.
    void SetSessionEndHandler(std::function<void()> cleanup) { m_session_end = std::move(cleanup); }
    void EndSession();

    // For the window procedure.
    void Queue(WindowsWindow& window, UINT message, WPARAM wparam, LPARAM lparam);
    void QueueHostGone(std::int64_t window);
    // A window going away leaves the system's list of windows to check.
    void Forget(const WindowsWindow& window);
    bool Busy() const { return m_cursor.Busy(); }

private:
    const WindowsCursor& m_cursor;
    MessageTranslator m_translator;
    std::vector<platform::InputEvent> m_pending;
    std::vector<WindowsWindow*> m_windows;
    std::string m_last_error;
    std::function<void()> m_session_end;
};

}  // namespace nuvra::windows_platform
