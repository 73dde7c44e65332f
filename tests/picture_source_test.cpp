#include "display/picture_source.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "display/frame_step.h"
#include "display/prepare_display.h"
#include "images/sample_picture.h"
#include "images/work_file.h"
#include "support/fake_pictures.h"
#include "support/temp_dir.h"

namespace nuvra {
namespace {

using platform::Picture;

using test::PositionColour;
using test::PositionPicture;

class PictureSourceTest : public ::testing::Test {
protected:
    PictureSourceTest()
    {
        fake.files.work_folder = folder.str();
        form.ScreenWidthPx = 1024;
        form.ScreenHeightPx = 768;
    }

    // A list of the given files, shown in list order.
    void List(const std::vector<std::string>& files)
    {
        ImageList& list = nuvra_b.images;
        list.ImageCount = static_cast<std::int16_t>(files.size());
        list.ImageFiles.assign(1, "");
        list.ShowOrder.assign(1, 0);
        for (std::size_t i = 0; i < files.size(); ++i) {
            list.ImageFiles.push_back(files[i]);
            list.ShowOrder.push_back(static_cast<std::int16_t>(i + 1));
        }
    }

    std::string Square() const { return (folder.path() / "Tmp_nuvra01.bmp").string(); }
    std::string EightBit() const { return (folder.path() / "Tmp_nuvra02.bmp").string(); }
    const Picture* Saved() const
    {
        auto it = fake.pictures.stored.find(Square());
        return it == fake.pictures.stored.end() ? nullptr : &it->second;
    }

