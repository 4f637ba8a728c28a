#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <filesystem>
#include <set>

#include "platform/Machine.h"
#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::TestPrefix;

class MachineFiles : public ::testing::Test {
 protected:
  std::unique_ptr<FileHandle> Open(const std::string& path, FileAccess access, uint32_t share,
                                   FileDisposition disposition, std::string* error = nullptr) {
    return machine.OpenFile(path, access, share, disposition, error);
  }
  std::string Content(const std::string& relative) {
    return TempFolder::ReadFile(prefix.DriveC() / relative);
  }
  std::set<std::string> Entries(const std::string& relative) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(prefix.DriveC() / relative)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  TestPrefix prefix;
  Machine& machine = prefix.GetMachine();
};

TEST_F(MachineFiles, ReadsWritesSeeksAndCutsAFile) {
  auto file = Open("C:\\data.bin", FileAccess::ReadWrite, kShareNone, FileDisposition::CreateNew);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Write("0123456789", 10), 10);
  EXPECT_EQ(file->Size(), 10);
  EXPECT_EQ(file->Seek(-4, SeekOrigin::End), 6);
  char buffer[8] = {};
  EXPECT_EQ(file->Read(buffer, 8), 4);
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_EQ(file->Read(buffer, 8), 0);
  EXPECT_EQ(file->Seek(3, SeekOrigin::Begin), 3);
  EXPECT_TRUE(file->SetEndOfFile());
  EXPECT_EQ(file->Size(), 3);
  EXPECT_EQ(file->Seek(5, SeekOrigin::Begin), 5);
  EXPECT_TRUE(file->SetEndOfFile());  // extends with zeros
  EXPECT_TRUE(file->Flush());
  file.reset();
  EXPECT_EQ(Content("data.bin"), std::string("012\0\0", 5));
}

TEST_F(MachineFiles, DispositionsCreateTruncateOrRefuse) {
  const struct {
    bool exists;
    FileDisposition disposition;
    bool opens;
    const char* contentAfter;  // nullptr: no file
  } cases[] = {
      {false, FileDisposition::OpenExisting, false, nullptr},
      {true, FileDisposition::OpenExisting, true, "old"},
      {false, FileDisposition::CreateNew, true, ""},
      {true, FileDisposition::CreateNew, false, "old"},
      {false, FileDisposition::CreateAlways, true, ""},
      {true, FileDisposition::CreateAlways, true, ""},
      {false, FileDisposition::OpenAlways, true, ""},
      {true, FileDisposition::OpenAlways, true, "old"},
  };
  int i = 0;
  for (const auto& c : cases) {
    const std::string name = "case" + std::to_string(i++) + ".txt";
    if (c.exists) prefix.WriteFile(name, "old");
    std::string error;
    auto file = Open("C:\\" + name, FileAccess::ReadWrite, kShareNone, c.disposition, &error);
    EXPECT_EQ(file != nullptr, c.opens) << name;
    EXPECT_EQ(error.empty(), c.opens) << name << ": " << error;
    file.reset();
    EXPECT_EQ(fs::exists(prefix.DriveC() / name), c.contentAfter != nullptr) << name;
    if (c.contentAfter != nullptr) {
      EXPECT_EQ(Content(name), c.contentAfter) << name;
    }
  }
  EXPECT_EQ(Open("C:\\missing\\new.txt", FileAccess::ReadWrite, kShareNone,
                 FileDisposition::CreateAlways),
            nullptr);
  fs::create_directory(prefix.DriveC() / "folder");
  EXPECT_EQ(Open("C:\\folder", FileAccess::Read, kShareReadWrite, FileDisposition::OpenExisting),
            nullptr);
}

