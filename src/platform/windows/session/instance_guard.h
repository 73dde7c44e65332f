// The single-instance guard on Windows: a window of the title (FindWindowW)
// says another copy runs, and a claim is a named mutex of the title, so two
// copies started at the same instant, before either has a window, still
// come to one.
#pragma once

#include <string_view>

#include "platform/system.h"

namespace nuvra::windows_platform {

class WindowsInstanceGuard final : public platform::InstanceGuard {
public:
    bool WindowExists(std::string_view title) override;
    // Held until the claim is destroyed; not held while another process
    // holds the title's mutex.
    platform::TitleClaim Claim(std::string_view title) override;
};

}  // namespace nuvra::windows_platform
