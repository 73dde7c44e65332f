// The Windows picture codec under Wine: files read through their UTF-16
// names, what is not a file refused, a work file written and read back, and
// metafiles drawn by GDI at their natural size with their frame's origin.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pictures/picture_decoding.h"
#include "platform/windows/picture/picture_codec.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using nuvra::platform::Picture;
using nuvra::platform::PictureResult;
using nuvra::windows_platform::WindowsPictureCodec;

std::string Utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A metafile record by record, little-endian.
class Metafile {
public:
    Metafile& Record(std::uint16_t function, std::vector<std::int16_t> parameters)
    {
        U32(static_cast<std::uint32_t>(3 + parameters.size()));
        U16(function);
        for (std::int16_t value : parameters)
            U16(static_cast<std::uint16_t>(value));
        return *this;
    }
    // A solid brush of the colour, and a pen that draws nothing.
    Metafile& SolidFill(std::uint32_t rgb)
    {
        const auto colour = static_cast<std::uint32_t>((rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16);
        Record(0x02FC, {0, static_cast<std::int16_t>(colour & 0xFFFF), static_cast<std::int16_t>(colour >> 16), 0});
        Record(0x012D, {0});
        Record(0x02FA, {5, 0, 0, 0, 0});
        return Record(0x012D, {1});
    }
    Metafile& Rectangle(std::int16_t left, std::int16_t top, std::int16_t right, std::int16_t bottom)
    {
        return Record(0x041B, {bottom, right, top, left});
    }
    // The file: an optional placeable header, the standard header, the
    // records and the end record.
    std::vector<std::uint8_t> Bytes(bool placeable, std::int16_t left = 0, std::int16_t top = 0,
                                    std::int16_t right = 0, std::int16_t bottom = 0, std::uint16_t per_inch = 0)
    {
        Metafile file;
        if (placeable) {
            file.U32(0x9AC6CDD7).U16(0).U16(static_cast<std::uint16_t>(left)).U16(static_cast<std::uint16_t>(top));
            file.U16(static_cast<std::uint16_t>(right)).U16(static_cast<std::uint16_t>(bottom)).U16(per_inch);
            file.U32(0).U16(0);
        }
        const std::size_t words = 9 + m_bytes.size() / 2 + 3;
        file.U16(1).U16(9).U16(0x0300).U32(static_cast<std::uint32_t>(words)).U16(2).U32(8).U16(0);
        file.m_bytes.insert(file.m_bytes.end(), m_bytes.begin(), m_bytes.end());
        file.U32(3).U16(0);
        return file.m_bytes;
    }

private:
    Metafile& U16(std::uint16_t value)
    {
        m_bytes.push_back(static_cast<std::uint8_t>(value));
        m_bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        return *this;
    }
    Metafile& U32(std::uint32_t value) { return U16(static_cast<std::uint16_t>(value)).U16(static_cast<std::uint16_t>(value >> 16)); }

    std::vector<std::uint8_t> m_bytes;
};

std::uint32_t PixelAt(const Picture& picture, std::int32_t x, std::int32_t y)
{
    const std::uint8_t* pixel = nuvra::pictures::RowFromTop(picture, y) + 3 * x;
    return static_cast<std::uint32_t>(pixel[2]) << 16 | static_cast<std::uint32_t>(pixel[1]) << 8 | pixel[0];
}

TEST(WindowsPictureCodec, ReadsFilesByTheirUnicodeNamesAndRefusesWhatIsNoFile)
{
    nuvra::test::TempDir dir;
    WindowsPictureCodec codec;
    Picture picture = nuvra::pictures::MakePicture(3, 2, 24);
    nuvra::pictures::RowFromTop(picture, 0)[2] = 0xFF;  // the top-left pixel red
    const std::string saved = Utf8(dir.path() / fs::path(u8"写真の\u00e9t\u00e9.bmp"));
    ASSERT_TRUE(codec.SavePicture(picture, saved));

    const PictureResult loaded = codec.LoadPicture(saved);
    ASSERT_TRUE(loaded.picture) << loaded.error;
    EXPECT_EQ(loaded.picture->width, 3);
    EXPECT_EQ(loaded.picture->height, 2);
    EXPECT_EQ(PixelAt(*loaded.picture, 0, 0), 0xFF0000u);
    EXPECT_EQ(PixelAt(*loaded.picture, 1, 1), 0u);

    for (const std::string& not_a_file : {Utf8(dir.path()), Utf8(dir.path() / "missing.bmp"), std::string("CON")}) {
        const PictureResult failed = codec.LoadPicture(not_a_file);
        EXPECT_FALSE(failed.picture) << not_a_file;
        EXPECT_FALSE(failed.error.empty()) << not_a_file;
    }
}

TEST(WindowsPictureCodec, DrawsMetafilesAtTheirNaturalSizeWithTheFramesOrigin)
{
    WindowsPictureCodec codec;
    {
        // A frame one inch by half an inch whose left edge is at 1000: the
        // right half of it is red, at 96 dpi.
        Metafile file;
        file.SolidFill(0xFF0000).Rectangle(1720, 1000, 2440, 1720);
        const PictureResult result = codec.LoadPictureFromMemory(file.Bytes(true, 1000, 1000, 2440, 1720, 1440));
        ASSERT_TRUE(result.picture) << result.error;
        EXPECT_EQ(result.picture->width, 96);
        EXPECT_EQ(result.picture->height, 48);
        EXPECT_EQ(PixelAt(*result.picture, 20, 24), 0xFFFFFFu);
        EXPECT_EQ(PixelAt(*result.picture, 72, 24), 0xFF0000u);
    }
    {
        // A plain file's window extent is its size, one unit to a pixel.
        Metafile file;
        file.Record(0x020C, {30, 50}).SolidFill(0x0000FF).Rectangle(0, 0, 10, 10);
        const PictureResult result = codec.LoadPictureFromMemory(file.Bytes(false));
        ASSERT_TRUE(result.picture) << result.error;
        EXPECT_EQ(result.picture->width, 50);
        EXPECT_EQ(result.picture->height, 30);
        EXPECT_EQ(PixelAt(*result.picture, 4, 4), 0x0000FFu);
        EXPECT_EQ(PixelAt(*result.picture, 20, 20), 0xFFFFFFu);
    }
    {
        // Without one, the picture is what it draws.
        Metafile file;
        file.SolidFill(0x00FF00).Rectangle(40, 10, 60, 40);
        const PictureResult result = codec.LoadPictureFromMemory(file.Bytes(false));
        ASSERT_TRUE(result.picture) << result.error;
        EXPECT_NEAR(result.picture->width, 20, 1);
        EXPECT_NEAR(result.picture->height, 30, 1);
        EXPECT_EQ(PixelAt(*result.picture, 10, 15), 0x00FF00u);
    }
}

}  // namespace
