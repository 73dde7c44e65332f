// The settings record: every user choice, process-wide, zero until
// LoadSettings fills it. The three music settings are the sound module's
// (settings/sound_settings.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "settings/stored_option.h"

namespace nuvra {

// 画像ﾁｪﾝｼﾞ: every number but 0 shows the pictures in random order.
enum class OrderModeOption : std::int16_t { FileOrder = 0, Random = 1 };

// 画像の位置: any other number leaves the box wherever it already is.
enum class ImagePositionOption : std::int16_t { Centre = 0, MovingBox = 1, RandomPlace = 2 };

// 画像種類_0..5: only an exact On collects the kind's files.
enum class ImageKindOption : std::int16_t { Off = 0, On = 1 };
// *.bmp, *.gif, *.jpg, *.wmf, *.png, *.webp, in that order. A file without
// the keys of the last two (one written before they existed) has them on.
using ImageKindOptions = std::array<ImageKindOption, 6>;

// ｻﾌﾞﾌｫﾙﾀﾞ: On takes the pictures of every folder under the picture folder
// too; anything else (and a file without the key) only its own.
enum class SubfolderOption : std::int16_t { Off = 0, On = 1 };

struct SettingsRecord {
    OrderModeOption OrderMode = OrderModeOption::FileOrder;
    ImagePositionOption ImagePosition = ImagePositionOption::Centre;
    std::int16_t ChangeInterval = 0;  // seconds between picture changes
    std::string ImageFolder;          // empty: no folder
    ImageKindOptions ImageKinds{};
    SubfolderOption Subfolders = SubfolderOption::Off;
    std::int16_t RotationSpeed = 0;   // degrees added to the angle per frame
};

}  // namespace nuvra
