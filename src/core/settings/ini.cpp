#include "settings/ini.h"

#include <array>

#include "files/paths.h"
#include "platform/platform.h"

namespace nuvra {

namespace {

// The receive buffer of the profile read: 256 bytes, so a value is read as
// at most its first 255 bytes.
constexpr std::size_t kReadBufferSize = 256;
// Section and key travel in 128-character buffers that end with a NUL.
constexpr std::size_t kNameBufferCharacters = 128;

std::size_t Utf8SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC2)
        return 2;
    return 1;  // a stray byte counts as one character on its own
}

}  // namespace

std::string IniPath(platform::FileSystem& files)
{
    return JoinPath(files.SettingsFolder(), kSettingsFileName);
}

std::string ReadIniValue(platform::ProfileFile& profile, std::string_view section, std::string_view key,
                         std::string_view file_name)
{
    std::array<char, kReadBufferSize> buffer{};
    profile.GetPrivateProfileString(section, key, "", buffer, file_name);
    std::string_view text(buffer.data(), buffer.size());
    return std::string(text.substr(0, text.find('\0')));
}

platform::ProfileWriteResult WriteIniValue(platform::ProfileFile& profile, std::string_view section,
                                           std::string_view key, std::string_view value, std::string_view file_name)
{
    // A NUL inside a name ends it, as it would in the fixed buffer.
    section = section.substr(0, section.find('\0'));
    key = key.substr(0, key.find('\0'));
    return profile.WritePrivateProfileString(CutToUtf16Units(section, kNameBufferCharacters - 1),
                                             CutToUtf16Units(key, kNameBufferCharacters - 1), value, file_name);
}

std::string_view CutToUtf16Units(std::string_view text, std::size_t max_units)
{
    std::size_t units = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(text[position]));
        if (position + length > text.size())
            length = 1;
        std::size_t character_units = length == 4 ? 2 : 1;
        if (units + character_units > max_units)
            break;
        units += character_units;
        position += length;
    }
    return text.substr(0, position);
}

}  // namespace nuvra
