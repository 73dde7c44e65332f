// The Linux backend: owns one object per platform service and hands the core
// a Platform that points at them. Services join here as they are built.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace nuvra::linux_platform {

class LinuxBackend {
public:
    LinuxBackend();
    ~LinuxBackend();
    LinuxBackend(const LinuxBackend&) = delete;
    LinuxBackend& operator=(const LinuxBackend&) = delete;

    platform::Platform& services() { return m_platform; }

    // Why the show's window could not be opened (after CreateWindow or
    // PrimaryScreen failed), in words for the user: "the X display ":5"
    // named by DISPLAY could not be opened". Empty before any failure.
    const std::string& window_error() const;

private:
    struct Services;
    std::unique_ptr<Services> m_services;
    platform::Platform m_platform;
};

}  // namespace nuvra::linux_platform
