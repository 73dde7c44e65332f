// Choosing the picture folder and the music file through the desktop's
// choosers, and opening the address of the underlined label.
#include "dialog/nuvra_p.h"

#include "files/paths.h"
#include "ui/window_titles.h"

namespace nuvra::dialog {

namespace {

constexpr const char* kFolderChooserTitle = "ﾌｫﾙﾀﾞをｸﾘｯｸして選択状態にしてから ＯＫ を押してください";
constexpr const char* kFileChooserTitle = "ﾌｧｲﾙを開く";
constexpr const char* kMusicFilterName = "BGMﾌｧｲﾙ (MP3 WAV)";
constexpr const char* kMusicFilterPatterns = "*.MP3;*.WAV";
// The chooser's answer buffer holds 255 characters with its terminating
// NUL; a longer path could not be stored in the settings file either.
constexpr std::size_t kMaxMusicPath = 254;
// The three scan passes: no flag, archive only, read-only only.
constexpr std::int16_t kScanPasses[] = {0, 32, 1};
// Folder entries read per pass of the loop while a folder is scanned.
constexpr std::size_t kScanEntriesPerStep = 256;

}  // namespace

void NuvraP::BrowseFolder()
{
    if (m_scan)
        return;
    const platform::Choice choice = m_platform.shell->BrowseForFolder(kFolderChooserTitle);
    if (choice.outcome == platform::ChoiceOutcome::Unavailable) {
        m_platform.message_box->MessageBox(choice.path, kDialogWindowTitle, platform::MessageBoxStyle::OkExclamation);
        return;
    }
    // A cancelled chooser leaves the folder and its list as they were.
    if (choice.outcome != platform::ChoiceOutcome::Chosen)
        return;

    m_controls.Folder_Path->SetCaption(choice.path);
    m_folder_files.clear();
    m_scan_listings.clear();
    m_unreadable_folders.clear();
    FolderScan scan;
    scan.patterns = FolderPatterns(choice.path);
    scan.folders.emplace_back(choice.path, 0);
    if (const std::optional<std::string> identity = m_platform.files->FolderIdentity(choice.path))
        scan.identities.insert(*identity);
    // Read a batch at a time between passes of the loop, so the count runs
    // up on the screen and the window stays alive while a large folder is
    // read.
    m_scan = std::move(scan);
}

std::vector<std::pair<std::string, std::int16_t>> NuvraP::FolderPatterns(const std::string& folder) const
{
    std::vector<std::pair<std::string, std::int16_t>> patterns;
    const ImageKindOptions& kinds = m_state.nuvra_b.settings.ImageKinds;
    for (std::int16_t attribute : kScanPasses) {
        for (std::size_t kind = 0; kind < kKindWildcards.size(); ++kind) {
            // The folder text and the wildcard are joined as they are: a
            // root folder gives a doubled separator, which still lists it.
            if (kinds[kind] == ImageKindOption::On) {
                for (const std::string_view wildcard : KindWildcards(kind))
                    patterns.push_back({JoinPath(folder, wildcard), attribute});
            }
        }
    }
    return patterns;
}

bool NuvraP::NextScanFolder()
{
    FolderScan& scan = *m_scan;
    if (m_state.nuvra_b.settings.Subfolders != SubfolderOption::On)
        return false;
    const auto [folder, depth] = scan.folders[scan.folder];
    if (const platform::FolderListing* listing = ScanListing(JoinPath(folder, "*"), scan.folder == 0))
        QueueSubfolders(folder, depth, *listing, *m_platform.files, scan.identities, scan.folders);
    // A folder's listing is not needed once its pictures and subfolders
    // are taken.
    m_scan_listings.erase(folder);
    if (++scan.folder >= scan.folders.size())
        return false;
    scan.patterns = FolderPatterns(scan.folders[scan.folder].first);
    scan.pattern = 0;
    scan.entry = 0;
    return true;
}

void NuvraP::ScanStep()
{
    FolderScan& scan = *m_scan;
    std::size_t budget = kScanEntriesPerStep;
    for (;;) {
        if (scan.pattern >= scan.patterns.size()) {
            if (!NextScanFolder())
                break;
            continue;
        }
        // A budget spent at the very end of a pattern leaves the rest for
        // the next step.
        if (budget == 0)
            return;
        const auto& [pattern, attribute] = scan.patterns[scan.pattern];
        const platform::FolderListing* listing = ScanListing(pattern, scan.folder == 0);
        const std::size_t count = listing != nullptr ? listing->entries.size() : 0;
        const std::string directory = ParentFolder(pattern);
        const std::string wildcard = pattern.substr(directory.size() + 1);
        for (; scan.entry < count && budget > 0; ++scan.entry, --budget) {
            const platform::FolderEntry& entry = listing->entries[scan.entry];
            if (entry.attributes != static_cast<std::uint32_t>(attribute) || !WildcardMatch(entry.name, wildcard))
                continue;
            m_folder_files.push_back(JoinPath(directory, entry.name));
            m_controls.lbl_Kei->SetCaption(std::to_string(m_folder_files.size()));
        }
        if (scan.entry < count)
            return;
        ++scan.pattern;
        scan.entry = 0;
    }
    m_scan.reset();
    m_scan_listings.clear();
    RefillList(m_folder_files, true);
}

const platform::FolderListing* NuvraP::ScanListing(const std::string& pattern, bool report)
{
    const std::string directory = ParentFolder(pattern);
    if (m_unreadable_folders.count(directory) != 0)
        return nullptr;
    auto listing = m_scan_listings.find(directory);
    if (listing == m_scan_listings.end())
        listing = m_scan_listings.emplace(directory, m_platform.files->ListFolder(directory)).first;
    if (!listing->second.opened && !report) {
        m_unreadable_folders.insert(directory);
        return nullptr;
    }
    if (!listing->second.opened) {
        // Said once; that folder's patterns are given up rather than tried
        // again and again.
        m_unreadable_folders.insert(directory);
        m_platform.message_box->MessageBox("The folder \"" + directory + "\" cannot be read.", kDialogWindowTitle,
                                           platform::MessageBoxStyle::OkCritical);
        return nullptr;
    }
    return &listing->second;
}

void NuvraP::BrowseBgmFile()
{
    const platform::Choice choice =
        m_platform.shell->GetOpenFileName(kFileChooserTitle, kMusicFilterName, kMusicFilterPatterns, "");
    if (choice.outcome == platform::ChoiceOutcome::Unavailable) {
        m_platform.message_box->MessageBox(choice.path, kDialogWindowTitle, platform::MessageBoxStyle::OkExclamation);
        return;
    }
    if (choice.outcome != platform::ChoiceOutcome::Chosen || choice.path.empty() || choice.path.size() > kMaxMusicPath)
        return;
    m_state.sound_01.settings.BgmFile = choice.path;
    m_controls.lbl_Fname->SetCaption(choice.path);
}

void NuvraP::lbl_URL_Click()
{
    m_platform.cursor->SetBusy(true);
    m_platform.shell->OpenUrl(m_controls.lbl_URL->Caption());
    m_platform.cursor->SetBusy(false);
}

}  // namespace nuvra::dialog
