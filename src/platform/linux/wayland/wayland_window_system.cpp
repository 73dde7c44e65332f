#include "platform/linux/wayland/wayland_window_system.h"

#include <linux/input-event-codes.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <wayland-client.h>

#include "platform/linux/termination.h"
#include "platform/linux/wayland/layer_surface.h"
#include "platform/linux/wayland/layer_shell_protocol.h"

namespace nuvra::linux_platform {

namespace {

// The keys the show tells apart, by their evdev codes.
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

}  // namespace

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
        } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
            auto* output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
            self.m_outputs.push_back({name, output, 0, 0, 1});
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
                           std::int32_t height, std::int32_t)
    {
        if ((flags & WL_OUTPUT_MODE_CURRENT) == 0)
            return;
        for (Output& known : Self(data).m_outputs) {
            if (known.output == output) {
                known.width = width;
                known.height = height;
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

WaylandWindowSystem::WaylandWindowSystem() = default;

WaylandWindowSystem::~WaylandWindowSystem()
{
    if (!m_display)
        return;
    if (m_keyboard)
        wl_keyboard_destroy(m_keyboard);
    if (m_pointer_device)
        wl_pointer_destroy(m_pointer_device);
    if (m_seat)
        wl_seat_destroy(m_seat);
    for (Output& output : m_outputs)
        wl_output_destroy(output.output);
    if (m_layer_shell)
        zwlr_layer_shell_v1_destroy(m_layer_shell);
    if (m_shm)
        wl_shm_destroy(m_shm);
    if (m_compositor)
        wl_compositor_destroy(m_compositor);
    wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

bool WaylandWindowSystem::Connect()
{
    if (m_connect_tried)
        return m_display != nullptr && m_layer_shell != nullptr && !m_gone;
    m_connect_tried = true;
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        m_last_error = "no Wayland compositor answers at \"" + std::string(name ? name : "wayland-0") + "\"";
        return false;
    }
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &Listeners::kRegistryListener, this);
    // The globals, then what the outputs and the seat say of themselves.
    if (wl_display_roundtrip(m_display) < 0 || wl_display_roundtrip(m_display) < 0) {
        m_last_error = "the Wayland compositor stopped answering";
        ConnectionLost();
        return false;
    }
    if (!m_compositor || !m_shm || !m_layer_shell) {
        m_last_error = "the Wayland compositor offers no layer shell (zwlr_layer_shell_v1)";
        return false;
    }
    return true;
}

std::vector<std::int64_t> WaylandWindowSystem::Monitors()
{
    std::vector<std::int64_t> monitors;
    if (!Connect())
        return monitors;
    for (const Output& output : m_outputs)
        monitors.push_back(output.name);
    return monitors;
}

std::unique_ptr<platform::Window> WaylandWindowSystem::CreateWindow(const platform::WindowRequest& request)
{
    if (request.layer == platform::SurfaceLayer::None || !request.parent) {
        m_last_error = "a Wayland desktop gives the show only surfaces on its layers";
        return nullptr;
    }
    if (!Connect())
        return nullptr;
    const auto output = std::find_if(m_outputs.begin(), m_outputs.end(),
                                     [&request](const Output& known) { return known.name == *request.parent; });
    if (output == m_outputs.end()) {
        m_last_error = "the monitor went before the show could cover it";
        return nullptr;
    }
    auto surface = std::make_unique<LayerSurface>(*this, output->output, request.layer, m_next_handle++);
    m_surfaces.push_back(surface.get());
    if (!surface->WaitUntilConfigured()) {
        m_last_error = "the Wayland compositor gave the show's surface no size";
        return nullptr;
    }
    return surface;
}

std::int32_t WaylandWindowSystem::ScaleOf(const wl_output* output) const
{
    for (const Output& known : m_outputs) {
        if (known.output == output)
            return known.scale;
    }
    return 1;
}

void WaylandWindowSystem::Forget(const LayerSurface& surface)
{
    m_surfaces.erase(std::remove(m_surfaces.begin(), m_surfaces.end(), &surface), m_surfaces.end());
    if (m_keyboard_focus == &surface)
        m_keyboard_focus = nullptr;
    if (m_pointer_focus == &surface)
        m_pointer_focus = nullptr;
    // Its events are for a window no form has any more.
}

LayerSurface* WaylandWindowSystem::SurfaceOf(wl_surface* surface) const
{
    for (LayerSurface* known : m_surfaces) {
        if (known->surface() == surface)
            return known;
    }
    return nullptr;
}

void WaylandWindowSystem::SetSeatCapabilities(std::uint32_t capabilities)
{
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (keyboard && !m_keyboard) {
        m_keyboard = wl_seat_get_keyboard(m_seat);
        wl_keyboard_add_listener(m_keyboard, &Listeners::kKeyboardListener, this);
    } else if (!keyboard && m_keyboard) {
        wl_keyboard_destroy(m_keyboard);
        m_keyboard = nullptr;
        m_keyboard_focus = nullptr;
    }
    if (pointer && !m_pointer_device) {
        m_pointer_device = wl_seat_get_pointer(m_seat);
        wl_pointer_add_listener(m_pointer_device, &Listeners::kPointerListener, this);
    } else if (!pointer && m_pointer_device) {
        wl_pointer_destroy(m_pointer_device);
        m_pointer_device = nullptr;
        m_pointer_focus = nullptr;
    }
}

platform::Rect WaylandWindowSystem::PrimaryScreen()
{
    if (!Connect() || m_outputs.empty())
        return {};
    return {0, 0, m_outputs.front().width, m_outputs.front().height};
}

std::optional<platform::Rect> WaylandWindowSystem::GetWindowRect(std::int64_t native_handle)
{
    for (const LayerSurface* surface : m_surfaces) {
        if (surface->NativeHandle() == native_handle)
            return surface->Bounds();
    }
    return std::nullopt;
}

bool WaylandWindowSystem::Dispatch(int timeout_milliseconds)
{
    if (!m_display || m_gone)
        return false;
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0) {
            ConnectionLost();
            return false;
        }
    }
    if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(m_display);
        ConnectionLost();
        return false;
    }
    pollfd wait{wl_display_get_fd(m_display), POLLIN, 0};
    if (poll(&wait, 1, timeout_milliseconds) > 0) {
        if (wl_display_read_events(m_display) < 0) {
            ConnectionLost();
            return false;
        }
    } else {
        wl_display_cancel_read(m_display);
    }
    if (wl_display_dispatch_pending(m_display) < 0) {
        ConnectionLost();
        return false;
    }
    return true;
}

// Every surface went with the compositor: each is told, as when the
// compositor closes one.
void WaylandWindowSystem::ConnectionLost()
{
    if (m_gone)
        return;
    m_gone = true;
    for (const LayerSurface* surface : m_surfaces) {
        platform::InputEvent event;
        event.kind = platform::InputKind::HostGone;
        event.window = surface->NativeHandle();
        Queue(event);
    }
}

void WaylandWindowSystem::PollEvents(std::vector<platform::InputEvent>& events)
{
    Dispatch(0);
    if (TakeTerminationRequest()) {
        platform::InputEvent close;
        close.kind = platform::InputKind::Close;
        m_events.push_back(close);
    }
    events.insert(events.end(), m_events.begin(), m_events.end());
    m_events.clear();
}

void WaylandWindowSystem::WaitForEvents(std::uint32_t milliseconds)
{
    if (!m_events.empty() || TerminationRequested())
        return;
    Dispatch(static_cast<int>(milliseconds));
}

}  // namespace nuvra::linux_platform
