// Reading the command line the screen-saver host passes: the mode letter is
// its second character, upper-cased; the window handle is the text from the
// fourth character on. Positions count characters, not bytes.
#pragma once

#include <string>
#include <string_view>

namespace nuvra {

// "S", "P", "C", "A", any other character, or the empty text when the
// command line has fewer than two characters.
std::string ModeLetter(std::string_view command_line);

// The command line from its fourth character to the end, case unchanged.
std::string HandleText(std::string_view command_line);

}  // namespace nuvra
