#include "platform/linux/picture/picture_codec.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "picture_test_helpers.h"
#include "platform/linux/backend.h"
#include "platform/linux/picture/picture_file.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

namespace fs = std::filesystem;
using linux_platform::LinuxPictureCodec;
using test::TestImage;

platform::Picture PictureOf(const TestImage& image, std::uint16_t bits, std::int32_t extra_stride = 0)
{
    platform::Picture picture = pictures::MakePicture(image.width, image.height, bits);
    picture.stride += extra_stride;
    picture.pixels.assign(static_cast<std::size_t>(picture.stride * picture.height), 0xEE);
    for (std::int32_t y = 0; y < image.height; ++y) {
        std::uint8_t* row = pictures::RowFromTop(picture, y);
        for (std::int32_t x = 0; x < image.width; ++x) {
            const std::uint32_t colour = image.at(x, y);
            if (bits == 8) {
                const auto found = std::find(picture.palette.begin(), picture.palette.end(), colour);
                row[x] = static_cast<std::uint8_t>(found - picture.palette.begin());
                if (found == picture.palette.end())
                    picture.palette.push_back(colour);
                continue;
            }
            std::uint8_t* pixel = row + x * (bits / 8);
            pixel[0] = static_cast<std::uint8_t>(colour);
            pixel[1] = static_cast<std::uint8_t>(colour >> 8);
            pixel[2] = static_cast<std::uint8_t>(colour >> 16);
        }
    }
    return picture;
}

class PictureCodec : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return (m_dir.path() / name).string(); }

    test::TempDir m_dir;
    LinuxPictureCodec m_codec;
};

TEST_F(PictureCodec, SavedBitmapsLoadBackUnchanged)
{
    const struct {
        const char* name;
        TestImage image;
        std::uint16_t bits;
        std::int32_t extra_stride;
    } cases[] = {
        {"8-bit with a table", test::MakeTestImage(13, 7, 100), 8, 0},
        {"24-bit, odd width", test::MakeTestImage(13, 7), 24, 0},
        {"24-bit, wider rows than needed", test::MakeTestImage(5, 4), 24, 8},
        {"32-bit", test::MakeTestImage(9, 3), 32, 0},
        {"1 pixel", test::MakeTestImage(1, 1), 24, 0},
    };
    for (const auto& test_case : cases) {
        const std::string path = Path("saved.bmp");
        ASSERT_TRUE(m_codec.SavePicture(PictureOf(test_case.image, test_case.bits, test_case.extra_stride), path))
            << test_case.name;
        const platform::PictureResult loaded = m_codec.LoadPicture(path);
        ASSERT_TRUE(loaded.picture) << test_case.name << ": " << loaded.error;
        EXPECT_EQ(test::CompareToImage(*loaded.picture, test_case.image), "") << test_case.name;
        const std::vector<std::uint8_t> file = test::ReadBytes(path);
        EXPECT_EQ(file[14], 40) << test_case.name << ": the plain info header";
        EXPECT_EQ(file[28], test_case.bits) << test_case.name;
    }
}

TEST_F(PictureCodec, ATwentyFourBitBitmapHasTheExpectedLayout)
{
    const std::string path = Path("work1.bmp");
    ASSERT_TRUE(m_codec.SavePicture(PictureOf(test::MakeTestImage(601, 601), 24), path));
    EXPECT_EQ(fs::file_size(path), 54u + 1804u * 601u);
}

TEST_F(PictureCodec, AFailedSaveLeavesTheOldFile)
{
    const std::string path = m_dir.WriteFile("old.bmp", "old contents");
    platform::Picture sixteen_bits = PictureOf(test::MakeTestImage(4, 4), 24);
    sixteen_bits.bits_per_pixel = 16;
    platform::Picture short_pixels = PictureOf(test::MakeTestImage(4, 4), 24);
    short_pixels.pixels.resize(10);
    platform::Picture no_table = PictureOf(test::MakeTestImage(4, 4, 3), 8);
    no_table.palette.clear();
    for (const platform::Picture& picture : {sixteen_bits, short_pixels, no_table, platform::Picture{}})
        EXPECT_FALSE(m_codec.SavePicture(picture, path));
    EXPECT_FALSE(m_codec.SavePicture(PictureOf(test::MakeTestImage(4, 4), 24), Path("missing/folder/x.bmp")));
    if (::geteuid() != 0) {
        fs::permissions(m_dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(m_codec.SavePicture(PictureOf(test::MakeTestImage(4, 4), 24), path)) << "read-only folder";
        fs::permissions(m_dir.path(), fs::perms::owner_all);
    }
    EXPECT_EQ(m_dir.ReadFile("old.bmp"), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()), 1)
        << "no temporary file left behind";
}

