#include "sound/cd_audio.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "settings/number_text.h"
#include "sound/mci.h"

namespace nuvra {

namespace {

constexpr std::string_view kPositionOfTrack = "status cdaudio position track ";
constexpr std::size_t kModeReplyLength = 255;

// How callers recognise a failed query: its "Error:" text, in any case.
bool ReportsError(std::string_view reply)
{
    std::string upper(reply);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper.find("ERR") != std::string::npos;
}

void StepTrack(Sound01& sound, platform::Platform& platform, int step)
{
    // A reply that is no number reads as track 0, and so does one too large
    // for the 16-bit track variable, whose failed assignment left it 0.
    const std::int16_t track =
        RoundToInt16(ReadNumberPrefix(MCI_Query(sound, platform, "status cdaudio current track"))).value_or(0);
    // The neighbour is worked out in 16 bits as well; when that overflows
    // the query is skipped and the play goes out with no position at all.
    std::string position;
    const int neighbour = track + step;
    if (neighbour >= std::numeric_limits<std::int16_t>::min() && neighbour <= std::numeric_limits<std::int16_t>::max())
        position = MCI_Query(sound, platform, std::string(kPositionOfTrack) + std::to_string(neighbour));
    MCI_Play(sound, platform, "cdaudio", position, "");
}

}  // namespace

void CD_Open(Sound01&, platform::Platform& platform)
{
    SendPlainCommand(platform, "open cdaudio");
    SendPlainCommand(platform, "set cdaudio time format tmsf");
}

void CD_Check(Sound01& sound, platform::Platform& platform)
{
    SoundState& state = sound.state;
    state.CD_Active = true;
    const std::string track = MCI_Query(sound, platform, "status cdaudio current track");
    if (ReportsError(track)) {
        state.CD_Active = false;
        return;
    }
    // Only asked to prove the disc answers; the count itself is not used.
    if (ReportsError(MCI_Query(sound, platform, "status cdaudio number of tracks"))) {
        state.CD_Active = false;
        return;
    }
    const bool stopped =
        ModeWordIs(platform, "status cdaudio mode", state.CD_ModeBuf, kModeReplyLength, "stopped");

    const std::int16_t repeat = sound.settings.BgmRepeat;
    if (repeat != 0) {
        // Both halves of "stopped or another track" are always evaluated, so
        // a track that is no number ends the polling even on a stopped disc.
        const std::optional<double> current = ParseNumber(track);
        if (!current) {
            state.CD_Active = false;
            return;
        }
        if (stopped || *current != repeat) {
            const std::string position =
                MCI_Query(sound, platform, std::string(kPositionOfTrack) + IntegerText(repeat));
            MCI_Play(sound, platform, "cdaudio", position, "");
        }
    } else if (stopped) {
        MCI_Play(sound, platform, "cdaudio", "", "");
    }
}

void CD_PrevTrack(Sound01& sound, platform::Platform& platform)
{
    StepTrack(sound, platform, -1);
}

void CD_NextTrack(Sound01& sound, platform::Platform& platform)
{
    StepTrack(sound, platform, +1);
}

void CD_Close(Sound01&, platform::Platform& platform)
{
    SendPlainCommand(platform, "stop cdaudio");
    SendPlainCommand(platform, "close cdaudio");
}

}  // namespace nuvra
