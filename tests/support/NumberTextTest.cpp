#include "support/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "support/Variant.h"
#include "testutil/TempFolder.h"

namespace xxj {
namespace {

TEST(FloatToStr, GeneralFormatWithFifteenDigits) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {0.1, "0.1"},
      {1234.5, "1234.5"},
      {-2.35, "-2.35"},
      {1e20, "1E20"},
      {1.5e-5, "1.5E-5"},
      {0.0001, "0.0001"},
      {1e15, "1E15"},
      {123456789012345.0, "123456789012345"},
      {1.0 / 3, "0.333333333333333"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value), c.text) << c.value;
}

TEST(TryStrToInt, DecimalHexAndRejects) {
  const struct {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"12", true, 12},
      {"  -7", true, -7},
      {"+3", true, 3},
      {"$1F", true, 31},
      {"x10", true, 16},
      {"0x10", true, 16},
      {"$FFFFFFFF", true, -1},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},
      {"12.5", false, 0},
      {"12 ", false, 0},
      {"", false, 0},
      {"abc", false, 0},
      {"-", false, 0},
  };
  for (const auto& c : cases) {
    int32_t value = 0;
    EXPECT_EQ(TryStrToInt(c.text, value), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

TEST(TryStrToFloat, DotIsTheSeparatorWhateverTheLocale) {
  double value = 0;
  EXPECT_TRUE(TryStrToFloat(" 12.5 ", value));
  EXPECT_DOUBLE_EQ(value, 12.5);
  EXPECT_TRUE(TryStrToFloat("-1.5E3", value));
  EXPECT_DOUBLE_EQ(value, -1500);
  EXPECT_TRUE(TryStrToFloat("+.5", value));
  EXPECT_DOUBLE_EQ(value, 0.5);
  for (const char* bad : {"", "12,5", "1.2.3", "abc", "E5", "inf", "nan", "1e"}) {
    EXPECT_FALSE(TryStrToFloat(bad, value)) << bad;
  }
}

}  // namespace
}  // namespace xxj

namespace xxj {
namespace {

// Switches the process to a comma-decimal locale for one test, when the
// machine has one, and back afterwards.
// A locale whose decimal separator is a comma, as a user's desktop may have.
// When none is installed, one is compiled from the system's locale sources
// into the test's own folder.
class CommaDecimalLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = setlocale(LC_ALL, nullptr);
    if (UseCommaLocale()) return;
    const std::string compiled = (folder_.Path() / "de_DE.UTF-8").string();
    const std::string command = "localedef -i de_DE -f UTF-8 " + compiled + " >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) {
      setenv("LOCPATH", folder_.Path().c_str(), 1);
      if (UseCommaLocale()) return;
    }
    setlocale(LC_ALL, previous_.c_str());
    GTEST_SKIP() << "no comma-decimal locale installed or compilable";
  }
  void TearDown() override {
    setlocale(LC_ALL, previous_.c_str());
    unsetenv("LOCPATH");
  }

 private:
  static bool UseCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
      if (setlocale(LC_ALL, name) != nullptr && *localeconv()->decimal_point == ',') return true;
    }
    return false;
  }

  std::string previous_;
  testing::TempFolder folder_;
};

TEST_F(CommaDecimalLocale, NumbersStillUseTheDot) {
  EXPECT_EQ(FloatToStr(1234.5), "1234.5");
  EXPECT_EQ(FloatToStr(1.5e-5), "1.5E-5");
  double value = 0;
  EXPECT_TRUE(TryStrToFloat("12.5", value));
  EXPECT_DOUBLE_EQ(value, 12.5);
  EXPECT_FALSE(TryStrToFloat("12,5", value));
  EXPECT_EQ(Variant(0.25).AsText(), "0.25");
  EXPECT_DOUBLE_EQ(Variant("0.25").AsDouble(), 0.25);
}

}  // namespace
}  // namespace xxj
