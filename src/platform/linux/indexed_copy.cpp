#include "platform/linux/indexed_copy.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/display/vector_support.h"

#if NUVRA_AVX512_DISPATCH
#include <immintrin.h>
#endif

namespace nuvra::linux_platform {

namespace {

// The colour table as the conversion reads it: 256 ARGB entries, and the
// same split into its blue, green and red bytes for the byte permutes.
struct ColourTable {
    std::array<std::uint32_t, 256> argb;
    alignas(64) std::array<std::array<std::uint8_t, 256>, 3> planes;
};

void FillColourTable(const platform::IndexedImage& image, ColourTable& table)
{
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint32_t colour = 0xFF000000u | (i < image.palette_size ? image.palette[i] : 0u);
        table.argb[i] = colour;
        for (std::size_t k = 0; k < 3; ++k)
            table.planes[k][i] = static_cast<std::uint8_t>(colour >> (8 * k));
    }
}

using RowConversion = void (*)(const ColourTable& table, const std::uint8_t* from, std::uint32_t* to,
                               std::int32_t count);

void ConvertRowScalar(const ColourTable& table, const std::uint8_t* from, std::uint32_t* to, std::int32_t count)
{
    for (std::int32_t x = 0; x < count; ++x)
        to[x] = table.argb[from[x]];
}

// One load brings eight indexes; the table reads and stores then run
// without waiting for each index's own load.
void ConvertRowBaseline(const ColourTable& table, const std::uint8_t* from, std::uint32_t* to, std::int32_t count)
{
    const std::uint32_t* argb = table.argb.data();
    std::int32_t x = 0;
    // The word's lowest byte is the first index on a little-endian machine.
    for (; std::endian::native == std::endian::little && x + 8 <= count; x += 8) {
        std::uint64_t word;
        std::memcpy(&word, from + x, 8);
        to[x] = argb[word & 0xFF];
        to[x + 1] = argb[(word >> 8) & 0xFF];
        to[x + 2] = argb[(word >> 16) & 0xFF];
        to[x + 3] = argb[(word >> 24) & 0xFF];
        to[x + 4] = argb[(word >> 32) & 0xFF];
        to[x + 5] = argb[(word >> 40) & 0xFF];
        to[x + 6] = argb[(word >> 48) & 0xFF];
        to[x + 7] = argb[word >> 56];
    }
    for (; x < count; ++x)
        to[x] = argb[from[x]];
}

// The right half of a row that reads the same from both ends, from the
// left half already converted: to[k] = from[count - 1 - k].
using RowReversal = void (*)(const std::uint32_t* from, std::uint32_t* to, std::int32_t count);

// Four pixels at a time in the compilers' vector types (one shuffle on
// x86-64's baseline units); one at a time elsewhere.
void ReverseRowBaseline(const std::uint32_t* from, std::uint32_t* to, std::int32_t count)
{
    std::int32_t k = 0;
#if NUVRA_VECTOR_TYPES
    using Pixels = std::uint32_t __attribute__((vector_size(16)));
    for (; k + 4 <= count; k += 4) {
        Pixels four;
        std::memcpy(&four, from + count - 4 - k, sizeof four);
        four = __builtin_shufflevector(four, four, 3, 2, 1, 0);
        std::memcpy(to + k, &four, sizeof four);
    }
#endif
    for (; k < count; ++k)
        to[k] = from[count - 1 - k];
}

#if NUVRA_AVX512_DISPATCH
// Sixty-four pixels at a time: each colour byte is looked up in its plane
// with two 128-entry permutes (the index's top bit picks between them),
// then the planes are interleaved into pixels. The unpacks interleave
// within 128-bit lanes, putting the indexes' four-byte groups in the order
// of a 4 x 4 transpose; the indexes are put in the transposed order first,
// so the pixels come out in order. The row's end is done with masks.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void ConvertRowAvx512(const ColourTable& table,
                                                                             const std::uint8_t* from,
                                                                             std::uint32_t* to, std::int32_t count)
{
    __m512i planes[3][4];
    for (std::size_t k = 0; k < 3; ++k) {
        for (std::size_t q = 0; q < 4; ++q)
            planes[k][q] = _mm512_load_si512(table.planes[k].data() + 64 * q);
    }
    alignas(64) std::uint8_t order[64];
    for (int q = 0; q < 64; ++q)
        order[q] = static_cast<std::uint8_t>(16 * ((q >> 2) & 3) + 4 * (q >> 4) + (q & 3));
    const __m512i transposed = _mm512_load_si512(order);
    const __m512i alpha = _mm512_set1_epi8(static_cast<char>(0xFF));
    for (std::int32_t x = 0; x < count; x += 64) {
        const std::int32_t left = std::min(count - x, 64);
        const __mmask64 load_mask = left == 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
        const __m512i loaded = _mm512_maskz_loadu_epi8(load_mask, from + x);
        // (The masked form: the plain one starts from an undefined vector,
        // which GCC 12 warns about.)
        const __m512i indexes = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, transposed, loaded);
        const __mmask64 high = _mm512_movepi8_mask(indexes);
        __m512i bytes[3];
        for (std::size_t k = 0; k < 3; ++k) {
            const __m512i low_half = _mm512_permutex2var_epi8(planes[k][0], indexes, planes[k][1]);
            const __m512i high_half = _mm512_permutex2var_epi8(planes[k][2], indexes, planes[k][3]);
            bytes[k] = _mm512_mask_blend_epi8(high, low_half, high_half);
        }
        const __m512i blue_green_low = _mm512_unpacklo_epi8(bytes[0], bytes[1]);
        const __m512i blue_green_high = _mm512_unpackhi_epi8(bytes[0], bytes[1]);
        const __m512i red_alpha_low = _mm512_unpacklo_epi8(bytes[2], alpha);
        const __m512i red_alpha_high = _mm512_unpackhi_epi8(bytes[2], alpha);
        const __m512i pixels[4] = {_mm512_unpacklo_epi16(blue_green_low, red_alpha_low),
                                   _mm512_unpackhi_epi16(blue_green_low, red_alpha_low),
                                   _mm512_unpacklo_epi16(blue_green_high, red_alpha_high),
                                   _mm512_unpackhi_epi16(blue_green_high, red_alpha_high)};
        for (std::int32_t q = 0; q < 4; ++q) {
            const std::int32_t in_block = std::clamp(left - 16 * q, 0, 16);
            if (in_block == 16)
                _mm512_storeu_si512(to + x + 16 * q, pixels[q]);
            else if (in_block > 0)
                _mm512_mask_storeu_epi32(to + x + 16 * q, static_cast<__mmask16>((1u << in_block) - 1), pixels[q]);
        }
    }
}

