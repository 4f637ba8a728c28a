#pragma once
// A front end for tests: records every dialog, progress message and message
// pump, and answers dialogs with scripted button numbers.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "support/UserInterface.h"

namespace xxj::testing {

class RecordingUserInterface : public UserInterface {
 public:
  struct Progress {
    uint32_t wParam = 0;
    std::string text;  // GBK, copied: the sender reuses its buffer
    uint16_t Low() const { return wParam & 0xFFFF; }
    uint16_t High() const { return wParam >> 16; }
  };

  // Installs itself as the current user interface for its lifetime.
  RecordingUserInterface();

  // Answers for the next dialogs, in order; once they run out a dialog takes
  // its default result.
  void ScriptAnswers(std::initializer_list<int> results);

  // A fixed measure: 6 pixels per byte of the longest line, 12 per line.
  TextExtent MeasureDialogText(const std::string& gbkText) override;
  int ShowDialog(const MessageDialogModel& model) override;
  void ProcessMessages() override;
  void HandleImportProgress(uint32_t wParam, const char* text) override;

  std::vector<MessageDialogModel> dialogs;
  std::vector<Progress> progress;
  // "dialog", "progress" and "pump" in the order they happened.
  std::vector<std::string> events;

 private:
  std::deque<int> answers_;
  ScopedUserInterface scope_;
};

}  // namespace xxj::testing
