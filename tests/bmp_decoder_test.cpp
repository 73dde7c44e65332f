#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <functional>
#include <map>

#include "picture_test_helpers.h"

namespace nuvra {
namespace {

using pictures::DecodeBmp;
using pictures::DecodeLimits;
using test::Bytes;
using test::TestImage;

enum class Header { Core, Os2, Info, Info52, V4, V5 };
enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

struct Variant {
    const char* name;
    Header header;
    std::uint16_t bits;
    std::uint32_t compression;
    bool top_down = false;
    std::array<std::uint32_t, 3> masks = {};  // red, green, blue
};

std::vector<std::uint32_t> PaletteOf(const TestImage& image)
{
    std::vector<std::uint32_t> palette;
    for (std::uint32_t colour : image.rgb)
        if (std::find(palette.begin(), palette.end(), colour) == palette.end())
            palette.push_back(colour);
    return palette;
}

// RLE of one row of indices: runs of equal pixels, absolute runs of three or
// more different ones (padded to 16 bits), and an end of line.
void EncodeRleRow(const std::vector<std::uint8_t>& row, bool rle4, Bytes& out)
{
    std::size_t x = 0;
    while (x < row.size()) {
        std::size_t run = 1;
        while (x + run < row.size() && run < 255 && row[x + run] == row[x])
            ++run;
        std::size_t literal = 0;
        while (x + literal < row.size() && literal < 255 &&
               (x + literal + 1 >= row.size() || row[x + literal + 1] != row[x + literal]))
            ++literal;
        if (run == 1 && literal >= 3) {
            out.u8(0).u8(static_cast<std::uint32_t>(literal));
            const std::size_t start = out.size();
            for (std::size_t k = 0; k < literal; k += rle4 ? 2 : 1)
                out.u8(rle4 ? (row[x + k] << 4 | (k + 1 < literal ? row[x + k + 1] : 0)) : row[x + k]);
            if ((out.size() - start) % 2 != 0)
                out.u8(0);
            x += literal;
        } else {
            out.u8(static_cast<std::uint32_t>(run)).u8(rle4 ? (row[x] << 4 | row[x]) : row[x]);
            x += run;
        }
    }
    out.u8(0).u8(0);
}

std::uint32_t Pack(std::uint32_t colour, std::uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::bit_width(mask >> shift);
    return (bits >= 8 ? colour << (bits - 8) : colour >> (8 - bits)) << shift & mask;
}

std::vector<std::uint8_t> WriteBmp(const TestImage& image, const Variant& variant)
{
    const std::vector<std::uint32_t> palette = variant.bits <= 8 ? PaletteOf(image) : std::vector<std::uint32_t>{};
    std::array<std::uint32_t, 3> masks = variant.masks;
    if (variant.bits == 16 && masks[0] == 0)
        masks = {0x7C00, 0x03E0, 0x001F};
    if (variant.bits == 32 && masks[0] == 0)
        masks = {0xFF0000, 0xFF00, 0xFF};

    Bytes pixels;
    for (std::int32_t row = 0; row < image.height; ++row) {
        const std::int32_t y = variant.top_down ? row : image.height - 1 - row;
        std::vector<std::uint8_t> indices;
        for (std::int32_t x = 0; x < image.width; ++x)
            indices.push_back(variant.bits <= 8
                                  ? static_cast<std::uint8_t>(
                                        std::find(palette.begin(), palette.end(), image.at(x, y)) - palette.begin())
                                  : 0);
        if (variant.compression == kRle8 || variant.compression == kRle4) {
            EncodeRleRow(indices, variant.compression == kRle4, pixels);
            continue;
        }
        const std::size_t start = pixels.size();
        std::uint32_t accumulator = 0;
        int filled = 0;
        for (std::int32_t x = 0; x < image.width; ++x) {
            const std::uint32_t colour = image.at(x, y);
            if (variant.bits <= 8) {
                accumulator = accumulator << variant.bits | indices[static_cast<std::size_t>(x)];
                filled += variant.bits;
                if (filled == 8) {
                    pixels.u8(accumulator);
                    accumulator = 0;
                    filled = 0;
                }
            } else if (variant.bits == 24) {
                pixels.u8(colour).u8(colour >> 8).u8(colour >> 16);
            } else {
                const std::uint32_t packed = Pack(colour >> 16 & 255, masks[0]) | Pack(colour >> 8 & 255, masks[1]) |
                                             Pack(colour & 255, masks[2]);
                if (variant.bits == 16)
                    pixels.u16(packed);
                else
                    pixels.u32(packed);
            }
        }
        if (filled > 0)
            pixels.u8(accumulator << (8 - filled));
        while ((pixels.size() - start) % 4 != 0)
            pixels.u8(0);
    }
    if (variant.compression == kRle8 || variant.compression == kRle4)
        pixels.u8(0).u8(1);

    const std::uint32_t header_size =
        std::map<Header, std::uint32_t>{{Header::Core, 12},   {Header::Os2, 16}, {Header::Info, 40},
                                        {Header::Info52, 52}, {Header::V4, 108}, {Header::V5, 124}}[variant.header];
    const bool masks_after = variant.header == Header::Info && variant.compression == kBitfields;
    const std::uint32_t entry = variant.header == Header::Core ? 3 : 4;
    const std::uint32_t offset =
        14 + header_size + (masks_after ? 12 : 0) + static_cast<std::uint32_t>(palette.size()) * entry;

    Bytes file;
    file.u8('B').u8('M').u32(offset + static_cast<std::uint32_t>(pixels.size())).u32(0).u32(offset);
    file.u32(header_size);
    if (variant.header == Header::Core) {
        file.u16(static_cast<std::uint32_t>(image.width)).u16(static_cast<std::uint32_t>(image.height));
        file.u16(1).u16(variant.bits);
    } else {
        file.u32(static_cast<std::uint32_t>(image.width));
        file.u32(static_cast<std::uint32_t>(variant.top_down ? -image.height : image.height));
        file.u16(1).u16(variant.bits);
        if (variant.header != Header::Os2) {
            file.u32(variant.compression).u32(static_cast<std::uint32_t>(pixels.size())).u32(2835).u32(2835);
            file.u32(static_cast<std::uint32_t>(palette.size())).u32(0);
        }
        if (header_size >= 52 || masks_after)
            file.u32(masks[0]).u32(masks[1]).u32(masks[2]);
        while (file.size() < 14 + header_size)
            file.u8(variant.header == Header::V4 ? 0x11 : 0);  // colour space fields: not our business
    }
    for (std::uint32_t colour : palette) {
        file.u8(colour).u8(colour >> 8).u8(colour >> 16);
        if (entry == 4)
            file.u8(0);
    }
    file.data.insert(file.data.end(), pixels.data.begin(), pixels.data.end());
    return file.data;
}

// Colours that 5 and 6-bit channels carry exactly (their bits repeat the
// way the decoder widens them).
TestImage SixteenBitImage(std::int32_t width, std::int32_t height)
{
    TestImage image = test::MakeTestImage(width, height, 27);
    for (std::uint32_t& colour : image.rgb) {
        const std::uint32_t i = colour % 27;
        constexpr std::array<std::uint32_t, 3> kLevels = {0x00, 0x18, 0xE7};
        colour = kLevels[i % 3] << 16 | kLevels[i / 3 % 3] << 8 | kLevels[i / 9];
    }
    return image;
}

const std::vector<Variant> kVariants = {
    {"core 1-bit", Header::Core, 1, kRgb},
    {"core 4-bit", Header::Core, 4, kRgb},
    {"core 8-bit", Header::Core, 8, kRgb},
    {"core 24-bit", Header::Core, 24, kRgb},
    {"OS/2 short header 8-bit", Header::Os2, 8, kRgb},
    {"info 1-bit", Header::Info, 1, kRgb},
    {"info 2-bit", Header::Info, 2, kRgb},
    {"info 4-bit top-down", Header::Info, 4, kRgb, true},
    {"info 8-bit", Header::Info, 8, kRgb},
    {"info 16-bit 5-5-5", Header::Info, 16, kRgb},
    {"info 24-bit", Header::Info, 24, kRgb},
    {"info 24-bit top-down", Header::Info, 24, kRgb, true},
    {"info 32-bit", Header::Info, 32, kRgb},
    {"info 16-bit 5-6-5 masks after the header", Header::Info, 16, kBitfields, false, {0xF800, 0x07E0, 0x001F}},
    {"info 32-bit masks after the header", Header::Info, 32, kBitfields, false, {0xFF000000, 0xFF0000, 0xFF00}},
    {"info 10-10-10 masks", Header::Info, 32, kBitfields, false, {0x3FF00000, 0x000FFC00, 0x000003FF}},
    {"info 52 16-bit", Header::Info52, 16, kBitfields, true, {0x7C00, 0x03E0, 0x001F}},
    {"info RLE8", Header::Info, 8, kRle8},
    {"info RLE8 top-down", Header::Info, 8, kRle8, true},
    {"info RLE4", Header::Info, 4, kRle4},
    {"V4 8-bit", Header::V4, 8, kRgb},
    {"V4 16-bit bit fields", Header::V4, 16, kBitfields, false, {0xF800, 0x07E0, 0x001F}},
    {"V5 24-bit top-down", Header::V5, 24, kRgb, true},
    {"V5 32-bit bit fields", Header::V5, 32, kBitfields, false, {0xFF0000, 0xFF00, 0xFF}},
    {"V5 RLE4 top-down", Header::V5, 4, kRle4, true},
};

// A test image whose colours the variant can hold exactly.
TestImage ImageFor(const Variant& variant, std::int32_t width, std::int32_t height)
{
    return variant.bits == 16  ? SixteenBitImage(width, height)
           : variant.bits <= 8 ? test::MakeTestImage(width, height, 1u << variant.bits)
                               : test::MakeTestImage(width, height);
}

TEST(BmpDecoder, DecodesEveryVariantPixelExactly)
{
    for (const Variant& variant : kVariants) {
        for (const auto& [width, height] : {std::pair{13, 7}, std::pair{1, 1}, std::pair{64, 3}}) {
            SCOPED_TRACE(std::string(variant.name) + " " + std::to_string(width) + "x" + std::to_string(height));
            const TestImage image = ImageFor(variant, width, height);
            const platform::PictureResult result = DecodeBmp(WriteBmp(image, variant), {});
            ASSERT_TRUE(result.picture) << result.error;
            EXPECT_EQ(result.picture->bits_per_pixel, variant.bits <= 8 ? 8 : 24);
            EXPECT_EQ(result.picture->stride % 4, 0);
            EXPECT_EQ(test::CompareToImage(*result.picture, image), "");
        }
    }
}

// The show keeps only a region; its pixels (and table) must be exactly
// those of the whole decode, at offsets that split bytes of 1, 2 and 4-bit
// rows and across the rows an RLE stream skips.
TEST(BmpDecoder, RegionDecodeEqualsTheWholeDecodeCropped)
{
    const platform::Rect regions[] = {
        {5, 2, 18, 9},  // inside, odd offsets
        {0, 0, 37, 11},  // all of it
        {36, 10, 37, 11},  // the bottom right pixel
        {3, 0, 4, 11},  // one column
        {13, 3, 30, 5},  // two rows
        {-4, -4, 100, 100},  // past every edge: clamped
    };
    for (const Variant& variant : kVariants) {
        const std::vector<std::uint8_t> file = WriteBmp(ImageFor(variant, 37, 11), variant);
        const platform::PictureResult whole = DecodeBmp(file, {});
        ASSERT_TRUE(whole.picture) << variant.name << ": " << whole.error;
        for (const platform::Rect& region : regions) {
            SCOPED_TRACE(std::string(variant.name) + ", region " + std::to_string(region.left) + "," +
                         std::to_string(region.top) + " - " + std::to_string(region.right) + "," +
                         std::to_string(region.bottom));
            const platform::RegionChooser chooser = [&](std::int32_t width, std::int32_t height) {
                EXPECT_EQ(std::pair(width, height), std::pair(37, 11));
                return region;
            };
            const platform::PictureResult part = DecodeBmp(file, {}, &chooser);
            ASSERT_TRUE(part.picture) << part.error;
            EXPECT_EQ(std::pair(part.natural_width, part.natural_height), std::pair(37, 11));
            const platform::Picture expected =
                pictures::CropPicture(*whole.picture, *pictures::ClampRegion(region, 37, 11));
            EXPECT_EQ(test::CompareToImage(*part.picture, test::ToImage(expected)), "");
            EXPECT_EQ(part.picture->palette, expected.palette);
        }
    }
    const platform::RegionChooser outside = [](std::int32_t width, std::int32_t) {
        return platform::Rect{width, 0, width + 4, 4};
    };
    const platform::PictureResult empty =
        DecodeBmp(WriteBmp(ImageFor(kVariants[0], 37, 11), kVariants[0]), {}, &outside);
    EXPECT_FALSE(empty.picture) << "an empty region fails";
    EXPECT_EQ(std::pair(empty.natural_width, empty.natural_height), std::pair(37, 11));
}

std::vector<std::uint8_t> WithRle8Stream(std::int32_t width, std::int32_t height, std::vector<std::uint8_t> stream)
{
    TestImage blank{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), 0)};
    std::vector<std::uint8_t> file = WriteBmp(blank, {"", Header::Info, 8, kRle8});
    const std::size_t offset = file[10];
    file.resize(offset);
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

std::string IndicesTopDown(const platform::Picture& picture)
{
    std::string text;
    for (std::int32_t y = 0; y < picture.height; ++y, text += '/')
        for (std::int32_t x = 0; x < picture.width; ++x)
            text += static_cast<char>('0' + pictures::RowFromTop(picture, y)[x]);
    return text;
}

// Bottom-up: the first row of the stream is the picture's last row.
TEST(BmpDecoder, RleEscapesAndRunsOffThePictureAreClipped)
{
    const struct {
        const char* name;
        std::vector<std::uint8_t> stream;
        const char* indices;
    } cases[] = {
        {"runs and end of line", {2, 1, 1, 2, 0, 0, 3, 3, 0, 1}, "333/112/"},
        {"delta right and up", {0, 2, 1, 1, 1, 4, 0, 1}, "040/000/"},
        {"run longer than the row", {200, 5, 0, 0, 1, 6, 0, 1}, "600/555/"},
        {"absolute run past the edge", {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, "000/123/"},
        {"delta below the last row", {0, 2, 0, 9, 7, 7, 0, 1}, "000/000/"},
        {"no end of bitmap", {1, 1, 0, 0, 1, 2}, "200/100/"},
        {"cut inside an absolute run", {0, 3, 4}, "000/400/"},
        {"cut inside a delta", {1, 3, 0, 2, 1}, "000/300/"},
        {"end of lines past the picture", {0, 0, 0, 0, 0, 0, 0, 0, 4, 4}, "000/000/"},
    };
    for (const auto& test_case : cases) {
        const platform::PictureResult result = DecodeBmp(WithRle8Stream(3, 2, test_case.stream), {});
        ASSERT_TRUE(result.picture) << test_case.name << ": " << result.error;
        EXPECT_EQ(IndicesTopDown(*result.picture), test_case.indices) << test_case.name;
    }
}

TEST(BmpDecoder, BitFieldChannelsScaleToFullRange)
{
    const struct {
        std::uint32_t pixel;
        std::array<std::uint32_t, 3> masks;
        std::uint32_t expected;
    } cases[] = {
        {0xFFFF, {0xF800, 0x07E0, 0x001F}, 0xFFFFFF},
        {0x8410, {0xF800, 0x07E0, 0x001F}, 0x848284},
        {0x7C00, {0x7C00, 0x03E0, 0x001F}, 0xFF0000},
        {0x4210, {0x7C00, 0x03E0, 0x001F}, 0x848484},
        {0x3FFFFFFF, {0x3FF00000, 0x000FFC00, 0x000003FF}, 0xFFFFFF},
        {0x00000F0F, {0x00000F00, 0x000000F0, 0x0000000F}, 0xFF00FF},
        {0x12345678, {0, 0, 0}, 0x000000},  // no masks at all: black, not a crash
        {0x80000000, {0x80000000, 0x40000000, 0x1}, 0xFF0000},
    };
    for (const auto& test_case : cases) {
        Bytes file;
        file.u8('B').u8('M').u32(70).u32(0).u32(66).u32(40).u32(1).u32(1).u16(1).u16(32).u32(kBitfields);
        file.u32(4).u32(0).u32(0).u32(0).u32(0);
        file.u32(test_case.masks[0]).u32(test_case.masks[1]).u32(test_case.masks[2]).u32(test_case.pixel);
        const platform::PictureResult result = DecodeBmp(file.data, {});
        ASSERT_TRUE(result.picture) << result.error;
        EXPECT_EQ(test::Hex(test::PixelAt(*result.picture, 0, 0)), test::Hex(test_case.expected))
            << "pixel " << test::Hex(test_case.pixel);
    }
}

// The 8-bit work file the core writes: a 1078-byte offset and a pixel buffer
// sized for the width rounded up to 8, of which rows use the width rounded
// up to 4.
TEST(BmpDecoder, ReadsTheWorkFileLayoutAsAPlainBottomUpBitmap)
{
    for (const std::int32_t width : {600, 601, 5}) {
        const TestImage image = test::MakeTestImage(width, 9, 256);
        std::vector<std::uint8_t> file = WriteBmp(image, {"", Header::Info, 8, kRgb});
        std::vector<std::uint8_t> work(1078, 0);
        std::copy(file.begin(), file.begin() + 54, work.begin());
        const std::uint32_t old_offset = file[10] | file[11] << 8;
        std::copy(file.begin() + 54, file.begin() + old_offset, work.begin() + 54);
        work[10] = 1078 & 255;
        work[11] = 1078 >> 8;
        work.insert(work.end(), file.begin() + old_offset, file.end());
        work.resize(1078 + static_cast<std::size_t>((width + 7) / 8 * 8 * 9), 0);
        const platform::PictureResult result = DecodeBmp(work, {});
        ASSERT_TRUE(result.picture) << result.error;
        EXPECT_EQ(test::CompareToImage(*result.picture, image), "") << "width " << width;
    }
}

TEST(BmpDecoder, TruncatedFilesFailUntilPixelsArriveThenLoadWhatIsThere)
{
    for (const Variant& variant :
         {Variant{"core 1-bit", Header::Core, 1, kRgb},
          Variant{"V5 bit fields", Header::V5, 32, kBitfields, false, {0xFF, 0xFF00, 0xFF0000}},
          Variant{"info masks after", Header::Info, 16, kBitfields, false, {0xF800, 0x7E0, 0x1F}},
          Variant{"RLE8", Header::Info, 8, kRle8}}) {
        const TestImage image = test::MakeTestImage(9, 4, variant.bits <= 8 ? 1u << variant.bits : 0);
        const std::vector<std::uint8_t> file = WriteBmp(image, variant);
        const std::size_t pixel_offset = file[10] | file[11] << 8;
        for (std::size_t length = 0; length < file.size(); ++length) {
            const std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            const platform::PictureResult result = DecodeBmp(cut, {});
            EXPECT_EQ(result.picture.has_value(), length > pixel_offset)
                << variant.name << " cut to " << length << " bytes: " << result.error;
        }
    }
}

std::vector<std::uint8_t> InfoBmp(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t colours,
                                  std::uint32_t offset, std::vector<std::uint8_t> rest)
{
    Bytes file;
    file.u8('B').u8('M').u32(0).u32(0).u32(offset).u32(40).u32(static_cast<std::uint32_t>(width));
    file.u32(static_cast<std::uint32_t>(height)).u16(1).u16(bits).u32(0).u32(0).u32(0).u32(0).u32(colours).u32(0);
    return file.append(rest).data;
}

std::vector<std::uint8_t> WithByte(std::vector<std::uint8_t> file, std::size_t index, std::uint8_t value)
{
    file[index] = value;
    return file;
}

TEST(BmpDecoder, HostileHeadersFailOrLoadSafely)
{
    // Two table entries (grey, white), then a row holding indices 200 and 1.
    const std::vector<std::uint8_t> short_table = {0x80, 0x80, 0x80, 0, 0xFF, 0xFF, 0xFF, 0, 200, 1, 0, 0};
    const std::vector<std::uint8_t> one_pixel = {1, 2, 3, 0};
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        const char* top_left;  // nullptr: the load fails
    } cases[] = {
        {"magic only", {'B', 'M'}, nullptr},
        {"garbage after the magic",
         {'B', 'M', 0xDE, 0xAD, 0xBE, 0xEF, 0x13, 0x37, 0, 0, 0x99, 0x99, 0x99, 0x99, 0x77, 0x77, 0x77, 0x77, 1, 2},
         nullptr},
        {"unknown header size", WithByte(InfoBmp(1, 1, 24, 0, 54, one_pixel), 14, 200), nullptr},
        {"zero width", InfoBmp(0, 1, 24, 0, 54, one_pixel), nullptr},
        {"negative width", InfoBmp(-5, 1, 24, 0, 54, one_pixel), nullptr},
        {"zero height", InfoBmp(1, 0, 24, 0, 54, one_pixel), nullptr},
        {"most negative height", InfoBmp(1, INT32_MIN, 24, 0, 54, one_pixel), nullptr},
        {"60,000 pixels wide", InfoBmp(60000, 1, 24, 0, 54, std::vector<std::uint8_t>(64, 0)), nullptr},
        {"just over the side cap", InfoBmp(16385, 1, 8, 0, 54, std::vector<std::uint8_t>(64, 0)), nullptr},
        {"3 bits per pixel", InfoBmp(1, 1, 3, 0, 54, one_pixel), nullptr},
        {"JPEG compression", WithByte(InfoBmp(1, 1, 24, 0, 54, one_pixel), 30, 4), nullptr},
        {"pixel offset past the end", InfoBmp(1, 1, 24, 0, 5000, one_pixel), nullptr},
        {"a 1-pixel picture", InfoBmp(1, 1, 24, 0, 54, one_pixel), "#030201"},
        {"pixel offset inside the headers", InfoBmp(1, 1, 24, 0, 20, one_pixel), "#030201"},
        {"an index past the table is black", InfoBmp(2, 1, 8, 2, 62, short_table), "#000000"},
        {"a billion colours used", InfoBmp(2, 1, 8, 1000000000, 62, short_table), "#000000"},
        {"table runs past the end", InfoBmp(1, 1, 8, 256, 54, {0, 0x20, 0x30}), "#302000"},
    };
    for (const auto& test_case : cases) {
        const platform::PictureResult result = DecodeBmp(test_case.file, {});
        if (test_case.top_left == nullptr) {
            EXPECT_FALSE(result.picture) << test_case.name;
            EXPECT_FALSE(result.error.empty()) << test_case.name;
            continue;
        }
        ASSERT_TRUE(result.picture) << test_case.name << ": " << result.error;
        EXPECT_EQ(test::Hex(test::PixelAt(*result.picture, 0, 0)), test_case.top_left) << test_case.name;
    }
}

TEST(BmpDecoder, SizeCapsAreCheckedBeforeAllocating)
{
    DecodeLimits small;
    small.max_side = 8;
    small.max_pixels = 32;
    const struct {
        std::int32_t width, height;
        bool loads;
    } cases[] = {{8, 4, true}, {9, 1, false}, {1, 9, false}, {8, 5, false}, {4, -8, true}, {4, -9, false}};
    for (const auto& test_case : cases) {
        const platform::PictureResult result = DecodeBmp(
            InfoBmp(test_case.width, test_case.height, 8, 0, 54 + 1024, std::vector<std::uint8_t>(1100, 0)), small);
        EXPECT_EQ(result.picture.has_value(), test_case.loads) << test_case.width << " x " << test_case.height;
    }
}

// Headers claiming 16384 x 16384 over a few hundred bytes: the show's
// centre square loads within the memory bound (never the 768 MB a whole
// picture would take), the whole picture is refused before it is allocated.
TEST(BmpDecoder, AHugeHeaderCostsOnlyTheRegion)
{
    constexpr std::int32_t kSide = 16384;
    // A 24-bit file holding 256 bytes of its first (bottom) rows only.
    std::vector<std::uint8_t> few_rows(256);
    for (std::size_t i = 0; i < few_rows.size(); ++i)
        few_rows[i] = static_cast<std::uint8_t>(i);
    const std::vector<std::uint8_t> plain = InfoBmp(kSide, kSide, 24, 0, 54, few_rows);

    // RLE8 jumping by deltas to stored row 8100, column 8100: a run of red,
    // then on the next stored row a run of green at column 8000.
    Bytes stream;
    for (int i = 0; i < 31; ++i)
        stream.u8(0).u8(2).u8(255).u8(255);
    stream.u8(0).u8(2).u8(195).u8(195).u8(10).u8(1).u8(0).u8(0);
    for (int i = 0; i < 32; ++i)
        stream.u8(0).u8(2).u8(250).u8(0);
    stream.u8(5).u8(2).u8(0).u8(1);
    const std::vector<std::uint8_t> table = {0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0};
    Bytes rle;
    rle.u8('B').u8('M').u32(0).u32(0).u32(54 + 12).u32(40).u32(kSide).u32(kSide).u16(1).u16(8).u32(1);
    rle.u32(0).u32(0).u32(0).u32(3).u32(0).append(table).append(stream.data);
    auto rle_colour = [](std::int32_t x, std::int32_t y) -> std::uint32_t {
        if (y == kSide - 1 - 8100 && x >= 8100 && x < 8110)
            return 0xFF0000;
        if (y == kSide - 1 - 8101 && x >= 8000 && x < 8005)
            return 0x00FF00;
        return 0;
    };

    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        std::function<std::uint32_t(std::int32_t, std::int32_t)> colour;
    } cases[] = {
        {"24-bit, rows missing", plain, [](std::int32_t, std::int32_t) { return 0u; }},
        {"RLE8 with deltas to the centre", rle.data, rle_colour},
    };
    for (const auto& test_case : cases) {
        const std::string outcome = test::RunWithMemoryLimit(test::kLoadMemoryBound, [&]() -> std::string {
            const platform::RegionChooser chooser = test::ShowRegion;
            const platform::PictureResult part = DecodeBmp(test_case.file, {}, &chooser);
            if (!part.picture)
                return "the region failed: " + part.error;
            const std::string pixels =
                test::CompareRegion(*part.picture, test::ShowRegion(kSide, kSide), test_case.colour);
            if (!pixels.empty())
                return pixels;
            const platform::PictureResult whole = DecodeBmp(test_case.file, {});
            if (whole.picture || whole.error.find("memory") == std::string::npos)
                return "the whole picture was not refused for memory: " + whole.error;
            return "";
        });
        EXPECT_EQ(outcome, "") << test_case.name;
    }
}

