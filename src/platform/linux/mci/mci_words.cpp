#include "platform/linux/mci/mci_words.h"

#include <algorithm>
#include <cctype>

namespace nuvra::linux_platform {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

std::optional<std::vector<MciWord>> SplitMciCommand(std::string_view command)
{
    std::vector<MciWord> words;
    std::size_t i = 0;
    while (i < command.size()) {
        if (IsBlank(command[i])) {
            ++i;
            continue;
        }
        MciWord word;
        if (command[i] == '"') {
            const std::size_t close = command.find('"', i + 1);
            // A word runs to its closing quote, which must end it.
            if (close == std::string_view::npos || (close + 1 < command.size() && !IsBlank(command[close + 1])))
                return std::nullopt;
            word.text = command.substr(i + 1, close - i - 1);
            word.quoted = true;
            i = close + 1;
        } else {
            const std::size_t start = i;
            while (i < command.size() && !IsBlank(command[i])) {
                if (command[i] == '"')
                    return std::nullopt;
                ++i;
            }
            word.text = command.substr(start, i - start);
        }
        words.push_back(std::move(word));
    }
    return words;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return Lower(x) == Lower(y); });
}

bool IsKeyword(const MciWord& word, std::string_view keyword)
{
    return !word.quoted && EqualsIgnoringCase(word.text, keyword);
}

std::string JoinLowered(std::span<const MciWord> words)
{
    std::string joined;
    for (const MciWord& word : words) {
        if (!joined.empty())
            joined += ' ';
        for (char c : word.text)
            joined += Lower(c);
    }
    return joined;
}

}  // namespace nuvra::linux_platform
