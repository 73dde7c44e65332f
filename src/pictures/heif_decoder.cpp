// HEIF and AVIF stills through libheif: the file's primary picture, as the
// library turns, mirrors and crops it by the file's own properties (the
// orientation a phone records; an EXIF orientation inside the file describes
// the stored picture and is left alone, as the format says), to 24-bit BGR,
// transparency composed over black. An image sequence shows its still
// picture where it has one.
//
// libheif decodes a picture whole (a phone photo is a grid of tiles joined
// into one), so a region is cut from the whole: the coded planes and the
// converted picture are counted against the memory allowed.
#include <libheif/heif.h>

#include <algorithm>
#include <memory>

#include "pictures/picture_decoding.h"

namespace nuvra::pictures {

namespace {

using platform::Picture;
using platform::PictureResult;

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

std::uint8_t OverBlack(std::uint8_t sample, std::uint8_t alpha)
{
    return static_cast<std::uint8_t>((sample * alpha + 127) / 255);
}

std::string Reason(const heif_error& error)
{
    if (error.code == heif_error_Unsupported_feature && error.subcode == heif_suberror_Unsupported_codec)
        return "no decoder for this picture's coding is installed";
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        return "the picture is larger than allowed";
    if (error.code == heif_error_Memory_allocation_error)
        return "out of memory";
    return error.message != nullptr && *error.message != '\0' ? error.message : "the file could not be read";
}

// A name for the coding a file's brand promises, for the refusal when its
// decoder is missing.
const char* Coding(std::span<const std::uint8_t> bytes)
{
    const bool av1 = bytes.size() >= 12 && (std::equal(bytes.begin() + 8, bytes.begin() + 12, "avif") ||
                                            std::equal(bytes.begin() + 8, bytes.begin() + 12, "avis"));
    return av1 ? "AV1" : "HEVC";
}

}  // namespace

PictureResult DecodeHeif(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                         const platform::RegionChooser* choose_region)
{
    const std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context)
        return PictureFailure("HEIF: out of memory");
    // Pictures beyond our sides are refused while the file is read, before
    // the library allocates anything for them.
    heif_context_set_maximum_image_size_limit(context.get(), limits.max_side);
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr);
    if (error.code != heif_error_Ok)
        return PictureFailure("HEIF: " + Reason(error));
    heif_image_handle* raw_handle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &raw_handle);
    const std::unique_ptr<heif_image_handle, HandleDeleter> handle(raw_handle);
    if (error.code != heif_error_Ok || !handle)
        return PictureFailure("HEIF: the file holds no picture");

    // The size as shown, after the file's turns and crops.
    PictureResult result;
    result.natural_width = heif_image_handle_get_width(handle.get());
    result.natural_height = heif_image_handle_get_height(handle.get());
    if (const std::optional<std::string> refused = CheckPictureSize(result.natural_width, result.natural_height, limits))
        return PictureFailure("HEIF: " + *refused);
    const std::int64_t coded_width = std::max(heif_image_handle_get_ispe_width(handle.get()), result.natural_width);
    const std::int64_t coded_height = std::max(heif_image_handle_get_ispe_height(handle.get()), result.natural_height);
    if (CheckPictureSize(coded_width, coded_height, limits))
        return PictureFailure("HEIF: the coded picture's size is out of range");
    const std::optional<platform::Rect> region =
        ChooseRegion(choose_region, result.natural_width, result.natural_height);
    if (!region)
        return EmptyRegionFailure(result.natural_width, result.natural_height);

    // The coded planes at up to two bytes a sample (three planes at full
    // resolution at most, and alpha), the converted picture at four bytes a
    // pixel, and what we hand over.
    const std::uint64_t pixels = static_cast<std::uint64_t>(coded_width) * static_cast<std::uint64_t>(coded_height);
    const std::uint64_t needed = bytes.size() + pixels * 8 + pixels * 4 +
                                 PictureBytes(region->right - region->left, region->bottom - region->top, 24);
    if (const std::optional<std::string> refused = CheckMemory(needed, limits)) {
        result.error = "HEIF: " + *refused;
        return result;
    }

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    if (!options) {
        result.error = "HEIF: out of memory";
        return result;
    }
    options->convert_hdr_to_8bit = 1;
    heif_image* raw_image = nullptr;
    error = heif_decode_image(handle.get(), &raw_image, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    const std::unique_ptr<heif_image, ImageDeleter> image(raw_image);
    if (error.code != heif_error_Ok || !image) {
        result.error = error.code == heif_error_Unsupported_feature && error.subcode == heif_suberror_Unsupported_codec
                           ? std::string("HEIF: no ") + Coding(bytes) + " decoder is installed for this picture"
                           : "HEIF: " + Reason(error);
        return result;
    }
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    // The picture decoded must be the one whose size the region was chosen by.
    if (plane == nullptr || width != result.natural_width || height != result.natural_height ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8) {
        result.error = "HEIF: the picture's data is damaged";
        return result;
    }

    const std::size_t step = alpha ? 4 : 3;
    Picture picture = MakePicture(region->right - region->left, region->bottom - region->top, 24);
    for (std::int32_t y = region->top; y < region->bottom; ++y) {
        const std::uint8_t* source = plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        std::uint8_t* target = RowFromTop(picture, y - region->top);
        for (std::int32_t x = region->left; x < region->right; ++x) {
            const std::uint8_t* pixel = source + step * static_cast<std::size_t>(x);
            std::uint8_t* out = target + 3 * static_cast<std::size_t>(x - region->left);
            const std::uint8_t a = alpha ? pixel[3] : 255;
            out[0] = OverBlack(pixel[2], a);
            out[1] = OverBlack(pixel[1], a);
            out[2] = OverBlack(pixel[0], a);
        }
    }
    result.picture = std::move(picture);
    return result;
}

}  // namespace nuvra::pictures
