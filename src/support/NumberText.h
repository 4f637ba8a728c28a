#pragma once
// Number <-> text conversions of the system, in one place. The decimal
// separator is always "." whatever the locale: prices written by one machine
// must read back the same on every other.

#include <cstdint>
#include <string>
#include <string_view>

namespace xxj {

// The 15-significant-digit general float format: "0.1", "1234.5", "1E20",
// "1.5E-5", "-2.35"; "NAN", "INF", "-INF".
std::string FloatToStr(double value);

// Decimal integer text.
std::string IntToStr(int64_t value);

// 32-bit integer: leading blanks, an optional sign, and "$", "x" or "0x" for
// hexadecimal digits; true only when the whole text was read and fits.
bool TryStrToInt(std::string_view text, int32_t& value);

// Decimal number with optional fraction and exponent; blanks around it are
// allowed; true only when the whole text was read.
bool TryStrToFloat(std::string_view text, double& value);

// Round half to even, as the platform converts a float to an integer.
int64_t RoundHalfEven(double value);

}  // namespace xxj
