#include "support/Progress.h"

#include <cstring>

#include "support/UserInterface.h"

namespace xxj {
namespace {

// The one text buffer of every progress message: valid only while a message
// is handled, which is safe because each is handled before the next is sent.
char progressText[256];

// The longest prefix of at most limit bytes that does not end inside a
// double-byte GBK character, so the window never shows half a character.
size_t GbkCut(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text.size();
  size_t i = 0;
  while (i < limit) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t length = (c >= 0x81 && c <= 0xFE) ? 2 : 1;
    if (i + length > limit) break;
    i += length;
  }
  return i;
}

}  // namespace

uint32_t ProgressWParam(int position, int total) {
  if (position >= 1 && total >= 1 && position < total) {
    // In integers: exact, and always 0 to 999 because position < total.
    const auto perThousand = static_cast<uint32_t>(int64_t{position} * 1000 / total);
    return perThousand << 16 | 1000u;
  }
  return 1u << 16 | 1u;
}

void PostProgress(std::string_view text, int position, int total) {
  UserInterface* ui = CurrentUserInterface();
  if (ui == nullptr) return;
  const size_t length = GbkCut(text, kProgressTextLimit);
  if (length > 0) std::memcpy(progressText, text.data(), length);
  progressText[length] = '\0';
  ui->HandleImportProgress(ProgressWParam(position, total), progressText);
}

void PostProgressPosition(int position, int total) {
  PostProgress({}, position, total);
}

}  // namespace xxj
