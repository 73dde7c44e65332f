// The desktop capture on X11: the root window of the display named by
// $DISPLAY, read with the shared-memory extension where the server allows it
// and with a plain image request otherwise, handed over as a 32-bit
// blue-green-red-unused picture, bottom row first. Where there is no X
// display (none set, unreachable, or a Wayland session without one) there
// is no picture, and the core uses its sample picture instead.
//
// Each capture opens and closes its own connection, so the object holds
// nothing between calls and costs nothing in modes that never capture.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/picture.h"

namespace nuvra::linux_platform {

class LinuxDesktopCapture final : public platform::DesktopCapture {
public:
    enum class Method {
        SharedMemoryFirst,  // XShmGetImage, falling back to XGetImage
        PlainRequest,       // XGetImage only
    };

    explicit LinuxDesktopCapture(Method method = Method::SharedMemoryFirst) : m_method(method) {}

    std::optional<platform::Picture> CaptureScreen() override;
    // XScreenSaver keeps the desktop it covered as a pixmap named by the
    // _SCREENSAVER_SCREENSHOT property of its window.
    std::optional<platform::Picture> CaptureSavedDesktop(std::optional<std::int64_t> window) override;

private:
    Method m_method;
};

}  // namespace nuvra::linux_platform
