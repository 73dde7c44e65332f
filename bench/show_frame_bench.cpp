// One frame of the show as the frame loop makes it: the frame step, then
// the 8-bit square through its colour table into place on the screen's
// 32-bit surface. Measured beside the frame step alone, so the report shows
// what the rest of the frame costs, and beside the same frame built the
// way it once was: the whole square converted one pixel at a time every
// frame (WholeFrameToday), and the straightforward step on top of that.
// WholeFrame converts the whole square for its first frame and then only
// the disc, as the show does; its pixels are checked against the old way's.
//
// The surface is an off-screen one shaped like the window's own, which the
// show draws into where no graphics card renders (a bare X server); sending
// the square to the server is left out, so no display is needed. The screen
// is 16:9 with the square as tall as the screen.
//
// The conversions alone are measured with each row converted whole and, as
// the show does, half of each row converted and mirrored.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <span>
#include <utility>
#include <vector>

#include "display/frame_step.h"
#include "display/mirror_table.h"
#include "platform/linux/indexed_copy.h"

namespace {

using nuvra::NuvraS;
using nuvra::PixelArray;

struct Scene {
    explicit Scene(std::int32_t side)
    {
        nuvra::platform::Picture& view = form.Img_View;
        view.width = view.height = side;
        view.bits_per_pixel = 8;
        view.stride = (side + 3) / 4 * 4;
        view.pixels.resize(static_cast<std::size_t>(view.stride) * side);
        std::mt19937 random(1);
        for (auto& v : view.pixels)
            v = static_cast<std::uint8_t>(random());
        view.palette.resize(256);
        for (auto& colour : view.palette)
            colour = random() & 0xFFFFFFu;
        // The display as PrepareDisplay leaves it (cleared), holding a frame.
        form.Display = view;
        std::fill(form.Display.pixels.begin(), form.Display.pixels.end(), std::uint8_t{0});
        nuvra::FillTrigTables(form);
        nuvra::BuildMirrorTable(form);
        source = PixelArray(view.pixels.data(), view.stride, side);
        display = PixelArray(form.Display.pixels.data(), form.Display.stride, side);
        form.AngleStep = 7;
        nuvra::DrawKaleidoscope(form, source, display);
    }

    nuvra::platform::IndexedImage Image() const { return nuvra::DisplayImage(form); }
    // The same with its rows said to be mirrored or not.
    nuvra::platform::IndexedImage Image(bool rows_mirrored) const
    {
        nuvra::platform::IndexedImage image = Image();
        image.rows_mirrored = image.rows_mirrored && rows_mirrored;
        return image;
    }

    NuvraS form;
    PixelArray source, display;
};

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};

// How a frame reaches the surface.
enum class Conversion {
    WholeSquareScalar,  // every pixel of the square, one at a time, each frame
    ChangedPart,        // all of the first frame, then the disc, best units
};

// The screen's surface, with the square centred on it.
struct Canvas {
    explicit Canvas(std::int32_t side)
        : surface(SDL_CreateRGBSurfaceWithFormat(0, side * 16 / 9, side, 32, SDL_PIXELFORMAT_RGB888))
    {
    }
    bool ready() const { return surface != nullptr; }

    // What the window's present does, short of sending the square.
    void Show(const nuvra::platform::IndexedImage& image, Conversion conversion,
              std::span<const nuvra::platform::RowSpan> disc)
    {
        const int left = (surface->w - image.width) / 2;
        auto* target = static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::ptrdiff_t>(left) * 4;
        const nuvra::platform::Rect all{0, 0, image.width, image.height};
        if (conversion == Conversion::WholeSquareScalar)
            nuvra::linux_platform::CopyIndexedToArgb(image, target, surface->pitch, all, {},
                                                     nuvra::linux_platform::ConversionUnits::Scalar);
        else if (std::exchange(first, false))
            nuvra::linux_platform::CopyIndexedToArgb(image, target, surface->pitch, all);
        else
            nuvra::linux_platform::CopyIndexedToArgb(image, target, surface->pitch, all, disc);
    }

    bool SamePixels(const Canvas& other) const
    {
        return std::memcmp(surface->pixels, other.surface->pixels,
                           static_cast<std::size_t>(surface->pitch) * static_cast<std::size_t>(surface->h)) == 0;
    }

    std::unique_ptr<SDL_Surface, SurfaceDeleter> surface;
    bool first = true;
};

