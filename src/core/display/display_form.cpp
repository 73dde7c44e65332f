#include "display/display_form.h"

#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "display/frame_pacing.h"
#include "display/frame_step.h"
#include "display/picture_source.h"
#include "display/prepare_display.h"
#include "files/paths.h"
#include "images/pixel_array.h"
#include "images/work_file.h"
#include "settings/number_text.h"
#include "sound/cd_audio.h"
#include "sound/file_music.h"
#include "ui/window_titles.h"

namespace nuvra {

namespace {


std::int16_t HalfToEven16(double value)
{
    return RoundToInt16(value).value_or(0);
}

}  // namespace

DisplayForm::DisplayForm(ProcessState& state, platform::Platform& platform, ShowStart start)
    : m_state(state), m_platform(platform),
      m_own_runtime(std::make_unique<FormRuntime>(*platform.windows, *platform.clock)), m_runtime(*m_own_runtime),
      m_start(start)
{
    AddToRuntime();
}

DisplayForm::DisplayForm(ProcessState& state, platform::Platform& platform, FormRuntime& runtime, ShowStart start)
    : m_state(state), m_platform(platform), m_runtime(runtime), m_start(start)
{
    AddToRuntime();
}

DisplayForm::~DisplayForm()
{
    m_runtime.RemoveForm(*this);
}

void DisplayForm::AddToRuntime()
{
    // The order the timers tick in when several are due at one pass.
    m_runtime.AddTimer(*this, m_form.Timer1, [this] { Timer1_Timer(); });
    m_runtime.AddTimer(*this, m_form.Timer2, [this] { Timer2_Timer(); });
    m_runtime.AddTimer(*this, m_form.Timer4, [this] { Timer4_Timer(); });
    m_runtime.AddTimer(*this, m_form.Timer5, [this] { Timer5_Timer(); });
}

void DisplayForm::HostIn(std::optional<std::int64_t> window, bool play_music, std::string work_file_tag)
{
    m_hosted = true;
    m_host_window = window;
    m_play_music = play_music;
    m_form.WorkFileTag = std::move(work_file_tag);
}

void DisplayForm::HostOnLayer(std::int64_t monitor, platform::SurfaceLayer layer, bool play_music,
                              std::string work_file_tag)
{
    HostIn(monitor, play_music, std::move(work_file_tag));
    m_layer = layer;
}

bool DisplayForm::TakeWindowSize()
{
    const platform::Rect bounds = m_window->Bounds();
    m_form.ScreenWidthPx = HalfToEven16(bounds.right - bounds.left);
    m_form.ScreenHeightPx = HalfToEven16(bounds.bottom - bounds.top);
    return m_form.ScreenWidthPx > 0 && m_form.ScreenHeightPx > 0;
}

// A hosted window changes size with the daemon's monitor: the box is placed
// again in the new size at once; the next picture is cut for it.
void DisplayForm::OnResized()
{
    if (!m_window || !TakeWindowSize())
        return;
    NuvraS& form = m_form;
    form.BounceCentreX = HalfToEven16(form.ScreenWidthPx / 2.0);
    form.BounceCentreY = HalfToEven16(form.ScreenHeightPx / 2.0);
    PrepareDisplay(form, m_state.nuvra_b, m_platform);
    if (m_state.nuvra_b.settings.ImagePosition == ImagePositionOption::MovingBox)
        PlaceMovingBox();
}

std::int64_t DisplayForm::WindowHandle() const
{
    return m_window ? m_window->NativeHandle() : 0;
}

int DisplayForm::Form_Load()
{
    if (!Open())
        return kExitNoWindow;
    m_runtime.RunUntil([this] { return m_ended; });
    return kExitShowEnded;
}

bool DisplayForm::Open()
{
    // A black, borderless, topmost window over the whole primary
    // screen, made now and shown only at the end, so that the desktop
    // capture below still sees the desktop; or the daemon's window. The show
    // takes its size from the window it got, not from the screen it asked
    // to cover.
    const platform::Rect screen = m_platform.windows->PrimaryScreen();
    platform::WindowRequest request;
    request.title = kDisplayWindowTitle;
    request.style = m_hosted ? platform::WindowStyle::Foreign : platform::WindowStyle::Fullscreen;
    request.bounds = {0, 0, HalfToEven16(screen.right - screen.left), HalfToEven16(screen.bottom - screen.top)};
    request.parent = m_host_window;
    request.layer = m_layer;
    m_window = m_platform.windows->CreateWindow(request);
    if (!m_window || !TakeWindowSize()) {
        // Without a window nothing could ever end the show: give up at once,
        // with the same cleanup as a normal end.
        m_form.StopFlag = true;
        UnloadForm();
        return false;
    }
    m_window->SetFramePacing(ChooseFramePacing(m_window->RefreshRate(), m_state.nuvra_b.FrameLimit));

    StartShow();
    RunKaleidoscope();
    return true;
}

void DisplayForm::StartShow()
{
    NuvraS& form = m_form;
    NuvraB& b = m_state.nuvra_b;
    const std::uint64_t now = m_platform.clock->NowMilliseconds();

    if (b.settings.ImagePosition == ImagePositionOption::MovingBox)
        StartMovingBox(now);

    // The first picture, or the desktop when the folder gave none. A walk
    // still going on has given its first picture; the rest come with the
    // first change after it ends.
    m_scan = std::move(b.PendingScan);
    if (b.images.ImageCount != 0) {
        form.PictureIndex = 0;
        LoadNextPicture(form, b, m_platform);
        // A first picture that cannot be prepared (an empty or broken file
        // sorted first, a picture too large to decode) has no earlier one to
        // fall back on: the sample picture stands in until the next change,
        // rather than a black screen or the refusal of an empty picture.
        if (form.EightBitSquare.empty())
            ShowSamplePicture(form, m_platform);
        if (b.images.ImageCount > 1 || m_scan)
            form.Timer4.Enable(now);
        if (b.images.ImageCount > 1)
            StartPrefetch();
    } else if (m_layer != platform::SurfaceLayer::None) {
        ShowSamplePicture(form, m_platform);
    } else if (m_hosted) {
        // The screen under a daemon's window is the daemon's black window,
        // not the user's desktop: the desktop the daemon saved stands in.
        ShowSavedDesktop(form, m_platform, m_host_window);
    } else {
        CaptureDesktop(form, m_platform);
    }
    PrepareDisplay(form, b, m_platform);
    // The moving box is placed by its timer, which has not ticked yet; put it
    // where that tick starts from, so the first frame is not drawn in the
    // top-left corner.
    if (b.settings.ImagePosition == ImagePositionOption::MovingBox)
        PlaceMovingBox();

    // The turn per frame, and the picture-change count from zero.
    form.AngleStep = b.settings.RotationSpeed;
    form.ChangeTicks = 0;

    // The music and its timers; another copy of the show may play it.
    if (m_play_music)
        StartMusic(now);

    // The first mouse report only records where the pointer is; then show the window.
    form.HaveFirstMouse = false;
    m_window->Show();
}

// The moving box starts centred, heading for a random corner.
void DisplayForm::StartMovingBox(std::uint64_t now)
{
    NuvraS& form = m_form;
    form.BounceCentreX = HalfToEven16(form.ScreenWidthPx / 2.0);
    form.BounceCentreY = HalfToEven16(form.ScreenHeightPx / 2.0);
    m_platform.random->Randomize();
    const int r = static_cast<int>(std::floor(4.0 * m_platform.random->Rnd()));
    static constexpr std::int16_t kSteps[4][2] = {{3, 3}, {-3, -3}, {3, -3}, {-3, 3}};
    form.BounceStepX = kSteps[r & 3][0];
    form.BounceStepY = kSteps[r & 3][1];
    form.BounceOffsetX = 0;
    form.BounceOffsetY = 0;
    form.Timer5.Enable(now);
}

void DisplayForm::StartMusic(std::uint64_t now)
{
    const SoundSettings& music = m_state.sound_01.settings;
    if (music.BgmKind == BgmKindOption::AudioCd) {
        CD_Open(m_state.sound_01, m_platform);
        m_form.Timer2.Enable(now);
    }
    if (music.BgmKind == BgmKindOption::MusicFile) {
        const std::string ending = MusicEnding(music.BgmFile);
        if (ending == "WAV")
            WAV_Play(m_state.sound_01, m_platform);
        if (ending == "MP3") {
            MP3_Open(m_state.sound_01, m_platform);
            m_form.Timer1.Enable(now);
        }
    }
}

void DisplayForm::RunKaleidoscope()
{
    // The first frame now, the next ones between passes of the loop until
    // the show ends. A refused password stops the frames only until the
    // next one: the animation goes on, and the next activity asks again.
    RunFrame();
    m_runtime.AddIdleStep(*this, [this] {
        m_form.StopFlag = false;
        RunFrame();
        return NextStep{0};
    });
}

void DisplayForm::RunFrame()
{
    if (RunKaleidoscopeFrame(m_form, m_state.nuvra_b))
        m_drawn_angle = m_form.Angle;
    Repaint();
}

// What the window has to send of this frame: all of a picture filled
// afresh, the disc when it was drawn at a new angle, and nothing when the
// picture stands still (no turn per frame, or no frames drawn).
void DisplayForm::DescribeChange(platform::IndexedImage& image)
{
    const std::optional<std::int16_t> shown = std::exchange(m_shown_angle, m_drawn_angle);
    if (std::exchange(m_form.display_renewed, false) || image.width != m_form.ViewSize ||
        image.height != m_form.ViewSize) {
        image.change = platform::ImageChange::All;
        return;
    }
    if (shown == m_drawn_angle) {
        image.change = platform::ImageChange::None;
        return;
    }
    const QuarterDiscBuffer& disc = LayOutDisc(m_form);
    image.change = platform::ImageChange::Rows;
    image.changed_rows = disc.disc_rows;
    // The box in the picture's own coordinates, top row 0.
    image.changed_box = {disc.disc_box.left, image.height - disc.disc_box.bottom, disc.disc_box.right,
                         image.height - disc.disc_box.top};
}

void DisplayForm::Repaint()
{
    if (!m_window)
        return;
    const platform::Picture& display = m_form.Display;
    platform::IndexedImage image;
    if (m_state.nuvra_b.DisplayPixels.bound() && display.bits_per_pixel == 8 && !display.empty()) {
        image = DisplayImage(m_form);
        DescribeChange(image);
    }
    // Fractional places from the centring rule become whole pixels here.
    const platform::Point at{static_cast<std::int32_t>(std::nearbyint(m_form.DisplayLeft)),
                             static_cast<std::int32_t>(std::nearbyint(m_form.DisplayTop))};
    m_window->PresentIndexed(image, at);
}

void DisplayForm::OnInput(const platform::InputEvent& event)
{
    if (m_hosted && event.kind == platform::InputKind::Resized) {
        OnResized();
        return;
    }
    // The daemon that hosts the show owns the mouse and the keys, and ends
    // the show itself, or takes its window away; so does the desktop under
    // a show on its background. The overlay takes them as the "S" show does.
    const bool input_ends_show = !m_hosted || m_layer == platform::SurfaceLayer::Overlay;
    if (!input_ends_show && event.kind != platform::InputKind::Close && event.kind != platform::InputKind::HostGone)
        return;
    switch (event.kind) {
    case platform::InputKind::MouseDown:
        Form_MouseDown();
        break;
    case platform::InputKind::MouseMove:
        Form_MouseMove();
        break;
    case platform::InputKind::KeyDown:
        Form_KeyDown(event.key);
        break;
    case platform::InputKind::Close:
    case platform::InputKind::HostGone:
        // The session is ending, someone asked us to stop, or there is no
        // window left to show in: end as a user's key would, with the whole
        // cleanup.
        EndShow();
        break;
    default:
        break;
    }
}

void DisplayForm::Timer1_Timer()
{
    MP3_Repeat(m_state.sound_01, m_platform);
}

void DisplayForm::Timer2_Timer()
{
    CD_Check(m_state.sound_01, m_platform);
    if (!m_state.sound_01.state.CD_Active)
        m_form.Timer2.Disable();
}

void DisplayForm::Timer5_Timer()
{
    NuvraS& form = m_form;
    // The box is square: its side W serves both directions.
    const double half = form.DisplayWidth / 2.0;
    form.BounceOffsetX = static_cast<std::int16_t>(form.BounceOffsetX + form.BounceStepX);
    form.BounceOffsetY = static_cast<std::int16_t>(form.BounceOffsetY + form.BounceStepY);
    // The turn is decided after the step, so the box overshoots an edge by
    // up to one step before it comes back.
    auto bounce = [half](std::int16_t& step, std::int16_t offset, std::int16_t centre) {
        if (step > 0 && offset > centre - half)
            step = static_cast<std::int16_t>(-std::abs(step));
        if (step <= 0 && offset < half - centre)
            step = static_cast<std::int16_t>(std::abs(step));
    };
    bounce(form.BounceStepX, form.BounceOffsetX, form.BounceCentreX);
    bounce(form.BounceStepY, form.BounceOffsetY, form.BounceCentreY);
    PlaceMovingBox();
}

void DisplayForm::PlaceMovingBox()
{
    NuvraS& form = m_form;
    const double half = form.DisplayWidth / 2.0;
    form.DisplayLeft = form.BounceCentreX - half + form.BounceOffsetX;
    form.DisplayTop = form.BounceCentreY - half + form.BounceOffsetY;
}

}  // namespace nuvra
