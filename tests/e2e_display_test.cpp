// The show as a user sees it, on the real binary under a private X server:
// the disc's place and symmetry, the pictures' order and interval, the
// moving and the randomly placed box, and the desktop shown when the folder
// holds no pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"

namespace nuvra::e2e {
namespace {

class E2eDisplayTest : public ShowTest {
protected:
    void TearDown() override { s_server->PaintRoot({}); }

    std::unique_ptr<Show> StartShow(const std::vector<std::string>& arguments = {"/s"})
    {
        return std::make_unique<Show>(*s_server, home, NUVRA_BINARY, arguments);
    }
    // Settings for a folder of pictures; more keys (or other values) after.
    void WriteSettings(const std::vector<std::pair<std::string, std::string>>& more)
    {
        std::vector<std::pair<std::string, std::string>> keys = {
            {"画像ﾁｪﾝｼﾞ", "0"}, {"画像の位置", "0"},   {"ｲﾝﾀｰﾊﾞﾙ", "1"},   {"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()},
            {"画像種類_0", "1"}, {"画像種類_1", "1"}, {"画像種類_2", "1"}, {"画像種類_3", "1"},
            {"BGM区分", "0"},    {"回転ｽﾋﾟｰﾄﾞ", "7"},
        };
        for (const auto& [key, value] : more) {
            auto same = std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return k.first == key; });
            if (same != keys.end())
                same->second = value;
            else
                keys.emplace_back(key, value);
        }
        home.WriteSettings(keys);
    }
    // Ends the show with a key and checks that it cleaned up.
    void EndWithKey(Show& show)
    {
        ASSERT_TRUE(server().Xdotool({"key", "Escape"}));
        ExpectCleanEnd(show, "a key");
    }
};

// The disc of an even side S lies inside its square with the square's
// outermost rows and columns black: the points are those with
// p^2 + q^2 < (S/2)^2 for p, q counted from 1 at the centre, so the widest
// row runs from the second pixel to the last but one.
constexpr int kDiscInset = 1;

// Where the square of side `side` lies, from the part of its disc that
// shows: the side that is cut off by a screen edge tells nothing, so the
// other one is used.
Box SquareOf(const Box& disc, int side)
{
    Box square;
    square.left = disc.left > 0 ? disc.left - kDiscInset : disc.right + kDiscInset + 1 - side;
    square.top = disc.top > 0 ? disc.top - kDiscInset : disc.bottom + kDiscInset + 1 - side;
    square.right = square.left + side - 1;
    square.bottom = square.top + side - 1;
    return square;
}

TEST_F(E2eDisplayTest, DiscIsCentredEightFoldSymmetricAndBlackOutside)
{
    // 800 x 600: the square is the picture's height, 600, well below the
    // screen's, and centred at (340, 60).
    ASSERT_TRUE(WritePatternPicture(home.PicturePath("pattern.bmp"), 800, 600));
    WriteSettings({});
    auto show = StartShow();
    ASSERT_TRUE(show->WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show->Output();
    EXPECT_EQ(server().ViewableWindows(kShowTitle), 1);

    constexpr int side = 600;
    constexpr int left = (kScreenWidth - side) / 2;
    constexpr int top = (kScreenHeight - side) / 2;
    const Region square{left, top, side, side};
    // Two frames at two angles: the disc turns, and stays symmetric.
    Screenshot previous;
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        const Screenshot shot = server().GrabScreen();
        ASSERT_FALSE(shot.empty());
        const std::optional<Box> disc = NonBlackBox(shot);
        ASSERT_TRUE(disc.has_value());
        EXPECT_EQ(Describe(*disc), Describe(Box{left + kDiscInset, top + kDiscInset, left + side - 1 - kDiscInset,
                                                top + side - 1 - kDiscInset}))
            << "the disc is not centred, or something outside it is not black";

        // Black outside the circle, the picture inside it.
        const double centre = (side - 1) / 2.0;
        int dark_inside = 0, lit_outside = 0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const double r = std::hypot(x - centre, y - centre);
                const bool black = IsBlack(shot.at(left + x, top + y));
                if (r < side / 2.0 - 2 && black)
                    ++dark_inside;
                if (r > side / 2.0 + 1 && !black)
                    ++lit_outside;
            }
        }
        EXPECT_EQ(dark_inside, 0) << "black pixels inside the disc";
        EXPECT_EQ(lit_outside, 0) << "lit pixels in the square's corners";

