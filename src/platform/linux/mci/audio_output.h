// The process's one audio output, shared by the CD player, the MPEG player
// and the sound player: SDL's audio subsystem with SDL_mixer on top, at CD
// format (44.1 kHz, 16-bit, stereo).
//
// It opens on first use, and only once: where there is no sound (no card, no
// sound server) it stays closed, the players refuse to play, and nothing is
// printed. Only the audio subsystem is initialised and quit here, so a video
// subsystem in the same process is left alone. Open, AddStream and
// RemoveStream belong to the user-interface thread; streams are mixed on the
// audio library's own thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace nuvra::linux_platform {

// A source of CD-format samples mixed in after the mixer's channels and
// music. MixInto runs on the audio thread and adds to what is there.
class AudioStream {
public:
    virtual void MixInto(std::span<std::int16_t> stereo_samples) = 0;

protected:
    ~AudioStream() = default;
};

class AudioOutput {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kChannels = 2;

    AudioOutput() = default;
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // True when the output is open; the first call tries to open it.
    bool Open();

    // Only while open. Once RemoveStream returns, the audio thread no longer
    // touches the stream.
    void AddStream(AudioStream& stream);
    void RemoveStream(AudioStream& stream);

    // The mixer plays one music at a time; this says whose it is.
    const void* music_owner() const { return m_music_owner; }
    void set_music_owner(const void* owner) { m_music_owner = owner; }

private:
    static void MixStreams(void* self, std::uint8_t* stream, int length);

    bool m_tried = false;
    bool m_open = false;
    void* m_alsa = nullptr;  // the sound library, loaded early to quieten it
    const void* m_music_owner = nullptr;
    std::mutex m_streams_mutex;
    std::vector<AudioStream*> m_streams;
};

}  // namespace nuvra::linux_platform
