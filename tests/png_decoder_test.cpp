#include <png.h>

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstring>

#include "picture_test_helpers.h"

namespace nuvra {
namespace {

using pictures::DecodePng;
using pictures::DecodeLimits;
using test::TestImage;

// What a file holds: samples per pixel in the colour type's order, each of
// bit_depth bits, top row first.
struct PngFile {
    std::int32_t width = 0, height = 0;
    int colour_type = PNG_COLOR_TYPE_RGB;
    int bit_depth = 8;
    bool interlaced = false;
    std::vector<std::vector<std::uint16_t>> rows;
    std::vector<png_color> palette;
    std::vector<png_byte> palette_alpha;  // tRNS for a palette
    std::optional<png_color_16> transparent;  // tRNS for grey or RGB
};

void Append(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// Packs the samples at the file's depth and writes them through libpng.
std::vector<std::uint8_t> Write(const PngFile& file)
{
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<std::vector<png_byte>> packed;
    for (const auto& samples : file.rows) {
        std::vector<png_byte> row((samples.size() * static_cast<std::size_t>(file.bit_depth) + 7) / 8);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (file.bit_depth == 16) {
                row[2 * i] = static_cast<png_byte>(samples[i] >> 8);
                row[2 * i + 1] = static_cast<png_byte>(samples[i]);
            } else {
                const std::size_t bit = i * static_cast<std::size_t>(file.bit_depth);
                row[bit / 8] |= static_cast<png_byte>(samples[i] << (8 - file.bit_depth - bit % 8));
            }
        }
        packed.push_back(std::move(row));
    }
    std::vector<png_bytep> pointers;
    for (auto& row : packed)
        pointers.push_back(row.data());
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &out, Append, nullptr);
        png_set_IHDR(png, info, static_cast<png_uint_32>(file.width), static_cast<png_uint_32>(file.height),
                     file.bit_depth, file.colour_type, file.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (!file.palette.empty())
            png_set_PLTE(png, info, file.palette.data(), static_cast<int>(file.palette.size()));
        if (!file.palette_alpha.empty())
            png_set_tRNS(png, info, file.palette_alpha.data(), static_cast<int>(file.palette_alpha.size()), nullptr);
        if (file.transparent)
            png_set_tRNS(png, info, nullptr, 0, &*file.transparent);
        png_set_rows(png, info, pointers.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    } else {
        out.clear();
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

// A file of each kind, with the picture a reader must see in it (alpha
// composed over black).
struct Kind {
    const char* name;
    PngFile file;
    TestImage expected;
};

std::vector<Kind> Kinds(std::int32_t width, std::int32_t height)
{
    std::vector<Kind> kinds;
    auto add = [&](const char* name, int colour_type, int bit_depth, bool interlaced, auto sample_of) {
        Kind kind{name, {width, height, colour_type, bit_depth, interlaced, {}, {}, {}, {}}, {width, height, {}}};
        for (std::int32_t y = 0; y < height; ++y) {
            std::vector<std::uint16_t> row;
            for (std::int32_t x = 0; x < width; ++x) {
                const auto [samples, seen] = sample_of(x, y);
                row.insert(row.end(), samples.begin(), samples.end());
                kind.expected.rgb.push_back(seen);
            }
            kind.file.rows.push_back(std::move(row));
        }
        kinds.push_back(std::move(kind));
        return &kinds.back().file;
    };
    using Samples = std::vector<std::uint16_t>;
    const TestImage image = test::MakeTestImage(width, height);
    auto grey = [](std::uint32_t v) { return v << 16 | v << 8 | v; };
    auto over_black = [](std::uint32_t c, std::uint32_t a) { return (c * a + 127) / 255; };
    add("grey, 1 bit", PNG_COLOR_TYPE_GRAY, 1, false, [&](std::int32_t x, std::int32_t y) {
        const std::uint16_t v = static_cast<std::uint16_t>((x + y) % 2);
        return std::pair{Samples{v}, grey(v * 255u)};
    });
    add("grey, 4 bits, interlaced", PNG_COLOR_TYPE_GRAY, 4, true, [&](std::int32_t x, std::int32_t y) {
        const std::uint16_t v = static_cast<std::uint16_t>((x * 3 + y) % 16);
        return std::pair{Samples{v}, grey(v * 17u)};
    });
    add("grey, 16 bits, scaled with rounding", PNG_COLOR_TYPE_GRAY, 16, false, [&](std::int32_t x, std::int32_t y) {
        const std::uint16_t v = static_cast<std::uint16_t>(x * 1021 + y * 257 + 128);
        return std::pair{Samples{v}, grey((v * 255u + 32767u) / 65535u)};
    });
    add("RGB, 8 bits", PNG_COLOR_TYPE_RGB, 8, false, [&](std::int32_t x, std::int32_t y) {
        const std::uint32_t c = image.at(x, y);
        return std::pair{Samples{static_cast<std::uint16_t>(c >> 16), static_cast<std::uint16_t>(c >> 8 & 0xFF),
                                 static_cast<std::uint16_t>(c & 0xFF)},
                         c};
    });
    add("RGBA, 8 bits, interlaced", PNG_COLOR_TYPE_RGBA, 8, true, [&](std::int32_t x, std::int32_t y) {
        const std::uint32_t c = image.at(x, y), a = static_cast<std::uint32_t>((x * 37 + y * 11) % 256);
        return std::pair{Samples{static_cast<std::uint16_t>(c >> 16), static_cast<std::uint16_t>(c >> 8 & 0xFF),
                                 static_cast<std::uint16_t>(c & 0xFF), static_cast<std::uint16_t>(a)},
                         over_black(c >> 16, a) << 16 | over_black(c >> 8 & 0xFF, a) << 8 | over_black(c & 0xFF, a)};
    });
    add("grey and alpha, 8 bits", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, [&](std::int32_t x, std::int32_t y) {
        const std::uint32_t v = static_cast<std::uint32_t>(x * 9 % 256), a = static_cast<std::uint32_t>(y * 23 % 256);
        return std::pair{Samples{static_cast<std::uint16_t>(v), static_cast<std::uint16_t>(a)}, grey(over_black(v, a))};
    });
    PngFile* palette = add("palette, 2 bits, with alpha", PNG_COLOR_TYPE_PALETTE, 2, false,
                           [&](std::int32_t x, std::int32_t y) {
                               const std::uint16_t i = static_cast<std::uint16_t>((x + 2 * y) % 4);
                               const std::uint32_t seen[4] = {0x000000, 0x808000, 0x14283C, 0x40FF80};
                               return std::pair{Samples{i}, seen[i]};
                           });
    palette->palette = {{255, 0, 0}, {255, 255, 0}, {20, 40, 60}, {64, 255, 128}};
    palette->palette_alpha = {0, 128};  // entries past the table are opaque
    PngFile* keyed = add("RGB with a transparent colour", PNG_COLOR_TYPE_RGB, 8, false,
                         [&](std::int32_t x, std::int32_t y) {
                             const bool key = (x + y) % 3 == 0;
                             const std::uint16_t r = key ? 10 : 200;
                             return std::pair{Samples{r, 20, 30}, key ? 0u : 0xC8141Eu};
                         });
    keyed->transparent = png_color_16{0, 10, 20, 30, 0};
    return kinds;
}

TEST(PngDecoder, EveryKindDecodesToItsPixelsWithAlphaOverBlack)
{
    for (const Kind& kind : Kinds(19, 13)) {
        SCOPED_TRACE(kind.name);
        const std::vector<std::uint8_t> bytes = Write(kind.file);
        ASSERT_FALSE(bytes.empty());
        const platform::PictureResult result = DecodePng(bytes, DecodeLimits{});
        ASSERT_TRUE(result.picture) << result.error;
        EXPECT_EQ(result.picture->bits_per_pixel, 24);
        EXPECT_EQ(test::CompareToImage(*result.picture, kind.expected), "");
        EXPECT_EQ(result.natural_width, 19);
    }
}

TEST(PngDecoder, ARegionIsTheWholeDecodesCropAndReadsNoFurtherThanItsLastRow)
{
    const platform::RegionChooser middle = [](std::int32_t, std::int32_t) { return platform::Rect{5, 3, 14, 7}; };
    for (const Kind& kind : Kinds(19, 13)) {
        SCOPED_TRACE(kind.name);
        const std::vector<std::uint8_t> bytes = Write(kind.file);
        const platform::PictureResult whole = DecodePng(bytes, DecodeLimits{});
        const platform::PictureResult part = DecodePng(bytes, DecodeLimits{}, &middle);
        ASSERT_TRUE(whole.picture && part.picture) << part.error;
        EXPECT_EQ(part.natural_height, 13);
        EXPECT_EQ(test::CompareToImage(*part.picture, test::ToImage(pictures::CropPicture(*whole.picture, {5, 3, 14, 7}))),
                  "");
    }
    // A file cut off below the region still gives the region when it is
    // not interlaced: nothing past the region's rows is read. (Noise, so
    // that the data spans many chunks.)
    PngFile noise{256, 256, PNG_COLOR_TYPE_RGB, 8, false, {}, {}, {}, {}};
    std::uint32_t state = 12345;
    for (std::int32_t y = 0; y < noise.height; ++y) {
        std::vector<std::uint16_t> row;
        for (std::int32_t i = 0; i < 3 * noise.width; ++i, state = state * 1103515245u + 12345u)
            row.push_back(static_cast<std::uint16_t>(state >> 24));
        noise.rows.push_back(std::move(row));
    }
    std::vector<std::uint8_t> bytes = Write(noise);
    bytes.resize(bytes.size() / 2);
    const platform::RegionChooser top = [](std::int32_t, std::int32_t) { return platform::Rect{0, 0, 256, 20}; };
    EXPECT_TRUE(DecodePng(bytes, DecodeLimits{}, &top).picture);
    EXPECT_FALSE(DecodePng(bytes, DecodeLimits{}).picture);
}

TEST(PngDecoder, DamagedOrOversizedFilesAreRefusedWithAReason)
{
    const std::vector<std::uint8_t> good = Write(Kinds(19, 13)[3].file);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        DecodeLimits limits;
        const char* reason;
    };
    std::vector<std::uint8_t> truncated(good.begin(), good.begin() + 40);
    std::vector<std::uint8_t> bad_crc = good;
    bad_crc[60] ^= 0xFF;  // inside the image data: its checksum fails
    DecodeLimits small_side;
    small_side.max_side = 18;
    DecodeLimits small_memory;
    small_memory.max_memory = 500;
    const std::vector<Case> cases = {
        {"signature only", std::vector<std::uint8_t>(good.begin(), good.begin() + 8), {}, "PNG: "},
        {"cut off in the data", truncated, {}, "PNG: "},
        {"data checksum wrong", bad_crc, {}, "PNG: "},
        {"wider than allowed", good, small_side, "too large (19 x 13)"},
        {"more memory than allowed", good, small_memory, "MB of memory"},
        {"not a PNG", std::vector<std::uint8_t>(good.begin() + 1, good.end()), {}, "not a PNG file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const platform::PictureResult result = DecodePng(c.bytes, c.limits);
        EXPECT_FALSE(result.picture);
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
    }
    EXPECT_EQ(pictures::SniffPictureFormat(good), pictures::PictureFormat::Png);
    EXPECT_TRUE(pictures::DecodePicture(good, DecodeLimits{}, nullptr).picture);
}

}  // namespace
}  // namespace nuvra
