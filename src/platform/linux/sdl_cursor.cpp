#include "platform/linux/sdl_cursor.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cstdlib>

namespace nuvra::linux_platform {

std::int32_t SdlCursor::ShowCursor(bool show)
{
    m_display_count += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        SDL_ShowCursor(m_display_count < 0 ? SDL_DISABLE : SDL_ENABLE);
    return m_display_count;
}

SdlCursor::~SdlCursor()
{
    // SDL frees every cursor it made when its video part ends; one freed
    // here after that would be freed twice.
    if (m_wait != nullptr && SDL_WasInit(SDL_INIT_VIDEO) != 0)
        SDL_FreeCursor(m_wait);
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

void SdlCursor::SetBusy(bool busy)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || busy == m_busy)
        return;
    if (busy) {
        if (m_wait == nullptr)
            m_wait = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
        if (m_wait == nullptr)
            return;
        m_before_busy = SDL_GetCursor();
        SDL_SetCursor(m_wait);
    } else {
        SDL_SetCursor(m_before_busy != nullptr ? m_before_busy : SDL_GetDefaultCursor());
        m_before_busy = nullptr;
    }
    m_busy = busy;
}

}  // namespace nuvra::linux_platform
