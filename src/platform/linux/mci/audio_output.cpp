#include "platform/linux/mci/audio_output.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <algorithm>

namespace nuvra::linux_platform {

namespace {

// About 46 ms a buffer: short enough for a track change to be heard at once,
// long enough not to stutter on a busy machine.
constexpr int kChunkFrames = 2048;

void DropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// ALSA's library prints its own errors: a machine with no sound card gets a
// screenful of them while SDL looks for one. SDL loads the library on demand,
// so we load it first and hand it a handler that drops them. The returned
// handle keeps the library, and with it the handler, in place.
void* SilenceAlsa()
{
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa)
        return nullptr;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set_handler = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        set_handler(&DropAlsaMessage);
    return alsa;
}

}  // namespace

AudioOutput::~AudioOutput()
{
    if (m_open) {
        Mix_SetPostMix(nullptr, nullptr);
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (m_alsa)
        dlclose(m_alsa);
}

bool AudioOutput::Open()
{
    if (m_tried)
        return m_open;
    m_tried = true;
    m_alsa = SilenceAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    Mix_Init(MIX_INIT_MP3);
    // No format changes allowed: SDL converts for the hardware, and the CD
    // samples can be added to the mix as they come off the disc.
    if (Mix_OpenAudioDevice(kSampleRate, AUDIO_S16SYS, kChannels, kChunkFrames, nullptr, 0) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_SetPostMix(&AudioOutput::MixStreams, this);
    m_open = true;
    return true;
}

void AudioOutput::AddStream(AudioStream& stream)
{
    std::lock_guard lock(m_streams_mutex);
    if (std::find(m_streams.begin(), m_streams.end(), &stream) == m_streams.end())
        m_streams.push_back(&stream);
}

void AudioOutput::RemoveStream(AudioStream& stream)
{
    std::lock_guard lock(m_streams_mutex);
    std::erase(m_streams, &stream);
}

void AudioOutput::MixStreams(void* self, std::uint8_t* stream, int length)
{
    auto& output = *static_cast<AudioOutput*>(self);
    // SDL hands over the mix buffer as bytes; it holds 16-bit samples.
    std::span<std::int16_t> samples(reinterpret_cast<std::int16_t*>(stream),
                                    static_cast<std::size_t>(length) / sizeof(std::int16_t));
    std::lock_guard lock(output.m_streams_mutex);
    for (AudioStream* source : output.m_streams)
        source->MixInto(samples);
}

}  // namespace nuvra::linux_platform
