// The key and button table: SDL's key codes and mouse buttons as the core's
// typed keys and buttons. Called by the event translation only; holds no
// state and decides nothing about what a key means.
#pragma once

#include <cstdint>

#include "platform/window.h"

namespace nuvra::linux_platform {

// The SDL key code as the core's key; Other for a key the core does not tell
// apart (it still arrives: every key counts).
platform::Key KeyFromSdl(std::int32_t sdl_keycode);

// The SDL button number as the core's button; Other for any button beyond
// the three.
platform::MouseButton MouseButtonFromSdl(std::uint8_t sdl_button);

}  // namespace nuvra::linux_platform
