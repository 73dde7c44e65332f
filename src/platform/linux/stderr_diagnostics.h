// Diagnostics on Linux: one line on standard error, "nuvra: <message>".
#pragma once

#include <cstdio>
#include <string_view>

#include "platform/system.h"

namespace nuvra::linux_platform {

class StderrDiagnostics final : public platform::Diagnostics {
public:
    void Report(std::string_view message) override
    {
        std::fprintf(stderr, "nuvra: %.*s\n", static_cast<int>(message.size()), message.data());
    }
};

}  // namespace nuvra::linux_platform
