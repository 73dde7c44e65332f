// The window system on a Wayland desktop, for the show on its layers
// (--layer): the connection, its monitors, the seat's keyboard and pointer,
// and the pump. Owned by the backend, which puts it in the place of the
// SDL/X11 window system for that show only. It makes LayerSurfaces (one per
// monitor, on the overlay or the background layer) and turns the
// compositor's news into the core's events: keys and pointer input for the
// surface they came to, a surface the compositor closed or a connection
// that went as HostGone, a termination request as Close for window 0. It
// never decides what an event means, and makes no other kind of window.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window.h"

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_keyboard;
struct wl_pointer;
struct wl_output;
struct wl_surface;
struct zwlr_layer_shell_v1;
struct wp_viewporter;
struct wp_fractional_scale_manager_v1;

namespace nuvra::linux_platform {

class LayerSurface;

class WaylandWindowSystem final : public platform::WindowSystem {
public:
    WaylandWindowSystem();
    ~WaylandWindowSystem() override;
    WaylandWindowSystem(const WaylandWindowSystem&) = delete;
    WaylandWindowSystem& operator=(const WaylandWindowSystem&) = delete;

    // A LayerSurface over the monitor in request.parent, on request.layer;
    // null (and last_error() says why) for any other request, or when the
    // compositor gives the surface no size.
    std::unique_ptr<platform::Window> CreateWindow(const platform::WindowRequest& request) override;
    // The first monitor's size, where the compositor said it.
    platform::Rect PrimaryScreen() override;
    std::optional<platform::Rect> GetWindowRect(std::int64_t native_handle) override;
    void PollEvents(std::vector<platform::InputEvent>& events) override;
    void WaitForEvents(std::uint32_t milliseconds) override;
    // The compositor's outputs, by their global names, connecting first.
    std::vector<std::int64_t> Monitors() override;
    bool DisplayGone() const override { return m_gone; }

    const std::string& last_error() const { return m_last_error; }
    // Where the pointer was last seen, in the surface it was over.
    platform::Point pointer() const { return m_pointer; }

    // For the surfaces: the globals they are made with, the wait for the
    // compositor's news (false once the connection is gone) and the events
    // they hand the core.
    wl_compositor* compositor() const { return m_compositor; }
    wl_shm* shm() const { return m_shm; }
    zwlr_layer_shell_v1* layer_shell() const { return m_layer_shell; }
    // Both where the compositor draws surfaces at fractional scales, else
    // null: the surfaces then go by their monitors' whole scales.
    wp_viewporter* viewporter() const { return m_viewporter; }
    wp_fractional_scale_manager_v1* fractional_scales() const { return m_fractional_scales; }
    bool Dispatch(int timeout_milliseconds);
    void Queue(const platform::InputEvent& event) { m_events.push_back(event); }
    void Forget(const LayerSurface& surface);
    // The output's scale as it last said it (1 for one that is gone).
    std::int32_t ScaleOf(const wl_output* output) const;
    // The output's refresh in hertz as it last said it (0: not said, or gone).
    double RefreshOf(const wl_output* output) const;

    // The listeners' way in (C callbacks of libwayland).
    struct Listeners;

private:
    struct Output {
        std::uint32_t name = 0;
        wl_output* output = nullptr;
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::int32_t scale = 1;  // real pixels to a surface pixel, each way
        std::int32_t refresh_millihertz = 0;
    };

    bool Connect();
    void ConnectionLost();
    LayerSurface* SurfaceOf(wl_surface* surface) const;
    void SetSeatCapabilities(std::uint32_t capabilities);

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_compositor* m_compositor = nullptr;
    wl_shm* m_shm = nullptr;
    zwlr_layer_shell_v1* m_layer_shell = nullptr;
    wp_viewporter* m_viewporter = nullptr;
    wp_fractional_scale_manager_v1* m_fractional_scales = nullptr;
    wl_seat* m_seat = nullptr;
    wl_keyboard* m_keyboard = nullptr;
    wl_pointer* m_pointer_device = nullptr;
    std::vector<Output> m_outputs;
    std::vector<LayerSurface*> m_surfaces;
    LayerSurface* m_keyboard_focus = nullptr;
    LayerSurface* m_pointer_focus = nullptr;
    platform::Point m_pointer;
    std::vector<platform::InputEvent> m_events;
    std::int64_t m_next_handle = 1;
    bool m_connect_tried = false;
    bool m_gone = false;
    std::string m_last_error;
};

// The pointer of a show on the layers: where it was last seen (the show
// ends on a movement in both directions). The compositor hides it over our
// surfaces; there is nothing to count or make busy.
class WaylandCursor final : public platform::CursorService {
public:
    explicit WaylandCursor(const WaylandWindowSystem& windows) : m_windows(windows) {}
    std::int32_t ShowCursor(bool show) override { return show ? 0 : -1; }
    platform::Point GetCursorPos() override { return m_windows.pointer(); }
    void SetBusy(bool) override {}

private:
    const WaylandWindowSystem& m_windows;
};

}  // namespace nuvra::linux_platform
