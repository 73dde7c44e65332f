#include "platform/linux/sdl_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>


namespace nuvra::linux_platform {

namespace {

using Clock = std::chrono::steady_clock;

struct WindowDeleter {
    void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};
struct RendererDeleter {
    void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
};
struct TextureDeleter {
    void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
};

// True for a renderer drawn by the processor: SDL's software renderer, or
// OpenGL on Mesa's software rasterisers.
bool RasterisesOnTheProcessor(SDL_Renderer* renderer)
{
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_SOFTWARE) != 0)
        return true;
    if (std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    using GetString = const unsigned char* (*)(unsigned int);
    constexpr unsigned int kGlRenderer = 0x1F01;
    auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = get_string != nullptr ? get_string(kGlRenderer) : nullptr;
    if (name == nullptr)
        return false;
    const std::string text(reinterpret_cast<const char*>(name));
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (text.find(software) != std::string::npos)
            return true;
    }
    return false;
}

class SdlWindow final : public platform::Window {
public:
    // renderer: a hardware renderer that waits for the refresh, or null to
    // draw into the window's own surface (see PresentToSurface).
    SdlWindow(SDL_Window* window, SDL_Renderer* renderer, int refresh_hz)
        : m_window(window), m_renderer(renderer),
          m_frame_period(std::chrono::microseconds(1000000 / std::max(refresh_hz, 1))),
          m_vsync(HasVsync(renderer))
    {
    }

    std::int64_t NativeHandle() const override
    {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(m_window.get(), &info) && info.subsystem == SDL_SYSWM_X11)
            return static_cast<std::int64_t>(info.info.x11.window);
        return static_cast<std::int64_t>(SDL_GetWindowID(m_window.get()));
    }

    platform::Rect Bounds() const override
    {
        int x = 0, y = 0, w = 0, h = 0;
        SDL_GetWindowPosition(m_window.get(), &x, &y);
        SDL_GetWindowSize(m_window.get(), &w, &h);
        return {x, y, x + w, y + h};
    }

    void SetBounds(const platform::Rect& bounds) override
    {
        SDL_SetWindowPosition(m_window.get(), bounds.left, bounds.top);
        SDL_SetWindowSize(m_window.get(), bounds.right - bounds.left, bounds.bottom - bounds.top);
    }

    void Show() override
    {
        SDL_ShowWindow(m_window.get());
        SDL_RaiseWindow(m_window.get());
        // Keys go to the focused window: take the focus so that the first key
        // press reaches the show.
        SDL_SetWindowInputFocus(m_window.get());
    }

    void Hide() override { SDL_HideWindow(m_window.get()); }

    void Present(const platform::Canvas& canvas) override
    {
        if (!m_renderer && !EnsureRenderer())
            return;
        if (canvas.width <= 0 || canvas.height <= 0 || !EnsureTexture(canvas.width, canvas.height))
            return;
        SDL_UpdateTexture(m_texture.get(), nullptr, canvas.pixels.data(), canvas.width * 4);
        SDL_SetRenderDrawColor(m_renderer.get(), 0, 0, 0, 255);
        SDL_RenderClear(m_renderer.get());
        SDL_RenderCopy(m_renderer.get(), m_texture.get(), nullptr, nullptr);
        PresentPaced();
    }

    void PresentIndexed(const platform::IndexedImage& image, platform::Point position) override
    {
        if (!m_renderer && PresentToSurface(image, position))
            return;
        if (!m_renderer && !EnsureRenderer())
            return;
        SDL_SetRenderDrawColor(m_renderer.get(), 0, 0, 0, 255);
        SDL_RenderClear(m_renderer.get());
        if (image.pixels != nullptr && image.width > 0 && image.height > 0 &&
            EnsureTexture(image.width, image.height)) {
            CopyIndexed(image);
            SDL_Rect target{position.x, position.y, image.width, image.height};
            SDL_RenderCopy(m_renderer.get(), m_texture.get(), nullptr, &target);
        }
        PresentPaced();
    }

    void DrawAnimatedRect(const platform::Rect&, const platform::Rect&) override {}

