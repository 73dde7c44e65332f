#include "display/mirror_table.h"

#include <algorithm>

#include "display/trig_tables.h"

namespace nuvra {

void FillTrigTables(NuvraS& form)
{
    form.CosTable = kCosDegrees;
    form.SinTable = kSinDegrees;
}

void BuildMirrorTable(NuvraS& form)
{
    // Pictures are at most 16,384 pixels on a side, so S fits the 16-bit field.
    const std::int32_t s = form.Img_View.empty() ? 0 : form.Img_View.width;
    const std::int32_t h = s / 2;
    form.ViewSize = static_cast<std::int16_t>(s);
    form.ViewHalf = static_cast<std::int16_t>(h);

    // For a row p, the accepted q are 1..min(p, w) where w is the largest q
    // with p^2 + q^2 < h^2: the disc test is monotone in q, and the octant
    // test |atan(q / p)| < (slightly more than) pi / 4 holds for integers
    // exactly when q <= p. So no floating point decides membership.
    const std::int64_t radius_squared = static_cast<std::int64_t>(h) * h;
    auto accepted_in_row = [&](std::int64_t p, std::int64_t& w) {
        while (w > 0 && p * p + w * w >= radius_squared)
            --w;
        return std::min(p, w);
    };

    std::int64_t count = 0;
    for (std::int64_t p = 1, w = h; p <= h; ++p)
        count += accepted_in_row(p, w);
    for (std::size_t k = 0; k < 8; ++k) {
        form.PointX[k].clear();
        form.PointY[k].clear();
        form.PointX[k].reserve(static_cast<std::size_t>(count));
        form.PointY[k].reserve(static_cast<std::size_t>(count));
    }

    std::int64_t w = h;
    for (std::int32_t i = h; i < s; ++i) {
        const std::int64_t accepted = accepted_in_row(i - h + 1, w);
        for (std::int32_t j = h; j < h + accepted; ++j) {
            const auto x = static_cast<std::int16_t>(i), y = static_cast<std::int16_t>(j);
            const auto mirror_x = static_cast<std::int16_t>(s - 1 - i), mirror_y = static_cast<std::int16_t>(s - 1 - j);
            const std::int16_t images_x[8] = {x, x, mirror_x, mirror_x, y, y, mirror_y, mirror_y};
            const std::int16_t images_y[8] = {y, mirror_y, y, mirror_y, x, mirror_x, x, mirror_x};
            for (std::size_t k = 0; k < 8; ++k) {
                form.PointX[k].push_back(images_x[k]);
                form.PointY[k].push_back(images_y[k]);
            }
        }
    }
    form.LastPoint = static_cast<std::int32_t>(count) - 1;
}

}  // namespace nuvra
