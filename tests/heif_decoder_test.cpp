// HEIF and AVIF photos, made here with libheif's own AV1 encoder: turned as
// the file says, alpha over black, a region cut from the whole, and damaged
// or oversized files refused with a reason.
#include <gtest/gtest.h>

#if defined(NUVRA_HEIF_PHOTOS)
#include <libheif/heif.h>

#include <cstring>
#include <memory>

#include "picture_test_helpers.h"

namespace nuvra {
namespace {

using pictures::DecodeLimits;

// Four flat quarters: red top left, green top right, blue bottom left,
// white bottom right; the right half transparent when with_alpha.
std::uint32_t Quarter(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
{
    static constexpr std::uint32_t kColours[2][2] = {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}};
    return kColours[y >= height / 2][x >= width / 2];
}

std::vector<std::uint8_t> Avif(std::int32_t width, std::int32_t height, bool with_alpha, heif_orientation orientation)
{
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    heif_image* raw = nullptr;
    const heif_chroma chroma = with_alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    EXPECT_EQ(heif_image_create(width, height, heif_colorspace_RGB, chroma, &raw).code, heif_error_Ok);
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(raw, heif_image_release);
    EXPECT_EQ(heif_image_add_plane(image.get(), heif_channel_interleaved, width, height, 8).code, heif_error_Ok);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    const int step = with_alpha ? 4 : 3;
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint8_t* pixel = plane + y * stride + x * step;
            const std::uint32_t c = Quarter(x, y, width, height);
            pixel[0] = static_cast<std::uint8_t>(c >> 16);
            pixel[1] = static_cast<std::uint8_t>(c >> 8);
            pixel[2] = static_cast<std::uint8_t>(c);
            if (with_alpha)
                pixel[3] = x < width / 2 ? 255 : 0;
        }
    }
    heif_encoder* raw_encoder = nullptr;
    EXPECT_EQ(heif_context_get_encoder_for_format(context.get(), heif_compression_AV1, &raw_encoder).code,
              heif_error_Ok);
    std::unique_ptr<heif_encoder, decltype(&heif_encoder_release)> encoder(raw_encoder, heif_encoder_release);
    heif_encoder_set_lossy_quality(encoder.get(), 95);
    std::unique_ptr<heif_encoding_options, decltype(&heif_encoding_options_free)> options(
        heif_encoding_options_alloc(), heif_encoding_options_free);
    options->image_orientation = orientation;
    EXPECT_EQ(heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(), nullptr).code,
              heif_error_Ok);
    struct Sink {
        static heif_error Write(heif_context*, const void* data, size_t size, void* userdata)
        {
            auto* bytes = static_cast<std::vector<std::uint8_t>*>(userdata);
            bytes->insert(bytes->end(), static_cast<const std::uint8_t*>(data),
                          static_cast<const std::uint8_t*>(data) + size);
            return {heif_error_Ok, heif_suberror_Unspecified, ""};
        }
    };
    heif_writer writer{1, &Sink::Write};
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(heif_context_write(context.get(), &writer, &bytes).code, heif_error_Ok);
    return bytes;
}

