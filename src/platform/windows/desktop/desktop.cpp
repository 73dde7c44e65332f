#include "platform/windows/desktop/desktop.h"

#include <cstring>

#include "platform/windows/dib_drawing.h"
#include "platform/windows/win32.h"

namespace nuvra::windows_platform {

std::int32_t WindowsCursor::ShowCursor(bool show)
{
    return ::ShowCursor(show ? TRUE : FALSE);
}

platform::Point WindowsCursor::GetCursorPos()
{
    POINT at{};
    if (!::GetCursorPos(&at))
        return {0, 0};
    return {at.x, at.y};
}

void WindowsCursor::SetBusy(bool busy)
{
    m_busy = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

std::optional<platform::Picture> WindowsDesktopCapture::CaptureScreen()
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0)
        return std::nullopt;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return std::nullopt;
    HDC memory = CreateCompatibleDC(screen);
    std::optional<platform::Picture> captured;
    {
        // Bottom row first, as Picture keeps it.
        const DibSection bitmap(memory, width, height, RowOrder::BottomFirst);
        if (bitmap.pixels() != nullptr && BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            platform::Picture picture;
            picture.width = width;
            picture.height = height;
            picture.bits_per_pixel = 32;
            picture.stride = width * 4;
            const auto size = static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(height);
            picture.pixels.resize(size);
            std::memcpy(picture.pixels.data(), bitmap.pixels(), size);
            captured = std::move(picture);
        }
    }
    if (memory != nullptr)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return captured;
}

}  // namespace nuvra::windows_platform
