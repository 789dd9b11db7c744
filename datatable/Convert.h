// Reading cell texts as numbers and Booleans, and writing numbers as texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stp {

// Reads a signed 32-bit integer: leading blanks, an optional sign, then decimal digits
// or hexadecimal digits after "$", "x", "X", "0x" or "0X". The digits must run to the
// end of the text and the signed value must lie in the 32-bit range. Empty otherwise.
std::optional<std::int32_t> ParseInteger(std::u16string_view s);

// Reads a decimal number in the fixed, locale-independent syntax
//   blanks* [+|-] (digits [. digits*] | . digits) [(e|E) [+|-] digits] blanks*
// and tells whether it is non-zero. Non-zero means some mantissa digit is not 0, so no
// exponent can make a written non-zero value round to zero or overflow. Empty when the
// text is not a number in that syntax.
std::optional<bool> ParseNumberIsNonZero(std::u16string_view s);

// Reads a Boolean the way a cell does: a number is true when non-zero, else "True" or
// "False" ignoring ASCII case. Empty when the text is neither. The empty text is the
// caller's case.
std::optional<bool> ParseBoolean(std::u16string_view s);

// True when a and b have the same length and are equal after folding "a" to "z" to
// upper case; every other character must match exactly.
bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

// Decimal text of n: "-" for negatives, no leading zeros.
std::u16string IntegerToText(std::int32_t n);

}  // namespace stp
