// Every picture a user has is shown, and nothing keeps the show from
// running, on the real binary under a private X server: palette BMPs of
// every kind in turn; a PNG with transparency (over black), a WebP, a photo
// stored on its side and a BMP in a subfolder, the photo cut upright; a
// first picture that cannot be prepared, a cache folder that cannot be
// written and a picture too large to decode each still
// give a running show that ends on SIGTERM with status 0 and leaves no
// process behind; two shows started at the same instant give exactly one.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <webp/encode.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "pictures/picture_decoding.h"
#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"

namespace nuvra::e2e {
namespace {

constexpr Rgb kRed{220, 30, 30};
constexpr Rgb kGreen{30, 200, 60};
constexpr Rgb kBlue{40, 60, 230};
constexpr Rgb kCyan{30, 200, 210};

// The processes whose environment names this home: the show and anything
// it started.
std::vector<int> ProcessesOf(const ShowHome& home)
{
    const std::string marker = "XDG_CACHE_HOME=" + (home.dir().path() / "cache").string();
    std::vector<int> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(entry.path() / "environ", std::ios::binary);
        const std::string environ((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (environ.find(marker + '\0') != std::string::npos)
            found.push_back(std::stoi(name));
    }
    return found;
}

class E2eEveryPictureTest : public ShowTest {
protected:
    void Settings() { home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()}, {"ｲﾝﾀｰﾊﾞﾙ", "1"}}); }
    Rgb Centre() { return server().PixelAt(kScreenWidth / 2, kScreenHeight / 2); }

    // The show's centre takes the colours in turn, then the first again;
    // a key ends it cleanly.
    void ExpectShownInTurn(const std::vector<Rgb>& colours)
    {
        Show show(server(), home, NUVRA_BINARY, {"/s"});
        ASSERT_TRUE(show.WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show.Output();
        std::vector<Rgb> seen;
        const bool all_seen = WaitUntil(
            [&] {
                const Rgb centre = Centre();
                for (const Rgb wanted : colours)
                    if (Distance(centre, wanted) < 24 && (seen.empty() || !(seen.back() == wanted)))
                        seen.push_back(wanted);
                return seen.size() > colours.size();
            },
            Patience(15s), 50ms);
        std::string order;
        for (const Rgb c : seen)
            order += Describe(c) + " ";
        ASSERT_TRUE(all_seen) << "seen: " << order << "\n" << show.Output();
        std::vector<Rgb> expected = colours;
        expected.push_back(colours.front());
        EXPECT_EQ(seen, expected) << order;
        ASSERT_TRUE(server().Xdotool({"key", "Escape"}));
        ExpectCleanEnd(show, "a key");
    }

    // The show runs and draws, then SIGTERM ends it with the usual cleanup
    // and nothing of it is left running.
    void ExpectRunningShowThatEndsOnSigterm(const std::string& what)
    {
        SCOPED_TRACE(what);
        Show show(server(), home, NUVRA_BINARY, {"/s"});
        ASSERT_TRUE(show.WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show.Output();
        ASSERT_TRUE(show.WaitForTwoFrames({600, 200, 80, 80})) << "the show is not animating\n" << show.Output();
        EXPECT_TRUE(show.Running());
        show.process().Signal(SIGTERM);
        const std::optional<ExitStatus> status = show.WaitForEnd();
        ASSERT_TRUE(status.has_value()) << "SIGTERM did not end the show";
        EXPECT_EQ(*status, 0) << show.Output();
        EXPECT_EQ(server().ViewableWindows(kShowTitle), 0);
        EXPECT_TRUE(WaitUntil([&] { return ProcessesOf(home).empty(); }, Patience(5s)))
            << "a process of the show outlived it";
    }
};

TEST_F(E2eEveryPictureTest, FourBitEightBitAndRunLengthBmpsAreEachShownInTurn)
{
    ASSERT_TRUE(WritePaletteBmp(home.PicturePath("1_four.bmp"), 400, 300, PaletteBmp::FourBit, kRed));
    ASSERT_TRUE(WritePaletteBmp(home.PicturePath("2_eight.bmp"), 401, 300, PaletteBmp::EightBit, kGreen));
    ASSERT_TRUE(WritePaletteBmp(home.PicturePath("3_rle.bmp"), 600, 500, PaletteBmp::EightBitRle, kBlue));
    Settings();
    ExpectShownInTurn({kRed, kGreen, kBlue});
}

// A phone's portrait photo stored on its side: upright 300 x 600, cyan with
// a red band across rows 150 to 199, the top of its centre square.
bool WritePortraitPhoto(const std::string& path)
{
    return WriteSidewaysJpeg(path, 300, 600, [](int, int y) { return y >= 150 && y < 200 ? kRed : kCyan; });
}

TEST_F(E2eEveryPictureTest, TodaysPicturesAreShownInTurnSubfoldersIncluded)
{
    // Half-transparent red, which the show composes over black; an opaque
    // green WebP; a photo stored on its side; a blue BMP in a subfolder. A
    // settings file that names no kinds takes all.
    constexpr int width = 300, height = 240;
    std::vector<std::uint8_t> rgba, rgb;
    for (int i = 0; i < width * height; ++i) {
        rgba.insert(rgba.end(), {kRed.r, kRed.g, kRed.b, 128});
        rgb.insert(rgb.end(), {kGreen.r, kGreen.g, kGreen.b});
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = width;
    png.height = height;
    png.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&png, home.PicturePath("1_half.png").c_str(), 0, rgba.data(), 0, nullptr));
    std::uint8_t* webp = nullptr;
    const std::size_t webp_size = WebPEncodeLosslessRGB(rgb.data(), width, height, width * 3, &webp);
    ASSERT_GT(webp_size, 0u);
    std::ofstream(home.PicturePath("2_green.webp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(webp), static_cast<std::streamsize>(webp_size));
    WebPFree(webp);
    ASSERT_TRUE(WritePortraitPhoto(home.PicturePath("3_photo.jpg")));
    std::filesystem::create_directories(home.PicturePath("sub"));
    ASSERT_TRUE(WriteSolidPicture(home.PicturePath("sub/4_blue.bmp"), width, height, kBlue));
    home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()}, {"ｲﾝﾀｰﾊﾞﾙ", "1"}, {"ｻﾌﾞﾌｫﾙﾀﾞ", "1"}});
    const Rgb half_red{static_cast<std::uint8_t>((kRed.r * 128 + 127) / 255),
                       static_cast<std::uint8_t>((kRed.g * 128 + 127) / 255),
                       static_cast<std::uint8_t>((kRed.b * 128 + 127) / 255)};
    ExpectShownInTurn({half_red, kGreen, kCyan, kBlue});
}

