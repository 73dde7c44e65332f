#include "platform/linux/changed_bands.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "display/frame_step.h"

namespace nuvra::linux_platform {
namespace {

using platform::Rect;

// The disc's own changed rows, whole and with its box cut by each edge of
// the screen: the bands stay inside the part, never overlap, cover every
// changed pixel in it, and for a whole disc send little more than the
// circle (a quarter of the box's corners is about 21 % of it).
TEST(ChangedBands, CoverEveryChangedPixelAndLittleElse)
{
    struct Case {
        std::int32_t side;
        Rect part;  // relative: right and bottom counted from the picture's edges
    };
    const Case cases[] = {
        {1080, {0, 0, 0, 0}}, {1081, {0, 0, 0, 0}}, {9, {0, 0, 0, 0}},     {10, {0, 0, 0, 0}},
        {1080, {400, 0, 0, 0}}, {1080, {0, 700, 0, 0}}, {1080, {0, 0, 300, 0}}, {1081, {0, 0, 0, 900}},
        {101, {13, 17, 19, 23}},
    };
    for (const Case& c : cases) {
        NuvraS form;
        form.ViewSize = static_cast<std::int16_t>(c.side);
        form.ViewHalf = static_cast<std::int16_t>(c.side / 2);
        const std::vector<platform::RowSpan>& rows = LayOutDisc(form).disc_rows;
        const Rect part{c.part.left, c.part.top, c.side - c.part.right, c.side - c.part.bottom};
        const std::string name = "side " + std::to_string(c.side) + ", part " + std::to_string(part.left) + ", " +
                                 std::to_string(part.top) + ", " + std::to_string(part.right) + ", " +
                                 std::to_string(part.bottom);
        std::array<Rect, kChangedBands> bands;
        const int count = ChangedBands(rows, c.side, part, bands);
        ASSERT_GT(count, 0) << name;
        std::int64_t sent = 0;
        for (int i = 0; i < count; ++i) {
            const Rect& band = bands[static_cast<std::size_t>(i)];
            EXPECT_TRUE(band.left >= part.left && band.top >= part.top && band.right <= part.right &&
                        band.bottom <= part.bottom && band.left < band.right && band.top < band.bottom)
                << name << ", band " << i << " at " << band.left << ", " << band.top << ", " << band.right << ", "
                << band.bottom;
            EXPECT_TRUE(i == 0 || band.top >= bands[static_cast<std::size_t>(i) - 1].bottom) << name << ", band " << i;
            sent += std::int64_t{band.right - band.left} * (band.bottom - band.top);
        }
        for (std::int32_t row = part.top; row < part.bottom; ++row) {
            const platform::RowSpan& span = rows[static_cast<std::size_t>(c.side - 1 - row)];
            for (std::int32_t x = std::max(span.first, part.left); x < std::min(span.end, part.right); ++x) {
                bool covered = false;
                for (int i = 0; i < count && !covered; ++i) {
                    const Rect& band = bands[static_cast<std::size_t>(i)];
                    covered = x >= band.left && x < band.right && row >= band.top && row < band.bottom;
                }
                ASSERT_TRUE(covered) << name << ": changed pixel (" << x << ", " << row << ") is in no band";
            }
        }
        if (c.side == 1080 && part.right - part.left == c.side && part.bottom - part.top == c.side) {
            EXPECT_LT(sent, std::int64_t{c.side} * c.side * 85 / 100)
                << name << ": the bands are hardly smaller than the box";
        }
    }
}

TEST(ChangedBands, NoBandsWithoutChangedRows)
{
    const std::vector<platform::RowSpan> none(8);
    std::array<Rect, 2> bands;
    EXPECT_EQ(ChangedBands(none, 8, Rect{0, 0, 8, 8}, bands), 0);
    // Rows past the spans given are unchanged too: only the bottom two
    // stored rows (the picture's last two) changed here, both in the lower
    // band.
    const std::vector<platform::RowSpan> bottom_two{{2, 5}, {1, 3}};
    ASSERT_EQ(ChangedBands(bottom_two, 8, Rect{0, 0, 8, 8}, bands), 1);
    EXPECT_EQ(bands[0].left, 1);
    EXPECT_EQ(bands[0].top, 6);
    EXPECT_EQ(bands[0].right, 5);
    EXPECT_EQ(bands[0].bottom, 8);
    EXPECT_EQ(ChangedBands(bottom_two, 8, Rect{0, 0, 8, 6}, bands), 0) << "the changed rows are outside the part";
}

}  // namespace
}  // namespace nuvra::linux_platform
