#include "dialog/nuvra_p.h"

#include <algorithm>

#include "dialog/pointers.h"
#include "dialog/skin_pictures.h"
#include "images/paths.h"
#include "settings/number_text.h"
#include "startup/forms.h"
#include "startup/window_effects.h"

namespace nuvra::dialog {

namespace {

constexpr std::uint32_t kTimer1Interval = 50;
// The frame around the 549 x 481 background: the window's outer size.
constexpr std::int32_t kFrameWidth = 8;
constexpr std::int32_t kFrameHeight = 27;
// Screen twips per pixel at 96 dots per inch.
constexpr double kTwipsPerPixel = 15.0;
constexpr const char* kFontFamily = "IPAPGothic";
constexpr std::int32_t kFontPixels = 13;

platform::Canvas Decode(platform::PictureCodec* codec, SkinPicture picture)
{
    if (codec == nullptr)
        return {};
    const platform::PictureResult result = codec->LoadPictureFromMemory(SkinPictureBytes(picture));
    return result.picture ? ui::CanvasFromPicture(*result.picture) : platform::Canvas{};
}

}  // namespace

Skin LoadSkin(platform::PictureCodec* codec)
{
    Skin skin;
    skin.Img_O_button = {Decode(codec, SkinPicture::ButtonPressed), Decode(codec, SkinPicture::ButtonReleased)};
    skin.Img_Opt = {Decode(codec, SkinPicture::OptionOff), Decode(codec, SkinPicture::OptionOn)};
    skin.Img_Ra = {Decode(codec, SkinPicture::CheckClear), Decode(codec, SkinPicture::CheckTicked)};
    skin.Img_H = Decode(codec, SkinPicture::HeadingBar);
    skin.Pic_Mbl = Decode(codec, SkinPicture::TextureTile);
    return skin;
}

NuvraP::NuvraP(ProcessState& state, platform::Platform& platform, DialogOptions options)
    : m_state(state),
      m_platform(platform),
      m_options(std::move(options)),
      m_runtime(*platform.windows, *platform.clock),
      m_font(platform.fonts != nullptr ? platform.fonts->OpenFont(kFontFamily, kFontPixels) : nullptr),
      m_narrow_font(platform.fonts != nullptr && m_font ? platform.fonts->OpenFont(kFontFamily, kFontPixels - 1)
                                                          : nullptr),
      m_controls(m_font.get(), m_narrow_font.get(), m_options.url),
      m_skin(LoadSkin(platform.pictures)),
      m_host([this](ui::Surface& surface) { ui::CopyImage(surface, m_backing, 0, 0); })
{
    m_runtime.AddForm(*this);
    // Without its font the dialog still works, but shows no caption: say why.
    if (!m_font && platform.fonts != nullptr && platform.diagnostics != nullptr)
        platform.diagnostics->Report(std::string("the settings dialog's font ") + kFontFamily +
                                     " cannot be found, so its captions cannot be drawn (Debian: install "
                                     "fonts-ipafont-gothic)");
    m_timer1.Interval = kTimer1Interval;
    m_runtime.AddTimer(*this, m_timer1, [this] { Timer1_Timer(); });
    for (ui::Control* control : m_controls.InDrawingOrder())
        m_host.Add(*control);
    WireHandlers();
}

NuvraP::~NuvraP()
{
    m_runtime.RemoveForm(*this);
}

std::int64_t NuvraP::WindowHandle() const
{
    return m_window ? m_window->NativeHandle() : 0;
}

int NuvraP::ShowModal()
{
    if (!Open())
        return 1;
    while (!m_closed)
        RunOnce();
    return 0;
}

bool NuvraP::Open()
{
    if (!CreateWindowAndLoad())
        return false;
    // Shown only now that it is complete, and drawn at once.
    m_window->Show();
    Paint(true);
    return true;
}

void NuvraP::RunOnce()
{
    // Nothing to do until the next input or the credit label's next tick.
    const std::uint64_t now = m_runtime.Now();
    const std::uint64_t wait = m_timer1.due > now ? std::min<std::uint64_t>(m_timer1.due - now, kTimer1Interval) : 0;
    m_platform.windows->WaitForEvents(static_cast<std::uint32_t>(wait));
    DoEvents();
    Paint(true);
}

bool NuvraP::CreateWindowAndLoad()
{
    platform::WindowSystem& windows = *m_platform.windows;
    const platform::Rect screen = windows.PrimaryScreen();
    if (screen.right <= screen.left || screen.bottom <= screen.top)
        return false;
    // The outer size is the background panel and the frame around it,
    // centred on the screen.
    const std::int32_t width = kBackgroundWidth + kFrameWidth;
    const std::int32_t height = kBackgroundHeight + kFrameHeight;
    const std::int32_t left = screen.left + (screen.right - screen.left - width) / 2;
    const std::int32_t top = screen.top + (screen.bottom - screen.top - height) / 2;
    platform::WindowRequest request;
    request.title = kDialogWindowTitle;
    request.style = platform::WindowStyle::Dialog;
    request.bounds = {left, top, left + width, top + height};
    m_window = windows.CreateWindow(request);
    if (!m_window)
        return false;
    m_canvas.width = m_backing.width = width;
    m_canvas.height = m_backing.height = height;
    m_canvas.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), ui::colour::kFace);
    m_backing.pixels = m_canvas.pixels;
    m_host.OnPointerChange = [this](const platform::PointerImage* pointer) {
        if (m_window)
            m_window->SetPointer(pointer);
    };
    Form_Load();
    m_timer1.Enable(m_runtime.Now());
    return true;
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

