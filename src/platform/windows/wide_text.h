// Text at the Win32 boundary: the program works in UTF-8, Win32 takes
// UTF-16 (the ...W calls), and the settings file is CP932. Every conversion
// here is exact or says that it is not; none turns a character into '?'.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nuvra::windows_platform {

// nullopt when utf8 is not valid UTF-8 (no Win32 call could name it).
std::optional<std::wstring> WideFromUtf8(std::string_view utf8);

// A lone surrogate (a name no UTF-8 can spell) becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);

// CP932 bytes read as UTF-8. Never fails: a byte CP932 does not know (or a
// lead byte without its trail) becomes one U+FFFD of its own, so a stray
// lead byte cannot swallow the line break after it.
std::string Cp932ToUtf8(std::string_view bytes);

// UTF-8 as CP932 bytes, or nullopt when a character has no CP932 form that
// reads back as the same character (an accented Latin letter, an emoji; the
// wave dash, which CP932 reads back as the full-width tilde), or when utf8
// is not valid UTF-8.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// Whether one character (a whole UTF-8 sequence) survives CP932 unchanged.
bool Cp932Holds(std::string_view utf8_sequence);

}  // namespace nuvra::windows_platform
