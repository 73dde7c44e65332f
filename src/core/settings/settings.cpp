#include "settings/settings.h"

#include <optional>
#include <type_traits>

#include "files/paths.h"
#include "settings/ini.h"
#include "settings/number_text.h"

namespace nuvra {

namespace {

// Reads one integer setting: an empty value gives the default, a value that
// converts gives the number, and anything else leaves the field as it was
// (0 at start-up, not the default). An option field takes whatever number
// converts, named or not.
template <typename Field, typename Convert>
void LoadInteger(Field& field, const std::string& text, std::type_identity_t<Field> default_value, Convert convert)
{
    if (text.empty()) {
        field = default_value;
        return;
    }
    if (std::optional<std::int16_t> value = convert(text))
        field = static_cast<Field>(*value);
}

}  // namespace

std::string ImageKindKey(int index)
{
    std::string key(ini_key::kImageKindPrefix);
    key.push_back(static_cast<char>('0' + index));
    return key;
}

void LoadSettingsUpToFolder(SettingsRecord& settings, platform::Platform& platform)
{
    auto read = [&](std::string_view key) {
        return ReadIniValue(*platform.profile, kSettingsSection, key, IniPath(*platform.files));
    };

    LoadInteger(settings.OrderMode, read(ini_key::kOrderMode), OrderModeOption::FileOrder, ConvertFloorInt16);
    LoadInteger(settings.ImagePosition, read(ini_key::kImagePosition), ImagePositionOption::Centre, ConvertFloorInt16);
    LoadInteger(settings.ChangeInterval, read(ini_key::kChangeInterval), 10, ConvertRoundInt16);
    // The kinds come before the folder so that the folder's scan uses them.
    for (int i = 0; i < static_cast<int>(settings.ImageKinds.size()); ++i)
        LoadInteger(settings.ImageKinds[static_cast<std::size_t>(i)], read(ImageKindKey(i)), ImageKindOption::On,
                    ConvertFloorInt16);
    LoadInteger(settings.Subfolders, read(ini_key::kSubfolders), SubfolderOption::Off, ConvertFloorInt16);

    settings.ImageFolder = read(ini_key::kImageFolder);
    if (!settings.ImageFolder.empty() && !FolderExists(settings.ImageFolder, *platform.files))
        settings.ImageFolder.clear();
}

void LoadSettingsAfterFolder(SettingsRecord& settings, SoundSettings& music, platform::Platform& platform)
{
    auto read = [&](std::string_view key) {
        return ReadIniValue(*platform.profile, kSettingsSection, key, IniPath(*platform.files));
    };

    LoadInteger(music.BgmKind, read(ini_key::kBgmKind), BgmKindOption::None, ConvertFloorInt16);
    LoadInteger(music.BgmRepeat, read(ini_key::kBgmRepeat), 0, ConvertFloorInt16);

    // File music needs a file that can be read; the other kinds keep their
    // value whatever the file setting says.
    music.BgmFile = read(ini_key::kBgmFile);
    if (!music.BgmFile.empty() && !FileExists(music.BgmFile, *platform.files))
        music.BgmFile.clear();
    if (music.BgmFile.empty() && music.BgmKind == BgmKindOption::MusicFile)
        music.BgmKind = BgmKindOption::None;

    LoadInteger(settings.RotationSpeed, read(ini_key::kRotationSpeed), 5, ConvertFloorInt16);
}

SaveResult SaveSettings(SettingsRecord& settings, SoundSettings& music, platform::Platform& platform,
                        const DialogValues& dialog)
{
    SaveResult result;
    auto write = [&](std::string_view key, std::string_view value) {
        const std::string file = IniPath(*platform.files);
        const platform::ProfileWriteResult written =
            WriteIniValue(*platform.profile, kSettingsSection, key, value, file);
        if (!written.written && result.saved)
            result = {false, file, written.reason};
    };

    write(ini_key::kOrderMode, IntegerText(StoredNumber(settings.OrderMode)));
    write(ini_key::kImagePosition, IntegerText(StoredNumber(settings.ImagePosition)));
    write(ini_key::kChangeInterval, IntegerText(dialog.interval_slider));
    settings.ImageFolder = dialog.folder_caption;
    write(ini_key::kImageFolder, settings.ImageFolder);
    for (int i = 0; i < static_cast<int>(settings.ImageKinds.size()); ++i)
        write(ImageKindKey(i), IntegerText(StoredNumber(settings.ImageKinds[static_cast<std::size_t>(i)])));
    write(ini_key::kSubfolders, IntegerText(StoredNumber(settings.Subfolders)));
    write(ini_key::kBgmKind, IntegerText(StoredNumber(music.BgmKind)));
    // Text that is no number switches the repeat off; a number too large
    // for 16 bits cannot be taken, so the track number stays what it was.
    if (const std::optional<double> repeat = ParseNumber(dialog.repeat_text)) {
        if (const std::optional<std::int16_t> track = RoundToInt16(*repeat))
            music.BgmRepeat = *track;
    } else {
        music.BgmRepeat = 0;
    }
    write(ini_key::kBgmRepeat, IntegerText(music.BgmRepeat));
    write(ini_key::kBgmFile, music.BgmFile);
    write(ini_key::kRotationSpeed, IntegerText(dialog.rotation_slider));
    return result;
}

}  // namespace nuvra
