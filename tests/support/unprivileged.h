// Runs a check as an ordinary user, for permission tests that root would
// pass by ignoring the permissions. As a normal user the check runs here; as
// root it runs in a child process that hands folder to "nobody" and drops
// root first.
#pragma once

#include <filesystem>
#include <functional>

namespace nuvra::test {

bool RunUnprivileged(const std::filesystem::path& folder, const std::function<bool()>& check);

}  // namespace nuvra::test
