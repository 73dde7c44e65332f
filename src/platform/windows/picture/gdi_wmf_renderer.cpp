#include "platform/windows/picture/gdi_wmf_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "platform/windows/dib_drawing.h"
#include "platform/windows/win32.h"

namespace nuvra::windows_platform {

using namespace pictures;

namespace {

using platform::Picture;
using platform::PictureResult;

constexpr double kPixelsPerInch = 96;
constexpr std::size_t kPlaceableHeaderSize = 22;
constexpr std::uint16_t kIsotropic = 7;
constexpr std::uint16_t kAnisotropic = 8;

// Owners of the GDI objects one drawing needs.
struct MetafileHandle {
    HMETAFILE handle = nullptr;
    ~MetafileHandle()
    {
        if (handle != nullptr)
            DeleteMetaFile(handle);
    }
};

struct MemoryDc {
    HDC dc = CreateCompatibleDC(nullptr);
    ~MemoryDc()
    {
        if (dc != nullptr)
            DeleteDC(dc);
    }
};

// What a plain file without a window extent draws: its bounds in device
// pixels, as GDI records them when it turns the file into an enhanced
// metafile.
std::optional<RECT> DrawnBounds(std::span<const std::uint8_t> records)
{
    HENHMETAFILE converted = SetWinMetaFileBits(static_cast<UINT>(records.size()), records.data(), nullptr, nullptr);
    if (converted == nullptr)
        return std::nullopt;
    ENHMETAHEADER header{};
    const bool read = GetEnhMetaFileHeader(converted, sizeof header, &header) != 0;
    DeleteEnhMetaFile(converted);
    const RECTL& bounds = header.rclBounds;
    // The bounds are inclusive.
    if (!read || bounds.right < bounds.left || bounds.bottom < bounds.top)
        return std::nullopt;
    return RECT{bounds.left, bounds.top, bounds.right + 1, bounds.bottom + 1};
}

struct Frame {
    std::int64_t width = 0;
    std::int64_t height = 0;
    POINT drawn_origin{0, 0};  // plain files without an extent: where the drawing starts
};

std::optional<Frame> ChooseFrame(const WmfFile& metafile, std::span<const std::uint8_t> records)
{
    Frame frame;
    if (metafile.placeable) {
        frame.width =
            std::max<std::int64_t>(1, std::llround(metafile.frame_size.x * kPixelsPerInch / metafile.units_per_inch));
        frame.height =
            std::max<std::int64_t>(1, std::llround(metafile.frame_size.y * kPixelsPerInch / metafile.units_per_inch));
    } else if (metafile.window_extent) {
        frame.width = std::abs(metafile.window_extent->x);
        frame.height = std::abs(metafile.window_extent->y);
    } else {
        const std::optional<RECT> bounds = DrawnBounds(records);
        if (!bounds)
            return std::nullopt;
        frame.width = bounds->right - bounds->left;
        frame.height = bounds->bottom - bounds->top;
        frame.drawn_origin = {bounds->left, bounds->top};
    }
    return frame;
}

// The mapping the file starts from; its own records may change it as it
// plays.
void SetStartingMapping(HDC dc, const WmfFile& metafile, const Frame& frame)
{
    const auto width = static_cast<int>(frame.width);
    const auto height = static_cast<int>(frame.height);
    if (metafile.placeable) {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowOrgEx(dc, metafile.frame_origin.x, metafile.frame_origin.y, nullptr);
        SetWindowExtEx(dc, metafile.frame_size.x, metafile.frame_size.y, nullptr);
        SetViewportExtEx(dc, width, height, nullptr);
    } else if (metafile.window_extent &&
               (metafile.map_mode == kIsotropic || metafile.map_mode == kAnisotropic)) {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, width, height, nullptr);
        SetViewportExtEx(dc, width, height, nullptr);
    } else {
        SetViewportOrgEx(dc, -frame.drawn_origin.x, -frame.drawn_origin.y, nullptr);
    }
}

}  // namespace

PictureResult RenderWmfWithGdi(const WmfFile& metafile, const DecodeLimits& limits,
                               const platform::RegionChooser* choose_region)
{
    // GDI plays the records from the standard header on.
    const std::size_t skip = metafile.placeable ? kPlaceableHeaderSize : 0;
    if (metafile.bytes.size() <= skip)
        return PictureFailure("WMF: the metafile is damaged");
    const std::span<const std::uint8_t> records(metafile.bytes.data() + skip, metafile.bytes.size() - skip);
    MetafileHandle played;
    played.handle = SetMetaFileBitsEx(static_cast<UINT>(records.size()), records.data());
    if (played.handle == nullptr)
        return PictureFailure("WMF: the metafile is damaged");

    const std::optional<Frame> frame = ChooseFrame(metafile, records);
    if (!frame)
        return PictureFailure("WMF: the metafile draws nothing");
    if (const std::optional<std::string> refused = CheckPictureSize(frame->width, frame->height, limits))
        return PictureFailure("WMF: " + *refused);
    PictureResult result;
    result.natural_width = static_cast<std::int32_t>(frame->width);
    result.natural_height = static_cast<std::int32_t>(frame->height);
    const std::optional<platform::Rect> region =
        ChooseRegion(choose_region, result.natural_width, result.natural_height);
    if (!region)
        return EmptyRegionFailure(result.natural_width, result.natural_height);
    const std::uint64_t canvas = static_cast<std::uint64_t>(frame->width) * static_cast<std::uint64_t>(frame->height) * 4;
    const std::uint64_t needed = metafile.file_size + metafile.bytes.size() + canvas +
                                 PictureBytes(region->right - region->left, region->bottom - region->top, 24);
    if (const std::optional<std::string> refused = CheckMemory(needed, limits)) {
        result.error = "WMF: " + *refused;
        return result;
    }

    MemoryDc target;
    const DibSection canvas_bitmap(target.dc, static_cast<std::int32_t>(frame->width),
                                   static_cast<std::int32_t>(frame->height), RowOrder::TopFirst);
    const std::uint32_t* pixels = canvas_bitmap.pixels();
    if (pixels == nullptr) {
        result.error = "WMF: the system could not make a canvas";
        return result;
    }
    PatBlt(target.dc, 0, 0, static_cast<int>(frame->width), static_cast<int>(frame->height), WHITENESS);
    SetStartingMapping(target.dc, metafile, *frame);
    if (!PlayMetaFile(target.dc, played.handle)) {
        result.error = "WMF: the metafile could not be played";
        return result;
    }
    GdiFlush();

    Picture picture = MakePicture(region->right - region->left, region->bottom - region->top, 24);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        std::uint8_t* row = RowFromTop(picture, y);
        const std::uint32_t* source =
            pixels + static_cast<std::size_t>(region->top + y) * static_cast<std::size_t>(frame->width) + region->left;
        for (std::int32_t x = 0; x < picture.width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(source[x]);
            row[3 * x + 1] = static_cast<std::uint8_t>(source[x] >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(source[x] >> 16);
        }
    }
    result.picture = std::move(picture);
    return result;
}

}  // namespace nuvra::windows_platform
