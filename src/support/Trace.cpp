#include "support/Trace.h"

#include <string>

#include "platform/Machine.h"
#include "support/TextEncoding.h"

namespace xxj {

void TraceLine(std::u16string_view text) {
  if (text.empty()) return;
  CurrentMachine().SendTrace(std::u16string(text));
}

void TraceLine(std::string_view gbkText) {
  if (gbkText.empty()) return;
  CurrentMachine().SendTrace(Utf16FromGbk(gbkText));
}

}  // namespace xxj
