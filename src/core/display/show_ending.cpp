// The show's input handlers and its end: a button, a key (but the arrows
// that skip CD tracks) or a movement in both directions ends it; the ending
// asks for the password where the program owns it, stops the music and
// deletes the work files.
#include <cmath>
#include <string>

#include "display/display_form.h"
#include "files/paths.h"
#include "images/pixel_array.h"
#include "images/work_file.h"
#include "sound/cd_audio.h"
#include "sound/file_music.h"

namespace nuvra {

void DisplayForm::Form_MouseDown()
{
    EndShow();
}

void DisplayForm::Form_MouseMove()
{
    CheckMouseMove();
}

void DisplayForm::Form_KeyDown(platform::Key key)
{
    if (m_state.sound_01.settings.BgmKind == BgmKindOption::AudioCd && key == platform::Key::Left) {
        CD_PrevTrack(m_state.sound_01, m_platform);
        return;
    }
    if (m_state.sound_01.settings.BgmKind == BgmKindOption::AudioCd && key == platform::Key::Right) {
        CD_NextTrack(m_state.sound_01, m_platform);
        return;
    }
    EndShow();
}

void DisplayForm::CheckMouseMove()
{
    if (m_start == ShowStart::User)
        return;
    const platform::Point position = m_platform.cursor->GetCursorPos();
    const auto x = static_cast<float>(position.x);
    const auto y = static_cast<float>(position.y);
    NuvraS& form = m_form;
    if (!form.HaveFirstMouse) {
        form.FirstMouseX = x;
        form.FirstMouseY = y;
        form.HaveFirstMouse = true;
        return;
    }
    // Both coordinates must change: a purely horizontal or vertical drift
    // never ends the show, however long it is.
    if (x != form.FirstMouseX && y != form.FirstMouseY) {
        EndShow();
        form.HaveFirstMouse = false;
    }
}

void DisplayForm::EndShow()
{
    if (m_ended || m_ending)
        return;
    m_form.StopFlag = true;
    // The input already pending (another key, a close) is handled first.
    m_ending = true;
    m_runtime.Post([this] { FinishEnding(); });
}

void DisplayForm::FinishEnding()
{
    m_ending = false;
    // The input handled meanwhile may already have ended the show.
    if (m_ended)
        return;
    NuvraB& b = m_state.nuvra_b;
    const bool system_show = m_start == ShowStart::System;
    if (system_show && !m_platform.session->SystemOwnsPassword()) {
        b.SavedCursorState = m_platform.cursor->ShowCursor(b.SavedCursorState.value_or(0) != 0);
        const std::int64_t handle = m_window ? m_window->NativeHandle() : 0;
        if (!m_platform.session->ConfirmPassword(handle)) {
            b.SavedCursorState = m_platform.cursor->ShowCursor(false);
            return;
        }
    }
    UnloadForm();
}

void DisplayForm::DisplayLost()
{
    if (m_ended)
        return;
    // Deliberately never destroyed: the process ends without it.
    static_cast<void>(m_window.release());
    UnloadForm();
}

void DisplayForm::UnloadForm()
{
    NuvraB& b = m_state.nuvra_b;
    const SoundSettings& music = m_state.sound_01.settings;
    if (m_form.Timer2.Enabled) {
        m_form.Timer2.Disable();
        CD_Close(m_state.sound_01, m_platform);
    }
    if (m_play_music && music.BgmKind == BgmKindOption::MusicFile) {
        const std::string ending = MusicEnding(music.BgmFile);
        if (ending == "WAV")
            WAV_Stop(m_state.sound_01, m_platform);
        if (ending == "MP3")
            MP3_Close(m_state.sound_01, m_platform);
    }
    if (m_start == ShowStart::System)
        m_platform.session->SetRunning(false);
    for (const std::string& path : {SquareWorkFilePath(*m_platform.files, m_form.WorkFileTag),
                                    EightBitWorkFilePath(*m_platform.files, m_form.WorkFileTag)}) {
        if (FileExists(path, *m_platform.files))
            m_platform.files->DeleteFile(path);
    }
    UnbindPixelArray(b.SourcePixels);
    UnbindPixelArray(b.DisplayPixels);
    m_platform.session->SaverEnded();
    m_form.Timer1.Disable();
    m_form.Timer4.Disable();
    m_form.Timer5.Disable();
    // A walk still going on stops at its next folder.
    m_scan.reset();
    m_window.reset();
    m_ended = true;
}

}  // namespace nuvra
