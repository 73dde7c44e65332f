#include "dialog/nuvra_p.h"

#include <algorithm>

#include "dialog/skin_pictures.h"
#include "ui/window_effects.h"
#include "ui/window_titles.h"

namespace nuvra::dialog {

namespace {

constexpr std::uint32_t kTimer1Interval = 50;
// The frame around the 549 x 481 background: the window's outer size.
constexpr std::int32_t kFrameWidth = 8;
constexpr std::int32_t kFrameHeight = 27;
constexpr const char* kFontFamily = "IPAPGothic";
constexpr std::int32_t kFontPixels = 13;

platform::Canvas Decode(platform::PictureCodec& codec, SkinPicture picture)
{
    const platform::PictureResult result = codec.LoadPictureFromMemory(SkinPictureBytes(picture));
    return result.picture ? ui::CanvasFromPicture(*result.picture) : platform::Canvas{};
}

}  // namespace

Skin LoadSkin(platform::PictureCodec& codec)
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
      m_font(platform.fonts->OpenFont(kFontFamily, kFontPixels)),
      m_narrow_font(m_font ? platform.fonts->OpenFont(kFontFamily, kFontPixels - 1)
                                                          : nullptr),
      m_controls(m_font.get(), m_narrow_font.get(), m_options.url),
      m_skin(LoadSkin(*platform.pictures)),
      m_host([this](ui::Surface& surface) { ui::CopyImage(surface, m_backing, 0, 0); })
{
    m_runtime.AddForm(*this);
    // Without its font the dialog still works, but shows no caption: say why.
    if (!m_font)
        platform.diagnostics->Report(std::string("the settings dialog's font ") + kFontFamily +
                                     " cannot be found, so its captions cannot be drawn (Debian: install "
                                     "fonts-ipafont-gothic)");
    m_timer1.Interval = kTimer1Interval;
    m_runtime.AddTimer(*this, m_timer1, [this] { Timer1_Timer(); });
    m_runtime.AddIdleStep(*this, [this] { return IdleStep(); });
    for (ui::Control* control : m_controls.InDrawingOrder())
        m_host.Add(*control);
    GiveGroupsTheirPictures();
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
    m_runtime.RunUntil([this] { return m_closed; });
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
    m_runtime.RunOnce();
}

NextStep NuvraP::IdleStep()
{
    m_host.Tick(m_runtime.Now());
    if (m_scan) {
        ScanStep();
        Paint(false);
        return 0;
    }
    // Nothing to do until the next input or the credit label's next tick.
    Paint(true);
    return std::nullopt;
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
    request.parent = m_options.owner;
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

void NuvraP::GiveGroupsTheirPictures()
{
    // Nothing shows yet: Form_Load marks the items.
    DialogControls& c = m_controls;
    for (ui::OptionGroup* options : {c.Img_SR.get(), c.Img_Pos.get(), c.Img_BGM.get()})
        options->SetPictures(&m_skin.Img_Opt[0], &m_skin.Img_Opt[1]);
    c.Img_Kind->SetPictures(&m_skin.Img_Ra[0], &m_skin.Img_Ra[1]);
    c.Img_Sub->SetPictures(&m_skin.Img_Ra[0], &m_skin.Img_Ra[1]);
}

void NuvraP::WireHandlers()
{
    DialogControls& c = m_controls;
    for (int i = 0; i < 5; ++i)
        c.lbl_Button[static_cast<std::size_t>(i)]->OnClick = [this, i] { lbl_Button_MouseUp(i); };
    c.Img_SR->OnPress = [this](std::int32_t i) { OrderClick(i); };
    c.Img_Pos->OnPress = [this](std::int32_t i) { PositionClick(i); };
    c.Img_BGM->OnPress = [this](std::int32_t i) { MusicClick(i); };
    c.Img_Kind->OnPress = [this](std::int32_t i) { KindClick(i); };
    c.Img_Sub->OnPress = [this](std::int32_t) { SubfolderClick(); };
    c.HS_CD->OnChange = c.HS_CD->OnScroll = [this] { ShowSliderValue(*m_controls.HS_CD, *m_controls.lbl_Sec); };
    c.RotScroll->OnChange = c.RotScroll->OnScroll = [this] {
        ShowSliderValue(*m_controls.RotScroll, *m_controls.lbl_Degree);
    };
    c.List_1->OnClick = [this] { List_1_Click(); };
    c.lbl_URL->OnClick = [this] { lbl_URL_Click(); };
}

void NuvraP::ShowSliderValue(ui::ScrollBar& slider, ui::Label& label)
{
    label.SetCaption(std::to_string(slider.Value()));
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

void NuvraP::lbl_Button_MouseUp(int index)
{
    if (index < 0 || index > 4)
        return;
    // The input pending now runs first, and the released face is on the
    // screen before the action starts.
    m_runtime.Post([this, index] { ActOnButton(index); });
}

void NuvraP::ActOnButton(int index)
{
    // A close that came meanwhile (the close box, a termination request)
    // wins: nothing of this button runs after it.
    if (m_closed)
        return;
    Paint(true);
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
    m_controls.lbl_fade->SetForeColor(m_fade.Step(*m_platform.random));
}

void NuvraP::Unload()
{
    if (m_closed)
        return;
    m_timer1.Disable();
    if (m_window) {
        ZoomClose(m_state.nuvra_b.zoom_point, *m_window);
        m_window->Hide();
    }
    m_closed = true;
}

}  // namespace nuvra::dialog
