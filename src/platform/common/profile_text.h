// The text rules of a profile (INI) file, as pure functions on strings: each
// backend's profile file reads a file, calls these, and writes the result
// back in its own encoding. Nothing here touches the disk or knows a code
// page beyond UTF-8, so the tests and the fuzzer reach every rule directly.
//
// Lines end with LF, CRLF or a lone CR. A line whose first non-blank byte is
// '[' starts a section (the name runs to the first ']'); ';' starts a comment;
// other lines are "key = value", both sides trimmed of blanks and tabs. Names
// compare without regard to ASCII case. Lines before the first section belong
// to none. The first matching section wins, and in it the first matching key.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace nuvra::common_platform {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct DecodedProfile {
    std::string text;      // UTF-8, without the byte order mark
    bool has_bom = false;  // put back in front when the file is rewritten
};

// The backend's reading of CP932 bytes as UTF-8. It never fails: a byte that
// is not CP932 becomes one U+FFFD of its own, so a stray lead byte cannot
// swallow the line break after it.
using Cp932Decoder = std::function<std::string(std::string_view cp932)>;

// A file's bytes as UTF-8 text: valid UTF-8 is taken as it is (a file written
// on Linux), anything else is read as CP932 (a file written on Windows).
DecodedProfile DecodeProfileBytes(std::string_view bytes, const Cp932Decoder& cp932_to_utf8);

bool IsValidUtf8(std::string_view bytes);

// The length of the UTF-8 sequence that starts at bytes[i], or 0 when none
// does there (a stray or missing continuation byte, an overlong form, a
// surrogate, a code point past U+10FFFF).
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t i);

// The value of key in section, or nullopt when either is missing. The view
// points into text.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section, std::string_view key);

// text with key set to value: the key's line replaced in place, else a new
// line after the section's last entry, else a new section at the end.
// nullopt when a name or the value cannot be written without changing the
// file's meaning (a line break or NUL anywhere, '=' or a leading ';' or '['
// in the key, ']' in the section, an empty key) or its encoding (anything
// that is not UTF-8: values are escaped first, see EscapeProfileValue). A
// line added to a text without line breaks ends with new_line_break; any
// other takes the text's first line break.
std::optional<std::string> SetValue(std::string_view text, std::string_view section, std::string_view key,
                                    std::string_view value, std::string_view new_line_break = "\n");

// Why SetValue refused a write, in words for the user. Only the value can
// come from the user (a folder name with a line break in it); the section and
// the key are the program's own.
std::string UnwritableReason(std::string_view value);

// Whether the file's encoding holds one character (a whole UTF-8 sequence)
// and gives it back unchanged.
using StorableCharacter = std::function<bool(std::string_view utf8_sequence)>;

// A UTF-8 file holds every character.
bool AnyCharacter(std::string_view utf8_sequence);

// A value as the file stores it, and back. A value whose every character the
// file's encoding holds is stored as it is. Anything else would be lost or
// would spoil the file: bytes that are not UTF-8 (a folder named in Latin-1
// or Shift-JIS) would make a UTF-8 file read as CP932, and a character CP932
// lacks would come back as '?' from a CP932 file. Such a value is stored
// behind the marker "%%", with '%', every byte outside a valid UTF-8
// sequence and every byte of a character the encoding cannot hold written as
// %XX (upper-case hex); the escaped text is plain ASCII apart from the
// characters kept as they are. A value that itself starts with the marker is
// stored the same way, so that whatever is written reads back byte for byte.
// Unescaping text without the marker gives the text; a '%' without two hex
// digits after it stands for itself.
std::string EscapeProfileValue(std::string_view value, const StorableCharacter& storable = AnyCharacter);
std::string UnescapeProfileValue(std::string_view stored);

// The profile API's copy rule: at most buffer.size() - 1 bytes, then a NUL;
// returns the bytes copied. An empty buffer receives nothing.
std::uint32_t CopyProfileValue(std::string_view value, std::span<char> buffer);

// The profile API's read: the value of key in section of the file whose
// bytes read() gives (nullopt when there is none to read), unescaped and
// copied as CopyProfileValue copies; else default_value. A file too large
// for memory reads as an unreadable one: the default.
using ProfileBytesReader = std::function<std::optional<std::string>()>;
std::uint32_t ReadProfileValue(const ProfileBytesReader& read, std::string_view section, std::string_view key,
                               std::string_view default_value, std::span<char> buffer,
                               const Cp932Decoder& cp932_to_utf8);

}  // namespace nuvra::common_platform
