// The music settings, public variables of the sound module: read by the
// display and the music code, filled by LoadSettings, written by the dialog.
#pragma once

#include <cstdint>
#include <string>

#include "settings/stored_option.h"

namespace nuvra {

// BGM区分: any other number plays nothing.
enum class BgmKindOption : std::int16_t { None = 0, AudioCd = 1, MusicFile = 2 };

struct SoundSettings {
    BgmKindOption BgmKind = BgmKindOption::None;
    std::int16_t BgmRepeat = 0;  // CD track to keep repeating; 0 = none
    std::string BgmFile;         // the MP3 or WAV file for MusicFile
};

}  // namespace nuvra
