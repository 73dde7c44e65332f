// Windows on SDL2 (X11): the show's full-screen window, its frames, input
// and the pointer. The core decides what is drawn and what input means; this
// layer only copies pixels and translates SDL's events into the core's.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/termination.h"  // the pump turns a request into Close
#include "platform/window.h"

struct _XDisplay;  // Xlib's Display, kept out of this header

namespace nuvra::linux_platform {

// The pointer's show count, as ShowCursor keeps it: the pointer is hidden
// over our windows while the count is negative.
class SdlCursor final : public platform::CursorService {
public:
    SdlCursor() = default;
    ~SdlCursor() override;
    SdlCursor(const SdlCursor&) = delete;
    SdlCursor& operator=(const SdlCursor&) = delete;

    std::int32_t ShowCursor(bool show) override;
    // The pointer's place on the screen; (0, 0) before any window exists.
    platform::Point GetCursorPos() override;
    void SetBusy(bool busy) override;
    std::int32_t DisplayCount() const { return m_display_count; }

private:
    std::int32_t m_display_count = 0;
    ::_XDisplay* m_display = nullptr;  // opened on first use
};

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
    std::optional<platform::Point> m_last_pointer;
};

// An 8-bit picture through its colour table into 32-bit ARGB rows of pitch
// bytes, top row first (the picture's rows are stored bottom first).
void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch);
// The same for part of the picture (in its top-first coordinates, clipped to
// it): target receives part's top-left pixel.
void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch, const platform::Rect& part);

// The SDL key code as a Windows virtual-key code.
std::uint32_t VirtualKeyFromSdl(std::int32_t sdl_keycode);

}  // namespace nuvra::linux_platform