TEST_F(MachineFiles, SharingModesAmongOpenHandles) {
  prefix.WriteFile("shared.dek", "data");
  const struct {
    FileAccess firstAccess;
    uint32_t firstShare;
    FileAccess secondAccess;
    uint32_t secondShare;
    bool allowed;
  } cases[] = {
      {FileAccess::Read, kShareRead, FileAccess::Read, kShareRead, true},
      {FileAccess::Read, kShareRead, FileAccess::ReadWrite, kShareReadWrite, false},
      {FileAccess::Read, kShareNone, FileAccess::Read, kShareReadWrite, false},
      {FileAccess::ReadWrite, kShareRead, FileAccess::Read, kShareReadWrite, true},
      {FileAccess::ReadWrite, kShareRead, FileAccess::Read, kShareRead, false},
      {FileAccess::ReadWrite, kShareReadWrite, FileAccess::ReadWrite, kShareReadWrite, true},
      {FileAccess::Write, kShareWrite, FileAccess::Write, kShareWrite, true},
      {FileAccess::Write, kShareWrite, FileAccess::Read, kShareReadWrite, false},
  };
  for (const auto& c : cases) {
    auto first = Open("C:\\shared.dek", c.firstAccess, c.firstShare, FileDisposition::OpenExisting);
    ASSERT_NE(first, nullptr);
    std::string error;
    // Another spelling of the same file is the same file.
    auto second = Open("C:\\SHARED.DEK", c.secondAccess, c.secondShare,
                       FileDisposition::OpenExisting, &error);
    EXPECT_EQ(second != nullptr, c.allowed) << &c - cases;
    if (!c.allowed) {
      EXPECT_NE(error.find("used by another process"), std::string::npos);
    }
  }
  // A refused CreateAlways leaves the file as it was.
  {
    auto reader =
        Open("C:\\shared.dek", FileAccess::Read, kShareRead, FileDisposition::OpenExisting);
    EXPECT_EQ(Open("C:\\shared.dek", FileAccess::ReadWrite, kShareReadWrite,
                   FileDisposition::CreateAlways),
              nullptr);
    EXPECT_EQ(Content("shared.dek"), "data");
  }
  // Closing the holder releases the file.
  EXPECT_NE(
      Open("C:\\shared.dek", FileAccess::ReadWrite, kShareNone, FileDisposition::OpenExisting),
      nullptr);
}

TEST_F(MachineFiles, ReadOnlyFilesRefuseWritingAndDeletion) {
  prefix.WriteFile("ro.dek", "keep");
  ASSERT_TRUE(machine.SetFileAttributes("C:\\ro.dek", kFileAttributeReadOnly));
  EXPECT_EQ(machine.GetFileAttributes("C:\\ro.dek"),
            kFileAttributeReadOnly | kFileAttributeArchive);
  std::string error;
  EXPECT_EQ(Open("C:\\ro.dek", FileAccess::ReadWrite, kShareReadWrite,
                 FileDisposition::OpenExisting, &error),
            nullptr);
  EXPECT_NE(error.find("read-only"), std::string::npos);
  EXPECT_EQ(Open("C:\\ro.dek", FileAccess::Write, kShareReadWrite, FileDisposition::CreateAlways),
            nullptr);
  EXPECT_NE(Open("C:\\ro.dek", FileAccess::Read, kShareReadWrite, FileDisposition::OpenExisting),
            nullptr);
  EXPECT_FALSE(machine.DeleteFile("C:\\ro.dek"));
  EXPECT_EQ(Content("ro.dek"), "keep");

  ASSERT_TRUE(machine.SetFileAttributes("C:\\ro.dek", kFileAttributeNormal));
  EXPECT_EQ(machine.GetFileAttributes("C:\\ro.dek"), kFileAttributeArchive);
  EXPECT_NE(Open("C:\\ro.dek", FileAccess::ReadWrite, kShareNone, FileDisposition::OpenExisting),
            nullptr);
  EXPECT_TRUE(machine.DeleteFile("C:\\ro.dek"));
  EXPECT_FALSE(fs::exists(prefix.DriveC() / "ro.dek"));
}

TEST_F(MachineFiles, AttributesOfFoldersFilesAndMissingPaths) {
  prefix.WriteFile("dir/a.txt", "");
  EXPECT_EQ(machine.GetFileAttributes("C:\\dir"), kFileAttributeDirectory);
  EXPECT_EQ(machine.GetFileAttributes("C:\\DIR\\A.TXT"), kFileAttributeArchive);
  EXPECT_EQ(machine.GetFileAttributes("C:\\dir\\none.txt"), kInvalidFileAttributes);
  EXPECT_FALSE(machine.SetFileAttributes("C:\\dir\\none.txt", kFileAttributeNormal));
  // Read-only means nothing for a folder.
  EXPECT_TRUE(machine.SetFileAttributes("C:\\dir", kFileAttributeReadOnly));
  EXPECT_EQ(machine.GetFileAttributes("C:\\dir"), kFileAttributeDirectory);
}

