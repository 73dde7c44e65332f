#include "display/frame_step.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display/vector_support.h"

namespace nuvra {

namespace {

// Rows and columns of the octant are sampled in tiles of this size, so that
// the part of the source one tile reads (a turned tile) stays in the first
// level cache whatever the angle.
constexpr std::int32_t kTileRows = 16;
constexpr std::int32_t kTileColumns = 64;

// Rows t = 1.. of the quarter disc and, for each, the last column m with
// t^2 + m^2 < h^2: the same disc test the point table uses.
void LayOutQuarterDisc(QuarterDiscBuffer& buffer, std::int32_t side, std::int32_t half)
{
    if (buffer.side == side)
        return;
    buffer.side = side;
    buffer.width.assign(1, 0);
    buffer.start.assign(1, 0);
    const std::int64_t radius_squared = static_cast<std::int64_t>(half) * half;
    std::int64_t total = 0;
    std::int64_t w = half;
    for (std::int64_t t = 1; t <= half; ++t) {
        while (w > 0 && t * t + w * w >= radius_squared)
            --w;
        if (w == 0)
            break;
        buffer.width.push_back(static_cast<std::int32_t>(w));
        buffer.start.push_back(total);
        total += w;
    }
    buffer.samples.assign(static_cast<std::size_t>(total), 0);
    // The square rows FillSquare writes, each from first to end.
    buffer.disc_rows.assign(static_cast<std::size_t>(std::max(side, 0)), platform::RowSpan{});
    buffer.disc_box = platform::Rect{};
    const auto rows = static_cast<std::int32_t>(buffer.width.size()) - 1;
    for (std::int32_t t = 1; t <= rows; ++t) {
        const std::int32_t width = buffer.width[static_cast<std::size_t>(t)];
        const std::int32_t y = half - 1 + t;
        const std::int32_t mirror_y = side - half - t;
        const platform::RowSpan span{side - half - width, half + width};
        buffer.disc_rows[static_cast<std::size_t>(y)] = span;
        // The mirror row is a copy of this one.
        if (mirror_y != y)
            buffer.disc_rows[static_cast<std::size_t>(mirror_y)] = platform::RowSpan{span.first, span.end, y};
    }
    if (rows > 0) {
        const std::int32_t widest = buffer.width[1];
        buffer.disc_box = platform::Rect{side - half - widest, side - half - rows, half + widest, half + rows};
    }
    buffer.source_offset.assign(static_cast<std::size_t>(kTileColumns) + 4, 0);
}

#if NUVRA_VECTOR_TYPES
// Four lanes of the sample arithmetic at once, in the compilers' vector
// types: two SSE2 operations each on the baseline x86-64, one AVX2
// operation in the wider variant.
using Doubles = double __attribute__((vector_size(32)));
using Floats = float __attribute__((vector_size(16)));
using Ints = std::int32_t __attribute__((vector_size(16)));

// Phase 1: the octant's samples, row t holding columns 1..min(t, width),
// and through the diagonal the rest of the quarter disc.
//
// Every sample is computed with the very operations of the reference step
// in the same order, so that every rounding is identical: u through single
// precision, v in double, both rounded half to even. The rounding is done
// as two additions: adding 1.5 * 2^52 leaves no fraction bits, so the
// hardware rounds (ties to even) right there; exact far beyond any picture
// coordinate. No variant enables fused multiply-add, which would round
// differently.
__attribute__((always_inline)) inline void SampleOctantBody(QuarterDiscBuffer& buffer, const PixelArray& source,
                                                           float cos_a, float sin_a, std::int32_t half)
{
    const Doubles c = Doubles{} + static_cast<double>(cos_a);
    const Doubles s = Doubles{} + static_cast<double>(sin_a);
    const Doubles h = Doubles{} + static_cast<double>(half);
    const Doubles shift = Doubles{} + 6755399441055744.0;
    const Doubles lanes = {0.0, 1.0, 2.0, 3.0};
    const Ints stride = Ints{} + source.bytes_per_row();
    const std::uint8_t* pixels = source.data();
    std::int32_t* offset = buffer.source_offset.data();
    std::uint8_t* samples = buffer.samples.data();
    const std::int64_t* start = buffer.start.data();
    const std::int32_t* width = buffer.width.data();
    const auto rows = static_cast<std::int32_t>(buffer.width.size()) - 1;
    for (std::int32_t t0 = 1; t0 <= rows; t0 += kTileRows) {
        const std::int32_t t1 = std::min(t0 + kTileRows, rows + 1);
        std::int32_t widest = 0;
        for (std::int32_t t = t0; t < t1; ++t)
            widest = std::max(widest, std::min(t, width[t]));
        for (std::int32_t m0 = 0; m0 < widest; m0 += kTileColumns) {
            for (std::int32_t t = t0; t < t1; ++t) {
                const std::int32_t end = std::min({m0 + kTileColumns, t, width[t]});
                if (end <= m0)
                    continue;
                const Doubles dx = Doubles{} + static_cast<double>(t - 1);
                const Doubles dx_c = dx * c;
                const Doubles dx_s = dx * s;
                Doubles dy = lanes + static_cast<double>(m0);
                for (std::int32_t m = m0; m < end; m += 4, dy += 4.0) {
                    const Doubles u =
                        __builtin_convertvector(__builtin_convertvector(dx_c - dy * s + h, Floats), Doubles);
                    const Doubles v = dx_s + dy * c + h;
                    const Ints sx = __builtin_convertvector((u + shift) - shift, Ints);
                    const Ints sy = __builtin_convertvector((v + shift) - shift, Ints);
                    const Ints four = sy * stride + sx;
                    std::memcpy(offset + (m - m0), &four, sizeof four);
                }
                // Each sample also fills its place across the diagonal,
                // (m, t): inside one tile those writes touch only a few
                // dozen cache lines.
                std::uint8_t* row = samples + start[t];
                for (std::int32_t m = m0; m < end; ++m) {
                    const std::uint8_t value = pixels[offset[m - m0]];
                    row[m] = value;
                    samples[start[m + 1] + (t - 1)] = value;
                }
            }
        }
    }
}

void SampleOctantBaseline(QuarterDiscBuffer& buffer, const PixelArray& source, float cos_a, float sin_a,
                          std::int32_t half)
{
    SampleOctantBody(buffer, source, cos_a, sin_a, half);
}

#if NUVRA_AVX2_DISPATCH
__attribute__((target("avx2"))) void SampleOctantAvx2(QuarterDiscBuffer& buffer, const PixelArray& source,
                                                      float cos_a, float sin_a, std::int32_t half)
{
    SampleOctantBody(buffer, source, cos_a, sin_a, half);
}
#endif
#endif  // NUVRA_VECTOR_TYPES

// Phase 1 one sample at a time, for compilers without vector types: the
// same samples as SampleOctantBody, with the straightforward step's own
// operations, row after row.
void SampleOctantScalar(QuarterDiscBuffer& buffer, const PixelArray& source, float cos_a, float sin_a,
                        std::int32_t half)
{
    const auto c = static_cast<double>(cos_a);
    const auto s = static_cast<double>(sin_a);
    std::uint8_t* samples = buffer.samples.data();
    const auto rows = static_cast<std::int32_t>(buffer.width.size()) - 1;
    for (std::int32_t t = 1; t <= rows; ++t) {
        const auto dx = static_cast<double>(t - 1);
        const std::int32_t end = std::min(t, buffer.width[static_cast<std::size_t>(t)]);
        std::uint8_t* row = samples + buffer.start[static_cast<std::size_t>(t)];
        for (std::int32_t m = 0; m < end; ++m) {
            const auto dy = static_cast<double>(m);
            const auto u = static_cast<float>(dx * c - dy * s + half);
            const double v = dx * s + dy * c + half;
            const std::uint8_t value =
                source(static_cast<std::int32_t>(std::nearbyint(u)), static_cast<std::int32_t>(std::nearbyint(v)));
            row[m] = value;
            samples[buffer.start[static_cast<std::size_t>(m) + 1] + (t - 1)] = value;
        }
    }
}

// Copies count bytes of from into to in reverse order, eight at a time.
void CopyReversed(std::uint8_t* to, const std::uint8_t* from, std::int32_t count)
{
    std::int32_t k = 0;
#if NUVRA_VECTOR_TYPES
    for (; k + 8 <= count; k += 8) {
        std::uint64_t word;
        std::memcpy(&word, from + count - 8 - k, 8);
        word = __builtin_bswap64(word);
        std::memcpy(to + k, &word, 8);
    }
#endif
    for (; k < count; ++k)
        to[k] = from[count - 1 - k];
}

// Phase 2: each quarter-disc row becomes one display row, right half as it
// is and left half reversed, and that row is copied to its mirror row. For
// an odd side the centre column (and row) is written from both halves with
// the same value.
void FillSquare(const QuarterDiscBuffer& buffer, const PixelArray& display, std::int32_t side, std::int32_t half)
{
    const auto rows = static_cast<std::int32_t>(buffer.width.size()) - 1;
    for (std::int32_t t = 1; t <= rows; ++t) {
        const std::int32_t width = buffer.width[static_cast<std::size_t>(t)];
        const std::uint8_t* quarter = buffer.samples.data() + buffer.start[static_cast<std::size_t>(t)];
        const std::int32_t y = half - 1 + t;
        const std::int32_t mirror_y = side - half - t;
        std::uint8_t* row = &display(0, y);
        const std::int32_t first = side - half - width;
        std::memcpy(row + half, quarter, static_cast<std::size_t>(width));
        CopyReversed(row + first, quarter, width);
        if (mirror_y != y) {
            const std::int32_t length = 2 * half + 2 * width - side;
            std::memcpy(&display(first, mirror_y), row + first, static_cast<std::size_t>(length));
        }
    }
}

}  // namespace

void AdvanceAngle(NuvraS& form)
{
    const int sum = form.AngleStep + form.Angle + 360;
    int angle = sum % 360;  // the sign of the dividend, as the 16-bit Mod gives
    if (angle < 0)
        angle += 360;
    form.Angle = static_cast<std::int16_t>(angle);
}

void DrawKaleidoscopeStraightforward(const NuvraS& form, const PixelArray& source, const PixelArray& display)
{
    const auto angle = static_cast<std::size_t>(form.Angle);
    const float c = form.CosTable[angle];
    const float s = form.SinTable[angle];
    const std::int32_t last_point = form.LastPoint;
    const std::int32_t h = form.ViewHalf;
    for (std::int32_t n = 0; n <= last_point; ++n) {
        const auto point = static_cast<std::size_t>(n);
        const std::int32_t dx = form.PointX[0][point] - h;
        const std::int32_t dy = form.PointY[0][point] - h;
        const auto u = static_cast<float>(dx * static_cast<double>(c) - dy * static_cast<double>(s) + h);
        const double v = dx * static_cast<double>(s) + dy * static_cast<double>(c) + h;
        const auto sx = static_cast<std::int32_t>(std::nearbyint(u));
        const auto sy = static_cast<std::int32_t>(std::nearbyint(v));
        const std::uint8_t value = source(sx, sy);
        for (std::size_t k = 0; k < 8; ++k)
            display(form.PointX[k][point], form.PointY[k][point]) = value;
    }
}

FrameStepUnits BestFrameStepUnits()
{
#if NUVRA_AVX2_DISPATCH
    if (__builtin_cpu_supports("avx2"))
        return FrameStepUnits::Avx2;
#endif
    return NUVRA_VECTOR_TYPES ? FrameStepUnits::Baseline : FrameStepUnits::Scalar;
}

bool FrameStepUnitsAvailable(FrameStepUnits units)
{
    switch (units) {
    case FrameStepUnits::Scalar:
        return true;
    case FrameStepUnits::Baseline:
        return NUVRA_VECTOR_TYPES;
    case FrameStepUnits::Avx2:
        break;
    }
    return BestFrameStepUnits() == FrameStepUnits::Avx2;
}

void DrawKaleidoscope(NuvraS& form, const PixelArray& source, const PixelArray& display)
{
    DrawKaleidoscope(form, source, display, BestFrameStepUnits());
}

void DrawKaleidoscope(NuvraS& form, const PixelArray& source, const PixelArray& display, FrameStepUnits units)
{
    if (form.LastPoint < 0)
        return;
    const auto angle = static_cast<std::size_t>(form.Angle);
    LayOutQuarterDisc(form.quarter_disc, form.ViewSize, form.ViewHalf);
    const float cos_a = form.CosTable[angle];
    const float sin_a = form.SinTable[angle];
    // Units this processor or compiler lacks give way to the best it has.
    [[maybe_unused]] const FrameStepUnits chosen = FrameStepUnitsAvailable(units) ? units : BestFrameStepUnits();
#if NUVRA_AVX2_DISPATCH
    if (chosen == FrameStepUnits::Avx2)
        SampleOctantAvx2(form.quarter_disc, source, cos_a, sin_a, form.ViewHalf);
    else
#endif
#if NUVRA_VECTOR_TYPES
    if (chosen == FrameStepUnits::Baseline)
        SampleOctantBaseline(form.quarter_disc, source, cos_a, sin_a, form.ViewHalf);
    else
#endif
        SampleOctantScalar(form.quarter_disc, source, cos_a, sin_a, form.ViewHalf);
    FillSquare(form.quarter_disc, display, form.ViewSize, form.ViewHalf);
}

const QuarterDiscBuffer& LayOutDisc(NuvraS& form)
{
    LayOutQuarterDisc(form.quarter_disc, form.ViewSize, form.ViewHalf);
    return form.quarter_disc;
}

platform::IndexedImage DisplayImage(const NuvraS& form)
{
    const platform::Picture& display = form.Display;
    platform::IndexedImage image;
    image.pixels = display.pixels.data();
    image.bytes_per_row = display.stride;
    image.width = display.width;
    image.height = display.height;
    image.palette = display.palette.data();
    image.palette_size = display.palette.size();
    // PrepareDisplay clears the square and the frame step writes only the
    // disc, each row of it from the centre out to both sides alike.
    image.rows_mirrored = display.width == form.ViewSize && display.height == form.ViewSize;
    return image;
}

bool RunKaleidoscopeFrame(NuvraS& form, NuvraB& nuvra_b)
{
    AdvanceAngle(form);
    // A refused picture leaves an array unbound, and a picture change whose
    // second load failed can leave the display smaller than the table: the
    // frame then draws nothing rather than reach outside a picture.
    if (!nuvra_b.SourcePixels.Covers(form.ViewSize) || !nuvra_b.DisplayPixels.Covers(form.ViewSize))
        return false;
    DrawKaleidoscope(form, nuvra_b.SourcePixels, nuvra_b.DisplayPixels);
    return form.LastPoint >= 0;
}

}  // namespace nuvra
