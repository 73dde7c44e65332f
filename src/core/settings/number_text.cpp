#include "settings/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace nuvra {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int DigitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// A decimal number split into its parts, ready for from_chars.
struct DecimalParts {
    bool negative = false;
    std::string mantissa;      // digits with at most one '.', never empty of digits
    long long exponent = 0;
    bool has_exponent = false;
};

// Reads a decimal number at the start of text (blanks already handled) and
// returns how many characters it took, 0 when there is no number. A dangling
// "E" or "E+" without digits is not part of the number.
std::size_t ReadDecimal(std::string_view text, DecimalParts& parts)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        parts.negative = text[i] == '-';
        ++i;
    }
    bool digits = false;
    bool point = false;
    while (i < text.size()) {
        if (IsDigit(text[i])) {
            digits = true;
            parts.mantissa.push_back(text[i]);
        } else if (text[i] == '.' && !point) {
            point = true;
            parts.mantissa.push_back('.');
        } else {
            break;
        }
        ++i;
    }
    if (!digits)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        bool exponent_negative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            exponent_negative = text[j] == '-';
            ++j;
        }
        std::size_t first_digit = j;
        long long exponent = 0;
        while (j < text.size() && IsDigit(text[j])) {
            // Saturate: anything past a few hundred is already out of range.
            if (exponent < 100000)
                exponent = exponent * 10 + (text[j] - '0');
            ++j;
        }
        if (j > first_digit) {
            parts.exponent = exponent_negative ? -exponent : exponent;
            parts.has_exponent = true;
            i = j;
        }
    }
    return i;
}

std::optional<double> ToDouble(const DecimalParts& parts)
{
    std::string text = parts.mantissa;
    if (parts.has_exponent) {
        text.push_back('e');
        text += std::to_string(parts.exponent);
    }
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        // from_chars reports underflow and overflow alike; a tiny value is
        // simply zero, a huge one does not fit.
        bool all_zero = parts.mantissa.find_first_not_of("0.") == std::string::npos;
        long long magnitude = parts.exponent;
        std::size_t point = parts.mantissa.find('.');
        std::size_t first_nonzero = parts.mantissa.find_first_not_of("0.");
        if (!all_zero) {
            long long integer_digits = static_cast<long long>(point == std::string::npos ? parts.mantissa.size() : point);
            magnitude += integer_digits - static_cast<long long>(first_nonzero);
        }
        if (all_zero || magnitude < 0)
            return parts.negative ? -0.0 : 0.0;
        return std::nullopt;
    }
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return parts.negative ? -value : value;
}

// &H and &O numbers are 32-bit two's complement values, as the runtime reads them.
std::optional<double> ReadRadix(std::string_view digits, int base, std::size_t& consumed)
{
    std::uint64_t value = 0;
    consumed = 0;
    while (consumed < digits.size()) {
        int digit = DigitValue(digits[consumed], base);
        if (digit < 0)
            break;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
        ++consumed;
    }
    if (consumed == 0)
        return std::nullopt;
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

int RadixOf(std::string_view text)
{
    if (text.size() < 2 || text[0] != '&')
        return 0;
    if (text[1] == 'h' || text[1] == 'H')
        return 16;
    if (text[1] == 'o' || text[1] == 'O')
        return 8;
    return 0;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    std::string_view body = text.substr(begin, end - begin);
    if (int base = RadixOf(body); base != 0) {
        std::size_t consumed = 0;
        auto value = ReadRadix(body.substr(2), base, consumed);
        if (!value || consumed != body.size() - 2)
            return std::nullopt;
        return value;
    }
    DecimalParts parts;
    if (ReadDecimal(body, parts) != body.size() || body.empty())
        return std::nullopt;
    return ToDouble(parts);
}

double ReadNumberPrefix(std::string_view text)
{
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (!IsBlank(c) && c != '\n' && c != '\r')
            compact.push_back(c);
    }
    std::string_view body = compact;
    if (int base = RadixOf(body); base != 0) {
        std::size_t consumed = 0;
        return ReadRadix(body.substr(2), base, consumed).value_or(0.0);
    }
    DecimalParts parts;
    if (ReadDecimal(body, parts) == 0)
        return 0.0;
    return ToDouble(parts).value_or(0.0);
}

namespace {

template <typename Int>
std::optional<Int> RoundInto(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint uses the default rounding mode, round half to even.
    double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

}  // namespace

std::optional<std::int16_t> RoundToInt16(double value)
{
    return RoundInto<std::int16_t>(value);
}

std::optional<std::int32_t> RoundToInt32(double value)
{
    return RoundInto<std::int32_t>(value);
}

std::optional<std::int16_t> ConvertFloorInt16(std::string_view text)
{
    auto value = ParseNumber(text);
    if (!value)
        return std::nullopt;
    return RoundToInt16(std::floor(*value));
}

std::optional<std::int16_t> ConvertRoundInt16(std::string_view text)
{
    auto value = ParseNumber(text);
    if (!value)
        return std::nullopt;
    return RoundToInt16(*value);
}

std::string IntegerText(std::int16_t value)
{
    return std::to_string(value);
}

}  // namespace nuvra
