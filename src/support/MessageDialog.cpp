#include "support/MessageDialog.h"

#include <algorithm>

#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "support/UserInterface.h"

namespace xxj {
namespace {

constexpr int kMarginX = 16;
constexpr int kMarginY = 10;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 23;
constexpr int kButtonSpacing = 8;

DialogIcon IconOf(uint32_t flags) {
  switch (flags & 0xF0) {
    case kMbIconWarning:
      return DialogIcon::Warning;
    case kMbIconError:
      return DialogIcon::Error;
    case kMbIconQuestion:
      return DialogIcon::Question;
    case kMbIconInformation:
      return DialogIcon::Information;
    default:
      return DialogIcon::None;
  }
}

std::vector<int> ButtonResultsOf(uint32_t flags) {
  switch (flags & 0xF) {
    case kMbOkCancel:
      return {kIdOk, kIdCancel};
    case kMbAbortRetryIgnore:
      return {kIdAbort, kIdRetry, kIdIgnore};
    case kMbYesNoCancel:
      return {kIdYes, kIdNo, kIdCancel};
    case kMbYesNo:
      return {kIdYes, kIdNo};
    case kMbRetryCancel:
      return {kIdRetry, kIdCancel};
    case kMbAbortIgnore:
      return {kIdAbort, kIdIgnore};
    default:
      return {kIdOk};
  }
}

std::string ButtonCaption(int result) {
  switch (result) {
    case kIdOk:
      return Gbk("确定");
    case kIdCancel:
      return Gbk("取消");
    case kIdAbort:
      return Gbk("终止");
    case kIdRetry:
      return Gbk("重试");
    case kIdIgnore:
      return Gbk("忽略");
    case kIdYes:
      return Gbk("是");
    case kIdNo:
      return Gbk("否");
    default:
      return {};
  }
}

}  // namespace

int MessageDialogModel::DefaultResult() const {
  if (focusButton >= 0 && focusButton < static_cast<int>(buttons.size()))
    return buttons[focusButton].result;
  if (!tabOrder.empty()) return buttons[tabOrder.front()].result;
  return kIdCancel;
}

MessageDialogModel BuildMessageDialog(const std::string& text, const std::string& caption,
                                      uint32_t flags, const MeasureDialogText& measure) {
  MessageDialogModel model;
  model.caption = caption;
  model.text = text;
  model.fontName = Gbk("宋体");
  model.fontPointSize = 9;

  const TextExtent measured = measure ? measure(text) : TextExtent{};
  int w = measured.width;
  int h = measured.height;
  model.icon = IconOf(flags);
  if (model.icon != DialogIcon::None) {
    h = std::max(h, kIconSize) + 5;
    w += 40;
    model.iconBounds = {kMarginX, kMarginY, kIconSize, kIconSize};
  }

  const std::vector<int> results = ButtonResultsOf(flags);
  const int count = static_cast<int>(results.size());
  const int buttonsWidth = count * kButtonWidth + (count - 1) * kButtonSpacing;
  model.clientWidth = std::max(w, buttonsWidth) + 2 * kMarginX;
  model.clientHeight = h + 3 * kMarginY + kButtonHeight;

  // The label keeps its measured size; with an icon it moves right of it and
  // slightly down, to sit level with the icon's middle.
  const int textTop = model.icon != DialogIcon::None ? 15 : kMarginY;
  model.textBounds = {w - measured.width + kMarginX, textTop, measured.width, measured.height};

  const int buttonsTop = h + 20;
  int left = (model.clientWidth - buttonsWidth) / 2;
  for (const int result : results) {
    model.buttons.push_back(
        {ButtonCaption(result), result, {left, buttonsTop, kButtonWidth, kButtonHeight}});
    left += kButtonWidth + kButtonSpacing;
  }
  for (int i = 0; i < count; ++i) model.tabOrder.push_back(i);
  // OK/Cancel boxes put Cancel first in tab order.
  if ((flags & 0xF) == kMbOkCancel) model.tabOrder = {1, 0};

  const int focus = static_cast<int>((flags >> 8) & 0xF);
  model.focusButton = focus < count ? focus : -1;
  return model;
}

int MessageDialog(const std::string& text, const std::string& caption, uint32_t flags) {
  UserInterface* ui = CurrentUserInterface();
  if (ui == nullptr) return BuildMessageDialog(text, caption, flags, nullptr).DefaultResult();
  const MessageDialogModel model = BuildMessageDialog(
      text, caption, flags, [ui](const std::string& t) { return ui->MeasureDialogText(t); });
  return ui->ShowDialog(model);
}

int ShowMessageDialog(const std::string& text, const std::string& caption, uint32_t flags) {
  if (UserInterface* ui = CurrentUserInterface()) ui->ProcessMessages();
  return MessageDialog(text, caption, flags);
}

void ShowErrorDialog(const std::string& text, const std::string& caption) {
  ShowMessageDialog(text, caption, kMbIconError);
}

void ShowErrorAndAbort(const std::string& text, const std::string& caption) {
  ShowErrorDialog(text, caption);
  Abort();
}

}  // namespace xxj
