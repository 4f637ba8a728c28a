#include "support/Progress.h"

#include <gtest/gtest.h>

#include "support/TextEncoding.h"
#include "testutil/RecordingUserInterface.h"

namespace xxj {
namespace {

TEST(Progress, PositionEncoding) {
  const struct {
    int position, total;
    uint16_t low, high;
  } cases[] = {
      {5, 10, 1000, 500},
      {1, 3, 1000, 333},
      {29, 100, 1000, 290},
      {999, 1000, 1000, 999},
      {1, 1000000, 1000, 0},
      {2147483646, 2147483647, 1000, 999},
      // No position: the window hides its bar.
      {10, 10, 1, 1},
      {0, 10, 1, 1},
      {5, 0, 1, 1},
      {11, 10, 1, 1},
      {-1, 10, 1, 1},
      {1, 1, 1, 1},
  };
  testing::RecordingUserInterface ui;
  for (const auto& c : cases) PostProgress("x", c.position, c.total);
  ASSERT_EQ(ui.progress.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(ui.progress[i].Low(), cases[i].low) << cases[i].position << "/" << cases[i].total;
    EXPECT_EQ(ui.progress[i].High(), cases[i].high) << cases[i].position << "/" << cases[i].total;
  }
}

TEST(Progress, TextReachesTheWindowCutAt254Bytes) {
  testing::RecordingUserInterface ui;
  const std::string text = Gbk("正在打开定额库|") + "A.Dek";
  PostProgress(text, 4, 4);
  PostProgressPosition(1, 1);
  PostProgress(std::string(300, 'a'), 1, 2);
  // A double-byte character across the limit is left out whole.
  const std::string straddling = std::string(253, 'b') + Gbk("价格");
  PostProgress(straddling, 1, 2);
  const std::string fitting = std::string(252, 'c') + Gbk("价格");
  PostProgress(fitting, 1, 2);

  ASSERT_EQ(ui.progress.size(), 5u);
  EXPECT_EQ(ui.progress[0].text, text);
  EXPECT_EQ(ui.progress[1].text, "");
  EXPECT_EQ(ui.progress[1].wParam, 0x00010001u);
  EXPECT_EQ(ui.progress[2].text, std::string(254, 'a'));
  EXPECT_EQ(ui.progress[3].text, std::string(253, 'b'));
  EXPECT_EQ(ui.progress[4].text, std::string(252, 'c') + Gbk("价"));
}

}  // namespace
}  // namespace xxj
