// The settings dialog on the real binary under a private X server: "nuvra /c"
// shows the 557 x 508 window "Nuvraの設定" centred on the screen with the
// settings of the file on its controls; clicks, drags and typing change
// them; "設定" writes exactly the new values, "ｷｬﾝｾﾙ" and the close box
// write nothing; the choosers are the desktop's (a stand-in zenity here).
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "platform/linux/profile_file.h"
#include "platform/common/profile_text.h"
#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"

// After the harness: Xlib's macros stay out of the test's own names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace nuvra::e2e {
namespace {

constexpr const char* kDialogTitle = "Nuvraの設定";
constexpr int kWidth = 557;
constexpr int kHeight = 508;

// Brightness, to tell a dark mark from a light face.
int Light(Rgb c)
{
    return c.r + c.g + c.b;
}

std::map<std::string, std::string> ReadIni(const std::string& text)
{
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && line[0] != '[')
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

// Asks the window titled kDialogTitle to close, as a window manager's close
// box does.
bool SendCloseRequest(const XServer& server)
{
    ::Display* display = XOpenDisplay(server.name().c_str());
    if (display == nullptr)
        return false;
    bool sent = false;
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    for (unsigned int i = 0; i < count && !sent; ++i) {
        XTextProperty name{};
        if (XGetWMName(display, children[i], &name) == 0 || name.value == nullptr)
            continue;
        const std::string title(reinterpret_cast<const char*>(name.value), name.nitems);
        XFree(name.value);
        if (title != kDialogTitle)
            continue;
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = children[i];
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        sent = XSendEvent(display, children[i], False, NoEventMask, &event) != 0;
    }
    if (children != nullptr)
        XFree(children);
    XSync(display, False);
    XCloseDisplay(display);
    return sent;
}

class E2eDialogTest : public ShowTest {
protected:
    void SetUp() override
    {
        ShowTest::SetUp();
        left = (kScreenWidth - kWidth) / 2;
        top = (kScreenHeight - kHeight) / 2;
        for (const char* name : {"a.bmp", "b.bmp", "c.gif"})
            ASSERT_TRUE(WriteSolidPicture(home.PicturePath(name), 64, 48, {200, 60, 60}));
        // The chooser the user would see: this one prints what the test
        // chose (or ends with 1: cancelled) and keeps its arguments.
        stubs = (home.dir().path() / "bin").string();
        home.dir().WriteFile("bin/.keep", "");
    }

    void WriteChooser(const std::string& answer, int status)
    {
        const std::string script = "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + stubs + "/zenity.args'\n" +
                                   (answer.empty() ? "" : "printf '%s\\n' '" + answer + "'\n") + "exit " +
                                   std::to_string(status) + "\n";
        const std::string path = home.dir().WriteFile("bin/zenity", script);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }

    std::map<std::string, std::string> Extra() const
    {
        const char* path = std::getenv("PATH");
        return {{"PATH", stubs + ":" + (path != nullptr ? path : "/usr/bin:/bin")}};
    }

    std::unique_ptr<Show> OpenDialog()
    {
        auto dialog = std::make_unique<Show>(server(), home, NUVRA_BINARY, std::vector<std::string>{"/c"}, Extra());
        // Open once the window is mapped and its background is drawn.
        const bool open = WaitUntil(
            [&] {
                return (server().ViewableWindows(kDialogTitle) > 0 && !IsBlack(server().PixelAt(left + 5, top + 5))) ||
                       !dialog->Running();
            },
            Patience(10s));
        EXPECT_TRUE(open && dialog->Running()) << dialog->Output();
        return dialog;
    }

    // Client coordinates of the dialog to the screen's.
    Rgb At(int x, int y) { return server().PixelAt(left + x, top + y); }
    bool Click(int x, int y, const char* button = "1")
    {
        return server().Xdotool({"mousemove", std::to_string(left + x), std::to_string(top + y), "click", button});
    }
    bool WaitFor(const std::function<bool()>& done) { return WaitUntil(done, Patience(5s)); }
    std::string Ini() const { return home.dir().ReadFile("config/nuvra/Nuvra.ini"); }

