// LoadSettings and SaveSettings: the settings record to and from Nuvra.ini.
//
// Start-up loads the settings once per process (every mode but the preview)
// in two halves, scanning the picture folder between them; SaveSettings runs
// when the settings dialog is confirmed. A step that fails is skipped and the next one runs; loading
// says nothing of it, saving tells its caller which file it could not write
// and why, so that the user's choices are not lost without a word.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "settings/settings_record.h"
#include "settings/sound_settings.h"

namespace nuvra {

// The keys of the settings file, in the order a new file lists them.
namespace ini_key {
inline constexpr std::string_view kOrderMode = "画像ﾁｪﾝｼﾞ";
inline constexpr std::string_view kImagePosition = "画像の位置";
inline constexpr std::string_view kChangeInterval = "ｲﾝﾀｰﾊﾞﾙ";
inline constexpr std::string_view kImageFolder = "画像のﾌｫﾙﾀﾞ";
inline constexpr std::string_view kImageKindPrefix = "画像種類_";
inline constexpr std::string_view kSubfolders = "ｻﾌﾞﾌｫﾙﾀﾞ";
inline constexpr std::string_view kBgmKind = "BGM区分";
inline constexpr std::string_view kBgmRepeat = "BGMﾘﾋﾟｰﾄ";
inline constexpr std::string_view kBgmFile = "BGMﾌｧｲﾙ";
inline constexpr std::string_view kRotationSpeed = "回転ｽﾋﾟｰﾄﾞ";
}  // namespace ini_key

// "画像種類_" followed by the index as one digit.
std::string ImageKindKey(int index);

// The order, position, interval, kinds and subfolders, then the picture
// folder: cleared when it is no folder that lists anything.
void LoadSettingsUpToFolder(SettingsRecord& settings, platform::Platform& platform);
// The three music settings, then the rotation speed.
void LoadSettingsAfterFolder(SettingsRecord& settings, SoundSettings& music, platform::Platform& platform);

// What SaveSettings takes from the dialog's controls rather than from the
// record: the two sliders, the folder label and the repeat box.
struct DialogValues {
    std::int16_t interval_slider = 10;  // HS_CD
    std::string folder_caption;         // Folder_Path
    std::string repeat_text;            // BGM_Repeat
    std::int16_t rotation_slider = 5;   // RotScroll
};

// How a save went: every key written, or the file and the platform's reason
// of the first write that failed.
struct SaveResult {
    bool saved = true;
    std::string file;
    std::string reason;
};

SaveResult SaveSettings(SettingsRecord& settings, SoundSettings& music, platform::Platform& platform,
                        const DialogValues& dialog);

}  // namespace nuvra
