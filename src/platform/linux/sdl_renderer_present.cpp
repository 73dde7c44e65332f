#include "platform/linux/sdl_renderer_present.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstring>
#include <string>

#include "platform/linux/indexed_copy.h"

namespace nuvra::linux_platform {

namespace {

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

// False for an X server through which no graphics card draws: one with
// neither direct-rendering extension nor the vendor driver's own (a bare
// server, a remote display, most virtual machines). There OpenGL could only
// be the software rasteriser, and asking for it would load it, leave its
// threads running and let it print to standard error, only to drop it.
bool CouldRenderOnAGraphicsCard(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return true;
    for (const char* extension : {"DRI3", "DRI2", "NV-GLX"}) {
        int opcode = 0, first_event = 0, first_error = 0;
        if (XQueryExtension(info.info.x11.display, extension, &opcode, &first_event, &first_error))
            return true;
    }
    return false;
}

bool HasVsync(SDL_Renderer* renderer)
{
    SDL_RendererInfo info{};
    return renderer != nullptr && SDL_GetRendererInfo(renderer, &info) == 0 &&
           (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
}

}  // namespace

SDL_Renderer* CreateRefreshRenderer(SDL_Window* window)
{
    // A graphics card's renderer shows each frame at the refresh. A renderer
    // that rasterises on the processor (a bare X server, no driver) only
    // costs time: the window's surface does the same job for a fraction.
    SDL_Renderer* renderer = nullptr;
    if (CouldRenderOnAGraphicsCard(window))
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer != nullptr && RasterisesOnTheProcessor(renderer)) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (renderer == nullptr) {
        // Left to itself SDL would put the window's surface behind yet
        // another renderer; the X server's shared memory is what we want.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    return renderer;
}

RendererPresenter::RendererPresenter(SDL_Renderer* renderer) : m_renderer(renderer), m_vsync(HasVsync(renderer)) {}

bool RendererPresenter::EnsureSoftwareRenderer(SDL_Window* window)
{
    if (m_renderer)
        return true;
    m_texture.reset();
    m_renderer.reset(SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE));
    return m_renderer != nullptr;
}

void RendererPresenter::PresentCanvas(const platform::Canvas& canvas, common_platform::FramePacer& pacer)
{
    if (!m_renderer || canvas.width <= 0 || canvas.height <= 0 ||
        canvas.pixels.size() < static_cast<std::size_t>(canvas.width) * static_cast<std::size_t>(canvas.height) ||
        !EnsureTexture(canvas.width, canvas.height))
        return;
    SDL_UpdateTexture(m_texture.get(), nullptr, canvas.pixels.data(), canvas.width * 4);
    const std::uint32_t rest = canvas.pixels.back();
    SDL_SetRenderDrawColor(m_renderer.get(), static_cast<Uint8>(rest >> 16), static_cast<Uint8>(rest >> 8),
                           static_cast<Uint8>(rest), 255);
    SDL_RenderClear(m_renderer.get());
    const SDL_Rect place{0, 0, canvas.width, canvas.height};
    SDL_RenderCopy(m_renderer.get(), m_texture.get(), nullptr, &place);
    PresentPaced(pacer);
}

void RendererPresenter::PresentIndexed(const platform::IndexedImage& image, platform::Point position,
                                       common_platform::FramePacer& pacer)
{
    if (!m_renderer)
        return;
    SDL_SetRenderDrawColor(m_renderer.get(), 0, 0, 0, 255);
    SDL_RenderClear(m_renderer.get());
    if (image.pixels != nullptr && image.width > 0 && image.height > 0 && EnsureTexture(image.width, image.height)) {
        CopyIndexed(image);
        SDL_Rect target{position.x, position.y, image.width, image.height};
        SDL_RenderCopy(m_renderer.get(), m_texture.get(), nullptr, &target);
    }
    PresentPaced(pacer);
}

bool RendererPresenter::EnsureTexture(int width, int height)
{
    if (m_texture && m_texture_width == width && m_texture_height == height)
        return true;
    m_texture.reset(SDL_CreateTexture(m_renderer.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width,
                                      height));
    m_texture_width = width;
    m_texture_height = height;
    return m_texture != nullptr;
}

void RendererPresenter::CopyIndexed(const platform::IndexedImage& image)
{
    void* locked = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(m_texture.get(), nullptr, &locked, &pitch) != 0)
        return;
    CopyIndexedToArgb(image, locked, pitch);
    SDL_UnlockTexture(m_texture.get());
}

void RendererPresenter::PresentPaced(common_platform::FramePacer& pacer)
{
    SDL_RenderPresent(m_renderer.get());
    pacer.AfterPresent(m_vsync);
}

}  // namespace nuvra::linux_platform
