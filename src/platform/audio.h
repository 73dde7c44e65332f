// Sound: the MCI command-string channel and the sound player.
//
// The MCI channel takes the command strings of the Windows media control
// interface ("open cdaudio", "status cdaudio mode", "play MP3Play from 0",
// ...) and answers as mciSendStringA does: 0 and a reply text on success, a
// nonzero code on failure.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace nuvra::platform {

class MciChannel {
public:
    virtual ~MciChannel() = default;
    // mciSendStringA: the reply is written to reply (NUL-terminated, cut to
    // its size); an empty span asks for no reply.
    virtual std::uint32_t SendString(std::string_view command, std::span<char> reply) = 0;
    // mciGetErrorStringA: nonzero when code has a description, which is
    // written NUL-terminated into buffer.
    virtual std::int32_t GetErrorString(std::uint32_t code, std::span<char> buffer) = 0;
};

// PlaySoundA flags used by the program.
enum PlaySoundFlags : std::uint32_t {
    kSndAsync = 0x0001,
    kSndNoDefault = 0x0002,
    kSndLoop = 0x0008,
    kSndFilename = 0x00020000,
};

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // PlaySoundA with a file name; a null name stops what is playing.
    virtual std::int32_t PlaySound(const char* file_name, std::uint32_t flags) = 0;
    // waveOutGetNumDevs.
    virtual std::uint32_t WaveOutDeviceCount() = 0;
};

}  // namespace nuvra::platform
