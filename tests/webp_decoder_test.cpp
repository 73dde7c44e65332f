#include <webp/encode.h>
#include <webp/mux.h>

#include <gtest/gtest.h>

#include <utility>

#include "picture_test_helpers.h"

namespace nuvra {
namespace {

using pictures::DecodeLimits;
using pictures::DecodeWebp;

// RGBA pixels, top row first: the test image with alpha running across.
std::vector<std::uint8_t> Rgba(std::int32_t width, std::int32_t height, std::uint32_t shift = 0)
{
    const test::TestImage image = test::MakeTestImage(width, height);
    std::vector<std::uint8_t> rgba;
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t c = image.at(x, y) ^ shift;
            rgba.insert(rgba.end(), {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                     static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(x * 255 / width)});
        }
    }
    return rgba;
}

// The RGBA pixels as the show sees them: composed over black.
test::TestImage OverBlack(const std::vector<std::uint8_t>& rgba, std::int32_t width, std::int32_t height)
{
    test::TestImage image{width, height, {}};
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        auto over = [&](std::size_t channel) { return (rgba[i + channel] * std::uint32_t{rgba[i + 3]} + 127) / 255; };
        image.rgb.push_back(over(0) << 16 | over(1) << 8 | over(2));
    }
    return image;
}

std::vector<std::uint8_t> Lossless(const std::vector<std::uint8_t>& rgba, std::int32_t width, std::int32_t height)
{
    std::uint8_t* output = nullptr;
    const std::size_t size = WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &output);
    std::vector<std::uint8_t> bytes(output, output + size);
    WebPFree(output);
    return bytes;
}

TEST(WebpDecoder, ALosslessPictureWithAlphaIsItsPixelsOverBlackAndARegionItsCrop)
{
    const std::vector<std::uint8_t> rgba = Rgba(37, 21);
    const std::vector<std::uint8_t> bytes = Lossless(rgba, 37, 21);
    ASSERT_EQ(pictures::SniffPictureFormat(bytes), pictures::PictureFormat::Webp);
    const platform::PictureResult whole = pictures::DecodePicture(bytes, DecodeLimits{}, nullptr);
    ASSERT_TRUE(whole.picture) << whole.error;
    EXPECT_EQ(whole.picture->bits_per_pixel, 24);
    EXPECT_EQ(test::CompareToImage(*whole.picture, OverBlack(rgba, 37, 21)), "");

    const platform::RegionChooser odd = [](std::int32_t, std::int32_t) { return platform::Rect{3, 5, 30, 20}; };
    const platform::PictureResult part = DecodeWebp(bytes, DecodeLimits{}, &odd);
    ASSERT_TRUE(part.picture) << part.error;
    EXPECT_EQ(part.natural_width, 37);
    EXPECT_EQ(test::CompareToImage(*part.picture, test::ToImage(pictures::CropPicture(*whole.picture, {3, 5, 30, 20}))),
              "");
}

TEST(WebpDecoder, AnAnimationShowsItsFirstFrameInItsPlaceOnABlackCanvas)
{
    // Two frames of 40 x 30; the first covers only a corner (the encoder
    // crops what stays transparent), the second is different everywhere.
    constexpr std::int32_t width = 40, height = 30;
    std::vector<std::uint8_t> first(width * height * 4, 0);
    const std::vector<std::uint8_t> patch = Rgba(12, 10);
    for (std::int32_t y = 0; y < 10; ++y)
        std::copy_n(patch.begin() + y * 12 * 4, 12 * 4, first.begin() + ((y + 14) * width + 20) * 4);
    const std::vector<std::uint8_t> second = Rgba(width, height, 0xFFFFFF);

    WebPAnimEncoderOptions options;
    ASSERT_TRUE(WebPAnimEncoderOptionsInit(&options));
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
    WebPConfig config;
    ASSERT_TRUE(WebPConfigInit(&config));
    config.lossless = 1;
    int timestamp = 0;
    for (const std::vector<std::uint8_t>* frame : {&std::as_const(first), &second}) {
        WebPPicture picture;
        ASSERT_TRUE(WebPPictureInit(&picture));
        picture.use_argb = 1;
        picture.width = width;
        picture.height = height;
        ASSERT_TRUE(WebPPictureImportRGBA(&picture, frame->data(), width * 4));
        ASSERT_TRUE(WebPAnimEncoderAdd(encoder, &picture, timestamp, &config));
        WebPPictureFree(&picture);
        timestamp += 100;
    }
    WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
    WebPData data;
    WebPDataInit(&data);
    ASSERT_TRUE(WebPAnimEncoderAssemble(encoder, &data));
    const std::vector<std::uint8_t> bytes(data.bytes, data.bytes + data.size);
    WebPDataClear(&data);
    WebPAnimEncoderDelete(encoder);

    const platform::PictureResult result = DecodeWebp(bytes, DecodeLimits{});
    ASSERT_TRUE(result.picture) << result.error;
    EXPECT_EQ(test::CompareToImage(*result.picture, OverBlack(first, width, height)), "");
}

TEST(WebpDecoder, DamagedOrOversizedFilesAreRefusedWithAReason)
{
    const std::vector<std::uint8_t> good = Lossless(Rgba(37, 21), 37, 21);
    std::vector<std::uint8_t> damaged = good;
    for (std::size_t i = 30; i < damaged.size(); i += 7)
        damaged[i] ^= 0x5A;
    DecodeLimits small_side;
    small_side.max_side = 36;
    DecodeLimits small_memory;
    small_memory.max_memory = 1000;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        DecodeLimits limits;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 20), {}, "WebP"},
        {"cut off", std::vector<std::uint8_t>(good.begin(), good.end() - good.size() / 3), {}, "WebP"},
        {"data scrambled", damaged, {}, "WebP"},
        {"wider than allowed", good, small_side, "too large (37 x 21)"},
        {"more memory than allowed", good, small_memory, "MB of memory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const platform::PictureResult result = DecodeWebp(c.bytes, c.limits);
        EXPECT_FALSE(result.picture);
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
    }
}

}  // namespace
}  // namespace nuvra