TEST_F(PictureCodec, FilesThatAreNoPicturesFailCleanly)
{
    ASSERT_EQ(::mkfifo(Path("fifo.bmp").c_str(), 0644), 0);
    fs::create_directory(Path("folder.bmp"));
    m_dir.WriteFile("empty.bmp", "");
    m_dir.WriteFile("text.jpg", "just some text, not a picture");
    const std::string locked = m_dir.WriteFile("locked.bmp", "BM");
    fs::permissions(locked, fs::perms::none);
    for (const std::string& path : {Path("missing.bmp"), Path("fifo.bmp"), Path("folder.bmp"), Path("empty.bmp"),
                                    Path("text.jpg"), locked, std::string("a\0b", 3), std::string()}) {
        const platform::PictureResult result = m_codec.LoadPicture(path);
        EXPECT_FALSE(result.picture) << path;
        EXPECT_FALSE(result.error.empty()) << path;
    }
    const std::string big = m_dir.WriteFile("big.bmp", std::string(1000, 'x'));
    EXPECT_TRUE(linux_platform::ReadPictureFile(big, 1000).bytes);
    EXPECT_FALSE(linux_platform::ReadPictureFile(big, 999).bytes) << "one byte over the cap";
}

// A placeable metafile, 1 x 1 inch at 96 units per inch, with a red square
// from (20, 30) to (70, 90).
std::vector<std::uint8_t> SmallMetafile()
{
    test::Bytes file;
    file.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(96).u16(96).u16(96).u32(0).u16(0);
    file.u16(1).u16(9).u16(0x300).u32(9 + 7 + 4 + 7 + 3).u16(1).u32(7).u16(0);
    file.u32(7).u16(0x02FC).u16(0).u16(0x00FF).u16(0).u16(0);  // red brush
    file.u32(4).u16(0x012D).u16(0);
    file.u32(7).u16(0x041B).u16(90).u16(70).u16(30).u16(20);
    file.u32(3).u16(0);
    return file.data;
}

// What the show does: every format cut to a region equals the whole
// picture cut afterwards, whatever the decoder skipped.
TEST_F(PictureCodec, RegionLoadsEqualTheWholePictureCut)
{
    const TestImage image = test::MakeTestImage(45, 31, 180);
    ASSERT_TRUE(m_codec.SavePicture(PictureOf(image, 24), Path("p24.bmp")));
    ASSERT_TRUE(m_codec.SavePicture(PictureOf(image, 8), Path("p8.bmp")));
    test::Convert(Path("p24.bmp"), "+dither", Path("p.gif"));
    test::Convert(Path("p24.bmp"), "-quality 80 -sampling-factor 2x2", Path("p.jpg"));
    const std::vector<std::uint8_t> metafile = SmallMetafile();
    m_dir.WriteFile("p.wmf", std::string(metafile.begin(), metafile.end()));
    // A BMP named like a JPEG is still a BMP.
    fs::copy_file(Path("p24.bmp"), Path("really_a_bmp.jpg"));

    const platform::Rect regions[] = {{7, 0, 38, 31}, {0, 0, 1, 1}, {44, 30, 45, 31}, {-5, 10, 500, 11}};
    for (const char* name : {"p24.bmp", "p8.bmp", "p.gif", "p.jpg", "p.wmf", "really_a_bmp.jpg"}) {
        const platform::PictureResult whole = m_codec.LoadPicture(Path(name));
        ASSERT_TRUE(whole.picture) << name << ": " << whole.error;
        const std::vector<std::uint8_t> bytes = test::ReadBytes(Path(name));
        const platform::PictureResult from_memory = m_codec.LoadPictureFromMemory(bytes);
        ASSERT_TRUE(from_memory.picture) << name;
        EXPECT_EQ(from_memory.picture->pixels, whole.picture->pixels) << name;

        for (const platform::Rect& region : regions) {
            const platform::PictureResult part =
                m_codec.LoadPictureRegion(Path(name), [&](std::int32_t, std::int32_t) { return region; });
            ASSERT_TRUE(part.picture) << name << ": " << part.error;
            EXPECT_EQ(std::pair(part.natural_width, part.natural_height),
                      std::pair(whole.picture->width, whole.picture->height));
            const auto clamped = pictures::ClampRegion(region, whole.picture->width, whole.picture->height);
            EXPECT_EQ(test::CompareToImage(*part.picture,
                                           test::ToImage(pictures::CropPicture(*whole.picture, *clamped))),
                      "")
                << name << " region " << region.left << "," << region.top;
        }
        const platform::PictureResult empty =
            m_codec.LoadPictureRegion(Path(name), [](std::int32_t width, std::int32_t) {
                return platform::Rect{width, 0, width + 5, 5};
            });
        EXPECT_FALSE(empty.picture) << name << ": an empty region fails";
    }
    const platform::PictureResult square = m_codec.LoadPicture(Path("p.wmf"));
    EXPECT_EQ(test::Hex(test::PixelAt(*square.picture, 45, 60)), "#FF0000");
    EXPECT_EQ(test::Hex(test::PixelAt(*square.picture, 10, 10)), "#FFFFFF");
}

