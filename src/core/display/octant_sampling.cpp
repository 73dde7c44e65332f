#include "display/octant_sampling.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display/vector_support.h"

#if NUVRA_AVX512_DISPATCH
#include <immintrin.h>
#endif

namespace nuvra {

namespace {

// Rows and columns of the octant are sampled in tiles of this size, so that
// the part of the source one tile reads (a turned tile) stays in the first
// level cache whatever the angle.
constexpr std::int32_t kTileRows = 16;
constexpr std::int32_t kTileColumns = 64;

// The vector body writes a row's offsets four at a time.
static_assert(kOctantOffsetRoom >= kTileColumns + 4);

// How far the octant's rows t0..t1-1 reach (row t holds columns below
// min(t, width[t])), and where row t's part of the tile from column m0 ends.
inline std::int32_t TileWidest(const std::int32_t* width, std::int32_t t0, std::int32_t t1)
{
    std::int32_t widest = 0;
    for (std::int32_t t = t0; t < t1; ++t)
        widest = std::max(widest, std::min(t, width[t]));
    return widest;
}

inline std::int32_t OctantEnd(const std::int32_t* width, std::int32_t t, std::int32_t m0)
{
    return std::min({m0 + kTileColumns, t, width[t]});
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
        const std::int32_t widest = TileWidest(width, t0, t1);
        for (std::int32_t m0 = 0; m0 < widest; m0 += kTileColumns) {
            for (std::int32_t t = t0; t < t1; ++t) {
                const std::int32_t end = OctantEnd(width, t, m0);
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

#if NUVRA_AVX512_DISPATCH
// The AVX-512 sampling reads each sample as the 32-bit word starting at it
// (the gather has no byte form) and keeps the low byte. Every sample lies
// within the disc, whose bottom row of the source ends a good way before
// the row's last pixel once the disc is this wide, so the three bytes after
// a sample are always inside the source. Smaller discs take the AVX2 way.
constexpr std::int32_t kWordReadsMinimumHalf = 32;

// Sixteen rows of one tile, 16 x 64 bytes, turned into its columns: after
// the four rounds of unpacks, which interleave within 128-bit lanes,
// register c holds in lane L the column 16 L + c, rows in order (the rows
// go in in bit-reversed order so that they come out in order).
__attribute__((target("avx512f,avx512bw,avx512vl"))) inline void TransposeTile(
    const std::uint8_t (&tile)[kTileRows][kTileColumns], __m512i (&columns)[kTileRows])
{
    static constexpr int kBitReversed[kTileRows] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    __m512i a[kTileRows];
    __m512i b[kTileRows];
    for (int i = 0; i < kTileRows; ++i)
        a[i] = _mm512_load_si512(tile[kBitReversed[i]]);
    for (int i = 0; i < 8; ++i) {
        b[2 * i] = _mm512_unpacklo_epi8(a[i], a[i + 8]);
        b[2 * i + 1] = _mm512_unpackhi_epi8(a[i], a[i + 8]);
    }
    for (int i = 0; i < 8; ++i) {
        a[2 * i] = _mm512_unpacklo_epi16(b[i], b[i + 8]);
        a[2 * i + 1] = _mm512_unpackhi_epi16(b[i], b[i + 8]);
    }
    for (int i = 0; i < 8; ++i) {
        b[2 * i] = _mm512_maskz_unpacklo_epi32(0xFFFF, a[i], a[i + 8]);
        b[2 * i + 1] = _mm512_maskz_unpackhi_epi32(0xFFFF, a[i], a[i + 8]);
    }
    for (int i = 0; i < 8; ++i) {
        columns[2 * i] = _mm512_maskz_unpacklo_epi64(0xFF, b[i], b[i + 8]);
        columns[2 * i + 1] = _mm512_maskz_unpackhi_epi64(0xFF, b[i], b[i + 8]);
    }
}

// Phase 1 sixteen samples at a time: the arithmetic of SampleOctantBody in
// eight-lane halves, a masked gather of the samples' words, and each tile
// written across the diagonal as sixteen-byte runs of its columns rather
// than one byte at a time. (GCC 12 warns about the intrinsics that start
// from an undefined vector, hence their zero-masked forms.)
__attribute__((target("avx512f,avx512bw,avx512vl"))) void SampleOctantAvx512(QuarterDiscBuffer& buffer,
                                                                              const PixelArray& source,
                                                                              float cos_a, float sin_a,
                                                                              std::int32_t half)
{
    const __m512d c = _mm512_set1_pd(static_cast<double>(cos_a));
    const __m512d s = _mm512_set1_pd(static_cast<double>(sin_a));
    const __m512d h = _mm512_set1_pd(static_cast<double>(half));
    const __m512d lanes = _mm512_set_pd(7.0, 6.0, 5.0, 4.0, 3.0, 2.0, 1.0, 0.0);
    const __m512i stride = _mm512_set1_epi32(source.bytes_per_row());
    const std::uint8_t* pixels = source.data();
    std::uint8_t* samples = buffer.samples.data();
    const std::int64_t* start = buffer.start.data();
    const std::int32_t* width = buffer.width.data();
    const auto rows = static_cast<std::int32_t>(buffer.width.size()) - 1;
    alignas(64) std::uint8_t tile[kTileRows][kTileColumns] = {};
    __m512i columns[kTileRows];
    for (std::int32_t t0 = 1; t0 <= rows; t0 += kTileRows) {
        const std::int32_t t1 = std::min(t0 + kTileRows, rows + 1);
        const std::int32_t widest = TileWidest(width, t0, t1);
        for (std::int32_t m0 = 0; m0 < widest; m0 += kTileColumns) {
            for (std::int32_t t = t0; t < t1; ++t) {
                const std::int32_t end = OctantEnd(width, t, m0);
                if (end <= m0)
                    continue;
                const __m512d dx = _mm512_set1_pd(static_cast<double>(t - 1));
                const __m512d dx_c = _mm512_mul_pd(dx, c);
                const __m512d dx_s = _mm512_mul_pd(dx, s);
                std::uint8_t* row = samples + start[t];
                for (std::int32_t m = m0; m < end; m += 16) {
                    const std::int32_t left = std::min(end - m, 16);
                    const auto mask = static_cast<__mmask16>((1u << left) - 1);
                    __m256 u_half[2];
                    __m256i sy_half[2];
                    for (int k = 0; k < 2; ++k) {
                        const __m512d dy = _mm512_add_pd(lanes, _mm512_set1_pd(static_cast<double>(m + 8 * k)));
                        const __m512d u = _mm512_add_pd(_mm512_sub_pd(dx_c, _mm512_mul_pd(dy, s)), h);
                        const __m512d v = _mm512_add_pd(_mm512_add_pd(dx_s, _mm512_mul_pd(dy, c)), h);
                        // Both conversions round as the processor is set,
                        // to nearest, ties to even.
                        u_half[k] = _mm512_maskz_cvtpd_ps(0xFF, u);
                        sy_half[k] = _mm512_maskz_cvtpd_epi32(0xFF, v);
                    }
                    const __m512i sx = _mm512_maskz_inserti64x4(0xFF, 
                        _mm512_castsi256_si512(_mm256_cvtps_epi32(u_half[0])), _mm256_cvtps_epi32(u_half[1]), 1);
                    const __m512i sy =
                        _mm512_maskz_inserti64x4(0xFF, _mm512_castsi256_si512(sy_half[0]), sy_half[1], 1);
                    const __m512i offset = _mm512_add_epi32(_mm512_mullo_epi32(sy, stride), sx);
                    const __m512i words =
                        _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), mask, offset, pixels, 1);
                    const __m128i values = _mm512_maskz_cvtepi32_epi8(mask, words);
                    _mm_mask_storeu_epi8(row + m, mask, values);
                    _mm_store_si128(reinterpret_cast<__m128i*>(tile[t - t0] + (m - m0)), values);
                }
            }
            // Column m of the tile is row m + 1 of the quarter disc from
            // its place t0 - 1 on, for the rows that sampled it.
            TransposeTile(tile, columns);
            const std::int32_t tile_end = std::min(m0 + kTileColumns, widest);
            for (std::int32_t c_index = 0; c_index < kTileRows; ++c_index) {
                const __m128i lane_values[4] = {_mm512_maskz_extracti32x4_epi32(0xF, columns[c_index], 0),
                                                _mm512_maskz_extracti32x4_epi32(0xF, columns[c_index], 1),
                                                _mm512_maskz_extracti32x4_epi32(0xF, columns[c_index], 2),
                                                _mm512_maskz_extracti32x4_epi32(0xF, columns[c_index], 3)};
                for (std::int32_t lane = 0; lane < 4; ++lane) {
                    const std::int32_t m = m0 + 16 * lane + c_index;
                    if (m >= tile_end)
                        continue;
                    const std::int32_t first = std::max(t0, m + 1);
                    const std::int32_t last = std::min(t1 - 1, width[m + 1]);
                    if (first > last)
                        continue;
                    const auto mask = static_cast<__mmask16>(((2u << (last - t0)) - 1) & ~((1u << (first - t0)) - 1));
                    _mm_mask_storeu_epi8(samples + start[m + 1] + (t0 - 1), mask, lane_values[lane]);
                }
            }
        }
    }
}
#endif  // NUVRA_AVX512_DISPATCH

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

}  // namespace

FrameStepUnits BestFrameStepUnits()
{
#if NUVRA_AVX512_DISPATCH
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl"))
        return FrameStepUnits::Avx512;
#endif
#if NUVRA_AVX2_DISPATCH
    if (__builtin_cpu_supports("avx2"))
        return FrameStepUnits::Avx2;
#endif
    return NUVRA_VECTOR_TYPES ? FrameStepUnits::Baseline : FrameStepUnits::Scalar;
}

bool FrameStepUnitsAvailable(FrameStepUnits units)
{
    return units <= BestFrameStepUnits();
}

void SampleOctant(FrameStepUnits units, QuarterDiscBuffer& buffer, const PixelArray& source, float cos_a,
                  float sin_a, std::int32_t half)
{
    // The widest units named that this build has, and that suit the disc.
#if NUVRA_AVX512_DISPATCH
    if (units == FrameStepUnits::Avx512 && half >= kWordReadsMinimumHalf)
        return SampleOctantAvx512(buffer, source, cos_a, sin_a, half);
#endif
#if NUVRA_AVX2_DISPATCH
    if (units >= FrameStepUnits::Avx2)
        return SampleOctantAvx2(buffer, source, cos_a, sin_a, half);
#endif
#if NUVRA_VECTOR_TYPES
    if (units >= FrameStepUnits::Baseline)
        return SampleOctantBaseline(buffer, source, cos_a, sin_a, half);
#endif
    SampleOctantScalar(buffer, source, cos_a, sin_a, half);
}

}  // namespace nuvra