    ShowHome home;
    std::string stubs;
    int left = 0;
    int top = 0;
};

TEST_F(E2eDialogTest, ShowsTheSettingsAndConfirmWritesTheChangedValues)
{
    home.WriteSettings({{"画像ﾁｪﾝｼﾞ", "1"},
                        {"画像の位置", "2"},
                        {"ｲﾝﾀｰﾊﾞﾙ", "25"},
                        {"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()},
                        {"画像種類_0", "1"},
                        {"画像種類_1", "1"},
                        {"画像種類_2", "0"},
                        {"画像種類_3", "1"},
                        {"BGM区分", "1"},
                        {"BGMﾘﾋﾟｰﾄ", "12"},
                        {"BGMﾌｧｲﾙ", ""},
                        {"回転ｽﾋﾟｰﾄﾞ", "7"}});
    WriteChooser("/music/new song.mp3", 0);
    std::unique_ptr<Show> dialog = OpenDialog();
    ASSERT_TRUE(dialog->Running());
    EXPECT_EQ(server().ViewableWindows(kDialogTitle), 1);

    // The options: "ﾗﾝﾀﾞﾑ" (360, 68) and position "ﾗﾝﾀﾞﾑ" (424, 120) carry the
    // dot, "ｼｰｹﾝｼｬﾙ" (360, 48) and "中心" (360, 120) do not.
    ASSERT_TRUE(WaitFor([&] { return Light(At(366, 74)) < Light(At(366, 54)) - 150; }));
    EXPECT_LT(Light(At(430, 126)), Light(At(366, 126)) - 150);
    // Music CD (136, 376) is selected, none (136, 392) is not.
    EXPECT_LT(Light(At(142, 382)), Light(At(142, 398)) - 150);
    // The file option's caption ends before the file button (its face from
    // x 216), with the two pixels before the face left clear.
    int caption_dark = 0, gap_dark = 0;
    for (int y = 408; y < 422; ++y) {
        for (int x = 152; x < 214; ++x)
            caption_dark += Light(At(x, y)) < 300 ? 1 : 0;
        for (int x = 214; x < 216; ++x)
            gap_dark += Light(At(x, y)) < 600 ? 1 : 0;
    }
    EXPECT_GT(caption_dark, 40);
    EXPECT_EQ(gap_dark, 0);
    // The kinds: *.jpg (220, 232) clear, *.bmp (220, 200) ticked, and the
    // newer *.png and *.webp beside *.gif and *.jpg (266, 216 and 232)
    // ticked: the file names no such kinds.
    int ticked_dark = 0, clear_dark = 0, png_dark = 0, webp_dark = 0;
    for (int y = 2; y < 10; ++y)
        for (int x = 2; x < 10; ++x) {
            ticked_dark += Light(At(220 + x, 200 + y)) < 450 ? 1 : 0;
            clear_dark += Light(At(220 + x, 232 + y)) < 450 ? 1 : 0;
            png_dark += Light(At(266 + x, 216 + y)) < 450 ? 1 : 0;
            webp_dark += Light(At(266 + x, 232 + y)) < 450 ? 1 : 0;
        }
    EXPECT_GT(ticked_dark, 4);
    EXPECT_EQ(clear_dark, 0);
    EXPECT_GT(png_dark, 4);
    EXPECT_GT(webp_dark, 4);
    // The count box (140, 56, 33 x 17) is white with the dark "3" at its
    // right end; the list holds three names.
    EXPECT_EQ(At(142, 58), (Rgb{255, 255, 255}));
    int count_dark = 0;
    for (int y = 58; y < 71; ++y)
        for (int x = 150; x < 171; ++x)
            count_dark += Light(At(x, y)) < 300 ? 1 : 0;
    EXPECT_GT(count_dark, 3);
    // The interval slider's thumb sits where 25 of 10..60 puts it: its
    // raised face starts 28 pixels into the 89-pixel bar at (356, 196).
    EXPECT_EQ(At(356 + 28 + 1, 196 + 8), (Rgb{255, 255, 255}));
    EXPECT_NE(At(356 + 24, 196 + 8), (Rgb{255, 255, 255}));

    // Change: order sequential (by the caption, right button), position
    // centre, tick *.jpg, clear *.webp, two steps right on the interval,
    // speed dragged to the slow end, repeat 7, then the music file through
    // the chooser.
    ASSERT_TRUE(Click(380, 49, "3"));
    ASSERT_TRUE(Click(366, 126));
    ASSERT_TRUE(Click(226, 238));
    ASSERT_TRUE(Click(272, 238));
    ASSERT_TRUE(Click(356 + 89 - 8, 204));
    ASSERT_TRUE(Click(356 + 89 - 8, 204));
    const int speed_thumb = 364 + 17 + (7 - 1) * (89 - 34 - 17) / 9 + 5;
    ASSERT_TRUE(server().Xdotool({"mousemove", std::to_string(left + speed_thumb), std::to_string(top + 264),
                                  "mousedown", "1", "mousemove", std::to_string(left + 300), std::to_string(top + 264),
                                  "mouseup", "1"}));
    ASSERT_TRUE(Click(210, 382));
    ASSERT_TRUE(server().Xdotool({"key", "End", "BackSpace", "BackSpace", "type", "7"}));
    ASSERT_TRUE(Click(142, 414));  // "MP3、WAV"
    ASSERT_TRUE(WaitFor([&] { return Light(At(142, 414)) < Light(At(142, 382)) - 150; }));
    ASSERT_TRUE(Click(250, 412));  // "ﾌｧｲﾙ名"
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(stubs + "/zenity.args"); }));
    ASSERT_TRUE(Click(378, 324));  // "設定"
    const std::optional<ExitStatus> status = dialog->WaitForEnd();
    ASSERT_TRUE(status.has_value()) << "the dialog did not close";
    EXPECT_EQ(*status, 0) << dialog->Output();

    const std::map<std::string, std::string> expected = {
        {"画像ﾁｪﾝｼﾞ", "0"},  {"画像の位置", "0"},   {"ｲﾝﾀｰﾊﾞﾙ", "27"},  {"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()},
        {"画像種類_0", "1"}, {"画像種類_1", "1"},   {"画像種類_2", "1"}, {"画像種類_3", "1"},
        {"画像種類_4", "1"}, {"画像種類_5", "0"}, {"ｻﾌﾞﾌｫﾙﾀﾞ", "0"},
        {"BGM区分", "2"},    {"BGMﾘﾋﾟｰﾄ", "7"},     {"BGMﾌｧｲﾙ", "/music/new song.mp3"}, {"回転ｽﾋﾟｰﾄﾞ", "1"},
    };
    const std::map<std::string, std::string> written = ReadIni(Ini());
    for (const auto& [key, value] : expected) {
        const auto found = written.find(key);
        ASSERT_NE(found, written.end()) << key << " missing:\n" << Ini();
        EXPECT_EQ(found->second, value) << key;
    }
    EXPECT_EQ(written.size(), expected.size()) << Ini();
    // The chooser had the file dialog's title.
    const std::string arguments = home.dir().ReadFile("bin/zenity.args");
    EXPECT_NE(arguments.find("ﾌｧｲﾙを開く"), std::string::npos) << arguments;
}

