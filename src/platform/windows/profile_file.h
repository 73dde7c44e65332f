// The profile (INI) file on Windows: the settings code's two profile calls,
// served by our own reader and writer rather than the system's profile
// functions, which write the system's ANSI code page and would turn the
// Japanese key names into '?' on any Windows not set to Japanese.
//
// The file is CP932 with CRLF line breaks, as the program has always kept
// it. A file that is valid UTF-8 (one copied from the Linux build) is read
// as UTF-8 and becomes CP932 at its first write. A value with a character
// CP932 cannot hold (a folder named in another script, an emoji) is stored
// escaped and reads back exactly (EscapeProfileValue, common/profile_text.h,
// the same escape the Linux file uses for bytes that are not UTF-8); should a
// line we did not write hold such a character, the file is kept in UTF-8
// (with a byte order mark) instead, so that nothing in it is lost.
//
// Reads never fail loudly: a missing, unreadable or oversized file (over
// 64 MiB) has no values. A write replaces the file in one step, flushed to
// the disk first; a read-only file, or one that could not be read in full,
// is never replaced. The file's folder (and those above) are made on the
// first write.
//
// A settings file missing from its own folder is read from the seed folder
// instead (where the program keeps it when it may write beside itself), and
// the first write starts from that copy: settings that came with a program
// installed where the user cannot write are its first settings, and the
// user's own saves, kept elsewhere, are read from then on.
#pragma once

#include <string>

#include "platform/profile.h"

namespace nuvra::windows_platform {

class WindowsProfileFile final : public platform::ProfileFile {
public:
    // seed_folder: UTF-8, without a trailing separator; empty for none.
    explicit WindowsProfileFile(std::string seed_folder = {});

    std::uint32_t GetPrivateProfileString(std::string_view section, std::string_view key,
                                          std::string_view default_value, std::span<char> buffer,
                                          std::string_view file_name) override;

    platform::ProfileWriteResult WritePrivateProfileString(std::string_view section, std::string_view key,
                                                           std::string_view value, std::string_view file_name) override;

private:
    std::string m_seed_folder;
};

}  // namespace nuvra::windows_platform
