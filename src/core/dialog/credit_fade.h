// The colour cycle of the dialog's credit label, one step every 50 ms.
//
// Each of red, green and blue holds, falls towards 0 or rises towards 250 in
// steps of 10. New directions are drawn only when all three rest at an end
// (0 or 250), each equally likely hold, fall or rise, from the program's
// random numbers, which the dialog never seeds: every opening runs through
// the same colours.
#pragma once

#include <array>
#include <cstdint>

#include "platform/system.h"

namespace nuvra::dialog {

enum class FadeDirection : std::int16_t { Hold = 0, Fall = 1, Rise = 2 };

struct CreditFade {
    std::array<std::int16_t, 3> value{};  // FadeRed, FadeGreen, FadeBlue
    std::array<FadeDirection, 3> direction{FadeDirection::Hold, FadeDirection::Hold, FadeDirection::Hold};

    // Timer1_Timer: one step; returns the label's new colour, 0x00RRGGBB.
    std::uint32_t Step(platform::Random& random);
};

}  // namespace nuvra::dialog
