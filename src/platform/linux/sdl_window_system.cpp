#include "platform/linux/sdl_window_system.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/linux/sdl_renderer_present.h"
#include "platform/linux/sdl_window.h"

namespace nuvra::linux_platform {

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
    SDL_Window* window =
        SDL_CreateWindow(request.title.c_str(), request.bounds.left, request.bounds.top, width, height, flags);
    if (window == nullptr) {
        m_last_error = SDL_GetError();
        return nullptr;
    }
    SDL_Renderer* renderer = CreateRefreshRenderer(window);
    SDL_DisplayMode mode{};
    int refresh = 60;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0)
        refresh = mode.refresh_rate;
    SDL_ShowCursor(m_cursor.DisplayCount() < 0 ? SDL_DISABLE : SDL_ENABLE);
    // SDL reports a motion to the pointer's place when the window appears
    // under it; knowing where the pointer is lets the pump drop it.
    const platform::Point pointer = m_cursor.GetCursorPos();
    m_translator.ExpectPointerAt({pointer.x - request.bounds.left, pointer.y - request.bounds.top});
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
    while (SDL_PollEvent(&event))
        m_translator.Translate(event, events);
}

bool SdlWindowSystem::ParentGone(std::int64_t)
{
    return false;
}

}  // namespace nuvra::linux_platform
