#include <gtest/gtest.h>

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <set>

#include "picture_test_helpers.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

using pictures::CropPicture;
using pictures::DecodeJpeg;
using test::TestImage;

struct Variant {
    const char* name;
    const char* options;  // for convert
    int tolerance;  // against the source image
};

// Quality 100 keeps the error small; chroma subsampling and the trip through
// CMYK add a little. Grey compares with convert's own decoding: which luma
// weights convert uses is its business.
const Variant kVariants[] = {
    {"4:4:4", "-quality 100 -sampling-factor 1x1", 4},
    {"4:2:2", "-quality 100 -sampling-factor 2x1", 40},
    {"4:2:0", "-quality 100 -sampling-factor 2x2", 40},
    {"4:2:0 progressive", "-quality 100 -sampling-factor 2x2 -interlace JPEG", 40},
    {"greyscale", "-quality 100 -colorspace Gray", 3},
    {"Adobe CMYK", "-quality 100 -colorspace CMYK", 6},
};

class JpegFiles : public ::testing::Test {
protected:
    std::vector<std::uint8_t> Make(const TestImage& image, const char* options)
    {
        test::WritePpm(m_dir.str() + "/in.ppm", image);
        return test::Convert(m_dir.str() + "/in.ppm", options, m_dir.str() + "/out.jpg");
    }
    test::TempDir m_dir;
};

TEST_F(JpegFiles, DecodesEveryColourSpaceCloseToTheSource)
{
    // Smooth ramps (no hard edges) so that subsampling costs little.
    TestImage image = test::MakeTestImage(41, 27);
    for (std::uint32_t& colour : image.rgb)
        colour = (colour & 0xFFFF00) | ((colour >> 16) + (colour >> 8 & 255)) / 2;
    for (const Variant& variant : kVariants) {
        const platform::PictureResult result = DecodeJpeg(Make(image, variant.options), {});
        ASSERT_TRUE(result.picture) << variant.name << ": " << result.error;
        EXPECT_EQ(result.picture->bits_per_pixel, 24) << variant.name;
        TestImage expected = image;
        if (std::string(variant.name) == "greyscale") {
            test::Convert(m_dir.str() + "/out.jpg", "-type TrueColor", m_dir.str() + "/grey.ppm");
            expected = test::ReadPpm(m_dir.str() + "/grey.ppm");
        }
        EXPECT_EQ(test::CompareToImage(*result.picture, expected, variant.tolerance), "") << variant.name;
    }
}

// The show keeps only a region; its pixels must be exactly those of the
// whole decode, on odd sizes and at offsets that split iMCUs.
TEST_F(JpegFiles, RegionDecodeEqualsTheWholeDecodeCropped)
{
    const platform::Rect regions[] = {
        {18, 5, 59, 46},  // the centre square of 77 x 51
        {0, 0, 77, 51},  // all of it
        {1, 1, 2, 2},  // one pixel at odd offsets
        {31, 0, 77, 9},  // top right
        {0, 40, 13, 51},  // bottom left
        {-20, -3, 99, 70},  // past every edge: clamped
        {70, 17, 77, 51},  // the last partial iMCU column
    };
    const TestImage image = test::MakeTestImage(77, 51);
    for (const Variant& variant : kVariants) {
        const std::vector<std::uint8_t> file = Make(image, variant.options);
        const platform::PictureResult whole = DecodeJpeg(file, {});
        ASSERT_TRUE(whole.picture) << variant.name << ": " << whole.error;
        for (const platform::Rect& region : regions) {
            const platform::RegionChooser chooser = [&](std::int32_t width, std::int32_t height) {
                EXPECT_EQ(std::pair(width, height), std::pair(77, 51));
                return region;
            };
            const platform::PictureResult part = DecodeJpeg(file, {}, &chooser);
            ASSERT_TRUE(part.picture) << variant.name << ": " << part.error;
            EXPECT_EQ(std::pair(part.natural_width, part.natural_height), std::pair(77, 51));
            const auto clamped = pictures::ClampRegion(region, 77, 51);
            const TestImage expected = test::ToImage(CropPicture(*whole.picture, *clamped));
            EXPECT_EQ(test::CompareToImage(*part.picture, expected), "")
                << variant.name << ", region " << region.left << "," << region.top << " - " << region.right << ","
                << region.bottom;
        }
    }
}

TEST_F(JpegFiles, EmptyRegionFailsButReportsTheSize)
{
    const std::vector<std::uint8_t> file = Make(test::MakeTestImage(20, 10), "-quality 90");
    for (const platform::Rect region : {platform::Rect{5, 5, 5, 9}, platform::Rect{30, 0, 40, 10}, platform::Rect{}}) {
        const platform::RegionChooser chooser = [&](std::int32_t, std::int32_t) { return region; };
        const platform::PictureResult result = DecodeJpeg(file, {}, &chooser);
        EXPECT_FALSE(result.picture);
        EXPECT_EQ(std::pair(result.natural_width, result.natural_height), std::pair(20, 10));
    }
}