void NuvraP::Form_Load()
{
    NuvraB& b = m_state.nuvra_b;
    SettingsRecord& settings = b.settings;
    const SoundSettings& music = m_state.sound_01.settings;
    DialogControls& c = m_controls;

    // A step that cannot be done (a setting that names no option picture)
    // is left out and the next one runs: the control keeps its designed look.
    auto show = [](auto& pictures, int index, const platform::Canvas& picture) {
        if (index < 0 || index >= static_cast<int>(pictures.size()))
            return false;
        pictures[static_cast<std::size_t>(index)]->SetPicture(&picture);
        return true;
    };

    // LB_SETHORIZONTALEXTENT gets the list's width in twips-per-pixel units
    // plus 300, not the width plus 300: 311 at 96 dots per inch.
    m_list_extent = RoundToInt32(ui::Width(c.List_1->Bounds()) / kTwipsPerPixel + 300).value_or(0);
    c.List_1->SetHorizontalExtent(m_list_extent);

    // Where the window is larger than the background panel (no window
    // manager draws a frame around it), the texture goes on.
    TileBackground({0, 0, m_backing.width, m_backing.height});
    TileBackground({0, 0, kBackgroundWidth, kBackgroundHeight});
    for (const platform::Rect& panel : kOptionPanels) {
        TileBackground(panel);
        ui::Surface surface(m_backing);
        ui::DrawEdge(surface, panel, ui::Edge::SunkenThin);
    }

    for (std::size_t i = 1; i < c.Img_H.size(); ++i)
        c.Img_H[i]->SetPicture(&m_skin.Img_H);
    for (auto& face : c.Img_Button)
        face->SetPicture(&m_skin.Img_O_button[1]);

    const int order = StoredNumber(settings.OrderMode);
    if (show(c.Img_SR, order, m_skin.Img_Opt[1]))
        show(c.Img_SR, order ^ 1, m_skin.Img_Opt[0]);
    for (int i = 0; i < 3; ++i) {
        show(c.Img_BGM, i, m_skin.Img_Opt[0]);
        show(c.Img_Pos, i, m_skin.Img_Opt[0]);
    }
    show(c.Img_Pos, StoredNumber(settings.ImagePosition), m_skin.Img_Opt[1]);

    c.lbl_Button[kButtonMusicFile]->SetEnabled(false);
    c.BGM_Repeat->SetEnabled(false);
    const int source = StoredNumber(music.BgmKind);
    if (show(c.Img_BGM, source, m_skin.Img_Opt[1])) {
        if (music.BgmKind == BgmKindOption::AudioCd)
            c.BGM_Repeat->SetEnabled(true);
        if (music.BgmKind == BgmKindOption::MusicFile)
            c.lbl_Button[kButtonMusicFile]->SetEnabled(true);
    }

    c.BGM_Repeat->SetText(music.BgmRepeat == 0 ? std::string() : IntegerText(music.BgmRepeat));
    for (std::int16_t track = 0; track <= 30; ++track)
        c.BGM_Repeat->AddItem(track == 0 ? std::string() : IntegerText(track));
    c.lbl_Fname->SetCaption(music.BgmFile);

    // A setting outside a slider's range cannot be given to it: the slider
    // keeps its designed value, and that is what the label shows. The
    // speed label shows the setting itself.
    c.HS_CD->SetValue(settings.ChangeInterval);
    c.lbl_Sec->SetCaption(IntegerText(static_cast<std::int16_t>(c.HS_CD->Value())));
    c.RotScroll->SetValue(settings.RotationSpeed);
    c.lbl_Degree->SetCaption(IntegerText(settings.RotationSpeed));

    std::vector<std::string> paths;
    for (std::int16_t i = 1; i <= b.images.ImageCount; ++i)
        paths.push_back(b.images.ImageFiles[static_cast<std::size_t>(i)]);
    RefillList(paths, false);

    c.lbl_PreSize->SetCaption("");
    c.Folder_Path->SetCaption(settings.ImageFolder);

    for (std::size_t i = 0; i < 4; ++i)
        show(c.Img_Kind, StoredNumber(settings.ImageKinds[i]) == 0 || StoredNumber(settings.ImageKinds[i]) == 1
                             ? static_cast<int>(i) : -1,
             m_skin.Img_Ra[static_cast<std::size_t>(StoredNumber(settings.ImageKinds[i]) == 1)]);

    ShowEmptyThumbnail();

    const platform::PointerImage* hand = &ControlPointer();
    auto give_hand = [hand](auto& controls) {
        for (auto& control : controls)
            control->SetPointer(hand);
    };
    give_hand(c.Img_SR);
    give_hand(c.lbl_Rdm_Seq);
    give_hand(c.Img_Kind);
    give_hand(c.lbl_Kind);
    give_hand(c.lbl_Button);
    give_hand(c.Img_BGM);
    give_hand(c.lbl_BGM);
    give_hand(c.Img_Pos);
    give_hand(c.lbl_Pos);
    c.HS_CD->SetPointer(hand);
    c.RotScroll->SetPointer(hand);
    c.List_1->SetPointer(hand);
    c.BGM_Repeat->SetPointer(hand);
    c.lbl_URL->SetPointer(&LinkPointer());

    RecordZoomPoint(b, m_platform.cursor);
    if (m_window)
        ZoomOpen(b, *m_window);
    if (m_platform.cursor != nullptr)
        m_platform.cursor->SetBusy(false);
}

