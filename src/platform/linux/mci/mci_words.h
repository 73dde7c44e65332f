// The words of an MCI command string. Blanks separate words; a word may be
// put in double quotes to hold blanks (a file name), and the quotes are not
// part of it. Keywords, device names and aliases compare without regard to
// ASCII case.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvra::linux_platform {

struct MciWord {
    std::string text;
    bool quoted = false;
};

// Nothing when a quote is left open or stands inside a word.
std::optional<std::vector<MciWord>> SplitMciCommand(std::string_view command);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// True for an unquoted word that is keyword in any letter case.
bool IsKeyword(const MciWord& word, std::string_view keyword);

// The words in lower case joined by single blanks: "position track 2".
std::string JoinLowered(std::span<const MciWord> words);

}  // namespace nuvra::linux_platform
