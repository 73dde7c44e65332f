#include "platform/windows/session/screen_saver_session.h"

#include "platform/windows/win32.h"

namespace nuvra::windows_platform {

namespace {

HWND WindowOf(std::int64_t handle)
{
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(handle));
}

class Library {
public:
    explicit Library(const wchar_t* name) : m_module(LoadLibraryW(name)) {}
    ~Library()
    {
        if (m_module != nullptr)
            FreeLibrary(m_module);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    template <typename Function>
    Function Find(const char* name) const
    {
        if (m_module == nullptr)
            return nullptr;
        // The one way to reach a function loaded at run time.
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(m_module, name)));
    }

private:
    HMODULE m_module;
};

class SystemPasswords final : public PasswordLibrary {
public:
    bool Verify(std::int64_t window, bool& confirmed) override
    {
        using VerifyCall = BOOL(WINAPI*)(HWND);
        Library library(L"password.cpl");
        const auto verify = library.Find<VerifyCall>("VerifyScreenSavePwd");
        if (verify == nullptr)
            return false;
        confirmed = verify(WindowOf(window)) != FALSE;
        return true;
    }

    bool Change(std::int64_t parent_window) override
    {
        using ChangeCall = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
        Library library(L"mpr.dll");
        const auto change = library.Find<ChangeCall>("PwdChangePasswordA");
        if (change == nullptr)
            return false;
        change("SCRSAVE", WindowOf(parent_window), 0, nullptr);
        return true;
    }
};

}  // namespace

std::unique_ptr<PasswordLibrary> SystemPasswordLibrary()
{
    return std::make_unique<SystemPasswords>();
}

bool OldWindowsFamily()
{
    // The high bit of GetVersion is set on the 95/98/Me family only.
    return (GetVersion() & 0x80000000u) != 0;
}

WindowsScreenSaverSession::WindowsScreenSaverSession()
    : WindowsScreenSaverSession(OldWindowsFamily(), SystemPasswordLibrary())
{
}

WindowsScreenSaverSession::WindowsScreenSaverSession(bool old_family, std::unique_ptr<PasswordLibrary> passwords)
    : m_old_family(old_family)
    , m_passwords(std::move(passwords))
{
}

bool WindowsScreenSaverSession::ConfirmPassword(std::int64_t window)
{
    if (!m_old_family)
        return true;
    bool confirmed = true;
    return !m_passwords->Verify(window, confirmed) || confirmed;
}

void WindowsScreenSaverSession::ChangePassword(std::int32_t parent_window)
{
    if (m_old_family)
        m_passwords->Change(parent_window);
}

void WindowsScreenSaverSession::SetRunning(bool running)
{
    BOOL was_running = FALSE;
    SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, &was_running, 0);
}

}  // namespace nuvra::windows_platform
