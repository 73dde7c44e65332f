#include "platform/windows/win32_input.h"

#include <string>

#include "platform/windows/wide_text.h"

namespace nuvra::windows_platform {

namespace {

using platform::InputEvent;
using platform::InputKind;
using platform::Key;
using platform::MouseButton;

// Client coordinates are signed: while the mouse is captured they run past
// the window's left and top edges.
std::int32_t LowWord(LPARAM lparam)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lparam & 0xFFFF));
}

std::int32_t HighWord(LPARAM lparam)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((lparam >> 16) & 0xFFFF));
}

InputEvent Event(std::int64_t window, InputKind kind)
{
    InputEvent event;
    event.kind = kind;
    event.window = window;
    return event;
}

InputEvent MouseEvent(std::int64_t window, InputKind kind, MouseButton button, LPARAM lparam)
{
    InputEvent event = Event(window, kind);
    event.button = button;
    event.x = LowWord(lparam);
    event.y = HighWord(lparam);
    return event;
}

MouseButton ButtonOf(UINT message)
{
    switch (message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: return MouseButton::Left;
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: return MouseButton::Right;
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: return MouseButton::Middle;
    default: return MouseButton::Other;
    }
}

}  // namespace

Key KeyFromVirtualKey(WPARAM virtual_key)
{
    if ((virtual_key >= 'A' && virtual_key <= 'Z') || (virtual_key >= '0' && virtual_key <= '9'))
        return Key::Character;
    if (virtual_key >= VK_F1 && virtual_key <= VK_F12)
        return static_cast<Key>(static_cast<int>(Key::F1) + static_cast<int>(virtual_key - VK_F1));
    switch (virtual_key) {
    case VK_LEFT: return Key::Left;
    case VK_UP: return Key::Up;
    case VK_RIGHT: return Key::Right;
    case VK_DOWN: return Key::Down;
    case VK_BACK: return Key::Backspace;
    case VK_TAB: return Key::Tab;
    case VK_RETURN: return Key::Return;  // the numeric pad's Enter too
    case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT: return Key::Shift;
    case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL: return Key::Control;
    case VK_MENU: case VK_LMENU: case VK_RMENU: return Key::Alt;
    case VK_ESCAPE: return Key::Escape;
    case VK_SPACE: return Key::Space;
    case VK_PRIOR: return Key::PageUp;
    case VK_NEXT: return Key::PageDown;
    case VK_END: return Key::End;
    case VK_HOME: return Key::Home;
    case VK_INSERT: return Key::Insert;
    case VK_DELETE: return Key::Delete;
    default: return Key::Other;
    }
}

bool MessageTranslator::Translate(std::int64_t window, UINT message, WPARAM wparam, LPARAM lparam,
                                  std::vector<InputEvent>& events)
{
    const std::size_t before = events.size();
    switch (message) {
    // Alt, and any key held with it, comes as a system key.
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        InputEvent event = Event(window, down ? InputKind::KeyDown : InputKind::KeyUp);
        event.key = KeyFromVirtualKey(wparam);
        events.push_back(event);
        break;
    }
    case WM_CHAR: {
        const auto unit = static_cast<wchar_t>(wparam);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            m_high_surrogate = unit;
            break;
        }
        std::wstring text;
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (m_high_surrogate == 0)
                break;
            text = {m_high_surrogate, unit};
        } else if (unit >= 0x20 && unit != 0x7F) {
            // Control characters (Backspace, Tab, Return, Escape) are keys,
            // not text.
            text = {unit};
        }
        m_high_surrogate = 0;
        if (!text.empty()) {
            InputEvent event = Event(window, InputKind::TextInput);
            event.text = Utf8FromWide(text);
            events.push_back(event);
        }
        break;
    }
    case WM_MOUSEMOVE:
        events.push_back(MouseEvent(window, InputKind::MouseMove, MouseButton::None, lparam));
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        events.push_back(MouseEvent(window, InputKind::MouseDown, ButtonOf(message), lparam));
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        events.push_back(MouseEvent(window, InputKind::MouseUp, ButtonOf(message), lparam));
        break;
    case WM_MOUSEWHEEL: {
        m_wheel_rest += static_cast<std::int16_t>(HIWORD(wparam));
        const int notches = m_wheel_rest / WHEEL_DELTA;
        m_wheel_rest %= WHEEL_DELTA;
        if (notches != 0) {
            InputEvent event = MouseEvent(window, InputKind::Wheel, MouseButton::None, lparam);
            event.wheel = notches;
            events.push_back(event);
        }
        break;
    }
    case WM_SETFOCUS:
        events.push_back(Event(window, InputKind::FocusGained));
        break;
    case WM_KILLFOCUS:
        events.push_back(Event(window, InputKind::FocusLost));
        break;
    case WM_PAINT:
        events.push_back(Event(window, InputKind::Expose));
        break;
    case WM_SIZE:
        // A window made an icon has no client area to fill.
        if (wparam != SIZE_MINIMIZED) {
            InputEvent event = Event(window, InputKind::Resized);
            event.x = LOWORD(lparam);
            event.y = HIWORD(lparam);
            events.push_back(event);
        }
        break;
    case WM_CLOSE:
        events.push_back(Event(window, InputKind::Close));
        break;
    default:
        break;
    }
    return events.size() > before;
}

}  // namespace nuvra::windows_platform
