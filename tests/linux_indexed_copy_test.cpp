#include "platform/linux/indexed_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace nuvra::linux_platform {
namespace {

using platform::Rect;
using platform::RowSpan;

constexpr std::uint32_t kUntouched = 0x12345678;

// Every way of converting, on rows whose lengths end at every place in a
// block of eight or sixty-four, with a colour table shorter than 256
// entries, parts clipped on each side and spans narrower than the part:
// the pixels a plain lookup gives, inside the part and the spans (a row
// said to repeat another too), and the target untouched outside them. The
// same for rows that read the same from both ends, which all but the
// one-at-a-time way convert only halfway: odd and even widths, halves that
// end at every place in a block of two, sixteen or sixty-four, and parts
// and spans cut short on either side.
TEST(CopyIndexedToArgb, EveryWayGivesThePixelsOfAPlainLookup)
{
    enum Rows { Plain, Mirrored };
    struct Case {
        std::int32_t width;
        Rect part;                  // relative: right and bottom counted from the picture's edges
        bool spans;
        Rows rows = Plain;
    };
    const Case cases[] = {
        {1, {0, 0, 0, 0}, false},   {7, {0, 0, 0, 0}, false},  {8, {0, 0, 0, 0}, false},
        {63, {0, 0, 0, 0}, false},  {64, {0, 0, 0, 0}, false}, {65, {0, 0, 0, 0}, false},
        {130, {0, 0, 0, 0}, false}, {130, {3, 1, 5, 1}, false}, {130, {0, 0, 0, 0}, true},
        {200, {9, 0, 70, 2}, true},
        {1, {0, 0, 0, 0}, false, Mirrored},    {2, {0, 0, 0, 0}, false, Mirrored},
        {5, {0, 0, 0, 0}, false, Mirrored},    {33, {0, 0, 0, 0}, false, Mirrored},
        {34, {0, 0, 0, 0}, false, Mirrored},   {35, {0, 0, 0, 0}, false, Mirrored},
        {127, {0, 0, 0, 0}, false, Mirrored},  {128, {0, 0, 0, 0}, false, Mirrored},
        {131, {0, 0, 0, 0}, false, Mirrored},  {1081, {0, 0, 0, 0}, false, Mirrored},
        {130, {3, 1, 5, 1}, false, Mirrored},  {131, {60, 0, 2, 0}, false, Mirrored},
        {131, {2, 0, 90, 0}, false, Mirrored}, {130, {0, 0, 0, 0}, true, Mirrored},
        {201, {9, 0, 70, 2}, true, Mirrored},  {201, {70, 0, 9, 2}, true, Mirrored},
    };
    constexpr std::int32_t kHeight = 4;
    std::mt19937 random(7);
    std::vector<std::uint32_t> palette(200);
    for (auto& colour : palette)
        colour = random() & 0xFFFFFFu;
    for (const ConversionUnits units : {ConversionUnits::Scalar, ConversionUnits::Baseline, ConversionUnits::Avx512}) {
        if (!ConversionUnitsAvailable(units))
            continue;
        for (const Case& c : cases) {
            const std::string name = "units " + std::to_string(static_cast<int>(units)) + ", width " +
                                     std::to_string(c.width) + ", part " + std::to_string(c.part.left) + ", " +
                                     std::to_string(c.part.right) + (c.spans ? ", spans" : "") +
                                     (c.rows == Mirrored ? ", mirrored" : "");
            const std::int32_t stride = (c.width + 3) / 4 * 4;
            std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * kHeight);
            for (auto& index : pixels)
                index = static_cast<std::uint8_t>(random());
            for (std::int32_t row = 0; c.rows == Mirrored && row < kHeight; ++row) {
                std::uint8_t* stored = pixels.data() + static_cast<std::ptrdiff_t>(row) * stride;
                std::copy_n(std::make_reverse_iterator(stored + c.width), c.width / 2, stored);
            }
            platform::IndexedImage image;
            image.rows_mirrored = c.rows == Mirrored;
            image.pixels = pixels.data();
            image.bytes_per_row = stride;
            image.width = c.width;
            image.height = kHeight;
            image.palette = palette.data();
            image.palette_size = palette.size();
            const Rect part{c.part.left, c.part.top, c.width - c.part.right, kHeight - c.part.bottom};
            std::vector<RowSpan> spans;
            for (std::int32_t row = 0; c.spans && row < kHeight; ++row)
                spans.push_back(row == 1 ? RowSpan{} : RowSpan{row * 11, c.width - row * 13});
            if (c.spans) {
                // The bottom row repeats the one two above it.
                spans[0] = RowSpan{spans[2].first, spans[2].end, 2};
                std::copy_n(pixels.begin() + 2 * stride, stride, pixels.begin());
            }
            const std::int32_t part_width = part.right - part.left;
            std::vector<std::uint32_t> got(static_cast<std::size_t>(part_width) * kHeight, kUntouched);
            CopyIndexedToArgb(image, got.data(), part_width * 4, part, spans, units);

            for (std::int32_t row = part.top; row < part.bottom; ++row) {
                const std::int32_t stored = kHeight - 1 - row;
                for (std::int32_t x = part.left; x < part.right; ++x) {
                    const bool inside = !c.spans || (x >= spans[static_cast<std::size_t>(stored)].first &&
                                                     x < spans[static_cast<std::size_t>(stored)].end);
                    const std::uint8_t index = pixels[static_cast<std::size_t>(stored * stride + x)];
                    const std::uint32_t expected =
                        !inside ? kUntouched : 0xFF000000u | (index < palette.size() ? palette[index] : 0u);
                    const std::uint32_t pixel =
                        got[static_cast<std::size_t>((row - part.top) * part_width + (x - part.left))];
                    ASSERT_EQ(pixel, expected) << name << ", row " << row << ", x " << x;
                }
            }
        }
    }
}

}  // namespace
}  // namespace nuvra::linux_platform
