// The window system on SDL2 (X11): video start-up, window creation and the
// event pump. Owned by the backend; called by the core's forms. It opens
// SDL's video on the first window (X11 or nothing), makes SdlWindows, and
// moves SDL's events into the core's list. It never keeps a window (the core
// owns them) and never decides what an event means.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/sdl_cursor.h"
#include "platform/linux/sdl_events.h"
#include "platform/linux/termination.h"  // the pump turns a request into Close
#include "platform/window.h"

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
    bool ParentGone(std::int64_t native_handle) override;

    const std::string& last_error() const { return m_last_error; }

private:
    bool EnsureVideo();

    SdlCursor& m_cursor;
    bool m_video_ready = false;
    std::string m_last_error;
    SdlEventTranslator m_translator;
};

}  // namespace nuvra::linux_platform
