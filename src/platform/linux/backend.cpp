#include "platform/linux/backend.h"

#include "platform/linux/file_system.h"
#include "platform/linux/profile_file.h"
#include "platform/linux/system_services.h"

namespace nuvra::linux_platform {

struct LinuxBackend::Services {
    LinuxProfileFile profile;
    LinuxFileSystem files;
    LinuxClock clock;
    LinuxRandom random;
    LinuxSystemInfo system;
    LinuxInstanceGuard guard;
    LinuxCursor cursor;
};

LinuxBackend::LinuxBackend() : m_services(std::make_unique<Services>())
{
    m_platform.profile = &m_services->profile;
    m_platform.files = &m_services->files;
    m_platform.clock = &m_services->clock;
    m_platform.random = &m_services->random;
    m_platform.system = &m_services->system;
    m_platform.guard = &m_services->guard;
    m_platform.cursor = &m_services->cursor;
}

LinuxBackend::~LinuxBackend() = default;

}  // namespace nuvra::linux_platform
