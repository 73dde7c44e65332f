// Choosing, cutting and reducing a picture with the real Linux decoders and
// BMP writer on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "display/frame_step.h"
#include "display/picture_prefetch.h"
#include "display/picture_source.h"
#include "display/prepare_display.h"
#include "images/sample_picture.h"
#include "platform/linux/file_system.h"
#include "platform/linux/picture/picture_codec.h"
#include "support/fake_pictures.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

using test::PositionColour;
using test::PositionPicture;

class WorkFolderFileSystem final : public linux_platform::LinuxFileSystem {
public:
    explicit WorkFolderFileSystem(std::string folder) : m_folder(std::move(folder)) {}
    std::string WorkFolder() override { return m_folder; }

private:
    std::string m_folder;
};

class RealCodecTest : public ::testing::Test {
protected:
    RealCodecTest() : files(folder.str())
    {
        platform.files = &files;
        platform.pictures = &codec;
        platform.message_box = &message_box;
        platform.random = &random;
        form.ScreenWidthPx = 1024;
        form.ScreenHeightPx = 768;
    }

    test::TempDir folder;
    WorkFolderFileSystem files;
    linux_platform::LinuxPictureCodec codec;
    test::FakeMessageBox message_box;
    test::FakeRandom random;
    platform::Platform platform;
    NuvraS form;
    NuvraB nuvra_b;
};

TEST_F(RealCodecTest, APictureFileBecomesTheRendererSquare)
{
    const std::string path = folder.str() + "/photo.bmp";
    ASSERT_TRUE(codec.SavePicture(PositionPicture(800, 601), path));
    nuvra_b.images.ImageCount = 1;
    nuvra_b.images.ImageFiles = {"", path};
    nuvra_b.images.ShowOrder = {0, 1};

    LoadNextPicture(form, nuvra_b, platform);
    PrepareDisplay(form, nuvra_b, platform);

    EXPECT_EQ(std::filesystem::file_size(folder.path() / "Tmp_nuvra02.bmp"), 366486u);
    ASSERT_EQ(form.Img_View.width, 601);
    EXPECT_EQ(form.Img_View.bits_per_pixel, 8);
    EXPECT_EQ(form.ViewSize, 601);
    EXPECT_TRUE(message_box.shown.empty());
    // The square starts at x = 99.5, rounded to 100 (even): Pic_Ogn and the
    // first work file have the exact pixels.
    ASSERT_EQ(form.Pic_Ogn.width, 601);
    const platform::PictureResult square = codec.LoadPicture(folder.str() + "/Tmp_nuvra01.bmp");
    ASSERT_TRUE(square.picture.has_value());
    EXPECT_EQ(square.picture->pixels, form.Pic_Ogn.pixels);
    // What the renderer takes from memory is what the 8-bit work file holds.
    const platform::PictureResult eight_bit = codec.LoadPicture(folder.str() + "/Tmp_nuvra02.bmp");
    ASSERT_TRUE(eight_bit.picture.has_value());
    EXPECT_EQ(eight_bit.picture->pixels, form.Img_View.pixels);
    EXPECT_EQ(eight_bit.picture->palette, form.Img_View.palette);
    EXPECT_EQ(test::PixelAt(form.Pic_Ogn, 0, 0), PositionColour(100, 0));
    EXPECT_EQ(test::PixelAt(form.Pic_Ogn, 600, 600), PositionColour(700, 600));
    form.AngleStep = 7;
    RunKaleidoscopeFrame(form, nuvra_b);
    EXPECT_EQ(nuvra_b.DisplayPixels(0, 0), 0) << "a corner outside the disc";
}

// The show prepares the next picture on a worker and writes its work files
// at the change: they must be, byte for byte, the files a change done
// wholly on the frame loop writes, and leave nothing else in the folder.
TEST_F(RealCodecTest, APicturePreparedAheadWritesTheSameWorkFilesAtItsChange)
{
    const std::string path = folder.str() + "/photo.bmp";
    ASSERT_TRUE(codec.SavePicture(PositionPicture(500, 333), path));
    nuvra_b.images.ImageCount = 1;
    nuvra_b.images.ImageFiles = {"", path};
    nuvra_b.images.ShowOrder = {0, 1};
    LoadNextPicture(form, nuvra_b, platform);
    const std::string square = folder.ReadFile("Tmp_nuvra01.bmp");
    const std::string eight_bit = folder.ReadFile("Tmp_nuvra02.bmp");
    ASSERT_EQ(square.size(), 54u + 1000u * 333u) << "333 pixels of 3 bytes, rows of 1000";
    ASSERT_EQ(eight_bit.size(), 1078u + 336u * 333u);
    std::filesystem::remove(folder.path() / "Tmp_nuvra01.bmp");
    std::filesystem::remove(folder.path() / "Tmp_nuvra02.bmp");

    NuvraS shown;
    shown.ScreenWidthPx = form.ScreenWidthPx;
    shown.ScreenHeightPx = form.ScreenHeightPx;
    PicturePrefetch prefetch;
    prefetch.Start(1, path, shown.ScreenHeightPx, codec);
    std::optional<PreparedPicture> prepared = prefetch.Take();
    ASSERT_TRUE(prepared.has_value());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Tmp_nuvra01.bmp")) << "written before its change";
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Tmp_nuvra02.bmp")) << "written before its change";
    CommitPicture(shown, std::move(*prepared), platform);

    EXPECT_TRUE(folder.ReadFile("Tmp_nuvra01.bmp") == square) << "the square work file differs";
    EXPECT_TRUE(folder.ReadFile("Tmp_nuvra02.bmp") == eight_bit) << "the 8-bit work file differs";
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Tmp_nuvra01.bmp", "Tmp_nuvra02.bmp", "photo.bmp"}));
}

TEST_F(RealCodecTest, TheEmbeddedSamplePictureDecodesAndFillsTheDesktopSquare)
{
    const platform::PictureResult sample = codec.LoadPictureFromMemory(SamplePictureJpeg());
    ASSERT_TRUE(sample.picture.has_value()) << sample.error;
    EXPECT_EQ(sample.picture->width, kSamplePictureWidth);
    EXPECT_EQ(sample.picture->height, kSamplePictureHeight);

    CaptureDesktop(form, platform);
    PrepareDisplay(form, nuvra_b, platform);

    EXPECT_EQ(std::filesystem::file_size(folder.path() / "Tmp_nuvra02.bmp"), 1078u + 768u * 768u);
    EXPECT_EQ(form.ViewSize, 768);
    EXPECT_TRUE(nuvra_b.SourcePixels.bound());
}

}  // namespace
}  // namespace nuvra
