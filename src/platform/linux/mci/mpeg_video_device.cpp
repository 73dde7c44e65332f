#include "platform/linux/mci/mpeg_video_device.h"

#include <SDL_mixer.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>

#include "platform/linux/mci/media_file.h"

namespace nuvra::linux_platform {

namespace {

// Music counts plays where channels count repeats: 1 here means once.
constexpr int kPlayOnce = 1;

bool IsReadableFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

std::optional<double> Milliseconds(const std::string& text)
{
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return static_cast<double>(value) / 1000.0;
}

}  // namespace

MpegVideoDevice::~MpegVideoDevice()
{
    if (m_audio.music_owner() == this) {
        Mix_HaltMusic();
        m_audio.set_music_owner(nullptr);
    }
    if (m_music)
        Mix_FreeMusic(m_music);
}

MciResult MpegVideoDevice::Open()
{
    if (!IsReadableFile(m_file))
        return {kMciFileNotFound, {}};
    if (!m_audio.Open())
        return {kMciNoAudioOutput, {}};
    // The decoder is chosen from the file's first bytes, not its name: a
    // file that only claims to be MP3 is refused before the MP3 decoder can
    // print its complaints.
    if (SDL_RWops* file = OpenRegularFile(m_file))
        m_music = Mix_LoadMUS_RW(file, SDL_TRUE);
    if (!m_music)
        return {kMciUnplayableFile, {}};
    return {};
}

bool MpegVideoDevice::PlayingNow() const
{
    return m_audio.music_owner() == this && Mix_PlayingMusic() != 0 && Mix_PausedMusic() == 0;
}

MciResult MpegVideoDevice::Play(const std::optional<std::string>& from, const std::optional<std::string>& to)
{
    if (to)
        return {kMciBadParameter, {}};
    double start = m_resume_seconds;
    if (from) {
        const std::optional<double> seconds = Milliseconds(*from);
        if (!seconds)
            return {kMciBadPosition, {}};
        start = *seconds;
    }
    if (Mix_PlayMusic(m_music, kPlayOnce) != 0)
        return {kMciUnplayableFile, {}};
    m_audio.set_music_owner(this);
    // Where the file cannot seek to the position, it plays from the start.
    if (start > 0.0)
        Mix_SetMusicPosition(start);
    m_resume_seconds = 0.0;
    return {};
}

MciResult MpegVideoDevice::Stop()
{
    if (PlayingNow()) {
        m_resume_seconds = std::max(0.0, Mix_GetMusicPosition(m_music));
        Mix_HaltMusic();
    }
    return {};
}

MciResult MpegVideoDevice::Set(std::span<const MciWord> words)
{
    const std::string item = JoinLowered(words);
    if (item == "time format milliseconds" || item == "time format ms")
        return {};
    return {kMciBadParameter, {}};
}

MciResult MpegVideoDevice::Status(std::span<const MciWord> words)
{
    if (JoinLowered(words) == "mode")
        return {kMciOk, PlayingNow() ? "playing" : "stopped"};
    return {kMciBadParameter, {}};
}

}  // namespace nuvra::linux_platform
