#include "platform/windows/window_system.h"

#include <algorithm>

#include "platform/windows/windows_window.h"

namespace nuvra::windows_platform {

namespace {

// How long the loop sleeps at most while a child could lose its pane
// without a word from Windows.
constexpr std::uint32_t kHostCheckMilliseconds = 100;

platform::Rect ToRect(const RECT& rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

double MonitorRefreshRate(HWND window)
{
    MONITORINFOEXW monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return 0.0;
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (EnumDisplaySettingsW(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency > 1)
        return mode.dmDisplayFrequency;
    return 0.0;
}

WindowsWindowSystem::WindowsWindowSystem(const WindowsCursor& cursor) : m_cursor(cursor) {}

WindowsWindowSystem::~WindowsWindowSystem() = default;

std::unique_ptr<platform::Window> WindowsWindowSystem::CreateWindow(const platform::WindowRequest& request)
{
    auto window = std::make_unique<WindowsWindow>(*this, request.style);
    if (!window->Create(request, m_last_error))
        return nullptr;
    m_windows.push_back(window.get());
    return window;
}

platform::Rect WindowsWindowSystem::PrimaryScreen()
{
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

std::optional<platform::Rect> WindowsWindowSystem::GetWindowRect(std::int64_t native_handle)
{
    RECT rect{};
    HWND hwnd = HandleOf(native_handle);
    if (hwnd == nullptr || !IsWindow(hwnd) || !::GetWindowRect(hwnd, &rect))
        return std::nullopt;
    return ToRect(rect);
}

void WindowsWindowSystem::PollEvents(std::vector<platform::InputEvent>& events)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            platform::InputEvent close;
            close.kind = platform::InputKind::Close;
            m_pending.push_back(close);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    for (WindowsWindow* window : m_windows)
        window->CheckHost();
    events.insert(events.end(), m_pending.begin(), m_pending.end());
    m_pending.clear();
}

void WindowsWindowSystem::WaitForEvents(std::uint32_t milliseconds)
{
    if (!m_pending.empty())
        return;
    if (std::ranges::any_of(m_windows, &WindowsWindow::HasHost))
        milliseconds = std::min(milliseconds, kHostCheckMilliseconds);
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void WindowsWindowSystem::Queue(WindowsWindow& window, UINT message, WPARAM wparam, LPARAM lparam)
{
    m_translator.Translate(window.NativeHandle(), message, wparam, lparam, m_pending);
}

void WindowsWindowSystem::EndSession()
{
    if (m_session_end)
        m_session_end();
    ExitProcess(1);
}

void WindowsWindowSystem::Forget(const WindowsWindow& window)
{
    std::erase(m_windows, &window);
}

void WindowsWindowSystem::QueueHostGone(std::int64_t window)
{
    platform::InputEvent gone;
    gone.kind = platform::InputKind::HostGone;
    gone.window = window;
    m_pending.push_back(gone);
}

}  // namespace nuvra::windows_platform
