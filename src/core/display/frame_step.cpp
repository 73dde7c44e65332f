#include "display/frame_step.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display/octant_sampling.h"
#include "display/vector_support.h"

#if NUVRA_AVX512_DISPATCH
#include <immintrin.h>
#endif

namespace nuvra {

namespace {

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
    buffer.source_offset.assign(kOctantOffsetRoom, 0);
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

#if NUVRA_AVX512_DISPATCH
// Sixty-four bytes at a time: reversed within each 128-bit lane, then the
// lanes in reverse order. The rest eight or one at a time.
__attribute__((target("avx512f,avx512bw"))) void CopyReversedAvx512(std::uint8_t* to, const std::uint8_t* from,
                                                                     std::int32_t count)
{
    const __m512i in_lane =
        _mm512_maskz_broadcast_i32x4(0xFFFF, _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    std::int32_t k = 0;
    for (; k + 64 <= count; k += 64) {
        const __m512i bytes = _mm512_shuffle_epi8(_mm512_loadu_si512(from + count - 64 - k), in_lane);
        _mm512_storeu_si512(to + k, _mm512_maskz_shuffle_i64x2(0xFF, bytes, bytes, 0x1B));
    }
    CopyReversed(to + k, from, count - k);
}
#endif

using ReversedCopy = void (*)(std::uint8_t* to, const std::uint8_t* from, std::int32_t count);

// Phase 2: each quarter-disc row becomes one display row, right half as it
// is and left half reversed, and that row is copied to its mirror row. For
// an odd side the centre column (and row) is written from both halves with
// the same value.
void FillSquare(const QuarterDiscBuffer& buffer, const PixelArray& display, std::int32_t side, std::int32_t half,
                ReversedCopy copy_reversed)
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
        copy_reversed(row + first, quarter, width);
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
    const FrameStepUnits chosen = FrameStepUnitsAvailable(units) ? units : BestFrameStepUnits();
    SampleOctant(chosen, form.quarter_disc, source, cos_a, sin_a, form.ViewHalf);
    ReversedCopy copy_reversed = CopyReversed;
#if NUVRA_AVX512_DISPATCH
    if (chosen == FrameStepUnits::Avx512)
        copy_reversed = CopyReversedAvx512;
#endif
    FillSquare(form.quarter_disc, display, form.ViewSize, form.ViewHalf, copy_reversed);
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
