// The music module's device state: the MCI reply and error buffers, the text
// of the last query or play, the two mode-word buffers and the CD polling
// flag. Each buffer is a fixed-length text that starts as NUL characters and
// is only ever overwritten, never cleared, so the tail of an older reply can
// sit behind a newer reply's NUL.
#pragma once

#include <cstddef>
#include <string>

#include "settings/sound_settings.h"

namespace nuvra {

inline constexpr std::size_t kMciReturnBufLength = 512;
inline constexpr std::size_t kMciErrorBufLength = 256;
inline constexpr std::size_t kCdModeBufLength = 256;
inline constexpr std::size_t kMp3ModeBufLength = 30;

struct SoundState {
    std::string MCI_ReturnBuf = std::string(kMciReturnBufLength, '\0');
    std::string MCI_ErrorBuf = std::string(kMciErrorBufLength, '\0');
    // The reply or error text of the last command sent for MCI_Query or
    // MCI_Play.
    std::string MCI_Result;
    std::string CD_ModeBuf = std::string(kCdModeBufLength, '\0');
    std::string MP3_ModeBuf = std::string(kMp3ModeBufLength, '\0');
    // Set by every CD poll; false tells the display form to stop polling.
    bool CD_Active = false;
};

// The music module: its public settings and its device state.
struct Sound01 {
    SoundSettings settings;
    SoundState state;
};

}  // namespace nuvra
