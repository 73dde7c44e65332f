// What the program's entry point asks of a backend besides the services: the
// services themselves, why the show's window could not be opened, and the
// cleanup to run when the display goes away under the show. Each backend
// implements it once; src/app/backend_factory.h makes the chosen one, and
// nothing in the core ever sees it.
#pragma once

#include <functional>
#include <string>

#include "platform/platform.h"

namespace nuvra::platform {

class AppBackend {
public:
    virtual ~AppBackend() = default;

    // Owned by the backend, valid as long as it lives.
    virtual Platform& services() = 0;

    // Why the show's window could not be opened (after CreateWindow or
    // PrimaryScreen failed), in words for the user; empty before any
    // failure or when the backend has nothing to add.
    virtual const std::string& window_error() const = 0;

    // Where the program's README is, for the dialog's address label: the
    // installed copy, or the one beside the sources for a program run from
    // its build folder.
    virtual std::string ReadmeAddress() const = 0;

    // The cleanup to run when the display goes away under the show (the
    // user's session ends): stop the music, delete the work files, release
    // the lock. It runs at most once, on whatever thread found the loss,
    // and the process then ends with status 1. Empty clears it; the backend
    // clears it when it goes.
    virtual void SetDisplayLostHandler(std::function<void()> cleanup) = 0;

    // From now on the program's messages go to standard error only, never
    // into a box on the screen: a show hosted by a screen-saver daemon must
    // not cover the daemon's screen or wait for a click.
    virtual void KeepMessagesOffTheScreen() = 0;

    // From now on windows are surfaces on the layers of a Wayland desktop,
    // and the pointer is the one over them (the --layer show); the
    // program's messages go to standard error only. False where the build
    // has no such window system.
    virtual bool UseDesktopLayers() { return false; }
};

}  // namespace nuvra::platform
