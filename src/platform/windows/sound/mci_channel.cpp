#include "platform/windows/sound/mci_channel.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"
// After <windows.h>, which the lean form keeps it out of.
#include <mmsystem.h>
#undef PlaySound

namespace nuvra::windows_platform {

namespace {

// The longest reply or error text the system writes.
constexpr std::size_t kReplyCharacters = 512;

}  // namespace

void CopyReply(std::string_view utf8, std::span<char> buffer)
{
    if (buffer.empty())
        return;
    std::size_t length = std::min(utf8.size(), buffer.size() - 1);
    // Back off to the start of a character: never half a sequence.
    while (length > 0 && length < utf8.size() && (static_cast<unsigned char>(utf8[length]) & 0xC0) == 0x80)
        --length;
    utf8.copy(buffer.data(), length);
    buffer[length] = '\0';
}

std::uint32_t WindowsMciChannel::SendString(std::string_view command, std::span<char> reply)
{
    const std::optional<std::wstring> wide = WideFromUtf8(command);
    if (!wide) {
        CopyReply("", reply);
        return MCIERR_UNRECOGNIZED_COMMAND;
    }
    std::wstring answer(kReplyCharacters, L'\0');
    const MCIERROR error = mciSendStringW(wide->c_str(), reply.empty() ? nullptr : answer.data(),
                                          reply.empty() ? 0 : static_cast<UINT>(answer.size()), nullptr);
    answer.resize(answer.find(L'\0') == std::wstring::npos ? answer.size() : answer.find(L'\0'));
    CopyReply(Utf8FromWide(answer), reply);
    return static_cast<std::uint32_t>(error);
}

std::int32_t WindowsMciChannel::GetErrorString(std::uint32_t code, std::span<char> buffer)
{
    std::wstring text(kReplyCharacters, L'\0');
    if (!mciGetErrorStringW(code, text.data(), static_cast<UINT>(text.size()))) {
        CopyReply("", buffer);
        return 0;
    }
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    CopyReply(Utf8FromWide(text), buffer);
    return 1;
}

std::int32_t WindowsSoundPlayer::PlaySound(const char* file_name, std::uint32_t flags)
{
    if (file_name == nullptr)
        return PlaySoundW(nullptr, nullptr, 0) ? 1 : 0;
    const std::optional<std::wstring> wide = WideFromUtf8(file_name);
    if (!wide)
        return 0;
    return PlaySoundW(wide->c_str(), nullptr, flags) ? 1 : 0;
}

std::uint32_t WindowsSoundPlayer::WaveOutDeviceCount()
{
    return waveOutGetNumDevs();
}

}  // namespace nuvra::windows_platform
