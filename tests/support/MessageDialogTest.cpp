#include "support/MessageDialog.h"

#include <gtest/gtest.h>

#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "testutil/RecordingUserInterface.h"

namespace xxj {
namespace {

MeasureDialogText FixedSize(int width, int height) {
  return [=](const std::string&) { return TextExtent{width, height}; };
}

std::vector<int> Results(const MessageDialogModel& model) {
  std::vector<int> results;
  for (const auto& button : model.buttons) results.push_back(button.result);
  return results;
}

TEST(MessageDialog, ButtonSetsTabOrderAndFocus) {
  const struct {
    uint32_t flags;
    std::vector<int> results;
    std::vector<int> tabOrder;
    int focus;
  } cases[] = {
      {0x0, {1}, {0}, 0},
      {0x1, {1, 2}, {1, 0}, 0},
      {0x2, {3, 4, 5}, {0, 1, 2}, 0},
      {0x3, {6, 7, 2}, {0, 1, 2}, 0},
      {0x4, {6, 7}, {0, 1}, 0},
      {0x5, {4, 2}, {0, 1}, 0},
      {0x6, {3, 5}, {0, 1}, 0},
      {0x7, {1}, {0}, 0},
      {0xF, {1}, {0}, 0},
      {0x124, {6, 7}, {0, 1}, 1},
      {0x203, {6, 7, 2}, {0, 1, 2}, 2},
      // A default button beyond the set gets no focus.
      {0x204, {6, 7}, {0, 1}, -1},
      {0x300, {1}, {0}, -1},
  };
  for (const auto& c : cases) {
    const MessageDialogModel model = BuildMessageDialog("t", "c", c.flags, FixedSize(10, 10));
    EXPECT_EQ(Results(model), c.results) << std::hex << c.flags;
    EXPECT_EQ(model.tabOrder, c.tabOrder) << std::hex << c.flags;
    EXPECT_EQ(model.focusButton, c.focus) << std::hex << c.flags;
  }
}

TEST(MessageDialog, CaptionsAndIcons) {
  const MessageDialogModel yesNo = BuildMessageDialog("t", "c", 0x124, FixedSize(10, 10));
  ASSERT_EQ(yesNo.buttons.size(), 2u);
  EXPECT_EQ(yesNo.buttons[0].caption, Gbk("是"));
  EXPECT_EQ(yesNo.buttons[1].caption, Gbk("否"));
  EXPECT_EQ(yesNo.icon, DialogIcon::Question);
  EXPECT_EQ(yesNo.DefaultResult(), kIdNo);
  EXPECT_EQ(yesNo.fontName, Gbk("宋体"));
  EXPECT_EQ(yesNo.fontPointSize, 9);

  const MessageDialogModel all = BuildMessageDialog("t", "c", 0x2, FixedSize(10, 10));
  const MessageDialogModel yesNoCancel = BuildMessageDialog("t", "c", 0x3, FixedSize(10, 10));
  const MessageDialogModel okCancel = BuildMessageDialog("t", "c", 0x1, FixedSize(10, 10));
  std::vector<std::string> captions;
  for (const auto* m : {&okCancel, &all, &yesNoCancel})
    for (const auto& b : m->buttons) captions.push_back(Utf8FromGbk(b.caption));
  EXPECT_EQ(captions,
            (std::vector<std::string>{"确定", "取消", "终止", "重试", "忽略", "是", "否", "取消"}));

  const struct {
    uint32_t flags;
    DialogIcon icon;
  } icons[] = {{0x00, DialogIcon::None},        {0x10, DialogIcon::Error},
               {0x20, DialogIcon::Question},    {0x30, DialogIcon::Warning},
               {0x40, DialogIcon::Information}, {0x50, DialogIcon::None}};
  for (const auto& c : icons)
    EXPECT_EQ(BuildMessageDialog("t", "c", c.flags, FixedSize(1, 1)).icon, c.icon) << c.flags;
}

TEST(MessageDialog, GeometryFollowsTheMeasuredText) {
  // No icon, one button wider than the text.
  const MessageDialogModel small = BuildMessageDialog("abc", "c", 0, FixedSize(18, 12));
  EXPECT_EQ(small.clientWidth, 97);
  EXPECT_EQ(small.clientHeight, 65);
  EXPECT_EQ(small.textBounds, (DialogRect{16, 10, 18, 12}));
  EXPECT_EQ(small.iconBounds, DialogRect{});
  EXPECT_EQ(small.buttons[0].bounds, (DialogRect{16, 32, 65, 23}));

  // Question icon with a wide, low text: the icon sets the height.
  const MessageDialogModel wide = BuildMessageDialog("t", "c", 0x124, FixedSize(300, 12));
  EXPECT_EQ(wide.clientWidth, 372);
  EXPECT_EQ(wide.clientHeight, 90);
  EXPECT_EQ(wide.iconBounds, (DialogRect{16, 10, 32, 32}));
  EXPECT_EQ(wide.textBounds, (DialogRect{56, 15, 300, 12}));
  EXPECT_EQ(wide.buttons[0].bounds, (DialogRect{117, 57, 65, 23}));
  EXPECT_EQ(wide.buttons[1].bounds, (DialogRect{190, 57, 65, 23}));

  // Icon with a tall text: the text sets the height; three buttons set the width.
  const MessageDialogModel tall = BuildMessageDialog("t", "c", 0x33, FixedSize(100, 60));
  EXPECT_EQ(tall.clientWidth, 243);   // 3 * 65 + 2 * 8 + 32
  EXPECT_EQ(tall.clientHeight, 118);  // 65 + 30 + 23
  EXPECT_EQ(tall.textBounds, (DialogRect{56, 15, 100, 60}));
  EXPECT_EQ(tall.buttons[0].bounds.left, 16);
  EXPECT_EQ(tall.buttons[2].bounds, (DialogRect{162, 85, 65, 23}));
}

TEST(MessageDialog, ShownThroughTheUserInterface) {
  testing::RecordingUserInterface ui;
  ui.ScriptAnswers({kIdYes});
  const std::string text = Gbk("是否继续？\n第二行");
  EXPECT_EQ(ShowMessageDialog(text, Gbk("提示"), 0x24), kIdYes);
  // Unscripted: the focused button.
  EXPECT_EQ(MessageDialog(text, Gbk("提示"), 0x124), kIdNo);
  ASSERT_EQ(ui.dialogs.size(), 2u);
  EXPECT_EQ(ui.dialogs[0].text, text);
  EXPECT_EQ(ui.dialogs[0].caption, Gbk("提示"));
  // The fake measures 6 px per byte of the longest line and 12 per line.
  EXPECT_EQ(ui.dialogs[0].textBounds, (DialogRect{56, 15, 60, 24}));
  // Only ShowMessageDialog pumps messages, and before the box.
  EXPECT_EQ(ui.events, (std::vector<std::string>{"pump", "dialog", "dialog"}));
}

TEST(MessageDialog, ErrorBoxesAndTheSilentAbort) {
  testing::RecordingUserInterface ui;
  ShowErrorDialog(Gbk("导入信息价失败："), Gbk("错误"));
  EXPECT_THROW(ShowErrorAndAbort("bad", Gbk("错误")), EAbort);
  ASSERT_EQ(ui.dialogs.size(), 2u);
  for (const auto& d : ui.dialogs) {
    EXPECT_EQ(d.icon, DialogIcon::Error);
    ASSERT_EQ(d.buttons.size(), 1u);
    EXPECT_EQ(d.buttons[0].caption, Gbk("确定"));
  }
  EXPECT_EQ(ui.dialogs[1].text, "bad");
  try {
    ShowErrorAndAbort("x", "y");
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Operation aborted");
  }
}

TEST(MessageDialog, WithoutUserInterfaceTheDefaultAnswers) {
  EXPECT_EQ(MessageDialog("t", "c", 0x124), kIdNo);
  EXPECT_EQ(MessageDialog("t", "c", 0x4), kIdYes);
  EXPECT_EQ(ShowMessageDialog("t", "c", 0x1), kIdOk);
  // No valid default: the first button in tab order, Cancel for OK/Cancel.
  EXPECT_EQ(MessageDialog("t", "c", 0x301), kIdCancel);
  EXPECT_THROW(ShowErrorAndAbort("t", "c"), EAbort);
}

}  // namespace
}  // namespace xxj
