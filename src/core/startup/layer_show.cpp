#include "startup/layer_show.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "display/display_form.h"
#include "modules.h"
#include "startup/hosted_show.h"
#include "startup/startup.h"
#include "ui/form_runtime.h"
#include "ui/window_titles.h"

namespace nuvra {

namespace {

// One monitor's copy: its own module state (settings, pictures, music),
// its title claim, and its form.
struct LayerCopy {
    std::unique_ptr<ProcessState> state;
    std::unique_ptr<platform::InstanceClaim> claim;
    std::unique_ptr<DisplayForm> form;
};

}  // namespace

std::string LayerTag(std::int64_t monitor)
{
    return "-layer-" + std::to_string(monitor);
}

int RunLayerShow(platform::Platform& platform, const HostedOptions& options)
{
    for (const std::string& problem : options.problems)
        platform.diagnostics->Report(problem);

    const std::vector<std::int64_t> monitors = platform.windows->Monitors();
    if (monitors.empty()) {
        platform.diagnostics->Report("the show on a layer needs a Wayland desktop with a monitor, and none was found");
        return kExitNoWindow;
    }

    FormRuntime runtime(*platform.windows, *platform.clock);
    // Held for the whole show by the copy that plays the music (none of
    // ours when another show already plays it).
    platform::TitleClaim music = platform.guard->Claim(kHostedMusicTitle);
    std::vector<LayerCopy> copies;
    for (const std::int64_t monitor : monitors) {
        const std::string tag = LayerTag(monitor);
        platform::TitleClaim claim = platform.guard->Claim(std::string(kDisplayWindowTitle) + tag);
        if (!claim.failure.empty())
            return ReportNoClaim(platform, claim.failure);
        // Another show already covers this monitor.
        if (!claim.held)
            continue;
        LayerCopy copy;
        copy.state = std::make_unique<ProcessState>();
        copy.claim = std::move(claim.held);
        ProcessState& state = *copy.state;
        LoadHostedSettings(state, platform, options);
        const bool play_music = music.held != nullptr && copies.empty();
        copy.form = std::make_unique<DisplayForm>(state, platform, runtime, ShowStart::Daemon);
        copy.form->HostOnLayer(monitor, options.layer, play_music, tag);
        if (!copy.form->Open())
            continue;
        copies.push_back(std::move(copy));
    }
    if (copies.empty())
        return platform.windows->DisplayGone() ? kExitNoWindow : kExitShowEnded;

    // The first copy to end ends the others.
    runtime.RunUntil([&copies] {
        const auto ended = [](const LayerCopy& copy) { return copy.form->ended(); };
        if (!std::any_of(copies.begin(), copies.end(), ended))
            return false;
        for (LayerCopy& copy : copies)
            copy.form->EndShow();
        return std::all_of(copies.begin(), copies.end(), ended);
    });
    return platform.windows->DisplayGone() ? kExitNoWindow : kExitShowEnded;
}

}  // namespace nuvra