TEST_F(MachineFiles, HiddenAndSystemLiveInTheDosAttribute) {
  const fs::path file = prefix.WriteFile("h.txt", "");
  if (setxattr(file.c_str(), "user.probe", "1", 1, 0) != 0) {
    GTEST_SKIP() << "the temporary folder's file system has no user extended attributes";
  }
  ASSERT_TRUE(machine.SetFileAttributes("C:\\h.txt", kFileAttributeHidden | kFileAttributeSystem));
  EXPECT_EQ(machine.GetFileAttributes("C:\\h.txt"),
            kFileAttributeHidden | kFileAttributeSystem | kFileAttributeArchive);
  char value[16] = {};
  ASSERT_EQ(getxattr(file.c_str(), "user.DOSATTRIB", value, sizeof value), 3);
  EXPECT_EQ(std::string(value, 3), "0x6");
  ASSERT_TRUE(machine.SetFileAttributes("C:\\h.txt", kFileAttributeNormal));
  EXPECT_EQ(machine.GetFileAttributes("C:\\h.txt"), kFileAttributeArchive);
  EXPECT_LT(getxattr(file.c_str(), "user.DOSATTRIB", value, sizeof value), 0);
}

TEST_F(MachineFiles, CopyReplacesWholeOrNothing) {
  prefix.WriteFile("lib/a.dek", "new content");
  prefix.WriteFile("lib/b.dek", "old");
  EXPECT_FALSE(machine.CopyFile("C:\\lib\\a.dek", "C:\\lib\\b.dek", true));
  EXPECT_EQ(Content("lib/b.dek"), "old");
  EXPECT_TRUE(machine.CopyFile("C:\\LIB\\A.DEK", "C:\\lib\\B.dek", false));
  EXPECT_EQ(Content("lib/b.dek"), "new content");
  EXPECT_TRUE(machine.CopyFile("C:\\lib\\a.dek", "C:\\lib\\c.dek", true));
  EXPECT_EQ(Content("lib/c.dek"), "new content");
  EXPECT_FALSE(machine.CopyFile("C:\\lib\\missing.dek", "C:\\lib\\d.dek", false));
  {
    auto holder =
        Open("C:\\lib\\b.dek", FileAccess::Read, kShareRead, FileDisposition::OpenExisting);
    EXPECT_FALSE(machine.CopyFile("C:\\lib\\a.dek", "C:\\lib\\b.dek", false));
  }
  machine.SetFileAttributes("C:\\lib\\c.dek", kFileAttributeReadOnly);
  EXPECT_FALSE(machine.CopyFile("C:\\lib\\b.dek", "C:\\lib\\c.dek", false));
  EXPECT_EQ(Entries("lib"), (std::set<std::string>{"a.dek", "b.dek", "c.dek"}));
}

TEST_F(MachineFiles, MoveRenamesWithOrWithoutReplacing) {
  prefix.WriteFile("a.tmp", "fresh");
  prefix.WriteFile("a.dek", "stale");
  EXPECT_FALSE(machine.MoveFile("C:\\a.tmp", "C:\\a.dek", false));
  EXPECT_EQ(Content("a.dek"), "stale");
  {
    auto holder =
        Open("C:\\a.tmp", FileAccess::Read, kShareReadWrite, FileDisposition::OpenExisting);
    EXPECT_FALSE(machine.MoveFile("C:\\a.tmp", "C:\\a.dek", true));
  }
  EXPECT_TRUE(machine.MoveFile("C:\\a.tmp", "C:\\A.DEK", true));
  EXPECT_EQ(Entries(""), (std::set<std::string>{"a.dek"}));
  EXPECT_EQ(Content("a.dek"), "fresh");
  EXPECT_TRUE(machine.MoveFile("C:\\a.dek", "C:\\b.dek", false));
  EXPECT_TRUE(machine.FlushDirectory("C:\\"));
  EXPECT_FALSE(machine.MoveFile("C:\\a.dek", "C:\\c.dek", true));
}

