#include "dialog/credit_fade.h"

#include <algorithm>
#include <cmath>

namespace nuvra::dialog {

namespace {
constexpr std::int16_t kTop = 250;
constexpr std::int16_t kStep = 10;
}  // namespace

std::uint32_t CreditFade::Step(platform::Random& random)
{
    bool all_at_an_end = true;
    for (std::int16_t v : value)
        all_at_an_end = all_at_an_end && (v == 0 || v == kTop);
    if (all_at_an_end) {
        for (FadeDirection& d : direction) {
            const double r = random.Rnd();
            d = static_cast<FadeDirection>(std::clamp(static_cast<int>(std::floor(r * 3)), 0, 2));
        }
    }
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (direction[i] == FadeDirection::Fall && value[i] != 0)
            value[i] = static_cast<std::int16_t>(value[i] - kStep);
        else if (direction[i] == FadeDirection::Rise && value[i] != kTop)
            value[i] = static_cast<std::int16_t>(value[i] + kStep);
    }
    return static_cast<std::uint32_t>(value[0]) << 16 | static_cast<std::uint32_t>(value[1]) << 8 |
           static_cast<std::uint32_t>(value[2]);
}

}  // namespace nuvra::dialog
