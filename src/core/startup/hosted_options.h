// The command line of a hosted show: the kaleidoscope drawn inside a window
// that a screen-saver daemon gives us, instead of a full-screen window of our
// own (or, with --layer, on a layer of a Wayland desktop over every
// monitor). XScreenSaver and the daemons that follow its convention start the
// program as "nuvra --root" with the window in XSCREENSAVER_WINDOW; a window
// can also be named with "--window-id <id>". The daemon's own settings dialog
// passes the main settings as flags, which override the settings file for
// that run only.
//
// Parsing only: the app reads the environment and hands it in; applying the
// overrides to the loaded settings is ApplyHostedOverrides.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "modules.h"
#include "platform/platform.h"

namespace nuvra {

struct HostedOptions {
    // The window to draw into; none: the root window.
    std::optional<std::int64_t> window;
    // Overrides, as given (checked when applied).
    std::optional<std::string> folder;
    std::optional<std::string> order;     // "file" or "random"
    std::optional<std::string> position;  // "centre", "moving" or "random"
    std::optional<std::string> interval;  // seconds, 10 to 60
    std::optional<std::string> speed;     // degrees per frame, 1 to 10
    std::optional<std::string> music;     // an MP3 or WAV file; "" for none
    std::optional<std::string> fps;       // frames a second at most, 5 to 240
    bool recursive = false;               // the folder's subfolders too
    // --layer[=overlay|background]: a surface on that layer over every
    // monitor instead of a daemon's window (a Wayland desktop).
    platform::SurfaceLayer layer = platform::SurfaceLayer::None;
    // What could not be read, one message each, for standard error.
    std::vector<std::string> problems;
};

// True when the arguments ask for a hosted show (--root, -root, --window-id,
// --layer).
bool IsHostedCommandLine(const std::vector<std::string>& arguments);

// daemon_window: the value of XSCREENSAVER_WINDOW, when it is set.
HostedOptions ParseHostedCommandLine(const std::vector<std::string>& arguments,
                                     std::optional<std::string_view> daemon_window);

// A window id as daemons write it: decimal, or hexadecimal after "0x".
std::optional<std::int64_t> ParseWindowId(std::string_view text);

// Applies the overrides to the settings just loaded, the picture folder and
// its subfolders included (the caller lists the pictures after). An invalid value is reported through the
// diagnostics and the file's value kept. Nothing is written to the file.
void ApplyHostedOverrides(const HostedOptions& options, ProcessState& state, platform::Platform& platform);

}  // namespace nuvra
