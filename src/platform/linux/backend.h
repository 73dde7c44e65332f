// The Linux backend: owns one object per platform service and hands the core
// a Platform that points at them. Services join here as they are built. The
// program makes it through its backend factory (src/app/linux/).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/app_backend.h"
#include "platform/linux/message_box.h"
#include "platform/platform.h"

namespace nuvra::linux_platform {

class LinuxBackend final : public platform::AppBackend {
public:
    LinuxBackend();
    ~LinuxBackend() override;
    LinuxBackend(const LinuxBackend&) = delete;
    LinuxBackend& operator=(const LinuxBackend&) = delete;

    platform::Platform& services() override { return m_platform; }

    // The message box behind services().message_box, for its settings: a
    // run hosted by a screen-saver daemon calls
    // message_box().SetPlace(MessageBoxPlace::TerminalOnly) (message_box.h).
    LinuxMessageBox& message_box();

    // Why the show's window could not be opened (after CreateWindow or
    // PrimaryScreen failed), in words for the user: "the X display ":5"
    // named by DISPLAY could not be opened". Empty before any failure.
    const std::string& window_error() const override;
    std::string ReadmeAddress() const override;

    // The cleanup to run when the X display goes away under us (the user
    // logs out): stop the music, delete the work files, release the lock.
    // It runs once, on the thread that found the loss, must not use X, and
    // the process then ends with status 1 without running destructors (see
    // x11_display_loss.h). Cleared when the backend goes; empty clears it.
    void SetDisplayLostHandler(std::function<void()> cleanup) override;
    void KeepMessagesOffTheScreen() override;
    bool UseDesktopLayers() override;

private:
    struct Services;
    std::unique_ptr<Services> m_services;
    platform::Platform m_platform;
};

}  // namespace nuvra::linux_platform
