#include "platform/WineRegistry.h"

#include <gtest/gtest.h>

#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

using testing::RegistryEntry;
using testing::TestPrefix;

// Excerpts of registry files that the prefix itself wrote (64-bit prefix, the
// keys added by a 32-bit program).
const char kSystemReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\Machine\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Wow6432Node\\\\SampleCo\\\\Tool] 1796951969\n"
    "#time=1dd890dab8b9afe\n"
    "\"Version\"=\"2.0\"\n"
    "\n"
    "[Software\\\\Wow6432Node\\\\SampleCo\\\\Tool\\\\2.0] 1796951970\n"
    "#time=1dd890dabcb8dbc\n"
    "\"Count\"=dword:0000002a\n"
    "\"InstallDir\"=\"C:\\\\\\x5de5\\x5177\\\\Bin\\\\\"\n"
    "\"Note\"=\"a\\\"quote\\\" and \\\\back\\\\slash \\x4ef7A1\"\n";

const char kUserReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] "
    "1796951923\n"
    "#time=1dd890d9045a604\n"
    "\"AppData\"=\"C:\\\\users\\\\root\\\\AppData\\\\Roaming\"\n"
    "\"Personal\"=\"C:\\\\users\\\\root\\\\Documents\"\n";

TEST(WineRegistry, ReadsTheThirtyTwoBitViewOfAWin64File) {
  auto key =
      ParseWineRegistryKey(kSystemReg, "\\SOFTWARE\\SampleCo\\Tool\\2.0\\", RegistryView::Bits32);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("installdir"), Gbk("C:\\工具\\Bin\\"));
  EXPECT_EQ(key->ReadString("Note"), Gbk("a\"quote\" and \\back\\slash 价A1"));
  EXPECT_TRUE(key->HasValue("COUNT"));
  EXPECT_EQ(key->ReadString("Count"), "");  // not text
  EXPECT_EQ(key->ReadString("Missing"), "");
  EXPECT_FALSE(key->HasValue("Missing"));
  EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"Count", "InstallDir", "Note"}));

  // A parent that has no line of its own still lists its subkeys.
  auto parent = ParseWineRegistryKey(kSystemReg, "Software\\SampleCo", RegistryView::Bits32);
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(parent->SubKeyNames(), (std::vector<std::string>{"Tool"}));
  EXPECT_TRUE(parent->ValueNames().empty());

  EXPECT_EQ(ParseWineRegistryKey(kSystemReg, "Software\\SampleCo", RegistryView::Native), nullptr);
  auto native = ParseWineRegistryKey(kSystemReg, "software\\wow6432node\\sampleco\\tool",
                                     RegistryView::Native);
  ASSERT_NE(native, nullptr);
  EXPECT_EQ(native->ReadString("Version"), "2.0");
  EXPECT_EQ(native->SubKeyNames(), (std::vector<std::string>{"2.0"}));
  EXPECT_EQ(ParseWineRegistryKey(kSystemReg, "Software\\SampleCo\\Tool\\3.0", RegistryView::Bits32),
            nullptr);
}

