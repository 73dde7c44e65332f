// Photos turned upright by their EXIF orientation. The files are made here:
// ImageMagick codes one stored picture as JPEG, PNG and lossless WebP, and
// the test puts an EXIF block into each container by hand, so every value
// and every damaged block can be tried in each.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "picture_test_helpers.h"
#include "pictures/exif_orientation.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

using pictures::DecodeLimits;
using pictures::Orientation;
using pictures::PictureFormat;
using Bytes = std::vector<std::uint8_t>;

void PutU16(Bytes& out, std::uint32_t value, bool big_endian)
{
    const std::uint8_t high = static_cast<std::uint8_t>(value >> 8), low = static_cast<std::uint8_t>(value);
    out.insert(out.end(), {big_endian ? high : low, big_endian ? low : high});
}

void PutU32(Bytes& out, std::uint32_t value, bool big_endian)
{
    PutU16(out, big_endian ? value >> 16 : value & 0xFFFF, big_endian);
    PutU16(out, big_endian ? value & 0xFFFF : value >> 16, big_endian);
}

// An EXIF block: the TIFF header and a first directory with the camera's
// make and then the orientation, each field as given.
struct Tag {
    std::uint32_t value = 1;
    bool big_endian = false;
    std::uint16_t type = 3;  // SHORT
    std::uint32_t count = 1;
    std::uint32_t directory = 8;
    std::uint16_t entries = 2;
    std::size_t keep = 0;  // bytes kept; 0 keeps all
};

Bytes TiffBlock(const Tag& tag)
{
    const bool be = tag.big_endian;
    Bytes out = {static_cast<std::uint8_t>(be ? 'M' : 'I'), static_cast<std::uint8_t>(be ? 'M' : 'I')};
    PutU16(out, 42, be);
    PutU32(out, tag.directory, be);
    PutU16(out, tag.entries, be);
    PutU16(out, 0x010F, be);  // Make, "Cam" in the entry itself
    PutU16(out, 2, be);
    PutU32(out, 4, be);
    out.insert(out.end(), {'C', 'a', 'm', 0});
    PutU16(out, 0x0112, be);
    PutU16(out, tag.type, be);
    PutU32(out, tag.count, be);
    if (tag.type == 3) {
        PutU16(out, tag.value, be);
        PutU16(out, 0, be);
    } else {
        PutU32(out, tag.value, be);
    }
    PutU32(out, 0, be);
    if (tag.keep != 0)
        out.resize(tag.keep);
    return out;
}

void PutU32BigEndian(Bytes& out, std::uint32_t value)
{
    PutU32(out, value, true);
}

std::uint32_t Crc32(const Bytes& bytes)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// The block as an APP1 segment right after the start of the picture.
Bytes WithJpegBlock(const Bytes& jpeg, const Bytes& payload, std::uint8_t marker = 0xE1)
{
    Bytes segment = {0xFF, marker};
    PutU16(segment, static_cast<std::uint32_t>(payload.size() + 2), true);
    segment.insert(segment.end(), payload.begin(), payload.end());
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

Bytes ExifSegment(const Bytes& tiff)
{
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return payload;
}

// An eXIf chunk, right after the header chunk or just before the end.
Bytes WithPngChunk(const Bytes& png, const Bytes& tiff, bool at_the_end = false)
{
    Bytes typed = {'e', 'X', 'I', 'f'};
    typed.insert(typed.end(), tiff.begin(), tiff.end());
    Bytes chunk;
    PutU32BigEndian(chunk, static_cast<std::uint32_t>(tiff.size()));
    chunk.insert(chunk.end(), typed.begin(), typed.end());
    PutU32BigEndian(chunk, Crc32(typed));
    const std::size_t at = at_the_end ? png.size() - 12 : 33;  // before IEND, or after IHDR
    Bytes out(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(at));
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), png.begin() + static_cast<std::ptrdiff_t>(at), png.end());
    return out;
}