TEST_F(MachineFiles, DeleteRefusesOpenFilesAndFolders) {
  prefix.WriteFile("d/x.txt", "");
  {
    auto holder =
        Open("C:\\d\\x.txt", FileAccess::Read, kShareReadWrite, FileDisposition::OpenExisting);
    EXPECT_FALSE(machine.DeleteFile("C:\\d\\x.txt"));
  }
  EXPECT_FALSE(machine.DeleteFile("C:\\d"));
  EXPECT_FALSE(machine.RemoveDirectory("C:\\d"));  // not empty
  EXPECT_TRUE(machine.DeleteFile("C:\\D\\X.TXT"));
  EXPECT_FALSE(machine.DeleteFile("C:\\d\\x.txt"));
  EXPECT_TRUE(machine.RemoveDirectory("C:\\d"));
}

TEST_F(MachineFiles, ForceDirectoriesCreatesMissingPartsUnderExistingOnes) {
  fs::create_directories(prefix.DriveC() / "xxjInstal");
  EXPECT_TRUE(machine.ForceDirectories(Gbk("C:\\XXJINSTAL\\深圳\\定额库\\")));
  EXPECT_TRUE(fs::is_directory(prefix.DriveC() / "xxjInstal/深圳/定额库"));
  EXPECT_EQ(Entries(""), (std::set<std::string>{"xxjInstal"}));
  EXPECT_TRUE(machine.ForceDirectories(Gbk("C:\\xxjInstal\\深圳")));  // already there
  prefix.WriteFile("file", "");
  EXPECT_FALSE(machine.ForceDirectories("C:\\file\\sub"));
  EXPECT_TRUE(machine.CreateDirectory("C:\\one"));
  EXPECT_FALSE(machine.CreateDirectory("C:\\one"));
  EXPECT_FALSE(machine.CreateDirectory("C:\\two\\three"));
}

TEST_F(MachineFiles, FindFilesMatchesWildcardsWithoutCase) {
  for (const char* name : {"a.dek", "B.DEK", "c.dek.bak", "noext", "深圳.Dek"}) {
    prefix.WriteFile(std::string("lib/") + name, "12345");
  }
  fs::create_directory(prefix.DriveC() / "lib/sub");
  const auto names = [&](const std::string& pattern) {
    std::set<std::string> result;
    for (const FindData& data : machine.FindFiles(pattern)) result.insert(Utf8FromGbk(data.name));
    return result;
  };
  EXPECT_EQ(names("C:\\LIB\\*.Dek"), (std::set<std::string>{"a.dek", "B.DEK", "深圳.Dek"}));
  EXPECT_EQ(names("C:\\lib\\*.*"), (std::set<std::string>{".", "..", "a.dek", "B.DEK", "c.dek.bak",
                                                          "noext", "sub", "深圳.Dek"}));
  EXPECT_EQ(names("C:\\lib\\?.dek"), (std::set<std::string>{"a.dek", "B.DEK"}));
  EXPECT_EQ(names("C:\\lib\\??.dek"), (std::set<std::string>{"深圳.Dek"}));
  EXPECT_EQ(names("C:\\lib\\noext.*"), (std::set<std::string>{"noext"}));
  EXPECT_TRUE(names("C:\\missing\\*.*").empty());
  EXPECT_EQ(names("C:\\*"), (std::set<std::string>{"lib"}));  // no dots at a drive's root

  for (const FindData& data : machine.FindFiles("C:\\lib\\*")) {
    if (data.name == "sub" || data.name == "." || data.name == "..") {
      EXPECT_EQ(data.attributes, kFileAttributeDirectory) << data.name;
    } else {
      EXPECT_EQ(data.attributes, kFileAttributeArchive) << data.name;
      EXPECT_EQ(data.size, 5) << data.name;
    }
  }
}

}  // namespace
}  // namespace xxj