// Each quarter's colour, read in its middle, to within the coding's error.
std::string QuartersOf(const platform::Picture& picture, const std::uint32_t (&expected)[4])
{
    const std::int32_t w = picture.width, h = picture.height;
    const std::pair<std::int32_t, std::int32_t> middles[4] = {{w / 4, h / 4}, {3 * w / 4, h / 4},
                                                               {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    std::string wrong;
    for (int q = 0; q < 4; ++q) {
        const std::uint32_t got = test::PixelAt(picture, middles[q].first, middles[q].second);
        for (int shift : {0, 8, 16}) {
            if (std::abs(static_cast<int>(got >> shift & 0xFF) - static_cast<int>(expected[q] >> shift & 0xFF)) > 12) {
                wrong += "quarter " + std::to_string(q) + " is " + test::Hex(got) + ", not " + test::Hex(expected[q]) + "; ";
                break;
            }
        }
    }
    return wrong;
}

TEST(HeifDecoder, APhotoIsTurnedAsItsFileSaysAndARegionIsCutFromTheUprightPicture)
{
    struct Case {
        heif_orientation orientation;
        std::int32_t width, height;
        std::uint32_t quarters[4];  // top left, top right, bottom left, bottom right as shown
    };
    const Case cases[] = {
        {heif_orientation_normal, 96, 64, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
        // Turned a quarter clockwise: the left column (red over blue) is now the top row.
        {heif_orientation_rotate_90_cw, 64, 96, {0x0000FF, 0xFF0000, 0xFFFFFF, 0x00FF00}},
        {heif_orientation_rotate_180, 96, 64, {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000}},
        {heif_orientation_flip_horizontally, 96, 64, {0x00FF00, 0xFF0000, 0xFFFFFF, 0x0000FF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.orientation));
        const std::vector<std::uint8_t> bytes = Avif(96, 64, false, c.orientation);
        ASSERT_EQ(pictures::SniffPictureFormat(bytes), pictures::PictureFormat::Heif);
        const platform::PictureResult whole = pictures::DecodePicture(bytes, DecodeLimits{}, nullptr);
        ASSERT_TRUE(whole.picture) << whole.error;
        EXPECT_EQ(whole.picture->bits_per_pixel, 24);
        EXPECT_EQ(std::pair(whole.picture->width, whole.picture->height), std::pair(c.width, c.height));
        EXPECT_EQ(QuartersOf(*whole.picture, c.quarters), "");

        const platform::Rect square = test::ShowRegion(c.width, c.height);
        const platform::RegionChooser choose = [&](std::int32_t, std::int32_t) { return square; };
        const platform::PictureResult part = pictures::DecodePicture(bytes, DecodeLimits{}, nullptr, &choose);
        ASSERT_TRUE(part.picture) << part.error;
        EXPECT_EQ(std::pair(part.natural_width, part.natural_height), std::pair(c.width, c.height));
        const platform::Picture& upright = *whole.picture;
        EXPECT_EQ(test::CompareRegion(*part.picture, square,
                                      [&](std::int32_t x, std::int32_t y) { return test::PixelAt(upright, x, y); }),
                  "");
    }
}

TEST(HeifDecoder, TransparencyIsComposedOverBlack)
{
    const std::vector<std::uint8_t> bytes = Avif(96, 64, true, heif_orientation_normal);
    const platform::PictureResult result = pictures::DecodePicture(bytes, DecodeLimits{}, nullptr);
    ASSERT_TRUE(result.picture) << result.error;
    EXPECT_EQ(QuartersOf(*result.picture, {0xFF0000, 0x000000, 0x0000FF, 0x000000}), "");
}

TEST(HeifDecoder, DamagedOrOversizedFilesAreRefusedWithAReason)
{
    const std::vector<std::uint8_t> bytes = Avif(96, 64, false, heif_orientation_normal);
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
    std::vector<std::uint8_t> scrambled = bytes;
    for (std::size_t i = bytes.size() / 2; i < bytes.size(); ++i)
        scrambled[i] = static_cast<std::uint8_t>(scrambled[i] * 31 + 7);
    DecodeLimits narrow;
    narrow.max_side = 80;
    DecodeLimits small;
    small.max_memory = 64 * 1024;
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        DecodeLimits limits;
        const char* reason;
    } cases[] = {{"cut in half", cut, {}, "HEIF: Invalid input"},
                 {"scrambled", scrambled, {}, "HEIF: Invalid input"},
                 {"wider than allowed", bytes, narrow, "HEIF: the picture is larger than allowed"},
                 {"more memory than allowed", bytes, small, "HEIF: the picture needs"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const platform::PictureResult result = pictures::DecodePicture(c.bytes, c.limits, nullptr);
        EXPECT_FALSE(result.picture);
        EXPECT_EQ(result.error.rfind(c.reason, 0), 0u) << result.error;
    }
}

}  // namespace
}  // namespace nuvra
#endif
