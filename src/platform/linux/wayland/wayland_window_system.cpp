#include "platform/linux/wayland/wayland_window_system.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <wayland-client.h>

#include "platform/linux/termination.h"
#include "platform/linux/wayland/fractional_scale_protocol.h"
#include "platform/linux/wayland/layer_shell_protocol.h"
#include "platform/linux/wayland/layer_surface.h"
#include "platform/linux/wayland/wayland_listeners.h"

namespace nuvra::linux_platform {

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
    if (m_fractional_scales)
        wp_fractional_scale_manager_v1_destroy(m_fractional_scales);
    if (m_viewporter)
        wp_viewporter_destroy(m_viewporter);
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

double WaylandWindowSystem::RefreshOf(const wl_output* output) const
{
    for (const Output& known : m_outputs) {
        if (known.output == output)
            return known.refresh_millihertz / 1000.0;
    }
    return 0.0;
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
