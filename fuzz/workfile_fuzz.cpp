// The 8-bit work file as the renderer meets it: the bytes go through the
// codec's reader, the result through binding, the mirror table and a frame,
// as PrepareDisplay and the frame loop take them. Whatever the file says,
// nothing may crash or reach outside a picture, and the fast frame step must
// write exactly the bytes the straightforward one writes. Pictures deeper
// than 8 bits also go through the centre-square cut and the 256-colour
// reduction that make a work file.
#include <cstdlib>
#include <vector>

#include "display/frame_step.h"
#include "display/mirror_table.h"
#include "display/picture_source.h"
#include "images/color_reduction.h"
#include "images/pixel_array.h"
#include "picture_fuzz.h"
#include "platform/linux/picture/picture_codec.h"

namespace {

using namespace nuvra;

class SilentMessageBox final : public platform::MessageBoxService {
public:
    void MessageBox(const std::string&, const std::string&, platform::MessageBoxStyle) override {}
};

// Larger pictures only repeat the same paths more slowly.
constexpr std::int32_t kMaxSideRendered = 640;

void ReduceLikeAWorkFile(const platform::Picture& picture, std::int32_t screen_height)
{
    const std::int32_t side = CentreSquareSide(picture.width, picture.height, screen_height);
    const platform::Picture square = CropSquare(picture, CentreOffset(picture.width, side),
                                                CentreOffset(picture.height, side), side);
    if (square.empty() || square.bits_per_pixel <= 8)
        return;
    Palette256 palette{};
    std::vector<std::uint8_t> indexes(static_cast<std::size_t>(EightBitStride(side) * side));
    if (!ReduceTo256Colours(square, palette, indexes) || palette[0] != 0)
        std::abort();
}

void RenderLikeTheShow(platform::Picture picture, std::int16_t angle_step)
{
    SilentMessageBox message_box;
    platform::Platform services;
    services.message_box = &message_box;
    NuvraS form;
    NuvraB nuvra_b;
    form.Img_View = picture;
    form.Display = std::move(picture);
    BindPixelArray(form.Img_View, nuvra_b.SourcePixels, services);
    BindPixelArray(form.Display, nuvra_b.DisplayPixels, services);
    FillTrigTables(form);
    BuildMirrorTable(form);
    form.AngleStep = angle_step;
    RunKaleidoscopeFrame(form, nuvra_b);
    if (!nuvra_b.SourcePixels.Covers(form.ViewSize) || !nuvra_b.DisplayPixels.Covers(form.ViewSize))
        return;

    // The reference step on a second copy of the display must agree.
    platform::Picture reference = form.Img_View;
    const PixelArray reference_view(reference.pixels.data(), reference.stride, reference.height);
    DrawKaleidoscopeStraightforward(form, nuvra_b.SourcePixels, reference_view);
    if (reference.pixels != form.Display.pixels)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static linux_platform::LinuxPictureCodec codec(fuzz::FuzzLimits());
    platform::PictureResult result = codec.LoadPictureFromMemory({data, size});
    if (!result.picture)
        return 0;
    platform::Picture& picture = *result.picture;
    if (picture.width > kMaxSideRendered || picture.height > kMaxSideRendered)
        return 0;
    const auto angle_step = static_cast<std::int16_t>(size > 0 ? data[size - 1] * 3 - 383 : 5);
    ReduceLikeAWorkFile(picture, 480);
    RenderLikeTheShow(std::move(picture), angle_step);
    return 0;
}