TEST(WineRegistry, DecodesEscapesRawUtf8AndValueForms) {
  const std::string text =
      "WINE REGISTRY Version 2\r\n"
      "#arch=win32\r\n"
      "[Software\\\\Esc] 1\r\n"
      "\"Hex4\"=\"\\x4ef7a\"\r\n"  // four digits, then an ASCII letter
      "\"Octal\"=\"\\101\\tB\"\r\n"
      "\"Raw\"=\"\xE4\xBB\xB7\"\r\n"  // the prefix reads raw bytes as UTF-8
      "\"Expand\"=str(2):\"%ProgramFiles%\\\\x\"\r\n"
      "\"Multi\"=str(7):\"one\\0two\\0\"\r\n"
      "\"Bin\"=hex:01,02,\\\r\n"
      "  03,04\r\n"
      "@=\"default\"\r\n"
      "\"Spaced\" = \"v\"\r\n"
      "\"Broken=\"\r\n"
      "[Software\\\\Escape] 1\r\n"  // a longer name is another key
      "\"Hex4\"=\"wrong key\"\r\n"
      "[software\\\\\\x5de5\\x5177\\\\Sub] 1\r\n"
      "[Software\\\\Broken\r\n"
      "\"After\"=\"still in Esc? no\"\r\n";
  auto key = ParseWineRegistryKey(text, "Software\\Esc", RegistryView::Bits32);
  ASSERT_NE(key, nullptr);
  const struct {
    const char* name;
    const char* utf8;
  } cases[] = {
      {"Hex4", "价a"}, {"Octal", "A\tB"}, {"Raw", "价"},   {"Expand", "%ProgramFiles%\\x"},
      {"Multi", ""},   {"", "default"},   {"Spaced", "v"}, {"Bin", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(key->ReadString(c.name), Gbk(c.utf8)) << c.name;
  EXPECT_TRUE(key->HasValue("Bin"));
  EXPECT_FALSE(key->HasValue("Broken"));
  EXPECT_FALSE(key->HasValue("After"));  // the malformed key line ended Esc's values
  auto tool = ParseWineRegistryKey(text, Gbk("SOFTWARE\\工具"), RegistryView::Native);
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(tool->SubKeyNames(), (std::vector<std::string>{"Sub"}));
  auto software = ParseWineRegistryKey(text, "Software", RegistryView::Native);
  ASSERT_NE(software, nullptr);
  EXPECT_EQ(software->SubKeyNames(),
            (std::vector<std::string>{"Esc", "Escape", Gbk("工具")}));  // not the malformed one
}

TEST(WineRegistry, RejectsFilesWithoutTheHeader) {
  EXPECT_EQ(ParseWineRegistryKey("", "", RegistryView::Native), nullptr);
  EXPECT_EQ(
      ParseWineRegistryKey("REGEDIT4\n[Software\\\\A]\n", "Software\\A", RegistryView::Native),
      nullptr);
  EXPECT_NE(ParseWineRegistryKey("WINE REGISTRY Version 2\n", "", RegistryView::Native), nullptr);
}

TEST(MachineRegistry, OpensHostKeysThroughTheTestPrefix) {
  TestPrefix prefix;
  prefix.WriteSystemReg({
      {"Software\\Wow6432Node\\Velmora\\ZKPM2016_SZ", "ExePath", "C:\\Velmora\\深圳\\"},
      {"Software\\Wow6432Node\\Velmora\\ZKPM2016_SZ", "CurVer", "2016", false},
      {"Software\\Velmora\\ZKPM2016_SZ", "ExePath", "C:\\native64\\"},
      {"System\\CurrentControlSet\\Control", "Name", "same"},
  });
  Machine& machine = prefix.GetMachine();
  auto key = machine.OpenRegistryKey(RegistryHive::LocalMachine,
                                     "\\SOFTWARE\\Velmora\\ZKPM2016_SZ\\", RegistryView::Bits32);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("ExePath"), Gbk("C:\\Velmora\\深圳\\"));
  EXPECT_EQ(key->ReadString("CurVer"), "2016");
  auto native = machine.OpenRegistryKey(RegistryHive::LocalMachine,
                                        "Software\\Velmora\\ZKPM2016_SZ", RegistryView::Native);
  ASSERT_NE(native, nullptr);
  EXPECT_EQ(native->ReadString("ExePath"), "C:\\native64\\");
  for (const RegistryView view : {RegistryView::Native, RegistryView::Bits32}) {
    auto outside = machine.OpenRegistryKey(RegistryHive::LocalMachine,
                                           "System\\CurrentControlSet\\Control", view);
    ASSERT_NE(outside, nullptr);
    EXPECT_EQ(outside->ReadString("Name"), "same");
  }

  // A 32-bit prefix has no redirection: its Software is the program's own.
  prefix.WriteSystemReg({{"Software\\Velmora\\ZKPM2016_SZ", "ExePath", "C:\\win32\\"}}, "win32");
  auto win32 = machine.OpenRegistryKey(RegistryHive::LocalMachine,
                                       "\\SOFTWARE\\Velmora\\ZKPM2016_SZ\\", RegistryView::Bits32);
  ASSERT_NE(win32, nullptr);
  EXPECT_EQ(win32->ReadString("ExePath"), "C:\\win32\\");
}

TEST(MachineRegistry, CurrentUserShellFoldersInEveryView) {
  TestPrefix prefix;
  std::FILE* file = std::fopen((prefix.Path() / "user.reg").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs(kUserReg, file);
  std::fclose(file);
  for (const RegistryView view : {RegistryView::Native, RegistryView::Bits32}) {
    auto key = prefix.GetMachine().OpenRegistryKey(
        RegistryHive::CurrentUser,
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", view);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("Personal"), "C:\\users\\root\\Documents");
  }
  EXPECT_EQ(prefix.GetMachine().OpenRegistryKey(RegistryHive::LocalMachine, "Software",
                                                RegistryView::Native),
            nullptr);  // no system.reg
}

}  // namespace
}  // namespace xxj
