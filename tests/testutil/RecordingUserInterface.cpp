#include "testutil/RecordingUserInterface.h"

#include <algorithm>

namespace xxj::testing {

RecordingUserInterface::RecordingUserInterface() : scope_(*this) {}

void RecordingUserInterface::ScriptAnswers(std::initializer_list<int> results) {
  answers_.insert(answers_.end(), results.begin(), results.end());
}

TextExtent RecordingUserInterface::MeasureDialogText(const std::string& gbkText) {
  int lines = 0;
  size_t longest = 0;
  size_t start = 0;
  while (start <= gbkText.size()) {
    size_t end = gbkText.find('\n', start);
    if (end == std::string::npos) end = gbkText.size();
    std::string line = gbkText.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    longest = std::max(longest, line.size());
    ++lines;
    start = end + 1;
  }
  return {static_cast<int>(longest) * 6, lines * 12};
}

int RecordingUserInterface::ShowDialog(const MessageDialogModel& model) {
  dialogs.push_back(model);
  events.push_back("dialog");
  if (answers_.empty()) return model.DefaultResult();
  const int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void RecordingUserInterface::ProcessMessages() {
  events.push_back("pump");
}

void RecordingUserInterface::HandleImportProgress(uint32_t wParam, const char* text) {
  progress.push_back({wParam, text});
  events.push_back("progress");
}

}  // namespace xxj::testing
