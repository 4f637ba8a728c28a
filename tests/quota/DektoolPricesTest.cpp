// dektool prices against a small quota library: what a user runs to see what
// an import wrote.

#include <gtest/gtest.h>

#include <filesystem>

#include "quota/ProjectTestSupport.h"
#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"
#include "testutil/ToolRun.h"

namespace xxj {
namespace {

using testing::Item;
using testing::LibraryBuilder;
using testing::PriceRow;

TEST(DektoolPrices, ShowsTheItemOfThatExactCodeWithItsYearsInOrder) {
  if (!std::filesystem::exists(testing::ToolPath("dektool")))
    GTEST_SKIP() << "dektool is not built";
  testing::TestPrefix prefix;
  LibraryBuilder()
      .Add("TGLJZM", Item(1, Gbk("水泥01")))
      .Add("TGLJZM", Item(2, "abc"))
      .Add("TXXJ", PriceRow(1, 2024, 360))
      .Add("TXXJ", PriceRow(1, 2023, 12.5))
      .Add("TXXJ", PriceRow(2, 2024, 99))
      .Write("C:\\lib.Dek");
  const std::string file = (prefix.DriveC() / "lib.Dek").string();

  const testing::ToolResult shown = testing::RunTool("dektool", "prices " + file + " 水泥01");
  ASSERT_EQ(shown.exitCode, 0) << shown.output;
  EXPECT_NE(shown.output.find("Item 1  水泥01  item 水泥01"), std::string::npos) << shown.output;
  const std::string zeros = std::string(9, ' ') + "0";
  std::string months2023 = "  2023       12.5";
  std::string months2024 = "  2024        360";
  for (int month = 2; month <= 12; ++month) {
    months2023 += " " + zeros;
    months2024 += " " + zeros;
  }
  // 12.5 / 12 has more digits than the column is wide; it must stay apart.
  EXPECT_NE(shown.output.find(months2023 + " 1.04166666666667\n" + months2024 + "         30\n"),
            std::string::npos)
      << shown.output;
  EXPECT_EQ(shown.output.find("99"), std::string::npos) << "another item's prices shown";

  // Codes match exactly: "ABC" is not the item "abc".
  const testing::ToolResult other = testing::RunTool("dektool", "prices " + file + " ABC");
  EXPECT_EQ(other.exitCode, 1);
  EXPECT_NE(other.output.find("no item with the code"), std::string::npos) << other.output;

  EXPECT_EQ(testing::RunTool("dektool", "prices " + file).exitCode, 2);
  EXPECT_EQ(testing::RunTool("dektool", "prices " + file + "x ABC").exitCode, 1);
}

}  // namespace
}  // namespace xxj
