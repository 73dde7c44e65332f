#include "dialog/nuvra_p.h"

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "support/fake_dialog_services.h"
#include "support/fake_pictures.h"
#include "support/fake_windows.h"
#include "support/native_path.h"

namespace nuvra {
namespace {

using dialog::NuvraP;
using platform::FolderEntry;

struct DialogPlatform : test::FakePicturePlatform {
    DialogPlatform()
    {
        platform.windows = &windows;
        platform.clock = &clock;
        platform.fonts = &fonts;
        platform.shell = &shell;
        platform.cursor = &cursor;
        // Every skin picture decodes to this one; tests tell the states
        // apart by which of the dialog's pictures a control shows.
        pictures.memory_picture = test::PositionPicture(13, 13);
    }
    test::FakeWindowSystem windows;
    test::FakeClock clock;
    test::FakeFontService fonts;
    test::FakeShell shell;
};

class SettingsDialogTest : public ::testing::Test {
protected:
    SettingsDialogTest()
    {
        state.nuvra_b.settings.ChangeInterval = 20;
        state.nuvra_b.settings.RotationSpeed = 5;
        state.nuvra_b.settings.ImageKinds.fill(ImageKindOption::On);
    }

    NuvraP& Open(std::optional<std::int64_t> owner = std::nullopt)
    {
        dialog::DialogOptions options;
        options.url = "/doc/README.md";
        options.owner = owner;
        dialog = std::make_unique<NuvraP>(state, fake.platform, options);
        EXPECT_TRUE(dialog->CreateWindowAndLoad());
        return *dialog;
    }
    dialog::DialogControls& c() { return dialog->controls(); }

    static platform::InputEvent Mouse(platform::InputKind kind, const platform::Rect& at, std::uint32_t button = 1)
    {
        platform::InputEvent event;
        event.kind = kind;
        event.x = (at.left + at.right) / 2;
        event.y = (at.top + at.bottom) / 2;
        event.button = static_cast<platform::MouseButton>(button);
        return event;
    }
    // A batch of input as the window system hands it over, ahead of any
    // already scripted: one pass of the dialog's loop, then as many as a
    // folder scan it started needs.
    void Send(std::vector<platform::InputEvent> batch)
    {
        fake.windows.script.push_front(std::move(batch));
        dialog->RunOnce();
        while (dialog->Scanning())
            dialog->RunOnce();
    }
    void Click(const platform::Rect& at, std::uint32_t button = 1)
    {
        Send({Mouse(platform::InputKind::MouseDown, at, button), Mouse(platform::InputKind::MouseUp, at, button)});
    }
    void Click(const ui::Control& control, std::uint32_t button = 1) { Click(control.Bounds(), button); }
    void ClickAt(std::int32_t x, std::int32_t y) { Click({x, y, x + 1, y + 1}); }
    bool Selected(const ui::OptionGroup& group, std::size_t i)
    {
        return group.ItemPicture(static_cast<std::int32_t>(i)) == &dialog->skin().Img_Opt[1];
    }
    bool Unselected(const ui::OptionGroup& group, std::size_t i)
    {
        return group.ItemPicture(static_cast<std::int32_t>(i)) == &dialog->skin().Img_Opt[0];
    }
    // An option's or check box's picture, and the caption beside it.
    static platform::Rect Picture(const ui::OptionGroup& group, std::int32_t i) { return group.Item(i).picture; }
    static platform::Rect Caption(const ui::OptionGroup& group, std::int32_t i) { return group.Item(i).caption_box; }
    std::vector<std::string> ListEntries()
    {
        std::vector<std::string> entries;
        for (std::int32_t i = 0; i < c().List_1->ListCount(); ++i)
            entries.push_back(c().List_1->List(i));
        return entries;
    }
    std::map<std::string, std::string> Written()
    {
        std::map<std::string, std::string> written;
        for (const auto& write : fake.profile.writes)
            written[write.key] = write.value;
        return written;
    }