// The photo's centre square is cut from the upright picture: the square the
// show keeps has the band across its top, not down its left side.
TEST_F(E2eEveryPictureTest, APhotoStoredOnItsSideIsCutUpright)
{
    ASSERT_TRUE(WritePortraitPhoto(home.PicturePath("photo.jpg")));
    Settings();
    Show show(server(), home, NUVRA_BINARY, {"/s"});
    ASSERT_TRUE(show.WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show.Output();
    std::ifstream in(home.WorkFiles().front(), std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const platform::PictureResult square = pictures::DecodeBmp(bytes, pictures::DecodeLimits{});
    ASSERT_TRUE(square.picture) << square.error;
    ASSERT_EQ(square.picture->width, 300);
    ASSERT_EQ(square.picture->height, 300);
    auto at = [&](int x, int y) {
        const std::uint8_t* pixel =
            pictures::RowFromTop(*square.picture, y) + x * (square.picture->bits_per_pixel / 8);
        return Rgb{pixel[2], pixel[1], pixel[0]};
    };
    for (const auto& [x, y, colour] : {std::tuple{150, 25, kRed}, std::tuple{5, 25, kRed}, std::tuple{295, 25, kRed},
                                       std::tuple{25, 150, kCyan}, std::tuple{150, 280, kCyan}}) {
        EXPECT_LT(Distance(at(x, y), colour), 40) << "(" << x << ", " << y << "): " << Describe(at(x, y));
    }
    ASSERT_TRUE(server().Xdotool({"key", "Escape"}));
    ExpectCleanEnd(show, "a key");
}

TEST_F(E2eEveryPictureTest, AnEmptyFileSortedFirstStillGivesARunningShow)
{
    std::ofstream(home.PicturePath("0_empty.jpg")).flush();
    ASSERT_TRUE(WriteSolidPicture(home.PicturePath("1_red.bmp"), 300, 300, kRed));
    Settings();
    ExpectRunningShowThatEndsOnSigterm("an empty JPEG sorted first");
    EXPECT_EQ(home.WorkFilesPresent(), std::vector<std::string>{});
}

TEST_F(E2eEveryPictureTest, ACacheFolderThatCannotBeWrittenStillGivesARunningShow)
{
    // Where the work folder should be stands a file: nothing can be created
    // under it, whoever runs the test.
    ASSERT_TRUE(WritePatternPicture(home.PicturePath("pattern.bmp"), 800, 600));
    Settings();
    std::filesystem::create_directories(home.dir().path() / "cache");
    std::ofstream(home.dir().path() / "cache" / "nuvra") << "not a folder";
    ExpectRunningShowThatEndsOnSigterm("an unwritable cache folder");
}

TEST_F(E2eEveryPictureTest, APictureTooLargeToDecodeAsTheOnlyOneStillGivesARunningShow)
{
    // A real JPEG whose frame header is made to claim 30000 x 30000 pixels.
    const std::string path = home.PicturePath("huge.jpg");
    ASSERT_TRUE(WriteSolidPicture(path, 16, 16, kRed));
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::size_t frame = bytes.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    file.seekp(static_cast<std::streamoff>(frame + 5));
    file.write("\x75\x30\x75\x30", 4);  // height, width: 30000 each
    file.close();
    Settings();
    ExpectRunningShowThatEndsOnSigterm("a 30000 x 30000 JPEG");
}

TEST_F(E2eEveryPictureTest, TwoShowsStartedAtTheSameInstantGiveExactlyOne)
{
    ASSERT_TRUE(WritePatternPicture(home.PicturePath("pattern.bmp"), 800, 600));
    Settings();
    for (int trial = 0; trial < 10; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        auto first = std::make_unique<Show>(server(), home, NUVRA_BINARY, std::vector<std::string>{"/s"});
        auto second = std::make_unique<Show>(server(), home, NUVRA_BINARY, std::vector<std::string>{"/s"});
        // The one that lost ends at once, with status 0 and nothing said.
        Show* loser = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                loser = !first->Running() ? first.get() : !second->Running() ? second.get() : nullptr;
                return loser != nullptr;
            },
            Patience(10s)))
            << "both shows are running";
        Show* winner = loser == first.get() ? second.get() : first.get();
        const std::optional<ExitStatus> status = loser->WaitForEnd();
        ASSERT_TRUE(status.has_value());
        EXPECT_EQ(*status, 0) << loser->Output();
        ASSERT_TRUE(winner->WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << winner->Output();
        EXPECT_TRUE(winner->Running());
        EXPECT_EQ(server().ViewableWindows(kShowTitle), 1);
        winner->process().Signal(SIGTERM);
        ExpectCleanEnd(*winner, "SIGTERM");
    }
}

}  // namespace
}  // namespace nuvra::e2e
