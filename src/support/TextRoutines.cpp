#include "support/TextRoutines.h"

#include <cmath>

#include "support/NumberText.h"
#include "support/TextEncoding.h"

namespace xxj {

std::string_view TrimText(std::string_view text) {
  const auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && isControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && isControl(text.back())) text.remove_suffix(1);
  return text;
}

int PosText(std::string_view part, std::string_view text, bool ignoreCase) {
  if (part.empty()) return 0;
  const size_t found = ignoreCase ? UpperAscii(text).find(UpperAscii(part)) : text.find(part);
  return found == std::string_view::npos ? 0 : static_cast<int>(found) + 1;
}

bool SameTextTrimmed(std::string_view a, std::string_view b) {
  return SameTextAscii(TrimText(a), TrimText(b));
}

void SplitText(std::string_view text, std::string_view delimiter, std::vector<std::string>& list,
               bool keepEmpty) {
  if (TrimText(text).empty()) return;
  list.clear();
  // Without a delimiter there is nothing to split at; searching for an empty
  // one would never advance.
  if (delimiter.empty()) {
    list.emplace_back(text);
    return;
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(delimiter, start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start || keepEmpty) list.emplace_back(text.substr(start, end - start));
    start = end + delimiter.size();
  }
}

bool TryParseInt(std::string_view text, int32_t& value) {
  return TryStrToInt(text, value);
}

bool TryParseFloat(std::string_view text, double& value) {
  if (!text.empty() && (text.front() == 'E' || text.front() == 'e')) return false;
  return TryStrToFloat(text, value);
}

double RoundToDigits(int digits, double x) {
  const double a = std::fabs(x);
  const bool negative = !(x > 0);
  if (a < 1e-7) return 0;
  const double p = digits <= 0 ? 1 : std::pow(10.0, digits);
  const double result = std::trunc(a * p + 0.5 + 1e-7) / p;
  return negative ? -result : result;
}

}  // namespace xxj
