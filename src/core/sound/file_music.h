// File music: an MP3 played by the MCI "MPEGVideo" device under the alias
// MP3Play and restarted by a once-a-second poll whenever it has stopped, or a
// WAV looped by the platform's sound player. Both loop for the whole show;
// BgmRepeat plays no part. The display form picks MP3 or WAV from BgmFile's
// ending and decides when each operation runs; every failure is silent.
#pragma once

#include <string>

#include "platform/platform.h"
#include "sound/sound_state.h"

namespace nuvra {

// The last three characters of the music file, upper-cased: "WAV", "MP3"...
// The show starts and stops the player this ending names.
std::string MusicEnding(const std::string& file);

// Opens BgmFile under MP3Play and, only when the open succeeded, plays it.
void MP3_Open(Sound01& sound, platform::Platform& platform);

// True exactly when the first seven characters of MP3_ModeBuf read
// "playing" after a mode query; the query's code is not looked at.
bool MP3_IsPlaying(Sound01& sound, platform::Platform& platform);

// The poll: whenever the file is not playing, stop it and play from 0.
void MP3_Repeat(Sound01& sound, platform::Platform& platform);

void MP3_Close(Sound01& sound, platform::Platform& platform);

// Loops BgmFile asynchronously; nothing when there is no wave output.
void WAV_Play(Sound01& sound, platform::Platform& platform);

// Stops whatever the sound player is playing.
void WAV_Stop(Sound01& sound, platform::Platform& platform);

}  // namespace nuvra
