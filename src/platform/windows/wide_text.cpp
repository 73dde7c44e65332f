#include "platform/windows/wide_text.h"

#include <climits>

#include "platform/windows/win32.h"

namespace nuvra::windows_platform {

namespace {

constexpr UINT kCp932 = 932;
constexpr std::wstring_view kReplacementCharacter = L"\xFFFD";

// Win32 counts in int; nothing we convert comes near that, but a longer
// text must fail rather than be cut.
bool FitsInt(std::size_t size)
{
    return size <= static_cast<std::size_t>(INT_MAX);
}

std::optional<std::wstring> Widen(UINT code_page, std::string_view bytes)
{
    if (bytes.empty())
        return std::wstring();
    if (!FitsInt(bytes.size()))
        return std::nullopt;
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), length) != length)
        return std::nullopt;
    return wide;
}

}  // namespace

std::optional<std::wstring> WideFromUtf8(std::string_view utf8)
{
    return Widen(CP_UTF8, utf8);
}

std::string Utf8FromWide(std::wstring_view wide)
{
    if (wide.empty() || !FitsInt(wide.size()))
        return {};
    const int size = static_cast<int>(wide.size());
    // Without WC_ERR_INVALID_CHARS a lone surrogate becomes U+FFFD.
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::string Cp932ToUtf8(std::string_view bytes)
{
    if (std::optional<std::wstring> whole = Widen(kCp932, bytes))
        return Utf8FromWide(*whole);
    // Somewhere a byte is not CP932: go character by character, so that
    // only that byte is lost.
    std::wstring wide;
    wide.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<BYTE>(bytes[i]);
        if (IsDBCSLeadByteEx(kCp932, lead) && i + 1 < bytes.size()) {
            if (std::optional<std::wstring> pair = Widen(kCp932, bytes.substr(i, 2))) {
                wide += *pair;
                i += 2;
                continue;
            }
        }
        if (std::optional<std::wstring> single = Widen(kCp932, bytes.substr(i, 1)))
            wide += *single;
        else
            wide += kReplacementCharacter;
        ++i;
    }
    return Utf8FromWide(wide);
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8)
{
    const std::optional<std::wstring> wide = WideFromUtf8(utf8);
    if (!wide)
        return std::nullopt;
    if (wide->empty())
        return std::string();
    const int size = static_cast<int>(wide->size());
    BOOL used_default = FALSE;
    const int length =
        WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide->data(), size, nullptr, 0, nullptr, &used_default);
    if (length <= 0 || used_default)
        return std::nullopt;
    std::string cp932(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide->data(), size, cp932.data(), length, nullptr,
                        &used_default);
    // Some characters share one CP932 form (the wave dash and the full-width
    // tilde, the duplicated NEC and IBM symbols): only a form that reads
    // back as the same character keeps the text.
    if (used_default || Widen(kCp932, cp932) != wide)
        return std::nullopt;
    return cp932;
}

bool Cp932Holds(std::string_view utf8_sequence)
{
    return Utf8ToCp932(utf8_sequence).has_value();
}

}  // namespace nuvra::windows_platform
