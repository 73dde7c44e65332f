// The compositor's callbacks into WaylandWindowSystem: the registry's
// globals, the outputs' sizes and scales, and the seat's keyboard and
// pointer turned into the core's input events. Private to the window
// system; libwayland calls these with the window system as their data.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <wayland-client.h>

#include "platform/linux/wayland/fractional_scale_protocol.h"
#include "platform/linux/wayland/layer_shell_protocol.h"
#include "platform/linux/wayland/layer_surface.h"
#include "platform/linux/wayland/wayland_window_system.h"

namespace nuvra::linux_platform {

// The keys and buttons the show tells apart, by their evdev codes.
platform::Key KeyOf(std::uint32_t code);
platform::MouseButton ButtonOf(std::uint32_t code);

struct WaylandWindowSystem::Listeners {
    static WaylandWindowSystem& Self(void* data) { return *static_cast<WaylandWindowSystem*>(data); }

    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version)
    {
        WaylandWindowSystem& self = Self(data);
        if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
            self.m_compositor = static_cast<wl_compositor*>(
                wl_registry_bind(registry, name, &wl_compositor_interface, std::min<std::uint32_t>(version, 4)));
        } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
            self.m_shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
        } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
            self.m_layer_shell = static_cast<zwlr_layer_shell_v1*>(
                wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
        } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0) {
            self.m_viewporter =
                static_cast<wp_viewporter*>(wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
        } else if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0) {
            self.m_fractional_scales = static_cast<wp_fractional_scale_manager_v1*>(
                wl_registry_bind(registry, name, &wp_fractional_scale_manager_v1_interface, 1));
        } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
            auto* output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
            self.m_outputs.push_back({name, output, 0, 0, 1, 0});
            wl_output_add_listener(output, &kOutputListener, &self);
        } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self.m_seat) {
            self.m_seat = static_cast<wl_seat*>(
                wl_registry_bind(registry, name, &wl_seat_interface, std::min<std::uint32_t>(version, 5)));
            wl_seat_add_listener(self.m_seat, &kSeatListener, &self);
        }
    }
    static void GlobalRemove(void* data, wl_registry*, std::uint32_t name)
    {
        std::vector<Output>& outputs = Self(data).m_outputs;
        for (auto output = outputs.begin(); output != outputs.end(); ++output) {
            if (output->name == name) {
                wl_output_destroy(output->output);
                outputs.erase(output);
                return;
            }
        }
    }

    static void OutputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                               std::int32_t, const char*, const char*, std::int32_t)
    {
    }
    static void OutputMode(void* data, wl_output* output, std::uint32_t flags, std::int32_t width,
                           std::int32_t height, std::int32_t refresh)
    {
        if ((flags & WL_OUTPUT_MODE_CURRENT) == 0)
            return;
        for (Output& known : Self(data).m_outputs) {
            if (known.output == output) {
                known.width = width;
                known.height = height;
                known.refresh_millihertz = std::max(refresh, 0);
            }
        }
    }
    static void OutputDone(void*, wl_output*) {}
    static void OutputScale(void* data, wl_output* output, std::int32_t factor)
    {
        for (Output& known : Self(data).m_outputs) {
            if (known.output == output)
                known.scale = std::max(factor, 1);
        }
    }

    static void SeatCapabilities(void* data, wl_seat*, std::uint32_t capabilities)
    {
        Self(data).SetSeatCapabilities(capabilities);
    }
    static void SeatName(void*, wl_seat*, const char*) {}

    static void KeyboardKeymap(void*, wl_keyboard*, std::uint32_t, std::int32_t file, std::uint32_t)
    {
        close(file);
    }
    static void KeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*)
    {
        Self(data).m_keyboard_focus = Self(data).SurfaceOf(surface);
    }
    static void KeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*)
    {
        Self(data).m_keyboard_focus = nullptr;
    }
    static void KeyboardKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
                            std::uint32_t state)
    {
        WaylandWindowSystem& self = Self(data);
        if (!self.m_keyboard_focus)
            return;
        platform::InputEvent event;
        event.kind = state == WL_KEYBOARD_KEY_STATE_PRESSED ? platform::InputKind::KeyDown
                                                            : platform::InputKind::KeyUp;
        event.window = self.m_keyboard_focus->NativeHandle();
        event.key = KeyOf(key);
        self.Queue(event);
    }
    static void KeyboardModifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                                  std::uint32_t, std::uint32_t)
    {
    }
    static void KeyboardRepeat(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

    static void PointerAt(WaylandWindowSystem& self, wl_fixed_t x, wl_fixed_t y)
    {
        self.m_pointer = {wl_fixed_to_int(x), wl_fixed_to_int(y)};
        if (!self.m_pointer_focus)
            return;
        platform::InputEvent event;
        event.kind = platform::InputKind::MouseMove;
        event.window = self.m_pointer_focus->NativeHandle();
        event.x = self.m_pointer.x;
        event.y = self.m_pointer.y;
        self.Queue(event);
    }
    static void PointerEnter(void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface,
                             wl_fixed_t x, wl_fixed_t y)
    {
        WaylandWindowSystem& self = Self(data);
        self.m_pointer_focus = self.SurfaceOf(surface);
        // No pointer over the show.
        wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
        PointerAt(self, x, y);
    }
    static void PointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*)
    {
        Self(data).m_pointer_focus = nullptr;
    }
    static void PointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y)
    {
        PointerAt(Self(data), x, y);
    }
    static void PointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                              std::uint32_t state)
    {
        WaylandWindowSystem& self = Self(data);
        if (!self.m_pointer_focus)
            return;
        platform::InputEvent event;
        event.kind = state == WL_POINTER_BUTTON_STATE_PRESSED ? platform::InputKind::MouseDown
                                                              : platform::InputKind::MouseUp;
        event.window = self.m_pointer_focus->NativeHandle();
        event.x = self.m_pointer.x;
        event.y = self.m_pointer.y;
        event.button = ButtonOf(button);
        self.Queue(event);
    }
    static void PointerAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
    static void PointerFrame(void*, wl_pointer*) {}
    static void PointerAxisSource(void*, wl_pointer*, std::uint32_t) {}
    static void PointerAxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
    static void PointerAxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}

    static const wl_registry_listener kRegistryListener;
    static const wl_output_listener kOutputListener;
    static const wl_seat_listener kSeatListener;
    static const wl_keyboard_listener kKeyboardListener;
    static const wl_pointer_listener kPointerListener;
};

}  // namespace nuvra::linux_platform
