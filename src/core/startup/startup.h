// Main: the first code that runs. Refuses to run beside a show or a settings
// dialog, reads the mode letter, loads the settings and hands over to the
// preview, the dialog or the show. Returns the process's exit status; the
// caller ends the process with it.
#pragma once

#include <cstdint>
#include <string_view>

#include "modules.h"
#include "platform/platform.h"
#include "startup/forms.h"

namespace nuvra {

int Main(ProcessState& state, platform::Platform& platform, Forms& forms, std::string_view command_line);

// The exit status when the program has nowhere to keep its lock and work
// files; ReportNoClaim says so through the diagnostics and returns it.
inline constexpr int kExitNoFolder = 1;
int ReportNoClaim(platform::Platform& platform, std::string_view why);

}  // namespace nuvra
