#include "startup/hosted_show.h"

#include <cstdio>
#include <memory>

#include "images/image_list.h"
#include "settings/settings.h"
#include "startup/layer_show.h"
#include "startup/startup.h"
#include "ui/window_titles.h"

namespace nuvra {

std::string HostedTag(std::optional<std::int64_t> window)
{
    if (!window)
        return "-root";
    char text[24];
    std::snprintf(text, sizeof text, "-0x%llx", static_cast<unsigned long long>(*window));
    return text;
}

void LoadHostedSettings(ProcessState& state, platform::Platform& platform, const HostedOptions& options)
{
    LoadSettings(state, platform, PictureListing::Later);
    ApplyHostedOverrides(options, state, platform);
    NuvraB& b = state.nuvra_b;
    b.PendingScan = ListPicturesForShow(b.images, b.settings.ImageKinds, b.settings.ImageFolder, *platform.files,
                                        b.settings.Subfolders);
    if (b.images.ImageCount != 0) {
        b.images.ShowOrder.assign(static_cast<std::size_t>(b.images.ImageCount) + 1, 0);
        BuildShowOrder(b.images, b.settings.OrderMode, *platform.random);
    }
}

int RunHostedShow(ProcessState& state, platform::Platform& platform, Forms& forms, const HostedOptions& options)
{
    if (options.layer != platform::SurfaceLayer::None)
        return RunLayerShow(platform, options);
    for (const std::string& problem : options.problems)
        platform.diagnostics->Report(problem);

    // Two copies for one window (a daemon restarting a hack too fast) would
    // share its work files: the second ends at once.
    const std::string tag = HostedTag(options.window);
    const platform::TitleClaim claim = platform.guard->Claim(std::string(kDisplayWindowTitle) + tag);
    if (!claim.failure.empty())
        return ReportNoClaim(platform, claim.failure);
    if (!claim.held)
        return 0;

    LoadHostedSettings(state, platform, options);

    // Held for the whole show by the copy that plays the music.
    const platform::TitleClaim music = platform.guard->Claim(kHostedMusicTitle);

    return forms.LoadHostedDisplayForm(options.window, music.held != nullptr, tag);
}

}  // namespace nuvra
