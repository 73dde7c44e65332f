#include "platform/linux/sdl_events.h"

#include <SDL.h>

#include "platform/linux/sdl_keys.h"
#include "platform/linux/sdl_window.h"

namespace nuvra::linux_platform {

namespace {

// The native handle of the window an event names, as its SdlWindow's
// NativeHandle() gives it; 0 when SDL names none.
std::int64_t WindowOf(std::uint32_t window_id)
{
    SDL_Window* window = window_id != 0 ? SDL_GetWindowFromID(window_id) : nullptr;
    return window != nullptr ? NativeHandleOf(window) : 0;
}

// The window events the core hears of; false for the rest.
bool TranslateWindowEvent(const SDL_WindowEvent& event, platform::InputEvent& input)
{
    switch (event.event) {
    case SDL_WINDOWEVENT_EXPOSED:
        // The screen's copy of the window is gone: its next frame sends all.
        if (SdlWindow* window = SdlWindow::FromSdl(SDL_GetWindowFromID(event.windowID)))
            window->NoteExposed();
        input.kind = platform::InputKind::Expose;
        return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        input.kind = platform::InputKind::Resized;
        input.x = event.data1;
        input.y = event.data2;
        return true;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        input.kind = platform::InputKind::FocusGained;
        return true;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        input.kind = platform::InputKind::FocusLost;
        return true;
    case SDL_WINDOWEVENT_CLOSE:
        input.kind = platform::InputKind::Close;
        return true;
    case SDL_WINDOWEVENT_ENTER:
        // One pointer serves all our windows: the one it is over decides.
        if (SdlWindow* window = SdlWindow::FromSdl(SDL_GetWindowFromID(event.windowID)))
            window->ShowOwnPointer();
        return false;
    default:
        return false;
    }
}

}  // namespace

void SdlEventTranslator::Translate(const SDL_Event& event, std::vector<platform::InputEvent>& events)
{
    platform::InputEvent input;
    switch (event.type) {
    case SDL_MOUSEMOTION: {
        const platform::Point at{event.motion.x, event.motion.y};
        // SDL reports a motion when a window appears under a pointer that
        // has not moved; only a change of position is a movement.
        const bool moved = !m_last_pointer || m_last_pointer->x != at.x || m_last_pointer->y != at.y;
        m_last_pointer = at;
        if (!moved)
            return;
        input.kind = platform::InputKind::MouseMove;
        input.window = WindowOf(event.motion.windowID);
        input.x = at.x;
        input.y = at.y;
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        input.kind = event.type == SDL_MOUSEBUTTONDOWN ? platform::InputKind::MouseDown : platform::InputKind::MouseUp;
        input.window = WindowOf(event.button.windowID);
        input.x = event.button.x;
        input.y = event.button.y;
        input.button = MouseButtonFromSdl(event.button.button);
        break;
    case SDL_MOUSEWHEEL:
        input.kind = platform::InputKind::Wheel;
        input.window = WindowOf(event.wheel.windowID);
        // Notches away from the user are positive, whatever way the
        // desktop turns the wheel ("natural" scrolling flips SDL's sign).
        input.wheel = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
        input.x = event.wheel.mouseX;
        input.y = event.wheel.mouseY;
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        input.kind = event.type == SDL_KEYDOWN ? platform::InputKind::KeyDown : platform::InputKind::KeyUp;
        input.window = WindowOf(event.key.windowID);
        input.key = KeyFromSdl(event.key.keysym.sym);
        break;
    case SDL_TEXTINPUT:
        input.kind = platform::InputKind::TextInput;
        input.window = WindowOf(event.text.windowID);
        input.text = event.text.text;
        break;
    case SDL_QUIT:
        // The last window closed, or the process was asked to end: the
        // whole process's event.
        input.kind = platform::InputKind::Close;
        break;
    case SDL_WINDOWEVENT:
        if (!TranslateWindowEvent(event.window, input))
            return;
        input.window = WindowOf(event.window.windowID);
        break;
    default:
        return;
    }
    events.push_back(std::move(input));
}

}  // namespace nuvra::linux_platform
