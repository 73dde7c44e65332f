#include "display/frame_pacing.h"

#include <gtest/gtest.h>

namespace nuvra {
namespace {

TEST(FramePacingTest, AWholeFractionOfTheRefreshNoFasterThanTheLimit)
{
    const struct {
        double refresh_hz;
        int limit;
        int refreshes_per_frame;
        long long period_us;
    } cases[] = {
        {0.0, 60, 1, 16667},      // not known: the limit itself
        {60.0, 60, 1, 16667},     {59.94, 60, 1, 16683},  {60.3, 60, 1, 16584},  // a whisker above counts as 60
        {120.0, 60, 2, 16667},    {144.0, 60, 3, 20833},  {165.0, 60, 3, 18182}, {240.0, 60, 4, 16667},
        {75.0, 60, 2, 26667},     {144.0, 144, 1, 6944},  {60.0, 240, 1, 16667}, {60.0, 25, 3, 50000},
    };
    for (const auto& c : cases) {
        const platform::FramePacing pacing = ChooseFramePacing(c.refresh_hz, c.limit);
        EXPECT_EQ(pacing.refreshes_per_frame, c.refreshes_per_frame) << c.refresh_hz << " Hz, limit " << c.limit;
        EXPECT_EQ(pacing.frame_period.count(), c.period_us) << c.refresh_hz << " Hz, limit " << c.limit;
    }
}

}  // namespace
}  // namespace nuvra
