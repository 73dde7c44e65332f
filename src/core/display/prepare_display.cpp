#include "display/prepare_display.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display/mirror_table.h"
#include "images/pixel_array.h"

namespace nuvra {

namespace {

// Replaces a picture with a fresh copy of the prepared square. The array
// viewing the old picture is unbound before the old memory goes, so no
// binding outlives its bytes even when the new picture is later refused.
void CopyBoundPicture(platform::Picture& target, PixelArray& view, const platform::Picture& prepared)
{
    if (prepared.empty())
        return;
    UnbindPixelArray(view);
    target = prepared;
}

void PlaceDisplayBox(NuvraS& form, ImagePositionOption image_position, platform::Random& random)
{
    const double free_width = form.ScreenWidthPx - form.DisplayWidth;
    const double free_height = form.ScreenHeightPx - form.DisplayHeight;
    switch (image_position) {
    case ImagePositionOption::Centre:
        form.DisplayLeft = free_width / 2;
        form.DisplayTop = free_height / 2;
        break;
    case ImagePositionOption::RandomPlace:
        random.Randomize();
        {
            const double r1 = random.Rnd();
            const double r2 = random.Rnd();
            form.DisplayLeft = std::floor(free_width * r1);
            form.DisplayTop = std::floor(free_height * r2);
        }
        break;
    case ImagePositionOption::MovingBox:
        break;  // its timer places it on every tick
    default:
        break;  // a number no option names puts the box nowhere new
    }
}

void ClearDisplaySquare(const PixelArray& display, std::int32_t side)
{
    if (!display.bound())
        return;
    const std::int32_t width = std::min(side, display.bytes_per_row());
    const std::int32_t rows = std::min(side, display.rows());
    for (std::int32_t y = 0; y < rows; ++y)
        std::memset(&display(0, y), 0, static_cast<std::size_t>(std::max(width, 0)));
}

}  // namespace

void PrepareDisplay(NuvraS& form, NuvraB& nuvra_b, platform::Platform& platform)
{
    FillTrigTables(form);

    CopyBoundPicture(form.Img_View, nuvra_b.SourcePixels, form.EightBitSquare);
    CopyBoundPicture(form.Display, nuvra_b.DisplayPixels, form.EightBitSquare);

    form.DisplayWidth = form.Img_View.width;
    form.DisplayHeight = form.Img_View.height;

    PlaceDisplayBox(form, nuvra_b.settings.ImagePosition, *platform.random);

    BindPixelArray(form.Img_View, nuvra_b.SourcePixels, platform);
    BindPixelArray(form.Display, nuvra_b.DisplayPixels, platform);

    BuildMirrorTable(form);

    ClearDisplaySquare(nuvra_b.DisplayPixels, form.ViewSize);
    form.display_renewed = true;
}

}  // namespace nuvra