TEST_F(E2eDialogTest, CancelAndTheCloseBoxLeaveTheFileAsItWas)
{
    home.WriteSettings({{"画像ﾁｪﾝｼﾞ", "1"}, {"ｲﾝﾀｰﾊﾞﾙ", "12.5"}, {"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()}});
    const std::string before = Ini();
    for (const bool close_box : {false, true}) {
        SCOPED_TRACE(close_box ? "close box" : "cancel");
        std::unique_ptr<Show> dialog = OpenDialog();
        ASSERT_TRUE(dialog->Running());
        ASSERT_TRUE(Click(366, 54));   // sequential
        ASSERT_TRUE(Click(220 + 6, 206));  // *.bmp off
        if (close_box) {
            ASSERT_TRUE(SendCloseRequest(server()));
        } else {
            ASSERT_TRUE(Click(478, 324));  // "ｷｬﾝｾﾙ"
        }
        const std::optional<ExitStatus> status = dialog->WaitForEnd();
        ASSERT_TRUE(status.has_value());
        EXPECT_EQ(*status, 0) << dialog->Output();
        EXPECT_EQ(Ini(), before);
        EXPECT_EQ(server().ViewableWindows(kDialogTitle), 0);
    }
}

TEST_F(E2eDialogTest, TheFolderChooserRefillsTheListAndASecondDialogEndsAtOnce)
{
    home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", ""}});
    const std::string other = (home.dir().path() / "other").string();
    std::filesystem::create_directories(other);
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(WriteSolidPicture(other + "/p" + std::to_string(i) + ".jpg", 16, 16, {10, 200, 10}));
    WriteChooser(other, 0);
    std::unique_ptr<Show> dialog = OpenDialog();
    ASSERT_TRUE(dialog->Running());
    // The count box is empty with no folder.
    int count_dark = 0;
    for (int y = 58; y < 71; ++y)
        for (int x = 142; x < 171; ++x)
            count_dark += Light(At(x, y)) < 300 ? 1 : 0;
    EXPECT_EQ(count_dark, 0);

    Show second(server(), home, NUVRA_BINARY, {"/c"}, Extra());
    const std::optional<ExitStatus> second_status = second.WaitForEnd();
    ASSERT_TRUE(second_status.has_value()) << "a second dialog stayed open";
    EXPECT_EQ(*second_status, 0);
    EXPECT_EQ(server().ViewableWindows(kDialogTitle), 1);

    // The list fills with the chosen folder's twelve pictures: the first
    // row of the list turns dark with a name.
    const Screenshot list_before = server().Grab({left + 26, top + 82, 140, 14});
    ASSERT_TRUE(Click(76, 62));  // "ﾌｫﾙﾀﾞで指定..."
    ASSERT_TRUE(WaitFor([&] { return !(server().Grab({left + 26, top + 82, 140, 14}) == list_before); }));
    const std::string arguments = home.dir().ReadFile("bin/zenity.args");
    EXPECT_NE(arguments.find("--directory"), std::string::npos) << arguments;
    // A cancelled chooser changes nothing.
    WriteChooser("", 1);
    const Screenshot list_after = server().Grab({left + 26, top + 82, 140, 200});
    ASSERT_TRUE(Click(76, 62));
    ASSERT_TRUE(WaitFor([&] { return home.dir().ReadFile("bin/zenity.args").size() > arguments.size(); }));
    EXPECT_FALSE(WaitUntil([&] { return !(server().Grab({left + 26, top + 82, 140, 200}) == list_after); }, 500ms));
    ASSERT_TRUE(Click(478, 324));  // "ｷｬﾝｾﾙ"
    ASSERT_TRUE(dialog->WaitForEnd().has_value());
}

TEST_F(E2eDialogTest, AFolderNamedInLatin1IsSavedByteForByteAndTouchesNoOtherKey)
{
    const std::vector<std::pair<std::string, std::string>> keys = {
        {"画像ﾁｪﾝｼﾞ", "1"}, {"画像の位置", "2"}, {"ｲﾝﾀｰﾊﾞﾙ", "25"}, {"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()},
        {"画像種類_0", "1"}, {"画像種類_1", "1"}, {"画像種類_2", "0"}, {"画像種類_3", "1"},
        {"BGM区分", "1"},   {"BGMﾘﾋﾟｰﾄ", "12"}, {"BGMﾌｧｲﾙ", ""},   {"回転ｽﾋﾟｰﾄﾞ", "7"}};
    home.WriteSettings(keys);
    const std::string folder = home.dir().str() + "/caf\xE9";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    ASSERT_TRUE(WriteSolidPicture(folder + "/p.bmp", 16, 16, {10, 200, 10}));
    WriteChooser(folder, 0);
    std::unique_ptr<Show> dialog = OpenDialog();
    ASSERT_TRUE(dialog->Running());
    const Screenshot list_before = server().Grab({left + 26, top + 82, 140, 42});
    ASSERT_TRUE(Click(76, 62));  // "ﾌｫﾙﾀﾞで指定..."
    ASSERT_TRUE(WaitFor([&] { return !(server().Grab({left + 26, top + 82, 140, 42}) == list_before); }));
    ASSERT_TRUE(Click(378, 324));  // "設定"
    const std::optional<ExitStatus> status = dialog->WaitForEnd();
    ASSERT_TRUE(status.has_value()) << "the dialog did not close";
    EXPECT_EQ(*status, 0) << dialog->Output();

    const std::string text = Ini();
    EXPECT_TRUE(common_platform::IsValidUtf8(text)) << text;
    const std::map<std::string, std::string> written = ReadIni(text);
    // Besides the file's keys, only the two newer kinds, which the file did
    // not name and so were on, and the subfolders, off.
    EXPECT_EQ(written.size(), keys.size() + 3) << text;
    EXPECT_EQ(written.count("画像種類_4") + written.count("画像種類_5") + written.count("ｻﾌﾞﾌｫﾙﾀﾞ"), 3u) << text;
    for (const auto& [key, value] : keys) {
        const auto found = written.find(key);
        if (key != "画像のﾌｫﾙﾀﾞ") {
            EXPECT_EQ(found != written.end() ? found->second : "(missing)", value) << key;
        }
    }
    std::array<char, 256> buffer{};
    const std::uint32_t length = linux_platform::LinuxProfileFile().GetPrivateProfileString(
        "Section", "画像のﾌｫﾙﾀﾞ", "", buffer, (home.dir().path() / "config/nuvra/Nuvra.ini").string());
    EXPECT_EQ(std::string(buffer.data(), length), folder);
}

TEST_F(E2eDialogTest, ASaveThatFailsSaysWhereAndWhyAndTheDialogStaysOpen)
{
    // A folder where the file should be: no user, root included, can save.
    const std::filesystem::path ini = home.dir().path() / "config/nuvra/Nuvra.ini";
    std::filesystem::create_directories(ini);
    WriteChooser("", 0);  // the message box's zenity
    std::unique_ptr<Show> dialog = OpenDialog();
    ASSERT_TRUE(dialog->Running());
    ASSERT_TRUE(Click(378, 324));  // "設定"
    const std::string message = "The settings could not be saved to \"" + ini.string() + "\": Is a directory.";
    ASSERT_TRUE(WaitFor([&] {
        return std::filesystem::exists(stubs + "/zenity.args") &&
               home.dir().ReadFile("bin/zenity.args").find(message) != std::string::npos;
    })) << "no message box saying \"" << message << "\"; the dialog said:\n" << dialog->Output();
    EXPECT_NE(home.dir().ReadFile("bin/zenity.args").find("--error"), std::string::npos);
    EXPECT_NE(dialog->Output().find(message), std::string::npos) << dialog->Output();
    EXPECT_TRUE(dialog->Running());
    EXPECT_EQ(server().ViewableWindows(kDialogTitle), 1);

    ASSERT_TRUE(Click(478, 324));  // "ｷｬﾝｾﾙ"
    const std::optional<ExitStatus> status = dialog->WaitForEnd();
    ASSERT_TRUE(status.has_value()) << "the dialog did not close";
    EXPECT_EQ(*status, 0) << dialog->Output();
    EXPECT_TRUE(std::filesystem::is_directory(ini));
}


// Today's pictures in a folder with a subfolder: a PNG, a phone's portrait
// photo stored on its side, a WebP and, in the subfolder, a BMP. The list
// names all four, the subfolder's by its path from the folder, and a click
// on each shows its thumbnail; the photo's is upright and portrait.
TEST_F(E2eDialogTest, TodaysPicturesAreListedWithTheirPathsAndThePhotoIsUpright)
{
    const std::filesystem::path folder = home.dir().path() / "today";
    std::filesystem::create_directories(folder / "sub");
    constexpr Rgb kRed{220, 30, 30}, kCyan{30, 200, 210}, kGreen{30, 200, 60}, kBlue{40, 60, 230};
    ASSERT_TRUE(WriteSolidPicture((folder / "1_red.png").string(), 300, 240, kRed));
    // Upright 300 x 600: cyan, with a red band across rows 150 to 199.
    ASSERT_TRUE(WriteSidewaysJpeg((folder / "2_photo.jpg").string(), 300, 600,
                                  [&](int, int y) { return y >= 150 && y < 200 ? kRed : kCyan; }));
    ASSERT_TRUE(WriteSolidPicture((folder / "3_green.webp").string(), 300, 240, kGreen));
    ASSERT_TRUE(WriteSolidPicture((folder / "sub" / "4_blue.bmp").string(), 300, 240, kBlue));
    home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", folder.string()}, {"ｻﾌﾞﾌｫﾙﾀﾞ", "1"}});
    std::unique_ptr<Show> dialog = OpenDialog();
    ASSERT_TRUE(dialog->Running());

    // The list's rows are 13 pixels from (28, 84); the thumbnail box is at
    // (206, 66), as wide and high as the thumbnail.
    auto thumbnail = [&](int row) {
        const Screenshot before = server().Grab({left + 206, top + 66, 100, 100});
        EXPECT_TRUE(Click(60, 84 + 13 * row + 6));
        EXPECT_TRUE(WaitFor([&] { return !(server().Grab({left + 206, top + 66, 100, 100}) == before); }))
            << "row " << row << " showed no new thumbnail";
        return server().Grab({left + 206, top + 66, 100, 100});
    };
    auto near = [](Rgb a, Rgb b) { return Distance(a, b) < 40; };
    const std::vector<Rgb> solid = {kRed, kRed, kGreen, kBlue};
    for (int row : {0, 2, 3, 1}) {
        SCOPED_TRACE("row " + std::to_string(row));
        const Screenshot shot = thumbnail(row);
        if (row != 1) {
            EXPECT_TRUE(near(shot.at(left + 206 + 40, top + 66 + 30), solid[static_cast<std::size_t>(row)]))
                << Describe(shot.at(left + 206 + 40, top + 66 + 30));
            continue;
        }
        // 50 x 100: the band across rows 25 to 33, cyan below it, and
        // nothing of the photo right of column 50.
        EXPECT_TRUE(near(shot.at(left + 206 + 10, top + 66 + 29), kRed)) << Describe(shot.at(left + 206 + 10, top + 66 + 29));
        EXPECT_TRUE(near(shot.at(left + 206 + 25, top + 66 + 70), kCyan)) << Describe(shot.at(left + 206 + 25, top + 66 + 70));
        const Rgb beside = shot.at(left + 206 + 75, top + 66 + 10);
        EXPECT_FALSE(near(beside, kCyan) || near(beside, kRed)) << Describe(beside);
    }
    ASSERT_TRUE(Click(478, 324));  // "ｷｬﾝｾﾙ"
    ASSERT_TRUE(dialog->WaitForEnd().has_value());
}

}  // namespace
}  // namespace nuvra::e2e
