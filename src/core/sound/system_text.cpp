#include "sound/system_text.h"

namespace nuvra {

std::string ToSystemText(std::string_view text)
{
    return std::string(text);
}

std::string FromSystemText(std::string_view bytes)
{
    return std::string(bytes);
}

std::string FixedLengthText(std::string_view text, std::size_t length)
{
    std::string fixed(text.substr(0, length));
    fixed.resize(length, ' ');
    return fixed;
}

std::string_view TextBeforeNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

}  // namespace nuvra