// The simple file's picture chunk in an extended file that says it has
// EXIF, with an odd-sized chunk of our own before the EXIF chunk.
Bytes WithWebpChunk(const Bytes& webp, std::int32_t width, std::int32_t height, const Bytes& payload)
{
    auto chunk = [](const char* fourcc, const Bytes& data) {
        Bytes out(fourcc, fourcc + 4);
        PutU32(out, static_cast<std::uint32_t>(data.size()), false);
        out.insert(out.end(), data.begin(), data.end());
        if (data.size() % 2 != 0)
            out.push_back(0);
        return out;
    };
    Bytes header = {0x08, 0, 0, 0};
    for (std::int32_t side : {width - 1, height - 1})
        header.insert(header.end(), {static_cast<std::uint8_t>(side), static_cast<std::uint8_t>(side >> 8),
                                     static_cast<std::uint8_t>(side >> 16)});
    Bytes body = {'W', 'E', 'B', 'P'};
    for (const Bytes& part : {chunk("VP8X", header), Bytes(webp.begin() + 12, webp.end()),
                              chunk("ABCD", Bytes{1, 2, 3}), chunk("EXIF", payload)})
        body.insert(body.end(), part.begin(), part.end());
    Bytes out = {'R', 'I', 'F', 'F'};
    PutU32(out, static_cast<std::uint32_t>(body.size()), false);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// The upright picture as the tag's values say it: where the stored first
// row and first column are shown (Top, Bottom, Left or Right).
test::TestImage ExpectedUpright(const test::TestImage& stored, int value)
{
    static constexpr std::array<const char*, 9> kPlacement = {"", "TL", "TR", "BR", "BL", "LT", "RT", "RB", "LB"};
    const char row = kPlacement[static_cast<std::size_t>(value)][0];
    const char column = kPlacement[static_cast<std::size_t>(value)][1];
    const bool sideways = row == 'L' || row == 'R';
    test::TestImage upright{sideways ? stored.height : stored.width, sideways ? stored.width : stored.height, {}};
    upright.rgb.resize(stored.rgb.size());
    for (std::int32_t y = 0; y < stored.height; ++y) {
        for (std::int32_t x = 0; x < stored.width; ++x) {
            std::int32_t ux = 0, uy = 0;
            if (sideways) {
                ux = row == 'L' ? y : upright.width - 1 - y;
                uy = column == 'T' ? x : upright.height - 1 - x;
            } else {
                ux = column == 'L' ? x : upright.width - 1 - x;
                uy = row == 'T' ? y : upright.height - 1 - y;
            }
            upright.rgb[static_cast<std::size_t>(uy * upright.width + ux)] = stored.at(x, y);
        }
    }
    return upright;
}

test::TestImage Cut(const test::TestImage& image, const platform::Rect& region)
{
    test::TestImage cut{region.right - region.left, region.bottom - region.top, {}};
    for (std::int32_t y = region.top; y < region.bottom; ++y)
        for (std::int32_t x = region.left; x < region.right; ++x)
            cut.rgb.push_back(image.at(x, y));
    return cut;
}

struct Container {
    const char* name;
    PictureFormat format;
    pictures::RegionDecoder decode_as_stored;
    Bytes file;
};

class ExifFiles : public ::testing::Test {
protected:
    static constexpr std::int32_t kWidth = 40, kHeight = 24;

    void SetUp() override
    {
        const std::string ppm = (m_dir.path() / "stored.ppm").string();
        test::WritePpm(ppm, test::MakeTestImage(kWidth, kHeight));
        m_jpeg = test::Convert(ppm, "-strip -quality 90", (m_dir.path() / "stored.jpg").string());
        m_png = test::Convert(ppm, "-strip", (m_dir.path() / "stored.png").string());
        m_webp = test::Convert(ppm, "-strip -define webp:lossless=true", (m_dir.path() / "stored.webp").string());
    }

    // The stored file with the block in it, in each container.
    std::vector<Container> Files(const Bytes& tiff) const
    {
        return {{"JPEG", PictureFormat::Jpeg, pictures::DecodeJpeg, WithJpegBlock(m_jpeg, ExifSegment(tiff))},
                {"PNG", PictureFormat::Png, pictures::DecodePng, WithPngChunk(m_png, tiff)},
                {"WebP", PictureFormat::Webp, pictures::DecodeWebp, WithWebpChunk(m_webp, kWidth, kHeight, tiff)}};
    }

    test::TempDir m_dir;
    Bytes m_jpeg, m_png, m_webp;
};

TEST_F(ExifFiles, EveryOrientationInEveryContainerIsTurnedUprightBeforeItsRegionIsPicked)
{
    for (int value = 1; value <= 8; ++value) {
        for (const Container& container : Files(TiffBlock({.value = static_cast<std::uint32_t>(value),
                                                           .big_endian = value % 2 == 0}))) {
            SCOPED_TRACE(std::string(container.name) + ", orientation " + std::to_string(value));
            const platform::PictureResult stored = container.decode_as_stored(container.file, DecodeLimits{}, nullptr);
            ASSERT_TRUE(stored.picture) << stored.error;
            const test::TestImage upright = ExpectedUpright(test::ToImage(*stored.picture), value);

            const platform::PictureResult whole = pictures::DecodePicture(container.file, DecodeLimits{}, nullptr);
            ASSERT_TRUE(whole.picture) << whole.error;
            EXPECT_EQ(test::CompareToImage(*whole.picture, upright), "");
            EXPECT_EQ(whole.natural_width, upright.width);
            EXPECT_EQ(whole.natural_height, upright.height);

            // The show's pick: the centre square of the upright picture.
            std::int32_t seen_width = 0, seen_height = 0;
            const platform::RegionChooser chooser = [&](std::int32_t width, std::int32_t height) {
                seen_width = width;
                seen_height = height;
                return platform::Rect{width / 2 - 7, height / 2 - 9, width / 2 + 6, height / 2 + 3};
            };
            const platform::PictureResult part = pictures::DecodePicture(container.file, DecodeLimits{}, nullptr, &chooser);
            ASSERT_TRUE(part.picture) << part.error;
            EXPECT_EQ(seen_width, upright.width);
            EXPECT_EQ(seen_height, upright.height);
            const platform::Rect region = chooser(upright.width, upright.height);
            EXPECT_EQ(test::CompareToImage(*part.picture, Cut(upright, region)), "");
            EXPECT_EQ(part.natural_width, upright.width);
        }
    }
}

// Whatever the block says that cannot be trusted, the photo is shown as it
// is stored; a block the reader can read is honoured wherever it stands.
TEST_F(ExifFiles, ABlockIsReadOnlyWhereItCanBeTrusted)
{
    struct Case {
        const char* what;
        Bytes jpeg_payload;  // an APP1 segment's payload
        Orientation expected;
    };
    const Bytes right_top = TiffBlock({.value = 6});
    Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/'};
    xmp.insert(xmp.end(), right_top.begin(), right_top.end());
    const std::vector<Case> cases = {
        {"big-endian", ExifSegment(TiffBlock({.value = 6, .big_endian = true})), Orientation::RightTop},
        {"a count of entries past the block's end", ExifSegment(TiffBlock({.value = 6, .entries = 0xFFFF})),
         Orientation::RightTop},
        {"value 0", ExifSegment(TiffBlock({.value = 0})), Orientation::TopLeft},
        {"value 9", ExifSegment(TiffBlock({.value = 9})), Orientation::TopLeft},
        {"a LONG", ExifSegment(TiffBlock({.value = 6, .type = 4})), Orientation::TopLeft},
        {"two values", ExifSegment(TiffBlock({.value = 6, .count = 2})), Orientation::TopLeft},
        {"a directory past the end", ExifSegment(TiffBlock({.value = 6, .directory = 0xFFFFFFF0})),
         Orientation::TopLeft},
        {"cut inside the entry", ExifSegment(TiffBlock({.value = 6, .keep = 30})), Orientation::TopLeft},
        {"no byte order", ExifSegment(Bytes(right_top.begin() + 2, right_top.end())), Orientation::TopLeft},
        {"an APP1 of another kind", xmp, Orientation::TopLeft},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(pictures::ReadOrientation(WithJpegBlock(m_jpeg, c.jpeg_payload), PictureFormat::Jpeg), c.expected);
    }

    // Segments the walk must not believe or must not reach.
    Bytes lying = WithJpegBlock(m_jpeg, ExifSegment(right_top));
    lying[4] = 0xFF;  // the segment's length runs past the file
    EXPECT_EQ(pictures::ReadOrientation(lying, PictureFormat::Jpeg), Orientation::TopLeft);
    Bytes after_the_scan = m_jpeg;
    const Bytes late = WithJpegBlock(Bytes{0xFF, 0xD8}, ExifSegment(right_top));
    after_the_scan.insert(after_the_scan.end() - 2, late.begin() + 2, late.end());  // before the end marker
    EXPECT_EQ(pictures::ReadOrientation(after_the_scan, PictureFormat::Jpeg), Orientation::TopLeft);

    // A PNG block after the picture's data, and PNG and WebP blocks that
    // start as a JPEG segment does, count.
    EXPECT_EQ(pictures::ReadOrientation(WithPngChunk(m_png, right_top, true), PictureFormat::Png),
              Orientation::RightTop);
    EXPECT_EQ(pictures::ReadOrientation(WithPngChunk(m_png, ExifSegment(right_top)), PictureFormat::Png),
              Orientation::RightTop);
    EXPECT_EQ(pictures::ReadOrientation(WithWebpChunk(m_webp, kWidth, kHeight, ExifSegment(right_top)),
                                        PictureFormat::Webp),
              Orientation::RightTop);
    // Other formats carry no orientation.
    EXPECT_EQ(pictures::ReadOrientation(WithPngChunk(m_png, right_top), PictureFormat::Bmp), Orientation::TopLeft);
}

TEST_F(ExifFiles, TurningCountsItsSecondPictureAgainstTheMemoryAllowed)
{
    const Bytes file = WithPngChunk(m_png, TiffBlock({.value = 6}));
    const std::uint64_t needed = file.size() + 2 * pictures::PictureBytes(kHeight, kWidth, 24);
    DecodeLimits limits;
    limits.max_memory = needed;
    EXPECT_TRUE(pictures::DecodePicture(file, limits, nullptr).picture);
    limits.max_memory = needed - 1;
    const platform::PictureResult refused = pictures::DecodePicture(file, limits, nullptr);
    EXPECT_FALSE(refused.picture);
    EXPECT_NE(refused.error.find("memory"), std::string::npos) << refused.error;
    EXPECT_EQ(refused.natural_width, kHeight);
    EXPECT_EQ(refused.natural_height, kWidth);
}

}  // namespace
}  // namespace nuvra
