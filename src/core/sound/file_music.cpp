#include "sound/file_music.h"

#include <cstdint>
#include <span>
#include <string>

#include "sound/mci.h"
#include "sound/system_text.h"

namespace nuvra {

std::string MusicEnding(const std::string& file)
{
    std::string ending = file.size() >= 3 ? file.substr(file.size() - 3) : file;
    for (char& c : ending) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return ending;
}

namespace {

constexpr std::size_t kPathBufferLength = 255;
constexpr std::size_t kCommandBufferLength = 255;

// SND_ASYNC + SND_LOOP: return at once and repeat until stopped. Without
// SND_NODEFAULT the system would play its default sound for a file it cannot
// read; our players play nothing then.
constexpr std::uint32_t kLoopInBackground = platform::kSndAsync | platform::kSndLoop;

// The form of BgmFile the player accepts: the first n characters of the
// path buffer, where n is what the conversion returned (0 on failure, and
// more than the buffer holds when the buffer was too small).
std::string ShortPathOf(std::string_view file, platform::FileSystem& files)
{
    std::string buffer(kPathBufferLength, '\0');
    const std::string system_file = ToSystemText(file);
    const std::uint32_t length = CallWithSystemBuffer(
        buffer, kPathBufferLength, [&](std::span<char> out) { return files.GetShortPathName(system_file, out); });
    return buffer.substr(0, length);
}

// A music file the player will not get is otherwise silent: the person who
// chose it hears nothing and is told nothing, so say why on the side.
void ReportUnplayable(const std::string& file, platform::Platform& platform)
{
    if (file.empty())
        return;
    // The player takes the name between double quotes, so a quote inside it
    // would end the name early (and the rest would be read as commands).
    const char* why = file.find('"') != std::string::npos
                          ? "the media player cannot take a double quote in a file name"
                          : "it cannot be opened";
    platform.diagnostics->Report("the music file " + file + " cannot be played: " + why);
}

}  // namespace

void MP3_Open(Sound01& sound, platform::Platform& platform)
{
    const std::string short_path = ShortPathOf(sound.settings.BgmFile, *platform.files);
    if (short_path.empty())
        ReportUnplayable(sound.settings.BgmFile, platform);
    // The command buffer is a fixed 255-character text: the command is padded
    // with blanks and sent with them, or cut when it is longer.
    const std::string command =
        FixedLengthText("open " + short_path + " type MPEGVideo Alias MP3Play", kCommandBufferLength);
    if (SendPlainCommand(platform, command) == 0)
        SendPlainCommand(platform, "play MP3Play");
}

bool MP3_IsPlaying(Sound01& sound, platform::Platform& platform)
{
    return ModeWordIs(platform, "status MP3Play mode", sound.state.MP3_ModeBuf, kMp3ModeBufLength, "playing");
}

void MP3_Repeat(Sound01& sound, platform::Platform& platform)
{
    if (MP3_IsPlaying(sound, platform))
        return;
    SendPlainCommand(platform, "stop MP3Play");
    SendPlainCommand(platform, "play MP3Play from 0");
}

void MP3_Close(Sound01&, platform::Platform& platform)
{
    SendPlainCommand(platform, "stop MP3Play");
    SendPlainCommand(platform, "close MP3Play");
}

void WAV_Play(Sound01& sound, platform::Platform& platform)
{
    // The device count has always been read as a signed 32-bit value.
    if (static_cast<std::int32_t>(platform.sound->WaveOutDeviceCount()) <= 0)
        return;
    platform.sound->PlaySound(ToSystemText(sound.settings.BgmFile).c_str(), kLoopInBackground);
}

void WAV_Stop(Sound01&, platform::Platform& platform)
{
    platform.sound->PlaySound(nullptr, 0);
}

}  // namespace nuvra
