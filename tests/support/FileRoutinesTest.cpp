#include "support/FileRoutines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>

#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

namespace fs = std::filesystem;
using testing::TestPrefix;

std::set<std::string> AsSet(const std::vector<std::string>& list) {
  return {list.begin(), list.end()};
}

// A double-byte GBK character whose trail byte is "\" (0x5C).
const std::string kTrailBackslash = "\x95\x5C";

class FileRoutinesTest : public ::testing::Test {
 protected:
  TestPrefix prefix;
  Machine& machine = prefix.GetMachine();
};

TEST_F(FileRoutinesTest, FindFilesListsFilesOfFolderThenSubfolders) {
  for (const char* file : {"pk/a.xxj", "pk/b.XXJ", "pk/c.txt", "pk/sub/d.xxj",
                           "pk/sub/deeper/e.xxj", "pk/sub/f.txt", "pk/zz/g.xxj"})
    prefix.WriteFile(file, "x");
  fs::create_directories(prefix.DriveC() / "pk" / "dir.xxj");

  std::vector<std::string> list{"kept"};
  EXPECT_EQ(FindFiles("C:\\pk", ".xxj", list, false), 2);
  EXPECT_EQ(list[0], "kept");
  EXPECT_EQ(AsSet({list.begin() + 1, list.end()}),
            (std::set<std::string>{"C:\\pk\\a.xxj", "C:\\pk\\b.XXJ"}));

  list.clear();
  EXPECT_EQ(FindFiles("C:\\pk\\", ".xxj", list, true), 5);
  EXPECT_EQ(AsSet({list.begin(), list.begin() + 2}),
            (std::set<std::string>{"C:\\pk\\a.xxj", "C:\\pk\\b.XXJ"}));
  // Each folder's files come before those of its own subfolders.
  const auto at = [&](const std::string& path) {
    return std::find(list.begin(), list.end(), path) - list.begin();
  };
  EXPECT_LT(at("C:\\pk\\sub\\d.xxj"), at("C:\\pk\\sub\\deeper\\e.xxj"));
  EXPECT_LT(at("C:\\pk\\sub\\deeper\\e.xxj"), static_cast<long>(list.size()));
  EXPECT_LT(at("C:\\pk\\zz\\g.xxj"), static_cast<long>(list.size()));

  list.clear();
  EXPECT_EQ(FindFiles("C:\\pk", "", list, false), 3);
  EXPECT_EQ(AsSet(list),
            (std::set<std::string>{"C:\\pk\\a.xxj", "C:\\pk\\b.XXJ", "C:\\pk\\c.txt"}));

  list.clear();
  EXPECT_EQ(FindFiles("C:\\missing", ".xxj", list, true), 0);
  EXPECT_TRUE(list.empty());
}

TEST_F(FileRoutinesTest, FindFilesSkipsSystemFiles) {
  prefix.WriteFile("pk/a.xxj", "x");
  prefix.WriteFile("pk/sys.xxj", "x");
  if (!machine.SetFileAttributes("C:\\pk\\sys.xxj", kFileAttributeSystem) ||
      !(machine.GetFileAttributes("C:\\pk\\sys.xxj") & kFileAttributeSystem))
    GTEST_SKIP() << "the file system keeps no extended attributes";
  std::vector<std::string> list;
  EXPECT_EQ(FindFiles("C:\\pk", "", list, false), 1);
  EXPECT_EQ(list, std::vector<std::string>{"C:\\pk\\a.xxj"});
}

