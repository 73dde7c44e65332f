// The preview form Nuvra_R: the still sample picture inside the host's
// preview pane ("nuvra /p <window id>"). Start-up hands it the pane's handle
// without loading the settings; the form becomes a borderless black child of
// the pane at its top-left corner, as large as the pane, with the 152 x 112
// sample picture drawn unscaled from the corner (a smaller pane shows the
// picture's top-left part). Nothing moves and no timer runs. It lives until
// the pane goes away (even while the form is still being made) or the
// process is asked to end.
//
// A handle that names no window ends the form at once, said through the
// diagnostics: nothing of it could ever be seen, and nothing would end it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "ui/form_runtime.h"

namespace nuvra {

inline constexpr const char* kPreviewWindowTitle = "Preview Window";
inline constexpr int kExitPreviewNoDisplay = 1;
inline constexpr int kExitPreviewNoPane = 1;

class PreviewForm final : public Form {
public:
    explicit PreviewForm(platform::Platform& platform);
    ~PreviewForm() override;
    PreviewForm(const PreviewForm&) = delete;
    PreviewForm& operator=(const PreviewForm&) = delete;

    // Hosts the form in the pane and returns the exit status once it is
    // gone: 0 when the pane went or the process was asked to end,
    // kExitPreviewNoDisplay when there is no display at all,
    // kExitPreviewNoPane when the handle names no window. Both failures are
    // said through the diagnostics.
    int Host(std::int32_t preview_parent);

    std::int64_t WindowHandle() const override;
    bool Loaded() const override { return !m_unloaded; }
    void OnInput(const platform::InputEvent& event) override;

private:
    // The black canvas of the pane's size with the sample picture on it.
    void DrawSample(std::int32_t width, std::int32_t height);
    void Paint();
    void Say(const std::string& message);

    platform::Platform& m_platform;
    FormRuntime m_runtime;
    std::unique_ptr<platform::Window> m_window;
    platform::Canvas m_canvas;
    bool m_unloaded = false;
};

}  // namespace nuvra