// Sixteen pixels at a time, the last few with masks. (The permutes are the
// masked form for GCC 12, as above.)
__attribute__((target("avx512f"))) void ReverseRowAvx512(const std::uint32_t* from, std::uint32_t* to,
                                                          std::int32_t count)
{
    const __m512i lanes = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    const __m512i reversed = _mm512_sub_epi32(_mm512_set1_epi32(15), lanes);
    std::int32_t k = 0;
    for (; k + 16 <= count; k += 16) {
        const __m512i pixels = _mm512_loadu_si512(from + count - 16 - k);
        _mm512_storeu_si512(to + k, _mm512_maskz_permutexvar_epi32(0xFFFF, reversed, pixels));
    }
    if (k < count) {
        // The first left pixels of from, lane j taking pixel left - 1 - j.
        const std::int32_t left = count - k;
        const auto mask = static_cast<__mmask16>((1u << left) - 1);
        const __m512i pixels = _mm512_maskz_loadu_epi32(mask, from);
        const __m512i order = _mm512_sub_epi32(_mm512_set1_epi32(left - 1), lanes);
        _mm512_mask_storeu_epi32(to + k, mask, _mm512_maskz_permutexvar_epi32(mask, order, pixels));
    }
}
#endif

// How the units named convert a row and reverse a mirrored one. The
// one-pixel-at-a-time way is the reference and mirrors nothing.
struct RowWays {
    RowConversion convert = ConvertRowScalar;
    RowReversal reverse = nullptr;
};

RowWays WaysFor(ConversionUnits units)
{
    switch (ConversionUnitsAvailable(units) ? units : BestConversionUnits()) {
    case ConversionUnits::Avx512:
#if NUVRA_AVX512_DISPATCH
        return {ConvertRowAvx512, ReverseRowAvx512};
#else
        break;
#endif
    case ConversionUnits::Baseline:
        return {ConvertRowBaseline, ReverseRowBaseline};
    case ConversionUnits::Scalar:
        break;
    }
    return {};
}

}  // namespace

