// The runtime's uniform generator (Randomize, Rnd) for any backend: a 64-bit
// Mersenne Twister with a fixed first seed, reseeded from the clock and the
// system's entropy. Draws are 53 random bits, so 0 <= r < 1 always holds.
#pragma once

#include <random>

#include "platform/system.h"

namespace nuvra::common_platform {

class SeededRandom final : public platform::Random {
public:
    void Randomize() override;
    double Rnd() override;

private:
    std::mt19937_64 m_engine{0x6e757672u};
};

}  // namespace nuvra::common_platform