void NuvraP::WireHandlers()
{
    DialogControls& c = m_controls;
    for (int i = 0; i < 5; ++i) {
        c.lbl_Button[static_cast<std::size_t>(i)]->OnMouseDown = [this, i](const ui::MouseEvent&) { lbl_Button_MouseDown(i); };
        c.lbl_Button[static_cast<std::size_t>(i)]->OnMouseUp = [this, i](const ui::MouseEvent&) { lbl_Button_MouseUp(i); };
    }
    auto wire_pair = [](auto& pictures, auto& labels, auto handler) {
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            pictures[i]->OnMouseDown = [handler, i](const ui::MouseEvent&) { handler(static_cast<int>(i)); };
            labels[i]->OnMouseDown = [handler, i](const ui::MouseEvent&) { handler(static_cast<int>(i)); };
        }
    };
    wire_pair(c.Img_SR, c.lbl_Rdm_Seq, [this](int i) { OrderClick(i); });
    wire_pair(c.Img_Pos, c.lbl_Pos, [this](int i) { PositionClick(i); });
    wire_pair(c.Img_BGM, c.lbl_BGM, [this](int i) { MusicClick(i); });
    wire_pair(c.Img_Kind, c.lbl_Kind, [this](int i) { KindClick(i); });
    c.HS_CD->OnChange = c.HS_CD->OnScroll = [this] { ShowSliderValue(*m_controls.HS_CD, *m_controls.lbl_Sec); };
    c.RotScroll->OnChange = c.RotScroll->OnScroll = [this] {
        ShowSliderValue(*m_controls.RotScroll, *m_controls.lbl_Degree);
    };
    c.List_1->OnClick = [this] { List_1_Click(); };
    c.lbl_URL->OnMouseUp = [this](const ui::MouseEvent& event) {
        if (ui::Contains(m_controls.lbl_URL->Bounds(), event.x, event.y))
            lbl_URL_Click();
    };
}

