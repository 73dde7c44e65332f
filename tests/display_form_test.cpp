#include "display/display_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "images/work_file.h"
#include "support/fake_pictures.h"
#include "support/fake_show_platform.h"
#include "support/fake_windows.h"

namespace nuvra {
namespace {

using test::Key;
using test::MouseDown;
using test::MouseMove;

constexpr platform::Key kLeft = platform::Key::Left;
constexpr platform::Key kUp = platform::Key::Up;
constexpr platform::Key kRight = platform::Key::Right;

using ShowPlatform = test::FakeShowPlatform;

class DisplayFormTest : public ::testing::Test {
protected:
    // count solid pictures at /pics/N.bmp in show order 1..count.
    void Pictures(int count)
    {
        ImageList& images = state.nuvra_b.images;
        images.ImageCount = static_cast<std::int16_t>(count);
        images.ImageFiles.assign(1, "");
        images.ShowOrder.assign(1, 0);
        for (int i = 1; i <= count; ++i) {
            const std::string path = "/pics/" + std::to_string(i) + ".bmp";
            fake.pictures.Add(path, test::MakePicture(64, 48, 24, [i](std::int32_t, std::int32_t) {
                                  return static_cast<std::uint32_t>(0x101010 * i);
                              }));
            images.ImageFiles.push_back(path);
            images.ShowOrder.push_back(static_cast<std::int16_t>(i));
        }
    }
    int Run()
    {
        DisplayForm form(state, fake.platform, ShowStart::System);
        return form.Form_Load();
    }
    bool WorkFilesExist() const
    {
        return std::filesystem::exists(SquareWorkFilePath(const_cast<test::FakeFileSystem&>(fake.files))) ||
               std::filesystem::exists(EightBitWorkFilePath(const_cast<test::FakeFileSystem&>(fake.files)));
    }

