#include "platform/linux/x11_display_loss.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

namespace nuvra::linux_platform {

namespace {

constexpr int kDisplayLostStatus = 1;

std::mutex g_handler_mutex;
std::function<void()> g_handler;
std::atomic<bool> g_lost{false};
std::atomic<std::thread::id> g_cleaning_thread{};

// Two threads can find the loss at once (the frame loop and a capture): the
// first runs the cleanup, the others wait for it to end the process. The
// cleanup itself may still touch X by mistake; that ends the process here.
extern "C" int DisplayLost(::Display*)
{
    if (g_lost.exchange(true)) {
        if (g_cleaning_thread.load() == std::this_thread::get_id())
            std::_Exit(kDisplayLostStatus);
        for (;;)
            ::pause();
    }
    g_cleaning_thread.store(std::this_thread::get_id());
    std::function<void()> handler;
    {
        std::lock_guard lock(g_handler_mutex);
        handler = g_handler;
    }
    if (handler)
        handler();
    std::_Exit(kDisplayLostStatus);
}

}  // namespace

void InstallDisplayLossHandler()
{
    XSetIOErrorHandler(&DisplayLost);
}

void SetDisplayLostHandler(std::function<void()> handler)
{
    InstallDisplayLossHandler();
    std::lock_guard lock(g_handler_mutex);
    g_handler = std::move(handler);
}

}  // namespace nuvra::linux_platform
