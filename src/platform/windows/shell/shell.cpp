#include "platform/windows/shell/shell.h"

#include <optional>
#include <vector>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"
// After <windows.h>, which the lean form keeps them out of.
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#undef GetOpenFileName
#undef MessageBox

namespace nuvra::windows_platform {

namespace {

// Windows' longest path through the ...W calls.
constexpr std::size_t kLongestPath = 32768;

platform::Choice Unavailable(std::string why)
{
    return {platform::ChoiceOutcome::Unavailable, std::move(why)};
}

// COM for the length of one chooser, on this thread.
class ComApartment {
public:
    ComApartment() : m_started(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment()
    {
        if (m_started)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_started;
};

std::wstring WideOrEmpty(std::string_view utf8)
{
    return WideFromUtf8(utf8).value_or(std::wstring());
}

// GetOpenFileNameW's filter: the description and the patterns, each ended
// by a NUL, and a second NUL after the last.
std::wstring OpenFileFilter(std::wstring_view description, std::wstring_view patterns)
{
    std::wstring filter(description);
    filter.push_back(L'\0');
    filter.append(patterns);
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    return filter;
}

}  // namespace

platform::Choice WindowsShell::BrowseForFolder(std::string_view title)
{
    ComApartment com;
    const std::wstring wide_title = WideOrEmpty(title);
    BROWSEINFOW info{};
    info.hwndOwner = GetActiveWindow();
    info.lpszTitle = wide_title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (chosen == nullptr)
        return {platform::ChoiceOutcome::Cancelled, {}};
    std::vector<wchar_t> path(kLongestPath, L'\0');
    const bool on_disk = SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
    CoTaskMemFree(chosen);
    if (!on_disk)
        return Unavailable("The chosen place is not a folder on a disk.");
    return {platform::ChoiceOutcome::Chosen, Utf8FromWide(path.data())};
}

platform::Choice WindowsShell::GetOpenFileName(std::string_view title, std::string_view filter_description,
                                               std::string_view filter_patterns, std::string_view initial_folder)
{
    const std::wstring wide_title = WideOrEmpty(title);
    const std::wstring filter = OpenFileFilter(WideOrEmpty(filter_description), WideOrEmpty(filter_patterns));
    const std::wstring folder = WideOrEmpty(initial_folder);
    std::vector<wchar_t> path(kLongestPath, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = wide_title.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (GetOpenFileNameW(&dialog))
        return {platform::ChoiceOutcome::Chosen, Utf8FromWide(path.data())};
    if (const DWORD error = CommDlgExtendedError(); error != 0)
        return Unavailable("The file chooser could not be shown (error " + std::to_string(error) + ").");
    return {platform::ChoiceOutcome::Cancelled, {}};
}

std::int32_t WindowsShell::OpenUrl(std::string_view url)
{
    const std::optional<std::wstring> wide = WideFromUtf8(url);
    if (!wide)
        return static_cast<std::int32_t>(SE_ERR_FNF);
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", wide->c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(result));
}

void WindowsMessageBox::MessageBox(const std::string& text, const std::string& title, platform::MessageBoxStyle style)
{
    UINT flags = MB_OK | MB_SETFOREGROUND;
    if (style == platform::MessageBoxStyle::OkExclamation)
        flags |= MB_ICONEXCLAMATION;
    else if (style == platform::MessageBoxStyle::OkCritical)
        flags |= MB_ICONERROR;
    MessageBoxW(GetActiveWindow(), WideOrEmpty(text).c_str(), WideOrEmpty(title).c_str(), flags);
}

}  // namespace nuvra::windows_platform
