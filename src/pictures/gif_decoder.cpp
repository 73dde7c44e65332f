// GIF files through giflib: the first frame, composited onto the logical
// screen filled with the background colour. The frame's transparent pixels
// show the background, and a frame that reaches past the screen is clipped.
// Frames after the first are never read. The result is 24-bit BGR, because
// the background comes from the global table and the frame may bring its own.
//
// Only the region asked for is composed: a 40-byte file may declare a screen
// of 16384 x 16384 around a frame of a few pixels, and neither the screen
// nor the frame costs more than the region and one row of the frame.
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "pictures/picture_decoding.h"

namespace nuvra::pictures {

namespace {

using platform::Picture;
using platform::PictureResult;

struct MemoryReader {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int wanted)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    const std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(wanted, 0)), reader->bytes.size() - reader->position);
    std::memcpy(buffer, reader->bytes.data() + reader->position, count);
    reader->position += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

struct Bgr {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
};

// Indices past the end of the table (or with no table at all) are black.
std::array<Bgr, 256> ColourTable(const ColorMapObject* map)
{
    std::array<Bgr, 256> table{};
    if (map == nullptr || map->Colors == nullptr)
        return table;
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i)
        table[i] = {map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red};
    return table;
}

std::string GifError(const char* what, int code)
{
    const char* text = GifErrorString(code);
    return std::string(what) + ": " + (text != nullptr ? text : "unknown error");
}

// Reads records up to the first image descriptor; the transparent colour of
// the graphic control block before it, or -1.
bool SeekFirstImage(GifFileType* gif, int& transparent, std::string& error)
{
    transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) {
            error = GifError("GIF", gif->Error);
            return false;
        }
        if (record == IMAGE_DESC_RECORD_TYPE)
            return true;
        if (record == TERMINATE_RECORD_TYPE) {
            error = "the GIF file holds no image";
            return false;
        }
        if (record != EXTENSION_RECORD_TYPE)
            continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
            error = GifError("GIF", gif->Error);
            return false;
        }
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparent = control.TransparentColor;
        }
        while (block != nullptr) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                error = GifError("GIF", gif->Error);
                return false;
            }
        }
    }
}

// The frame's rows in the order the file stores them: top to bottom, or in
// the four interlace passes.
std::vector<std::int32_t> StoredRowOrder(const GifImageDesc& frame)
{
    const std::int32_t height = frame.Height;
    std::vector<std::int32_t> order;
    order.reserve(static_cast<std::size_t>(height));
    if (!frame.Interlace) {
        for (std::int32_t y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    constexpr std::array<std::int32_t, 4> kStart = {0, 4, 2, 1};
    constexpr std::array<std::int32_t, 4> kStep = {8, 8, 4, 2};
    for (std::size_t pass = 0; pass < kStart.size(); ++pass)
        for (std::int32_t y = kStart[pass]; y < height; y += kStep[pass])
            order.push_back(y);
    return order;
}

}  // namespace

PictureResult DecodeGif(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                        const platform::RegionChooser* choose_region)
{
    MemoryReader reader{bytes, 0};
    int open_error = 0;
    GifFile gif(DGifOpen(&reader, ReadFromMemory, &open_error));
    if (!gif)
        return PictureFailure(GifError("not a readable GIF file", open_error));

    int transparent = NO_TRANSPARENT_COLOR;
    std::string error;
    if (!SeekFirstImage(gif.get(), transparent, error))
        return PictureFailure(error);
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
        return PictureFailure(GifError("GIF image descriptor", gif->Error));
    const GifImageDesc& frame = gif->Image;
    if (CheckPictureSize(frame.Width, frame.Height, limits))
        return PictureFailure("GIF: the first frame's size is out of range");

    // A screen of no size (some writers leave it zero) takes the frame's
    // extent instead.
    std::int64_t screen_width = gif->SWidth;
    std::int64_t screen_height = gif->SHeight;
    if (screen_width <= 0 || screen_height <= 0) {
        screen_width = std::int64_t{frame.Left} + frame.Width;
        screen_height = std::int64_t{frame.Top} + frame.Height;
    }
    if (const std::optional<std::string> refused = CheckPictureSize(screen_width, screen_height, limits))
        return PictureFailure("GIF: " + *refused);

    PictureResult result;
    result.natural_width = static_cast<std::int32_t>(screen_width);
    result.natural_height = static_cast<std::int32_t>(screen_height);
    const std::optional<platform::Rect> region =
        ChooseRegion(choose_region, result.natural_width, result.natural_height);
    if (!region)
        return EmptyRegionFailure(result.natural_width, result.natural_height);
    const std::uint64_t needed = bytes.size() + PictureBytes(region->right - region->left,
                                                             region->bottom - region->top, 24) +
                                 static_cast<std::uint64_t>(frame.Width) + 4 * static_cast<std::uint64_t>(frame.Height);
    if (const std::optional<std::string> refused = CheckMemory(needed, limits)) {
        result.error = "GIF: " + *refused;
        return result;
    }
    Picture picture = MakePicture(region->right - region->left, region->bottom - region->top, 24);

    const std::array<Bgr, 256> global = ColourTable(gif->SColorMap);
    const std::array<Bgr, 256> colours = frame.ColorMap != nullptr ? ColourTable(frame.ColorMap) : global;
    const Bgr background = global[static_cast<std::size_t>(std::clamp(gif->SBackGroundColor, 0, 255))];
    for (std::int32_t y = 0; y < picture.height; ++y) {
        std::uint8_t* row = RowFromTop(picture, y);
        for (std::int32_t x = 0; x < picture.width; ++x)
            std::memcpy(row + 3 * x, &background, 3);
    }

    // The frame's columns inside the region, in frame coordinates.
    const std::int64_t visible_from = std::max<std::int64_t>(0, std::int64_t{region->left} - frame.Left);
    const std::int64_t visible_to = std::min<std::int64_t>(frame.Width, std::int64_t{region->right} - frame.Left);
    auto in_region = [&](std::int32_t frame_y) {
        const std::int64_t y = std::int64_t{frame.Top} + frame_y;
        return y >= region->top && y < region->bottom;
    };
    // Rows are stored top to bottom or in interlace passes; decoding can stop
    // after the last row the region shows.
    const std::vector<std::int32_t> order = StoredRowOrder(frame);
    const auto last_shown = std::find_if(order.rbegin(), order.rend(), in_region);
    const std::size_t rows_needed = static_cast<std::size_t>(order.rend() - last_shown);

    // Rows arrive one by one; a file cut short keeps the rows it delivered
    // (the rest shows the background), unless it delivered none. At least one
    // row is read even when the region shows none, so that a frame without
    // pixel data fails whatever the region.
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    std::size_t rows_read = 0;
    for (const std::int32_t frame_y : order) {
        if (rows_read > 0 && rows_read >= rows_needed)
            break;
        if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
            break;
        ++rows_read;
        if (!in_region(frame_y))
            continue;
        std::uint8_t* row = RowFromTop(picture, std::int64_t{frame.Top} + frame_y - region->top);
        for (std::int64_t x = visible_from; x < visible_to; ++x) {
            if (line[static_cast<std::size_t>(x)] == transparent)
                continue;
            std::memcpy(row + 3 * (frame.Left + x - region->left), &colours[line[static_cast<std::size_t>(x)]], 3);
        }
    }
    if (rows_read == 0) {
        result.error = "the GIF frame holds no pixel data";
        return result;
    }
    result.picture = std::move(picture);
    return result;
}

}  // namespace nuvra::pictures
