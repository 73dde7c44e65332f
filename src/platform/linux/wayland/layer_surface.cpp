#include "platform/linux/wayland/layer_surface.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

#include <wayland-client.h>

#include "platform/linux/indexed_copy.h"
#include "platform/linux/wayland/fractional_scale_protocol.h"
#include "platform/linux/wayland/layer_shell_protocol.h"
#include "platform/linux/wayland/surface_scale.h"
#include "platform/linux/wayland/wayland_window_system.h"

namespace nuvra::linux_platform {

namespace {

// A frame the compositor never confirms (a monitor switched off) must not
// stop the show's loop: after this long the next frame goes anyway.
constexpr int kLongestFrameWaitMilliseconds = 100;

}  // namespace

struct LayerSurface::Listeners {
    static void Configure(void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width,
                          std::uint32_t height)
    {
        static_cast<LayerSurface*>(data)->Configure(serial, static_cast<std::int32_t>(width),
                                                    static_cast<std::int32_t>(height));
    }
    static void Closed(void* data, zwlr_layer_surface_v1*) { static_cast<LayerSurface*>(data)->Closed(); }
    static void PreferredScale(void* data, wp_fractional_scale_v1*, std::uint32_t scale)
    {
        static_cast<LayerSurface*>(data)->PreferScale(scale);
    }
    static void FrameDone(void* data, wl_callback* callback, std::uint32_t)
    {
        auto* self = static_cast<LayerSurface*>(data);
        wl_callback_destroy(callback);
        if (self->m_frame == callback) {
            self->m_frame = nullptr;
            self->m_frame_shown = common_platform::FramePacer::Clock::now();
        }
    }
    static void Released(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }
};

namespace {

const zwlr_layer_surface_v1_listener kLayerSurfaceListener = {LayerSurface::Listeners::Configure,
                                                              LayerSurface::Listeners::Closed};
const wp_fractional_scale_v1_listener kFractionalScaleListener = {LayerSurface::Listeners::PreferredScale};
const wl_callback_listener kFrameListener = {LayerSurface::Listeners::FrameDone};
const wl_buffer_listener kBufferListener = {LayerSurface::Listeners::Released};

}  // namespace

LayerSurface::LayerSurface(WaylandWindowSystem& system, wl_output* output, platform::SurfaceLayer layer,
                           std::int64_t handle)
    : m_system(system), m_handle(handle), m_output(output), m_pacer(system)
{
    const bool overlay = layer == platform::SurfaceLayer::Overlay;
    m_surface = wl_compositor_create_surface(system.compositor());
    m_layer_surface = zwlr_layer_shell_v1_get_layer_surface(
        system.layer_shell(), m_surface, output,
        overlay ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "nuvra");
    // The whole monitor, panels included: anchored to every edge, size left
    // to the compositor, no zone kept clear for others.
    zwlr_layer_surface_v1_set_size(m_layer_surface, 0, 0);
    zwlr_layer_surface_v1_set_anchor(
        m_layer_surface, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                             ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(m_layer_surface, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(m_layer_surface, overlay ? 1 : 0);
    if (!overlay) {
        // The desktop's clicks go through the background to what is under it.
        wl_region* nothing = wl_compositor_create_region(system.compositor());
        wl_surface_set_input_region(m_surface, nothing);
        wl_region_destroy(nothing);
    }
    zwlr_layer_surface_v1_add_listener(m_layer_surface, &kLayerSurfaceListener, this);
    if (system.viewporter() && system.fractional_scales()) {
        m_viewport = wp_viewporter_get_viewport(system.viewporter(), m_surface);
        m_fractional_scale = wp_fractional_scale_manager_v1_get_fractional_scale(system.fractional_scales(), m_surface);
        wp_fractional_scale_v1_add_listener(m_fractional_scale, &kFractionalScaleListener, this);
    }
    wl_surface_commit(m_surface);
}

LayerSurface::~LayerSurface()
{
    m_system.Forget(*this);
    if (m_frame)
        wl_callback_destroy(m_frame);
    for (Buffer& buffer : m_buffers)
        FreeBufferMemory(buffer);
    if (m_fractional_scale)
        wp_fractional_scale_v1_destroy(m_fractional_scale);
    if (m_viewport)
        wp_viewport_destroy(m_viewport);
    zwlr_layer_surface_v1_destroy(m_layer_surface);
    wl_surface_destroy(m_surface);
    // Gone from the screen at once, not whenever the next news is read.
    m_system.Dispatch(0);
}

bool LayerSurface::WaitUntilConfigured()
{
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!m_configured && !m_closed && std::chrono::steady_clock::now() < give_up) {
        if (!m_system.Dispatch(100))
            return false;
    }
    return m_configured && m_width > 0 && m_height > 0;
}

void LayerSurface::Configure(std::uint32_t serial, std::int32_t width, std::int32_t height)
{
    zwlr_layer_surface_v1_ack_configure(m_layer_surface, serial);
    m_surface_width = width;
    m_surface_height = height;
    TakeSize();
}

void LayerSurface::PreferScale(std::uint32_t scale_120ths)
{
    m_scale_120ths = scale_120ths;
    if (m_surface_width > 0)
        TakeSize();
}

void LayerSurface::TakeSize()
{
    // The size comes in surface pixels; the show is drawn at the monitor's
    // own, which the buffer scale (or the viewport) tells the compositor.
    m_scale = m_system.ScaleOf(m_output);
    const std::int32_t width = RealPixels(m_surface_width, m_scale, m_scale_120ths);
    const std::int32_t height = RealPixels(m_surface_height, m_scale, m_scale_120ths);
    const bool resized = m_configured && (width != m_width || height != m_height);
    m_width = width;
    m_height = height;
    m_configured = true;
    if (resized) {
        platform::InputEvent event;
        event.kind = platform::InputKind::Resized;
        event.window = m_handle;
        event.x = width;
        event.y = height;
        m_system.Queue(event);
    }
}

void LayerSurface::Closed()
{
    m_closed = true;
    platform::InputEvent event;
    event.kind = platform::InputKind::HostGone;
    event.window = m_handle;
    m_system.Queue(event);
}

bool LayerSurface::MakeBuffer(Buffer& buffer)
{
    FreeBufferMemory(buffer);
    const std::int32_t stride = m_width * 4;
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(m_height);
    if (bytes == 0 || bytes > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return false;
    const int file = memfd_create("nuvra-frame", MFD_CLOEXEC);
    if (file < 0)
        return false;
    void* memory = MAP_FAILED;
    if (ftruncate(file, static_cast<off_t>(bytes)) == 0)
        memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (memory == MAP_FAILED) {
        close(file);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(m_system.shm(), file, static_cast<std::int32_t>(bytes));
    buffer.buffer = wl_shm_pool_create_buffer(pool, 0, m_width, m_height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(file);
    buffer.pixels = static_cast<std::uint32_t*>(memory);
    buffer.bytes = bytes;
    buffer.width = m_width;
    buffer.height = m_height;
    buffer.busy = false;
    wl_buffer_add_listener(buffer.buffer, &kBufferListener, &buffer);
    return true;
}

void LayerSurface::FreeBufferMemory(Buffer& buffer)
{
    if (buffer.buffer)
        wl_buffer_destroy(buffer.buffer);
    if (buffer.pixels)
        munmap(buffer.pixels, buffer.bytes);
    buffer = Buffer{};
}

LayerSurface::Buffer* LayerSurface::FreeBuffer()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (Buffer& buffer : m_buffers) {
            if (buffer.busy)
                continue;
            if (buffer.buffer && buffer.width == m_width && buffer.height == m_height)
                return &buffer;
            return MakeBuffer(buffer) ? &buffer : nullptr;
        }
        // Both are still read: the compositor lets one go soon.
        if (!m_system.Dispatch(kLongestFrameWaitMilliseconds))
            return nullptr;
    }
    return nullptr;
}

void LayerSurface::Pacer::SleepUntil(Clock::time_point when)
{
    for (Clock::time_point now = Clock::now(); now < when; now = Clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - now);
        if (left.count() == 0 || !m_system.Dispatch(static_cast<int>(left.count()))) {
            std::this_thread::sleep_until(when);
            return;
        }
    }
}

double LayerSurface::RefreshRate() const
{
    return m_system.RefreshOf(m_output);
}

void LayerSurface::WaitForFrame()
{
    const auto give_up =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kLongestFrameWaitMilliseconds);
    while (m_frame && !m_closed) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            give_up - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !m_system.Dispatch(static_cast<int>(left.count())))
            break;
    }
    // One frame a refresh is what the go-ahead gives by itself.
    if (m_pacer.refreshes_per_frame() > 1 && !m_closed)
        m_pacer.AfterRefreshAt(m_frame_shown);
}

