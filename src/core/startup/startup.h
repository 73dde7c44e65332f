// Main: the first code that runs, with the mode the command line gave.
// Refuses to run beside a show or a settings dialog, loads the settings and
// hands over to the preview, the dialog, the show or the hosted show. Returns the process's exit status; the
// caller ends the process with it.
#pragma once

#include <cstdint>
#include <string_view>

#include "modules.h"
#include "platform/platform.h"
#include "startup/command_line.h"
#include "startup/forms.h"

namespace nuvra {

int Main(ProcessState& state, platform::Platform& platform, Forms& forms, const Mode& mode);

// How LoadSettings lists the pictures: all of them before it returns (the
// dialog); for a show, which may start while a long walk goes on
// (ListPicturesForShow); or not at all, for a caller that changes the folder
// first.
enum class PictureListing { Now, ForShow, Later };

// Reads Nuvra.ini into the settings record and the music settings, scanning
// the picture folder with the kinds just read before the music settings are
// read.
void LoadSettings(ProcessState& state, platform::Platform& platform, PictureListing listing = PictureListing::Now);

// The exit status when the program has nowhere to keep its lock and work
// files; ReportNoClaim says so through the diagnostics and returns it.
inline constexpr int kExitNoFolder = 1;
int ReportNoClaim(platform::Platform& platform, std::string_view why);

}  // namespace nuvra