// Ink files written with libjpeg directly: convert always writes Adobe's
// inverted CMYK, and the other conventions need testing too.
std::vector<std::uint8_t> WriteInkJpeg(const TestImage& image, J_COLOR_SPACE stored, bool adobe_marker, bool inverted)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, stored);
    jpeg_set_quality(&info, 100, TRUE);
    info.write_Adobe_marker = adobe_marker ? TRUE : FALSE;
    for (auto& component : std::span(info.comp_info, 4))
        component.h_samp_factor = component.v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(image.width) * 4);
    for (std::int32_t y = 0; y < image.height; ++y) {
        for (std::int32_t x = 0; x < image.width; ++x) {
            const std::uint32_t colour = image.at(x, y);
            const std::uint32_t ink[4] = {255 - (colour >> 16), 255 - (colour >> 8 & 255), 255 - (colour & 255), 0};
            for (int c = 0; c < 4; ++c)
                row[static_cast<std::size_t>(x * 4 + c)] = static_cast<JSAMPLE>(inverted ? 255 - ink[c] : ink[c]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<std::uint8_t> file(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return file;
}

TEST(JpegDecoder, InkIsInvertedExactlyWhenAdobeWroteIt)
{
    const TestImage image = test::MakeTestImage(16, 16);
    const struct {
        const char* name;
        J_COLOR_SPACE stored;
        bool adobe_marker, inverted;
    } cases[] = {
        {"plain CMYK, 255 is full ink", JCS_CMYK, false, false},
        {"Adobe CMYK, 0 is full ink", JCS_CMYK, true, true},
        {"Adobe YCCK, 0 is full ink", JCS_YCCK, true, true},
    };
    for (const auto& test_case : cases) {
        const platform::PictureResult result =
            DecodeJpeg(WriteInkJpeg(image, test_case.stored, test_case.adobe_marker, test_case.inverted), {});
        ASSERT_TRUE(result.picture) << test_case.name << ": " << result.error;
        EXPECT_EQ(test::CompareToImage(*result.picture, image, 4), "") << test_case.name;
    }
}

// An RGB picture through libjpeg's defaults (YCbCr, 4:2:0), baseline or
// progressive.
std::vector<std::uint8_t> WriteJpeg(const TestImage& image, bool progressive)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(image.width) * 3);
    for (std::int32_t y = 0; y < image.height; ++y) {
        for (std::int32_t x = 0; x < image.width; ++x) {
            const std::uint32_t colour = image.at(x, y);
            for (int c = 0; c < 3; ++c)
                row[static_cast<std::size_t>(x * 3 + c)] = static_cast<JSAMPLE>(colour >> (16 - 8 * c));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<std::uint8_t> file(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return file;
}

// Offsets of the frame's height and width (big-endian) in a baseline file.
std::size_t FrameSizeOffset(const std::vector<std::uint8_t>& file)
{
    for (std::size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2))
            return i + 5;
    return 0;
}

TEST_F(JpegFiles, DamagedFilesFailQuietlyOrLoadWhatTheyHold)
{
    const std::vector<std::uint8_t> file = Make(test::MakeTestImage(64, 48), "-quality 85");
    const std::size_t size_at = FrameSizeOffset(file);
    ASSERT_NE(size_at, 0u);
    auto with_size = [&](std::uint32_t height, std::uint32_t width) {
        std::vector<std::uint8_t> changed = file;
        changed[size_at] = static_cast<std::uint8_t>(height >> 8);
        changed[size_at + 1] = static_cast<std::uint8_t>(height);
        changed[size_at + 2] = static_cast<std::uint8_t>(width >> 8);
        changed[size_at + 3] = static_cast<std::uint8_t>(width);
        return changed;
    };
    std::vector<std::uint8_t> garbage = {0xFF, 0xD8, 0xFF};
    for (int i = 0; i < 200; ++i)
        garbage.push_back(static_cast<std::uint8_t>(i * 37));
    std::vector<std::uint8_t> cut_in_the_data(file.begin(),
                                              file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool loads;
    } cases[] = {
        {"60,000 pixels wide", with_size(48, 60000), false},
        {"zero width", with_size(48, 0), false},
        {"garbage after the magic", garbage, false},
        {"just the magic", {0xFF, 0xD8, 0xFF}, false},
        {"cut in the middle of the data", cut_in_the_data, true},
    };
    for (const auto& test_case : cases) {
        testing::internal::CaptureStderr();
        const platform::PictureResult result = DecodeJpeg(test_case.bytes, {});
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << test_case.name;
        EXPECT_EQ(result.picture.has_value(), test_case.loads) << test_case.name << ": " << result.error;
        EXPECT_EQ(result.error.empty(), test_case.loads) << test_case.name;
    }
    for (std::size_t length = 0; length < file.size(); length += 7)
        DecodeJpeg(std::span(file).first(length), {});  // must only fail or load, never crash
}

std::vector<std::uint8_t> WithFrameSize(std::vector<std::uint8_t> file, std::uint32_t width, std::uint32_t height)
{
    const std::size_t at = FrameSizeOffset(file);
    EXPECT_NE(at, 0u);
    file[at] = static_cast<std::uint8_t>(height >> 8);
    file[at + 1] = static_cast<std::uint8_t>(height);
    file[at + 2] = static_cast<std::uint8_t>(width >> 8);
    file[at + 3] = static_cast<std::uint8_t>(width);
    return file;
}

// Small files whose frame claims 16384 x 16384 (the data past what they
// hold decodes as zero coefficients: mid-grey). A file in one scan is
// decoded a few rows at a time, so the show's centre square loads within
// the memory bound; a progressive one would need 768 MB of coefficients
// before its first row and is refused, region or not, before allocating.
TEST(JpegDecoder, AHugeFrameCostsOnlyTheRegionOrIsRefused)
{
    constexpr std::int32_t kSide = 16384;
    const TestImage image = test::MakeTestImage(64, 64);
    const std::vector<std::uint8_t> baseline = WithFrameSize(WriteJpeg(image, false), kSide, kSide);
    const std::vector<std::uint8_t> progressive = WithFrameSize(WriteJpeg(image, true), kSide, kSide);
    const std::string outcome = test::RunWithMemoryLimit(test::kLoadMemoryBound, [&]() -> std::string {
        const platform::RegionChooser chooser = test::ShowRegion;
        const platform::PictureResult part = DecodeJpeg(baseline, {}, &chooser);
        if (!part.picture)
            return "the baseline region failed: " + part.error;
        const std::string pixels = test::CompareRegion(*part.picture, test::ShowRegion(kSide, kSide),
                                                       [](std::int32_t, std::int32_t) { return 0x808080u; });
        if (!pixels.empty())
            return "baseline region: " + pixels;
        const platform::PictureResult whole = DecodeJpeg(baseline, {});
        if (whole.picture || whole.error.find("memory") == std::string::npos)
            return "the whole baseline picture was not refused for memory: " + whole.error;
        for (const platform::RegionChooser* choose : {&chooser, static_cast<const platform::RegionChooser*>(nullptr)}) {
            const platform::PictureResult refused = DecodeJpeg(progressive, {}, choose);
            if (refused.picture || refused.error.find("progressive") == std::string::npos)
                return "the progressive file was not refused for its coefficients: " + refused.error;
            if (refused.natural_width != kSide || refused.natural_height != kSide)
                return "the refusal lost the picture's size";
        }
        return "";
    });
    EXPECT_EQ(outcome, "");
}

// A real progressive file, wide enough that the show's region is a small
// part of it: inside the memory bound the region equals the whole decode
// cropped.
TEST(JpegDecoder, AProgressiveRegionWithinTheBoundEqualsTheWholeCropped)
{
    const TestImage image = test::MakeTestImage(4096, 600);
    const std::vector<std::uint8_t> file = WriteJpeg(image, true);
    const platform::Rect region = test::ShowRegion(image.width, image.height);
    TestImage expected;
    {
        const platform::PictureResult whole = DecodeJpeg(file, {});
        ASSERT_TRUE(whole.picture) << whole.error;
        expected = test::ToImage(CropPicture(*whole.picture, region));
    }
    const std::string outcome = test::RunWithMemoryLimit(test::kLoadMemoryBound, [&]() -> std::string {
        const platform::RegionChooser chooser = test::ShowRegion;
        const platform::PictureResult part = DecodeJpeg(file, {}, &chooser);
        if (!part.picture)
            return "the region failed: " + part.error;
        return test::CompareToImage(*part.picture, expected);
    });
    EXPECT_EQ(outcome, "");
}

// Across the limit where a progressive file stops fitting (our estimate of
// libjpeg's buffers, then libjpeg's own count of what it allocated), every
// load is either the exact picture or a refusal that says it is memory.
TEST(JpegDecoder, MemoryLimitsAroundAProgressiveFileLoadExactlyOrRefuse)
{
    // Taller than the ten block rows libjpeg allocates whatever its limit.
    const TestImage image = test::MakeTestImage(64, 400);
    const std::vector<std::uint8_t> file = WriteJpeg(image, true);
    const platform::PictureResult reference = DecodeJpeg(file, {});
    ASSERT_TRUE(reference.picture) << reference.error;
    bool loaded_before = false;
    std::set<std::string> refusals;
    for (std::uint64_t limit = 1024; limit <= (512u << 10); limit += 1024) {
        pictures::DecodeLimits limits;
        limits.max_memory = limit;
        const platform::PictureResult result = DecodeJpeg(file, limits);
        if (result.picture) {
            EXPECT_EQ(result.picture->pixels, reference.picture->pixels) << "limit " << limit;
            loaded_before = true;
            continue;
        }
        EXPECT_FALSE(loaded_before) << "refused at " << limit << " after loading with less: " << result.error;
        EXPECT_NE(result.error.find("memory"), std::string::npos) << "limit " << limit << ": " << result.error;
        refusals.insert(result.error.substr(0, result.error.find(" needs ")));
    }
    EXPECT_TRUE(loaded_before) << "never loaded within 512 KB";
    EXPECT_EQ(refusals.size(), 2u) << "both our estimate and libjpeg's own limit refuse somewhere";
}

}  // namespace
}  // namespace nuvra