        // Mirror images about the vertical and horizontal centre lines and
        // both diagonals, pixel for pixel.
        struct Mirror {
            const char* name;
            int (*x)(int, int);
            int (*y)(int, int);
        };
        static const Mirror mirrors[] = {
            {"vertical line", [](int x, int) { return side - 1 - x; }, [](int, int y) { return y; }},
            {"horizontal line", [](int x, int) { return x; }, [](int, int y) { return side - 1 - y; }},
            {"main diagonal", [](int, int y) { return y; }, [](int x, int) { return x; }},
            {"other diagonal", [](int, int y) { return side - 1 - y; }, [](int x, int) { return side - 1 - x; }},
        };
        for (const Mirror& m : mirrors) {
            int differing = 0;
            std::string first;
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    const Rgb got = shot.at(left + m.x(x, y), top + m.y(x, y));
                    const Rgb expected = shot.at(left + x, top + y);
                    if (got == expected)
                        continue;
                    if (differing++ == 0)
                        first = "(" + std::to_string(x) + ", " + std::to_string(y) + "): expected " +
                                Describe(expected) + ", got " + Describe(got);
                }
            }
            EXPECT_EQ(differing, 0) << "not mirrored about the " << m.name << "; first at " << first;
        }
        if (frame == 1) {
            EXPECT_FALSE(server().Grab(square) == previous) << "the disc did not turn";
        }
        previous = server().Grab(square);
        ASSERT_TRUE(show->WaitForTwoFrames(square));
    }
    EndWithKey(*show);
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST_F(E2eDisplayTest, WithoutAGraphicsCardNoGraphicsLibraryIsLoaded)
{
    // Xvfb offers GLX but no direct rendering: OpenGL there could only be
    // the software rasteriser, which the show has no use for. Loaded, it
    // stays with its threads and prints its complaints on standard error.
    ASSERT_TRUE(WriteSolidPicture(home.PicturePath("red.bmp"), 400, 400, {255, 0, 0}));
    WriteSettings({});
    auto show = StartShow();
    ASSERT_TRUE(show->WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show->Output();
    const std::filesystem::path process = "/proc/" + std::to_string(show->process().pid());
    const std::string maps = ReadAll(process / "maps");
    ASSERT_FALSE(maps.empty());
    for (const char* library : {"libGL", "libEGL", "_dri.so", "libLLVM"})
        EXPECT_EQ(maps.find(library), std::string::npos) << library << " is loaded";
    for (const auto& task : std::filesystem::directory_iterator(process / "task"))
        EXPECT_EQ(ReadAll(task.path() / "comm").find("llvmpipe"), std::string::npos) << "a rasteriser thread runs";
    EndWithKey(*show);
    EXPECT_EQ(show->Output(), "");
}

// The solid colours of the tests' pictures.
struct Named {
    const char* name;
    Rgb colour;
};
const Named kColours[] = {
    {"blue", {0, 0, 255}}, {"red", {255, 0, 0}}, {"green", {0, 255, 0}}, {"yellow", {255, 255, 0}},
};

// The name of the test colour nearest to this one, "black", or "other".
std::string ColourName(Rgb colour)
{
    if (IsBlack(colour))
        return "black";
    for (const Named& c : kColours) {
        // JPEG turns a solid colour into one within a few steps of it.
        if (Distance(colour, c.colour) <= 24)
            return c.name;
    }
    return "other " + Describe(colour);
}

// The lit pixels of a screen row: first and last.
std::optional<std::pair<int, int>> LitSpan(const Screenshot& row)
{
    std::optional<std::pair<int, int>> span;
    for (int x = row.region.x; x < row.region.x + row.region.width; ++x) {
        if (IsBlack(row.at(x, row.region.y)))
            continue;
        if (!span)
            span = std::pair{x, x};
        span->second = x;
    }
    return span;
}

TEST_F(E2eDisplayTest, PicturesOfEveryKindFollowTheSortedOrderAtTheInterval)
{
    // Kinds are scanned bmp, gif, jpg; the list is then sorted by name, so
    // the show goes blue, red, green, yellow. Each square is the picture's
    // shorter side, or the screen's height where that is smaller.
    struct Picture {
        const char* file;
        int width, height;
        Rgb colour;
        int side;
    };
    const Picture pictures[] = {
        {"1_blue.gif", 500, 400, {0, 0, 255}, 400},
        {"2_red.jpg", 1000, 800, {255, 0, 0}, 720},
        {"3_green.bmp", 640, 640, {0, 255, 0}, 640},
        {"4_yellow.gif", 300, 600, {255, 255, 0}, 300},
    };
    for (const Picture& p : pictures)
        ASSERT_TRUE(WriteSolidPicture(home.PicturePath(p.file), p.width, p.height, p.colour)) << p.file;
    WriteSettings({{"ｲﾝﾀｰﾊﾞﾙ", "1"}, {"画像ﾁｪﾝｼﾞ", "0"}});
    auto show = StartShow();
    ASSERT_TRUE(show->WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show->Output();

    // The centre row, sampled until five pictures have shown: the whole
    // list and the first again.
    struct Run {
        std::string colour;
        std::chrono::steady_clock::time_point first_seen;
        std::set<int> widths;
    };
    std::vector<Run> runs;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto now = std::chrono::steady_clock::now();
            const Screenshot row = server().Grab({0, kScreenHeight / 2, kScreenWidth, 1});
            if (row.empty())
                return false;
            const std::string colour = ColourName(row.at(kScreenWidth / 2, kScreenHeight / 2));
            const auto span = LitSpan(row);
            if (runs.empty() || runs.back().colour != colour)
                runs.push_back({colour, now, {}});
            runs.back().widths.insert(span ? span->second - span->first + 1 : 0);
            return runs.size() > 5;
        },
        Patience(20s), 5ms))
        << runs.size() << " pictures seen";

    const std::vector<std::string> expected_order = {"blue", "red", "green", "yellow", "blue"};
    std::vector<std::string> order;
    for (std::size_t i = 0; i < 5; ++i)
        order.push_back(runs[i].colour);
    EXPECT_EQ(order, expected_order);

    for (std::size_t i = 0; i < 5; ++i) {
        const Picture& p = pictures[i % 4];
        // The widest row of the disc: the square less its outer columns.
        EXPECT_EQ(runs[i].widths, std::set<int>{p.side - 2 * kDiscInset})
            << p.file << ": expected a square of " << p.side << " and nothing half drawn";
    }
    // Each picture stays its interval (less a poll and what one change
    // costs more than another), and is not held far longer.
    for (std::size_t i = 1; i < 4; ++i) {
        const auto shown = std::chrono::duration_cast<Milliseconds>(runs[i + 1].first_seen - runs[i].first_seen);
        EXPECT_GE(shown.count(), 800) << pictures[i].file << " shown for " << shown.count() << " ms";
        EXPECT_LE(shown.count(), (1s + Patience(2s)).count())
            << pictures[i].file << " shown for " << shown.count() << " ms";
    }
    EndWithKey(*show);
}

