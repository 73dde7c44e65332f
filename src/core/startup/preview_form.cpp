#include "startup/preview_form.h"

#include <algorithm>

#include "images/sample_picture.h"
#include "ui/canvas_draw.h"

namespace nuvra {

namespace {

// The picture's pixels at its own size from the canvas's top-left corner;
// the rest of the canvas stays black.
void DrawUnscaled(const platform::Picture& picture, platform::Canvas& canvas)
{
    if (!ui::HasReadablePixels(picture))
        return;
    const std::int32_t width = std::min(picture.width, canvas.width);
    const std::int32_t height = std::min(picture.height, canvas.height);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            canvas.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) +
                          static_cast<std::size_t>(x)] = ui::PictureColour(picture, x, y);
}

}  // namespace

PreviewForm::PreviewForm(platform::Platform& platform)
    : m_platform(platform), m_runtime(*platform.windows, *platform.clock)
{
    m_runtime.AddForm(*this);
}

PreviewForm::~PreviewForm()
{
    m_runtime.RemoveForm(*this);
}

std::int64_t PreviewForm::WindowHandle() const
{
    return m_window ? m_window->NativeHandle() : 0;
}

int PreviewForm::Host(std::int32_t preview_parent)
{
    platform::WindowSystem& windows = *m_platform.windows;
    const platform::Rect screen = windows.PrimaryScreen();
    if (screen.right <= screen.left || screen.bottom <= screen.top) {
        Say("the preview needs a display, and none could be opened");
        return kExitPreviewNoDisplay;
    }

    // The pane's rectangle. Its whole size is used: a 16-bit count of twips
    // would cut panes over 2184 pixels to nothing.
    const std::optional<platform::Rect> pane = preview_parent != 0 ? windows.GetWindowRect(preview_parent) : std::nullopt;
    if (!pane) {
        Say("/p " + std::to_string(preview_parent) + ": there is no such window to show the preview in");
        return kExitPreviewNoPane;
    }
    const std::int32_t width = pane->right - pane->left;
    const std::int32_t height = pane->bottom - pane->top;
    platform::WindowRequest request;
    request.title = kPreviewWindowTitle;
    request.style = platform::WindowStyle::Child;
    request.parent = preview_parent;
    request.bounds = {0, 0, width, height};
    m_window = windows.CreateWindow(request);
    if (!m_window) {
        // A pane that went while the form was being made ends it as quietly
        // as one that goes later.
        if (!windows.GetWindowRect(preview_parent))
            return 0;
        Say("the preview's window could not be made");
        return kExitPreviewNoDisplay;
    }

    DrawSample(width, height);
    m_window->Show();
    Paint();

    // Nothing animates: the loop only waits for input, at most its longest
    // wait at a time (the news that the pane went may come from elsewhere).
    m_runtime.RunUntil([this] { return m_unloaded; });
    m_window.reset();
    return 0;
}

void PreviewForm::DrawSample(std::int32_t width, std::int32_t height)
{
    m_canvas.width = width;
    m_canvas.height = height;
    m_canvas.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    const platform::PictureResult sample = m_platform.pictures->LoadPictureFromMemory(SamplePictureJpeg());
    if (sample.picture)
        DrawUnscaled(*sample.picture, m_canvas);
}

void PreviewForm::OnInput(const platform::InputEvent& event)
{
    switch (event.kind) {
    case platform::InputKind::Expose:
    case platform::InputKind::Resized:
        Paint();
        break;
    case platform::InputKind::Close:
    case platform::InputKind::HostGone:  // the host closed its pane, and ours with it
        m_unloaded = true;
        break;
    default:
        break;
    }
}

void PreviewForm::Say(const std::string& message)
{
    m_platform.diagnostics->Report(message);
}

void PreviewForm::Paint()
{
    if (m_window)
        m_window->Present(m_canvas);
}

}  // namespace nuvra
