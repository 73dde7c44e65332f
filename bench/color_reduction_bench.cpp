// The 256-colour reduction of the square the show cuts from a 6000 x 4000
// photograph for a 1080-line screen: ours against the version it replaced
// (kept in support/ as the straightforward oracle) and against a
// general-purpose quantizing library with dithering off and black forced
// into the palette. Each reports, besides its time, how far the reduced
// picture is from the original: the mean squared error per channel and the
// largest distance of any pixel from its colour, so speed is never bought
// with quality unseen. CPU time is the whole process's, so a second thread
// the library starts is counted; on a busy machine it is the steadier
// figure of the two.
#include <benchmark/benchmark.h>

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "images/color_reduction.h"
#include "support/photo_jpeg.h"
#include "support/reference_color_reduction.h"

namespace {

using namespace nuvra;

constexpr std::int32_t kScreenHeight = 1080;

const platform::Picture& TheSquare()
{
    static const platform::Picture square = bench::PhotoCentreSquare(kScreenHeight);
    return square;
}

struct Reduction {
    Palette256 palette{};
    std::vector<std::uint8_t> indexes;
};

Reduction EmptyReduction(const platform::Picture& picture)
{
    Reduction reduction;
    reduction.indexes.assign(static_cast<std::size_t>(EightBitStride(picture.width) * picture.height), 0);
    return reduction;
}

// Error counters of a reduction against the picture it came from, plus
// whether entry 0 is black, which the renderer's corners rely on.
void ReportError(benchmark::State& state, const platform::Picture& picture, const Reduction& reduction)
{
    const int step = picture.bits_per_pixel / 8;
    const std::int64_t stride = EightBitStride(picture.width);
    double squares = 0.0;
    int largest = 0;
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = picture.pixels.data() + static_cast<std::int64_t>(y) * picture.stride;
        for (std::int32_t x = 0; x < picture.width; ++x, p += step) {
            const std::uint32_t colour = reduction.palette[reduction.indexes[static_cast<std::size_t>(stride * y + x)]];
            const int dr = static_cast<int>((colour >> 16) & 0xFF) - p[2];
            const int dg = static_cast<int>((colour >> 8) & 0xFF) - p[1];
            const int db = static_cast<int>(colour & 0xFF) - p[0];
            const int distance = dr * dr + dg * dg + db * db;
            squares += distance;
            largest = std::max(largest, distance);
        }
    }
    const double pixels = static_cast<double>(picture.width) * picture.height;
    state.counters["mse"] = squares / (3.0 * pixels);
    state.counters["max_distance"] = std::sqrt(static_cast<double>(largest));
    state.counters["black_entry_0"] = reduction.palette[0] == 0 ? 1 : 0;
}

void Reduce(benchmark::State& state)
{
    const platform::Picture& square = TheSquare();
    Reduction reduction = EmptyReduction(square);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReduceTo256Colours(square, reduction.palette, reduction.indexes));
    ReportError(state, square, reduction);

    // How many pixels got another colour than the version it replaced gave.
    Reduction before = EmptyReduction(square);
    bench::ReferenceReduceTo256Colours(square, before.palette, before.indexes);
    std::int64_t changed = 0;
    for (std::size_t i = 0; i < before.indexes.size(); ++i)
        changed += reduction.palette[reduction.indexes[i]] != before.palette[before.indexes[i]] ? 1 : 0;
    state.counters["pixels_changed"] = static_cast<double>(changed);
}

void ReduceAsBefore(benchmark::State& state)
{
    const platform::Picture& square = TheSquare();
    Reduction reduction = EmptyReduction(square);
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::ReferenceReduceTo256Colours(square, reduction.palette, reduction.indexes));
    ReportError(state, square, reduction);
}

template <typename T, void (*Destroy)(T*)>
struct Deleter {
    void operator()(T* p) const { Destroy(p); }
};
using LiqAttr = std::unique_ptr<liq_attr, Deleter<liq_attr, liq_attr_destroy>>;
using LiqImage = std::unique_ptr<liq_image, Deleter<liq_image, liq_image_destroy>>;
using LiqResult = std::unique_ptr<liq_result, Deleter<liq_result, liq_result_destroy>>;

// The whole job as the show would need it from the library: our BGR rows
// to its RGBA, its indexes back with black moved to entry 0.
bool ReduceWithLibrary(const platform::Picture& picture, int speed, Reduction& reduction)
{
    const int step = picture.bits_per_pixel / 8;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(picture.width) * picture.height * 4);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = picture.pixels.data() + static_cast<std::int64_t>(y) * picture.stride;
        std::uint8_t* q = rgba.data() + static_cast<std::int64_t>(y) * picture.width * 4;
        for (std::int32_t x = 0; x < picture.width; ++x, p += step, q += 4) {
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
            q[3] = 255;
        }
    }
    const LiqAttr attr(liq_attr_create());
    liq_set_max_colors(attr.get(), 256);
    liq_set_speed(attr.get(), speed);
    const LiqImage image(liq_image_create_rgba(attr.get(), rgba.data(), picture.width, picture.height, 0));
    if (!image || liq_image_add_fixed_color(image.get(), liq_color{0, 0, 0, 255}) != LIQ_OK)
        return false;
    liq_result* raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK)
        return false;
    const LiqResult result(raw);
    liq_set_dithering_level(result.get(), 0.0f);
    std::vector<std::uint8_t> remapped(static_cast<std::size_t>(picture.width) * picture.height);
    if (liq_write_remapped_image(result.get(), image.get(), remapped.data(), remapped.size()) != LIQ_OK)
        return false;
    const liq_palette* palette = liq_get_palette(result.get());

    // Black to entry 0, everything else after it in the library's order.
    std::array<std::uint8_t, 256> move{};
    reduction.palette.fill(0);
    int next = 1;
    bool black_placed = false;
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color& c = palette->entries[i];
        const std::uint32_t colour = static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
        if (colour == 0 && !black_placed) {
            move[i] = 0;
            black_placed = true;
        } else if (next < 256) {
            move[i] = static_cast<std::uint8_t>(next);
            reduction.palette[static_cast<std::size_t>(next++)] = colour;
        }
    }
    const std::int64_t stride = EightBitStride(picture.width);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* from = remapped.data() + static_cast<std::int64_t>(y) * picture.width;
        std::uint8_t* to = reduction.indexes.data() + stride * y;
        for (std::int32_t x = 0; x < picture.width; ++x)
            to[x] = move[from[x]];
    }
    return true;
}

// The argument is the library's speed setting: 1 slowest and best, 10
// fastest; 4 is its default.
void ReduceWithLibimagequant(benchmark::State& state)
{
    const platform::Picture& square = TheSquare();
    Reduction reduction = EmptyReduction(square);
    for (auto _ : state) {
        if (!ReduceWithLibrary(square, static_cast<int>(state.range(0)), reduction)) {
            state.SkipWithError("the library refused the picture");
            return;
        }
    }
    ReportError(state, square, reduction);
}

BENCHMARK(ReduceAsBefore)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(Reduce)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(ReduceWithLibimagequant)->Arg(1)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