    DialogPlatform fake;
    ProcessState state;
    std::unique_ptr<NuvraP> dialog;
};

TEST_F(SettingsDialogTest, OpensCentredWithItsTitleAndGrowsFromThePointer)
{
    fake.cursor.position = {70000, -3};  // beyond 16 bits: only the low bits count
    Open();
    ASSERT_EQ(fake.windows.windows.size(), 1u);
    const test::FakeWindowRecord& window = *fake.windows.windows[0];
    EXPECT_EQ(window.request.title, "Nuvraの設定");
    EXPECT_EQ(window.request.style, platform::WindowStyle::Dialog);
    EXPECT_FALSE(window.request.parent) << "owned by no window unless the host names one";
    const platform::Rect b = window.request.bounds;
    EXPECT_EQ(b.right - b.left, 557);
    EXPECT_EQ(b.bottom - b.top, 508);
    EXPECT_EQ(b.left, (1024 - 557) / 2);
    EXPECT_EQ(b.top, (768 - 508) / 2);
    EXPECT_EQ(dialog->ListExtent(), 311);
    EXPECT_EQ(fake.fonts.families, (std::vector<std::string>{"IPAPGothic", "IPAPGothic"}));
    EXPECT_EQ(fake.fonts.sizes, (std::vector<std::int32_t>{13, 12}));  // and a size smaller for a long caption
    // 70000 keeps its low 16 bits, 4464; -3 stays -3.
    ASSERT_EQ(window.animations.size(), 1u);
    EXPECT_EQ(window.animations[0].first.left, 4464);
    EXPECT_EQ(window.animations[0].first.top, -3);
    EXPECT_EQ(window.animations[0].first.right, 4464);
    EXPECT_EQ(window.animations[0].second.left, b.left);
    EXPECT_EQ(window.animations[0].second.bottom, b.bottom);
    EXPECT_FALSE(fake.cursor.busy);

    // Closing shrinks back to the same point, wherever the pointer is now.
    fake.cursor.position = {5, 5};
    platform::InputEvent close;
    close.kind = platform::InputKind::Close;
    dialog->OnInput(close);
    EXPECT_TRUE(dialog->Closed());
    ASSERT_EQ(window.animations.size(), 2u);
    EXPECT_EQ(window.animations[1].second.left, 4464);
    EXPECT_EQ(window.animations[1].second.top, -3);
    EXPECT_TRUE(fake.profile.writes.empty());
}

TEST_F(SettingsDialogTest, TheWindowTheHostNamesOwnsTheDialog)
{
    Open(4242);
    ASSERT_EQ(fake.windows.windows.size(), 1u);
    EXPECT_EQ(fake.windows.windows[0]->request.parent, std::optional<std::int64_t>(4242));
}

TEST_F(SettingsDialogTest, WithoutItsFontTheDialogStillWorksAndSaysWhy)
{
    test::FakeDiagnostics diagnostics;
    fake.platform.diagnostics = &diagnostics;
    fake.fonts.missing = true;
    Open();
    ASSERT_EQ(diagnostics.reports.size(), 1u);
    EXPECT_NE(diagnostics.reports[0].find("fonts-ipafont-gothic"), std::string::npos) << diagnostics.reports[0];
    Click(Caption(*c().Img_SR, 1));
    EXPECT_EQ(state.nuvra_b.settings.OrderMode, OrderModeOption::Random);
    Click(c().lbl_Button[2]->CaptionBox());
    EXPECT_EQ(fake.profile.writes.size(), 15u);
}

TEST_F(SettingsDialogTest, ControlsSitAtTheirDesignedPlaces)
{
    Open();
    const struct {
        platform::Rect got;
        platform::Rect expected;
    } places[] = {
        {c().List_1->Bounds(), {24, 80, 193, 292}},          {c().Folder_Path->Bounds(), {24, 296, 305, 325}},
        {c().Pic_K->Bounds(), {204, 64, 304, 164}},          {c().lbl_Kei->Bounds(), {140, 56, 173, 73}},
        {c().lbl_Button[0]->Bounds(), {24, 52, 133, 74}},    {c().lbl_Button[0]->CaptionBox(), {28, 56, 129, 73}},
        {c().lbl_Button[2]->Bounds(), {332, 312, 427, 334}}, {c().lbl_Button[3]->CaptionBox(), {432, 316, 525, 333}},
        {c().HS_CD->Bounds(), {356, 196, 445, 213}},         {c().RotScroll->Bounds(), {364, 256, 453, 273}},
        {Picture(*c().Img_SR, 1), {360, 68, 373, 81}},       {Picture(*c().Img_Pos, 2), {424, 120, 437, 133}},
        {Picture(*c().Img_Kind, 3), {220, 248, 232, 260}},   {Picture(*c().Img_Kind, 5), {266, 232, 278, 244}},
        {Picture(*c().Img_BGM, 1), {136, 376, 149, 389}},
        {c().BGM_Repeat->Bounds(), {200, 372, 241, 393}},    {c().lbl_Fname->Bounds(), {216, 424, 521, 453}},
        {c().lbl_fade->Bounds(), {336, 292, 526, 305}},  // grown to its 27 characters
        {c().lbl_URL->Bounds(), {320, 344, 527, 357}},
    };
    for (const auto& place : places) {
        const platform::Rect got = place.got;
        EXPECT_TRUE(got.left == place.expected.left && got.top == place.expected.top &&
                    got.right == place.expected.right && got.bottom == place.expected.bottom)
            << "expected " << place.expected.left << "," << place.expected.top << "-" << place.expected.right << ","
            << place.expected.bottom << " got " << got.left << "," << got.top << "-" << got.right << "," << got.bottom;
    }
    EXPECT_EQ(c().lbl_URL->Caption(), "/doc/README.md");
    EXPECT_EQ(c().lbl_fade->Caption(), "Designed by Oskel Ver.1.1.0");
}

TEST_F(SettingsDialogTest, LoadShowsTheSettingsAndKeepsDesignedLooksForValuesNoControlHas)
{
    struct Case {
        std::int16_t order, position, kind0, interval, speed, repeat;
        BgmKindOption music;
    };
    const Case cases[] = {
        {1, 2, 1, 25, 7, 12, BgmKindOption::AudioCd},
        {2, 5, 2, 5, 40, 0, BgmKindOption::MusicFile},
        {0, 0, 0, 61, 0, 30, BgmKindOption::None},
    };
    for (const Case& k : cases) {
        state = ProcessState{};
        state.nuvra_b.settings.OrderMode = static_cast<OrderModeOption>(k.order);
        state.nuvra_b.settings.ImagePosition = static_cast<ImagePositionOption>(k.position);
        state.nuvra_b.settings.ImageKinds[0] = static_cast<ImageKindOption>(k.kind0);
        state.nuvra_b.settings.ChangeInterval = k.interval;
        state.nuvra_b.settings.RotationSpeed = k.speed;
        state.sound_01.settings.BgmRepeat = k.repeat;
        state.sound_01.settings.BgmKind = k.music;
        state.sound_01.settings.BgmFile = "/m/a.mp3";
        Open();
        SCOPED_TRACE(::testing::Message() << "order " << k.order << " position " << k.position);
        const auto& skin = dialog->skin();
        if (k.order <= 1) {
            EXPECT_TRUE(Selected(*c().Img_SR, static_cast<std::size_t>(k.order)));
            EXPECT_TRUE(Unselected(*c().Img_SR, static_cast<std::size_t>(k.order ^ 1)));
        } else {
            EXPECT_EQ(c().Img_SR->ItemPicture(0), nullptr);
            EXPECT_EQ(c().Img_SR->ItemPicture(1), nullptr);
        }
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(Selected(*c().Img_Pos, i), static_cast<std::int16_t>(i) == k.position) << "position " << i;
        EXPECT_EQ(c().Img_Kind->ItemPicture(0), k.kind0 <= 1 ? &skin.Img_Ra[static_cast<std::size_t>(k.kind0)] : nullptr);
        // The sliders keep 10 and 2 for values outside 10..60 and 1..10.
        const bool interval_fits = k.interval >= 10 && k.interval <= 60;
        EXPECT_EQ(c().HS_CD->Value(), interval_fits ? k.interval : 10);
        EXPECT_EQ(c().lbl_Sec->Caption(), std::to_string(interval_fits ? k.interval : 10));
        EXPECT_EQ(c().RotScroll->Value(), k.speed >= 1 && k.speed <= 10 ? k.speed : 2);
        EXPECT_EQ(c().lbl_Degree->Caption(), std::to_string(k.speed));
        EXPECT_EQ(c().BGM_Repeat->Text(), k.repeat == 0 ? "" : std::to_string(k.repeat));
        ASSERT_EQ(c().BGM_Repeat->ListCount(), 31);
        EXPECT_EQ(c().BGM_Repeat->List(0), "");
        EXPECT_EQ(c().BGM_Repeat->List(30), "30");
        EXPECT_EQ(c().BGM_Repeat->Enabled(), k.music == BgmKindOption::AudioCd);
        EXPECT_EQ(c().lbl_Button[4]->Enabled(), k.music == BgmKindOption::MusicFile);
        EXPECT_EQ(c().lbl_Button[4]->Face(), &skin.Img_O_button[1]);
        EXPECT_EQ(c().lbl_Fname->Caption(), "/m/a.mp3");
        EXPECT_EQ(c().lbl_PreSize->Caption(), "");
        EXPECT_EQ(c().lbl_Kei->Caption(), "");
    }
}

TEST_F(SettingsDialogTest, TheListShowsTheLoadedPicturesByTheNamesOnDisk)
{
    fake.files.AddFolder(test::NativePath("/pics"), {{"a.bmp", 32}, {"B.jpg", 32}});
    state.nuvra_b.settings.ImageFolder = "/pics";
    state.nuvra_b.images.ImageCount = 3;
    state.nuvra_b.images.ImageFiles = test::NativePaths({"", "/pics/a.bmp", "/pics/B.jpg", "/pics/gone.gif"});
    Open();
    EXPECT_EQ(ListEntries(), (std::vector<std::string>{"a.bmp", "B.jpg", ""}));
    EXPECT_EQ(c().lbl_Kei->Caption(), "3");
    EXPECT_EQ(c().Folder_Path->Caption(), "/pics");
}

TEST_F(SettingsDialogTest, OptionsActOnThePressOfAnyButtonOnPictureOrCaption)
{
    Open();
    Click(Caption(*c().Img_SR, 1), 2);
    EXPECT_EQ(state.nuvra_b.settings.OrderMode, OrderModeOption::Random);
    EXPECT_TRUE(Selected(*c().Img_SR, 1));
    EXPECT_TRUE(Unselected(*c().Img_SR, 0));
    Click(Picture(*c().Img_SR, 0), 4);
    EXPECT_EQ(state.nuvra_b.settings.OrderMode, OrderModeOption::FileOrder);

    Click(Caption(*c().Img_Pos, 2));
    EXPECT_EQ(state.nuvra_b.settings.ImagePosition, ImagePositionOption::RandomPlace);
    EXPECT_TRUE(Selected(*c().Img_Pos, 2) && Unselected(*c().Img_Pos, 0) && Unselected(*c().Img_Pos, 1));
    Click(Picture(*c().Img_Pos, 2));  // again: stays selected
    EXPECT_TRUE(Selected(*c().Img_Pos, 2));

    state.sound_01.settings.BgmFile = "/m/x.wav";
    Click(Caption(*c().Img_BGM, 1));
    EXPECT_EQ(state.sound_01.settings.BgmKind, BgmKindOption::AudioCd);
    EXPECT_TRUE(c().BGM_Repeat->Enabled());
    EXPECT_FALSE(c().lbl_Button[4]->Enabled());
    Click(Picture(*c().Img_BGM, 2), 2);
    EXPECT_EQ(state.sound_01.settings.BgmKind, BgmKindOption::MusicFile);
    EXPECT_FALSE(c().BGM_Repeat->Enabled());
    EXPECT_TRUE(c().lbl_Button[4]->Enabled());
    Click(Caption(*c().Img_BGM, 0));
    EXPECT_FALSE(c().BGM_Repeat->Enabled() || c().lbl_Button[4]->Enabled());
    EXPECT_EQ(state.sound_01.settings.BgmFile, "/m/x.wav");
    // A disabled button's caption takes no press: its face stays released
    // and its chooser never opens.
    Click(c().lbl_Button[4]->CaptionBox());
    EXPECT_EQ(c().lbl_Button[4]->Face(), &dialog->skin().Img_O_button[1]);
    EXPECT_TRUE(fake.shell.file_requests.empty());
}

TEST_F(SettingsDialogTest, KindBoxesToggleAndRescanTheShownFolder)
{
    fake.files.AddFolder("/pics",
                         {{"a.bmp", 32}, {"b.gif", 32}, {"c.jpg", 0}, {"d.wmf", 1}, {"e.png", 32}, {"f.webp", 32}});
    Open();
    c().Folder_Path->SetCaption("/pics");
    for (int i = 0; i < 6; ++i)
        Click(Picture(*c().Img_Kind, i));
    EXPECT_TRUE(ListEntries().empty());
    EXPECT_EQ(c().lbl_Kei->Caption(), "");
    EXPECT_EQ(c().Img_Kind->ItemPicture(0), &dialog->skin().Img_Ra[0]);
    Click(Caption(*c().Img_Kind, 2), 2);
    EXPECT_EQ(ListEntries(), std::vector<std::string>{"c.jpg"});
    EXPECT_EQ(c().lbl_Kei->Caption(), "1");
    Click(Caption(*c().Img_Kind, 5));
    EXPECT_EQ(ListEntries(), (std::vector<std::string>{"c.jpg", "f.webp"}));
    EXPECT_EQ(state.nuvra_b.settings.ImageKinds[4], ImageKindOption::Off);
    EXPECT_EQ(state.nuvra_b.settings.ImageFolder, "/pics");

    // Without a folder shown only the box and the setting change.
    c().Folder_Path->SetCaption("");
    Click(Picture(*c().Img_Kind, 0));
    EXPECT_EQ(state.nuvra_b.settings.ImageKinds[0], ImageKindOption::On);
    EXPECT_EQ(state.nuvra_b.settings.ImageFolder, "");
    EXPECT_EQ(ListEntries(), (std::vector<std::string>{"c.jpg", "f.webp"}));

    // A stored 2 turns into 3: still no picture, and not scanned.
    state.nuvra_b.settings.ImageKinds[1] = static_cast<ImageKindOption>(2);
    Click(Picture(*c().Img_Kind, 1));
    EXPECT_EQ(StoredNumber(state.nuvra_b.settings.ImageKinds[1]), 3);
}

TEST_F(SettingsDialogTest, SlidersMoveByArrowPageAndDragAndShowTheirValues)
{
    Open();
    ui::ScrollBar& interval = *c().HS_CD;
    const platform::Rect more = interval.MoreArrowRect();
    ClickAt(more.left + 2, more.top + 2);
    EXPECT_EQ(interval.Value(), 21);
    EXPECT_EQ(c().lbl_Sec->Caption(), "21");
    const platform::Rect thumb = interval.ThumbRect();
    ClickAt(thumb.right + 2, thumb.top + 2);  // the track right of the thumb
    EXPECT_EQ(interval.Value(), 31);
    // Dragging the thumb to the far right reports each value on the way.
    const platform::Rect now_thumb = interval.ThumbRect();
    dialog->OnInput(Mouse(platform::InputKind::MouseDown, now_thumb));
    platform::InputEvent move = Mouse(platform::InputKind::MouseMove, now_thumb);
    move.x = interval.Bounds().right + 40;
    dialog->OnInput(move);
    EXPECT_EQ(c().lbl_Sec->Caption(), "60");
    dialog->OnInput(Mouse(platform::InputKind::MouseUp, now_thumb));
    EXPECT_EQ(interval.Value(), 60);
    ClickAt(more.left + 2, more.top + 2);
    EXPECT_EQ(interval.Value(), 60);

    ui::ScrollBar& speed = *c().RotScroll;
    const platform::Rect less = speed.LessArrowRect();
    for (int i = 0; i < 12; ++i)
        ClickAt(less.left + 2, less.top + 2);
    EXPECT_EQ(speed.Value(), 1);
    EXPECT_EQ(c().lbl_Degree->Caption(), "1");
    const platform::Rect speed_thumb = speed.ThumbRect();
    ClickAt(speed_thumb.right + 2, speed_thumb.top + 2);  // a page is one step here
    EXPECT_EQ(speed.Value(), 2);
}

TEST_F(SettingsDialogTest, ThumbnailsFitTheLongerSideToExactly100)
{
    const std::string picture = test::NativePath("/p/x.bmp");
    fake.files.AddFolder(test::NativePath("/p"), {{"x.bmp", 32}});
    fake.files.AddReadableFile(picture);
    state.nuvra_b.settings.ImageFolder = test::NativePath("/p");
    state.nuvra_b.images.ImageCount = 1;
    state.nuvra_b.images.ImageFiles = {"", picture};
    Open();
    const struct {
        std::int32_t width, height, box_width, box_height;
        const char* size_text;
    } cases[] = {
        {1024, 768, 100, 75, "1024 * 768"}, {768, 1024, 75, 100, "768 * 1024"}, {300, 300, 100, 100, "300 * 300"},
        {30, 10, 100, 33, "30 * 10"},       {50, 20, 100, 40, "50 * 20"},
    };
    for (const auto& k : cases) {
        fake.pictures.Add(picture, test::PositionPicture(k.width, k.height));
        dialog->OnInput(Mouse(platform::InputKind::MouseDown, {30, 83, 31, 84}));
        dialog->OnInput(Mouse(platform::InputKind::MouseUp, {30, 83, 31, 84}));
        ASSERT_EQ(c().List_1->ListIndex(), 0);
        const platform::Rect box = c().Pic_K->Bounds();
        EXPECT_EQ(box.right - box.left, k.box_width) << k.size_text;
        EXPECT_EQ(box.bottom - box.top, k.box_height) << k.size_text;
        EXPECT_EQ(box.left, 204);
        EXPECT_EQ(c().lbl_PreSize->Caption(), k.size_text);
        EXPECT_TRUE(c().Pic_K->Visible());
        EXPECT_FALSE(fake.cursor.busy);
        // The raised frame covers the two outer pixels; inside them the
        // picture's own pixels, column for column.
        const platform::Canvas& thumbnail = *c().Pic_K->Picture();
        EXPECT_EQ(thumbnail.pixels[0], ui::colour::kLight) << k.size_text;
        const std::int32_t mid = thumbnail.height / 2;
        const std::uint32_t inner = thumbnail.pixels[static_cast<std::size_t>(mid * thumbnail.width + 2)];
        EXPECT_EQ(inner, test::PositionColour(static_cast<std::int32_t>((5LL * k.width) / (2LL * thumbnail.width)),
                                              static_cast<std::int32_t>(((2LL * mid + 1) * k.height) / (2LL * thumbnail.height))))
            << k.size_text;
    }
    // A picture that no longer loads shows an empty box and no size.
    fake.pictures.failing_loads.insert(picture);
    dialog->OnInput(Mouse(platform::InputKind::MouseDown, {30, 83, 31, 84}));
    EXPECT_EQ(c().lbl_PreSize->Caption(), "");
    const platform::Rect box = c().Pic_K->Bounds();
    EXPECT_EQ(box.right - box.left, 100);
    EXPECT_EQ(c().Pic_K->Picture()->pixels[50 * 100 + 50], 0xE0E0E0u);
}

TEST_F(SettingsDialogTest, TheCreditColourSweepsInStepsOfTenBetweenItsEnds)
{
    test::FakeRandom random;
    for (int i = 0; i < 600; ++i)
        random.values.push_back((i * 7 % 10) / 10.0);
    dialog::CreditFade fade;
    std::array<std::int16_t, 3> before{};
    int redraws = 0;
    for (int tick = 0; tick < 2000; ++tick) {
        const bool at_ends = std::all_of(before.begin(), before.end(), [](std::int16_t v) { return v == 0 || v == 250; });
        const std::size_t left = random.values.size();
        const std::uint32_t colour = fade.Step(random);
        EXPECT_EQ(left - random.values.size(), at_ends && left > 0 ? 3u : 0u) << "tick " << tick;
        redraws += at_ends ? 1 : 0;
        for (std::size_t i = 0; i < 3; ++i) {
            const std::int16_t v = fade.value[i];
            EXPECT_TRUE(v >= 0 && v <= 250 && v % 10 == 0) << v;
            EXPECT_LE(std::abs(v - before[i]), 10);
            EXPECT_EQ((colour >> (16 - 8 * i)) & 0xFF, static_cast<std::uint32_t>(v));
        }
        before = fade.value;
    }
    EXPECT_GT(redraws, 10);
}

TEST_F(SettingsDialogTest, TheTimerRecoloursTheCreditEvery50Milliseconds)
{
    fake.random.values = {0.9, 0.9, 0.9};  // all rise
    Open();
    fake.clock.now += 50;
    dialog->RunOnce();
    EXPECT_EQ(c().lbl_fade->ForeColor(), 0x0A0A0Au);
    fake.clock.now += 20;
    dialog->RunOnce();
    EXPECT_EQ(c().lbl_fade->ForeColor(), 0x0A0A0Au);
    fake.clock.now += 30;
    dialog->RunOnce();
    EXPECT_EQ(c().lbl_fade->ForeColor(), 0x141414u);
}

TEST_F(SettingsDialogTest, ConfirmWritesEveryKeyFromTheControlsAndCancelWritesNothing)
{
    state.nuvra_b.settings.ChangeInterval = 5;  // outside the slider: 10 is saved
    state.nuvra_b.settings.RotationSpeed = 40;  // outside the slider: 2 is saved
    state.nuvra_b.settings.ImageFolder = "/pics";
    state.sound_01.settings.BgmRepeat = 9;
    fake.files.AddFolder("/pics", {{"a.jpg", 32}});
    Open();
    Click(Caption(*c().Img_SR, 1));
    Click(Picture(*c().Img_Kind, 3));
    Click(Caption(*c().Img_BGM, 1));
    // Typing into the repeat box: the text it ends with is what is saved.
    Click(*c().BGM_Repeat);
    dialog->OnInput(test::Key(platform::Key::End));
    dialog->OnInput(test::Key(platform::Key::Backspace));  // the loaded 9 goes
    platform::InputEvent typed;
    typed.kind = platform::InputKind::TextInput;
    typed.text = "7";
    dialog->OnInput(typed);
    EXPECT_EQ(c().BGM_Repeat->Text(), "7");

    // The face goes down on the press and up before the action runs.
    dialog->OnInput(Mouse(platform::InputKind::MouseDown, c().lbl_Button[2]->CaptionBox(), 2));
    EXPECT_EQ(c().lbl_Button[2]->Face(), &dialog->skin().Img_O_button[0]);
    platform::InputEvent release = Mouse(platform::InputKind::MouseUp, c().lbl_Button[2]->CaptionBox(), 2);
    release.x = 5;  // released outside the button: still confirmed
    release.y = 5;
    dialog->OnInput(release);
    EXPECT_EQ(c().lbl_Button[2]->Face(), &dialog->skin().Img_O_button[1]);
    EXPECT_TRUE(dialog->Closed());
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"画像ﾁｪﾝｼﾞ", "1"},  {"画像の位置", "0"}, {"ｲﾝﾀｰﾊﾞﾙ", "10"},  {"画像のﾌｫﾙﾀﾞ", "/pics"},
        {"画像種類_0", "1"}, {"画像種類_1", "1"}, {"画像種類_2", "1"}, {"画像種類_3", "0"},
        {"画像種類_4", "1"}, {"画像種類_5", "1"}, {"ｻﾌﾞﾌｫﾙﾀﾞ", "0"},
        {"BGM区分", "1"},    {"BGMﾘﾋﾟｰﾄ", "7"},   {"BGMﾌｧｲﾙ", ""},     {"回転ｽﾋﾟｰﾄﾞ", "2"},
    };
    ASSERT_EQ(fake.profile.writes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fake.profile.writes[i].key, expected[i].first);
        EXPECT_EQ(fake.profile.writes[i].value, expected[i].second) << expected[i].first;
    }
    // The record keeps the loaded interval and speed.
    EXPECT_EQ(state.nuvra_b.settings.ChangeInterval, 5);
    EXPECT_EQ(fake.windows.windows[0]->animations.size(), 2u);

    for (int button : {3, -1}) {
        fake.profile.writes.clear();
        state = ProcessState{};
        Open();
        Click(Caption(*c().Img_SR, 1));
        Click(c().lbl_Button[1]->CaptionBox());  // clear: only the list and labels
        EXPECT_TRUE(ListEntries().empty());
        EXPECT_EQ(c().Folder_Path->Caption(), "");
        if (button == 3) {
            Click(c().lbl_Button[3]->CaptionBox());
        } else {
            platform::InputEvent close;
            close.kind = platform::InputKind::Close;
            dialog->OnInput(close);
        }
        EXPECT_TRUE(dialog->Closed());
        EXPECT_TRUE(fake.profile.writes.empty()) << "button " << button;
    }
}