private:
    // Without a hardware renderer the frame goes straight into the window's
    // surface: the square is converted into place and only what changed is
    // sent to the X server (the square, and the strips of the last square
    // that it no longer covers), instead of clearing and sending the whole
    // screen every frame. False when the surface cannot be had.
    bool PresentToSurface(const platform::IndexedImage& image, platform::Point position)
    {
        SDL_Surface* surface = SDL_GetWindowSurface(m_window.get());
        if (surface == nullptr || (surface->format->format != SDL_PIXELFORMAT_RGB888 &&
                                   surface->format->format != SDL_PIXELFORMAT_ARGB8888))
            return false;
        const SDL_Rect screen{0, 0, surface->w, surface->h};
        SDL_Rect box{};
        if (image.pixels != nullptr && image.width > 0 && image.height > 0) {
            const SDL_Rect wanted{position.x, position.y, image.width, image.height};
            SDL_IntersectRect(&wanted, &screen, &box);
        }
        // After an exposure, whenever the surface is new, and once a second
        // in case an exposure went unreported, all of it is sent.
        const Clock::time_point now = Clock::now();
        const bool whole = surface != m_surface || now >= m_next_whole_update || std::exchange(s_exposed, false);
        if (whole) {
            SDL_FillRect(surface, nullptr, 0);
            m_surface = surface;
            m_next_whole_update = now + std::chrono::seconds(1);
        }
        DirtyRects dirty;
        if (!whole)
            ClearUncovered(surface, m_last_box, box, dirty);
        if (box.w > 0 && box.h > 0) {
            if (SDL_MUSTLOCK(surface))
                SDL_LockSurface(surface);
            auto* target = static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::int64_t>(box.y) * surface->pitch +
                           static_cast<std::int64_t>(box.x) * 4;
            CopyIndexedToArgb(image, target, surface->pitch,
                              platform::Rect{box.x - position.x, box.y - position.y, box.x - position.x + box.w,
                                             box.y - position.y + box.h});
            if (SDL_MUSTLOCK(surface))
                SDL_UnlockSurface(surface);
            dirty.Add(box);
        }
        m_last_box = box;
        if (whole)
            SDL_UpdateWindowSurface(m_window.get());
        else if (dirty.count > 0)
            SDL_UpdateWindowSurfaceRects(m_window.get(), dirty.rects.data(), dirty.count);
        WaitForNextFrame();
        return true;
    }

    // Paints black the parts of the old box that the new one leaves bare,
    // as at most four strips.
    // What a frame sends: the box and at most four strips of the last one.
    struct DirtyRects {
        std::array<SDL_Rect, 5> rects{};
        int count = 0;
        void Add(const SDL_Rect& rect) { rects[static_cast<std::size_t>(count++)] = rect; }
    };

    static void ClearUncovered(SDL_Surface* surface, const SDL_Rect& old_box, const SDL_Rect& new_box,
                               DirtyRects& dirty)
    {
        if (old_box.w <= 0 || old_box.h <= 0)
            return;
        SDL_Rect overlap{};
        if (!SDL_IntersectRect(&old_box, &new_box, &overlap)) {
            SDL_FillRect(surface, &old_box, 0);
            dirty.Add(old_box);
            return;
        }
        const SDL_Rect strips[4] = {
            {old_box.x, old_box.y, old_box.w, overlap.y - old_box.y},                                // above
            {old_box.x, overlap.y + overlap.h, old_box.w, old_box.y + old_box.h - overlap.y - overlap.h},  // below
            {old_box.x, overlap.y, overlap.x - old_box.x, overlap.h},                                // left
            {overlap.x + overlap.w, overlap.y, old_box.x + old_box.w - overlap.x - overlap.w, overlap.h},  // right
        };
        for (const SDL_Rect& strip : strips) {
            if (strip.w > 0 && strip.h > 0) {
                SDL_FillRect(surface, &strip, 0);
                dirty.Add(strip);
            }
        }
    }

    // The surface path's fallback, and the path of the canvas frames: SDL's
    // own software renderer on the same window.
    bool EnsureRenderer()
    {
        m_renderer.reset(SDL_CreateRenderer(m_window.get(), -1, SDL_RENDERER_SOFTWARE));
        m_surface = nullptr;
        return m_renderer != nullptr;
    }

    bool EnsureTexture(int width, int height)
    {
        if (m_texture && m_texture_width == width && m_texture_height == height)
            return true;
        m_texture.reset(SDL_CreateTexture(m_renderer.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                          width, height));
        m_texture_width = width;
        m_texture_height = height;
        return m_texture != nullptr;
    }

    void CopyIndexed(const platform::IndexedImage& image)
    {
        void* locked = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(m_texture.get(), nullptr, &locked, &pitch) != 0)
            return;
        CopyIndexedToArgb(image, locked, pitch);
        SDL_UnlockTexture(m_texture.get());
    }

    // With a working vsync the present itself waits for the refresh, and
    // nothing more is waited here. Where there is none (a driver that ignores
    // it, presents coming far faster than the refresh) the frame would be
    // shown again at once and the show would burn a whole core, so the rest
    // of the refresh period is waited out instead.
    void PresentPaced()
    {
        SDL_RenderPresent(m_renderer.get());
        const Clock::time_point now = Clock::now();
        const bool waited_for_refresh = m_vsync && now - m_last_present >= m_frame_period / 2;
        m_last_present = now;
        if (waited_for_refresh)
            m_next_frame = now + m_frame_period;
        else
            WaitForNextFrame();
    }


    static bool HasVsync(SDL_Renderer* renderer)
    {
        SDL_RendererInfo info{};
        return renderer != nullptr && SDL_GetRendererInfo(renderer, &info) == 0 &&
               (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    }

    void WaitForNextFrame()
    {
        const Clock::time_point now = Clock::now();
        if (m_next_frame > now)
            std::this_thread::sleep_until(m_next_frame);
        m_next_frame = std::max(now, m_next_frame) + m_frame_period;
    }

    std::unique_ptr<SDL_Window, WindowDeleter> m_window;
    std::unique_ptr<SDL_Renderer, RendererDeleter> m_renderer;
    std::unique_ptr<SDL_Texture, TextureDeleter> m_texture;
    int m_texture_width = 0;
    int m_texture_height = 0;
    Clock::duration m_frame_period;
    Clock::time_point m_next_frame{};
    Clock::time_point m_last_present{};
    bool m_vsync;  // the renderer's present waits for the refresh
public:
    // Some part of a window was uncovered and its pixels on the screen are
    // gone (the frame loop's thread only).
    static void NoteExposed() { s_exposed = true; }

private:
    static inline bool s_exposed = false;
    // The surface path's state: the surface last drawn into, the box on it.
    SDL_Surface* m_surface = nullptr;
    SDL_Rect m_last_box{};
    Clock::time_point m_next_whole_update{};
};

