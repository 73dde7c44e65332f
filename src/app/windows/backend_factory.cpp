#include "app/backend_factory.h"

#include "platform/windows/backend.h"

namespace nuvra::app {

std::unique_ptr<platform::AppBackend> MakeBackend()
{
    return std::make_unique<windows_platform::WindowsBackend>();
}

}  // namespace nuvra::app
