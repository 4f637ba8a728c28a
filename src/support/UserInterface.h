#pragma once
// What the core asks of a front end (the Qt windows, the console): message
// boxes, the progress window's handler and the message pump. The core never
// talks to a GUI toolkit directly.

#include <cstdint>
#include <string>

#include "support/MessageDialog.h"

namespace xxj {

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Size of a dialog text in the model's font (宋体 9 pt), one line per text
  // line, tabs expanded.
  virtual TextExtent MeasureDialogText(const std::string& gbkText) = 0;
  // Shows the dialog modally; returns the result of the button that closed
  // it, kIdCancel when it was closed otherwise.
  virtual int ShowDialog(const MessageDialogModel& model) = 0;
  // Handles every pending window message, so windows repaint during long work.
  virtual void ProcessMessages() = 0;
  // The main window's handler of the progress message: wParam as encoded by
  // PostProgress, text a NUL-terminated GBK text valid only during the call.
  virtual void HandleImportProgress(uint32_t wParam, const char* text) = 0;
};

// The front end in charge, or nullptr in a run without one: dialogs then
// take their default result and progress goes nowhere.
UserInterface* CurrentUserInterface();

// Installs a front end for the life of the object, then restores the
// previous one.
class ScopedUserInterface {
 public:
  explicit ScopedUserInterface(UserInterface& ui);
  ~ScopedUserInterface();
  ScopedUserInterface(const ScopedUserInterface&) = delete;
  ScopedUserInterface& operator=(const ScopedUserInterface&) = delete;

 private:
  UserInterface* previous_;
};

}  // namespace xxj
