// The music module's device state: its reply buffers and play state.
#pragma once

namespace nuvra {

struct SoundState {};

}  // namespace nuvra