// The same limits let a region load where the whole picture is refused.
TEST(BmpDecoder, TheMemoryLimitCountsTheFileAndThePicture)
{
    const TestImage image = test::MakeTestImage(1000, 1000);
    const std::vector<std::uint8_t> file = WriteBmp(image, {"", Header::Info, 24, kRgb});  // 3 MB
    const platform::RegionChooser corner = [](std::int32_t, std::int32_t) { return platform::Rect{0, 0, 100, 100}; };
    const struct {
        std::uint64_t max_memory;
        bool whole_loads, region_loads;
    } cases[] = {
        {7u << 20, true, true},  // file and picture: 6 MB
        {5u << 20, false, true},
        {2u << 20, false, false},  // not even the file fits
    };
    for (const auto& test_case : cases) {
        DecodeLimits limits;
        limits.max_memory = test_case.max_memory;
        const platform::PictureResult whole = DecodeBmp(file, limits);
        const platform::PictureResult part = DecodeBmp(file, limits, &corner);
        EXPECT_EQ(whole.picture.has_value(), test_case.whole_loads) << test_case.max_memory << ": " << whole.error;
        EXPECT_EQ(part.picture.has_value(), test_case.region_loads) << test_case.max_memory << ": " << part.error;
        EXPECT_EQ(std::pair(whole.natural_width, part.natural_height), std::pair(1000, 1000)) << test_case.max_memory;
    }
}

}  // namespace
}  // namespace nuvra
