#include "platform/linux/sdl_window_system.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/linux/sdl_renderer_present.h"
#include "platform/linux/sdl_window.h"
#include "platform/linux/x11_errors.h"

namespace nuvra::linux_platform {

namespace {

// What SDL's connection hears of a window it did not make. A window of
// another program gets only what cannot clash with its owner (the server
// gives button presses to one client alone): its size and exposures. The
// child we made for a pane gets the input SDL asks for on its own windows.
constexpr long kForeignEvents = StructureNotifyMask | ExposureMask;
constexpr long kChildEvents = FocusChangeMask | EnterWindowMask | LeaveWindowMask | ExposureMask | ButtonPressMask |
                              ButtonReleaseMask | PointerMotionMask | KeyPressMask | KeyReleaseMask |
                              PropertyChangeMask | StructureNotifyMask | KeymapStateMask;

void SelectEvents(SDL_Window* window, long mask)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    XSelectInput(info.info.x11.display, info.info.x11.window, mask);
    XFlush(info.info.x11.display);
}

// SDL writes the title into WM_NAME in the locale's encoding, and under a
// plain C locale that is the UTF-8 bytes typed as Latin-1: tools that read
// WM_NAME (xdotool search --name, window lists) then see mojibake. A title
// beyond ASCII goes into both names as UTF8_STRING.
void NameWindow(SDL_Window* window, const std::string& title)
{
    const bool ascii = std::all_of(title.begin(), title.end(), [](char c) { return (c & 0x80) == 0; });
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (ascii || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    Display* display = info.info.x11.display;
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const auto* bytes = reinterpret_cast<const unsigned char*>(title.data());
    const int length = static_cast<int>(std::min<std::size_t>(title.size(), 65536));
    for (const Atom name : {static_cast<Atom>(XA_WM_NAME), XInternAtom(display, "_NET_WM_NAME", False)})
        XChangeProperty(display, info.info.x11.window, name, utf8, 8, PropModeReplace, bytes, length);
    XFlush(display);
}

}  // namespace

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
    // Before SDL puts its own handler on top of it: a window of another
    // program that goes while we draw into it must not end the process.
    TolerateVanishedWindows();
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // SDL drops a click that comes within a moment of the window taking the
    // focus, as the click that gave it the focus; on the show, every click
    // counts, the one that comes right after it appears too.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A press captures the mouse until the last button is up, so the
    // window keeps the mouse's events even outside it. SDL must take the
    // capture as it reads the press from X: by the time the pump sees the
    // press, SDL has already read (and clamped to the window) the moves
    // that followed it.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "1");
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

X11Windows* SdlWindowSystem::ForeignWindows()
{
    if (!m_foreign_windows)
        m_foreign_windows = X11Windows::Open();
    return m_foreign_windows.get();
}

platform::Rect SdlWindowSystem::PrimaryScreen()
{
    SDL_DisplayMode mode{};
    if (!EnsureVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return {};
    return {0, 0, mode.w, mode.h};
}

// A Child is an X window of our own that SDL adopts while it is ours alone
// (CreateWindow puts it in its parent once SDL is done setting it up); a
// Foreign window is adopted as it is. SDL selects no events on a window it
// adopts, so that is done here, and our own connection hears of the
// window's end.
SDL_Window* SdlWindowSystem::CreateFromForeign(const platform::WindowRequest& request,
                                               std::unique_ptr<OwnedX11Window>& own_window)
{
    X11Windows* windows = ForeignWindows();
    const bool root = request.style == platform::WindowStyle::Foreign && !request.parent;
    if ((!request.parent && !root) || windows == nullptr) {
        m_last_error = windows == nullptr ? "the X display could not be opened" : "no parent window was given";
        return nullptr;
    }
    // A foreign window without a name is the root window, which never goes.
    std::int64_t adopted = root ? windows->Root() : *request.parent;
    long events = kForeignEvents;
    if (request.style == platform::WindowStyle::Child) {
        adopted = windows->CreateUnplaced(request.bounds);
        if (adopted != 0)
            own_window = std::make_unique<OwnedX11Window>(m_foreign_windows, adopted);
        events = kChildEvents;
    }
    const std::string gone = "the window " + std::to_string(request.parent.value_or(0)) + " does not exist";
    if (adopted == 0 || (!root && !windows->Watch(adopted))) {
        m_last_error = gone;
        return nullptr;
    }
    SDL_Window* window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(adopted)));
    if (window == nullptr) {
        m_last_error = SDL_GetError();
        return nullptr;
    }
    // SDL keeps what it read of the window as it adopted it (its visual
    // above all) without looking whether the read failed: read from a
    // window gone meanwhile, that is garbage, and the first drawing would
    // crash on it.
    if (!root && !windows->Exists(adopted)) {
        SDL_DestroyWindow(window);
        m_last_error = gone;
        return nullptr;
    }
    SelectEvents(window, events);
    return window;
}

