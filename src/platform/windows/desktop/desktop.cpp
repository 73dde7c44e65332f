#include "platform/windows/desktop/desktop.h"

#include <cstring>

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
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom row first, as Picture keeps it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = memory != nullptr ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    std::optional<platform::Picture> captured;
    if (bitmap != nullptr && bits != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            platform::Picture picture;
            picture.width = width;
            picture.height = height;
            picture.bits_per_pixel = 32;
            picture.stride = width * 4;
            const auto size = static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(height);
            picture.pixels.resize(size);
            std::memcpy(picture.pixels.data(), bits, size);
            captured = std::move(picture);
        }
        SelectObject(memory, previous);
    }
    if (bitmap != nullptr)
        DeleteObject(bitmap);
    if (memory != nullptr)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return captured;
}

}  // namespace nuvra::windows_platform
