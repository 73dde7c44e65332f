// One surface on a layer of a Wayland desktop, covering one monitor: the
// show's window on that monitor. Made by WaylandWindowSystem::CreateWindow
// and owned by the core. It is drawn at the monitor's real pixels: on a
// monitor scaled by 2 its buffers are twice the size the compositor gives
// in surface pixels, on one scaled by 1.25 (where the compositor says so
// per surface) a quarter larger, and the core sees that real size. Its
// frames go into shared-memory buffers (two, so
// one is drawn while the compositor reads the other), one a refresh: a
// present first waits for the compositor's word that the last frame was
// shown. Its size is the one the compositor gives it; a new size is a
// Resized event, the surface closed by the compositor a HostGone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/common/frame_pacer.h"
#include "platform/window.h"

struct wl_buffer;
struct wl_callback;
struct wl_output;
struct wl_surface;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct zwlr_layer_surface_v1;

namespace nuvra::linux_platform {

class WaylandWindowSystem;

class LayerSurface final : public platform::Window {
public:
    LayerSurface(WaylandWindowSystem& system, wl_output* output, platform::SurfaceLayer layer,
                 std::int64_t handle);
    ~LayerSurface() override;
    LayerSurface(const LayerSurface&) = delete;
    LayerSurface& operator=(const LayerSurface&) = delete;

    // Waits for the compositor's first size; false when none came.
    bool WaitUntilConfigured();

    std::int64_t NativeHandle() const override { return m_handle; }
    platform::Rect Bounds() const override { return {0, 0, m_width, m_height}; }
    void SetBounds(const platform::Rect&) override {}
    void Show() override {}
    void Hide() override {}
    void Present(const platform::Canvas& canvas) override;
    void PresentIndexed(const platform::IndexedImage& image, platform::Point position) override;
    double RefreshRate() const override;
    void SetFramePacing(const platform::FramePacing& pacing) override { m_pacer.SetPacing(pacing); }
    void DrawAnimatedRect(const platform::Rect&, const platform::Rect&) override {}

    wl_surface* surface() const { return m_surface; }

    // The listeners' way in (C callbacks of libwayland).
    struct Listeners;

private:
    // Waits out a frame's time still reading the compositor's news, so the
    // go-ahead of the other monitors' surfaces is noted when it comes.
    class Pacer final : public common_platform::FramePacer {
    public:
        explicit Pacer(WaylandWindowSystem& system) : FramePacer(60), m_system(system) {}

    protected:
        void SleepUntil(Clock::time_point when) override;

    private:
        WaylandWindowSystem& m_system;
    };

    struct Buffer {
        wl_buffer* buffer = nullptr;
        std::uint32_t* pixels = nullptr;
        std::size_t bytes = 0;
        std::int32_t width = 0;
        std::int32_t height = 0;
        bool busy = false;  // the compositor still reads it
    };

    void Configure(std::uint32_t serial, std::int32_t width, std::int32_t height);
    void PreferScale(std::uint32_t scale_120ths);
    // The real size from the surface size and the scale; a change once the
    // core has the surface is a Resized event.
    void TakeSize();
    void Closed();
    // A buffer of the surface's size the compositor is not reading, made
    // when needed; null when none can be had.
    Buffer* FreeBuffer();
    bool MakeBuffer(Buffer& buffer);
    static void FreeBufferMemory(Buffer& buffer);
    // Waits for the compositor's go-ahead, then, where a frame stays up for
    // more than one refresh, for the frame's time.
    void WaitForFrame();
    void Commit(Buffer& buffer);

    WaylandWindowSystem& m_system;
    std::int64_t m_handle;
    wl_output* m_output = nullptr;
    wl_surface* m_surface = nullptr;
    zwlr_layer_surface_v1* m_layer_surface = nullptr;
    // Where the compositor scales by fractions: the buffer is shown at the
    // surface's size, and the compositor's preferred scale is heard.
    wp_viewport* m_viewport = nullptr;
    wp_fractional_scale_v1* m_fractional_scale = nullptr;
    wl_callback* m_frame = nullptr;
    // When the compositor last said a frame of ours went on screen.
    common_platform::FramePacer::Clock::time_point m_frame_shown{};
    Pacer m_pacer;
    std::array<Buffer, 2> m_buffers;
    std::int32_t m_surface_width = 0;  // surface pixels, as configured
    std::int32_t m_surface_height = 0;
    std::int32_t m_width = 0;   // real pixels
    std::int32_t m_height = 0;
    std::int32_t m_scale = 1;   // the buffers' whole scale, the output's when configured
    std::uint32_t m_scale_120ths = 0;  // the preferred fractional scale, 0 until said
    bool m_configured = false;
    bool m_closed = false;
};

}  // namespace nuvra::linux_platform
