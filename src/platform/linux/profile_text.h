// The text rules of a profile (INI) file, as pure functions on strings: the
// Linux profile file reads a file, calls these, and writes the result back.
// Nothing here touches the disk, so the tests and the fuzzer reach every rule
// directly.
//
// Lines end with LF, CRLF or a lone CR. A line whose first non-blank byte is
// '[' starts a section (the name runs to the first ']'); ';' starts a comment;
// other lines are "key = value", both sides trimmed of blanks and tabs. Names
// compare without regard to ASCII case. Lines before the first section belong
// to none. The first matching section wins, and in it the first matching key.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace nuvra::linux_platform {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct DecodedProfile {
    std::string text;      // UTF-8, without the byte order mark
    bool has_bom = false;  // put back in front when the file is rewritten
};

// A file's bytes as UTF-8 text: valid UTF-8 is taken as it is, anything else
// is read as CP932 (a file copied from Windows). Never fails: a byte that is
// not CP932 either becomes U+FFFD.
DecodedProfile DecodeProfileBytes(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// The value of key in section, or nullopt when either is missing. The view
// points into text.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section, std::string_view key);

// text with key set to value: the key's line replaced in place, else a new
// line after the section's last entry, else a new section at the end.
// nullopt when a name or the value cannot be written without changing the
// file's meaning (a line break or NUL anywhere, '=' or a leading ';' or '['
// in the key, ']' in the section, an empty key) or its encoding (anything
// that is not UTF-8: values are escaped first, see EscapeProfileValue).
std::optional<std::string> SetValue(std::string_view text, std::string_view section, std::string_view key,
                                    std::string_view value);

// A value as the file stores it, and back. Valid UTF-8 is stored as it is.
// Any other bytes (a folder named in Latin-1 or Shift-JIS) would make the
// whole file invalid UTF-8, and the reader would then take every line of it
// for CP932; so such a value is stored behind the marker "%%", with '%' and
// every byte outside a valid UTF-8 sequence written as %XX (upper-case hex).
// A valid value that itself starts with the marker is stored the same way,
// so that whatever is written reads back byte for byte. Unescaping text
// without the marker gives the text; a '%' without two hex digits after it
// stands for itself.
std::string EscapeProfileValue(std::string_view value);
std::string UnescapeProfileValue(std::string_view stored);

// The profile API's copy rule: at most buffer.size() - 1 bytes, then a NUL;
// returns the bytes copied. An empty buffer receives nothing.
std::uint32_t CopyProfileValue(std::string_view value, std::span<char> buffer);

}  // namespace nuvra::linux_platform
