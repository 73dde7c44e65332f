// Audio-CD music: the "cdaudio" device opened at the start of the show, a
// poll every 200 ms that starts play, restarts it when the disc stops and
// keeps returning to the repeat track (BgmRepeat, 0 for none), the arrow-key
// track steps, and the close at the end. The display form decides when each
// runs; every device failure is silent.
#pragma once

#include "platform/platform.h"
#include "sound/sound_state.h"

namespace nuvra {

// Opens the device in tmsf time; play starts at the first poll.
void CD_Open(Sound01& sound, platform::Platform& platform);

// One poll. Leaves CD_Active false when the disc cannot be asked about its
// tracks (no disc, no drive, device not open) or, with a repeat track set,
// when the current track is no number; the display form then stops polling.
void CD_Check(Sound01& sound, platform::Platform& platform);

// Plays from the start of the track before / after the current one. No bound
// is tested: past either end the device refuses and play goes on unchanged.
void CD_PrevTrack(Sound01& sound, platform::Platform& platform);
void CD_NextTrack(Sound01& sound, platform::Platform& platform);

void CD_Close(Sound01& sound, platform::Platform& platform);

}  // namespace nuvra