TEST_F(E2eDisplayTest, MovingBoxMovesAndStaysWithinAStepOfTheEdges)
{
    constexpr int side = 600;
    ASSERT_TRUE(WriteSolidPicture(home.PicturePath("only.jpg"), 800, side, {0, 0, 255}));
    WriteSettings({{"画像の位置", "1"}});
    auto show = StartShow();
    ASSERT_TRUE(show->WaitForWindow()) << show->Output();

    // The box starts centred and moves 3 pixels a frame along a diagonal,
    // turning once it has passed an edge: it never lies more than one step
    // beyond one. Watched until it has touched (within a step) the top, the
    // bottom and a side.
    constexpr int step = 3;
    std::set<std::pair<int, int>> places;
    bool top = false, bottom = false, side_edge = false;
    std::vector<std::string> outside;
    const bool touched = WaitUntil(
        [&] {
            const std::optional<Box> disc = NonBlackBox(server().GrabScreen());
            if (!disc)
                return false;
            const Box box = SquareOf(*disc, side);
            places.insert({box.left, box.top});
            if (box.left < -step || box.top < -step || box.right > kScreenWidth - 1 + step ||
                box.bottom > kScreenHeight - 1 + step || (box.left - 340) % step != 0 || (box.top - 60) % step != 0)
                outside.push_back(Describe(box));
            top = top || box.top <= 0;
            bottom = bottom || box.bottom >= kScreenHeight - 1;
            side_edge = side_edge || box.left <= 0 || box.right >= kScreenWidth - 1;
            return top && bottom && side_edge;
        },
        // A side is 114 steps away: on a machine busy with other builds
        // the show's timer falls behind and that takes far longer than the
        // two seconds it takes on an idle one.
        Patience(60s), 5ms);
    EXPECT_TRUE(touched) << "edges reached: top " << top << ", bottom " << bottom << ", side " << side_edge
                         << " over " << places.size() << " places";
    EXPECT_EQ(outside, std::vector<std::string>{})
        << "expected squares on 3-pixel steps from (340, 60), at most a step past an edge";
    EXPECT_GT(places.size(), 10u);
    EndWithKey(*show);
}

