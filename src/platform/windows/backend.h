// The Windows backend: owns one object per platform service and hands the
// core a Platform that points at them. The program makes it through its
// backend factory (src/app/windows/).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/app_backend.h"
#include "platform/platform.h"

namespace nuvra::windows_platform {

class WindowsBackend final : public platform::AppBackend {
public:
    WindowsBackend();
    ~WindowsBackend() override;
    WindowsBackend(const WindowsBackend&) = delete;
    WindowsBackend& operator=(const WindowsBackend&) = delete;

    platform::Platform& services() override { return m_platform; }
    const std::string& window_error() const override;
    // README.md beside the program.
    std::string ReadmeAddress() const override;
    // Run when the user's session ends under the show.
    void SetDisplayLostHandler(std::function<void()> cleanup) override;
    // Windows starts no show inside a daemon's screen: nothing to keep off it.
    void KeepMessagesOffTheScreen() override {}

private:
    struct Services;
    std::unique_ptr<Services> m_services;
    platform::Platform m_platform;
};

}  // namespace nuvra::windows_platform
