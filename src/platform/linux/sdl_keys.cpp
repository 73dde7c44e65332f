#include "platform/linux/sdl_keys.h"

#include <SDL.h>

namespace nuvra::linux_platform {

using platform::Key;

Key KeyFromSdl(std::int32_t key)
{
    if ((key >= SDLK_a && key <= SDLK_z) || (key >= SDLK_0 && key <= SDLK_9))
        return Key::Character;
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return static_cast<Key>(static_cast<int>(Key::F1) + (key - SDLK_F1));
    switch (key) {
    case SDLK_LEFT: return Key::Left;
    case SDLK_UP: return Key::Up;
    case SDLK_RIGHT: return Key::Right;
    case SDLK_DOWN: return Key::Down;
    case SDLK_BACKSPACE: return Key::Backspace;
    case SDLK_TAB: return Key::Tab;
    case SDLK_RETURN: case SDLK_KP_ENTER: return Key::Return;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return Key::Shift;
    case SDLK_LCTRL: case SDLK_RCTRL: return Key::Control;
    case SDLK_LALT: case SDLK_RALT: return Key::Alt;
    case SDLK_ESCAPE: return Key::Escape;
    case SDLK_SPACE: return Key::Space;
    case SDLK_PAGEUP: return Key::PageUp;
    case SDLK_PAGEDOWN: return Key::PageDown;
    case SDLK_END: return Key::End;
    case SDLK_HOME: return Key::Home;
    case SDLK_INSERT: return Key::Insert;
    case SDLK_DELETE: return Key::Delete;
    default: return Key::Other;
    }
}

platform::MouseButton MouseButtonFromSdl(std::uint8_t sdl_button)
{
    switch (sdl_button) {
    case SDL_BUTTON_LEFT:
        return platform::MouseButton::Left;
    case SDL_BUTTON_RIGHT:
        return platform::MouseButton::Right;
    case SDL_BUTTON_MIDDLE:
        return platform::MouseButton::Middle;
    default:
        return platform::MouseButton::Other;
    }
}

}  // namespace nuvra::linux_platform
