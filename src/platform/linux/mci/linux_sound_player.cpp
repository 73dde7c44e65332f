#include "platform/linux/mci/linux_sound_player.h"

#include <SDL_mixer.h>

#include "platform/linux/mci/media_file.h"

namespace nuvra::linux_platform {

namespace {

constexpr int kSoundChannel = 0;
// Channels count repeats after the first play: -1 repeats for ever, 0 plays
// once.
constexpr int kLoopForever = -1;
constexpr int kPlayOnce = 0;

}  // namespace

LinuxSoundPlayer::~LinuxSoundPlayer()
{
    StopSound();
}

void LinuxSoundPlayer::StopSound()
{
    if (!m_chunk)
        return;
    Mix_HaltChannel(kSoundChannel);
    Mix_FreeChunk(m_chunk);
    m_chunk = nullptr;
}

std::int32_t LinuxSoundPlayer::PlaySound(const char* file_name, std::uint32_t flags)
{
    StopSound();
    if (!file_name)
        return 1;
    if (!m_audio.Open())
        return 0;
    // A FIFO would hold the show until something writes to it.
    if (SDL_RWops* file = OpenRegularFile(file_name))
        m_chunk = Mix_LoadWAV_RW(file, SDL_TRUE);
    if (!m_chunk)
        return 0;
    const int loops = (flags & platform::kSndLoop) != 0 ? kLoopForever : kPlayOnce;
    if (Mix_PlayChannel(kSoundChannel, m_chunk, loops) < 0) {
        StopSound();
        return 0;
    }
    return 1;
}

}  // namespace nuvra::linux_platform
