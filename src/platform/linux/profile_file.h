// The profile (INI) file on Linux: the settings code's two profile calls,
// served by reading the whole file and, for a write, replacing it whole.
//
// Reads never fail loudly: a missing, unreadable or oversized file (over
// 64 MiB), or something that is not a regular file, simply has no values. A
// write is atomic: the new text goes to a temporary file beside the target,
// is flushed to disk and renamed over it, so a crash leaves either the old
// file or the new one. The target keeps its permission bits; its folder (and
// the folders above) are created on the first write. A file the user may not
// write, or one that could not be read in full, is never replaced. The text
// is written back as UTF-8, so a CP932 file becomes UTF-8 on its first write;
// a value that is not UTF-8 (a path in another encoding) is stored escaped
// and reads back as it was written (EscapeProfileValue, common/profile_text.h).
#pragma once

#include "platform/profile.h"

namespace nuvra::linux_platform {

class LinuxProfileFile final : public platform::ProfileFile {
public:
    std::uint32_t GetPrivateProfileString(std::string_view section, std::string_view key,
                                          std::string_view default_value, std::span<char> buffer,
                                          std::string_view file_name) override;

    platform::ProfileWriteResult WritePrivateProfileString(std::string_view section, std::string_view key,
                                                           std::string_view value, std::string_view file_name) override;
};

}  // namespace nuvra::linux_platform
