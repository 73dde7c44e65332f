// The "MPEGVideo" device: plays one sound file (MP3, and whatever else
// SDL_mixer decodes) as the mixer's music. Time is in milliseconds. The mode
// is "playing" while the file plays and "stopped" before, after a stop, and
// once the end is reached; "play" with no position resumes where "stop" left
// off, or starts at the beginning. Only one music plays at a time: playing
// one device stops another's. User-interface thread only.
#pragma once

#include <optional>
#include <string>

#include "platform/linux/mci/audio_output.h"
#include "platform/linux/mci/mci_device.h"

struct _Mix_Music;

namespace nuvra::linux_platform {

class MpegVideoDevice final : public MciDevice {
public:
    MpegVideoDevice(AudioOutput& audio, std::string file) : m_audio(audio), m_file(std::move(file)) {}
    ~MpegVideoDevice() override;

    // Loads the file; fails when it is missing, cannot be decoded, or there
    // is no audio output.
    MciResult Open();

    MciResult Play(const std::optional<std::string>& from, const std::optional<std::string>& to) override;
    MciResult Stop() override;
    MciResult Set(std::span<const MciWord> words) override;
    MciResult Status(std::span<const MciWord> words) override;

private:
    bool PlayingNow() const;

    AudioOutput& m_audio;
    std::string m_file;
    _Mix_Music* m_music = nullptr;
    double m_resume_seconds = 0.0;
};

}  // namespace nuvra::linux_platform
