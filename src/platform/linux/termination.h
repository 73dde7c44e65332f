// SIGTERM, SIGINT and SIGHUP, as the show sees them: the handler only notes
// the request, and the window system's event pump hands it to the show as a
// Close event, which then ends with its whole cleanup instead of leaving work
// files and music behind. Whatever waits outside the pump (a message box)
// watches for the request so that it never holds the show's end back.
#pragma once

namespace nuvra::linux_platform {

void InstallTerminationHandlers();

// True from the first request on, for good: whatever waits may give up.
bool TerminationRequested();

// True once for each request that has not been taken yet: the pump's Close.
bool TakeTerminationRequest();

}  // namespace nuvra::linux_platform
