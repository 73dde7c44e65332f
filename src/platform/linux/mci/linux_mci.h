// Our MCI string interpreter: the stand-in for the system's media control
// interface, with the devices "cdaudio" (audio CD through libcdio) and
// "MPEGVideo" (sound files through SDL_mixer).
//
// It understands the commands the music module sends, in any letter case:
//   open cdaudio | open <file> type MPEGVideo [alias <name>] [shareable]
//   set <name> time format tmsf | milliseconds
//   status <name> mode | current track | number of tracks | position [track <n>]
//   play <name> [from <position>] [to <position>]
//   stop <name>     close <name>
// A file name may be put in double quotes to hold blanks. "wait" and
// "notify" are accepted and ignored: nothing waits and no window is told.
// The command ends at its first NUL, as a C string would.
// User-interface thread only; playback runs on the audio thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/linux/mci/audio_output.h"
#include "platform/linux/mci/mci_device.h"

namespace nuvra::linux_platform {

class LinuxMci final : public platform::MciChannel {
public:
    explicit LinuxMci(AudioOutput& audio) : m_audio(audio) {}
    ~LinuxMci() override;

    // On failure the reply buffer is left as it was.
    std::uint32_t SendString(std::string_view command, std::span<char> reply) override;
    std::int32_t GetErrorString(std::uint32_t code, std::span<char> buffer) override;

private:
    struct NamedDevice {
        std::string name;  // the alias, or what was opened
        std::unique_ptr<MciDevice> device;
    };

    MciResult Execute(std::string_view command);
    MciResult OpenDevice(std::span<const MciWord> words);
    std::vector<NamedDevice>::iterator Find(std::string_view name);

    AudioOutput& m_audio;
    std::vector<NamedDevice> m_devices;
};

}  // namespace nuvra::linux_platform