TEST(WithTrailingBackslash, AppendsOnlyWhenMissing) {
  const struct {
    std::string path, result;
  } cases[] = {
      {"", ""},
      {"C:\\a", "C:\\a\\"},
      {"C:\\a\\", "C:\\a\\"},
      {"C:", "C:\\"},
      // The last byte is "\" but it is half of a double-byte character.
      {"C:\\" + kTrailBackslash, "C:\\" + kTrailBackslash + "\\"},
      {"C:\\" + kTrailBackslash + "\\", "C:\\" + kTrailBackslash + "\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithTrailingBackslash(c.path), c.result) << c.path;
}

TEST_F(FileRoutinesTest, DeleteFolderTreeRemovesEverything) {
  for (const char* file :
       {"t/a.xxj", "t/sub/b.xxj", "t/sub/deeper/c.txt", "t/ro.txt", "t/sub/ro.txt"})
    prefix.WriteFile(file, "x");
  fs::create_directories(prefix.DriveC() / "t" / "empty");
  ASSERT_TRUE(machine.SetFileAttributes("C:\\t\\ro.txt", kFileAttributeReadOnly));
  ASSERT_TRUE(machine.SetFileAttributes("C:\\t\\sub\\ro.txt", kFileAttributeReadOnly));

  DeleteFolderTree("C:\\t", true);
  EXPECT_FALSE(fs::exists(prefix.DriveC() / "t"));
}

TEST_F(FileRoutinesTest, DeleteFolderTreeWithoutResetKeepsReadOnlyFiles) {
  for (const char* file : {"t/a.xxj", "t/sub/b.xxj", "t/ro.txt", "t/keep/ro.txt"})
    prefix.WriteFile(file, "x");
  ASSERT_TRUE(machine.SetFileAttributes("C:\\t\\ro.txt", kFileAttributeReadOnly));
  ASSERT_TRUE(machine.SetFileAttributes("C:\\t\\keep\\ro.txt", kFileAttributeReadOnly));

  DeleteFolderTree("C:\\t\\", false);
  const fs::path t = prefix.DriveC() / "t";
  EXPECT_TRUE(fs::exists(t / "ro.txt"));
  EXPECT_TRUE(fs::exists(t / "keep" / "ro.txt"));
  EXPECT_FALSE(fs::exists(t / "a.xxj"));
  EXPECT_FALSE(fs::exists(t / "sub"));

  // Nothing to do for an empty name or a missing folder.
  DeleteFolderTree("", true);
  DeleteFolderTree("C:\\missing", true);
  EXPECT_TRUE(fs::exists(t / "ro.txt"));
}

TEST_F(FileRoutinesTest, DeleteFolderTreeRemovesLinksNotWhatTheyName) {
  const fs::path outside = prefix.WriteFile("outside/keep.txt", "x").parent_path();
  const fs::path outsideFile = prefix.WriteFile("outside2/file.txt", "x");
  ASSERT_TRUE(machine.SetFileAttributes("C:\\outside2\\file.txt", kFileAttributeReadOnly));
  prefix.WriteFile("t/a.txt", "x");
  fs::create_directory_symlink(outside, prefix.DriveC() / "t" / "linkdir");
  fs::create_symlink(outsideFile, prefix.DriveC() / "t" / "linkfile");
  fs::create_directory_symlink(outside, prefix.DriveC() / "linked");

  DeleteFolderTree("C:\\t", true);
  DeleteFolderTree("C:\\linked", true);
  EXPECT_FALSE(fs::exists(fs::symlink_status(prefix.DriveC() / "t")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(prefix.DriveC() / "linked")));
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));
  EXPECT_TRUE(fs::exists(outsideFile));
  EXPECT_TRUE(machine.GetFileAttributes("C:\\outside2\\file.txt") & kFileAttributeReadOnly);
}

TEST_F(FileRoutinesTest, PersonalFolderFromTheRegistry) {
  EXPECT_EQ(GetPersonalFolder(), "");
  prefix.WriteUserReg({{"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        "Personal", "C:\\users\\me\\文档"}});
  EXPECT_EQ(GetPersonalFolder(), Gbk("C:\\users\\me\\文档"));
}

TEST_F(FileRoutinesTest, PlatformValues) {
  const std::string temp = GetTempDirectory();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(machine.DirectoryExists(temp)) << temp;

  const std::string folder = ApplicationFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  const std::string exe = machine.ExecutablePath();
  EXPECT_EQ(exe.substr(0, folder.size()), folder);
  EXPECT_EQ(exe.find('\\', folder.size()), std::string::npos);

  const std::regex guid("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
  const std::string a = NewGuidString();
  const std::string b = NewGuidString();
  EXPECT_EQ(a.size(), 38u);
  EXPECT_TRUE(std::regex_match(a, guid)) << a;
  EXPECT_NE(a, b);
}

TEST_F(FileRoutinesTest, ResolveRelativeFile) {
  const struct {
    std::string base, name, result;
  } cases[] = {
      {"C:\\Host\\", "Dek\\a.mdb", "C:\\Host\\Dek\\a.mdb"},
      {"C:\\Host\\DekSetUp.ini", "a.mdb", "C:\\Host\\a.mdb"},
      {"C:\\Host\\", "D:\\Lib\\..\\a.mdb", "D:\\a.mdb"},
      {"\\\\srv\\share\\Host\\x.ini", "a.mdb", "\\\\srv\\share\\Host\\a.mdb"},
      {"Host\\", "a.mdb", "a.mdb"},
      {"", "a.mdb", "a.mdb"},
      {"C:\\" + kTrailBackslash + "x.ini", "a.mdb", "C:\\a.mdb"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ResolveRelativeFile(c.base, c.name), c.result) << c.base << " + " << c.name;
}

}  // namespace
}  // namespace xxj
