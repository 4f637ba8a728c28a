#include "support/NumberText.h"

#include <charconv>
#include <cmath>

#include "support/TextEncoding.h"

namespace xxj {
namespace {

bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string FloatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  // to_chars, unlike printf, ignores the locale: a price written under a
  // comma-decimal locale must still read back everywhere.
  char buffer[40];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  // It writes "1.5e-05" / "1e+20"; the platform writes "1.5E-5" / "1E20".
  std::string text = UpperAscii(std::string_view(buffer, result.ptr - buffer));
  const size_t e = text.find('E');
  if (e == std::string::npos) return text;
  std::string mantissa = text.substr(0, e);
  const char sign = text[e + 1];
  size_t digits = e + 2;
  while (digits + 1 < text.size() && text[digits] == '0') ++digits;
  return mantissa + "E" + (sign == '-' ? "-" : "") + text.substr(digits);
}

std::string IntToStr(int64_t value) {
  return std::to_string(value);
}

bool TryStrToInt(std::string_view text, int32_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0 || digit >= base) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > 0xFFFFFFFFull) return false;
  }
  if (base == 10) {
    const uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    if (magnitude > limit) return false;
    value = static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                          : static_cast<int64_t>(magnitude));
    return true;
  }
  // Hexadecimal digits give the 32-bit pattern, as the platform reads "$FFFFFFFF" as -1.
  const auto bits = static_cast<uint32_t>(magnitude);
  value = static_cast<int32_t>(negative ? 0u - bits : bits);
  return true;
}

bool TryStrToFloat(std::string_view text, double& value) {
  text = TrimBlanks(text);
  if (text.empty()) return false;
  // from_chars rejects a leading "+"; accept it as the platform does.
  std::string_view body = text;
  bool negative = false;
  if (body.front() == '+' || body.front() == '-') {
    negative = body.front() == '-';
    body.remove_prefix(1);
  }
  if (body.empty() ||
      !(std::isdigit(static_cast<unsigned char>(body.front())) || body.front() == '.'))
    return false;
  double parsed = 0;
  const auto [end, ec] =
      std::from_chars(body.data(), body.data() + body.size(), parsed, std::chars_format::general);
  if (ec != std::errc() || end != body.data() + body.size()) return false;
  value = negative ? -parsed : parsed;
  return true;
}

int64_t RoundHalfEven(double value) {
  return static_cast<int64_t>(std::nearbyint(value));
}

}  // namespace xxj