void FrameStepAlone(benchmark::State& state)
{
    Scene scene(static_cast<std::int32_t>(state.range(0)));
    const nuvra::FrameStepUnits units = nuvra::BestFrameStepUnits();
    for (auto _ : state) {
        nuvra::AdvanceAngle(scene.form);
        nuvra::DrawKaleidoscope(scene.form, scene.source, scene.display, units);
        benchmark::ClobberMemory();
    }
}

template <bool kStraightforward, Conversion kConversion>
void WholeFrame(benchmark::State& state)
{
    const auto side = static_cast<std::int32_t>(state.range(0));
    Scene scene(side);
    Canvas canvas(side);
    if (!canvas.ready()) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    const nuvra::FrameStepUnits units = nuvra::BestFrameStepUnits();
    const std::span<const nuvra::platform::RowSpan> disc = nuvra::LayOutDisc(scene.form).disc_rows;
    for (auto _ : state) {
        nuvra::AdvanceAngle(scene.form);
        if constexpr (kStraightforward)
            nuvra::DrawKaleidoscopeStraightforward(scene.form, scene.source, scene.display);
        else
            nuvra::DrawKaleidoscope(scene.form, scene.source, scene.display, units);
        canvas.Show(scene.Image(), kConversion, disc);
        benchmark::ClobberMemory();
    }
    // The surface must hold what the old way gives for the last frame.
    Canvas oracle(side);
    oracle.Show(scene.Image(), Conversion::WholeSquareScalar, disc);
    if (!canvas.SamePixels(oracle))
        state.SkipWithError("the surface differs from the whole square converted one pixel at a time");
}

// The colour-table conversion alone, for the share of the frame it takes:
// the whole square with the units named (0 one pixel at a time, 1 eight at
// a time, 2 AVX-512), each row whole (0) or half of it mirrored (1), and
// the disc alone with the best units, whole rows or halves.
void ColourTableConversion(benchmark::State& state)
{
    const auto side = static_cast<std::int32_t>(state.range(0));
    const auto units = static_cast<nuvra::linux_platform::ConversionUnits>(state.range(1));
    const bool mirrored = state.range(2) != 0;
    if (!nuvra::linux_platform::ConversionUnitsAvailable(units)) {
        state.SkipWithError("this processor lacks these units");
        return;
    }
    Scene scene(side);
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(side) * side);
    for (auto _ : state) {
        nuvra::linux_platform::CopyIndexedToArgb(scene.Image(mirrored), rows.data(), side * 4,
                                                 nuvra::platform::Rect{0, 0, side, side}, {}, units);
        benchmark::DoNotOptimize(rows.data());
        benchmark::ClobberMemory();
    }
    std::vector<std::uint32_t> oracle(rows.size());
    nuvra::linux_platform::CopyIndexedToArgb(scene.Image(), oracle.data(), side * 4,
                                             nuvra::platform::Rect{0, 0, side, side}, {},
                                             nuvra::linux_platform::ConversionUnits::Scalar);
    if (rows != oracle)
        state.SkipWithError("the pixels differ from those converted one at a time");
}

void DiscConversion(benchmark::State& state)
{
    const auto side = static_cast<std::int32_t>(state.range(0));
    const bool mirrored = state.range(1) != 0;
    Scene scene(side);
    const std::span<const nuvra::platform::RowSpan> disc = nuvra::LayOutDisc(scene.form).disc_rows;
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(side) * side);
    for (auto _ : state) {
        nuvra::linux_platform::CopyIndexedToArgb(scene.Image(mirrored), rows.data(), side * 4,
                                                 nuvra::platform::Rect{0, 0, side, side}, disc);
        benchmark::DoNotOptimize(rows.data());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(FrameStepAlone)->Arg(1080)->Arg(2160)->Unit(benchmark::kMicrosecond);
BENCHMARK(ColourTableConversion)
    ->Args({1080, 0, 0})
    ->Args({2160, 0, 0})
    ->ArgsProduct({{1080, 2160}, {1, 2}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(DiscConversion)->ArgsProduct({{1080, 2160}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(WholeFrame<false, Conversion::ChangedPart>)
    ->Name("WholeFrame")
    ->Arg(1080)
    ->Arg(2160)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(WholeFrame<false, Conversion::WholeSquareScalar>)
    ->Name("WholeFrameToday")
    ->Arg(1080)
    ->Arg(2160)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(WholeFrame<true, Conversion::WholeSquareScalar>)
    ->Name("WholeFrameStraightforward")
    ->Arg(1080)
    ->Arg(2160)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
