// The frame beat against a simulated display: frames land on its refreshes
// a whole number apart, and a present that does not wait is paced by the
// clock alone.
#include "platform/common/frame_pacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <vector>

namespace nuvra::common_platform {
namespace {

using namespace std::chrono_literals;
using Clock = FramePacer::Clock;

// A pacer on a clock of the test's own: sleeping moves the clock.
class SimulatedPacer final : public FramePacer {
public:
    SimulatedPacer() : FramePacer(60) {}
    Clock::time_point now{1s};

protected:
    Clock::time_point Now() const override { return now; }
    void SleepUntil(Clock::time_point when) override { now = std::max(now, when); }
};

// The display refreshes every refresh_ns from the clock's time 0. Each
// frame takes work_ns to draw, then is presented: a present that waits
// returns at the next refresh, which shows it; one that does not returns
// at once and the frame shows at the next refresh anyway. Returns the
// refresh each frame was shown at.
std::vector<long long> ShownAt(SimulatedPacer& pacer, long long refresh_ns, bool present_waits, bool at_refresh,
                               int frames, long long work_ns = 1'000'000)
{
    std::vector<long long> shown;
    for (int frame = 0; frame < frames; ++frame) {
        pacer.now += std::chrono::nanoseconds(work_ns);
        const long long issued = pacer.now.time_since_epoch().count();
        const long long refresh = issued / refresh_ns + 1;
        shown.push_back(refresh);
        if (present_waits)
            pacer.now = Clock::time_point(std::chrono::nanoseconds(refresh * refresh_ns));
        pacer.AfterPresent(at_refresh);
    }
    return shown;
}

std::set<long long> Gaps(const std::vector<long long>& shown, std::size_t skip = 2)
{
    std::set<long long> gaps;
    for (std::size_t i = skip + 1; i < shown.size(); ++i)
        gaps.insert(shown[i] - shown[i - 1]);
    return gaps;
}

TEST(FramePacerTest, FramesStayUpTheSameNumberOfRefreshesWhenThePresentWaitsForThem)
{
    const struct {
        const char* name;
        double display_hz;  // what the display really does
        platform::FramePacing pacing;
        long long work_ns;
    } cases[] = {
        {"60 Hz, every refresh", 60.0, {1, 16667us}, 1'000'000},
        {"120 Hz, every second", 120.0, {2, 16667us}, 1'000'000},
        {"144 Hz, every third", 144.0, {3, 20833us}, 3'000'000},
        {"a display a little slower than it says", 143.7, {3, 20833us}, 1'000'000},
        {"a display a little faster than it says", 144.4, {3, 20833us}, 1'000'000},
        {"60 Hz said, a little faster", 60.2, {1, 16667us}, 1'000'000},
        {"60 Hz said, a little slower", 59.9, {1, 16667us}, 1'000'000},
    };
    for (const auto& c : cases) {
        SimulatedPacer pacer;
        pacer.SetPacing(c.pacing);
        const auto refresh_ns = static_cast<long long>(1e9 / c.display_hz);
        const std::vector<long long> shown = ShownAt(pacer, refresh_ns, true, true, 2000, c.work_ns);
        EXPECT_EQ(Gaps(shown), std::set<long long>{c.pacing.refreshes_per_frame}) << c.name;
    }
}

TEST(FramePacerTest, APresentThatDoesNotWaitIsPacedByTheClock)
{
    // A present that never waits takes the frame's time from the clock,
    // frame after frame; a driver that says it waits for the refresh and
    // does not is held to that less a quarter refresh.
    for (const int refreshes : {1, 2}) {
        for (const bool claims_refresh : {false, true}) {
            SimulatedPacer pacer;
            const auto period = std::chrono::microseconds(16667 * refreshes);
            pacer.SetPacing({refreshes, period});
            const Clock::duration refresh = Clock::duration(period) / refreshes;
            const Clock::duration expected = claims_refresh ? period - refresh / 4 : Clock::duration(period);
            std::vector<Clock::time_point> starts;
            for (int frame = 0; frame < 100; ++frame) {
                ShownAt(pacer, 16'666'667, false, claims_refresh, 1);
                starts.push_back(pacer.now);
            }
            for (std::size_t i = 1; i < starts.size(); ++i)
                ASSERT_EQ(starts[i] - starts[i - 1], expected)
                    << "frame " << i << ", " << refreshes << (claims_refresh ? " refreshes, claimed" : " refreshes");
        }
    }
}

TEST(FramePacerTest, ALateFrameStartsTheBeatAfreshInsteadOfHurryingTheNext)
{
    SimulatedPacer pacer;
    pacer.SetPacing({1, 16667us});
    ShownAt(pacer, 16'666'667, false, false, 10);
    pacer.now += 200ms;  // a picture change
    pacer.AfterPresent(false);
    const Clock::time_point after_stall = pacer.now;
    ShownAt(pacer, 16'666'667, false, false, 1, 0);
    EXPECT_EQ(pacer.now - after_stall, 16667us) << "the frame after a late one came early";
}

}  // namespace
}  // namespace nuvra::common_platform
