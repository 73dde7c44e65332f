#include "platform/linux/changed_bands.h"

#include <algorithm>

namespace nuvra::linux_platform {

int ChangedBands(std::span<const platform::RowSpan> rows, std::int32_t height, const platform::Rect& part,
                 std::span<platform::Rect> bands)
{
    const std::int32_t top = std::max(part.top, 0);
    const std::int32_t bottom = std::min(part.bottom, height);
    if (top >= bottom || part.left >= part.right)
        return 0;
    const auto band_count = static_cast<std::int64_t>(bands.size());
    int written = 0;
    for (std::int64_t band = 0; band < band_count; ++band) {
        const auto band_top = static_cast<std::int32_t>(top + (bottom - top) * band / band_count);
        const auto band_bottom = static_cast<std::int32_t>(top + (bottom - top) * (band + 1) / band_count);
        platform::Rect found;
        bool any = false;
        for (std::int32_t row = band_top; row < band_bottom; ++row) {
            const auto stored = static_cast<std::size_t>(height - 1 - row);
            if (stored >= rows.size())
                continue;
            const std::int32_t first = std::max(rows[stored].first, part.left);
            const std::int32_t end = std::min(rows[stored].end, part.right);
            if (first >= end)
                continue;
            if (!any)
                found = platform::Rect{first, row, end, row + 1};
            any = true;
            found.left = std::min(found.left, first);
            found.right = std::max(found.right, end);
            found.bottom = row + 1;
        }
        if (any)
            bands[static_cast<std::size_t>(written++)] = found;
    }
    return written;
}

}  // namespace nuvra::linux_platform
