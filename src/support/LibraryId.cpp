#include "support/LibraryId.h"

#include <limits>
#include <string>

namespace xxj {

int32_t LibraryIdMajor(int32_t id) {
  return id / 10000;
}

int32_t LibraryIdMiddle(int32_t id) {
  if (id < 0) return -1;
  return id / 100 - (id / 10000) * 100;
}

bool IsBillLibraryId(int32_t id) {
  const int32_t middle = LibraryIdMiddle(id);
  return middle == 10 || (id >= 1 && middle == 0);
}

int32_t NormalizeLibraryId(int32_t id) {
  const int32_t major = LibraryIdMajor(id);
  if (major == 2601 || major == 601) return id;
  const std::string digits = std::to_string(id);
  const char secondToLast = digits.size() >= 2 ? digits[digits.size() - 2] : digits[0];
  if (secondToLast == '0') return id;
  const int64_t widened = int64_t{id / 10} * 100 + id % 10;
  // A damaged header can hold an id too long to widen; keep it rather than
  // let it wrap into some other library's id.
  if (widened > std::numeric_limits<int32_t>::max() ||
      widened < std::numeric_limits<int32_t>::min())
    return id;
  return static_cast<int32_t>(widened);
}

}  // namespace xxj
