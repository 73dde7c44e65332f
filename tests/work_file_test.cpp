#include "images/work_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "images/pixel_array.h"
#include "support/fake_pictures.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

using platform::Picture;

std::uint32_t Read32(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
}

std::uint32_t Read16(const std::string& bytes, std::size_t at)
{
    return Read32(bytes + std::string(2, '\0'), at) & 0xFFFF;
}

Picture Stripes(std::int32_t width, std::int32_t height, std::uint16_t bits)
{
    return test::MakePicture(width, height, bits, [](std::int32_t x, std::int32_t y) {
        return static_cast<std::uint32_t>((x * 40) % 256) << 16 | static_cast<std::uint32_t>((y * 25) % 256) << 8 | 0x60;
    });
}

class WorkFileTest : public ::testing::Test {
protected:
    WorkFileTest() { fake.files.work_folder = folder.str(); }
    std::string Path() const { return (folder.path() / "Tmp_nuvra02.bmp").string(); }
    std::string Contents() const { return folder.ReadFile("Tmp_nuvra02.bmp"); }
    bool Exists() const { return std::filesystem::exists(Path()); }

    test::TempDir folder;
    test::FakePicturePlatform fake;
};

TEST_F(WorkFileTest, LayoutForSquaresOfEvenAndOddSides)
{
    const struct {
        std::int32_t side;
        std::int64_t buffer, file, row;
    } cases[] = {
        {600, 360000, 361078, 600},
        {601, 365408, 366486, 604},  // 608 x 601 buffer, rows of 604 filled
        {1, 8, 1086, 4},
        {8, 64, 1142, 8},
        {9, 144, 1222, 12},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WorkFilePixelBufferSize(c.side, c.side), c.buffer) << "side " << c.side;
        ASSERT_EQ(SaveAs8BitBitmap(Stripes(c.side, c.side, 24), fake.files), WorkFileResult::Written);
        const std::string bytes = Contents();
        ASSERT_EQ(static_cast<std::int64_t>(bytes.size()), c.file) << "side " << c.side;
        EXPECT_EQ(bytes.substr(0, 2), "BM");
        EXPECT_EQ(Read32(bytes, 2), c.file) << "file size field, side " << c.side;
        EXPECT_EQ(Read32(bytes, 6), 0u) << "reserved";
        EXPECT_EQ(Read32(bytes, 10), 1078u) << "pixel offset";
        EXPECT_EQ(Read32(bytes, 14), 40u) << "header size";
        EXPECT_EQ(Read32(bytes, 18), static_cast<std::uint32_t>(c.side)) << "width";
        EXPECT_EQ(Read32(bytes, 22), static_cast<std::uint32_t>(c.side)) << "height (positive: bottom up)";
        EXPECT_EQ(Read16(bytes, 26), 1u) << "planes";
        EXPECT_EQ(Read16(bytes, 28), 8u) << "bits per pixel";
        for (std::size_t field = 30; field < 54; field += 4)
            EXPECT_EQ(Read32(bytes, field), 0u) << "header field at " << field << ", side " << c.side;
        // Row padding and everything past the filled rows stay zero.
        const std::int64_t filled = c.row * c.side;
        for (std::int64_t i = filled; i < c.buffer; ++i)
            ASSERT_EQ(bytes[static_cast<std::size_t>(1078 + i)], 0) << "side " << c.side << ", buffer byte " << i;
        for (std::int64_t y = 0; y < c.side; ++y)
            for (std::int64_t x = c.side; x < c.row; ++x)
                ASSERT_EQ(bytes[static_cast<std::size_t>(1078 + y * c.row + x)], 0) << "row " << y << " byte " << x;
    }
}

TEST_F(WorkFileTest, The601SquareLeavesItsLast2404BytesZero)
{
    ASSERT_EQ(SaveAs8BitBitmap(test::MakePicture(601, 601, 24, [](std::int32_t, std::int32_t) { return 0xFFFFFFu; }),
                               fake.files),
              WorkFileResult::Written);
    const std::string bytes = Contents();
    ASSERT_EQ(bytes.size(), 366486u);
    // A white picture: every filled byte is the white entry, not 0.
    EXPECT_NE(bytes[1078], 0);
    EXPECT_NE(bytes[366486 - 2404 - 4], 0) << "the last filled row's last pixel";
    EXPECT_EQ(bytes.find_first_not_of('\0', 366486 - 2404), std::string::npos);
}

TEST_F(WorkFileTest, PixelsReadBackThroughTheWrittenColourTable)
{
    for (const std::uint16_t bits : {std::uint16_t{24}, std::uint16_t{32}}) {
        const Picture picture = Stripes(13, 7, bits);
        ASSERT_EQ(SaveAs8BitBitmap(picture, fake.files), WorkFileResult::Written) << bits << " bits";
        const std::optional<Picture> back = test::ReadSimpleBmp(Path());
        ASSERT_TRUE(back.has_value());
        ASSERT_EQ(back->bits_per_pixel, 8);
        EXPECT_EQ(back->palette[0], 0u);
        for (std::int32_t y = 0; y < 7; ++y)
            for (std::int32_t x = 0; x < 13; ++x)
                ASSERT_EQ(test::PixelAt(*back, x, y), test::PixelAt(picture, x, y))
                    << bits << " bits, (" << x << ", " << y << ")";
    }
}