std::unique_ptr<platform::Window> SdlWindowSystem::CreateWindow(const platform::WindowRequest& request)
{
    if (!EnsureVideo())
        return nullptr;
    SDL_Window* window = nullptr;
    SdlWindow::Foreign foreign;
    if (request.style == platform::WindowStyle::Child || request.style == platform::WindowStyle::Foreign) {
        window = CreateFromForeign(request, foreign.own_window);
        if (window == nullptr)
            return nullptr;
        foreign.windows = m_foreign_windows;
    } else {
        Uint32 flags = SDL_WINDOW_HIDDEN;
        if (request.style == platform::WindowStyle::Fullscreen)
            flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR;
        else
            flags |= SDL_WINDOW_RESIZABLE | SDL_WINDOW_SKIP_TASKBAR;
        const int width = std::max(1, request.bounds.right - request.bounds.left);
        const int height = std::max(1, request.bounds.bottom - request.bounds.top);
        window = SDL_CreateWindow(request.title.c_str(), request.bounds.left, request.bounds.top, width, height, flags);
        if (window == nullptr) {
            m_last_error = SDL_GetError();
            return nullptr;
        }
    }
    // A dialog only shows what changed now and then: the window's surface
    // serves it, and trying a graphics card's renderer first would only
    // delay its first paint.
    SDL_Renderer* renderer = nullptr;
    if (request.style == platform::WindowStyle::Dialog)
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    else
        renderer = CreateRefreshRenderer(window);
    // After the renderer: making it may have made the X window anew.
    if (!foreign.windows)
        NameWindow(window, request.title);
    SDL_ShowCursor(m_cursor.DisplayCount() < 0 ? SDL_DISABLE : SDL_ENABLE);
    const std::int64_t own_window = foreign.own_window ? foreign.own_window->id() : 0;
    auto made = std::make_unique<SdlWindow>(window, renderer, request.style, std::move(foreign));
    // Only now, with the renderer made, does a child go into its parent:
    // a parent that goes takes the child along, and SDL, still reading the
    // window while it sets it up, would crash on what it read of a window
    // that is gone.
    if (own_window != 0 &&
        !m_foreign_windows->PlaceInside(own_window, *request.parent, {request.bounds.left, request.bounds.top})) {
        m_last_error = "the window " + std::to_string(*request.parent) + " does not exist";
        return nullptr;
    }
    // SDL reports a motion to the pointer's place when the window appears
    // under it; knowing where the pointer is lets the pump drop it.
    const platform::Point pointer = m_cursor.GetCursorPos();
    const platform::Rect place = made->Bounds();
    m_translator.ExpectPointerAt({pointer.x - place.left, pointer.y - place.top});
    return made;
}

std::optional<platform::Rect> SdlWindowSystem::GetWindowRect(std::int64_t native_handle)
{
    X11Windows* windows = ForeignWindows();
    return windows != nullptr ? windows->WindowRect(native_handle) : std::nullopt;
}

void SdlWindowSystem::PollEvents(std::vector<platform::InputEvent>& events)
{
    if (TakeTerminationRequest()) {
        platform::InputEvent close;
        close.kind = platform::InputKind::Close;
        events.push_back(close);
    }
    if (m_video_ready) {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            m_translator.Translate(event, events);
    }
    // SDL says nothing of a window that is destroyed under it.
    if (m_foreign_windows) {
        std::vector<std::int64_t> destroyed;
        m_foreign_windows->TakeDestroyed(destroyed);
        for (const std::int64_t window : destroyed) {
            platform::InputEvent gone;
            gone.kind = platform::InputKind::HostGone;
            gone.window = window;
            events.push_back(gone);
        }
    }
}

void SdlWindowSystem::WaitForEvents(std::uint32_t milliseconds)
{
    // A termination signal interrupts the wait; the pump then sees it.
    if (m_video_ready)
        SDL_WaitEventTimeout(nullptr, static_cast<int>(milliseconds));
}

}  // namespace nuvra::linux_platform
