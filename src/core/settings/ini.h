// The two profile operations every settings read and write goes through, and
// the settings file's location.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/profile.h"

namespace nuvra {

inline constexpr std::string_view kSettingsSection = "Section";
inline constexpr std::string_view kSettingsFileName = "Nuvra.ini";

// The settings file: the program's settings folder followed by the file name.
// Worked out anew at every use.
std::string IniPath(platform::FileSystem& files);

// The value of key in section, cut at the first NUL and at 255 bytes; the
// empty text when the file, the section or the key is missing.
std::string ReadIniValue(platform::ProfileFile& profile, std::string_view section, std::string_view key,
                         std::string_view file_name);

// Writes key = value into section. Section and key are cut to 127 characters
// as the fixed buffers of the original call did. Returns the platform's
// result: whether the value is in the file, and if not, why.
platform::ProfileWriteResult WriteIniValue(platform::ProfileFile& profile, std::string_view section,
                                           std::string_view key, std::string_view value, std::string_view file_name);

// The first max_units UTF-16 code units of a UTF-8 text, never splitting a
// character.
std::string_view CutToUtf16Units(std::string_view text, std::size_t max_units);

}  // namespace nuvra