TEST_F(SettingsDialogTest, ASaveThatFailsSaysWhereAndWhyAndTheDialogStaysOpenToTryAgain)
{
    fake.profile.fail_writes = true;
    fake.profile.failure_reason = "Read-only file system";
    Open();
    Click(c().lbl_Button[2]->CaptionBox());
    EXPECT_FALSE(dialog->Closed());
    EXPECT_EQ(fake.windows.windows[0]->animations.size(), 1u) << "the closing animation ran";
    ASSERT_EQ(fake.message_box.shown.size(), 1u);
    const test::FakeMessageBox::Shown& shown = fake.message_box.shown[0];
    EXPECT_EQ(shown.text, "The settings could not be saved to \"" + test::NativePath("/home/user/.config/nuvra/Nuvra.ini") +
                              "\": Read-only file system.");
    EXPECT_EQ(shown.title, "Nuvraの設定");
    EXPECT_EQ(shown.style, platform::MessageBoxStyle::OkCritical);

    fake.profile.fail_writes = false;
    fake.profile.writes.clear();
    Click(c().lbl_Button[2]->CaptionBox());
    EXPECT_TRUE(dialog->Closed());
    EXPECT_EQ(fake.profile.writes.size(), 15u);
    EXPECT_EQ(fake.message_box.shown.size(), 1u);
}

