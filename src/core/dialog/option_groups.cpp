// What the option groups and the picture-kind check boxes change: each
// acts on the press of any mouse button on its picture or its caption, and
// the group has marked the item by the time its handler runs.
#include "dialog/nuvra_p.h"

#include "files/paths.h"
#include "images/image_list.h"

namespace nuvra::dialog {

void NuvraP::OrderClick(int index)
{
    if (index < 0 || index > 1)
        return;
    m_state.nuvra_b.settings.OrderMode = static_cast<OrderModeOption>(index);
}

void NuvraP::PositionClick(int index)
{
    if (index < 0 || index > 2)
        return;
    m_state.nuvra_b.settings.ImagePosition = static_cast<ImagePositionOption>(index);
}

void NuvraP::MusicClick(int index)
{
    if (index < 0 || index > 2)
        return;
    m_controls.lbl_Button[kButtonMusicFile]->SetEnabled(false);
    m_controls.BGM_Repeat->SetEnabled(false);
    const auto source = static_cast<BgmKindOption>(index);
    if (source == BgmKindOption::AudioCd)
        m_controls.BGM_Repeat->SetEnabled(true);
    if (source == BgmKindOption::MusicFile)
        m_controls.lbl_Button[kButtonMusicFile]->SetEnabled(true);
    m_state.sound_01.settings.BgmKind = source;
}

void NuvraP::KindClick(int index)
{
    if (index < 0 || index >= static_cast<int>(m_state.nuvra_b.settings.ImageKinds.size()))
        return;
    SettingsRecord& settings = m_state.nuvra_b.settings;
    ImageKindOption& kind = settings.ImageKinds[static_cast<std::size_t>(index)];
    // Only the lowest bit flips: a stored 2 becomes 3, which names no
    // picture (the box, never marked, stays blank) and is not scanned.
    kind = static_cast<ImageKindOption>(StoredNumber(kind) ^ 1);
    // The box is on the screen before the folder is read again.
    m_runtime.Post([this] { RescanKinds(); });
}

void NuvraP::SubfolderClick()
{
    SubfolderOption& subfolders = m_state.nuvra_b.settings.Subfolders;
    subfolders = static_cast<SubfolderOption>(StoredNumber(subfolders) ^ 1);
    m_runtime.Post([this] { RescanKinds(); });
}

void NuvraP::RescanKinds()
{
    if (m_closed)
        return;
    Paint(true);
    SettingsRecord& settings = m_state.nuvra_b.settings;
    settings.ImageFolder = m_controls.Folder_Path->Caption();
    if (settings.ImageFolder.empty() || !FolderExists(settings.ImageFolder, *m_platform.files))
        return;
    m_controls.lbl_Kei->SetCaption("");
    ImageList& images = m_state.nuvra_b.images;
    BuildImageList(images, settings.ImageKinds, settings.ImageFolder, *m_platform.files, settings.Subfolders);
    m_controls.List_1->Clear();
    std::vector<std::string> paths;
    for (std::int16_t i = 1; i <= images.ImageCount; ++i)
        paths.push_back(images.ImageFiles[static_cast<std::size_t>(i)]);
    RefillList(paths, false);
}

}  // namespace nuvra::dialog
