#include "platform/common/profile_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>

namespace nuvra::common_platform {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// ASCII only on purpose: the profile API never folded case beyond A-Z, and a
// locale-aware fold would make "I" and "ı" the same key on some systems.
char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NamesEqual(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

struct Line {
    std::size_t begin = 0;
    std::size_t content_end = 0;  // where the line break starts
    std::size_t end = 0;          // after the line break
};

Line LineAt(std::string_view text, std::size_t begin)
{
    const std::size_t line_break = text.find_first_of("\r\n", begin);
    if (line_break == std::string_view::npos)
        return {begin, text.size(), text.size()};
    std::size_t end = line_break + 1;
    if (text[line_break] == '\r' && end < text.size() && text[end] == '\n')
        ++end;
    return {begin, line_break, end};
}

enum class LineKind { Blank, Comment, Section, Entry, Other };

struct ParsedLine {
    LineKind kind = LineKind::Blank;
    std::string_view name;
    std::string_view value;
};

ParsedLine ParseLine(std::string_view content)
{
    const std::string_view trimmed = TrimBlanks(content);
    if (trimmed.empty())
        return {LineKind::Blank, {}, {}};
    if (trimmed.front() == ';')
        return {LineKind::Comment, {}, {}};
    if (trimmed.front() == '[') {
        std::string_view name = trimmed.substr(1);
        name = name.substr(0, name.find(']'));
        return {LineKind::Section, TrimBlanks(name), {}};
    }
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos)
        return {LineKind::Other, {}, {}};
    return {LineKind::Entry, TrimBlanks(trimmed.substr(0, equals)), TrimBlanks(trimmed.substr(equals + 1))};
}

// Where a section and a key sit in the text: what a read needs and what a
// write needs, found in one pass.
struct Location {
    bool section_found = false;
    Line last_entry;  // the header itself while the section has no entries
    std::optional<Line> key_line;
    ParsedLine key;
};

Location Locate(std::string_view text, std::string_view section, std::string_view key)
{
    Location location;
    bool inside = false;
    for (std::size_t begin = 0; begin < text.size();) {
        const Line line = LineAt(text, begin);
        begin = line.end;
        const ParsedLine parsed = ParseLine(text.substr(line.begin, line.content_end - line.begin));
        if (parsed.kind == LineKind::Section) {
            // Only the first section of that name counts; a later duplicate
            // is never read, so it is never written either.
            if (inside)
                break;
            if (NamesEqual(parsed.name, section)) {
                inside = true;
                location.section_found = true;
                location.last_entry = line;
            }
            continue;
        }
        if (!inside || parsed.kind == LineKind::Blank || parsed.kind == LineKind::Comment)
            continue;
        if (parsed.kind == LineKind::Entry && NamesEqual(parsed.name, key)) {
            location.key_line = line;
            location.key = parsed;
            break;
        }
        location.last_entry = line;
    }
    return location;
}

std::string_view LineBreakStyle(std::string_view text, std::string_view new_line_break)
{
    const std::size_t line_break = text.find_first_of("\r\n");
    if (line_break == std::string_view::npos)
        return new_line_break;
    if (text.substr(line_break, 2) == "\r\n")
        return "\r\n";
    return "\n";
}

bool HasLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsWritable(std::string_view section, std::string_view key, std::string_view value)
{
    if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value))
        return false;
    // One line in another encoding would turn the whole file into CP932 for
    // the reader.
    if (!IsValidUtf8(section) || !IsValidUtf8(key) || !IsValidUtf8(value))
        return false;
    if (section.find(']') != std::string_view::npos)
        return false;
    return !key.empty() && key.front() != ';' && key.front() != '[' && key.find('=') == std::string_view::npos;
}

// No path the dialog stores starts with it (they are absolute), nor does any
// number; two characters keep an escaped path about as readable as the path,
// and %XX is the escape most people have seen in addresses.
constexpr std::string_view kEscapedValueMarker = "%%";

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    std::uint32_t code_point = 0;
    std::uint32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code_point = lead & 0x1Fu, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code_point = lead & 0x0Fu, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code_point = lead & 0x07u, smallest = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - i < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code_point = (code_point << 6) | (next & 0x3Fu);
    }
    if (code_point < smallest || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF))
        return 0;
    return length;
}

bool AnyCharacter(std::string_view)
{
    return true;
}

