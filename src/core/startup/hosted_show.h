// The hosted show: what start-up does for "nuvra --root" or "--window-id",
// run by a screen-saver daemon. Like the full-screen show it loads the
// settings (with the daemon's overrides for this run) and runs Nuvra_S, but
// in the daemon's window, without touching the cursor, the system flags or
// the settings file.
//
// A daemon runs one copy per monitor, each in its own window: each copy
// claims its window's title and keeps its own work files, and the first copy
// to claim the music plays it while the others stay silent.
#pragma once

#include "modules.h"
#include "platform/platform.h"
#include "startup/forms.h"
#include "startup/hosted_options.h"

namespace nuvra {

inline constexpr const char* kHostedMusicTitle = "Nuvra_Music";

// Loads the settings with the daemon's overrides for this run, then lists
// the pictures (ListPicturesForShow) and orders them.
void LoadHostedSettings(ProcessState& state, platform::Platform& platform, const HostedOptions& options);

// Returns the process's exit status.
int RunHostedShow(ProcessState& state, platform::Platform& platform, Forms& forms, const HostedOptions& options);

// The name part that sets a hosted copy's title and work files apart:
// "-0x<window id>", or "-root".
std::string HostedTag(std::optional<std::int64_t> window);

}  // namespace nuvra
