#include "platform/windows/text/gdi_fonts.h"

#include <algorithm>
#include <cstring>

#include "platform/windows/dib_drawing.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace nuvra::windows_platform {

namespace {

// Set when EnumFontFamiliesExW offers a face.
int CALLBACK TakeFirstFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<std::wstring*>(found) = font->lfFaceName;
    return 0;  // one is enough
}

std::optional<std::wstring> FirstFace(HDC dc, const wchar_t* family, BYTE charset)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = charset;
    wcsncpy(wanted.lfFaceName, family, LF_FACESIZE - 1);
    std::wstring found;
    EnumFontFamiliesExW(dc, &wanted, TakeFirstFace, reinterpret_cast<LPARAM>(&found), 0);
    if (found.empty())
        return std::nullopt;
    return found;
}

HFONT MakeFont(const std::wstring& face, std::int32_t pixel_size, bool underline)
{
    return CreateFontW(-pixel_size, 0, 0, 0, FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       face.c_str());
}

class GdiFont final : public platform::Font {
public:
    GdiFont(HFONT plain, HFONT underlined) : m_plain(plain), m_underlined(underlined), m_dc(CreateCompatibleDC(nullptr))
    {
    }
    ~GdiFont() override
    {
        DeleteDC(m_dc);
        DeleteObject(m_plain);
        DeleteObject(m_underlined);
    }
    GdiFont(const GdiFont&) = delete;
    GdiFont& operator=(const GdiFont&) = delete;

    platform::TextExtent Measure(std::string_view text) override
    {
        const std::wstring wide = WideFromUtf8(text).value_or(std::wstring());
        SelectObject(m_dc, m_plain);
        SIZE size{};
        GetTextExtentPoint32W(m_dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        if (wide.empty()) {
            TEXTMETRICW metrics{};
            GetTextMetricsW(m_dc, &metrics);
            size.cy = metrics.tmHeight;
        }
        return {size.cx, size.cy};
    }

    void Draw(platform::Canvas& canvas, std::string_view text, std::int32_t x, std::int32_t y, std::uint32_t colour,
              bool underline) override
    {
        const platform::TextExtent extent = Measure(text);
        // The part of the canvas the text covers.
        const std::int32_t left = std::max(0, x), top = std::max(0, y);
        const std::int32_t right = std::min(canvas.width, x + extent.width);
        const std::int32_t bottom = std::min(canvas.height, y + extent.height);
        if (right <= left || bottom <= top)
            return;
        const std::int32_t width = right - left, height = bottom - top;

        const DibSection bitmap(m_dc, width, height, RowOrder::TopFirst);
        std::uint32_t* pixels = bitmap.pixels();
        if (pixels == nullptr)
            return;
        // The canvas under the text, so that its smoothed edges blend in.
        for (std::int32_t row = 0; row < height; ++row)
            std::memcpy(pixels + static_cast<std::size_t>(row) * width,
                        canvas.pixels.data() + static_cast<std::size_t>(top + row) * canvas.width + left,
                        static_cast<std::size_t>(width) * 4);
        SelectObject(m_dc, underline ? m_underlined : m_plain);
        SetBkMode(m_dc, TRANSPARENT);
        SetTextColor(m_dc, RGB(colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF));
        const std::wstring wide = WideFromUtf8(text).value_or(std::wstring());
        TextOutW(m_dc, x - left, y - top, wide.c_str(), static_cast<int>(wide.size()));
        GdiFlush();
        for (std::int32_t row = 0; row < height; ++row) {
            std::uint32_t* target = canvas.pixels.data() + static_cast<std::size_t>(top + row) * canvas.width + left;
            const std::uint32_t* drawn = pixels + static_cast<std::size_t>(row) * width;
            for (std::int32_t column = 0; column < width; ++column)
                target[column] = drawn[column] & 0xFFFFFF;
        }
    }

private:
    HFONT m_plain;
    HFONT m_underlined;
    HDC m_dc;
};

}  // namespace

std::optional<std::wstring> InstalledFace(const std::wstring& family)
{
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr)
        return std::nullopt;
    std::optional<std::wstring> face = FirstFace(dc, family.c_str(), DEFAULT_CHARSET);
    for (const wchar_t* stand_in : {L"Meiryo UI", L"Yu Gothic UI"})
        if (!face)
            face = FirstFace(dc, stand_in, DEFAULT_CHARSET);
    if (!face)
        face = FirstFace(dc, L"", SHIFTJIS_CHARSET);
    DeleteDC(dc);
    return face;
}

std::unique_ptr<platform::Font> GdiFontService::OpenFont(std::string_view family, std::int32_t pixel_size)
{
    const std::optional<std::wstring> wide = WideFromUtf8(family);
    const std::optional<std::wstring> face = wide ? InstalledFace(*wide) : std::nullopt;
    if (!face || pixel_size <= 0)
        return nullptr;
    HFONT plain = MakeFont(*face, pixel_size, false);
    HFONT underlined = MakeFont(*face, pixel_size, true);
    if (plain == nullptr || underlined == nullptr) {
        if (plain != nullptr)
            DeleteObject(plain);
        if (underlined != nullptr)
            DeleteObject(underlined);
        return nullptr;
    }
    return std::make_unique<GdiFont>(plain, underlined);
}

}  // namespace nuvra::windows_platform
