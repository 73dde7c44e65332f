// The confirm path: the settings written from the record and the controls,
// then the dialog closed. A save that fails would otherwise drop the user's
// choices without a word, so the user is told which file could not be
// written and why, and the dialog stays open: "設定" tries again, "ｷｬﾝｾﾙ"
// leaves the old file as it is.
#include "dialog/nuvra_p.h"

#include "settings/settings.h"
#include "ui/window_titles.h"

namespace nuvra::dialog {

namespace {

std::string SaveFailedMessage(const SaveResult& result)
{
    std::string message = "The settings could not be saved to \"" + result.file + "\"";
    if (!result.reason.empty())
        message += ": " + result.reason;
    return message + ".";
}

}  // namespace

void NuvraP::ConfirmSettings()
{
    DialogValues values;
    values.interval_slider = static_cast<std::int16_t>(m_controls.HS_CD->Value());
    values.folder_caption = m_controls.Folder_Path->Caption();
    values.repeat_text = m_controls.BGM_Repeat->Text();
    values.rotation_slider = static_cast<std::int16_t>(m_controls.RotScroll->Value());
    const SaveResult result = SaveSettings(m_state.nuvra_b.settings, m_state.sound_01.settings, m_platform, values);
    if (result.saved) {
        Unload();
        return;
    }
    m_platform.message_box->MessageBox(SaveFailedMessage(result), kDialogWindowTitle,
                                       platform::MessageBoxStyle::OkCritical);
}

}  // namespace nuvra::dialog
