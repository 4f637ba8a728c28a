#pragma once
// The message box of the installer: Chinese button captions, the platform's
// message-box flags, and a layout every front end draws the same way. The
// model is computed here from the measured text; the front end only measures
// text and draws what the model says.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace xxj {

// Flags, as the platform's message boxes take them: low 4 bits the buttons,
// bits 4 to 7 the icon, bits 8 to 11 the default button.
enum MessageBoxFlag : uint32_t {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbAbortRetryIgnore = 0x2,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbRetryCancel = 0x5,
  kMbAbortIgnore = 0x6,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbDefButton2 = 0x100,
  kMbDefButton3 = 0x200,
};

// Button numbers, which are also the dialog's results.
enum DialogResult : int {
  kIdOk = 1,
  kIdCancel = 2,  // also the result of closing the dialog without a button
  kIdAbort = 3,
  kIdRetry = 4,
  kIdIgnore = 5,
  kIdYes = 6,
  kIdNo = 7,
};

enum class DialogIcon { None, Warning, Error, Question, Information };

struct DialogRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const DialogRect&) const = default;
};

struct DialogButton {
  std::string caption;  // GBK
  int result = 0;
  DialogRect bounds;
};

// Size of a text as drawn in the dialog font, one line per text line, tabs
// expanded.
struct TextExtent {
  int width = 0;
  int height = 0;
};
using MeasureDialogText = std::function<TextExtent(const std::string& gbkText)>;

// Everything a front end needs to show the dialog: modal, always on top,
// fixed dialog border, centred on the screen. Coordinates are client pixels.
struct MessageDialogModel {
  std::string caption;   // GBK
  std::string text;      // GBK
  std::string fontName;  // GBK, "宋体"
  int fontPointSize = 9;
  DialogIcon icon = DialogIcon::None;
  DialogRect iconBounds;  // empty without an icon
  DialogRect textBounds;  // a word-wrapping label
  int clientWidth = 0;
  int clientHeight = 0;
  std::vector<DialogButton> buttons;  // left to right
  std::vector<int> tabOrder;          // indexes into buttons
  int focusButton = -1;               // index into buttons; -1 for none

  // What the dialog answers when confirmed without a choice (and what a run
  // without a user interface takes): the focused button, else the first in
  // tab order.
  int DefaultResult() const;
};

MessageDialogModel BuildMessageDialog(const std::string& text, const std::string& caption,
                                      uint32_t flags, const MeasureDialogText& measure);

// Shows the dialog through the current user interface and returns the number
// of the button that closed it (kIdCancel when closed otherwise). Without a
// user interface it returns the dialog's default result.
int MessageDialog(const std::string& text, const std::string& caption, uint32_t flags);
// Lets pending window messages through first, so the window behind the box
// is painted.
int ShowMessageDialog(const std::string& text, const std::string& caption, uint32_t flags);
// An error box with one "确定" button.
void ShowErrorDialog(const std::string& text, const std::string& caption);
// Shows the error, then unwinds the caller with the silent abort, so no
// further message is shown for it.
[[noreturn]] void ShowErrorAndAbort(const std::string& text, const std::string& caption);

}  // namespace xxj
