#include "startup/startup.h"

#include <memory>
#include <string>

#include "images/image_list.h"
#include "settings/number_text.h"
#include "settings/settings.h"
#include "startup/command_line.h"
#include "startup/hosted_options.h"

namespace nuvra {

namespace {

constexpr int kExitNormally = 0;

}  // namespace

int ReportNoClaim(platform::Platform& platform, std::string_view why)
{
    if (platform.diagnostics != nullptr)
        platform.diagnostics->Report("Nuvra has no folder for its lock and work files (" + std::string(why) + ")");
    return kExitNoFolder;
}

int Main(ProcessState& state, platform::Platform& platform, Forms& forms, std::string_view command_line)
{
    NuvraB& b = state.nuvra_b;

    if (platform.guard->WindowExists(kDisplayWindowTitle) || platform.guard->WindowExists(kDialogWindowTitle))
        return kExitNormally;

    const std::string mode = ModeLetter(command_line);

    // A mode that opens a window claims its title now, before it reads or
    // writes anything: the search above only sees windows that already
    // exist, so of two processes started at the same moment both would pass
    // it. The claim is atomic; the one that loses it ends at once.
    const bool show_mode = mode == "S" || command_line.empty();
    platform::TitleClaim claim;
    if (show_mode || mode == "C") {
        claim = platform.guard->Claim(show_mode ? kDisplayWindowTitle : kDialogWindowTitle);
        if (!claim.failure.empty())
            return ReportNoClaim(platform, claim.failure);
        if (!claim.held)
            return kExitNormally;
    }

    if (mode == "P") {
        // The host always passes a decimal handle; a value that does not fit
        // 32 bits names no window, the same as no number at all.
        // X11 tools write window ids as 0x and hexadecimal digits, which
        // the lenient reading would take as 0.
        const std::string handle = HandleText(command_line);
        if (handle.size() > 1 && handle[0] == '0' && (handle[1] == 'x' || handle[1] == 'X'))
            b.PreviewParent = static_cast<std::int32_t>(ParseWindowId(handle).value_or(0));
        else
            b.PreviewParent = RoundToInt32(ReadNumberPrefix(handle)).value_or(0);
        return forms.HostPreview(b.PreviewParent);
    }

    LoadSettings(state, platform);

    if (mode == "A") {
        if (!platform.session->SystemOwnsPassword()) {
            // Without a number there is no window to own the password dialog,
            // so nothing is asked.
            if (auto parent = ParseNumber(HandleText(command_line)))
                if (auto handle = RoundToInt32(*parent))
                    platform.session->ChangePassword(*handle);
        }
        return kExitNormally;
    }

    if (mode == "C") {
        return forms.ShowSettingsDialog();
    }

    if (!command_line.empty() && mode != "S")
        return kExitNormally;

    if (b.images.ImageCount != 0) {
        b.images.ShowOrder.assign(static_cast<std::size_t>(b.images.ImageCount) + 1, 0);
        BuildShowOrder(b.images, b.settings.OrderMode, *platform.random);
    }

    if (mode == "S") {
        b.SavedCursorState = platform.cursor->ShowCursor(false);
        platform.session->SetRunning(true);
    }

    return forms.LoadDisplayForm();
}

}  // namespace nuvra
