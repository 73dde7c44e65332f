// Windows metafiles through libwmf's gd renderer, at their natural size at
// 96 dpi, on white, to 24-bit BGR. The whole picture is drawn (on libwmf's
// canvas of four bytes per pixel) and only the region asked for is kept; a
// picture whose canvas does not fit the memory allowed is refused before
// drawing.
//
// Size and placement, as Windows plays a metafile picture:
//  - placeable files: the frame in their header, in its units per inch, sets
//    the size; the file's window (its first window origin and extent, or the
//    frame where it sets none) is stretched over the picture;
//  - plain files have no physical size: one logical unit is one pixel, as on
//    a screen in the default mapping mode, and the picture is the file's
//    window, or the extent of what it draws when it sets no window extent.
// libwmf would fit the picture to the extent of what is drawn instead, so
// the frame is given to it explicitly (in its device units, points).
//
// libwmf only ever sees the records wmf_records.h lets through.
#include <libwmf/api.h>
#include <libwmf/gd.h>
#include <libwmf/gd/gd.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/linux/picture/picture_decoding.h"
#include "platform/linux/picture/wmf_records.h"
#include "platform/linux/picture/wmf_shapes.h"

namespace nuvra::linux_platform {

namespace {

using platform::Picture;
using platform::PictureResult;

constexpr double kPixelsPerInch = 96;
// libwmf's device unit for placeable files.
constexpr double kPointsPerInch = 72;

const char* WmfErrorText(wmf_error_t error)
{
    switch (error) {
    case wmf_E_InsMem:
        return "out of memory";
    case wmf_E_BadFile:
    case wmf_E_BadFormat:
        return "the metafile is damaged";
    case wmf_E_EOF:
        return "the metafile is cut short";
    case wmf_E_DeviceError:
        return "the renderer failed";
    default:
        return "the metafile could not be played";
    }
}

struct ApiCloser {
    void operator()(wmfAPI* api) const { wmf_api_destroy(api); }
};
using WmfApi = std::unique_ptr<wmfAPI, ApiCloser>;

// libwmf leaves an image it rendered for the caller (wmf_gd_image) to the
// caller, but does not export gd's destructor; this is that destructor for
// the gd 2.0 layout its header declares (rows point into one block).
void FreeGdImage(void* image)
{
    auto* gd = static_cast<gdImage*>(image);
    if (gd == nullptr)
        return;
    if (gd->_tpixels != nullptr) {
        std::free(gd->_tpixels);
    } else if (gd->tpixels != nullptr) {
        for (int y = 0; y < gd->sy; ++y)
            std::free(gd->tpixels[y]);
    }
    std::free(gd->tpixels);
    if (gd->pixels != nullptr) {
        for (int y = 0; y < gd->sy; ++y)
            std::free(gd->pixels[y]);
        std::free(gd->pixels);
    }
    std::free(gd->polyInts);
    std::free(gd->style);
    if (gd->clip != nullptr) {
        std::free(gd->clip->list);
        std::free(gd->clip);
    }
    std::free(gd);
}

struct Frame {
    wmfD_Rect device;  // the rectangle of libwmf's device space the picture shows
    std::int64_t width = 0;
    std::int64_t height = 0;
};

Frame ChooseFrame(const WmfFile& metafile, const wmfD_Rect& drawn)
{
    Frame frame;
    if (metafile.placeable) {
        const double scale = kPointsPerInch / metafile.units_per_inch;
        // libwmf puts the file's window origin (0, 0 when it sets none) at
        // device (0, 0).
        const WmfPoint origin = metafile.window_origin.value_or(WmfPoint{0, 0});
        const WmfPoint shown_origin = metafile.window_origin.value_or(metafile.frame_origin);
        const WmfPoint shown_size = metafile.window_extent.value_or(metafile.frame_size);
        frame.device.TL = {static_cast<float>((shown_origin.x - origin.x) * scale),
                           static_cast<float>((shown_origin.y - origin.y) * scale)};
        frame.device.BR = {static_cast<float>((shown_origin.x - origin.x + shown_size.x) * scale),
                           static_cast<float>((shown_origin.y - origin.y + shown_size.y) * scale)};
        frame.width =
            std::max<std::int64_t>(1, std::llround(metafile.frame_size.x * kPixelsPerInch / metafile.units_per_inch));
        frame.height =
            std::max<std::int64_t>(1, std::llround(metafile.frame_size.y * kPixelsPerInch / metafile.units_per_inch));
        return frame;
    }
    if (metafile.window_extent) {
        frame.device.TL = {0, 0};
        frame.device.BR = {static_cast<float>(metafile.window_extent->x),
                           static_cast<float>(metafile.window_extent->y)};
        frame.width = metafile.window_extent->x;
        frame.height = metafile.window_extent->y;
        return frame;
    }
    frame.device = drawn;
    const double width = std::ceil(static_cast<double>(drawn.BR.x) - drawn.TL.x);
    const double height = std::ceil(static_cast<double>(drawn.BR.y) - drawn.TL.y);
    // A NaN or a size past the caps stays out of range here and is refused.
    frame.width = std::isfinite(width) && width < 1e9 ? static_cast<std::int64_t>(width) : 0;
    frame.height = std::isfinite(height) && height < 1e9 ? static_cast<std::int64_t>(height) : 0;
    return frame;
}

}  // namespace

PictureResult DecodeWmf(std::span<const std::uint8_t> file, const DecodeLimits& limits,
                        const platform::RegionChooser* choose_region)
{
    WmfFile metafile = ReadWmfRecords(file, limits);
    if (!metafile.error.empty())
        return PictureFailure(metafile.error);

    wmfAPI* created = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    const wmf_error_t started = wmf_api_create(&created, flags, &options);
    WmfApi api(created);
    if (started != wmf_E_None || !api)
        return PictureFailure("WMF: the renderer did not start (are the URW base35 fonts installed?)");

    wmfD_Rect drawn{};
    if (wmf_mem_open(api.get(), metafile.bytes.data(), static_cast<long>(metafile.bytes.size())) != wmf_E_None ||
        wmf_scan(api.get(), 0, &drawn) != wmf_E_None)
        return PictureFailure(std::string("WMF: ") + WmfErrorText(api->err));

    const Frame frame = ChooseFrame(metafile, drawn);
    if (const std::optional<std::string> refused = CheckPictureSize(frame.width, frame.height, limits))
        return PictureFailure("WMF: " + *refused);
    PictureResult result;
    result.natural_width = static_cast<std::int32_t>(frame.width);
    result.natural_height = static_cast<std::int32_t>(frame.height);
    const std::optional<platform::Rect> region =
        ChooseRegion(choose_region, result.natural_width, result.natural_height);
    if (!region)
        return EmptyRegionFailure(result.natural_width, result.natural_height);
    // gd keeps a row pointer and an int per pixel.
    const std::uint64_t canvas = static_cast<std::uint64_t>(frame.height) *
                                 (static_cast<std::uint64_t>(frame.width) * sizeof(int) + sizeof(int*));
    const std::uint64_t needed = file.size() + metafile.bytes.size() + canvas +
                                 PictureBytes(region->right - region->left, region->bottom - region->top, 24);
    if (const std::optional<std::string> refused = CheckMemory(needed, limits)) {
        result.error = "WMF: " + *refused;
        return result;
    }

    wmf_gd_t* device = WMF_GD_GetData(api.get());
    device->type = wmf_gd_image;
    device->width = static_cast<unsigned int>(frame.width);
    device->height = static_cast<unsigned int>(frame.height);
    device->bbox = frame.device;
    ArcShapes shapes;
    const double device_width = static_cast<double>(frame.device.BR.x) - frame.device.TL.x;
    shapes.pixels_per_unit = device_width > 0 ? static_cast<double>(frame.width) / device_width : 1;
    shapes.frame = frame.device;
    ReplaceArcShapes(api.get(), shapes);

    // wmf_play writes the drawn extent into its argument; the renderer must
    // keep the frame set above.
    wmfD_Rect played = frame.device;
    const wmf_error_t status = wmf_play(api.get(), 0, &played);
    std::unique_ptr<void, void (*)(void*)> image(device->gd_image, FreeGdImage);
    device->gd_image = nullptr;
    const auto* rendered = static_cast<const gdImage*>(image.get());
    const bool whole =
        rendered != nullptr && rendered->trueColor != 0 && rendered->sx == frame.width && rendered->sy == frame.height;
    const int* pixels = whole ? wmf_gd_image_pixels(image.get()) : nullptr;
    if (status != wmf_E_None || pixels == nullptr) {
        result.error = std::string("WMF: ") + WmfErrorText(status);
        return result;
    }

    Picture picture = MakePicture(region->right - region->left, region->bottom - region->top, 24);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        std::uint8_t* row = RowFromTop(picture, y);
        const int* source = pixels +
                            static_cast<std::size_t>(region->top + y) * static_cast<std::size_t>(frame.width) +
                            region->left;
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const auto colour = static_cast<std::uint32_t>(source[x]);
            row[3 * x] = static_cast<std::uint8_t>(colour);
            row[3 * x + 1] = static_cast<std::uint8_t>(colour >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(colour >> 16);
        }
    }
    result.picture = std::move(picture);
    return result;
}

}  // namespace nuvra::linux_platform
