// nuvra: makes the backend the build chose and hands the command line to Main.
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>
#include <string>

#include "app/backend_factory.h"
#include "dialog/nuvra_p.h"
#include "display/display_form.h"
#include "modules.h"
#include "startup/command_line.h"
#include "startup/hosted_show.h"
#include "startup/preview_form.h"
#include "startup/startup.h"

namespace {

class AppForms final : public nuvra::Forms {
public:
    AppForms(nuvra::ProcessState& state, nuvra::platform::AppBackend& backend)
        : m_state(state), m_backend(backend), m_platform(backend.services())
    {
    }

    int HostPreview(std::int32_t parent) override
    {
        nuvra::PreviewForm form(m_platform);
        return form.Host(parent);
    }
    int ShowSettingsDialog(std::optional<std::int64_t> owner_window) override
    {
        nuvra::dialog::DialogOptions options;
        options.url = m_backend.ReadmeAddress();
        options.owner = owner_window;
        nuvra::dialog::NuvraP dialog(m_state, m_platform, options);
        const int status = dialog.ShowModal();
        if (status != 0)
            SayNoDisplay("the settings dialog");
        return status;
    }
    int LoadDisplayForm(nuvra::ShowStart start) override
    {
        nuvra::DisplayForm form(m_state, m_platform, start);
        return RunShow(form);
    }
    int LoadHostedDisplayForm(std::optional<std::int64_t> window, bool play_music,
                              const std::string& work_file_tag) override
    {
        // The ending restores nothing a hosted show never took. The daemon
        // owns the screen: no message box ever covers it.
        nuvra::DisplayForm form(m_state, m_platform, nuvra::ShowStart::Daemon);
        form.HostIn(window, play_music, work_file_tag);
        m_backend.KeepMessagesOffTheScreen();
        return RunShow(form);
    }

private:
    int RunShow(nuvra::DisplayForm& form)
    {
        // A session that ends under the show still stops the music and
        // removes the work files.
        m_backend.SetDisplayLostHandler([&form] { form.DisplayLost(); });
        const int status = form.Form_Load();
        m_backend.SetDisplayLostHandler({});
        if (status == nuvra::kExitNoWindow)
            SayNoDisplay("the show");
        return status;
    }

    void SayNoDisplay(const std::string& what)
    {
        const std::string& why = m_backend.window_error();
        m_platform.diagnostics->Report(what + " needs a display, and none could be opened" +
                                       (why.empty() ? "" : " (" + why + ")"));
    }

    nuvra::ProcessState& m_state;
    nuvra::platform::AppBackend& m_backend;
    nuvra::platform::Platform& m_platform;
};

std::vector<std::string> Arguments(int argc, char** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::unique_ptr<nuvra::platform::AppBackend> backend = nuvra::app::MakeBackend();
    // The core never asks whether a required service is there.
    if (const std::vector<std::string> missing = nuvra::platform::MissingServices(backend->services());
        !missing.empty()) {
        std::string names;
        for (const std::string& name : missing)
            names += (names.empty() ? "" : ", ") + name;
        backend->services().diagnostics->Report("this build's backend lacks services the program needs: " + names);
        return EXIT_FAILURE;
    }
    nuvra::ProcessState state;
    AppForms forms(state, *backend);
    const char* daemon_window = std::getenv("XSCREENSAVER_WINDOW");
    const nuvra::Mode mode = nuvra::ReadArguments(
        Arguments(argc, argv), daemon_window ? std::optional<std::string_view>(daemon_window) : std::nullopt);
    const bool on_layers = mode.kind == nuvra::ModeKind::Hosted && mode.hosted.layer != nuvra::platform::SurfaceLayer::None;
    if (on_layers && !backend->UseDesktopLayers()) {
        backend->services().diagnostics->Report("--layer needs a build with the Wayland client, and this one has none");
        return EXIT_FAILURE;
    }
    const int status = nuvra::Main(state, backend->services(), forms, mode);
    // The show on the layers says it found no monitor; the window system
    // knows why.
    if (on_layers && status != 0 && !backend->window_error().empty())
        backend->services().diagnostics->Report(backend->window_error());
    return status;
}