TEST_F(E2eDisplayTest, RandomPlaceKeepsEachPictureWhollyOnScreen)
{
    constexpr int side = 500;
    ASSERT_TRUE(WriteSolidPicture(home.PicturePath("a.bmp"), side, side, {255, 0, 0}));
    ASSERT_TRUE(WriteSolidPicture(home.PicturePath("b.gif"), side, side, {0, 255, 0}));
    ASSERT_TRUE(WriteSolidPicture(home.PicturePath("c.jpg"), side, side, {0, 0, 255}));
    WriteSettings({{"画像の位置", "2"}, {"ｲﾝﾀｰﾊﾞﾙ", "1"}});
    auto show = StartShow();
    ASSERT_TRUE(show->WaitForWindow()) << show->Output();

    // One place per picture, kept until the next.
    struct Run {
        std::string colour;
        std::set<std::string> places;
    };
    std::vector<Run> runs;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const Screenshot shot = server().GrabScreen();
            const std::optional<Box> disc = NonBlackBox(shot);
            if (!disc)
                return false;
            const std::string colour = ColourName(shot.at((disc->left + disc->right) / 2, (disc->top + disc->bottom) / 2));
            if (runs.empty() || runs.back().colour != colour)
                runs.push_back({colour, {}});
            const Box box{disc->left - kDiscInset, disc->top - kDiscInset, disc->right + kDiscInset,
                          disc->bottom + kDiscInset};
            runs.back().places.insert(Describe(box) + (box.width() == side && box.height() == side ? "" : " (cut)"));
            return runs.size() > 4;
        },
        Patience(20s), 5ms))
        << runs.size() << " pictures seen";

    std::set<std::string> distinct;
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE("picture " + std::to_string(i) + " (" + runs[i].colour + ")");
        ASSERT_EQ(runs[i].places.size(), 1u) << "the box moved while one picture showed";
        const std::string& place = *runs[i].places.begin();
        EXPECT_EQ(place.find("(cut)"), std::string::npos) << place << " is not wholly on screen";
        distinct.insert(place);
    }
    EXPECT_GE(distinct.size(), 2u) << "four pictures, always at the same place";
    EndWithKey(*show);
}

TEST_F(E2eDisplayTest, WithoutPicturesTheDesktopIsShown)
{
    // The folder holds only a kind that is switched off, so the list is
    // empty and the show captures what the screen showed before it.
    const Rgb desktop{0x33, 0x66, 0xcc};
    server().PaintRoot(desktop);
    ASSERT_EQ(Describe(server().PixelAt(640, 360)), Describe(desktop));
    ASSERT_TRUE(WriteSolidPicture(home.PicturePath("ignored.bmp"), 800, 600, {255, 0, 0}));
    WriteSettings({{"画像種類_0", "0"}});
    auto show = StartShow();
    ASSERT_TRUE(show->WaitForWindow()) << show->Output();
    // Until its first frame the window may still show what was beneath it.
    std::optional<Box> disc;
    WaitUntil(
        [&] {
            disc = NonBlackBox(server().GrabScreen());
            return disc && disc->width() < kScreenWidth;
        },
        Patience(10s));
    ASSERT_TRUE(disc.has_value());
    // The square is the screen's height, centred.
    EXPECT_EQ(Describe(*disc), Describe(Box{280 + kDiscInset, kDiscInset, 999 - kDiscInset, 719 - kDiscInset}));
    const Rgb centre = server().PixelAt(640, 360);
    EXPECT_LE(Distance(centre, desktop), 8) << "expected " << Describe(desktop) << ", got " << Describe(centre);
    EndWithKey(*show);
}

}  // namespace
}  // namespace nuvra::e2e
