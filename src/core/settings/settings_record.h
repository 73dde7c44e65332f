// The settings record: every user choice, process-wide, zero until
// LoadSettings fills it. The three music settings live in the sound module's
// state (sound/sound_settings.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "settings/stored_option.h"

namespace nuvra {

// 画像ﾁｪﾝｼﾞ: every number but 0 shows the pictures in random order.
enum class OrderModeOption : std::int16_t { FileOrder = 0, Random = 1 };

struct SettingsRecord {
    OrderModeOption OrderMode = OrderModeOption::FileOrder;
    std::int16_t ImagePosition = 0;   // 0 centre, 1 slide, 2 random
    std::int16_t ChangeInterval = 0;  // seconds between picture changes
    std::string ImageFolder;          // empty: no folder
    std::array<std::int16_t, 4> ImageKinds{};  // 1 = collect *.bmp, *.gif, *.jpg, *.wmf
    std::int16_t RotationSpeed = 0;   // degrees added to the angle per frame
};

}  // namespace nuvra