TEST_F(WorkFileTest, WritesNothingForEightBitsOrFewerAndKeepsTheOldFileWhenConversionFails)
{
    Picture sixteen = Stripes(4, 4, 24);
    sixteen.bits_per_pixel = 16;
    Picture lying = Stripes(40, 40, 24);
    lying.pixels.resize(100);
    const struct {
        const char* name;
        Picture picture;
        WorkFileResult expected;
    } cases[] = {
        {"8 bits", Stripes(8, 8, 8), WorkFileResult::NotNeeded},
        {"empty (a failed load)", Picture{}, WorkFileResult::NotNeeded},
        {"16 bits", sixteen, WorkFileResult::ConversionFailed},
        {"buffer shorter than its size", lying, WorkFileResult::ConversionFailed},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(Path());
        EXPECT_EQ(SaveAs8BitBitmap(c.picture, fake.files), c.expected) << c.name;
        EXPECT_FALSE(Exists()) << c.name << ": nothing may be written";

        folder.WriteFile("Tmp_nuvra02.bmp", "the previous picture");
        fake.files.AddReadableFile(Path());
        EXPECT_EQ(SaveAs8BitBitmap(c.picture, fake.files), c.expected) << c.name;
        EXPECT_EQ(Contents(), "the previous picture") << c.name;
    }
}

TEST_F(WorkFileTest, ReplacesALargerOldFileCompletely)
{
    ASSERT_EQ(SaveAs8BitBitmap(Stripes(100, 100, 24), fake.files), WorkFileResult::Written);
    fake.files.AddReadableFile(Path());
    ASSERT_EQ(SaveAs8BitBitmap(Stripes(8, 8, 24), fake.files), WorkFileResult::Written);
    EXPECT_EQ(Contents().size(), 1078u + 64u);
    EXPECT_FALSE(fake.files.CanOpenForReading(Path())) << "the old file is deleted through the platform first";
}

TEST_F(WorkFileTest, AFolderThatCannotBeWrittenFailsWithoutAFile)
{
    fake.files.work_folder = folder.str() + "/missing";
    EXPECT_EQ(SaveAs8BitBitmap(Stripes(8, 8, 24), fake.files), WorkFileResult::WriteFailed);
}

class PixelArrayBinding : public ::testing::Test {
protected:
    test::FakePicturePlatform fake;
};

TEST_F(PixelArrayBinding, BindsAnEightBitPictureWithoutCopying)
{
    Picture picture = Stripes(10, 6, 8);
    PixelArray array;
    ASSERT_TRUE(BindPixelArray(picture, array, fake.platform));
    EXPECT_EQ(array.data(), picture.pixels.data());
    EXPECT_EQ(array.bytes_per_row(), 12);
    EXPECT_EQ(array.rows(), 6);
    array(3, 0) = 77;  // row 0 is the bottom row
    EXPECT_EQ(test::PixelAt(picture, 3, 5), 0x4D4D4Du);
    EXPECT_TRUE(fake.message_box.shown.empty());

    const std::vector<std::uint8_t> before = picture.pixels;
    UnbindPixelArray(array);
    EXPECT_FALSE(array.bound());
    EXPECT_EQ(picture.pixels, before) << "unbinding leaves the bitmap alone";
}

TEST_F(PixelArrayBinding, RefusesAnythingButOnePlaneOfEightBitsWithTheMessage)
{
    Picture short_buffer = Stripes(10, 6, 8);
    short_buffer.pixels.resize(short_buffer.pixels.size() - 1);
    Picture narrow_stride = Stripes(10, 6, 8);
    narrow_stride.stride = 8;
    const struct {
        const char* name;
        Picture picture;
    } cases[] = {
        {"24 bits", Stripes(10, 6, 24)},
        {"32 bits", Stripes(10, 6, 32)},
        {"empty picture (a failed load)", Picture{}},
        {"buffer shorter than stride x height", short_buffer},
        {"stride shorter than the width", narrow_stride},
    };
    for (auto c : cases) {
        Picture previous = Stripes(4, 4, 8);
        PixelArray array(previous.pixels.data(), previous.stride, previous.height);
        fake.message_box.shown.clear();

        EXPECT_FALSE(BindPixelArray(c.picture, array, fake.platform)) << c.name;

        EXPECT_EQ(array.data(), previous.pixels.data()) << c.name << ": the array keeps its binding";
        ASSERT_EQ(fake.message_box.shown.size(), 1u) << c.name;
        EXPECT_EQ(fake.message_box.shown[0].text, " 8-Bit Bitmaps Only!") << c.name;
        EXPECT_EQ(fake.message_box.shown[0].title, "Nuvra") << c.name;
        EXPECT_EQ(fake.message_box.shown[0].style, platform::MessageBoxStyle::OkCritical) << c.name;
    }
}

}  // namespace
}  // namespace nuvra
