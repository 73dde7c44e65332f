// Windows on SDL2 (X11 only): the front of the Linux backend's window
// services. The core decides what is drawn and what input means; this layer
// only copies pixels and translates SDL's events into the core's.
//
// What the Linux backend implements:
//  - the X11 video driver only: with no DISPLAY, or where SDL would fall back
//    to another driver, no window is made and the reason is kept for the user
//  - Fullscreen and Dialog windows, shown, hidden, moved and resized
//  - Child windows: an X window of our own inside another program's window
//    (the preview pane), placed in its parent's client area
//  - Foreign windows: another program's window drawn into as it is (a
//    screen-saver daemon's), its size followed as its owner changes it
//  - GetWindowRect for any window on the server; a window that vanishes
//    under us is an answer, never the end of the process
//  - a Child is set up by SDL while it is ours alone and goes into its
//    parent only then; a Child or Foreign window destroyed under us (with
//    the pane, by the daemon) is HostGone for that window
//  - two present paths for the show's 8-bit frames: a graphics card's
//    renderer paced by the refresh, or straight into the window's
//    shared-memory surface sending only what changed (a bare X server);
//    canvases through a renderer (SDL's software one where no card renders)
//  - input, each event naming its window: mouse buttons (a press captures
//    the mouse until release), moves (the motion SDL reports for a window
//    that appears under a still pointer is dropped), the wheel in notches,
//    keys as Windows virtual-key codes, text as UTF-8, focus gained and lost,
//    exposure, size changes, the close box; a request to end the process is
//    Close for window 0
//  - ShowCursor's display count; the pointer's place asked of the X server;
//    each window's own pointer shape, shown while the pointer is over it
//  - canvases copied pixel for pixel to the window's top-left corner, the
//    rest of a larger window in the colour of the canvas's last pixel (a
//    dialog grown ahead of its next repaint shows its face, not a band)
//  - the zoom outline, drawn straight onto the screen (x11_zoom)
//
// What it does not do yet:
//  - PrimaryScreen is SDL's display 0, not the X server's primary output
//  - input in a Foreign window: its owner has it
//
// Files: sdl_window_system (video start-up, window creation, the pump),
// sdl_events (event translation), sdl_window (one window), the present paths
// (sdl_surface_present, sdl_renderer_present, frame_pacer, indexed_copy),
// sdl_keys (the key table), sdl_cursor (the pointer), x11_windows (other
// programs' windows), x11_errors (protocol errors that must not kill us),
// x11_zoom (the zoom outline on the screen).
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "platform/common/frame_pacer.h"
#include "platform/linux/sdl_cursor.h"
#include "platform/linux/sdl_window_system.h"
#include "platform/linux/x11_windows.h"
#include "platform/window.h"

// SDL stays out of this header: the app includes it.
struct SDL_Window;
struct SDL_Renderer;
struct SDL_Cursor;

namespace nuvra::linux_platform {

class RendererPresenter;
class SurfacePresenter;

// One SDL window: its place, showing and hiding, and its frames through
// whichever present path it has. Made by SdlWindowSystem::CreateWindow and
// owned by the core; destroys its SDL window (and with it SDL's surface) when
// it goes. Never reads input: the window system's pump does.
class SdlWindow final : public platform::Window {
public:
    // What a Child or Foreign window stands on: the connection that knows
    // other programs' windows, and for a Child the X window we made for it.
    struct Foreign {
        std::shared_ptr<X11Windows> windows;
        std::unique_ptr<OwnedX11Window> own_window;
    };

    // renderer: from CreateRefreshRenderer, or null to draw into the window's
    // own surface. Takes both (and foreign's window, which outlives the SDL
    // window made from it).
    SdlWindow(SDL_Window* window, SDL_Renderer* renderer, platform::WindowStyle style,
              Foreign foreign = {});
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // The SdlWindow behind an SDL window of ours, or null.
    static SdlWindow* FromSdl(SDL_Window* window);

    std::int64_t NativeHandle() const override;
    platform::Rect Bounds() const override;
    void SetBounds(const platform::Rect& bounds) override;
    void Show() override;
    void Hide() override;
    void Present(const platform::Canvas& canvas) override;
    void PresentIndexed(const platform::IndexedImage& image, platform::Point position) override;
    double RefreshRate() const override;
    void SetFramePacing(const platform::FramePacing& pacing) override { m_pacer.SetPacing(pacing); }
    void DrawAnimatedRect(const platform::Rect& from, const platform::Rect& to) override;
    // SDL has one pointer for all of the process's windows: it is set here,
    // and again whenever the pointer comes over this window.
    void SetPointer(const platform::PointerImage* image) override;

    // Part of the window was uncovered and its pixels on the screen are gone.
    void NoteExposed();
    // The pointer came over this window: it takes this window's shape.
    void ShowOwnPointer();

private:
    struct WindowDeleter {
        void operator()(SDL_Window* window) const;
    };

    struct CursorDeleter {
        void operator()(SDL_Cursor* cursor) const;
    };

    SDL_Cursor* CursorFor(const platform::PointerImage& image);

    platform::WindowStyle m_style;
    // Destroyed after the SDL window made from it.
    Foreign m_foreign;
    // The presenters go before the window they draw on.
    std::unique_ptr<SDL_Window, WindowDeleter> m_window;
    std::unique_ptr<RendererPresenter> m_renderer;
    std::unique_ptr<SurfacePresenter> m_surface;
    common_platform::FramePacer m_pacer;
    // The cursors made from the core's pointer images, by the image's
    // address (the images outlive the window), and the one this window
    // shows: null for the system's arrow.
    std::map<const platform::PointerImage*, std::unique_ptr<SDL_Cursor, CursorDeleter>> m_cursors;
    SDL_Cursor* m_pointer = nullptr;
};

// The native handle of an SDL window: its X window id (SDL's own id where
// the window has none).
std::int64_t NativeHandleOf(SDL_Window* window);

}  // namespace nuvra::linux_platform
