#include "app/backend_factory.h"

#include "platform/linux/backend.h"
#include "platform/linux/termination.h"

namespace nuvra::app {

std::unique_ptr<platform::AppBackend> MakeBackend()
{
    // Before the first window: a termination request is then a Close the
    // show ends on, with its whole cleanup.
    linux_platform::InstallTerminationHandlers();
    return std::make_unique<linux_platform::LinuxBackend>();
}

}  // namespace nuvra::app
