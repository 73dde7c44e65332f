#include "platform/linux/wayland/surface_scale.h"

#include <gtest/gtest.h>

namespace nuvra::linux_platform {
namespace {

TEST(SurfaceScaleTest, RealPixelsFollowTheFractionWhereTheCompositorSaysOne)
{
    struct Case {
        std::int32_t surface_pixels;
        std::int32_t output_scale;
        std::uint32_t scale_120ths;
        std::int32_t real_pixels;
    };
    const Case cases[] = {
        {1280, 1, 0, 1280},    // no fraction said: the monitor's whole scale
        {640, 2, 0, 1280},
        {1366, 2, 150, 1708},  // 1.25: 1707.5 rounds up, and the fraction wins over the whole scale
        {768, 2, 150, 960},
        {853, 2, 180, 1280},   // 1.5: 1279.5
        {1097, 2, 210, 1920},  // 1.75: 1919.75
        {1280, 1, 120, 1280},  // 1: the surface's own pixels
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RealPixels(c.surface_pixels, c.output_scale, c.scale_120ths), c.real_pixels)
            << c.surface_pixels << " at " << c.scale_120ths << "/120, whole scale " << c.output_scale;
    }
}

}  // namespace
}  // namespace nuvra::linux_platform
