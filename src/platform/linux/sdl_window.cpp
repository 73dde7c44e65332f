#include "platform/linux/sdl_window.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>

#include "platform/linux/sdl_renderer_present.h"
#include "platform/linux/sdl_surface_present.h"
#include "platform/linux/x11_zoom.h"

namespace nuvra::linux_platform {

namespace {

// The key under which an SDL window keeps a pointer to its SdlWindow.
constexpr const char* kOwnerKey = "nuvra.window";
// Larger than any pointer a desktop shows.
constexpr std::int32_t kLargestPointer = 256;

// The refresh of the display the window is on; 0 where SDL does not know.
double DisplayRefreshRate(SDL_Window* window)
{
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(window);
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
        return mode.refresh_rate;
    return 0.0;
}

}  // namespace

std::int64_t NativeHandleOf(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
        return static_cast<std::int64_t>(info.info.x11.window);
    return static_cast<std::int64_t>(SDL_GetWindowID(window));
}

SdlWindow::SdlWindow(SDL_Window* window, SDL_Renderer* renderer, platform::WindowStyle style,
                     Foreign foreign)
    : m_style(style),
      m_foreign(std::move(foreign)),
      m_window(window),
      m_renderer(std::make_unique<RendererPresenter>(renderer)),
      m_surface(std::make_unique<SurfacePresenter>()),
      m_pacer(DisplayRefreshRate(window))
{
    SDL_SetWindowData(m_window.get(), kOwnerKey, this);
}

SdlWindow::~SdlWindow()
{
    SDL_SetWindowData(m_window.get(), kOwnerKey, nullptr);
    // SDL would keep showing a cursor it is about to free.
    for (const auto& [image, cursor] : m_cursors) {
        if (SDL_GetCursor() == cursor.get())
            SDL_SetCursor(SDL_GetDefaultCursor());
    }
}

void SdlWindow::CursorDeleter::operator()(SDL_Cursor* cursor) const
{
    SDL_FreeCursor(cursor);
}

void SdlWindow::WindowDeleter::operator()(SDL_Window* window) const
{
    SDL_DestroyWindow(window);
}

SdlWindow* SdlWindow::FromSdl(SDL_Window* window)
{
    return window != nullptr ? static_cast<SdlWindow*>(SDL_GetWindowData(window, kOwnerKey)) : nullptr;
}

std::int64_t SdlWindow::NativeHandle() const
{
    return NativeHandleOf(m_window.get());
}

// A foreign window's owner moves and sizes it without telling SDL in time,
// and SDL keeps a child's place relative to its parent: the X server is
// asked instead.
platform::Rect SdlWindow::Bounds() const
{
    if (m_foreign.windows) {
        if (const std::optional<platform::Rect> rect = m_foreign.windows->WindowRect(NativeHandle()))
            return *rect;
    }
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(m_window.get(), &x, &y);
    SDL_GetWindowSize(m_window.get(), &w, &h);
    return {x, y, x + w, y + h};
}

void SdlWindow::SetBounds(const platform::Rect& bounds)
{
    if (m_style == platform::WindowStyle::Foreign)
        return;  // its owner's to place
    if (m_foreign.own_window) {
        m_foreign.windows->MoveResize(m_foreign.own_window->id(), bounds);
        return;
    }
    SDL_SetWindowPosition(m_window.get(), bounds.left, bounds.top);
    SDL_SetWindowSize(m_window.get(), bounds.right - bounds.left, bounds.bottom - bounds.top);
}

void SdlWindow::Show()
{
    // Another program's window is shown and hidden by that program.
    if (m_style == platform::WindowStyle::Foreign)
        return;
    // A pane inside another program's window leaves the stacking and the
    // focus to that program. SDL would give our window the focus where no
    // window manager runs, and a hidden pane refuses that with an error
    // that ends the process.
    if (m_foreign.own_window) {
        m_foreign.windows->Map(m_foreign.own_window->id());
        return;
    }
    SDL_ShowWindow(m_window.get());
    SDL_RaiseWindow(m_window.get());
    // Keys go to the focused window: take the focus so that the first key
    // press reaches the show.
    SDL_SetWindowInputFocus(m_window.get());
}

void SdlWindow::Hide()
{
    if (m_style == platform::WindowStyle::Foreign)
        return;
    SDL_HideWindow(m_window.get());
}

void SdlWindow::Present(const platform::Canvas& canvas)
{
    if (!m_renderer->EnsureSoftwareRenderer(m_window.get()))
        return;
    m_surface->Forget();
    m_renderer->PresentCanvas(canvas, m_pacer);
}

void SdlWindow::PresentIndexed(const platform::IndexedImage& image, platform::Point position)
{
    if (!m_renderer->active() && m_surface->Present(m_window.get(), image, position, m_pacer))
        return;
    if (!m_renderer->EnsureSoftwareRenderer(m_window.get()))
        return;
    m_surface->Forget();
    m_renderer->PresentIndexed(image, position, m_pacer);
}

double SdlWindow::RefreshRate() const
{
    return DisplayRefreshRate(m_window.get());
}

void SdlWindow::NoteExposed()
{
    m_surface->NoteExposed();
}

void SdlWindow::DrawAnimatedRect(const platform::Rect& from, const platform::Rect& to)
{
    DrawZoomOutline(from, to);
}

void SdlWindow::SetPointer(const platform::PointerImage* image)
{
    m_pointer = image != nullptr ? CursorFor(*image) : nullptr;
    // While the pointer is over another of our windows, that window's
    // shape stays; this one's is shown when the pointer comes over it.
    SDL_Window* under_pointer = SDL_GetMouseFocus();
    if (under_pointer == nullptr || under_pointer == m_window.get())
        ShowOwnPointer();
}

void SdlWindow::ShowOwnPointer()
{
    SDL_SetCursor(m_pointer != nullptr ? m_pointer : SDL_GetDefaultCursor());
}

// The cursor made from image, made on first use; null (the system's arrow)
// for an image that is no pointer: empty, too large, or short of pixels.
SDL_Cursor* SdlWindow::CursorFor(const platform::PointerImage& image)
{
    if (const auto made = m_cursors.find(&image); made != m_cursors.end())
        return made->second.get();
    if (image.width <= 0 || image.height <= 0 || image.width > kLargestPointer || image.height > kLargestPointer ||
        image.pixels.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        return nullptr;
    // SDL copies the pixels into the cursor; the surface only lends them.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(image.pixels.data()),
                                                              image.width, image.height, 32, image.width * 4,
                                                              SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr)
        return nullptr;
    const int hot_x = std::clamp(image.hot_spot.x, 0, image.width - 1);
    const int hot_y = std::clamp(image.hot_spot.y, 0, image.height - 1);
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hot_x, hot_y);
    SDL_FreeSurface(surface);
    if (cursor == nullptr)
        return nullptr;
    m_cursors.emplace(&image, cursor);
    return cursor;
}

}  // namespace nuvra::linux_platform
