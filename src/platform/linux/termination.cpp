#include "platform/linux/termination.h"

#include <atomic>
#include <csignal>

namespace nuvra::linux_platform {

namespace {

std::atomic<bool> g_pending{false};
std::atomic<bool> g_requested{false};

extern "C" void RequestTermination(int)
{
    g_requested.store(true);
    g_pending.store(true);
}

}  // namespace

void InstallTerminationHandlers()
{
    struct sigaction action {};
    action.sa_handler = RequestTermination;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal_number, &action, nullptr);
}

bool TerminationRequested()
{
    return g_requested.load();
}

bool TakeTerminationRequest()
{
    return g_pending.exchange(false);
}

}  // namespace nuvra::linux_platform
