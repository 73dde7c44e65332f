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
// the frame is given to it explicitly, mapped the way libwmf maps the
// file's mapping mode into its device units.
//
// libwmf only ever sees the records wmf_records.h lets through.
#include "platform/linux/picture/wmf_renderer.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>
#include <libwmf/gd/gd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/linux/picture/wmf_shapes.h"

namespace nuvra::linux_platform {

using namespace pictures;

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

// libwmf's device space, as it plays: a logical point p lands at
// (p - window origin) * scale. The scale follows the file's mapping mode:
//  - none set: placeable files in points at their units per inch, plain
//    files one device unit per logical unit;
//  - text mode: one device unit per logical unit, placeable or not;
//  - the metric, English and twips modes: their unit in points (y still
//    pointing down);
//  - the anisotropic and isotropic modes alike (no aspect ratio kept):
//    viewport extent / window extent, both 1024 until the file sets them.
enum MapMode : std::uint16_t {
    kText = 1,
    kLowMetric,
    kHighMetric,
    kLowEnglish,
    kHighEnglish,
    kTwips,
    kIsotropic,
    kAnisotropic,
};
constexpr std::int32_t kStartingExtent = 1024;

bool ScalesWindowToViewport(const WmfFile& metafile)
{
    return metafile.map_mode == kIsotropic || metafile.map_mode == kAnisotropic;
}

struct Scale {
    double x = 1;
    double y = 1;
};

Scale DeviceScale(const WmfFile& metafile)
{
    auto uniform = [](double points_per_unit) { return Scale{points_per_unit, points_per_unit}; };
    switch (metafile.map_mode.value_or(0)) {
    case kText:
        return uniform(1);
    case kLowMetric:
        return uniform(kPointsPerInch / 254);
    case kHighMetric:
        return uniform(kPointsPerInch / 2540);
    case kLowEnglish:
        return uniform(kPointsPerInch / 100);
    case kHighEnglish:
        return uniform(kPointsPerInch / 1000);
    case kTwips:
        return uniform(kPointsPerInch / 1440);
    case kIsotropic:
    case kAnisotropic: {
        const WmfPoint window = metafile.window_extent.value_or(WmfPoint{kStartingExtent, kStartingExtent});
        const WmfPoint viewport = metafile.viewport_extent.value_or(WmfPoint{kStartingExtent, kStartingExtent});
        return {static_cast<double>(viewport.x) / window.x, static_cast<double>(viewport.y) / window.y};
    }
    default:  // none, or one libwmf does not know
        return uniform(metafile.placeable ? kPointsPerInch / metafile.units_per_inch : 1);
    }
}

// The logical rectangle from corner to corner + size (size may be
// negative), in libwmf's device space.
wmfD_Rect DeviceRect(const WmfFile& metafile, WmfPoint corner, WmfPoint size)
{
    const WmfPoint origin = metafile.window_origin.value_or(WmfPoint{0, 0});
    const Scale scale = DeviceScale(metafile);
    const auto x0 = static_cast<float>((corner.x - origin.x) * scale.x);
    const auto x1 = static_cast<float>((corner.x - origin.x + size.x) * scale.x);
    const auto y0 = static_cast<float>((corner.y - origin.y) * scale.y);
    const auto y1 = static_cast<float>((corner.y - origin.y + size.y) * scale.y);
    wmfD_Rect rect;
    rect.TL = {std::min(x0, x1), std::min(y0, y1)};
    rect.BR = {std::max(x0, x1), std::max(y0, y1)};
    return rect;
}

WmfPoint Magnitude(WmfPoint point)
{
    return {std::abs(point.x), std::abs(point.y)};
}

// The window the picture shows: in the modes that scale it to the viewport
// its sign says which way it runs; the others only take its size.
std::optional<WmfPoint> ShownWindowSize(const WmfFile& metafile)
{
    if (!metafile.window_extent)
        return std::nullopt;
    return ScalesWindowToViewport(metafile) ? *metafile.window_extent : Magnitude(*metafile.window_extent);
}

Frame ChooseFrame(const WmfFile& metafile, const wmfD_Rect& drawn)
{
    Frame frame;
    if (metafile.placeable) {
        const WmfPoint shown_origin = metafile.window_origin.value_or(metafile.frame_origin);
        frame.device = DeviceRect(metafile, shown_origin, ShownWindowSize(metafile).value_or(metafile.frame_size));
        frame.width =
            std::max<std::int64_t>(1, std::llround(metafile.frame_size.x * kPixelsPerInch / metafile.units_per_inch));
        frame.height =
            std::max<std::int64_t>(1, std::llround(metafile.frame_size.y * kPixelsPerInch / metafile.units_per_inch));
        return frame;
    }
    if (const std::optional<WmfPoint> shown_size = ShownWindowSize(metafile)) {
        frame.device = DeviceRect(metafile, metafile.window_origin.value_or(WmfPoint{0, 0}), *shown_size);
        frame.width = std::abs(shown_size->x);
        frame.height = std::abs(shown_size->y);
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

PictureResult RenderWmf(const WmfFile& metafile, const DecodeLimits& limits,
                        const platform::RegionChooser* choose_region)
{
    wmfAPI* created = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    const wmf_error_t started = wmf_api_create(&created, flags, &options);
    WmfApi api(created);
    if (started != wmf_E_None || !api)
        return PictureFailure("WMF: the renderer did not start (are the URW base35 fonts installed?)");

    wmfD_Rect drawn{};
    // libwmf only reads the buffer; its prototype predates const.
    auto* records = const_cast<std::uint8_t*>(metafile.bytes.data());
    if (wmf_mem_open(api.get(), records, static_cast<long>(metafile.bytes.size())) != wmf_E_None ||
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
    const std::uint64_t needed = metafile.file_size + metafile.bytes.size() + canvas +
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