std::uint32_t MouseButtonFlag(std::uint8_t sdl_button)
{
    switch (sdl_button) {
    case SDL_BUTTON_LEFT:
        return 1;
    case SDL_BUTTON_RIGHT:
        return 2;
    case SDL_BUTTON_MIDDLE:
        return 4;
    default:
        return 8;
    }
}

}  // namespace

std::int32_t SdlCursor::ShowCursor(bool show)
{
    m_display_count += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        SDL_ShowCursor(m_display_count < 0 ? SDL_DISABLE : SDL_ENABLE);
    return m_display_count;
}

SdlCursor::~SdlCursor()
{
    if (m_display != nullptr)
        XCloseDisplay(m_display);
}

// Asked of the X server itself: SDL's global mouse state can lag behind
// pointer moves that did not pass through our window's events.
platform::Point SdlCursor::GetCursorPos()
{
    if (m_display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0')
            return {};
        m_display = XOpenDisplay(nullptr);
        if (m_display == nullptr)
            return {};
    }
    Window root = 0;
    Window child = 0;
    int root_x = 0, root_y = 0, window_x = 0, window_y = 0;
    unsigned int buttons = 0;
    if (!XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &root_x, &root_y, &window_x,
                       &window_y, &buttons))
        return {};
    return {root_x, root_y};
}

void SdlCursor::SetBusy(bool) {}

std::uint32_t VirtualKeyFromSdl(std::int32_t key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<std::uint32_t>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<std::uint32_t>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return static_cast<std::uint32_t>(0x70 + (key - SDLK_F1));
    switch (key) {
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_RETURN: case SDLK_KP_ENTER: return 0x0D;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
    case SDLK_LALT: case SDLK_RALT: return 0x12;
    case SDLK_PAUSE: return 0x13;
    case SDLK_CAPSLOCK: return 0x14;
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_SPACE: return 0x20;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_LGUI: return 0x5B;
    case SDLK_RGUI: return 0x5C;
    default:
        // Every key counts: one without a code of its own still arrives.
        return 0xFF;
    }
}

SdlWindowSystem::SdlWindowSystem(SdlCursor& cursor) : m_cursor(cursor) {}

SdlWindowSystem::~SdlWindowSystem()
{
    if (m_video_ready)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlWindowSystem::EnsureVideo()
{
    if (m_video_ready)
        return true;
    // Where X cannot be had SDL quietly falls back to another driver (an
    // off-screen one, the console's) and the show would run where nobody
    // sees it, holding the instance lock: X11 or nothing, whatever
    // SDL_VIDEODRIVER says.
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        m_last_error = "DISPLAY is not set";
        return false;
    }
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // SDL drops a click that comes within a moment of the window taking the
    // focus, as the click that gave it the focus; on the show, every click
    // counts, the one that comes right after it appears too.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        m_last_error = std::string("the X display \"") + display + "\" named by DISPLAY could not be opened";
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        m_last_error = std::string("no X11 display (SDL chose ") + (driver ? driver : "nothing") + ")";
        return false;
    }
    m_video_ready = true;
    return true;
}