    ShowPlatform fake;
    ProcessState state;
};

TEST_F(DisplayFormTest, AKeyEndsTheShowAndEverythingIsPutBack)
{
    Pictures(2);
    state.nuvra_b.settings.ChangeInterval = 10;
    state.nuvra_b.settings.RotationSpeed = 5;
    bool files_during_show = false;
    fake.windows.on_pump = [&](int) { files_during_show = WorkFilesExist(); };
    fake.windows.script = {{}, {}, {Key(platform::Key::Character)}};

    EXPECT_EQ(Run(), kExitShowEnded);
    ASSERT_EQ(fake.windows.windows.size(), 1u);
    const test::FakeWindowRecord& window = *fake.windows.windows[0];
    EXPECT_EQ(window.request.title, "Nuvra_Main");
    EXPECT_EQ(window.request.style, platform::WindowStyle::Fullscreen);
    EXPECT_EQ(window.request.bounds.right, 1024);
    EXPECT_TRUE(window.shown);
    EXPECT_TRUE(window.destroyed);
    // Three frames, the last of them ended by the key; the centred 48-pixel
    // box sits at ((1024 - 48) / 2, (768 - 48) / 2).
    EXPECT_EQ(window.presents, 3);
    EXPECT_EQ(window.last_position.x, 488);
    EXPECT_EQ(window.last_position.y, 360);
    EXPECT_TRUE(files_during_show);
    EXPECT_FALSE(WorkFilesExist()) << "the work files outlived the show";
    EXPECT_FALSE(state.nuvra_b.SourcePixels.bound());
    EXPECT_FALSE(state.nuvra_b.DisplayPixels.bound());
    // "S" raised the running flag at start-up; the end lowers it.
    EXPECT_EQ(fake.session.screen_saver_running, std::vector<bool>{false});
}

TEST_F(DisplayFormTest, NoWindowMeansNoShow)
{
    fake.windows.fail_create = true;
    EXPECT_EQ(Run(), kExitNoWindow);
    EXPECT_FALSE(WorkFilesExist());
    EXPECT_TRUE(fake.pictures.loads.empty()) << "a picture was prepared for a show that cannot run";
}

TEST_F(DisplayFormTest, InputThatEndsTheShow)
{
    struct Case {
        const char* name;
        std::int16_t bgm_kind;
        bool command_line_empty;
        std::vector<platform::InputEvent> input;
        std::vector<platform::Point> cursor;  // GetCursorPos at each movement
        bool ends;
    } cases[] = {
        {"any button", 0, false, {MouseDown()}, {}, true},
        {"left arrow without CD music", 0, false, {Key(kLeft)}, {}, true},
        {"left arrow with CD music", 1, false, {Key(kLeft)}, {}, false},
        {"right arrow with CD music", 1, false, {Key(kRight)}, {}, false},
        {"up arrow with CD music", 1, false, {Key(kUp)}, {}, true},
        {"horizontal movement", 0, false, {MouseMove(100, 100), MouseMove(150, 100)}, {{100, 100}, {150, 100}}, false},
        {"diagonal movement", 0, false, {MouseMove(100, 100), MouseMove(150, 101)}, {{100, 100}, {150, 101}}, true},
        {"one pixel diagonal", 0, false, {MouseMove(1, 1), MouseMove(2, 2)}, {{1, 1}, {2, 2}}, true},
        {"movement, empty command line", 0, true, {MouseMove(1, 1), MouseMove(50, 50)}, {{1, 1}, {50, 50}}, false},
        {"button, empty command line", 0, true, {MouseDown()}, {}, true},
    };
    for (const Case& c : cases) {
        ShowPlatform local;
        ProcessState local_state;
        local_state.sound_01.settings.BgmKind = static_cast<BgmKindOption>(c.bgm_kind);
        DisplayForm form(local_state, local.platform, c.command_line_empty ? ShowStart::User : ShowStart::System);
        std::size_t moves = 0;
        for (const platform::InputEvent& event : c.input) {
            if (event.kind == platform::InputKind::MouseMove) {
                local.cursor.position = c.cursor[moves++];
                form.Form_MouseMove();
            } else if (event.kind == platform::InputKind::KeyDown) {
                form.Form_KeyDown(event.key);
            } else {
                form.Form_MouseDown();
            }
        }
        EXPECT_EQ(form.ended(), c.ends) << c.name;
    }
}

TEST_F(DisplayFormTest, ArrowKeysStepTheCdTrack)
{
    state.sound_01.settings.BgmKind = BgmKindOption::AudioCd;
    fake.mci.Script("status cdaudio current track", {{0, "2"}});
    fake.mci.Script("status cdaudio number of tracks", {{0, "3"}});
    DisplayForm form(state, fake.platform, ShowStart::System);
    form.Form_KeyDown(kRight);
    form.Form_KeyDown(kLeft);
    EXPECT_FALSE(form.ended());
    const std::vector<std::string> commands = fake.mci.Commands();
    auto sent = [&](const std::string& text) {
        return std::find(commands.begin(), commands.end(), text) != commands.end();
    };
    EXPECT_TRUE(sent("status cdaudio current track")) << "the track was never asked for";
}

TEST_F(DisplayFormTest, TheMovingBoxTurnsOneStepPastTheEdge)
{
    // A box as tall as an even screen only trembles: 3, 0, -3, 0, 3 ...
    DisplayForm form(state, fake.platform, ShowStart::System);
    NuvraS& s = form.form();
    s.DisplayWidth = 768;
    s.BounceCentreX = 512;
    s.BounceCentreY = 384;
    s.BounceStepX = 3;
    s.BounceStepY = 3;
    std::vector<int> offsets_y;
    std::vector<int> offsets_x;
    for (int i = 0; i < 6; ++i) {
        form.Timer5_Timer();
        offsets_y.push_back(s.BounceOffsetY);
        offsets_x.push_back(s.BounceOffsetX);
    }
    EXPECT_EQ(offsets_y, (std::vector<int>{3, 0, -3, 0, 3, 0}));
    EXPECT_EQ(offsets_x, (std::vector<int>{3, 6, 9, 12, 15, 18}));
    EXPECT_DOUBLE_EQ(s.DisplayTop, 0.0);  // 384 - 384 + 0
    EXPECT_DOUBLE_EQ(s.DisplayLeft, 512 - 384 + 18);

    // Heading right, the box turns once its offset passes centre - W/2.
    s.BounceOffsetX = 128;
    s.BounceStepX = 3;
    form.Timer5_Timer();
    EXPECT_EQ(s.BounceOffsetX, 131);
    EXPECT_EQ(s.BounceStepX, -3);
}

TEST_F(DisplayFormTest, TheMovingBoxIsCentredFromTheFirstFrame)
{
    Pictures(1);
    state.nuvra_b.settings.ImagePosition = ImagePositionOption::MovingBox;
    fake.windows.script = {{Key(platform::Key::Character)}};

    EXPECT_EQ(Run(), kExitShowEnded);
    ASSERT_EQ(fake.windows.windows.size(), 1u);
    const test::FakeWindowRecord& window = *fake.windows.windows[0];
    // The timer has not ticked before the first frame: the 48-pixel box is
    // where its offsets of 0 put it, not at the form's corner.
    ASSERT_TRUE(window.first_position.has_value());
    EXPECT_EQ(window.first_position->x, 488);
    EXPECT_EQ(window.first_position->y, 360);
}

TEST_F(DisplayFormTest, TheShowTakesItsSizeFromTheWindowItGot)
{
    // The window system grants 800 x 600 of the 1024 x 768 screen: the
    // square is no taller than the window and centred in it.
    Pictures(1);
    fake.pictures.Add("/pics/1.bmp", test::MakePicture(1000, 700, 24, [](std::int32_t, std::int32_t) { return 0x808080u; }));
    fake.windows.granted_bounds = platform::Rect{0, 0, 800, 600};
    DisplayForm form(state, fake.platform, ShowStart::System);
    fake.windows.script = {{Key(platform::Key::Character)}};

    EXPECT_EQ(form.Form_Load(), kExitShowEnded);

    EXPECT_EQ(form.form().ScreenWidthPx, 800);
    EXPECT_EQ(form.form().ScreenHeightPx, 600);
    EXPECT_EQ(form.form().DisplayWidth, 600);
    ASSERT_TRUE(fake.windows.windows[0]->first_position.has_value());
    EXPECT_EQ(fake.windows.windows[0]->first_position->x, 100);
    EXPECT_EQ(fake.windows.windows[0]->first_position->y, 0);
}

TEST_F(DisplayFormTest, FramesKeepToTheLimitOnAFastDisplay)
{
    // A 144 Hz display: every third refresh keeps within 60 a second; a
    // limit of 144 takes every refresh.
    Pictures(1);
    fake.windows.refresh_hz = 144.0;
    for (const auto& [limit, refreshes] : {std::pair{60, 3}, std::pair{144, 1}}) {
        state.nuvra_b.FrameLimit = static_cast<std::int16_t>(limit);
        fake.windows.script = {{Key(platform::Key::Character)}};
        EXPECT_EQ(Run(), kExitShowEnded);
        const std::optional<platform::FramePacing>& pacing = fake.windows.windows.back()->pacing;
        ASSERT_TRUE(pacing.has_value()) << "limit " << limit;
        EXPECT_EQ(pacing->refreshes_per_frame, refreshes) << "limit " << limit;
    }
}

TEST_F(DisplayFormTest, EachFrameSaysWhatChangedAndNothingElseDoes)
{
    // Two textured pictures (their own colour tables), a change every two
    // seconds while the disc turns, then the disc stands still. A window
    // that keeps its last frame and takes only what each frame says changed
    // must hold the picture presented every time.
    Pictures(2);
    for (int i = 1; i <= 2; ++i) {
        fake.pictures.Add("/pics/" + std::to_string(i) + ".bmp",
                          test::MakePicture(64, 48, 24, [i](std::int32_t x, std::int32_t y) {
                              return static_cast<std::uint32_t>((x * 4 * i) << 16 | (y * 5) << 8 |
                                                                ((x * y * i) & 0xFF));
                          }));
    }
    state.nuvra_b.settings.ChangeInterval = 2;
    state.nuvra_b.settings.RotationSpeed = 5;
    DisplayForm form(state, fake.platform, ShowStart::System);
    constexpr int kStandStill = 7;
    fake.windows.on_pump = [&](int pump) {
        if (pump < kStandStill)
            fake.clock.now += 1000;
        else
            form.form().AngleStep = 0;
    };
    fake.windows.script.resize(10);
    fake.windows.script.push_back({Key(platform::Key::Character)});

    EXPECT_EQ(form.Form_Load(), kExitShowEnded);

    const test::FakeWindowRecord& window = *fake.windows.windows[0];
    EXPECT_EQ(window.stale_frames, 0);
    EXPECT_EQ(window.mirrored_frames, window.presents) << "every frame reads the same from both ends of its rows";
    EXPECT_EQ(window.falsely_mirrored_frames, 0);
    using platform::ImageChange;
    const std::vector<ImageChange>& changes = window.changes;
    ASSERT_GT(changes.size(), static_cast<std::size_t>(kStandStill + 2));
    EXPECT_EQ(changes.front(), ImageChange::All);
    EXPECT_GE(std::count(changes.begin(), changes.begin() + kStandStill, ImageChange::All), 3)
        << "a new picture is sent whole";
    EXPECT_GE(std::count(changes.begin(), changes.begin() + kStandStill, ImageChange::Rows), 2)
        << "a turning disc sends only the disc";
    // Standing still: after the frame that drew the last angle, nothing.
    EXPECT_EQ(std::count(changes.begin() + kStandStill + 2, changes.end(), ImageChange::None),
              static_cast<std::ptrdiff_t>(changes.size()) - kStandStill - 2);
}

TEST_F(DisplayFormTest, PicturesChangeAfterIntervalTicksAndTimersCoalesce)
{
    Pictures(3);
    state.nuvra_b.settings.ChangeInterval = 3;
    // A second passes between pumps, except one pump that took five
    // seconds: its ticks coalesce into one.
    fake.windows.on_pump = [&](int pump) { fake.clock.now += pump == 4 ? 5000 : 1000; };
    fake.windows.script.resize(9);
    fake.windows.script.push_back({Key(platform::Key::Character)});
    EXPECT_EQ(Run(), kExitShowEnded);
    // Ticks at pumps 0..9 (ten ticks, the slow pump counting once): the
    // first picture at load, then a change at every third tick.
    std::vector<std::string> picture_loads;
    for (const std::string& path : fake.pictures.loads) {
        if (path.rfind("/pics/", 0) == 0)
            picture_loads.push_back(path);
    }
    // The last load is the picture after the last change, prepared ahead.
    EXPECT_EQ(picture_loads, (std::vector<std::string>{"/pics/1.bmp", "/pics/2.bmp", "/pics/3.bmp", "/pics/1.bmp",
                                                        "/pics/2.bmp"}));
}

TEST_F(DisplayFormTest, EachChangeShowsThePicturePreparedAheadInShowOrder)
{
    // Two pictures of different sizes, and a broken one between them: the
    // broken one leaves the picture before it on screen.
    Pictures(3);
    fake.pictures.Add("/pics/1.bmp", test::MakePicture(40, 40, 24, [](std::int32_t, std::int32_t) { return 0x102030u; }));
    fake.pictures.Add("/pics/3.bmp", test::MakePicture(30, 30, 24, [](std::int32_t, std::int32_t) { return 0x405060u; }));
    fake.pictures.failing_loads.insert("/pics/2.bmp");
    state.nuvra_b.settings.ChangeInterval = 1;
    std::vector<std::pair<std::int16_t, std::int32_t>> shown;  // PictureIndex and square side after each pump
    DisplayForm form(state, fake.platform, ShowStart::System);
    fake.windows.on_pump = [&](int) {
        shown.emplace_back(form.form().PictureIndex, form.form().Img_View.width);
        fake.clock.now += 1000;
    };
    fake.windows.script.resize(5);
    fake.windows.script.push_back({Key(platform::Key::Character)});
    EXPECT_EQ(form.Form_Load(), kExitShowEnded);
    ASSERT_GE(shown.size(), 5u);
    const std::vector<std::pair<std::int16_t, std::int32_t>> expected = {{1, 40}, {2, 40}, {3, 30}, {1, 40}, {2, 40}};
    EXPECT_EQ(std::vector(shown.begin(), shown.begin() + 5), expected);
    EXPECT_TRUE(fake.message_box.shown.empty());
}

// The next picture is prepared ahead, but its work files are written only
// at its change: between two changes they hold the picture on screen, and a
// picture that could not be prepared leaves the previous picture's files.
TEST_F(DisplayFormTest, TheWorkFilesHoldThePictureOnScreenFromEachChangeToTheNext)
{
    Pictures(3);
    fake.pictures.Add("/pics/1.bmp", test::MakePicture(40, 40, 24, [](std::int32_t, std::int32_t) { return 0x102030u; }));
    fake.pictures.Add("/pics/3.bmp", test::MakePicture(30, 30, 24, [](std::int32_t, std::int32_t) { return 0x405060u; }));
    fake.pictures.failing_loads.insert("/pics/2.bmp");
    state.nuvra_b.settings.ChangeInterval = 1;
    struct Seen {
        std::uint32_t square_file_centre = 0xDEAD;  // the 24-bit work file
        bool square_file_is_on_screen = false;
        bool eight_bit_file_is_on_screen = false;
    };
    std::vector<Seen> seen;
    DisplayForm form(state, fake.platform, ShowStart::System);
    fake.windows.on_pump = [&](int) {
        const NuvraS& shown = form.form();
        Seen now;
        const std::string square_path = SquareWorkFilePath(fake.files);
        if (auto it = fake.pictures.stored.find(square_path);
            it != fake.pictures.stored.end() && fake.files.CanOpenForReading(square_path)) {
            const platform::Picture& square = it->second;
            now.square_file_centre = test::PixelAt(square, square.width / 2, square.height / 2);
            now.square_file_is_on_screen = square.width == shown.Pic_Ogn.width && square.pixels == shown.Pic_Ogn.pixels;
        }
        if (const std::optional<platform::Picture> eight_bit = test::ReadSimpleBmp(EightBitWorkFilePath(fake.files)))
            now.eight_bit_file_is_on_screen = eight_bit->width == shown.Img_View.width &&
                                              eight_bit->pixels == shown.Img_View.pixels &&
                                              eight_bit->palette == shown.Img_View.palette;
        seen.push_back(now);
        fake.clock.now += 1000;
    };
    fake.windows.script.resize(5);
    fake.windows.script.push_back({Key(platform::Key::Character)});
    EXPECT_EQ(form.Form_Load(), kExitShowEnded);

    // On screen after each pump: 1, 1 again (2 is broken), 3, 1, 1.
    const std::uint32_t expected[] = {0x102030u, 0x102030u, 0x405060u, 0x102030u, 0x102030u};
    ASSERT_GE(seen.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(seen[i].square_file_centre, expected[i]) << "pump " << i;
        EXPECT_TRUE(seen[i].square_file_is_on_screen) << "pump " << i;
        EXPECT_TRUE(seen[i].eight_bit_file_is_on_screen) << "pump " << i;
    }
    EXPECT_FALSE(WorkFilesExist());
}

TEST_F(DisplayFormTest, AFirstPictureThatCannotBePreparedGivesTheSamplePicture)
{
    // An empty file sorted first and a picture the decoder refuses: the show
    // runs on the sample picture, with no message box, and goes on to the
    // next picture at the change.
    Pictures(2);
    fake.pictures.failing_loads.insert("/pics/1.bmp");
    fake.pictures.memory_picture =
        test::MakePicture(152, 112, 24, [](std::int32_t, std::int32_t) { return 0x00FF00u; });
    state.nuvra_b.settings.ChangeInterval = 1;
    std::vector<std::uint32_t> centre_colours;
    DisplayForm form(state, fake.platform, ShowStart::System);
    fake.windows.on_pump = [&](int) {
        const platform::Picture& view = form.form().Img_View;
        centre_colours.push_back(view.empty() ? 0xDEADu : test::PixelAt(view, view.width / 2, view.height / 2));
        fake.clock.now += 1000;
    };
    fake.windows.script.resize(2);
    fake.windows.script.push_back({Key(platform::Key::Character)});

    EXPECT_EQ(form.Form_Load(), kExitShowEnded);

    EXPECT_TRUE(fake.message_box.shown.empty());
    ASSERT_GE(centre_colours.size(), 2u);
    EXPECT_EQ(centre_colours[0], 0x00FF00u) << "the sample";
    EXPECT_EQ(centre_colours[1], 0x202020u) << "the second picture";
}

TEST_F(DisplayFormTest, MusicStartsByTheFileEndingAndStopsAtTheEnd)
{
    struct Case {
        const char* file;
        bool wav_played;
        bool mp3_opened;
    } cases[] = {
        {"/m/a.wav", true, false}, {"/m/a.WAV", true, false}, {"/m/a.mp3", false, true},
        {"/m/a.Mp3", false, true}, {"/m/a.ogg", false, false},
    };
    for (const Case& c : cases) {
        ShowPlatform local;
        ProcessState local_state;
        local_state.sound_01.settings.BgmKind = BgmKindOption::MusicFile;
        local_state.sound_01.settings.BgmFile = c.file;
        local.files.AddReadableFile(c.file);
        local.windows.script = {{Key(platform::Key::Character)}};
        DisplayForm form(local_state, local.platform, ShowStart::System);
        EXPECT_EQ(form.Form_Load(), kExitShowEnded) << c.file;
        const bool played = !local.sound.calls.empty() && local.sound.calls.front().file_name.has_value();
        EXPECT_EQ(played, c.wav_played) << c.file;
        if (c.wav_played) {
            EXPECT_FALSE(local.sound.calls.back().file_name.has_value()) << c.file << ": the WAV was not stopped";
        }
        bool opened = false;
        bool closed = false;
        for (const std::string& command : local.mci.Commands()) {
            opened |= command.rfind("open ", 0) == 0;
            closed |= command == "close MP3Play";
        }
        EXPECT_EQ(opened, c.mp3_opened) << c.file;
        EXPECT_EQ(closed, c.mp3_opened) << c.file;
    }
}

TEST_F(DisplayFormTest, AHostedShowDrawsInTheDaemonsWindowAndOnlyATerminationEndsIt)
{
    Pictures(2);
    state.sound_01.settings.BgmKind = BgmKindOption::MusicFile;
    state.sound_01.settings.BgmFile = "/m/a.wav";
    fake.files.AddReadableFile("/m/a.wav");
    fake.windows.granted_bounds = platform::Rect{0, 0, 640, 400};
    platform::InputEvent resized;
    resized.kind = platform::InputKind::Resized;
    platform::InputEvent close;
    close.kind = platform::InputKind::Close;
    std::vector<std::string> work_files_seen;
    DisplayForm form(state, fake.platform, ShowStart::Daemon);
    form.HostIn(0x400001, false, "-0x400001");
    fake.windows.on_pump = [&](int pump) {
        if (pump == 2)  // the daemon's monitor changes size
            fake.windows.windows[0]->request.bounds = {0, 0, 300, 200};
        if (pump == 3 && std::filesystem::exists(fake.work.path() / "Tmp_nuvra02-0x400001.bmp"))
            work_files_seen.push_back("Tmp_nuvra02-0x400001.bmp");
    };
    // Keys, clicks and movements belong to the daemon.
    fake.windows.script = {{Key(platform::Key::Character), MouseDown(), MouseMove(1, 1), MouseMove(300, 200)}, {}, {resized}, {}, {close}};

    EXPECT_EQ(form.Form_Load(), kExitShowEnded);

    ASSERT_EQ(fake.windows.windows.size(), 1u);
    const platform::WindowRequest& request = fake.windows.windows[0]->request;
    EXPECT_EQ(request.style, platform::WindowStyle::Foreign);
    EXPECT_EQ(request.parent, 0x400001);
    EXPECT_EQ(fake.windows.pumps, 6) << "only the termination request ended it (and the end's own pump)";
    EXPECT_EQ(form.form().ScreenWidthPx, 300) << "it follows the window's size";
    EXPECT_EQ(form.form().DisplayLeft, (300 - 48) / 2.0);
    EXPECT_EQ(work_files_seen.size(), 1u) << "its own 8-bit work file";
    ASSERT_FALSE(fake.pictures.saves.empty());
    EXPECT_EQ(fake.pictures.saves.back(), (fake.work.path() / "Tmp_nuvra01-0x400001.bmp").string());
    EXPECT_FALSE(WorkFilesExist());
    EXPECT_FALSE(std::filesystem::exists(fake.work.path() / "Tmp_nuvra02-0x400001.bmp"));
    EXPECT_TRUE(fake.sound.calls.empty()) << "another copy plays the music";
    EXPECT_EQ(fake.cursor.calls.size(), 0u);
}

TEST_F(DisplayFormTest, AHostedShowWithoutPicturesShowsTheDesktopTheDaemonSaved)
{
    // The screen under the daemon's window is black: never captured. The
    // desktop the daemon saved for the window is used, else the sample.
    fake.windows.granted_bounds = platform::Rect{0, 0, 400, 300};
    fake.capture.screen = test::MakePicture(400, 300, 32, [](std::int32_t, std::int32_t) { return 0u; });
    fake.pictures.memory_picture = test::MakePicture(152, 112, 24, [](std::int32_t, std::int32_t) { return 0x00FF00u; });
    const struct {
        std::optional<platform::Picture> saved;
        std::uint32_t centre;
    } cases[] = {
        {test::MakePicture(400, 300, 32, [](std::int32_t, std::int32_t) { return 0xC08040u; }), 0xC08040u},
        {std::nullopt, 0x00FF00u},
    };
    for (const auto& c : cases) {
        fake.capture.saved = c.saved;
        fake.capture.saved_for.clear();
        fake.capture.calls = 0;
        ProcessState local_state;
        DisplayForm form(local_state, fake.platform, ShowStart::Daemon);
        form.HostIn(0x400001, true, "-0x400001");
        std::uint32_t centre = 0xDEAD;
        fake.windows.on_pump = [&](int) {
            const platform::Picture& view = form.form().Img_View;
            if (!view.empty())
                centre = test::PixelAt(view, view.width / 2, view.height / 2);
        };
        fake.windows.script = {{}, {[] {
                                   platform::InputEvent close;
                                   close.kind = platform::InputKind::Close;
                                   return close;
                               }()}};
        EXPECT_EQ(form.Form_Load(), kExitShowEnded);
        EXPECT_EQ(centre, c.centre);
        EXPECT_EQ(fake.capture.calls, 0) << "the screen itself is never captured";
        ASSERT_EQ(fake.capture.saved_for.size(), 1u);
        EXPECT_EQ(fake.capture.saved_for[0], 0x400001);
    }
}

}  // namespace
}  // namespace nuvra
