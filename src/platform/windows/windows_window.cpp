#include "platform/windows/windows_window.h"

#include <dwmapi.h>

#include <algorithm>
#include <map>
#include <thread>

#include "platform/windows/dib_drawing.h"
#include "platform/windows/wide_text.h"

namespace nuvra::windows_platform {

namespace {

constexpr const wchar_t* kWindowClass = L"NuvraWindow";
constexpr const wchar_t* kCoverClass = L"NuvraCover";
// The classic frame the core sizes a dialog with.
constexpr RECT kCoreFrame{4, 23, 4, 4};
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME;

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

void RegisterClasses()
{
    static const bool registered = [] {
        WNDCLASSEXW window{};
        window.cbSize = sizeof window;
        window.lpfnWndProc = WindowProcedure;
        window.hInstance = GetModuleHandleW(nullptr);
        window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        window.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        window.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        window.lpszClassName = kWindowClass;
        RegisterClassExW(&window);
        WNDCLASSEXW cover = window;
        cover.lpfnWndProc = DefWindowProcW;
        cover.hCursor = nullptr;
        cover.lpszClassName = kCoverClass;
        RegisterClassExW(&cover);
        return true;
    }();
    static_cast<void>(registered);
}

platform::Rect ToRect(const RECT& rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// The system's arrow made from a pointer image of the program's own.
HCURSOR MakeCursor(const platform::PointerImage& image)
{
    if (image.width <= 0 || image.height <= 0 || image.width > 256 || image.height > 256 ||
        image.pixels.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        return nullptr;
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = image.width;
    header.bV5Height = -image.height;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (colour == nullptr || bits == nullptr)
        return nullptr;
    std::copy_n(image.pixels.data(), static_cast<std::size_t>(image.width) * image.height, static_cast<std::uint32_t*>(bits));
    HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = FALSE;
    info.xHotspot = static_cast<DWORD>(image.hot_spot.x);
    info.yHotspot = static_cast<DWORD>(image.hot_spot.y);
    info.hbmMask = mask;
    info.hbmColor = colour;
    HCURSOR cursor = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return cursor;
}

// Black popups over every monitor but the primary one, so no desktop shows
// beside the show.
BOOL CALLBACK CoverMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM covers)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info) || (info.dwFlags & MONITORINFOF_PRIMARY) != 0)
        return TRUE;
    const RECT& area = info.rcMonitor;
    HWND cover = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kCoverClass, L"", WS_POPUP | WS_VISIBLE, area.left,
                                 area.top, area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (cover != nullptr)
        reinterpret_cast<std::vector<HWND>*>(covers)->push_back(cover);
    return TRUE;
}

}  // namespace

WindowsWindow::~WindowsWindow()
{
    m_system.Forget(*this);
    for (HWND cover : m_covers)
        DestroyWindow(cover);
    if (m_hwnd != nullptr) {
        m_destroying = true;
        DestroyWindow(m_hwnd);
    }
    for (const auto& [image, cursor] : m_cursors)
        DestroyCursor(cursor);
}

