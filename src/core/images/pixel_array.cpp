#include "images/pixel_array.h"

namespace nuvra {

namespace {

// A picture's buffer is only trusted when it is as large as its own stride
// and height say: the renderer indexes it without further checks.
bool IsBindable(const platform::Picture& picture)
{
    if (picture.empty() || picture.bits_per_pixel != 8)
        return false;
    if (picture.stride < picture.width)
        return false;
    const auto needed = static_cast<std::int64_t>(picture.stride) * picture.height;
    return needed <= static_cast<std::int64_t>(picture.pixels.size());
}

}  // namespace

bool BindPixelArray(platform::Picture& picture, PixelArray& array, platform::Platform& platform)
{
    if (!IsBindable(picture)) {
        platform.message_box->MessageBox(kEightBitOnlyMessage, kApplicationTitle,
                                         platform::MessageBoxStyle::OkCritical);
        return false;
    }
    array = PixelArray(picture.pixels.data(), picture.stride, picture.height);
    return true;
}

void UnbindPixelArray(PixelArray& array)
{
    array.Unbind();
}

}  // namespace nuvra
