// The dialog's set-up when it loads: the list's scroll extent, the painted
// panels, and every control showing the settings record and the image
// list, then the opening zoom. Each step is on its own: one that cannot be
// done (a setting that names no option) is left out and the next one runs,
// so the control keeps its designed look.
#include "dialog/nuvra_p.h"

#include "dialog/pointers.h"
#include "settings/number_text.h"
#include "ui/window_effects.h"

namespace nuvra::dialog {

namespace {

// Screen twips per pixel at 96 dots per inch.
constexpr double kTwipsPerPixel = 15.0;

// The mark an item shows for a stored 0 (off) or 1 (on); None for a value
// that names no picture.
ui::Mark StoredMark(std::int16_t value)
{
    return value == 0 ? ui::Mark::Off : value == 1 ? ui::Mark::On : ui::Mark::None;
}

}  // namespace

void NuvraP::Form_Load()
{
    SetListExtent();
    PaintPanels();
    ShowHeadingsAndButtonFaces();
    ShowOptionMarks();
    ShowMusicChoices();
    ShowSliders();
    ShowPictureList();
    ShowPictureKinds();
    ShowEmptyThumbnail();
    GiveControlsTheirPointers();
    ZoomOpenFromPointer();
}

void NuvraP::SetListExtent()
{
    // LB_SETHORIZONTALEXTENT gets the list's width in twips-per-pixel units
    // plus 300, not the width plus 300: 311 at 96 dots per inch.
    m_list_extent = RoundToInt32(ui::Width(m_controls.List_1->Bounds()) / kTwipsPerPixel + 300).value_or(0);
    m_controls.List_1->SetHorizontalExtent(m_list_extent);
}

void NuvraP::PaintPanels()
{
    // Where the window is larger than the background panel (no window
    // manager draws a frame around it), the texture goes on.
    TileBackground({0, 0, m_backing.width, m_backing.height});
    TileBackground({0, 0, kBackgroundWidth, kBackgroundHeight});
    for (const platform::Rect& panel : kOptionPanels) {
        TileBackground(panel);
        ui::Surface surface(m_backing);
        ui::DrawEdge(surface, panel, ui::Edge::SunkenThin);
    }
}

void NuvraP::TileBackground(const platform::Rect& target)
{
    // Whole tiles down each column, then the next column, until a tile lies
    // wholly below and right of the target: the target is always covered.
    const platform::Canvas& tile = m_skin.Pic_Mbl;
    if (tile.width <= 0 || tile.height <= 0)
        return;
    ui::Surface surface(m_backing, target);
    const std::int32_t target_width = ui::Width(target);
    const std::int32_t target_height = ui::Height(target);
    std::int32_t x = 0;
    std::int32_t y = 0;
    while (true) {
        ui::CopyImage(surface, tile, target.left + x, target.top + y);
        if (y <= target_height) {
            y += tile.height;
        } else if (x > target_width) {
            break;
        } else {
            x += tile.width;
            y = 0;
        }
    }
}

void NuvraP::ShowHeadingsAndButtonFaces()
{
    for (std::size_t i = 1; i < m_controls.Img_H.size(); ++i)
        m_controls.Img_H[i]->SetPicture(&m_skin.Img_H);
    for (auto& button : m_controls.lbl_Button)
        button->SetFaces(&m_skin.Img_O_button[1], &m_skin.Img_O_button[0]);
}

void NuvraP::ShowOptionMarks()
{
    const SettingsRecord& settings = m_state.nuvra_b.settings;
    DialogControls& c = m_controls;
    c.Img_SR->SetMark(StoredNumber(settings.OrderMode), ui::Mark::On);
    for (std::int32_t i = 0; i < 3; ++i) {
        c.Img_BGM->SetMark(i, ui::Mark::Off);
        c.Img_Pos->SetMark(i, ui::Mark::Off);
    }
    c.Img_Pos->SetMark(StoredNumber(settings.ImagePosition), ui::Mark::On);
}

void NuvraP::ShowMusicChoices()
{
    const SoundSettings& music = m_state.sound_01.settings;
    DialogControls& c = m_controls;
    c.lbl_Button[kButtonMusicFile]->SetEnabled(false);
    c.BGM_Repeat->SetEnabled(false);
    if (c.Img_BGM->SetMark(StoredNumber(music.BgmKind), ui::Mark::On)) {
        if (music.BgmKind == BgmKindOption::AudioCd)
            c.BGM_Repeat->SetEnabled(true);
        if (music.BgmKind == BgmKindOption::MusicFile)
            c.lbl_Button[kButtonMusicFile]->SetEnabled(true);
    }

    c.BGM_Repeat->SetText(music.BgmRepeat == 0 ? std::string() : IntegerText(music.BgmRepeat));
    for (std::int16_t track = 0; track <= 30; ++track)
        c.BGM_Repeat->AddItem(track == 0 ? std::string() : IntegerText(track));
    c.lbl_Fname->SetCaption(music.BgmFile);
}

void NuvraP::ShowSliders()
{
    // A setting outside a slider's range cannot be given to it: the slider
    // keeps its designed value, and that is what the label shows. The
    // speed label shows the setting itself.
    const SettingsRecord& settings = m_state.nuvra_b.settings;
    DialogControls& c = m_controls;
    c.HS_CD->SetValue(settings.ChangeInterval);
    c.lbl_Sec->SetCaption(IntegerText(static_cast<std::int16_t>(c.HS_CD->Value())));
    c.RotScroll->SetValue(settings.RotationSpeed);
    c.lbl_Degree->SetCaption(IntegerText(settings.RotationSpeed));
}

void NuvraP::ShowPictureList()
{
    const NuvraB& b = m_state.nuvra_b;
    std::vector<std::string> paths;
    for (std::int16_t i = 1; i <= b.images.ImageCount; ++i)
        paths.push_back(b.images.ImageFiles[static_cast<std::size_t>(i)]);
    // The folder first: the list names a subfolder's files from it.
    m_controls.Folder_Path->SetCaption(b.settings.ImageFolder);
    RefillList(paths, false);

    m_controls.lbl_PreSize->SetCaption("");
}

void NuvraP::ShowPictureKinds()
{
    const SettingsRecord& settings = m_state.nuvra_b.settings;
    for (std::size_t i = 0; i < settings.ImageKinds.size(); ++i)
        if (const ui::Mark mark = StoredMark(StoredNumber(settings.ImageKinds[i])); mark != ui::Mark::None)
            m_controls.Img_Kind->SetMark(static_cast<std::int32_t>(i), mark);
    if (const ui::Mark mark = StoredMark(StoredNumber(settings.Subfolders)); mark != ui::Mark::None)
        m_controls.Img_Sub->SetMark(0, mark);
}

void NuvraP::GiveControlsTheirPointers()
{
    DialogControls& c = m_controls;
    std::vector<ui::Control*> clickable = {c.Img_SR.get(),    c.Img_Kind.get(),  c.Img_Sub.get(), c.Img_BGM.get(),
                                           c.Img_Pos.get(),   c.HS_CD.get(),     c.RotScroll.get(), c.List_1.get(),
                                           c.BGM_Repeat.get()};
    for (const auto& button : c.lbl_Button)
        clickable.push_back(button.get());
    for (ui::Control* control : clickable)
        control->SetPointer(&ControlPointer());
    c.lbl_URL->SetPointer(&LinkPointer());
}

void NuvraP::ZoomOpenFromPointer()
{
    m_state.nuvra_b.zoom_point = PointerZoomPoint(*m_platform.cursor);
    if (m_window)
        ZoomOpen(m_state.nuvra_b.zoom_point, *m_window);
    m_platform.cursor->SetBusy(false);
}

}  // namespace nuvra::dialog
