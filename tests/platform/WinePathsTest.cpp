#include "platform/WinePaths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/WineMachine.h"
#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

namespace fs = std::filesystem;
using testing::TestPrefix;

TEST(WinePathsNormalize, ExpandsEveryFormAgainstTheCurrentFolder) {
  const struct {
    const char* path;
    const char* full;
  } cases[] = {
      {"C:\\A\\b.txt", "C:\\A\\b.txt"},
      {"c:/a/./b/../c.txt", "C:\\a\\c.txt"},
      {"..\\深圳\\定额库\\", "C:\\xxjInstal\\深圳\\定额库\\"},
      {"sub\\file.dek", "C:\\xxjInstal\\bin\\sub\\file.dek"},
      {"\\Windows\\", "C:\\Windows\\"},
      {"c:x.ini", "C:\\xxjInstal\\bin\\x.ini"},
      {"d:x.ini", "D:\\x.ini"},
      {"C:\\..\\..\\a", "C:\\a"},
      {"C:\\\\a\\\\\\b", "C:\\a\\b"},
      {"\\\\?\\C:\\long\\path", "C:\\long\\path"},
      {"\\\\server\\share\\x", ""},
      {"z:\\", "Z:\\"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WinePaths::Normalize(c.path, "C:\\xxjInstal\\bin"), c.full) << c.path;
  }
}

class MachinePaths : public ::testing::Test {
 protected:
  TestPrefix prefix;
  Machine& machine = prefix.GetMachine();
};

TEST_F(MachinePaths, ResolvesComponentsWhoseCaseDiffers) {
  const fs::path file = prefix.WriteFile("xxjInstal/Sub/File.txt", "x");
  EXPECT_TRUE(machine.FileExists("C:\\XXJINSTAL\\sub\\FILE.TXT"));
  EXPECT_TRUE(machine.DirectoryExists("c:/xxjinstal/SUB/"));
  EXPECT_TRUE(fs::equivalent(machine.ToUnixPath("C:\\XXJINSTAL\\sub\\FILE.TXT"), file));
  // A missing name keeps the caller's spelling below the part that exists.
  EXPECT_EQ(machine.ToUnixPath("C:\\XXJINSTAL\\New\\A.txt"),
            (prefix.Path() / "dosdevices/c:/xxjInstal/New/A.txt").string());
  EXPECT_FALSE(machine.FileExists("C:\\xxjInstal\\Sub\\Other.txt"));
}

TEST_F(MachinePaths, ResolvesRelativeChinesePathsFromTheCurrentFolder) {
  prefix.WriteFile("xxjInstal/深圳/定额库/A.Dek", "x");
  fs::create_directories(prefix.DriveC() / "xxjInstal/bin");
  ASSERT_TRUE(machine.SetCurrentDirectory("C:\\xxjInstal\\bin\\"));
  EXPECT_EQ(machine.CurrentDirectory(), "C:\\xxjInstal\\bin\\");
  EXPECT_TRUE(machine.FileExists(Gbk("..\\深圳\\定额库\\a.dek")));
  EXPECT_TRUE(machine.DirectoryExists(Gbk("..\\深圳\\定额库\\")));
  EXPECT_EQ(machine.FullPath(Gbk("..\\深圳\\定额库\\a.dek")),
            Gbk("C:\\xxjInstal\\深圳\\定额库\\a.dek"));
  EXPECT_FALSE(machine.SetCurrentDirectory("C:\\missing\\"));
  EXPECT_FALSE(machine.DirectoryExists(""));
  EXPECT_FALSE(machine.FileExists(""));
  EXPECT_EQ(machine.CurrentDirectory(), "C:\\xxjInstal\\bin\\");
}

TEST_F(MachinePaths, ShowsUnixPathsUnderTheirDriveElseZ) {
  prefix.WriteFile("xxjInstal/a.txt", "x");
  EXPECT_EQ(machine.FromUnixPath((prefix.DriveC() / "xxjInstal/a.txt").string()),
            "C:\\xxjInstal\\a.txt");
  EXPECT_EQ(machine.FromUnixPath((prefix.Path() / "dosdevices/c:/xxjInstal/").string()),
            "C:\\xxjInstal\\");
  EXPECT_EQ(machine.FromUnixPath(prefix.DriveC().string()), "C:\\");
  EXPECT_EQ(machine.FromUnixPath("/usr/lib/"), "Z:\\usr\\lib\\");
  EXPECT_EQ(machine.FromUnixPath("/"), "Z:\\");
  fs::create_directories(prefix.DriveC() / "深圳");
  EXPECT_EQ(machine.FromUnixPath((prefix.DriveC() / "深圳").string()), Gbk("C:\\深圳"));
}

TEST_F(MachinePaths, TempPathFollowsTmpdirAndEndsWithBackslash) {
  const char* saved = std::getenv("TMPDIR");
  const std::string savedValue = saved != nullptr ? saved : "";
  fs::create_directories(prefix.DriveC() / "Temp");
  setenv("TMPDIR", (prefix.DriveC() / "Temp").c_str(), 1);
  EXPECT_EQ(machine.TempPath(), "C:\\Temp\\");
  unsetenv("TMPDIR");
  EXPECT_EQ(machine.TempPath(), "Z:\\tmp\\");
  if (saved != nullptr) setenv("TMPDIR", savedValue.c_str(), 1);
}

TEST_F(MachinePaths, ExecutablePathMapsBackToTheRunningProgram) {
  const std::string exe = machine.ExecutablePath();
  EXPECT_TRUE(exe.ends_with("\\test_platform")) << exe;
  EXPECT_TRUE(fs::equivalent(machine.ToUnixPath(exe), fs::read_symlink("/proc/self/exe")));
}

TEST(MissingPrefix, IsAnEmptyMachineWithOnlyZ) {
  testing::TempFolder folder;
  const auto machine = NewWineMachine((folder.Path() / "no-such-prefix").string());
  EXPECT_EQ(machine->ToUnixPath("C:\\xxjInstal\\"), "");
  EXPECT_FALSE(machine->DirectoryExists("C:\\"));
  EXPECT_FALSE(machine->FileExists("C:\\xxjInstal\\a.txt"));
  EXPECT_TRUE(machine->FindFiles("C:\\*.*").empty());
  EXPECT_TRUE(machine->DirectoryExists("Z:\\tmp"));
  EXPECT_EQ(machine->ToUnixPath("Z:\\tmp\\x"), "/tmp/x");
  std::string error;
  EXPECT_EQ(machine->OpenFile("C:\\a.txt", FileAccess::ReadWrite, kShareNone,
                              FileDisposition::CreateAlways, &error),
            nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(machine->OpenRegistryKey(RegistryHive::LocalMachine, "\\SOFTWARE\\Velmora\\",
                                     RegistryView::Bits32),
            nullptr);
  EXPECT_EQ(machine->OpenRegistryKey(RegistryHive::CurrentUser, "Software", RegistryView::Native),
            nullptr);
}

}  // namespace
}  // namespace xxj
