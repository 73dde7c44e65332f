// The show on a layer of a Wayland desktop: what start-up does for
// "nuvra --layer[=overlay|background]", started by an idle watcher or a
// locker. One process covers every monitor the window system lists, each
// with a surface of its own and its own disc, as a daemon's copies do on X:
// each claims its own title and work files, and only the first plays the
// music. The copies run on one loop; when one ends (a key on the overlay,
// its surface taken away) the others end with it, each with its whole
// cleanup. A termination request ends them all the same way.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "startup/hosted_options.h"

namespace nuvra {

// Returns the process's exit status: 0 once the show ended, 1 when there was
// no monitor to show on or the display went away under the show.
int RunLayerShow(platform::Platform& platform, const HostedOptions& options);

// The name part that sets the copy on one monitor apart: "-layer-<handle>".
std::string LayerTag(std::int64_t monitor);

}  // namespace nuvra
