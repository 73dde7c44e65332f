#include "platform/linux/sdl_events.h"

#include <SDL.h>

#include "platform/linux/sdl_keys.h"
#include "platform/linux/sdl_window.h"

namespace nuvra::linux_platform {

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
        input.x = at.x;
        input.y = at.y;
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        input.kind = event.type == SDL_MOUSEBUTTONDOWN ? platform::InputKind::MouseDown : platform::InputKind::MouseUp;
        input.x = event.button.x;
        input.y = event.button.y;
        input.button = MouseButtonFlag(event.button.button);
        break;
    case SDL_MOUSEWHEEL:
        input.kind = platform::InputKind::Wheel;
        input.wheel = event.wheel.y;
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        input.kind = event.type == SDL_KEYDOWN ? platform::InputKind::KeyDown : platform::InputKind::KeyUp;
        input.key_code = VirtualKeyFromSdl(event.key.keysym.sym);
        break;
    case SDL_QUIT:
        input.kind = platform::InputKind::Close;
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
            if (SdlWindow* window = SdlWindow::FromSdl(SDL_GetWindowFromID(event.window.windowID)))
                window->NoteExposed();
        }
        if (event.window.event != SDL_WINDOWEVENT_CLOSE)
            return;
        input.kind = platform::InputKind::Close;
        break;
    default:
        return;
    }
    events.push_back(input);
}

}  // namespace nuvra::linux_platform