void NuvraP::ShowSliderValue(ui::ScrollBar& slider, ui::Label& label)
{
    label.SetCaption(std::to_string(slider.Value()));
}

void NuvraP::DoEvents()
{
    m_runtime.DoEvents();
    m_host.Tick(m_runtime.Now());
    Paint(false);
}

void NuvraP::Paint(bool force)
{
    if (!m_window || m_closed)
        return;
    if (m_host.Paint(m_canvas))
        m_presented = false;
    const std::uint64_t now = m_runtime.Now();
    if (!m_presented && (force || now - m_last_present >= m_options.present_interval)) {
        m_window->Present(m_canvas);
        m_presented = true;
        m_last_present = now;
    }
}

void NuvraP::OnInput(const platform::InputEvent& event)
{
    switch (event.kind) {
    case platform::InputKind::Close:
        Unload();
        break;
    case platform::InputKind::Expose:
    case platform::InputKind::Resized:
        m_host.Invalidate({0, 0, m_canvas.width, m_canvas.height});
        m_presented = false;
        break;
    default:
        m_host.Input(event);
        break;
    }
}

void NuvraP::lbl_Button_MouseDown(int index)
{
    if (index < 0 || index > 4)
        return;
    m_controls.Img_Button[static_cast<std::size_t>(index)]->SetPicture(&m_skin.Img_O_button[0]);
}

void NuvraP::lbl_Button_MouseUp(int index)
{
    if (index < 0 || index > 4)
        return;
    m_controls.Img_Button[static_cast<std::size_t>(index)]->SetPicture(&m_skin.Img_O_button[1]);
    // Pending events run once, so the released face is on the screen
    // before the action starts.
    DoEvents();
    Paint(true);
    // A close that those events brought (the close box, a termination
    // request) wins: nothing of this button runs after it.
    if (m_closed)
        return;
    switch (index) {
    case kButtonFolder:
        BrowseFolder();
        break;
    case kButtonClear:
        m_controls.List_1->Clear();
        m_controls.Folder_Path->SetCaption("");
        m_controls.lbl_Kei->SetCaption("");
        break;
    case kButtonSet:
        ConfirmSettings();
        break;
    case kButtonCancel:
        Unload();
        break;
    case kButtonMusicFile:
        BrowseBgmFile();
        break;
    default:
        break;
    }
}

void NuvraP::Timer1_Timer()
{
    if (m_platform.random != nullptr)
        m_controls.lbl_fade->SetForeColor(m_fade.Step(*m_platform.random));
}

void NuvraP::Unload()
{
    if (m_closed || m_unloading)
        return;
    m_unloading = true;
    m_timer1.Disable();
    if (m_window) {
        ZoomClose(m_state.nuvra_b, *m_window);
        m_window->Hide();
    }
    m_closed = true;
}

}  // namespace nuvra::dialog