bool WindowsWindow::Create(const platform::WindowRequest& request, std::string& error)
{
    RegisterClasses();
    const std::wstring title = WideFromUtf8(request.title).value_or(L"Nuvra");
    const platform::Rect& b = request.bounds;
    HWND parent = nullptr;
    DWORD style = WS_POPUP | WS_CLIPCHILDREN;
    DWORD ex_style = 0;
    RECT place{b.left, b.top, b.right, b.bottom};
    switch (m_style) {
    case platform::WindowStyle::Fullscreen:
        ex_style = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
        break;
    case platform::WindowStyle::Dialog:
        // An owner that is gone leaves the dialog without one.
        if (request.parent && IsWindow(HandleOf(*request.parent)))
            parent = HandleOf(*request.parent);
        style = kDialogStyle;
        ex_style = kDialogExStyle;
        place = {b.left + kCoreFrame.left, b.top + kCoreFrame.top, b.right - kCoreFrame.right,
                 b.bottom - kCoreFrame.bottom};
        AdjustWindowRectEx(&place, style, FALSE, ex_style);
        break;
    case platform::WindowStyle::Child:
        parent = request.parent ? HandleOf(*request.parent) : nullptr;
        if (parent == nullptr || !IsWindow(parent)) {
            error = "the window " + std::to_string(request.parent.value_or(0)) + " does not exist";
            return false;
        }
        style = WS_CHILD | WS_CLIPSIBLINGS;
        m_host = parent;
        break;
    case platform::WindowStyle::Foreign:
        error = "Windows has no screen-saver daemon whose window could be drawn into";
        return false;
    }
    m_hwnd = CreateWindowExW(ex_style, kWindowClass, title.c_str(), style, place.left, place.top,
                             std::max<LONG>(1, place.right - place.left), std::max<LONG>(1, place.bottom - place.top),
                             parent, nullptr, GetModuleHandleW(nullptr), this);
    if (m_hwnd == nullptr) {
        error = "the system made no window (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    // Windows reports a move to the pointer's place when the window
    // appears under it; that is no move of the user's.
    POINT pointer{};
    if (::GetCursorPos(&pointer) && ScreenToClient(m_hwnd, &pointer))
        m_appearing_pointer = pointer;
    if (m_style == platform::WindowStyle::Fullscreen)
        EnumDisplayMonitors(nullptr, nullptr, CoverMonitor, reinterpret_cast<LPARAM>(&m_covers));
    return true;
}

void WindowsWindow::CheckHost()
{
    if (m_host == nullptr || m_destroying || m_gone_reported)
        return;
    if (m_hwnd != nullptr && IsWindow(m_host) && IsWindow(m_hwnd))
        return;
    m_gone_reported = true;
    m_system.QueueHostGone(NativeOf(m_hwnd));
}

platform::Rect WindowsWindow::Bounds() const
{
    RECT rect{};
    if (m_hwnd == nullptr)
        return {};
    if (m_style != platform::WindowStyle::Dialog) {
        ::GetWindowRect(m_hwnd, &rect);
        return ToRect(rect);
    }
    GetClientRect(m_hwnd, &rect);
    MapWindowPoints(m_hwnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left - kCoreFrame.left, rect.top - kCoreFrame.top, rect.right + kCoreFrame.right,
            rect.bottom + kCoreFrame.bottom};
}

void WindowsWindow::SetBounds(const platform::Rect& b)
{
    RECT place{b.left, b.top, b.right, b.bottom};
    if (m_style == platform::WindowStyle::Dialog) {
        place = {b.left + kCoreFrame.left, b.top + kCoreFrame.top, b.right - kCoreFrame.right,
                 b.bottom - kCoreFrame.bottom};
        AdjustWindowRectEx(&place, kDialogStyle, FALSE, kDialogExStyle);
    }
    SetWindowPos(m_hwnd, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowsWindow::Show()
{
    ShowWindow(m_hwnd, SW_SHOW);
    if (m_style != platform::WindowStyle::Child)
        SetForegroundWindow(m_hwnd);
    UpdateWindow(m_hwnd);
}

void WindowsWindow::Present(const platform::Canvas& canvas)
{
    m_canvas = canvas;
    HDC dc = GetDC(m_hwnd);
    DrawCanvas(dc, m_canvas);
    ReleaseDC(m_hwnd, dc);
}

void WindowsWindow::PresentIndexed(const platform::IndexedImage& image, platform::Point position)
{
    HDC dc = GetDC(m_hwnd);
    DrawIndexed(dc, image, position);
    ReleaseDC(m_hwnd, dc);
    GdiFlush();
    // The compositor shows the frame at its next refresh, and DwmFlush waits
    // for that. Where it returns at once (no composition) the pacer waits
    // out the refresh period itself, so the show never spins.
    m_pacer.AfterPresent(SUCCEEDED(DwmFlush()));
}

void WindowsWindow::DrawAnimatedRect(const platform::Rect& from, const platform::Rect& to)
{
    constexpr int kSteps = 10;
    HDC screen = GetDC(nullptr);
    const int previous_mode = SetROP2(screen, R2_NOT);
    const HGDIOBJ previous_brush = SelectObject(screen, GetStockObject(NULL_BRUSH));
    for (int step = 1; step <= kSteps; ++step) {
        auto between = [&](std::int32_t a, std::int32_t b) { return a + (b - a) * step / kSteps; };
        const RECT outline{between(from.left, to.left), between(from.top, to.top), between(from.right, to.right),
                           between(from.bottom, to.bottom)};
        Rectangle(screen, outline.left, outline.top, outline.right, outline.bottom);
        GdiFlush();
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        Rectangle(screen, outline.left, outline.top, outline.right, outline.bottom);
    }
    SelectObject(screen, previous_brush);
    SetROP2(screen, previous_mode);
    ReleaseDC(nullptr, screen);
}

void WindowsWindow::SetPointer(const platform::PointerImage* image)
{
    if (image == nullptr) {
        m_pointer = nullptr;
    } else if (const auto made = m_cursors.find(image); made != m_cursors.end()) {
        m_pointer = made->second;
    } else {
        m_pointer = MakeCursor(*image);
        if (m_pointer != nullptr)
            m_cursors.emplace(image, m_pointer);
    }
    POINT at{};
    if (::GetCursorPos(&at) && WindowFromPoint(at) == m_hwnd)
        ShowPointer();
}

LRESULT WindowsWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_SETCURSOR:
        if (LOWORD(lparam) == HTCLIENT) {
            ShowPointer();
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        if (!m_canvas.pixels.empty())
            return TRUE;  // the canvas covers it
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(m_hwnd, &paint);
        if (!m_canvas.pixels.empty())
            DrawCanvas(dc, m_canvas);
        EndPaint(m_hwnd, &paint);
        m_system.Queue(*this, message, wparam, lparam);
        return 0;
    }
    case WM_CLOSE:
        m_system.Queue(*this, message, wparam, lparam);
        return 0;  // the core decides whether the window goes
    case WM_DESTROY:
        if (!m_destroying && !m_gone_reported) {
            m_gone_reported = true;
            m_system.QueueHostGone(NativeOf(m_hwnd));
        }
        break;
    case WM_ENDSESSION:
        if (wparam != FALSE)
            m_system.EndSession();
        return 0;
    case WM_NCDESTROY:
        m_hwnd = nullptr;
        break;
    case WM_MOUSEMOVE:
        if (m_appearing_pointer) {
            const POINT at{static_cast<std::int16_t>(LOWORD(lparam)), static_cast<std::int16_t>(HIWORD(lparam))};
            const bool appearing = at.x == m_appearing_pointer->x && at.y == m_appearing_pointer->y;
            m_appearing_pointer.reset();
            if (appearing)
                return 0;
        }
        m_system.Queue(*this, message, wparam, lparam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        m_appearing_pointer.reset();
        SetCapture(m_hwnd);
        m_system.Queue(*this, message, wparam, lparam);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        if ((wparam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2)) == 0)
            ReleaseCapture();
        m_system.Queue(*this, message, wparam, lparam);
        return 0;
    case WM_MOUSEWHEEL: {
        POINT at{static_cast<std::int16_t>(LOWORD(lparam)), static_cast<std::int16_t>(HIWORD(lparam))};
        ScreenToClient(m_hwnd, &at);
        m_system.Queue(*this, message, wparam, MAKELPARAM(at.x, at.y));
        return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SIZE:
        m_system.Queue(*this, message, wparam, lparam);
        break;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        // Alt+F4 still closes through DefWindowProc.
        m_system.Queue(*this, message, wparam, lparam);
        break;
    default:
        break;
    }
    return DefWindowProcW(m_hwnd, message, wparam, lparam);
}

void WindowsWindow::ShowPointer() const
{
    if (m_system.Busy())
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    else
        SetCursor(m_pointer != nullptr ? m_pointer : LoadCursorW(nullptr, IDC_ARROW));
}

namespace {

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* window = static_cast<WindowsWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        window->Attach(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<WindowsWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr)
        return DefWindowProcW(hwnd, message, wparam, lparam);
    const LRESULT result = window->Handle(message, wparam, lparam);
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return result;
}

}  // namespace

}  // namespace nuvra::windows_platform