TEST_F(SettingsDialogTest, AClosePendingWhenSetIsReleasedWinsAndNothingIsWritten)
{
    Open();
    platform::InputEvent close;
    close.kind = platform::InputKind::Close;
    fake.windows.script.push_back({close});  // handled by the button's own event pass
    Click(c().lbl_Button[2]->CaptionBox());
    EXPECT_TRUE(dialog->Closed());
    EXPECT_TRUE(fake.profile.writes.empty());
}

TEST_F(SettingsDialogTest, TheFolderChooserListsByPassThenKindAndKeepsTheListWhenCancelled)
{
    const std::string folder = test::NativePath("/new");
    fake.files.AddFolder(folder, {{"b.jpg", 32}, {"A.bmp", 0}, {"c.bmp", 32}, {".h.bmp", 2}, {"r.gif", 1},
                                  {"sub", 16}, {"x.txt", 32}});
    fake.shell.choices = {{platform::ChoiceOutcome::Chosen, folder}};
    Open();
    Click(c().lbl_Button[0]->CaptionBox());
    ASSERT_EQ(fake.shell.folder_titles.size(), 1u);
    EXPECT_EQ(fake.shell.folder_titles[0], "ﾌｫﾙﾀﾞをｸﾘｯｸして選択状態にしてから ＯＫ を押してください");
    EXPECT_EQ(ListEntries(), (std::vector<std::string>{"A.bmp", "c.bmp", "b.jpg", "r.gif"}));
    EXPECT_EQ(dialog->FolderFiles()[0], test::NativePath("/new/A.bmp"));
    EXPECT_EQ(c().lbl_Kei->Caption(), "4");
    EXPECT_EQ(c().Folder_Path->Caption(), folder);
    // Choosing is not saving: the record keeps its folder.
    EXPECT_EQ(state.nuvra_b.settings.ImageFolder, "");

    Click(c().lbl_Button[0]->CaptionBox());  // cancelled
    EXPECT_EQ(c().Folder_Path->Caption(), folder);
    EXPECT_EQ(ListEntries().size(), 4u);

    fake.files.AddFolder("/empty", {{"x.txt", 32}});
    fake.shell.choices = {{platform::ChoiceOutcome::Chosen, "/empty"}};
    Click(c().lbl_Button[0]->CaptionBox());
    EXPECT_TRUE(ListEntries().empty());
    EXPECT_EQ(c().lbl_Kei->Caption(), "0");

    // An unreadable folder is said once, not once per pattern.
    fake.shell.choices = {{platform::ChoiceOutcome::Chosen, "/locked"}};
    Click(c().lbl_Button[0]->CaptionBox());
    ASSERT_EQ(fake.message_box.shown.size(), 1u);
    EXPECT_NE(fake.message_box.shown[0].text.find("/locked"), std::string::npos);
    EXPECT_EQ(c().lbl_Kei->Caption(), "0");

    // No chooser at all: the reason in a box, nothing else changes.
    fake.shell.choices = {{platform::ChoiceOutcome::Unavailable, "Install zenity."}};
    Click(c().lbl_Button[0]->CaptionBox());
    ASSERT_EQ(fake.message_box.shown.size(), 2u);
    EXPECT_EQ(fake.message_box.shown[1].text, "Install zenity.");
    EXPECT_EQ(c().Folder_Path->Caption(), "/locked");
}

