#include "platform/common/seeded_random.h"

#include <chrono>
#include <cstdint>

namespace nuvra::common_platform {

void SeededRandom::Randomize()
{
    // The timer alone repeats within a tick; the system's entropy makes two
    // seeds in the same millisecond differ.
    std::random_device device;
    std::uint64_t clock = static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    std::seed_seq seed{static_cast<std::uint32_t>(clock), static_cast<std::uint32_t>(clock >> 32), device(), device()};
    m_engine.seed(seed);
}

double SeededRandom::Rnd()
{
    // 53 random bits: uniform over [0, 1) and never 1.
    return static_cast<double>(m_engine() >> 11) * 0x1.0p-53;
}

}  // namespace nuvra::common_platform
