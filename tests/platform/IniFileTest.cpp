#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

using testing::TestPrefix;

TEST(IniFile, ProfileSemanticsOfSectionsKeysAndValues) {
  // "乚" ends in the byte of "]" in GBK: names must be read by character.
  const IniFile ini =
      IniFile::FromText(Gbk("orphan=before any section\r\n"
                            "[ ExeRegPath ]\r\n"
                            "ExeRegPath2006= SOFTWARE\\Velmora\\ZKPM2006  \r\n"
                            "  exeregpath2012 =\"quoted value\"\r"
                            "Remark=a||b\n"
                            "; comment=not a key\n"
                            "bare line\n"
                            "Expr=a=b ; not a comment\n"
                            "Empty=\n"
                            "Unbalanced='x\n"
                            "=no name\n"
                            "ExeRegPath2006=second occurrence\n"
                            "[AppConfig]\n"
                            "UseNewVerXXJ=1\n"
                            "[exeregpath]\n"
                            "Hidden=later duplicate\n"
                            "[价格乚]\n"
                            "名称=深圳"));  // no final line break

  EXPECT_EQ(ini.SectionNames(),
            (std::vector<std::string>{"ExeRegPath", "AppConfig", "exeregpath", Gbk("价格乚")}));
  EXPECT_EQ(ini.KeyNames(" EXEREGPATH "),
            (std::vector<std::string>{"ExeRegPath2006", "exeregpath2012", "Remark", "Expr", "Empty",
                                      "Unbalanced", "", "ExeRegPath2006"}));
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {
      {"exeregpath", "EXEREGPATH2006", "SOFTWARE\\Velmora\\ZKPM2006"},  // first key wins
      {"ExeRegPath", " ExeRegPath2012 ", "quoted value"},
      {"ExeRegPath", "Remark", "a||b"},
      {"ExeRegPath", "Expr", "a=b ; not a comment"},
      {"ExeRegPath", "Empty", ""},
      {"ExeRegPath", "Unbalanced", "'x"},
      {"ExeRegPath", "", "no name"},
      {"ExeRegPath", "bare line", "dflt"},  // a line without "=" has no value
      {"ExeRegPath", "Hidden", "dflt"},     // only the first section of a name counts
      {"appconfig", "usenewverxxj", "1"},
      {"", "orphan", "before any section"},
      {"Missing", "Key", "dflt"},
      {"价格乚", "名称", "深圳"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ini.ReadString(Gbk(c.section), Gbk(c.key), "dflt"), Gbk(c.value))
        << c.section << "/" << c.key;
  }
  EXPECT_EQ(ini.ReadString("x", "y", "\"quoted default\"  "), "quoted default");
  EXPECT_TRUE(ini.KeyNames("Missing").empty());
}

TEST(IniFile, ReadIntegerTakesLeadingDigits) {
  const struct {
    const char* stored;  // nullptr: key missing
    int32_t result;
  } cases[] = {
      {nullptr, -7},
      {"", -7},
      {"1", 1},
      {"+1", 1},
      {"-1", -1},
      {"4294967296", 0},
      {"4294967297", 1},
      {"-4294967297", -1},
      {"42A94967297", 42},
      {"B4294967297", 0},
      {"\"5\"", 5},
      {"0x1F", 31},
      {"0b101", 5},
      {"0o17", 15},
      {"0X1F", 0},
      {"  12  ", 12},
      // Only the first 29 characters are read.
      {"123456789012345678901234567890123", 1849262357},
  };
  for (const auto& c : cases) {
    const std::string text = c.stored == nullptr ? "[s]\n" : std::string("[s]\nk=") + c.stored;
    EXPECT_EQ(IniFile::FromText(text).ReadInteger("s", "k", -7), c.result)
        << (c.stored ? c.stored : "(missing)");
  }
}

TEST(IniFile, ReadsThroughTheMachineAndTreatsAMissingFileAsEmpty) {
  TestPrefix prefix;
  prefix.WriteFile("Velmora/Velmora.INI", "[AppConfig]\nUseNewVerXXJ=1\nSoftVersionName=2016\n");
  prefix.WriteFile("Velmora/utf8.ini", "\xEF\xBB\xBF[AppConfig]\nSoftVersionName=深圳版\n");
  prefix.WriteFile("Velmora/utf16.ini", std::string("\xFF\xFE[\0a\0]\0\n\0k\0=\0\x37\x4e", 16));

  const IniFile ini(Gbk("C:\\velmora\\velmora.ini"));
  EXPECT_EQ(ini.ReadInteger("AppConfig", "UseNewVerXXJ", 0), 1);
  EXPECT_EQ(ini.ReadString("AppConfig", "SoftVersionName", ""), "2016");
  EXPECT_EQ(IniFile("C:\\Velmora\\utf8.ini").ReadString("AppConfig", "SoftVersionName", ""),
            Gbk("深圳版"));
  EXPECT_EQ(IniFile("C:\\Velmora\\utf16.ini").ReadString("a", "k", ""), Gbk("丷"));

  const IniFile missing("C:\\Velmora\\DekSetUp.ini");
  EXPECT_TRUE(missing.SectionNames().empty());
  EXPECT_EQ(missing.ReadInteger("AppConfig", "UseNewVerXXJ", 0), 0);
  EXPECT_EQ(missing.ReadString("AppConfig", "Source", "none"), "none");
}

}  // namespace
}  // namespace xxj
