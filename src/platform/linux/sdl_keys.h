// The key and button table: SDL's key codes and mouse buttons as the
// Windows virtual-key codes and button flags the core speaks. Called by the
// event translation only; holds no state and decides nothing about what a
// key means.
#pragma once

#include <cstdint>

namespace nuvra::linux_platform {

// The SDL key code as a Windows virtual-key code; 0xFF for a key without a
// code of its own (it still arrives: every key counts).
std::uint32_t VirtualKeyFromSdl(std::int32_t sdl_keycode);

// The SDL button number as a Windows button flag: 1 left, 2 right, 4 middle,
// 8 for any other button.
std::uint32_t MouseButtonFlag(std::uint8_t sdl_button);

}  // namespace nuvra::linux_platform