platform::Rect SdlWindowSystem::PrimaryScreen()
{
    SDL_DisplayMode mode{};
    if (!EnsureVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return {};
    return {0, 0, mode.w, mode.h};
}

std::unique_ptr<platform::Window> SdlWindowSystem::CreateWindow(const platform::WindowRequest& request)
{
    if (!EnsureVideo())
        return nullptr;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (request.style == platform::WindowStyle::Fullscreen)
        flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR;
    const int width = std::max(1, request.bounds.right - request.bounds.left);
    const int height = std::max(1, request.bounds.bottom - request.bounds.top);
    SDL_Window* window = SDL_CreateWindow(request.title.c_str(), request.bounds.left, request.bounds.top, width, height, flags);
    if (window == nullptr) {
        m_last_error = SDL_GetError();
        return nullptr;
    }
    // A graphics card's renderer shows each frame at the refresh. A renderer
    // that rasterises on the processor (a bare X server, no driver) only
    // costs time: the window's surface does the same job for a fraction.
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer != nullptr && RasterisesOnTheProcessor(renderer)) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (renderer == nullptr) {
        // Left to itself SDL would put the window's surface behind yet
        // another renderer; the X server's shared memory is what we want.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    SDL_DisplayMode mode{};
    int refresh = 60;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0)
        refresh = mode.refresh_rate;
    SDL_ShowCursor(m_cursor.DisplayCount() < 0 ? SDL_DISABLE : SDL_ENABLE);
    // SDL reports a motion to the pointer's place when the window appears
    // under it; knowing where the pointer is lets PollEvents drop it.
    const platform::Point pointer = m_cursor.GetCursorPos();
    m_last_pointer = platform::Point{pointer.x - request.bounds.left, pointer.y - request.bounds.top};
    return std::make_unique<SdlWindow>(window, renderer, refresh);
}

std::optional<platform::Rect> SdlWindowSystem::GetWindowRect(std::int64_t)
{
    return std::nullopt;
}

void SdlWindowSystem::PollEvents(std::vector<platform::InputEvent>& events)
{
    if (TakeTerminationRequest()) {
        platform::InputEvent close;
        close.kind = platform::InputKind::Close;
        events.push_back(close);
    }
    if (!m_video_ready)
        return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        platform::InputEvent input;
        switch (event.type) {
        case SDL_MOUSEMOTION: {
            const platform::Point at{event.motion.x, event.motion.y};
            // SDL reports a motion when a window appears under a pointer that
            // has not moved; only a change of position is a movement.
            const bool moved = !m_last_pointer || m_last_pointer->x != at.x || m_last_pointer->y != at.y;
            m_last_pointer = at;
            if (!moved)
                continue;
            input.kind = platform::InputKind::MouseMove;
            input.x = at.x;
            input.y = at.y;
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            input.kind = event.type == SDL_MOUSEBUTTONDOWN ? platform::InputKind::MouseDown
                                                           : platform::InputKind::MouseUp;
            input.x = event.button.x;
            input.y = event.button.y;
            input.button = MouseButtonFlag(event.button.button);
            break;
        case SDL_MOUSEWHEEL:
            input.kind = platform::InputKind::Wheel;
            input.wheel = event.wheel.y;
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            input.kind = event.type == SDL_KEYDOWN ? platform::InputKind::KeyDown : platform::InputKind::KeyUp;
            input.key_code = VirtualKeyFromSdl(event.key.keysym.sym);
            break;
        case SDL_QUIT:
            input.kind = platform::InputKind::Close;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED)
                SdlWindow::NoteExposed();
            if (event.window.event != SDL_WINDOWEVENT_CLOSE)
                continue;
            input.kind = platform::InputKind::Close;
            break;
        default:
            continue;
        }
        events.push_back(input);
    }
}

bool SdlWindowSystem::ParentGone(std::int64_t)
{
    return false;
}

void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch)
{
    CopyIndexedToArgb(image, target, pitch, platform::Rect{0, 0, image.width, image.height});
}

void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch, const platform::Rect& part)
{
    std::uint32_t colours[256];
    for (std::size_t i = 0; i < 256; ++i)
        colours[i] = 0xFF000000u | (i < image.palette_size ? image.palette[i] : 0u);
    const std::int32_t left = std::max(part.left, 0), right = std::min(part.right, image.width);
    const std::int32_t top = std::max(part.top, 0), bottom = std::min(part.bottom, image.height);
    // The DIB's rows come bottom first; the target wants the top row first.
    for (std::int32_t row = top; row < bottom; ++row) {
        const std::uint8_t* source =
            image.pixels + static_cast<std::int64_t>(image.height - 1 - row) * image.bytes_per_row;
        auto* out = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(target) +
                                                     static_cast<std::int64_t>(row - top) * pitch);
        for (std::int32_t x = left; x < right; ++x)
            out[x - left] = colours[source[x]];
    }
}

}  // namespace nuvra::linux_platform
