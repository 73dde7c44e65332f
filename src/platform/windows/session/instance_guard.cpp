#include "platform/windows/session/instance_guard.h"

#include <memory>
#include <optional>
#include <string>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"
#include "platform/windows/win32_file.h"

namespace nuvra::windows_platform {

namespace {

class MutexClaim final : public platform::InstanceClaim {
public:
    explicit MutexClaim(HANDLE mutex) : m_mutex(mutex) {}
    ~MutexClaim() override { CloseHandle(m_mutex); }
    MutexClaim(const MutexClaim&) = delete;
    MutexClaim& operator=(const MutexClaim&) = delete;

private:
    HANDLE m_mutex;
};

}  // namespace

bool WindowsInstanceGuard::WindowExists(std::string_view title)
{
    const std::optional<std::wstring> wide = WideFromUtf8(title);
    return wide && FindWindowW(nullptr, wide->c_str()) != nullptr;
}

platform::TitleClaim WindowsInstanceGuard::Claim(std::string_view title)
{
    platform::TitleClaim claim;
    const std::optional<std::wstring> wide = WideFromUtf8(title);
    if (!wide) {
        claim.failure = "the title is not valid UTF-8";
        return claim;
    }
    // Backslashes name namespaces in a mutex's name; a title holds none, but
    // one must not turn into a path.
    std::wstring name = *wide;
    for (wchar_t& c : name)
        if (c == L'\\')
            c = L'/';
    name = L"Local\\Nuvra claim " + name;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        claim.failure = SystemReason(GetLastError());
        return claim;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return claim;
    }
    claim.held = std::make_unique<MutexClaim>(mutex);
    return claim;
}

}  // namespace nuvra::windows_platform
