// The Linux backend: owns one object per platform service and hands the core
// a Platform that points at them. Services join here as they are built.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace nuvra::linux_platform {

class LinuxBackend {
public:
    LinuxBackend();
    ~LinuxBackend();
    LinuxBackend(const LinuxBackend&) = delete;
    LinuxBackend& operator=(const LinuxBackend&) = delete;

    platform::Platform& services() { return m_platform; }

private:
    struct Services;
    std::unique_ptr<Services> m_services;
    platform::Platform m_platform;
};

}  // namespace nuvra::linux_platform
