#pragma once
// Small text and number routines shared by the import engines and the row
// model. Texts are GBK; only ASCII letters fold case.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xxj {

// 1-based position of part in text, 0 when absent (also for an empty part,
// which is found nowhere). With ignoreCase ASCII letters fold to upper case.
int PosText(std::string_view part, std::string_view text, bool ignoreCase);

// The text without the characters with codes up to 32 at both ends.
std::string_view TrimText(std::string_view text);

// Equal after trimming characters with codes up to 32 at both ends, ASCII
// letters compared without regard to case.
bool SameTextTrimmed(std::string_view a, std::string_view b);

// Splits text at every delimiter into list. A text that is blank leaves the
// list untouched; otherwise the list is replaced by the pieces, empty ones only
// when keepEmpty. A trailing delimiter ends the last piece rather than
// starting an empty one. An empty delimiter yields the whole text as one piece.
void SplitText(std::string_view text, std::string_view delimiter, std::vector<std::string>& list,
               bool keepEmpty);

// 32-bit integer with leading blanks, a sign, and "$", "x" or "0x" for
// hexadecimal; true only when the whole text was read.
bool TryParseInt(std::string_view text, int32_t& value);

// Decimal number with optional exponent, "." as separator whatever the
// locale; true only when the whole text was read and it does not start with
// an exponent.
bool TryParseFloat(std::string_view text, double& value);

// x rounded half away from zero to the given count of decimal digits (none
// when digits <= 0); magnitudes below 1e-7 give 0.
double RoundToDigits(int digits, double x);

}  // namespace xxj