ConversionUnits BestConversionUnits()
{
#if NUVRA_AVX512_DISPATCH
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi"))
        return ConversionUnits::Avx512;
#endif
    return ConversionUnits::Baseline;
}

bool ConversionUnitsAvailable(ConversionUnits units)
{
    return units != ConversionUnits::Avx512 || BestConversionUnits() == ConversionUnits::Avx512;
}

void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch)
{
    CopyIndexedToArgb(image, target, pitch, platform::Rect{0, 0, image.width, image.height});
}

void CopyIndexedToArgb(const platform::IndexedImage& image, void* target, int pitch, const platform::Rect& part,
                       std::span<const platform::RowSpan> rows, ConversionUnits units)
{
    ColourTable table;
    FillColourTable(image, table);
    const RowWays ways = WaysFor(units);
    const RowConversion convert = ways.convert;
    const RowReversal reverse = image.rows_mirrored ? ways.reverse : nullptr;
    const std::int32_t left = std::max(part.left, 0), right = std::min(part.right, image.width);
    const std::int32_t top = std::max(part.top, 0), bottom = std::min(part.bottom, image.height);
    // A row the same as one above it (in this part) is copied from that
    // one right after it is made, while its pixels are still in the cache.
    std::vector<std::int32_t> copy_to(rows.size(), -1);
    std::vector<bool> copied(rows.size(), false);
    for (std::size_t stored = 0; stored < rows.size(); ++stored) {
        const std::int32_t same_as = rows[stored].same_as;
        if (same_as > static_cast<std::int32_t>(stored) && static_cast<std::size_t>(same_as) < rows.size() &&
            image.height - 1 - same_as >= top && image.height - 1 - static_cast<std::int32_t>(stored) < bottom &&
            copy_to[static_cast<std::size_t>(same_as)] < 0 &&
            rows[static_cast<std::size_t>(same_as)].first == rows[stored].first &&
            rows[static_cast<std::size_t>(same_as)].end == rows[stored].end) {
            copy_to[static_cast<std::size_t>(same_as)] = static_cast<std::int32_t>(stored);
            copied[stored] = true;
        }
    }
    const auto row_start = [&](std::int32_t stored) {
        return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(target) +
                                                static_cast<std::int64_t>(image.height - 1 - stored - top) * pitch);
    };
    // The DIB's rows come bottom first; the target wants the top row first.
    for (std::int32_t row = top; row < bottom; ++row) {
        const std::int32_t stored = image.height - 1 - row;
        std::int32_t first = left, end = right;
        if (!rows.empty()) {
            if (static_cast<std::size_t>(stored) >= rows.size() || copied[static_cast<std::size_t>(stored)])
                continue;
            first = std::max(first, rows[static_cast<std::size_t>(stored)].first);
            end = std::min(end, rows[static_cast<std::size_t>(stored)].end);
        }
        if (first >= end)
            continue;
        std::uint32_t* out = row_start(stored) + (first - left);
        const std::uint8_t* source = image.pixels + static_cast<std::int64_t>(stored) * image.bytes_per_row;
        if (reverse == nullptr) {
            convert(table, source + first, out, end - first);
        } else {
            // Up to the middle (the centre pixel of an odd width included)
            // converted; past it, what mirrors a converted pixel reversed,
            // and any rest (a span cut short on the left) converted.
            const std::int32_t middle = (image.width + 1) / 2;
            const std::int32_t converted_end = std::min(end, middle);
            const std::int32_t mirrored_first = std::max(first, middle);
            const std::int32_t mirrored_end = std::min(end, image.width - first);
            if (first < converted_end)
                convert(table, source + first, out, converted_end - first);
            if (mirrored_first < mirrored_end)
                reverse(out + (image.width - mirrored_end - first), out + (mirrored_first - first),
                        mirrored_end - mirrored_first);
            const std::int32_t rest = std::max(mirrored_first, mirrored_end);
            if (rest < end)
                convert(table, source + rest, out + (rest - first), end - rest);
        }
        if (!rows.empty() && copy_to[static_cast<std::size_t>(stored)] >= 0)
            std::memcpy(row_start(copy_to[static_cast<std::size_t>(stored)]) + (first - left), out,
                        static_cast<std::size_t>(end - first) * 4);
    }
}

}  // namespace nuvra::linux_platform
