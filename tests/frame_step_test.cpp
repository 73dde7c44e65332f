#include "display/frame_step.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "display/mirror_table.h"
#include "support/fake_pictures.h"

#if defined(__unix__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace nuvra {
namespace {

// A form whose source pixel (x, y) holds code(x, y) and whose display is
// filled with a sentinel, with both arrays bound.
struct Scene {
    Scene(std::int32_t side, const std::function<std::uint8_t(std::int32_t, std::int32_t)>& code,
          std::uint8_t sentinel = 0xEE)
    {
        form.Img_View = test::MakePicture(side, side, 8, [](std::int32_t, std::int32_t) { return 0u; });
        for (std::int32_t y = 0; y < side; ++y)
            for (std::int32_t x = 0; x < side; ++x)
                form.Img_View.pixels[static_cast<std::size_t>(y) * form.Img_View.stride + x] = code(x, y);
        form.Display = form.Img_View;
        std::fill(form.Display.pixels.begin(), form.Display.pixels.end(), sentinel);
        FillTrigTables(form);
        BuildMirrorTable(form);
        nuvra_b.SourcePixels = PixelArray(form.Img_View.pixels.data(), form.Img_View.stride, side);
        nuvra_b.DisplayPixels = PixelArray(form.Display.pixels.data(), form.Display.stride, side);
    }
    NuvraS form;
    NuvraB nuvra_b;
};

enum class Step { Straightforward, FastScalar, FastBaseline, FastAvx2, FastAvx512 };

const char* StepName(Step step)
{
    switch (step) {
    case Step::Straightforward:
        return "Straightforward";
    case Step::FastScalar:
        return "FastScalar";
    case Step::FastBaseline:
        return "FastBaseline";
    case Step::FastAvx2:
        return "FastAvx2";
    case Step::FastAvx512:
        break;
    }
    return "FastAvx512";
}

FrameStepUnits Units(Step step)
{
    switch (step) {
    case Step::Straightforward:
    case Step::FastScalar:
        return FrameStepUnits::Scalar;
    case Step::FastBaseline:
        return FrameStepUnits::Baseline;
    case Step::FastAvx2:
        return FrameStepUnits::Avx2;
    case Step::FastAvx512:
        break;
    }
    return FrameStepUnits::Avx512;
}

void Draw(Step step, Scene& scene)
{
    const PixelArray& source = scene.nuvra_b.SourcePixels;
    const PixelArray& display = scene.nuvra_b.DisplayPixels;
    switch (step) {
    case Step::Straightforward:
        DrawKaleidoscopeStraightforward(scene.form, source, display);
        return;
    case Step::FastScalar:
    case Step::FastBaseline:
    case Step::FastAvx2:
    case Step::FastAvx512:
        DrawKaleidoscope(scene.form, source, display, Units(step));
        return;
    }
}

class EveryStep : public ::testing::TestWithParam<Step> {
protected:
    void SetUp() override
    {
        if (!FrameStepUnitsAvailable(Units(GetParam())))
            GTEST_SKIP() << "this processor or compiler lacks the units of " << StepName(GetParam());
    }
};

INSTANTIATE_TEST_SUITE_P(FrameStep, EveryStep,
                         ::testing::Values(Step::Straightforward, Step::FastScalar, Step::FastBaseline, Step::FastAvx2,
                                           Step::FastAvx512),
                         [](const auto& param_info) { return StepName(param_info.param); });

class FastStep : public EveryStep {};

INSTANTIATE_TEST_SUITE_P(FrameStep, FastStep,
                         ::testing::Values(Step::FastScalar, Step::FastBaseline, Step::FastAvx2, Step::FastAvx512),
                         [](const auto& param_info) { return StepName(param_info.param); });

// The first pixel where two displays differ, for a readable failure.
std::string FirstDifference(const platform::Picture& expected, const platform::Picture& got)
{
    for (std::size_t i = 0; i < expected.pixels.size(); ++i) {
        if (expected.pixels[i] != got.pixels[i])
            return "at (" + std::to_string(i % static_cast<std::size_t>(expected.stride)) + ", " +
                   std::to_string(i / static_cast<std::size_t>(expected.stride)) + "): expected " +
                   std::to_string(expected.pixels[i]) + ", got " + std::to_string(got.pixels[i]);
    }
    return "none";
}

TEST_P(EveryStep, SideEightSamplesTheKnownSourcePositions)
{
    // Each source pixel carries its own position, so a display pixel tells
    // which source pixel it was sampled from.
    const auto code = [](std::int32_t x, std::int32_t y) { return static_cast<std::uint8_t>(y * 8 + x); };
    const std::vector<std::pair<int, int>> points = {{4, 4}, {5, 4}, {5, 5}, {6, 4}, {6, 5}};
    const struct {
        std::int16_t angle;
        std::vector<std::pair<int, int>> sampled;
    } cases[] = {
        {45, {{4, 4}, {5, 5}, {4, 5}, {5, 5}, {5, 6}}},
        {90, {{4, 4}, {4, 5}, {3, 5}, {4, 6}, {3, 6}}},
        {180, {{4, 4}, {3, 4}, {3, 3}, {2, 4}, {2, 3}}},
        // SinTable(30) is exactly 0.5: (5, 4) gives v = 4.5, which rounds to
        // 4 (ties to even), not 5.
        {30, {{4, 4}, {5, 4}, {4, 5}, {6, 5}, {5, 6}}},
    };
    for (const auto& c : cases) {
        Scene scene(8, code);
        scene.form.Angle = c.angle;
        Draw(GetParam(), scene);
        for (std::size_t n = 0; n < points.size(); ++n) {
            const auto [i, j] = points[n];
            const int got = scene.nuvra_b.DisplayPixels(i, j);
            EXPECT_EQ(got, code(c.sampled[n].first, c.sampled[n].second))
                << "angle " << c.angle << ", point (" << i << ", " << j << "): expected sample (" << c.sampled[n].first
                << ", " << c.sampled[n].second << "), got (" << got % 8 << ", " << got / 8 << ")";
        }
    }
}

TEST_P(EveryStep, EveryImageOfAPointGetsItsSample)
{
    Scene scene(8, [](std::int32_t x, std::int32_t y) { return static_cast<std::uint8_t>(y * 8 + x); });
    scene.form.Angle = 90;
    Draw(GetParam(), scene);
    // Point (6, 4) samples (4, 6) = code 52 at 90 degrees.
    for (std::size_t k = 0; k < 8; ++k) {
        const int x = scene.form.PointX[k][3], y = scene.form.PointY[k][3];
        EXPECT_EQ(scene.nuvra_b.DisplayPixels(x, y), 52) << "image " << k << " at (" << x << ", " << y << ")";
    }
}

TEST_P(FastStep, WritesTheSameBytesAsTheStraightforwardStepAtEveryAngle)
{
    std::mt19937 random(7);
    // Sides from one tile of the sampling to several in both directions, even
    // and odd, either side of the widest units' smallest disc.
    for (std::int32_t side : {4, 5, 8, 9, 31, 63, 64, 65, 101, 150, 301}) {
        std::vector<std::uint8_t> noise(static_cast<std::size_t>(side) * side);
        for (auto& v : noise)
            v = static_cast<std::uint8_t>(random());
        const auto code = [&](std::int32_t x, std::int32_t y) { return noise[static_cast<std::size_t>(y) * side + x]; };
        Scene reference(side, code), tested(side, code);
        for (std::int16_t angle = 0; angle < 360; ++angle) {
            reference.form.Angle = tested.form.Angle = angle;
            Draw(Step::Straightforward, reference);
            Draw(GetParam(), tested);
            ASSERT_TRUE(tested.form.Display.pixels == reference.form.Display.pixels)
                << "S = " << side << ", angle " << angle << ": first difference "
                << FirstDifference(reference.form.Display, tested.form.Display);
        }
    }
}

#if defined(__unix__)
// The vector units read a sample together with the bytes after it. With the
// source's last row ending right at an unreadable page (and rows without
// padding), a read past the picture ends the test.
TEST_P(FastStep, NeverReadsPastTheSourcesLastByte)
{
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    for (std::int32_t side : {8, 9, 64, 65}) {
        const auto bytes = static_cast<std::size_t>(side) * side;
        const std::size_t mapped = (bytes + page - 1) / page * page + page;
        void* memory = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(memory, MAP_FAILED);
        auto* guard = static_cast<std::uint8_t*>(memory) + mapped - page;
        ASSERT_EQ(mprotect(guard, page, PROT_NONE), 0);
        std::fill(guard - bytes, guard, std::uint8_t{5});
        Scene scene(side, [](std::int32_t, std::int32_t) { return std::uint8_t{5}; });
        scene.nuvra_b.SourcePixels = PixelArray(guard - bytes, side, side);
        for (std::int16_t angle = 0; angle < 360; ++angle) {
            scene.form.Angle = angle;
            Draw(GetParam(), scene);
        }
        EXPECT_EQ(scene.nuvra_b.DisplayPixels(side / 2, side / 2), 5) << "S = " << side;
        munmap(memory, mapped);
    }
}
#endif

TEST(FrameStep, CornersOutsideTheDiscAndRowPaddingAreNeverWritten)
{
    for (std::int32_t side : {9, 10, 101}) {
        Scene scene(side, [](std::int32_t, std::int32_t) { return std::uint8_t{7}; }, 0);
        for (int frame = 0; frame < 40; ++frame) {
            scene.form.AngleStep = 9;
            RunKaleidoscopeFrame(scene.form, scene.nuvra_b);
        }
        const std::int32_t h = side / 2;
        for (std::int32_t y = 0; y < side; ++y) {
            for (std::int32_t x = 0; x < scene.form.Display.stride; ++x) {
                // The disc, by the point table's own test on the mirrored
                // offsets from the centre.
                const std::int32_t p = x < side ? std::max(x, side - 1 - x) - h + 1 : side;
                const std::int32_t q = std::max(y, side - 1 - y) - h + 1;
                const bool inside = x < side && p * p + q * q < h * h;
                ASSERT_EQ(scene.nuvra_b.DisplayPixels(x, y), inside ? 7 : 0)
                    << "S = " << side << ", (" << x << ", " << y << ")";
            }
        }
    }
}

// What the window is told of every frame: from the square as PrepareDisplay
// leaves it (cleared), at every angle, for odd and even sides, each row
// reads the same from both ends, so the window may convert half of it. A
// Display that is not the ViewSize square says nothing of the kind.
TEST(FrameStep, EveryRowOfEveryFrameReadsTheSameFromBothEnds)
{
    std::mt19937 random(11);
    for (std::int32_t side : {9, 10, 101, 150}) {
        std::vector<std::uint8_t> noise(static_cast<std::size_t>(side) * side);
        for (auto& v : noise)
            v = static_cast<std::uint8_t>(random());
        const auto code = [&](std::int32_t x, std::int32_t y) { return noise[static_cast<std::size_t>(y) * side + x]; };
        Scene scene(side, code, 0);
        scene.form.AngleStep = 1;
        for (int frame = 0; frame < 360; ++frame) {
            RunKaleidoscopeFrame(scene.form, scene.nuvra_b);
            const platform::IndexedImage image = DisplayImage(scene.form);
            ASSERT_TRUE(image.rows_mirrored) << "S = " << side;
            for (std::int32_t row = 0; row < image.height; ++row) {
                const std::uint8_t* pixels = image.pixels + std::ptrdiff_t{row} * image.bytes_per_row;
                for (std::int32_t x = 0; x < image.width / 2; ++x)
                    ASSERT_EQ(pixels[x], pixels[image.width - 1 - x])
                        << "S = " << side << ", angle " << scene.form.Angle << ", stored row " << row << ", x " << x;
            }
        }
        scene.form.Display = test::MakePicture(side + 1, side, 8, [](std::int32_t, std::int32_t) { return 0u; });
        EXPECT_FALSE(DisplayImage(scene.form).rows_mirrored) << "S = " << side << ", a wider Display";
    }
}

TEST(AdvanceAngle, WrapsBothWaysAndAlwaysLandsInTheTable)
{
    const struct {
        std::int16_t angle, step, expected;
    } cases[] = {
        {0, 5, 5},       {0, -5, 355},   {358, 5, 3},    {359, 1, 0},    {10, 0, 10},   {10, -360, 10},
        {100, 360, 100}, {5, -370, 355}, {0, 32767, 7}, {0, -32768, 352}, {359, 32767, 6},
    };
    for (const auto& c : cases) {
        NuvraS form;
        form.Angle = c.angle;
        form.AngleStep = c.step;
        AdvanceAngle(form);
        EXPECT_EQ(form.Angle, c.expected) << "angle " << c.angle << ", step " << c.step;
    }
}

TEST(RunKaleidoscopeFrame, FirstFrameIsDrawnAtTheStepNotAtZero)
{
    const auto code = [](std::int32_t x, std::int32_t y) { return static_cast<std::uint8_t>(y * 8 + x); };
    Scene stepped(8, code), direct(8, code);
    stepped.form.AngleStep = 90;
    RunKaleidoscopeFrame(stepped.form, stepped.nuvra_b);
    direct.form.Angle = 90;
    DrawKaleidoscopeStraightforward(direct.form, direct.nuvra_b.SourcePixels, direct.nuvra_b.DisplayPixels);
    EXPECT_EQ(stepped.form.Angle, 90);
    EXPECT_EQ(stepped.form.Display.pixels, direct.form.Display.pixels);
}

TEST(RunKaleidoscopeFrame, DrawsNothingWithoutTwoArraysThatHoldTheSquare)
{
    const struct {
        const char* name;
        bool source_bound, display_bound;
        std::int32_t display_side;
    } cases[] = {
        {"source unbound", false, true, 16},
        {"display unbound", true, false, 16},
        {"both unbound", false, false, 16},
        {"display smaller than the table", true, true, 12},
    };
    for (const auto& c : cases) {
        Scene scene(16, [](std::int32_t, std::int32_t) { return std::uint8_t{9}; });
        platform::Picture small = test::MakePicture(c.display_side, c.display_side, 8,
                                                    [](std::int32_t, std::int32_t) { return 0xEEu; });
        if (c.display_side != 16)
            scene.nuvra_b.DisplayPixels = PixelArray(small.pixels.data(), small.stride, small.height);
        if (!c.source_bound)
            UnbindPixelArray(scene.nuvra_b.SourcePixels);
        if (!c.display_bound)
            UnbindPixelArray(scene.nuvra_b.DisplayPixels);
        const std::vector<std::uint8_t> display_before = scene.form.Display.pixels;
        const std::vector<std::uint8_t> small_before = small.pixels;
        scene.form.AngleStep = 3;

        RunKaleidoscopeFrame(scene.form, scene.nuvra_b);

        EXPECT_EQ(scene.form.Angle, 3) << c.name << ": the angle still advances";
        EXPECT_EQ(scene.form.Display.pixels, display_before) << c.name;
        EXPECT_EQ(small.pixels, small_before) << c.name;
    }
}

}  // namespace
}  // namespace nuvra