    test::TempDir folder;
    test::FakePicturePlatform fake;
    NuvraS form;
    NuvraB nuvra_b;
};

TEST_F(PictureSourceTest, CutsTheCentreSquareNoTallerThanTheScreen)
{
    const struct {
        std::int32_t width, height, side, left, top;
    } cases[] = {
        {800, 600, 600, 100, 0},   {600, 800, 600, 0, 100},  {1600, 1200, 768, 416, 216},
        {605, 600, 600, 2, 0},     {607, 600, 600, 4, 0},    {500, 500, 500, 0, 0},
        {768, 768, 768, 0, 0},     {769, 769, 768, 0, 0},    {1000, 768, 768, 116, 0},
        {768, 1001, 768, 0, 116},  {1, 1, 1, 0, 0},
    };
    for (const auto& c : cases) {
        fake.pictures.stored.clear();
        fake.pictures.regions.clear();
        fake.pictures.Add("/pics/a.bmp", PositionPicture(c.width, c.height));
        List({"/pics/a.bmp"});
        form.PictureIndex = 0;

        LoadNextPicture(form, nuvra_b, fake.platform);

        const std::string name = std::to_string(c.width) + " x " + std::to_string(c.height);
        ASSERT_EQ(fake.pictures.regions.size(), 1u) << name;
        const platform::Rect r = fake.pictures.regions[0];
        EXPECT_EQ(r.left, c.left) << name;
        EXPECT_EQ(r.top, c.top) << name;
        EXPECT_EQ(r.right - r.left, c.side) << name;
        EXPECT_EQ(r.bottom - r.top, c.side) << name;
        const Picture* saved = Saved();
        ASSERT_NE(saved, nullptr) << name;
        ASSERT_EQ(saved->width, c.side) << name;
        ASSERT_EQ(saved->height, c.side) << name;
        EXPECT_EQ(test::PixelAt(*saved, 0, 0), PositionColour(c.left, c.top)) << name;
        EXPECT_EQ(test::PixelAt(*saved, c.side - 1, c.side - 1),
                  PositionColour(c.left + c.side - 1, c.top + c.side - 1))
            << name;
        EXPECT_EQ(form.Pic_Ogn.width, c.side) << name << ": Pic_Ogn holds the square read back";
    }
}

TEST_F(PictureSourceTest, DesktopSquareComesFromTheMiddleOfTheScreen)
{
    const struct {
        std::int16_t width, height;
        std::int32_t left;
    } cases[] = {{1024, 768, 128}, {1366, 768, 299}, {1280, 1024, 128}, {768, 1024, -128}};
    for (const auto& c : cases) {
        fake.capture.screen = PositionPicture(c.width, c.height, 32);
        form.ScreenWidthPx = c.width;
        form.ScreenHeightPx = c.height;

        CaptureDesktop(form, fake.platform);

        const Picture* saved = Saved();
        ASSERT_NE(saved, nullptr) << c.width << " x " << c.height;
        EXPECT_EQ(saved->width, c.height);
        EXPECT_EQ(saved->height, c.height);
        EXPECT_EQ(saved->bits_per_pixel, 24) << "the screen's depth";
        // A square reaching past the screen's edge (a portrait screen) is
        // black there, as a copy from off the screen gives.
        const std::uint32_t expected_corner = c.left < 0 ? 0u : PositionColour(c.left, 0);
        EXPECT_EQ(test::PixelAt(*saved, 0, 0), expected_corner) << c.width << " x " << c.height;
        EXPECT_EQ(test::PixelAt(*saved, c.height / 2, c.height - 1), PositionColour(c.left + c.height / 2, c.height - 1))
            << c.width << " x " << c.height;
        EXPECT_TRUE(std::filesystem::exists(EightBit()));
    }
}

TEST_F(PictureSourceTest, IndexWrapsToOneWithAFreshShowOrder)
{
    for (const char* path : {"/pics/a.bmp", "/pics/b.bmp", "/pics/c.bmp"})
        fake.pictures.Add(path, PositionPicture(40, 30));
    List({"/pics/a.bmp", "/pics/b.bmp", "/pics/c.bmp"});
    nuvra_b.images.ShowOrder = {0, 3, 1, 2};  // an order built earlier

    std::vector<std::int16_t> indexes;
    std::vector<std::string> files;
    for (int change = 0; change < 5; ++change) {
        fake.pictures.loads.clear();
        LoadNextPicture(form, nuvra_b, fake.platform);
        indexes.push_back(form.PictureIndex);
        files.push_back(fake.pictures.loads.at(0));
    }
    EXPECT_EQ(indexes, (std::vector<std::int16_t>{1, 2, 3, 1, 2}));
    // After the wrap the order is rebuilt (sequential: list order).
    EXPECT_EQ(files, (std::vector<std::string>{"/pics/c.bmp", "/pics/a.bmp", "/pics/b.bmp", "/pics/a.bmp",
                                               "/pics/b.bmp"}));
}

TEST_F(PictureSourceTest, AFailedLoadShowsThePreviousPictureAgain)
{
    fake.pictures.Add("/pics/a.bmp", PositionPicture(800, 600));
    fake.pictures.failing_loads.insert("/pics/b.bmp");
    List({"/pics/a.bmp", "/pics/b.bmp"});
    LoadNextPicture(form, nuvra_b, fake.platform);
    const Picture first = *Saved();
    const std::string first_work_file = folder.ReadFile("Tmp_nuvra02.bmp");

    LoadNextPicture(form, nuvra_b, fake.platform);

    EXPECT_EQ(form.PictureIndex, 2);
    ASSERT_NE(Saved(), nullptr);
    EXPECT_EQ(Saved()->pixels, first.pixels);
    EXPECT_EQ(folder.ReadFile("Tmp_nuvra02.bmp"), first_work_file);
}

TEST_F(PictureSourceTest, EachFailingStepIsSkippedAndTheRestRun)
{
    // The first work file cannot be written, but the 8-bit file is still
    // made from the picture just loaded.
    fake.pictures.Add("/pics/a.bmp", PositionPicture(800, 600));
    fake.files.AddReadableFile(Square());
    fake.pictures.fail_saves = true;
    List({"/pics/a.bmp"});

    LoadNextPicture(form, nuvra_b, fake.platform);

    EXPECT_FALSE(fake.files.CanOpenForReading(Square())) << "the old first work file is deleted first";
    const std::optional<Picture> work = test::ReadSimpleBmp(EightBit());
    ASSERT_TRUE(work.has_value());
    EXPECT_EQ(work->width, 600);
    EXPECT_EQ(test::PixelAt(form.Pic_Ogn, 0, 0), PositionColour(100, 0)) << "the square converted is the new one";
}

TEST_F(PictureSourceTest, PalettePicturesBecomeTheScreenDepthSquareAndAreReduced)
{
    // 8-bit pictures (what 1-, 4- and 8-bit BMPs decode to) pass through the
    // first work file at the screen's depth like any other, so the 8-bit work
    // file is made for them too and carries their colours.
    Picture palette = test::MakePicture(50, 40, 8, [](std::int32_t x, std::int32_t) { return x < 25 ? 3u : 7u; });
    palette.palette.assign(256, 0);
    palette.palette[3] = 0xFF0000;
    palette.palette[7] = 0x0000FF;
    fake.pictures.Add("/pics/clipart.bmp", palette);
    List({"/pics/clipart.bmp"});

    LoadNextPicture(form, nuvra_b, fake.platform);

    ASSERT_NE(Saved(), nullptr);
    EXPECT_EQ(Saved()->bits_per_pixel, 24);
    const std::optional<Picture> work = test::ReadSimpleBmp(EightBit());
    ASSERT_TRUE(work.has_value()) << "the 8-bit work file is written";
    ASSERT_EQ(work->width, 40);
    EXPECT_EQ(test::PixelAt(*work, 2, 20), 0xFF0000u);
    EXPECT_EQ(test::PixelAt(*work, 37, 20), 0x0000FFu);
    PrepareDisplay(form, nuvra_b, fake.platform);
    EXPECT_TRUE(nuvra_b.SourcePixels.bound());
    EXPECT_TRUE(fake.message_box.shown.empty());
}

TEST_F(PictureSourceTest, WorkFilesThatCannotBeWrittenLeaveThePictureInMemoryAndAreReportedOnce)
{
    test::FakeDiagnostics diagnostics;
    fake.platform.diagnostics = &diagnostics;
    fake.pictures.fail_saves = true;
    fake.files.work_folder = folder.str() + "/missing";  // nothing can be created there
    for (const char* path : {"/pics/a.bmp", "/pics/b.bmp"})
        fake.pictures.Add(path, PositionPicture(300, 200));
    List({"/pics/a.bmp", "/pics/b.bmp"});

    LoadNextPicture(form, nuvra_b, fake.platform);
    PrepareDisplay(form, nuvra_b, fake.platform);
    LoadNextPicture(form, nuvra_b, fake.platform);
    CaptureDesktop(form, fake.platform);

    EXPECT_EQ(form.Img_View.width, 200);
    EXPECT_TRUE(nuvra_b.SourcePixels.bound());
    EXPECT_TRUE(fake.message_box.shown.empty());
    ASSERT_EQ(diagnostics.reports.size(), 1u);
    EXPECT_NE(diagnostics.reports[0].find(folder.str() + "/missing"), std::string::npos) << diagnostics.reports[0];
}

TEST_F(PictureSourceTest, TheSamplePictureStandsInWhereNoDesktopCanBeCaptured)
{
    // The sample's disc (columns 20..131 of 152) is white, its frame red:
    // scaled to the screen height and centred, the square is the disc.
    fake.pictures.memory_picture = test::MakePicture(
        kSamplePictureWidth, kSamplePictureHeight, 24,
        [](std::int32_t x, std::int32_t) { return x >= 20 && x < 132 ? 0xFFFFFFu : 0xFF0000u; });
    const struct {
        const char* name;
        bool service;
        std::optional<Picture> screen;
    } cases[] = {
        {"no capture service", false, std::nullopt},
        {"capture gives nothing", true, std::nullopt},
        {"capture gives an empty picture", true, Picture{}},
    };
    for (const auto& c : cases) {
        fake.pictures.stored.clear();
        fake.platform.capture = c.service ? &fake.capture : nullptr;
        fake.capture.screen = c.screen;

        CaptureDesktop(form, fake.platform);

        EXPECT_EQ(fake.pictures.memory_bytes, SamplePictureJpeg().size()) << c.name;
        const Picture* saved = Saved();
        ASSERT_NE(saved, nullptr) << c.name;
        ASSERT_EQ(saved->width, 768) << c.name;
        for (std::int32_t x : {5, 384, 762})
            EXPECT_EQ(test::PixelAt(*saved, x, 384), 0xFFFFFFu) << c.name << ", x " << x;
    }
}

TEST_F(PictureSourceTest, NothingIsWrittenWhenNeitherDesktopNorSampleCanBeHad)
{
    fake.platform.capture = nullptr;
    CaptureDesktop(form, fake.platform);
    EXPECT_TRUE(fake.pictures.saves.empty());
    EXPECT_FALSE(std::filesystem::exists(EightBit()));
}

class PrepareDisplayTest : public PictureSourceTest {
protected:
    void ShowPicture(std::int32_t side)
    {
        fake.pictures.Add("/pics/p.bmp", PositionPicture(side, side));
        List({"/pics/p.bmp"});
        form.PictureIndex = 0;
        LoadNextPicture(form, nuvra_b, fake.platform);
    }
};

TEST_F(PrepareDisplayTest, PlacesTheBoxByImagePosition)
{
    const struct {
        std::int16_t position;
        double left, top;
        int randomize_calls;
    } cases[] = {
        {0, 212.0, 84.0, 0},    // (1024 - 600) / 2, (768 - 600) / 2
        {1, -7.0, -9.0, 0},     // the moving box's timer places it
        {2, 212.0, 42.0, 1},    // floor(424 * 0.5), floor(168 * 0.25)
        {5, -7.0, -9.0, 0},
    };
    ShowPicture(600);
    for (const auto& c : cases) {
        nuvra_b.settings.ImagePosition = static_cast<ImagePositionOption>(c.position);
        form.DisplayLeft = -7.0;
        form.DisplayTop = -9.0;
        fake.random.values = {0.5, 0.25};
        fake.random.randomize_calls = 0;

        PrepareDisplay(form, nuvra_b, fake.platform);

        EXPECT_EQ(form.DisplayLeft, c.left) << "position " << c.position;
        EXPECT_EQ(form.DisplayTop, c.top) << "position " << c.position;
        EXPECT_EQ(fake.random.randomize_calls, c.randomize_calls) << "position " << c.position;
        EXPECT_EQ(form.DisplayWidth, 600);
    }
    form.ScreenWidthPx = 1025;
    nuvra_b.settings.ImagePosition = ImagePositionOption::Centre;
    PrepareDisplay(form, nuvra_b, fake.platform);
    EXPECT_EQ(form.DisplayLeft, 212.5) << "the centring keeps its fraction";
}

TEST_F(PrepareDisplayTest, BindsTwoIndependentCopiesAndClearsTheDisplay)
{
    ShowPicture(601);
    PrepareDisplay(form, nuvra_b, fake.platform);

    EXPECT_EQ(form.ViewSize, 601);
    EXPECT_EQ(form.ViewHalf, 300);
    EXPECT_EQ(form.SinTable[30], 0.5f);
    ASSERT_TRUE(nuvra_b.SourcePixels.bound());
    ASSERT_TRUE(nuvra_b.DisplayPixels.bound());
    EXPECT_EQ(nuvra_b.SourcePixels.data(), form.Img_View.pixels.data());
    EXPECT_EQ(nuvra_b.DisplayPixels.data(), form.Display.pixels.data());
    EXPECT_EQ(nuvra_b.SourcePixels.bytes_per_row(), 604);
    EXPECT_EQ(form.Img_View.palette, form.Display.palette);
    for (std::int32_t y = 0; y < 601; ++y)
        for (std::int32_t x = 0; x < 601; ++x)
            ASSERT_EQ(nuvra_b.DisplayPixels(x, y), 0) << "(" << x << ", " << y << ")";
    EXPECT_NE(form.Img_View.pixels, form.Display.pixels) << "the source keeps the picture";
    EXPECT_TRUE(fake.message_box.shown.empty());
}

TEST_F(PrepareDisplayTest, TheVeryFirstFailureGivesAnEmptyPictureThatBindingRefuses)
{
    fake.pictures.failing_loads.insert("/pics/broken.bmp");
    List({"/pics/broken.bmp"});

    LoadNextPicture(form, nuvra_b, fake.platform);
    PrepareDisplay(form, nuvra_b, fake.platform);

    EXPECT_TRUE(form.Img_View.empty());
    EXPECT_FALSE(nuvra_b.SourcePixels.bound());
    EXPECT_FALSE(nuvra_b.DisplayPixels.bound());
    EXPECT_EQ(form.LastPoint, -1);
    ASSERT_EQ(fake.message_box.shown.size(), 2u) << "one refusal for each array";
    EXPECT_EQ(fake.message_box.shown[0].text, " 8-Bit Bitmaps Only!");
    form.AngleStep = 5;
    RunKaleidoscopeFrame(form, nuvra_b);
    EXPECT_EQ(form.Angle, 5) << "the show goes on";
}

TEST_F(PrepareDisplayTest, ADisplayLeftSmallerThanTheNewSourceIsNeverDrawnInto)
{
    ShowPicture(300);
    PrepareDisplay(form, nuvra_b, fake.platform);
    const Picture small_display = form.Display;
    ShowPicture(600);
    PrepareDisplay(form, nuvra_b, fake.platform);
    // The display keeps a smaller picture than the source's (as a failed
    // copy would leave it).
    UnbindPixelArray(nuvra_b.DisplayPixels);
    form.Display = small_display;
    BindPixelArray(form.Display, nuvra_b.DisplayPixels, fake.platform);

    EXPECT_EQ(form.ViewSize, 600);
    const std::vector<std::uint8_t> before = form.Display.pixels;
    RunKaleidoscopeFrame(form, nuvra_b);
    EXPECT_EQ(form.Display.pixels, before);
}

TEST_F(PrepareDisplayTest, ARefusedPictureNeverLeavesAnArrayOnFreedMemory)
{
    ShowPicture(64);
    PrepareDisplay(form, nuvra_b, fake.platform);
    ASSERT_TRUE(nuvra_b.SourcePixels.bound());
    // A 24-bit square where the 8-bit one should be: it is copied, but
    // cannot be bound, and the pictures it replaced are gone.
    form.EightBitSquare = PositionPicture(64, 64);

    PrepareDisplay(form, nuvra_b, fake.platform);

    EXPECT_FALSE(nuvra_b.SourcePixels.bound());
    EXPECT_FALSE(nuvra_b.DisplayPixels.bound());
    RunKaleidoscopeFrame(form, nuvra_b);
}

}  // namespace
}  // namespace nuvra
