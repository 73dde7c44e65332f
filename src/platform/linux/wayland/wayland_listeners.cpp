#include "platform/linux/wayland/wayland_listeners.h"

#include <linux/input-event-codes.h>

namespace nuvra::linux_platform {

platform::Key KeyOf(std::uint32_t code)
{
    switch (code) {
    case KEY_LEFT: return platform::Key::Left;
    case KEY_RIGHT: return platform::Key::Right;
    case KEY_UP: return platform::Key::Up;
    case KEY_DOWN: return platform::Key::Down;
    case KEY_ESC: return platform::Key::Escape;
    case KEY_ENTER: return platform::Key::Return;
    case KEY_SPACE: return platform::Key::Space;
    case KEY_LEFTSHIFT:
    case KEY_RIGHTSHIFT: return platform::Key::Shift;
    case KEY_LEFTCTRL:
    case KEY_RIGHTCTRL: return platform::Key::Control;
    case KEY_LEFTALT:
    case KEY_RIGHTALT: return platform::Key::Alt;
    default: return platform::Key::Other;
    }
}

platform::MouseButton ButtonOf(std::uint32_t code)
{
    switch (code) {
    case BTN_LEFT: return platform::MouseButton::Left;
    case BTN_RIGHT: return platform::MouseButton::Right;
    case BTN_MIDDLE: return platform::MouseButton::Middle;
    default: return platform::MouseButton::Other;
    }
}

const wl_registry_listener WaylandWindowSystem::Listeners::kRegistryListener = {Global, GlobalRemove};
const wl_output_listener WaylandWindowSystem::Listeners::kOutputListener = {OutputGeometry, OutputMode,
                                                                            OutputDone, OutputScale,
                                                                            nullptr, nullptr};
const wl_seat_listener WaylandWindowSystem::Listeners::kSeatListener = {SeatCapabilities, SeatName};
const wl_keyboard_listener WaylandWindowSystem::Listeners::kKeyboardListener = {
    KeyboardKeymap, KeyboardEnter, KeyboardLeave, KeyboardKey, KeyboardModifiers, KeyboardRepeat};
const wl_pointer_listener WaylandWindowSystem::Listeners::kPointerListener = {
    PointerEnter, PointerLeave,      PointerMotion,   PointerButton,      PointerAxis,
    PointerFrame, PointerAxisSource, PointerAxisStop, PointerAxisDiscrete, nullptr};

}  // namespace nuvra::linux_platform
