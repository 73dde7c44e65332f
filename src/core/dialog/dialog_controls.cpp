#include "dialog/dialog_controls.h"

#include <algorithm>

namespace nuvra::dialog {

namespace {

constexpr std::int32_t kTextHeight = 13;
constexpr std::int32_t kComboHeight = 21;
// The options and check boxes act on the press of any mouse button, as the
// pictures and captions they are made of did.
constexpr std::uint32_t kItemButtons = ui::mouse::kAnyButton;

enum Panel { kPictureFolder = 0, kDisplayOptions = 1, kMusic = 2, kBackground = 3 };

// A control's place as the layout gives it: its corner in its panel, and
// its size.
struct Place {
    std::int32_t left;
    std::int32_t top;
    std::int32_t width;
    std::int32_t height;
};

platform::Rect At(Panel panel, const Place& place)
{
    const platform::Rect origin = panel == kBackground ? platform::Rect{} : kOptionPanels[static_cast<std::size_t>(panel)];
    return {origin.left + place.left, origin.top + place.top, origin.left + place.left + place.width,
            origin.top + place.top + place.height};
}

std::unique_ptr<ui::Label> MakeLabel(platform::Font* font, const platform::Rect& bounds, std::string caption,
                                     ui::Align align = ui::Align::Left)
{
    auto label = std::make_unique<ui::Label>(bounds, font, std::move(caption));
    label->SetAlignment(align);
    return label;
}

// A caption placed only by its corner is as wide as its text.
platform::Rect CaptionAt(platform::Font* font, Panel panel, std::int32_t left, std::int32_t top,
                         const std::string& caption)
{
    const std::int32_t width = font != nullptr ? font->Measure(caption).width + 2 : 100;
    return At(panel, {left, top, width, kTextHeight});
}

std::unique_ptr<ui::Label> AutoSizeLabel(platform::Font* font, Panel panel, std::int32_t left, std::int32_t top,
                                         std::string caption)
{
    const platform::Rect bounds = CaptionAt(font, panel, left, top, caption);
    return MakeLabel(font, bounds, std::move(caption));
}

// An option or check box: its picture, and its caption three pixels right
// of it on the same row.
ui::GroupItem Item(platform::Font* font, Panel panel, platform::Point corner, std::int32_t side, const char* caption)
{
    return {At(panel, {corner.x, corner.y, side, side}), CaptionAt(font, panel, corner.x + 16, corner.y, caption),
            caption, font};
}

}  // namespace

DialogControls::DialogControls(platform::Font* font, platform::Font* narrow_font, const std::string& url)
{
    AddHeadings(font);
    AddButtons(font);
    AddPictureFolderPanel(font);
    AddDisplayOptionsPanel(font);
    AddMusicPanel(font, narrow_font);
    AddBackgroundPanel(font, url);
}

void DialogControls::AddHeadings(platform::Font* font)
{
    // The bar, and the caption centred on it.
    struct Heading {
        int bar;
        int label;
        Panel panel;
        Place bar_place;
        Place label_place;
        const char* caption;
    };
    const Heading headings[] = {
        {3, 12, kPictureFolder, {12, 8, 109, 22}, {16, 12, 101, 13}, "画像のﾌｧｲﾙ名"},
        {4, 6, kPictureFolder, {192, 8, 101, 22}, {196, 12, 92, 13}, "画像のﾌﾟﾚﾋﾞｭｰ"},
        {7, 11, kPictureFolder, {192, 160, 101, 22}, {192, 164, 101, 13}, "画像の種類"},
        {1, 13, kDisplayOptions, {12, 8, 109, 22}, {16, 12, 101, 13}, "画像ﾁｪﾝｼﾞ"},
        {2, 10, kDisplayOptions, {12, 80, 109, 22}, {16, 84, 101, 13}, "画像の位置"},
        {5, 14, kDisplayOptions, {12, 152, 109, 22}, {16, 156, 101, 13}, "ﾁｪﾝｼﾞのｲﾝﾀｰﾊﾞﾙ"},
        {8, 0, kDisplayOptions, {12, 212, 109, 22}, {16, 216, 101, 13}, "回転ｽﾋﾟｰﾄﾞ"},
        {6, 1, kMusic, {12, 8, 95, 22}, {16, 12, 87, 13}, "BGM"},
    };
    for (const Heading& h : headings) {
        Img_H[static_cast<std::size_t>(h.bar)] = std::make_unique<ui::PictureBox>(At(h.panel, h.bar_place));
        lbl[static_cast<std::size_t>(h.label)] = MakeLabel(font, At(h.panel, h.label_place), h.caption, ui::Align::Center);
    }
}

void DialogControls::AddButtons(platform::Font* font)
{
    // The face, and the caption box on it that takes the mouse.
    struct Button {
        Panel panel;
        Place face;
        Place caption_box;
        const char* caption;
    };
    const Button buttons[] = {
        {kPictureFolder, {12, 40, 109, 22}, {16, 44, 101, 17}, "ﾌｫﾙﾀﾞで指定..."},
        {kPictureFolder, {196, 256, 95, 22}, {196, 260, 93, 17}, "ｸﾘｱ"},
        {kBackground, {332, 312, 95, 22}, {332, 316, 93, 17}, "設定"},
        {kBackground, {432, 312, 95, 22}, {432, 316, 93, 17}, "ｷｬﾝｾﾙ"},
        {kMusic, {204, 36, 95, 22}, {204, 40, 93, 17}, "ﾌｧｲﾙ名"},
    };
    for (std::size_t i = 0; i < lbl_Button.size(); ++i) {
        const Button& b = buttons[i];
        // The caption labels took the release of any button, wherever the
        // pointer had gone: the press commits, and the face stays down
        // until the release.
        lbl_Button[i] = std::make_unique<ui::PushButton>(At(b.panel, b.face), At(b.panel, b.caption_box), font,
                                                         b.caption, ui::ActsOn::ReleaseAnywhere, ui::mouse::kAnyButton);
    }
}

void DialogControls::AddPictureFolderPanel(platform::Font* font)
{
    lbl_Kei = MakeLabel(font, At(kPictureFolder, {128, 44, 33, 17}), "", ui::Align::Right);
    lbl_Kei->SetOpaque(0xFFFFFF);
    lbl_Kei->SetBorder(true);
    lbl[8] = AutoSizeLabel(font, kPictureFolder, 164, 48, "枚");
    List_1 = std::make_unique<ui::ListBox>(At(kPictureFolder, {12, 68, 169, 212}), font);
    Folder_Path = MakeLabel(font, At(kPictureFolder, {12, 284, 281, 29}), "");
    Folder_Path->SetBorder(true);
    lbl_PreSize = MakeLabel(font, At(kPictureFolder, {192, 36, 101, 13}), "9999 * 9999", ui::Align::Center);
    Pic_K = std::make_unique<ui::PictureBox>(At(kPictureFolder, {192, 52, 100, 100}));

    // The first four in a column; the two newer kinds in a second column,
    // on the rows of the two shortest captions (*.gif, *.jpg) so that
    // "*.webp" ends inside the panel's frame.
    const char* kinds[] = {"*.bmp", "*.gif", "*.jpg", "*.wmf", "*.png", "*.webp"};
    std::vector<ui::GroupItem> kind_items;
    for (std::int32_t i = 0; i < 6; ++i) {
        const std::int32_t x = i < 4 ? 208 : 254;
        const std::int32_t caption_x = i < 4 ? 224 : 268;
        const std::int32_t y = 188 + 16 * (i < 4 ? i : i - 3);
        // The caption sits a pixel higher than its 12-pixel box.
        kind_items.push_back({At(kPictureFolder, {x, y, 12, 12}),
                              CaptionAt(font, kPictureFolder, caption_x, y - 1, kinds[i]), kinds[i], font});
    }
    Img_Kind = std::make_unique<ui::OptionGroup>(ui::GroupKind::CheckBoxes, std::move(kind_items), kItemButtons);

    // In the heading's row, between the heading and the preview's.
    Img_Sub = std::make_unique<ui::OptionGroup>(
        ui::GroupKind::CheckBoxes,
        std::vector<ui::GroupItem>{{At(kPictureFolder, {124, 13, 12, 12}), CaptionAt(font, kPictureFolder, 138, 12, "ｻﾌﾞﾌｫﾙﾀﾞ"),
                                    "ｻﾌﾞﾌｫﾙﾀﾞ", font}},
        kItemButtons);
}

void DialogControls::AddDisplayOptionsPanel(platform::Font* font)
{
    Img_SR = std::make_unique<ui::OptionGroup>(
        ui::GroupKind::Options,
        std::vector<ui::GroupItem>{Item(font, kDisplayOptions, {24, 36}, 13, "ｼｰｹﾝｼｬﾙ"),
                                   Item(font, kDisplayOptions, {24, 56}, 13, "ﾗﾝﾀﾞﾑ")},
        kItemButtons);
    Img_Pos = std::make_unique<ui::OptionGroup>(
        ui::GroupKind::Options,
        std::vector<ui::GroupItem>{Item(font, kDisplayOptions, {24, 108}, 13, "中心"),
                                   Item(font, kDisplayOptions, {24, 128}, 13, "ｽﾗｲﾄﾞ"),
                                   Item(font, kDisplayOptions, {88, 108}, 13, "ﾗﾝﾀﾞﾑ")},
        kItemButtons);

    HS_CD = std::make_unique<ui::ScrollBar>(At(kDisplayOptions, {20, 184, 89, 17}), ui::Orientation::Horizontal);
    HS_CD->SetRange(10, 60);
    HS_CD->SetSteps(1, 10);
    HS_CD->SetValue(10);
    lbl_Sec = MakeLabel(font, At(kDisplayOptions, {116, 184, 29, 17}), "10", ui::Align::Right);
    lbl_Sec->SetBorder(true);
    lbl[15] = AutoSizeLabel(font, kDisplayOptions, 148, 188, "秒");
    lbl[3] = AutoSizeLabel(font, kDisplayOptions, 11, 248, "遅");
    RotScroll = std::make_unique<ui::ScrollBar>(At(kDisplayOptions, {28, 244, 89, 17}), ui::Orientation::Horizontal);
    RotScroll->SetRange(1, 10);
    RotScroll->SetSteps(1, 1);
    RotScroll->SetValue(2);
    lbl[4] = AutoSizeLabel(font, kDisplayOptions, 120, 248, "速");
    lbl_Degree = MakeLabel(font, At(kDisplayOptions, {140, 244, 29, 17}), "", ui::Align::Right);
    lbl_Degree->SetBorder(true);
}

void DialogControls::AddMusicPanel(platform::Font* font, platform::Font* narrow_font)
{
    const char* sources[] = {"無し", "音楽CD", "MP3、WAV"};
    const std::int32_t source_rows[] = {28, 12, 44};
    constexpr std::int32_t kSourceLeft = 140;
    constexpr std::int32_t kFileButtonLeft = 204;
    constexpr std::int32_t kGap = 2;
    std::vector<ui::GroupItem> source_items;
    for (std::size_t i = 0; i < 3; ++i) {
        // The file source's caption, on the file button's row, runs into
        // the button at the dialog's text size: it takes the size below.
        platform::Font* caption_font = font;
        if (font != nullptr && narrow_font != nullptr &&
            kSourceLeft + font->Measure(sources[i]).width + 2 > kFileButtonLeft - kGap)
            caption_font = narrow_font;
        source_items.push_back(Item(caption_font, kMusic, {124, source_rows[i]}, 13, sources[i]));
    }
    Img_BGM = std::make_unique<ui::OptionGroup>(ui::GroupKind::Options, std::move(source_items), kItemButtons);
    BGM_Repeat = std::make_unique<ui::ComboBox>(At(kMusic, {188, 8, 41, kComboHeight}), font);
    lbl[2] = AutoSizeLabel(font, kMusic, 236, 12, "曲目をﾘﾋﾟｰﾄ");
    lbl_Fname = MakeLabel(font, At(kMusic, {204, 60, 305, 29}), "");
    lbl_Fname->SetBorder(true);
}

void DialogControls::AddBackgroundPanel(platform::Font* font, const std::string& url)
{
    // This font sets the credit a little wider than the 165 pixels it was
    // laid out for; the label has no box of its own, so it grows to the
    // right rather than cutting the version number off.
    const std::string credit = "Designed by Oskel Ver.1.1.0";
    const std::int32_t credit_width = std::max(165, font != nullptr ? font->Measure(credit).width + 1 : 0);
    lbl_fade = MakeLabel(font, At(kBackground, {336, 292, credit_width, 13}), credit);
    lbl_URL = MakeLabel(font, At(kBackground, {320, 344, 207, 13}), url);
    lbl_URL->SetUnderline(true);
    lbl_URL->SetForeColor(0x0000FF);
}

std::vector<ui::Control*> DialogControls::InDrawingOrder() const
{
    std::vector<ui::Control*> order;
    auto add = [&order](const auto& controls) {
        for (const auto& control : controls)
            if (control)
                order.push_back(control.get());
    };
    add(Img_H);
    add(lbl_Button);
    add(lbl);
    order.insert(order.end(), {lbl_Kei.get(), List_1.get(), Folder_Path.get(), lbl_PreSize.get(), Pic_K.get(),
                               Img_Kind.get(), Img_Sub.get(), Img_SR.get(), Img_Pos.get(), HS_CD.get(), lbl_Sec.get(), RotScroll.get(),
                               lbl_Degree.get(), Img_BGM.get(), lbl_Fname.get(), lbl_fade.get(), lbl_URL.get(),
                               BGM_Repeat.get()});
    return order;
}

}  // namespace nuvra::dialog
