// Profile (INI) file service: the two calls the settings code makes.
//
// The contract is the Windows profile API's. Section and key names compare
// without regard to ASCII case; a read copies at most buffer.size() - 1 bytes
// and always ends the text with a NUL; a write replaces the value of an
// existing key in place, appends a new key at the end of its section, and
// appends a missing section at the end of the file. Neither call throws.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace nuvra::platform {

// What a profile write did: the value is in the file, or the file is as it
// was and reason says why, in words for the user ("Permission denied",
// "Is a directory").
struct ProfileWriteResult {
    bool written = false;
    std::string reason;
};

class ProfileFile {
public:
    virtual ~ProfileFile() = default;

    // GetPrivateProfileStringA: copies the value (or default_value when the
    // file, section or key is missing) into buffer and returns the number of
    // bytes copied, not counting the NUL.
    virtual std::uint32_t GetPrivateProfileString(std::string_view section, std::string_view key,
                                                  std::string_view default_value, std::span<char> buffer,
                                                  std::string_view file_name) = 0;

    // WritePrivateProfileStringA with a non-null key and value; a file that
    // could not be written keeps its old contents.
    virtual ProfileWriteResult WritePrivateProfileString(std::string_view section, std::string_view key,
                                                         std::string_view value, std::string_view file_name) = 0;
};

}  // namespace nuvra::platform
