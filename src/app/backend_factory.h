// The one place the program's backend comes from. Exactly one definition of
// MakeBackend is built: the one in src/app/<backend>/ for the backend CMake's
// NUVRA_BACKEND names, so main() names no backend type.
#pragma once

#include <memory>

#include "platform/app_backend.h"

namespace nuvra::app {

// Readies the process for the backend (its termination signals) and makes
// the backend. Called once, first thing in main(); the backend lives until
// main() returns.
std::unique_ptr<platform::AppBackend> MakeBackend();

}  // namespace nuvra::app
