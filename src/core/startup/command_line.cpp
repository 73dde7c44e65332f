#include "startup/command_line.h"

namespace nuvra {

namespace {

// Byte offset of the character at a 0-based position in UTF-8 text, or
// text.size() when the text is shorter.
std::size_t OffsetOfCharacter(std::string_view text, std::size_t position)
{
    std::size_t offset = 0;
    for (std::size_t seen = 0; offset < text.size(); ++offset) {
        bool continuation = (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80;
        if (continuation)
            continue;
        if (seen == position)
            return offset;
        ++seen;
    }
    return text.size();
}

}  // namespace

std::string ModeLetter(std::string_view command_line)
{
    std::size_t begin = OffsetOfCharacter(command_line, 1);
    if (begin >= command_line.size())
        return {};
    std::size_t end = OffsetOfCharacter(command_line, 2);
    std::string letter(command_line.substr(begin, end - begin));
    if (letter.size() == 1 && letter[0] >= 'a' && letter[0] <= 'z')
        letter[0] = static_cast<char>(letter[0] - 'a' + 'A');
    return letter;
}

std::string HandleText(std::string_view command_line)
{
    return std::string(command_line.substr(OffsetOfCharacter(command_line, 3)));
}

Mode ReadCommandLine(std::string_view command_line)
{
    Mode mode;
    const std::string letter = ModeLetter(command_line);
    if (command_line.empty()) {
        mode.kind = ModeKind::Show;
        mode.show_start = ShowStart::User;
    } else if (letter == "S") {
        mode.kind = ModeKind::Show;
    } else if (letter == "P") {
        mode.kind = ModeKind::Preview;
    } else if (letter == "C") {
        mode.kind = ModeKind::Settings;
    } else if (letter == "A") {
        mode.kind = ModeKind::ChangePassword;
    }
    if (mode.kind == ModeKind::Preview || mode.kind == ModeKind::ChangePassword || mode.kind == ModeKind::Settings)
        mode.handle_text = HandleText(command_line);
    return mode;
}

Mode ReadArguments(const std::vector<std::string>& arguments, std::optional<std::string_view> daemon_window)
{
    if (IsHostedCommandLine(arguments)) {
        Mode mode;
        mode.kind = ModeKind::Hosted;
        mode.show_start = ShowStart::Daemon;
        mode.hosted = ParseHostedCommandLine(arguments, daemon_window);
        return mode;
    }
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            line.push_back(' ');
        line += arguments[i];
    }
    return ReadCommandLine(line);
}

}  // namespace nuvra