void LayerSurface::Commit(Buffer& buffer)
{
    if (m_viewport && m_scale_120ths > 0) {
        wl_surface_set_buffer_scale(m_surface, 1);
        wp_viewport_set_destination(m_viewport, m_surface_width, m_surface_height);
    } else {
        wl_surface_set_buffer_scale(m_surface, m_scale);
    }
    wl_surface_attach(m_surface, buffer.buffer, 0, 0);
    wl_surface_damage(m_surface, 0, 0, std::numeric_limits<std::int32_t>::max(),
                      std::numeric_limits<std::int32_t>::max());
    if (m_frame)
        wl_callback_destroy(m_frame);
    m_frame = wl_surface_frame(m_surface);
    wl_callback_add_listener(m_frame, &kFrameListener, this);
    wl_surface_commit(m_surface);
    buffer.busy = true;
    m_system.Dispatch(0);
}

void LayerSurface::Present(const platform::Canvas& canvas)
{
    if (m_closed || !m_configured)
        return;
    WaitForFrame();
    Buffer* buffer = FreeBuffer();
    if (!buffer)
        return;
    std::fill_n(buffer->pixels, buffer->bytes / 4, 0u);
    const std::int32_t width = std::min(canvas.width, m_width);
    const std::int32_t height = std::min(canvas.height, m_height);
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(buffer->pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width),
                    canvas.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width),
                    static_cast<std::size_t>(width) * 4);
    Commit(*buffer);
}

void LayerSurface::PresentIndexed(const platform::IndexedImage& image, platform::Point position)
{
    if (m_closed || !m_configured)
        return;
    WaitForFrame();
    Buffer* buffer = FreeBuffer();
    if (!buffer)
        return;
    std::fill_n(buffer->pixels, buffer->bytes / 4, 0u);
    // The part of the picture that lies on the surface, in the picture's
    // own top-first coordinates.
    const platform::Rect part{std::max(0, -position.x), std::max(0, -position.y),
                              std::min(image.width, m_width - position.x),
                              std::min(image.height, m_height - position.y)};
    if (image.pixels && part.left < part.right && part.top < part.bottom) {
        std::uint32_t* target = buffer->pixels +
                                static_cast<std::size_t>(position.y + part.top) * static_cast<std::size_t>(m_width) +
                                static_cast<std::size_t>(position.x + part.left);
        CopyIndexedToArgb(image, target, m_width * 4, part);
    }
    Commit(*buffer);
}

}  // namespace nuvra::linux_platform
