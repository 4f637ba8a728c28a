#include "support/TextRoutines.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/TextEncoding.h"

namespace xxj {
namespace {

TEST(TextRoutines, PosText) {
  EXPECT_EQ(PosText("JAN", "YAVG,JAN", false), 6);
  EXPECT_EQ(PosText("jan", "YAVG,JAN", false), 0);
  EXPECT_EQ(PosText("jan", "YAVG,JAN", true), 6);
  EXPECT_EQ(PosText("Y", "YAVG", true), 1);
  EXPECT_EQ(PosText("", "YAVG", true), 0);
  EXPECT_EQ(PosText("YAVGX", "YAVG", true), 0);
  EXPECT_EQ(PosText(Gbk("库"), Gbk("定额库"), true), 5);
}

TEST(TextRoutines, SameTextTrimmed) {
  EXPECT_TRUE(SameTextTrimmed("  C:\\Host\\ \t\r\n", "c:\\host\\"));
  EXPECT_TRUE(SameTextTrimmed("", " \x01"));
  EXPECT_FALSE(SameTextTrimmed("C:\\Host", "C:\\Host2"));
  EXPECT_FALSE(SameTextTrimmed("a b", "ab"));
  // Only ASCII letters fold: a GBK byte is not a blank.
  EXPECT_FALSE(SameTextTrimmed(Gbk("价"), Gbk("价") + "\xA1"));
}

TEST(TextRoutines, SplitText) {
  using List = std::vector<std::string>;
  const struct {
    const char* text;
    const char* delimiter;
    bool keepEmpty;
    List pieces;
  } cases[] = {
      {"JAN||FEB", "|", false, {"JAN", "FEB"}},
      {"JAN||FEB", "|", true, {"JAN", "", "FEB"}},
      {"a||b||", "||", true, {"a", "b"}},
      {"a||||b", "||", true, {"a", "", "b"}},
      {"||a", "||", true, {"", "a"}},
      {"||a", "||", false, {"a"}},
      {"a,", ",", true, {"a"}},
      {",", ",", true, {""}},
      {",", ",", false, {}},
      {" a ", ",", false, {" a "}},
      {"abc", "", true, {"abc"}},
  };
  for (const auto& c : cases) {
    List list{"old"};
    SplitText(c.text, c.delimiter, list, c.keepEmpty);
    EXPECT_EQ(list, c.pieces) << '"' << c.text << "\" at \"" << c.delimiter << '"';
  }
  // A blank text leaves the list as it was.
  List list{"old"};
  SplitText(" \t", ",", list, true);
  EXPECT_EQ(list, List{"old"});
}

TEST(TextRoutines, TryParseNumbers) {
  int32_t i = 0;
  EXPECT_TRUE(TryParseInt(" -0x1f", i));
  EXPECT_EQ(i, -31);
  EXPECT_FALSE(TryParseInt("12a", i));
  double d = 0;
  EXPECT_TRUE(TryParseFloat("1.25e2", d));
  EXPECT_EQ(d, 125);
  for (const char* bad : {"e5", "E5", "", "12,5", "1.2x"})
    EXPECT_FALSE(TryParseFloat(bad, d)) << bad;
}

TEST(TextRoutines, RoundToDigits) {
  const struct {
    int digits;
    double x, result;
  } cases[] = {
      {2, 2.345, 2.35},       {2, -2.345, -2.35}, {2, 1.005, 1.01}, {0, 2.5, 3},
      {-1, -2.5, -3},         {3, 0.0004999, 0},  {2, 5e-8, 0},     {2, -5e-8, 0},
      {4, 12.34565, 12.3457}, {2, 1e15, 1e15},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(RoundToDigits(c.digits, c.x), c.result) << c.digits << " " << c.x;
  EXPECT_FALSE(std::signbit(RoundToDigits(2, -5e-8)));
}

}  // namespace
}  // namespace xxj
