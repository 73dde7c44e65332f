// WebP files through libwebp: lossy, lossless and lossy with alpha, to 24-bit
// BGR, transparency composed over black (the show's background). An animated
// file shows its first frame, placed on its canvas as the animation starts
// it: on an empty (transparent, so black) canvas.
//
// libwebp decodes a frame whole. Its own cropping starts a lossy picture
// on an even pixel and smooths the chroma at the crop's edge differently from
// a whole decode, so a region is cut from the whole frame instead: the frame
// at four bytes a pixel is counted against the memory allowed.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "pictures/picture_decoding.h"

namespace nuvra::pictures {

namespace {

using platform::Picture;
using platform::PictureResult;

struct DemuxDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};

// The first frame's coded bytes and its place on the canvas.
struct Frame {
    std::span<const std::uint8_t> bytes;
    std::int32_t canvas_width = 0;
    std::int32_t canvas_height = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
};

std::optional<Frame> FirstFrame(std::span<const std::uint8_t> bytes, std::string& error)
{
    const WebPData data{bytes.data(), bytes.size()};
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demuxer(WebPDemux(&data));
    if (!demuxer) {
        error = "WebP: the file's chunks could not be read";
        return std::nullopt;
    }
    Frame frame;
    frame.canvas_width = static_cast<std::int32_t>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH));
    frame.canvas_height = static_cast<std::int32_t>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT));
    WebPIterator iterator{};
    if (!WebPDemuxGetFrame(demuxer.get(), 1, &iterator)) {
        error = "WebP: the file holds no picture";
        return std::nullopt;
    }
    // The fragment points into bytes, which outlive the demuxer.
    frame.bytes = {iterator.fragment.bytes, iterator.fragment.size};
    frame.left = iterator.x_offset;
    frame.top = iterator.y_offset;
    WebPDemuxReleaseIterator(&iterator);
    return frame;
}

std::uint8_t OverBlack(std::uint8_t sample, std::uint8_t alpha)
{
    return static_cast<std::uint8_t>((sample * alpha + 127) / 255);
}

}  // namespace

PictureResult DecodeWebp(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                         const platform::RegionChooser* choose_region)
{
    WebPBitstreamFeatures features{};
    if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK)
        return PictureFailure("not a readable WebP file");
    std::string error;
    std::optional<Frame> frame = FirstFrame(bytes, error);
    if (!frame)
        return PictureFailure(error);
    if (const std::optional<std::string> refused = CheckPictureSize(frame->canvas_width, frame->canvas_height, limits))
        return PictureFailure("WebP: " + *refused);
    WebPBitstreamFeatures frame_features{};
    if (WebPGetFeatures(frame->bytes.data(), frame->bytes.size(), &frame_features) != VP8_STATUS_OK)
        return PictureFailure("WebP: the first frame could not be read");
    if (CheckPictureSize(frame_features.width, frame_features.height, limits))
        return PictureFailure("WebP: the first frame's size is out of range");

    PictureResult result;
    result.natural_width = frame->canvas_width;
    result.natural_height = frame->canvas_height;
    const std::optional<platform::Rect> region =
        ChooseRegion(choose_region, result.natural_width, result.natural_height);
    if (!region)
        return EmptyRegionFailure(result.natural_width, result.natural_height);
    const std::uint64_t frame_bytes =
        4 * static_cast<std::uint64_t>(frame_features.width) * static_cast<std::uint64_t>(frame_features.height);
    const std::uint64_t needed =
        bytes.size() + frame_bytes + PictureBytes(region->right - region->left, region->bottom - region->top, 24);
    if (const std::optional<std::string> refused = CheckMemory(needed, limits)) {
        result.error = "WebP: " + *refused;
        return result;
    }

    const std::size_t stride = 4 * static_cast<std::size_t>(frame_features.width);
    std::vector<std::uint8_t> rgba(frame_bytes);
    if (WebPDecodeRGBAInto(frame->bytes.data(), frame->bytes.size(), rgba.data(), rgba.size(),
                           static_cast<int>(stride)) == nullptr) {
        result.error = "WebP: the picture's data is damaged";
        return result;
    }

    // The frame's part of the region; the rest of the canvas stays black.
    Picture picture = MakePicture(region->right - region->left, region->bottom - region->top, 24);
    const std::int32_t from_x = std::max(region->left, frame->left);
    const auto to_x = static_cast<std::int32_t>(
        std::min<std::int64_t>(region->right, std::int64_t{frame->left} + frame_features.width));
    const std::int32_t from_y = std::max(region->top, frame->top);
    const auto to_y = static_cast<std::int32_t>(
        std::min<std::int64_t>(region->bottom, std::int64_t{frame->top} + frame_features.height));
    for (std::int32_t y = from_y; y < to_y; ++y) {
        const std::uint8_t* source = rgba.data() + static_cast<std::size_t>(y - frame->top) * stride;
        std::uint8_t* target = RowFromTop(picture, y - region->top);
        for (std::int32_t x = from_x; x < to_x; ++x) {
            const std::uint8_t* pixel = source + 4 * static_cast<std::size_t>(x - frame->left);
            std::uint8_t* out = target + 3 * static_cast<std::size_t>(x - region->left);
            out[0] = OverBlack(pixel[2], pixel[3]);
            out[1] = OverBlack(pixel[1], pixel[3]);
            out[2] = OverBlack(pixel[0], pixel[3]);
        }
    }
    result.picture = std::move(picture);
    return result;
}

}  // namespace nuvra::pictures
