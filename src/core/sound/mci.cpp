#include "sound/mci.h"

#include <span>

#include "sound/system_text.h"

namespace nuvra {

std::int32_t MCI_SendCommand(Sound01& sound, platform::Platform& platform, std::string_view command,
                             std::string& result_text)
{
    if (command.empty()) {
        result_text = kNoCommandText;
        return -1;
    }
    SoundState& state = sound.state;
    const std::string system_command = ToSystemText(command);
    // The channel's codes are unsigned; the program has always kept them as
    // signed 32-bit values, and a code with the top bit set reads negative.
    const auto code = static_cast<std::int32_t>(CallWithSystemBuffer(
        state.MCI_ReturnBuf, kMciReturnBufLength,
        [&](std::span<char> reply) { return platform.mci->SendString(system_command, reply); }));
    if (code != 0) {
        const std::int32_t described = CallWithSystemBuffer(
            state.MCI_ErrorBuf, kMciErrorBufLength, [&](std::span<char> buffer) {
                return platform.mci->GetErrorString(static_cast<std::uint32_t>(code), buffer);
            });
        if (described != 0)
            result_text = TextBeforeNul(state.MCI_ErrorBuf);
        else
            result_text = kNoErrorText;
        return code;
    }
    result_text = TextBeforeNul(state.MCI_ReturnBuf);
    return 0;
}

std::string MCI_Query(Sound01& sound, platform::Platform& platform, std::string_view command)
{
    const std::int32_t code = MCI_SendCommand(sound, platform, command, sound.state.MCI_Result);
    if (code != 0)
        return "Error:" + std::to_string(code);
    return sound.state.MCI_Result;
}

std::int32_t MCI_Play(Sound01& sound, platform::Platform& platform, std::string_view device,
                      std::string_view from_position, std::string_view to_position)
{
    std::string command = "play ";
    command += device;
    if (!from_position.empty()) {
        command += " from ";
        command += from_position;
    }
    if (!to_position.empty()) {
        command += " to ";
        command += to_position;
    }
    return MCI_SendCommand(sound, platform, command, sound.state.MCI_Result);
}

std::int32_t SendPlainCommand(platform::Platform& platform, std::string_view command)
{
    return static_cast<std::int32_t>(platform.mci->SendString(ToSystemText(command), {}));
}

bool ModeWordIs(platform::Platform& platform, std::string_view command, std::string& buffer,
                std::size_t reply_length, std::string_view word)
{
    constexpr std::size_t kModeWordLength = 7;
    const std::string system_command = ToSystemText(command);
    CallWithSystemBuffer(buffer, reply_length,
                         [&](std::span<char> reply) { return platform.mci->SendString(system_command, reply); });
    return buffer.compare(0, kModeWordLength, word) == 0;
}

}  // namespace nuvra