// Files of a few hundred bytes claiming 16384 x 16384: what the show asks
// for (the centre square) loads within the memory bound, the whole picture
// is refused with a reason, and neither allocates the 768 MB canvas.
TEST_F(PictureCodec, HugePicturesLoadTheirRegionAndRefuseTheWhole)
{
    constexpr std::int32_t kSide = 16384;
    // A 16384 x 16384 screen on black (a table of black and red) with a red
    // 4 x 4 frame at (8000, 8000).
    const std::vector<std::uint8_t> gif = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x00, 0x40, 0x00, 0x40, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00,
        0xFF, 0x00, 0x00, 0x2C, 0x40, 0x1F, 0x40, 0x1F, 0x04, 0x00, 0x04, 0x00, 0x00, 0x02, 0x0D, 0x0C,
        0xC3, 0x30, 0x0C, 0xC3, 0x30, 0x0C, 0xC3, 0x30, 0x0C, 0xC3, 0x30, 0x2C, 0x00, 0x3B};
    m_dir.WriteFile("huge.gif", std::string(gif.begin(), gif.end()));
    test::Bytes bmp;
    bmp.u8('B').u8('M').u32(310).u32(0).u32(54).u32(40).u32(kSide).u32(kSide).u16(1).u16(24);
    bmp.u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).append(std::vector<std::uint8_t>(256, 0x7F));
    m_dir.WriteFile("huge.bmp", std::string(bmp.data.begin(), bmp.data.end()));
    test::WritePpm(Path("small.ppm"), test::MakeTestImage(32, 32));
    std::vector<std::uint8_t> jpeg = test::Convert(Path("small.ppm"), "-quality 90", Path("small.jpg"));
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = kSide >> 8;
            jpeg[i + 6] = jpeg[i + 8] = kSide & 255;
            break;
        }
    }
    m_dir.WriteFile("huge.jpg", std::string(jpeg.begin(), jpeg.end()));

    const platform::Rect region = test::ShowRegion(kSide, kSide);
    const struct {
        const char* name;
        std::uint32_t centre;  // at (8000, 8000)
        std::uint32_t corner;  // at the region's top left
    } cases[] = {
        {"huge.gif", 0xFF0000, 0x000000},
        {"huge.bmp", 0x000000, 0x000000},  // the rows it holds are the bottom ones
        {"huge.jpg", 0x808080, 0x808080},  // past its data: mid-grey
    };
    for (const auto& test_case : cases) {
        const std::string outcome = test::RunWithMemoryLimit(test::kLoadMemoryBound, [&]() -> std::string {
            const platform::PictureResult part = m_codec.LoadPictureRegion(Path(test_case.name), test::ShowRegion);
            if (!part.picture)
                return "the region failed: " + part.error;
            if (part.picture->width != region.right - region.left || part.natural_width != kSide)
                return "the region has the wrong size";
            const std::uint32_t centre = test::PixelAt(*part.picture, 8000 - region.left, 8000 - region.top);
            const std::uint32_t corner = test::PixelAt(*part.picture, 0, 0);
            if (centre != test_case.centre || corner != test_case.corner)
                return "centre " + test::Hex(centre) + ", corner " + test::Hex(corner);
            const platform::PictureResult whole = m_codec.LoadPicture(Path(test_case.name));
            if (whole.picture || whole.error.find("memory") == std::string::npos)
                return "the whole picture was not refused for memory: " + whole.error;
            return "";
        });
        EXPECT_EQ(outcome, "") << test_case.name;
    }
}

// The file's bytes count against the memory a load may hold: a file larger
// than that is not even read.
TEST_F(PictureCodec, AFileLargerThanTheMemoryAllowedIsNotRead)
{
    ASSERT_TRUE(m_codec.SavePicture(PictureOf(test::MakeTestImage(40, 40), 24), Path("p.bmp")));  // 4854 bytes
    pictures::DecodeLimits limits;
    for (const auto& [max_memory, loads] : {std::pair{4096u, false}, std::pair{16384u, true}}) {
        limits.max_memory = max_memory;
        const platform::PictureResult result = LinuxPictureCodec(limits).LoadPicture(Path("p.bmp"));
        EXPECT_EQ(result.picture.has_value(), loads) << max_memory << ": " << result.error;
        if (!loads) {
            EXPECT_EQ(result.error, "the file is too large for a picture");
        }
    }
}

TEST(LinuxBackend, OffersEveryRequiredServiceAndThePictureCodec)
{
    linux_platform::LinuxBackend backend;
    EXPECT_EQ(platform::MissingServices(backend.services()), std::vector<std::string>{});
    const platform::PictureResult result = backend.services().pictures->LoadPicture("/nonexistent/picture.bmp");
    EXPECT_FALSE(result.picture);
    EXPECT_NE(result.error, platform::kNoPictureDecoder) << "the stand-in, not the codec";
}

}  // namespace
}  // namespace nuvra
