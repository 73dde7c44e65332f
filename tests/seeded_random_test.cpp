// The shared generator on every backend's runtime: under MinGW this also
// checks that the runtime's entropy source really differs between seeds.
#include <gtest/gtest.h>

#include "platform/common/seeded_random.h"

namespace {

using nuvra::common_platform::SeededRandom;

TEST(SeededRandom, DrawsStayInsideTheUnitIntervalAndReseedsDiffer)
{
    SeededRandom random;
    random.Randomize();
    double first = random.Rnd();
    for (int i = 0; i < 100000; ++i) {
        double r = random.Rnd();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
    random.Randomize();
    EXPECT_NE(random.Rnd(), first);
}

}  // namespace
