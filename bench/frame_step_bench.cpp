// The kaleidoscope's frame step: the straightforward reference walk of the
// point table against the fast step (octant sampled once in row order, then
// the square filled row by row through its symmetries), side by side at the
// sizes of common screen heights. Each iteration is one frame, the angle
// advancing 7 degrees so that every frame samples differently.
#include <benchmark/benchmark.h>

#include <random>

#include "display/frame_step.h"
#include "display/mirror_table.h"

namespace {

using nuvra::NuvraS;
using nuvra::PixelArray;

struct Scene {
    explicit Scene(std::int32_t side)
    {
        form.Img_View.width = form.Img_View.height = side;
        form.Img_View.bits_per_pixel = 8;
        form.Img_View.stride = (side + 3) / 4 * 4;
        form.Img_View.pixels.resize(static_cast<std::size_t>(form.Img_View.stride) * side);
        std::mt19937 random(1);
        for (auto& v : form.Img_View.pixels)
            v = static_cast<std::uint8_t>(random());
        form.Display = form.Img_View;
        nuvra::FillTrigTables(form);
        nuvra::BuildMirrorTable(form);
        source = PixelArray(form.Img_View.pixels.data(), form.Img_View.stride, side);
        display = PixelArray(form.Display.pixels.data(), form.Display.stride, side);
        form.AngleStep = 7;
    }
    NuvraS form;
    PixelArray source, display;
};

void Straightforward(benchmark::State& state)
{
    Scene scene(static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        nuvra::AdvanceAngle(scene.form);
        nuvra::DrawKaleidoscopeStraightforward(scene.form, scene.source, scene.display);
        benchmark::DoNotOptimize(scene.form.Display.pixels.data());
        benchmark::ClobberMemory();
    }
    state.counters["points"] = scene.form.LastPoint + 1.0;
}

void FastWith(benchmark::State& state, nuvra::FrameStepUnits units)
{
    if (!nuvra::FrameStepUnitsAvailable(units)) {
        state.SkipWithError("these vector units are not available here");
        return;
    }
    Scene scene(static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        nuvra::AdvanceAngle(scene.form);
        nuvra::DrawKaleidoscope(scene.form, scene.source, scene.display, units);
        benchmark::DoNotOptimize(scene.form.Display.pixels.data());
        benchmark::ClobberMemory();
    }
    state.counters["points"] = scene.form.LastPoint + 1.0;
}

// What the show runs: the widest units this processor has.
void Fast(benchmark::State& state)
{
    FastWith(state, nuvra::BestFrameStepUnits());
}

void FastBaseline(benchmark::State& state)
{
    FastWith(state, nuvra::FrameStepUnits::Baseline);
}

void FastAvx2(benchmark::State& state)
{
    FastWith(state, nuvra::FrameStepUnits::Avx2);
}

BENCHMARK(Straightforward)->Arg(600)->Arg(1080)->Arg(2160)->Unit(benchmark::kMicrosecond);
BENCHMARK(Fast)->Arg(600)->Arg(1080)->Arg(2160)->Unit(benchmark::kMicrosecond);
BENCHMARK(FastBaseline)->Arg(600)->Arg(1080)->Arg(2160)->Unit(benchmark::kMicrosecond);
BENCHMARK(FastAvx2)->Arg(600)->Arg(1080)->Arg(2160)->Unit(benchmark::kMicrosecond);

}  // namespace
