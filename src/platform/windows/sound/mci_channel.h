// Music on Windows: the core's MCI command strings go to the system's own
// media control interface, and WAV files to its sound player. Both take the
// program's UTF-8 and hand the system UTF-16 (mciSendStringW, PlaySoundW),
// so a file name in any script plays.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/audio.h"

namespace nuvra::windows_platform {

class WindowsMciChannel final : public platform::MciChannel {
public:
    // The reply comes back as UTF-8, cut at a whole character to fit.
    std::uint32_t SendString(std::string_view command, std::span<char> reply) override;
    std::int32_t GetErrorString(std::uint32_t code, std::span<char> buffer) override;
};

class WindowsSoundPlayer final : public platform::SoundPlayer {
public:
    // The flags are the system's own SND_ values.
    std::int32_t PlaySound(const char* file_name, std::uint32_t flags) override;
    std::uint32_t WaveOutDeviceCount() override;
};

// utf8 into buffer, NUL-terminated, cut before the first character that
// does not fit whole; nothing at all for an empty buffer.
void CopyReply(std::string_view utf8, std::span<char> buffer);

}  // namespace nuvra::windows_platform