TEST_F(SettingsDialogTest, ALargeFolderIsReadInBatchesBetweenPassesAndACloseStopsTheReading)
{
    std::vector<FolderEntry> entries;
    for (int i = 0; i < 600; ++i)
        entries.push_back({"p" + std::to_string(1000 + i) + ".bmp", 0});
    const std::string folder = test::NativePath("/big");
    fake.files.AddFolder(folder, entries);
    fake.shell.choices = {{platform::ChoiceOutcome::Chosen, folder}, {platform::ChoiceOutcome::Chosen, folder}};
    Open();
    const auto pass = [&](std::vector<platform::InputEvent> batch) {
        fake.windows.script.push_front(std::move(batch));
        dialog->RunOnce();
    };
    const platform::Rect button = c().lbl_Button[0]->CaptionBox();
    pass({Mouse(platform::InputKind::MouseDown, button), Mouse(platform::InputKind::MouseUp, button)});
    // The count runs up while the window keeps handling its input.
    EXPECT_TRUE(dialog->Scanning());
    EXPECT_EQ(c().lbl_Kei->Caption(), "256");
    pass({});
    EXPECT_EQ(c().lbl_Kei->Caption(), "512");
    EXPECT_EQ(ListEntries().size(), 0u) << "the list is filled once the folder is read";
    while (dialog->Scanning())
        pass({});
    EXPECT_EQ(ListEntries().size(), 600u);
    EXPECT_EQ(c().lbl_Kei->Caption(), "600");

    platform::InputEvent close;
    close.kind = platform::InputKind::Close;
    pass({Mouse(platform::InputKind::MouseDown, button), Mouse(platform::InputKind::MouseUp, button)});
    pass({close});
    EXPECT_TRUE(dialog->Closed());
    pass({});
    EXPECT_EQ(c().lbl_Kei->Caption(), "256") << "nothing is read after the close";
}

