// Text-to-number conversions with the runtime's rules.
//
// ParseNumber is the locale's ordinary conversion of a whole text (what
// LoadSettings and the dialog use); ReadNumberPrefix is the lenient reading of
// a number at the start of a text (the preview handle). Integer results round
// half to even unless a caller floors first; out-of-range values fail.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nuvra {

// The whole text must be one number: optional blanks, a sign, digits with an
// optional decimal point, an optional exponent (E or D, optional sign),
// optional blanks; or &H / &O followed by hexadecimal / octal digits.
std::optional<double> ParseNumber(std::string_view text);

// Blanks and tabs are skipped wherever they stand; reading stops at the first
// character that cannot continue the number; no number at all gives 0.
double ReadNumberPrefix(std::string_view text);

// Round half to even into the range of the target type; nothing when the
// value does not fit.
std::optional<std::int16_t> RoundToInt16(double value);
std::optional<std::int32_t> RoundToInt32(double value);

// The two settings rules: F floors the number first, R rounds half to even.
std::optional<std::int16_t> ConvertFloorInt16(std::string_view text);
std::optional<std::int16_t> ConvertRoundInt16(std::string_view text);

// A 16-bit value as the ordinary integer-to-text conversion writes it.
std::string IntegerText(std::int16_t value);

}  // namespace nuvra
