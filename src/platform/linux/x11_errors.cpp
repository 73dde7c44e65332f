#include "platform/linux/x11_errors.h"

#include <X11/Xlib.h>

#include <atomic>
#include <mutex>

namespace nuvra::linux_platform {

namespace {

using ErrorHandler = int (*)(::Display*, XErrorEvent*);

std::mutex g_trap_turn;  // held by the one trap alive
std::atomic<::Display*> g_trapped_display{nullptr};
std::atomic<bool> g_trapped_error{false};
std::atomic<bool> g_tolerant{false};
std::atomic<ErrorHandler> g_next_handler{nullptr};
ErrorHandler g_handler_before_trap = nullptr;  // guarded by g_trap_turn

// SDL puts its own handler on top of whatever it finds and passes every
// error on to it; a chain that led back here would go round for ever.
thread_local bool t_handling = false;

extern "C" int HandleXError(::Display* display, XErrorEvent* error)
{
    if (t_handling)
        return 0;
    if (display != nullptr && display == g_trapped_display.load()) {
        g_trapped_error = true;
        return 0;
    }
    // SDL's drawing context for a window that was gone when it was made is
    // refused too, each time it is used and when SDL frees it.
    if (g_tolerant &&
        (error->error_code == BadWindow || error->error_code == BadDrawable || error->error_code == BadGC))
        return 0;
    const ErrorHandler next = g_next_handler.load();
    if (next == nullptr)
        return 0;
    t_handling = true;
    const int result = next(display, error);
    t_handling = false;
    return result;
}

// Puts HandleXError in place; the handler it first replaced gets what
// HandleXError does not take (a later one may be SDL's, which passes errors
// back to us). Returns the replaced handler.
ErrorHandler PutHandlerInPlace()
{
    const ErrorHandler previous = XSetErrorHandler(&HandleXError);
    ErrorHandler none = nullptr;
    if (previous != &HandleXError)
        g_next_handler.compare_exchange_strong(none, previous);
    return previous;
}

}  // namespace

void TolerateVanishedWindows()
{
    g_tolerant = true;
    PutHandlerInPlace();
}

XErrorTrap::XErrorTrap(::_XDisplay* display) : m_display(display)
{
    g_trap_turn.lock();
    // Errors of requests made before the trap are not its business.
    XSync(m_display, False);
    g_handler_before_trap = PutHandlerInPlace();
    g_trapped_error = false;
    g_trapped_display = m_display;
}

XErrorTrap::~XErrorTrap()
{
    XSync(m_display, False);
    g_trapped_display = nullptr;
    g_trapped_error = false;
    XSetErrorHandler(g_handler_before_trap);
    g_trap_turn.unlock();
}

bool XErrorTrap::Failed()
{
    XSync(m_display, False);
    return g_trapped_error.exchange(false);
}

}  // namespace nuvra::linux_platform