TEST_F(SettingsDialogTest, TheSubfolderBoxListsEveryFolderBelowByItsRelativePath)
{
    // "locked" cannot be read: passed by without a word.
    fake.files.AddFolder(test::NativePath("/tree"), {{"b.jpg", 32}, {"sub", 16}, {"locked", 16}});
    fake.files.AddFolder(test::NativePath("/tree/sub"), {{"a.png", 32}, {"deep", 16}});
    fake.files.AddFolder(test::NativePath("/tree/sub/deep"), {{"c.gif", 32}});
    const std::string sub_a = test::NativePath("/tree/sub/a.png");
    fake.files.AddReadableFile(sub_a);
    fake.pictures.Add(sub_a, test::PositionPicture(40, 30));
    fake.shell.choices = {{platform::ChoiceOutcome::Chosen, test::NativePath("/tree")}};
    Open();
    const std::vector<std::string> everything = {"b.jpg", test::NativePath("sub/a.png"),
                                                 test::NativePath("sub/deep/c.gif")};

    // Chosen with the box ticked: read in steps, subfolders and all.
    Click(Picture(*c().Img_Sub, 0));
    EXPECT_EQ(state.nuvra_b.settings.Subfolders, SubfolderOption::On);
    Click(c().lbl_Button[0]->CaptionBox());
    for (int step = 0; step < 10 && dialog->Scanning(); ++step) {
        fake.windows.script.push_front({});
        dialog->RunOnce();
    }
    std::vector<std::string> listed = ListEntries();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, everything);
    EXPECT_TRUE(fake.message_box.shown.empty());

    // Cleared: the folder alone; ticked again: everything, in the list's
    // order, and a click on a subfolder's file shows it.
    Click(Caption(*c().Img_Sub, 0));
    EXPECT_EQ(ListEntries(), std::vector<std::string>{"b.jpg"});
    Click(Picture(*c().Img_Sub, 0));
    EXPECT_EQ(ListEntries(), everything);
    const platform::Rect row = c().List_1->Bounds();
    dialog->OnInput(Mouse(platform::InputKind::MouseDown, {row.left + 6, row.top + 20, row.left + 7, row.top + 21}));
    dialog->OnInput(Mouse(platform::InputKind::MouseUp, {row.left + 6, row.top + 20, row.left + 7, row.top + 21}));
    EXPECT_EQ(c().lbl_PreSize->Caption(), "40 * 30");
    Click(c().lbl_Button[2]->CaptionBox());
    EXPECT_EQ(Written()["ｻﾌﾞﾌｫﾙﾀﾞ"], "1");
}

