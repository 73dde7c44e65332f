// The stand-in for the system's sound player: one mixer channel that plays a
// sound file, looped without a gap when asked. A new sound or a null name
// stops the one playing. A file that cannot be read plays nothing (there is
// no default sound). Play always returns at once. The device count is 1 when
// the audio output opens and 0 when it cannot, so a machine without sound
// runs the show in silence. User-interface thread only.
#pragma once

#include <cstdint>

#include "platform/audio.h"
#include "platform/linux/mci/audio_output.h"

struct Mix_Chunk;

namespace nuvra::linux_platform {

class LinuxSoundPlayer final : public platform::SoundPlayer {
public:
    explicit LinuxSoundPlayer(AudioOutput& audio) : m_audio(audio) {}
    ~LinuxSoundPlayer() override;
    LinuxSoundPlayer(const LinuxSoundPlayer&) = delete;
    LinuxSoundPlayer& operator=(const LinuxSoundPlayer&) = delete;

    std::int32_t PlaySound(const char* file_name, std::uint32_t flags) override;
    std::uint32_t WaveOutDeviceCount() override { return m_audio.Open() ? 1 : 0; }

private:
    void StopSound();

    AudioOutput& m_audio;
    Mix_Chunk* m_chunk = nullptr;
};

}  // namespace nuvra::linux_platform
