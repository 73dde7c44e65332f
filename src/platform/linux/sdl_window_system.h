// The window system on SDL2 (X11): video start-up, window creation and the
// event pump. Owned by the backend; called by the core's forms. It opens
// SDL's video on the first window (X11 or nothing), makes SdlWindows (our
// own, a child inside another program's window, or that program's window
// itself), asks the X server about other programs' windows, and moves SDL's
// events into the core's list, with the end of any window drawn inside or
// as another program's window (which SDL does not report). It never keeps a
// window (the core owns them) and never decides what an event means.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/sdl_cursor.h"
#include "platform/linux/sdl_events.h"
#include "platform/linux/termination.h"  // the pump turns a request into Close
#include "platform/linux/x11_windows.h"
#include "platform/window.h"

struct SDL_Window;

namespace nuvra::linux_platform {

class SdlWindowSystem final : public platform::WindowSystem {
public:
    explicit SdlWindowSystem(SdlCursor& cursor);
    ~SdlWindowSystem() override;
    SdlWindowSystem(const SdlWindowSystem&) = delete;
    SdlWindowSystem& operator=(const SdlWindowSystem&) = delete;

    // Null (and last_error() says why, in words for the user) when there is
    // no X display to open a window on: no other driver is ever used.
    std::unique_ptr<platform::Window> CreateWindow(const platform::WindowRequest& request) override;
    platform::Rect PrimaryScreen() override;
    std::optional<platform::Rect> GetWindowRect(std::int64_t native_handle) override;
    void PollEvents(std::vector<platform::InputEvent>& events) override;
    void WaitForEvents(std::uint32_t milliseconds) override;

    const std::string& last_error() const { return m_last_error; }

private:
    bool EnsureVideo();
    X11Windows* ForeignWindows();
    SDL_Window* CreateFromForeign(const platform::WindowRequest& request, std::unique_ptr<OwnedX11Window>& own_window);

    SdlCursor& m_cursor;
    std::shared_ptr<X11Windows> m_foreign_windows;  // opened on first need
    bool m_video_ready = false;
    std::string m_last_error;
    SdlEventTranslator m_translator;
};

}  // namespace nuvra::linux_platform
