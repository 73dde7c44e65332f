#include "platform/windows/program_folders.h"

#include "platform/windows/win32.h"

#include <shlobj.h>

#include <array>
#include <string_view>
#include <vector>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32_file.h"

namespace nuvra::windows_platform {

namespace {

constexpr std::wstring_view kOurFolder = L"Nuvra";

std::wstring ProgramFile()
{
    // Long paths are allowed: grow the buffer until the name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

// "C:\..." or "\\server\share\...": a relative value would name a folder
// that moves with the current folder.
bool IsAbsolute(std::wstring_view path)
{
    return (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
           path.starts_with(L"\\\\");
}

std::wstring Variable(const wchar_t* name)
{
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    if (length == 0 || length >= size)
        return {};
    value.resize(length);
    return value;
}

std::wstring ShellFolder(int folder_id)
{
    std::array<wchar_t, MAX_PATH> path{};
    if (FAILED(SHGetFolderPathW(nullptr, folder_id, nullptr, SHGFP_TYPE_CURRENT, path.data())))
        return {};
    return std::wstring(path.data());
}

std::string OurFolderIn(const wchar_t* variable, int folder_id)
{
    std::wstring base = Variable(variable);
    if (!IsAbsolute(base))
        base = ShellFolder(folder_id);
    if (base.empty())
        return {};
    while (base.size() > 3 && (base.back() == L'\\' || base.back() == L'/'))
        base.pop_back();
    return Utf8FromWide(JoinWide(base, kOurFolder));
}

}  // namespace

ProgramFolders ProgramFolders::OfThisProcess()
{
    ProgramFolders folders;
    folders.program = Utf8FromWide(ParentFolderOf(ProgramFile()));
    folders.settings = OurFolderIn(L"APPDATA", CSIDL_APPDATA);
    folders.work = OurFolderIn(L"LOCALAPPDATA", CSIDL_LOCAL_APPDATA);
    return folders;
}

}  // namespace nuvra::windows_platform