bool IsValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceAt(bytes, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

namespace {

bool StoredAsItIs(std::string_view value, const StorableCharacter& storable)
{
    for (std::size_t i = 0; i < value.size();) {
        const std::size_t length = Utf8SequenceAt(value, i);
        if (length == 0 || !storable(value.substr(i, length)))
            return false;
        i += length;
    }
    return true;
}

}  // namespace

std::string EscapeProfileValue(std::string_view value, const StorableCharacter& storable)
{
    if (!value.starts_with(kEscapedValueMarker) && StoredAsItIs(value, storable))
        return std::string(value);
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string stored(kEscapedValueMarker);
    stored.reserve(stored.size() + value.size() * 3);
    for (std::size_t i = 0; i < value.size();) {
        const std::size_t length = Utf8SequenceAt(value, i);
        if (length > 0 && value[i] != '%' && storable(value.substr(i, length))) {
            stored.append(value.substr(i, length));
            i += length;
            continue;
        }
        // A character the file cannot hold goes byte by byte, so it reads
        // back as the same UTF-8; a stray byte goes alone.
        for (const std::size_t end = i + std::max<std::size_t>(length, 1); i < end; ++i) {
            const auto byte = static_cast<unsigned char>(value[i]);
            stored.append({'%', kHex[byte >> 4], kHex[byte & 0x0F]});
        }
    }
    return stored;
}

std::string UnescapeProfileValue(std::string_view stored)
{
    if (!stored.starts_with(kEscapedValueMarker))
        return std::string(stored);
    stored.remove_prefix(kEscapedValueMarker.size());
    std::string value;
    value.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const bool escape = stored[i] == '%' && i + 2 < stored.size() && HexDigitValue(stored[i + 1]) >= 0 &&
                            HexDigitValue(stored[i + 2]) >= 0;
        if (!escape) {
            value.push_back(stored[i]);
            continue;
        }
        value.push_back(static_cast<char>(HexDigitValue(stored[i + 1]) * 16 + HexDigitValue(stored[i + 2])));
        i += 2;
    }
    return value;
}

DecodedProfile DecodeProfileBytes(std::string_view bytes, const Cp932Decoder& cp932_to_utf8)
{
    DecodedProfile decoded;
    if (bytes.starts_with(kUtf8Bom)) {
        decoded.has_bom = true;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    if (IsValidUtf8(bytes))
        decoded.text.assign(bytes);
    else
        decoded.text = cp932_to_utf8(bytes);
    return decoded;
}

std::optional<std::string_view> FindValue(std::string_view text, std::string_view section, std::string_view key)
{
    const Location location = Locate(text, TrimBlanks(section), TrimBlanks(key));
    if (!location.key_line)
        return std::nullopt;
    return location.key.value;
}

std::optional<std::string> SetValue(std::string_view text, std::string_view section, std::string_view key,
                                    std::string_view value, std::string_view new_line_break)
{
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (!IsWritable(section, key, value))
        return std::nullopt;

    const std::string_view line_break = LineBreakStyle(text, new_line_break);
    const Location location = Locate(text, section, key);
    std::string result;
    result.reserve(text.size() + section.size() + key.size() + value.size() + 8);

    if (location.key_line) {
        // The key keeps the spelling the file gave it.
        result.append(text.substr(0, location.key_line->begin));
        result.append(location.key.name).append("=").append(value);
        result.append(text.substr(location.key_line->content_end));
    } else if (location.section_found) {
        const Line& previous = location.last_entry;
        result.append(text.substr(0, previous.end));
        if (previous.end == previous.content_end)  // the file ended without a line break
            result.append(line_break);
        result.append(key).append("=").append(value).append(line_break);
        result.append(text.substr(previous.end));
    } else {
        // A new section follows the last line directly, without a blank
        // line, as the profile API writes it.
        result.append(text);
        if (!text.empty() && text.back() != '\n' && text.back() != '\r')
            result.append(line_break);
        result.append("[").append(section).append("]").append(line_break);
        result.append(key).append("=").append(value).append(line_break);
    }
    return result;
}

std::string UnwritableReason(std::string_view value)
{
    if (HasLineBreakOrNul(value))
        return "Cannot hold a value with a line break or a NUL character";
    return "Cannot hold this section or key name";
}

std::uint32_t CopyProfileValue(std::string_view value, std::span<char> buffer)
{
    if (buffer.empty())
        return 0;
    const std::size_t count = std::min({value.size(), buffer.size() - 1, std::size_t{UINT32_MAX}});
    if (count > 0)  // an empty view may carry a null pointer, which memcpy must not see
        std::memcpy(buffer.data(), value.data(), count);
    buffer[count] = '\0';
    return static_cast<std::uint32_t>(count);
}

std::uint32_t ReadProfileValue(const ProfileBytesReader& read, std::string_view section, std::string_view key,
                               std::string_view default_value, std::span<char> buffer,
                               const Cp932Decoder& cp932_to_utf8)
{
    try {
        if (const std::optional<std::string> bytes = read()) {
            const DecodedProfile decoded = DecodeProfileBytes(*bytes, cp932_to_utf8);
            if (const std::optional<std::string_view> value = FindValue(decoded.text, section, key))
                return CopyProfileValue(UnescapeProfileValue(*value), buffer);
        }
    } catch (const std::exception&) {
        // Only allocation fails here (a large file in a small memory).
    }
    return CopyProfileValue(default_value, buffer);
}

}  // namespace nuvra::common_platform
