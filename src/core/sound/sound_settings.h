// The music settings, public variables of the sound module: read by the
// display and the music code, filled by LoadSettings, written by the dialog.
#pragma once

#include <cstdint>
#include <string>

namespace nuvra {

struct SoundSettings {
    std::int16_t BgmKind = 0;    // 0 none, 1 audio CD, 2 MP3 or WAV file
    std::int16_t BgmRepeat = 0;  // CD track to keep repeating; 0 = none
    std::string BgmFile;         // the MP3 or WAV file for BgmKind 2
};

}  // namespace nuvra
