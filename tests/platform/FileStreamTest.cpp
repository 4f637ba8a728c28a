#include "platform/FileStream.h"

#include <gtest/gtest.h>

#include "support/Errors.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

using testing::TempFolder;
using testing::TestPrefix;

TEST(DecodeFileMode, MapsAccessAndSharing) {
  const struct {
    uint16_t mode;
    FileAccess access;
    uint32_t share;
    FileDisposition disposition;
  } cases[] = {
      {kFmCreate, FileAccess::ReadWrite, kShareNone, FileDisposition::CreateAlways},
      {kFmOpenRead, FileAccess::Read, kShareNone, FileDisposition::OpenExisting},
      {kFmOpenRead | kFmShareDenyWrite, FileAccess::Read, kShareRead,
       FileDisposition::OpenExisting},
      {kFmOpenWrite | kFmShareDenyRead, FileAccess::Write, kShareWrite,
       FileDisposition::OpenExisting},
      {kFmOpenReadWrite | kFmShareDenyNone, FileAccess::ReadWrite, kShareReadWrite,
       FileDisposition::OpenExisting},
      {kFmOpenReadWrite | kFmShareExclusive, FileAccess::ReadWrite, kShareNone,
       FileDisposition::OpenExisting},
  };
  for (const auto& c : cases) {
    const FileOpenRequest request = DecodeFileMode(c.mode);
    EXPECT_EQ(request.access, c.access) << c.mode;
    EXPECT_EQ(request.share, c.share) << c.mode;
    EXPECT_EQ(request.disposition, c.disposition) << c.mode;
  }
}

TEST(TFileStream, CreatesWritesAndReadsBack) {
  TestPrefix prefix;
  {
    TFileStream out("C:\\a.dek", kFmCreate);
    out.WriteBuffer("header+body", 11);
    out.SetSize(6);
    EXPECT_EQ(out.Size(), 6);
    EXPECT_EQ(out.Position(), 6);
    out.Flush();
  }
  EXPECT_EQ(TempFolder::ReadFile(prefix.DriveC() / "a.dek"), "header");
  TFileStream in("C:\\A.DEK", kFmOpenRead | kFmShareDenyWrite);
  char buffer[6];
  in.ReadBuffer(buffer, 6);
  EXPECT_EQ(std::string(buffer, 6), "header");
  EXPECT_THROW(in.ReadBuffer(buffer, 1), Exception);
  EXPECT_EQ(in.Write("x", 1), 0);  // opened for reading only
}

TEST(TFileStream, ErrorsNameTheFileAndTheReason) {
  TestPrefix prefix;
  try {
    TFileStream missing("C:\\lib\\none.dek", kFmOpenReadWrite | kFmShareDenyNone);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find("Cannot open file \"C:\\lib\\none.dek\""), std::string::npos);
    EXPECT_NE(e.Message().find("No such file"), std::string::npos) << e.Message();
  }
  prefix.WriteFile("ro.dek", "x");
  prefix.GetMachine().SetFileAttributes("C:\\ro.dek", kFileAttributeReadOnly);
  EXPECT_THROW(TFileStream("C:\\ro.dek", kFmCreate), EFCreateError);
  EXPECT_THROW(TFileStream("C:\\ro.dek", kFmOpenReadWrite | kFmShareDenyNone), EFOpenError);
  EXPECT_EQ(TempFolder::ReadFile(prefix.DriveC() / "ro.dek"), "x");

  TFileStream holder("C:\\other.dek", kFmCreate);  // exclusive
  EXPECT_THROW(TFileStream("C:\\other.dek", kFmOpenRead | kFmShareDenyNone), EFOpenError);
}

}  // namespace
}  // namespace xxj
