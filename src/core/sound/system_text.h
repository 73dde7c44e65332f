// Text on its way to and from the platform's 8-bit calls.
//
// The program's text is handed to those calls in the system's ANSI code page
// and taken back from their buffers afterwards. Our platforms speak UTF-8 on
// both sides, so both conversions are the identity; they stay separate calls
// so that a platform with another code page changes this file alone.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace nuvra {

std::string ToSystemText(std::string_view text);
std::string FromSystemText(std::string_view bytes);

// text cut to length, or padded with blanks up to it.
std::string FixedLengthText(std::string_view text, std::size_t length);

// The characters before the first NUL (all of them when there is none).
std::string_view TextBeforeNul(std::string_view text);

// Hands buffer to call as 8-bit text, of which the call may fill the first
// reply_length bytes, and takes back what it left. The buffer keeps its
// length: a conversion that shortens it is padded with blanks.
template <typename Call>
auto CallWithSystemBuffer(std::string& buffer, std::size_t reply_length, Call&& call)
{
    std::string bytes = ToSystemText(buffer);
    auto result = call(std::span<char>(bytes.data(), std::min(reply_length, bytes.size())));
    buffer = FixedLengthText(FromSystemText(bytes), buffer.size());
    return result;
}

}  // namespace nuvra
