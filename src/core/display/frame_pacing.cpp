#include "display/frame_pacing.h"

#include <algorithm>
#include <cmath>

namespace nuvra {

namespace {

// Displays report their rate to a few tenths of a hertz (60.02, 59.95): a
// refresh this little above the limit counts as the limit, rather than
// halving the rate.
constexpr double kRefreshTolerance = 0.025;

}  // namespace

platform::FramePacing ChooseFramePacing(double refresh_hz, int limit)
{
    limit = std::max(limit, 1);
    platform::FramePacing pacing;
    if (!(refresh_hz >= 1.0)) {
        pacing.frame_period = std::chrono::microseconds(std::lround(1e6 / limit));
        return pacing;
    }
    const double refreshes = std::ceil(refresh_hz / limit - kRefreshTolerance);
    pacing.refreshes_per_frame = static_cast<std::int32_t>(std::max(refreshes, 1.0));
    pacing.frame_period = std::chrono::microseconds(std::lround(1e6 * pacing.refreshes_per_frame / refresh_hz));
    return pacing;
}

}  // namespace nuvra
