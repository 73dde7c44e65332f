// One window of the Windows window system (window_system.h): the show's
// popup, the dialog or the preview's child, with the window procedure that
// feeds its messages to the system's queue.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/frame_pacer.h"
#include "platform/window.h"
#include "platform/windows/win32.h"
#include "platform/windows/window_system.h"

namespace nuvra::windows_platform {

inline HWND HandleOf(std::int64_t native)
{
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(native));
}

inline std::int64_t NativeOf(HWND hwnd)
{
    return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(hwnd));
}

class WindowsWindow final : public platform::Window {
public:
    // Its frames keep to the primary display's refresh until the show
    // paces them.
    WindowsWindow(WindowsWindowSystem& system, platform::WindowStyle style)
        : m_system(system), m_style(style), m_pacer(MonitorRefreshRate(nullptr))
    {
    }
    ~WindowsWindow() override;
    WindowsWindow(const WindowsWindow&) = delete;
    WindowsWindow& operator=(const WindowsWindow&) = delete;

    // Makes the native window; false with the reason in error.
    bool Create(const platform::WindowRequest& request, std::string& error);

    std::int64_t NativeHandle() const override { return NativeOf(m_hwnd); }
    platform::Rect Bounds() const override;
    void SetBounds(const platform::Rect& bounds) override;
    void Show() override;
    void Hide() override { ShowWindow(m_hwnd, SW_HIDE); }
    void Present(const platform::Canvas& canvas) override;
    void PresentIndexed(const platform::IndexedImage& image, platform::Point position) override;
    double RefreshRate() const override { return MonitorRefreshRate(m_hwnd); }
    void SetFramePacing(const platform::FramePacing& pacing) override { m_pacer.SetPacing(pacing); }
    // An outline that moves from one rectangle to the other in ten steps,
    // drawn and wiped by inverting the screen's pixels.
    void DrawAnimatedRect(const platform::Rect& from, const platform::Rect& to) override;
    void SetPointer(const platform::PointerImage* image) override;

    // The window procedure's work for this window.
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
    void Attach(HWND hwnd) { m_hwnd = hwnd; }
    // A child whose pane (or itself) no longer exists reports HostGone,
    // once. Windows does not always tell a child in another process that
    // its parent went: the WM_DESTROY it would get can be dropped with the
    // parent, so the system asks on every turn of the loop as well.
    void CheckHost();
    bool HasHost() const { return m_host != nullptr; }

private:
    void ShowPointer() const;

    WindowsWindowSystem& m_system;
    platform::WindowStyle m_style;
    HWND m_hwnd = nullptr;
    bool m_destroying = false;  // by us: no HostGone
    bool m_gone_reported = false;
    HWND m_host = nullptr;  // a child's pane
    std::optional<POINT> m_appearing_pointer;
    std::vector<HWND> m_covers;
    platform::Canvas m_canvas;  // what WM_PAINT draws again
    HCURSOR m_pointer = nullptr;
    std::map<const platform::PointerImage*, HCURSOR> m_cursors;
    common_platform::FramePacer m_pacer;
};

}  // namespace nuvra::windows_platform
