// The display form Nuvra_S: the full-screen show from its load to its end.
//
// Start-up loads it for the show modes ("S" and the empty command line);
// Form_Load covers the screen, prepares the first picture, starts the timers
// and the music, and runs the frames on the runtime's loop until EndShow
// ends the show. Each frame is an idle step that asks to run again at once;
// timer ticks and input arrive between two frames, and the next picture is
// prepared ahead on a worker (PicturePrefetch) and swapped in at the change.
// Nothing here reads the clock or sleeps: time comes from the platform's clock, and the
// window's present waits for the display's refresh.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "display/nuvra_s.h"
#include "display/picture_prefetch.h"
#include "modules.h"
#include "platform/platform.h"
#include "display/show_start.h"
#include "ui/form_runtime.h"

namespace nuvra {

inline constexpr int kExitShowEnded = 0;
inline constexpr int kExitNoWindow = 1;

class DisplayForm final : public Form {
public:
    // start: who started the show, as start-up read it from the command
    // line. The form runs on runtime, or on a runtime of its own.
    DisplayForm(ProcessState& state, platform::Platform& platform, ShowStart start);
    DisplayForm(ProcessState& state, platform::Platform& platform, FormRuntime& runtime, ShowStart start);
    ~DisplayForm() override;
    DisplayForm(const DisplayForm&) = delete;
    DisplayForm& operator=(const DisplayForm&) = delete;

    // Before Form_Load: draw the show inside a window a screen-saver daemon
    // gives us (none: the root window) instead of a full-screen window of our
    // own. The daemon owns input and the end: only a termination request,
    // or the daemon's window going, ends a hosted show, and it follows the
    // window's size. play_music is false for all copies but one where the
    // daemon runs one per monitor; work_file_tag keeps each copy's work
    // files apart.
    void HostIn(std::optional<std::int64_t> window, bool play_music, std::string work_file_tag);
    // Before Form_Load or Open: draw the show on a layer of the desktop over
    // one monitor (WindowSystem::Monitors) instead, as a hosted copy does.
    // On the overlay a key, a click or a movement ends it as in the "S"
    // show; on the background only a termination request or the surface
    // going ends it. There is no desktop to capture under a layer: an empty
    // folder shows the sample picture.
    void HostOnLayer(std::int64_t monitor, platform::SurfaceLayer layer, bool play_music,
                     std::string work_file_tag);

    // Runs the whole show; returns the process's exit status once it ended.
    int Form_Load();
    // Form_Load's start without its loop, for a show of several forms on
    // one runtime: the window, the first picture, the music and the first
    // frame, with the next frames as an idle step. False when no window
    // could be had (the form has then unloaded).
    bool Open();

    // Input handlers. The Display box lies on the form and its mouse events
    // are the form's, so one handler serves both.
    void Form_MouseDown();
    void Form_MouseMove();
    void Form_KeyDown(platform::Key key);
    void CheckMouseMove();
    void EndShow();
    // The display went away under the show (the session ended): the music
    // stops and the work files go as at a normal end, but the window is
    // left alone, since closing it would speak to the display that is gone.
    // The process ends right after.
    void DisplayLost();

    void Timer1_Timer();
    void Timer2_Timer();
    void Timer4_Timer();
    void Timer5_Timer();
    // The moving box at its centre plus its offset.
    void PlaceMovingBox();

    // The form on the runtime.
    std::int64_t WindowHandle() const override;
    bool Loaded() const override { return !m_ended; }
    void OnInput(const platform::InputEvent& event) override;

    // One frame: the frame step, then the repaint.
    void RunFrame();

    NuvraS& form() { return m_form; }
    bool ended() const { return m_ended; }

private:
    void AddToRuntime();
    // The window's size as it is now, into the screen fields.
    bool TakeWindowSize();
    void OnResized();
    void StartShow();
    void StartMovingBox(std::uint64_t now);
    void StartMusic(std::uint64_t now);
    void RunKaleidoscope();
    // The rest of EndShow, once the input pending when it began is handled.
    void FinishEnding();
    void Repaint();
    void DescribeChange(platform::IndexedImage& image);
    void UnloadForm();
    // The picture change: takes the prepared picture (or, with none under
    // way, loads the next one now), then starts preparing the one after.
    // At a picture change while the walk goes on: true when it has ended
    // and its whole list, of more than one picture, replaced the first one.
    bool TakeScannedList();
    void ShowNextPicture();
    void StartPrefetch();

    ProcessState& m_state;
    platform::Platform& m_platform;
    std::unique_ptr<FormRuntime> m_own_runtime;
    FormRuntime& m_runtime;
    ShowStart m_start;
    bool m_hosted = false;
    std::optional<std::int64_t> m_host_window;
    platform::SurfaceLayer m_layer = platform::SurfaceLayer::None;
    bool m_play_music = true;
    NuvraS m_form;
    std::unique_ptr<platform::Window> m_window;
    PicturePrefetch m_prefetch;
    std::shared_ptr<ImageScan> m_scan;  // the walk the show started before its end
    // The angle the display square holds the disc at, and the one the
    // window was last sent; none before the first.
    std::optional<std::int16_t> m_drawn_angle;
    std::optional<std::int16_t> m_shown_angle;
    bool m_ended = false;
    bool m_ending = false;  // EndShow has posted FinishEnding
};

}  // namespace nuvra
