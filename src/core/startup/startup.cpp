#include "startup/startup.h"

#include <memory>
#include <optional>
#include <string>

#include "images/image_list.h"
#include "settings/number_text.h"
#include "settings/settings.h"
#include "startup/command_line.h"
#include "startup/hosted_options.h"
#include "startup/hosted_show.h"
#include "ui/window_titles.h"

namespace nuvra {

namespace {

constexpr int kExitNormally = 0;

}  // namespace

int ReportNoClaim(platform::Platform& platform, std::string_view why)
{
    platform.diagnostics->Report("Nuvra has no folder for its lock and work files (" + std::string(why) + ")");
    return kExitNoFolder;
}

namespace {

// The preview pane's handle, read leniently: the host always passes a
// decimal handle, and a value that does not fit 32 bits names no window,
// the same as no number at all. X11 tools write window ids as 0x and
// hexadecimal digits, which the lenient reading would take as 0.
std::int32_t PreviewParentOf(const std::string& handle)
{
    if (handle.size() > 1 && handle[0] == '0' && (handle[1] == 'x' || handle[1] == 'X'))
        return static_cast<std::int32_t>(ParseWindowId(handle).value_or(0));
    return RoundToInt32(ReadNumberPrefix(handle)).value_or(0);
}

// The window "/c:<window>" names, when it names one.
std::optional<std::int64_t> DialogOwnerOf(const std::string& handle)
{
    const std::int32_t window = PreviewParentOf(handle);
    return window > 0 ? std::optional<std::int64_t>(window) : std::nullopt;
}

void ChangePassword(platform::Platform& platform, const std::string& handle_text)
{
    if (platform.session->SystemOwnsPassword())
        return;
    // Without a number there is no window to own the password dialog, so
    // nothing is asked.
    if (auto parent = ParseNumber(handle_text))
        if (auto handle = RoundToInt32(*parent))
            platform.session->ChangePassword(*handle);
}

int StartShow(ProcessState& state, platform::Platform& platform, Forms& forms, ShowStart start)
{
    NuvraB& b = state.nuvra_b;
    if (b.images.ImageCount != 0) {
        b.images.ShowOrder.assign(static_cast<std::size_t>(b.images.ImageCount) + 1, 0);
        BuildShowOrder(b.images, b.settings.OrderMode, *platform.random);
    }
    if (start == ShowStart::System) {
        b.SavedCursorState = platform.cursor->ShowCursor(false);
        platform.session->SetRunning(true);
    }
    return forms.LoadDisplayForm(start);
}

}  // namespace

void LoadSettings(ProcessState& state, platform::Platform& platform, PictureListing listing)
{
    NuvraB& b = state.nuvra_b;
    SettingsRecord& settings = b.settings;
    LoadSettingsUpToFolder(settings, platform);
    b.images.ImageCount = 0;
    if (listing == PictureListing::ForShow)
        b.PendingScan = ListPicturesForShow(b.images, settings.ImageKinds, settings.ImageFolder, *platform.files,
                                            settings.Subfolders);
    else if (listing == PictureListing::Now && !settings.ImageFolder.empty())
        BuildImageList(b.images, settings.ImageKinds, settings.ImageFolder, *platform.files, settings.Subfolders);
    LoadSettingsAfterFolder(settings, state.sound_01.settings, platform);
}

int Main(ProcessState& state, platform::Platform& platform, Forms& forms, const Mode& mode)
{
    // A daemon runs a copy per monitor, each with its own claim.
    if (mode.kind == ModeKind::Hosted)
        return RunHostedShow(state, platform, forms, mode.hosted);

    if (platform.guard->WindowExists(kDisplayWindowTitle) || platform.guard->WindowExists(kDialogWindowTitle))
        return kExitNormally;

    // A mode that opens a window claims its title now, before it reads or
    // writes anything: the search above only sees windows that already
    // exist, so of two processes started at the same moment both would pass
    // it. The claim is atomic; the one that loses it ends at once.
    platform::TitleClaim claim;
    if (mode.kind == ModeKind::Show || mode.kind == ModeKind::Settings) {
        claim = platform.guard->Claim(mode.kind == ModeKind::Show ? kDisplayWindowTitle : kDialogWindowTitle);
        if (!claim.failure.empty())
            return ReportNoClaim(platform, claim.failure);
        if (!claim.held)
            return kExitNormally;
    }

    if (mode.kind == ModeKind::Preview) {
        state.nuvra_b.PreviewParent = PreviewParentOf(mode.handle_text);
        return forms.HostPreview(state.nuvra_b.PreviewParent);
    }

    LoadSettings(state, platform, mode.kind == ModeKind::Show ? PictureListing::ForShow : PictureListing::Now);

    switch (mode.kind) {
    case ModeKind::ChangePassword:
        ChangePassword(platform, mode.handle_text);
        return kExitNormally;
    case ModeKind::Settings:
        return forms.ShowSettingsDialog(DialogOwnerOf(mode.handle_text));
    case ModeKind::Show:
        return StartShow(state, platform, forms, mode.show_start);
    default:
        return kExitNormally;
    }
}

}  // namespace nuvra