TEST_F(SettingsDialogTest, AFolderThatFillsABatchExactlyStillGetsItsOtherKindsRead)
{
    // 256 entries: the first pattern (*.bmp) spends the whole first batch.
    std::vector<FolderEntry> entries;
    for (int i = 0; i < 255; ++i)
        entries.push_back({"p" + std::to_string(1000 + i) + ".bmp", 0});
    entries.push_back({"z.jpg", 0});
    const std::string folder = test::NativePath("/batch");
    fake.files.AddFolder(folder, entries);
    fake.shell.choices = {{platform::ChoiceOutcome::Chosen, folder}};
    Open();
    Click(c().lbl_Button[0]->CaptionBox());
    for (int step = 0; step < 10 && dialog->Scanning(); ++step) {
        fake.windows.script.push_front({});
        dialog->RunOnce();
    }
    EXPECT_FALSE(dialog->Scanning());
    EXPECT_EQ(c().lbl_Kei->Caption(), "256");
    ASSERT_EQ(ListEntries().size(), 256u);
    EXPECT_EQ(ListEntries().back(), "z.jpg");
}

TEST_F(SettingsDialogTest, TheMusicFileChooserSetsTheFileOnlyWhenOneIsChosen)
{
    state.sound_01.settings.BgmKind = BgmKindOption::MusicFile;
    state.sound_01.settings.BgmFile = "/m/old.mp3";
    Open();
    fake.shell.choices = {{platform::ChoiceOutcome::Cancelled, ""},
                          {platform::ChoiceOutcome::Chosen, "/" + std::string(254, 'x')},
                          {platform::ChoiceOutcome::Chosen, "/m/new song.WAV"}};
    Click(c().lbl_Button[4]->CaptionBox());
    EXPECT_EQ(c().lbl_Fname->Caption(), "/m/old.mp3");
    Click(c().lbl_Button[4]->CaptionBox());  // 255 characters do not fit
    EXPECT_EQ(state.sound_01.settings.BgmFile, "/m/old.mp3");
    Click(c().lbl_Button[4]->CaptionBox());
    EXPECT_EQ(state.sound_01.settings.BgmFile, "/m/new song.WAV");
    EXPECT_EQ(c().lbl_Fname->Caption(), "/m/new song.WAV");
    EXPECT_EQ(state.sound_01.settings.BgmKind, BgmKindOption::MusicFile);
    ASSERT_EQ(fake.shell.file_requests.size(), 3u);
    EXPECT_EQ(fake.shell.file_requests[0].title, "ﾌｧｲﾙを開く");
    EXPECT_EQ(fake.shell.file_requests[0].description, "BGMﾌｧｲﾙ (MP3 WAV)");
    EXPECT_EQ(fake.shell.file_requests[0].patterns, "*.MP3;*.WAV");

    Click(*c().lbl_URL);
    EXPECT_EQ(fake.shell.urls, std::vector<std::string>{"/doc/README.md"});
    EXPECT_FALSE(fake.cursor.busy);
}

TEST_F(SettingsDialogTest, ClickableControlsShowTheHandAndTheAddressItsOwnPointer)
{
    Open();
    const test::FakeWindowRecord& window = *fake.windows.windows[0];
    const auto over = [&](const platform::Rect& at) {
        dialog->OnInput(Mouse(platform::InputKind::MouseMove, at));
        return window.pointer;
    };
    const platform::PointerImage* hand = &dialog::ControlPointer();
    EXPECT_EQ(over(Caption(*c().Img_SR, 0)), hand);
    EXPECT_EQ(over(c().List_1->Bounds()), hand);
    EXPECT_EQ(over(c().HS_CD->Bounds()), hand);
    EXPECT_EQ(over(c().lbl_URL->Bounds()), &dialog::LinkPointer());
    EXPECT_EQ(over(c().Folder_Path->Bounds()), nullptr);
    EXPECT_EQ(over(c().lbl_Button[4]->CaptionBox()), nullptr);  // disabled
}

}  // namespace
}  // namespace nuvra
