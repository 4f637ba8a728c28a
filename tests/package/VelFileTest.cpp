#include "package/uVelFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "filedb/MemStream.h"
#include "package/Adtg.h"
#include "package/Dataset.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

using testing::TestPrefix;

const std::string kPath = "C:\\pkg\\prices.xxj";

uint16_t U16(const std::string& b, size_t at) {
  uint16_t v;
  std::memcpy(&v, b.data() + at, 2);
  return v;
}
uint32_t U32(const std::string& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

class MemoryOf : public TMemStream {
 public:
  explicit MemoryOf(const std::string& bytes) { WriteBuffer(bytes.data(), bytes.size()); }
  std::string Bytes() { return std::string(reinterpret_cast<char*>(Memory()), Size()); }
};

class PackageFile : public ::testing::Test {
 protected:
  PackageFile() { std::filesystem::create_directories(prefix.DriveC() / "pkg"); }
  std::string Raw() { return testing::TempFolder::ReadFile(prefix.DriveC() / "pkg/prices.xxj"); }
  void WriteRaw(const std::string& bytes) { prefix.WriteFile("pkg/prices.xxj", bytes); }
  std::string Extract(TVelFile& file, int index) {
    MemoryOf out("");
    file.ExtractEntry(index, out);
    return out.Bytes();
  }
  // A package with entries TXXJ (deflated) and TGLJLX (stored).
  void MakeTwoEntries() {
    TXxjFile file(kPath, kCreatePackage);
    MemoryOf txxj(kTxxj), lx(kLx);
    file.AddEntry(txxj, "TXXJ", true);
    file.AddEntry(lx, "TGLJLX", false);
  }

  TestPrefix prefix;
  const std::string kTxxj = std::string(5000, 'x') + "prices";
  const std::string kLx = "LXID,ZMID";
};

TEST_F(PackageFile, HeaderRecordHasItsFixedLayout) {
  {
    TXxjFile file(kPath, kCreatePackage);
    PackageHeader& h = file.Header();
    h.SetName(Gbk("深圳信息价"));
    h.SetRemark(Gbk("2019年12月"));
    h.SetLibraryId(102013);
    h.SetStartDate(43800);
    h.SetEndDate(43800 + 31);
    file.SaveHeader();
  }
  const std::string b = Raw();
  ASSERT_EQ(b.size(), 512u);
  EXPECT_EQ(U16(b, 0), 1798);
  EXPECT_EQ(U16(b, 2), 600);
  EXPECT_EQ(U32(b, 4), 102013u);
  EXPECT_EQ(static_cast<int32_t>(U32(b, 8)), TodayDayNumber());
  EXPECT_EQ(b.substr(12, 11), Gbk("深圳信息价") + '\0');
  EXPECT_EQ(b.substr(62, 11), Gbk("2019年12月") + '\0');
  EXPECT_EQ(U32(b, 462), 43800u);
  EXPECT_EQ(U32(b, 466), 43831u);
  EXPECT_EQ(b.substr(470), std::string(42, '\0'));

  TXxjFile read(kPath, kOpenReadShared);
  EXPECT_EQ(read.Header().Name(), Gbk("深圳信息价"));
  EXPECT_EQ(read.QuotaLibraryId(), 102013);
  EXPECT_EQ(read.StartDate(), 43800.0);
  EXPECT_EQ(read.EndDate(), 43831.0);
}

TEST_F(PackageFile, AcceptsVersionsFrom1798UnsignedAndOnlyKind600) {
  const struct {
    uint16_t version;
    uint16_t kind;
    bool velAccepts;
    bool xxjAccepts;
  } cases[] = {{1797, 600, false, false}, {1798, 600, true, true},   {2304, 600, true, true},
               {0x8000, 600, true, true}, {0xFFFF, 600, true, true}, {2304, 599, true, false}};
  for (const auto& c : cases) {
    std::string bytes(512, '\0');
    std::memcpy(&bytes[0], &c.version, 2);
    std::memcpy(&bytes[2], &c.kind, 2);
    WriteRaw(bytes);
    EXPECT_EQ(c.velAccepts, [&] {
      try {
        TVelFile f(kPath, kOpenRead);
        return true;
      } catch (const EFOpenError&) {
        return false;
      }
    }()) << c.version;
    try {
      TXxjFile f(kPath, kOpenRead);
      EXPECT_TRUE(c.xxjAccepts) << c.version << " " << c.kind;
    } catch (const EFOpenError& e) {
      EXPECT_FALSE(c.xxjAccepts) << c.version << " " << c.kind;
      EXPECT_EQ(e.Message(), Gbk("文件:\"") + kPath + Gbk("\"格式无效！"));
    }
  }
}

TEST_F(PackageFile, ShortFileKeepsTheFreshRecordBeyondItsEnd) {
  WriteRaw(std::string("\x00\x09", 2));  // Version 2304, nothing else
  TVelFile vel(kPath, kOpenRead);
  EXPECT_EQ(vel.Header().Version(), 2304);
  EXPECT_EQ(vel.Header().Created(), TodayDayNumber());
  EXPECT_EQ(vel.IndexOfEntry("TXXJ"), -1);
  EXPECT_THROW(TXxjFile(kPath, kOpenRead), EFOpenError);
}

TEST_F(PackageFile, OpenAndCreateFailuresNameTheFile) {
  try {
    TXxjFile f("C:\\pkg\\missing.xxj", kOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), Gbk("打开文件 C:\\pkg\\missing.xxj 失败！"));
  }
  try {
    TXxjFile f("C:\\nofolder\\a.xxj", kCreatePackage);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), Gbk("无法创建文件 C:\\nofolder\\a.xxj！"));
  }
}

TEST_F(PackageFile, NameFieldReadsToNulOrAllFiftyBytes) {
  std::string bytes(512, '\0');
  bytes[0] = '\x06';
  bytes[1] = '\x07';
  bytes[2] = '\x58';
  bytes[3] = '\x02';
  std::memset(&bytes[12], 'N', 50);  // no NUL: Remark follows directly
  bytes[62] = 'R';
  WriteRaw(bytes);
  {
    TXxjFile f(kPath, kOpenRead);
    EXPECT_EQ(f.Header().Name(), std::string(50, 'N'));
    EXPECT_EQ(f.Header().Remark(), "R");
  }
  // Cut after the lead byte of a double-byte character: the byte is kept.
  bytes.replace(12, 50, std::string(48, 'N') + "\xC9" + '\0');
  WriteRaw(bytes);
  TXxjFile f(kPath, kOpenRead);
  EXPECT_EQ(f.Header().Name(), std::string(48, 'N') + "\xC9");
  EXPECT_THROW(f.Header().SetName(std::string(50, 'N')), Exception);
}

TEST_F(PackageFile, QuotaLibraryIdHidesIdsWithBit30) {
  TXxjFile f(kPath, kCreatePackage);
  f.Header().SetLibraryId(102013);
  EXPECT_EQ(f.QuotaLibraryId(), 102013);
  f.Header().SetLibraryId(0x40000000 | 102013);
  EXPECT_EQ(f.QuotaLibraryId(), -1);
  EXPECT_EQ(f.Header().LibraryId(), 0x40000000 | 102013);
}

TEST_F(PackageFile, EntryHeadersHoldSignatureMethodDateAndSizes) {
  MakeTwoEntries();
  const std::string b = Raw();
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  const uint32_t today = DosDateTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  // TXXJ, deflated.
  EXPECT_EQ(b.substr(512, 4), "TS\x03\x04");
  EXPECT_EQ(U32(b, 516), 0u);
  EXPECT_EQ(U16(b, 520), 8);
  EXPECT_EQ(U32(b, 522), today);
  EXPECT_EQ(U16(b, 522), 0);  // midnight
  EXPECT_EQ(U32(b, 526), 0u);
  const uint32_t packed = U32(b, 530);
  EXPECT_EQ(U32(b, 534), kTxxj.size());
  EXPECT_EQ(U32(b, 538), 4u);
  EXPECT_EQ(b.substr(542, 4), "TXXJ");
  EXPECT_EQ(static_cast<uint8_t>(b[546]), 0x78);  // a zlib stream
  // TGLJLX, stored: both sizes equal, the bytes as they are.
  const size_t second = 546 + packed;
  EXPECT_EQ(U16(b, second + 8), 0);
  EXPECT_EQ(U32(b, second + 18), kLx.size());
  EXPECT_EQ(U32(b, second + 22), kLx.size());
  EXPECT_EQ(b.substr(second + 30), "TGLJLX" + kLx);
  EXPECT_EQ(DosDateTime(2019, 12, 4), 0x4F840000u);  // bytes 00 00 84 4F
}

TEST_F(PackageFile, FindsEntriesWithoutCaseAndExtractsThemAlike) {
  MakeTwoEntries();
  TXxjFile f(kPath, kOpenReadShared);
  EXPECT_EQ(f.IndexOfEntry("txxj"), 0);
  EXPECT_EQ(f.IndexOfEntry("tgljlx"), 1);
  EXPECT_EQ(f.IndexOfEntry("TGLJZM"), -1);
  EXPECT_EQ(Extract(f, 0), kTxxj);
  EXPECT_EQ(Extract(f, 1), kLx);
  // The same content stored and deflated extracts to the same bytes.
  TXxjFile g("C:\\pkg\\b.xxj", kCreatePackage);
  MemoryOf content(kTxxj);
  g.AddEntry(content, "A", false);
  g.AddEntry(content, "B", true);
  EXPECT_EQ(Extract(g, 0), Extract(g, 1));
}

TEST_F(PackageFile, DeletedEntriesKeepTheirPositions) {
  MakeTwoEntries();
  const std::string before = Raw();
  {
    TXxjFile f(kPath, 2 /* read-write */);
    f.DeleteEntry(0);
    EXPECT_EQ(f.IndexOfEntry("TXXJ"), -1);
    EXPECT_EQ(f.IndexOfEntry("TGLJLX"), 1);
    EXPECT_EQ(Extract(f, 1), kLx);
    EXPECT_EQ(Extract(f, 0), kTxxj);  // still there, only marked
  }
  std::string after = Raw();
  EXPECT_EQ(U32(after, 516), 0x80000000u);
  after[519] = 0;
  EXPECT_EQ(after, before);  // only the flag changed
}

TEST_F(PackageFile, AddingUnderALiveNameReplacesTheEntry) {
  MakeTwoEntries();
  TXxjFile f(kPath, 2);
  MemoryOf newer("new prices");
  f.AddEntry(newer, "txxj", true);
  const auto entries = f.Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_TRUE(entries[0].deleted);
  EXPECT_EQ(entries[0].name, "TXXJ");
  EXPECT_EQ(entries[2].name, "txxj");
  EXPECT_EQ(f.IndexOfEntry("TXXJ"), 2);
  EXPECT_EQ(Extract(f, 2), "new prices");
  EXPECT_EQ(Extract(f, 0), kTxxj);
}

TEST_F(PackageFile, HeaderOnlyPackageHasNoEntries) {
  { TXxjFile f(kPath, kCreatePackage); }
  TXxjFile f(kPath, kOpenRead);
  EXPECT_EQ(f.IndexOfEntry("TXXJ"), -1);
  Dataset ds;
  ds.AddField("Keep", FieldKind::Integer);
  EXPECT_FALSE(f.LoadEntry("TXXJ", ds));
  EXPECT_EQ(ds.FieldCount(), 1);  // left alone
  MemoryOf out("");
  EXPECT_THROW(f.ExtractEntry(0, out), Exception);
}

TEST_F(PackageFile, LoadsAnEntryIntoADatasetLeavingNoFiles) {
  Dataset source;
  source.AddField("ZMBH", FieldKind::Text, 50).AppendText(u"0101");
  source.AddField("DEDJ", FieldKind::Currency).AppendInt(12345);
  source.CommitRecord();
  {
    TXxjFile f(kPath, kCreatePackage);
    MemoryOf content(WriteAdtg(source, "TXXJ"));
    f.AddEntry(content, "TXXJ", true);
  }
  const auto filesBefore =
      std::distance(std::filesystem::recursive_directory_iterator(prefix.Path()), {});
  TXxjFile f(kPath, kOpenReadShared);
  Dataset ds;
  ASSERT_TRUE(f.LoadEntry("txxj", ds));
  ds.First();
  EXPECT_EQ(ds.FieldByName("zmbh").AsString(), "0101");
  EXPECT_EQ(ds.FieldByName("DEDJ").AsString(), "1.2345");
  EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(prefix.Path()), {}),
            filesBefore);
}

TEST_F(PackageFile, AnEntryThatIsNoRecordsetIsNamedInTheError) {
  {
    TXxjFile f(kPath, kCreatePackage);
    MemoryOf junk("not a recordset");
    f.AddEntry(junk, "TGLJZM", false);
  }
  TXxjFile f(kPath, kOpenRead);
  Dataset ds;
  try {
    f.LoadEntry("TGLJZM", ds);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find(kPath), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("TGLJZM"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(ds.FieldCount(), 0);
}

TEST_F(PackageFile, DamagedPackagesGiveErrorsThatNameTheFile) {
  MakeTwoEntries();
  const std::string good = Raw();
  const size_t second = 546 + U32(good, 530);
  auto with = [&](size_t at, const std::string& bytes) {
    std::string b = good;
    b.replace(at, bytes.size(), bytes);
    return b;
  };
  auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<char*>(&v), 4); };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"cut inside the deflate data", good.substr(0, 600)},
      {"cut inside an entry header", good.substr(0, 520)},
      {"lying uncompressed size", with(534, u32(0x7FFFFFFF))},
      {"uncompressed size one short", with(534, u32(kTxxj.size() - 1))},
      {"uncompressed size one long", with(534, u32(kTxxj.size() + 1))},
      {"compressed size beyond the file", with(530, u32(0xFFFFFF00))},
      {"damaged deflate stream", with(560, "\xFF\xFF\xFF\xFF")},
      {"damaged checksum", with(second - 2, "\xAB\xCD")},
      {"stored size larger than its data", with(second + 22, u32(1000))},
  };
  for (const auto& c : cases) {
    WriteRaw(c.bytes);
    try {
      TXxjFile f(kPath, kOpenRead);
      MemoryOf out("");
      f.ExtractEntry(0, out);
      f.ExtractEntry(1, out);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find(kPath), std::string::npos) << c.what;
    }
  }
  WriteRaw(with(second, "XX"));
  TXxjFile f(kPath, kOpenRead);
  try {
    f.IndexOfEntry("TGLJZM");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), Gbk("文件格式错误"));
  }
}

// A source that claims more bytes than it can give.
class FailingSource : public TMemStream {
 public:
  FailingSource() { SetSize(200000); }
  int64_t Read(void* buffer, int64_t count) override {
    if (Position() > 100000) return 0;
    return TMemStream::Read(buffer, count);
  }
};

TEST_F(PackageFile, FailedAddLeavesThePackageAsItWas) {
  MakeTwoEntries();
  const std::string before = Raw();
  {
    TXxjFile f(kPath, 2);
    FailingSource source;
    EXPECT_THROW(f.AddEntry(source, "TGLJZM", true), Exception);
    EXPECT_THROW(f.AddEntry(source, std::string(261, 'N'), false), Exception);
  }
  EXPECT_EQ(Raw(), before);
}

TEST(EntryCodec, ReportsProgressAndFailsOnAMissingEntry) {
  TMemStream source;
  // Random bytes barely deflate, so reading refills the buffer several times.
  std::string content(300000, '\0');
  std::mt19937 random(7);
  for (char& c : content) c = static_cast<char>(random());
  source.WriteBuffer(content.data(), content.size());
  TMemStream file;
  std::vector<int> written;
  ASSERT_EQ(WriteEntry(
                file, source, "TXXJ", [&](int p) { written.push_back(p); }, true),
            0);
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(written.back(), 100);
  file.SetPosition(0);
  TMemStream dest;
  std::vector<int> read;
  ASSERT_EQ(ReadEntry(dest, file, [&](int p) { read.push_back(p); }), 0);
  EXPECT_EQ(dest.Size(), 300000);
  ASSERT_GE(read.size(), 2u);
  EXPECT_TRUE(std::is_sorted(read.begin(), read.end()));
  EXPECT_EQ(read.back(), 100);
  EXPECT_EQ(SkipEntry(file), -1);  // at the end: no signature
  file.SetPosition(0);
  EXPECT_EQ(SkipEntry(file), file.Size());
  // No entry at the position is an error, not an empty success.
  EXPECT_EQ(ReadEntry(dest, file, nullptr), kEntryBadSignature);
}

TEST(WorkFolder, DocumentsFolderThenTheFixedFolders) {
  {
    TestPrefix prefix;
    std::filesystem::create_directories(prefix.DriveC() / "users/me/Documents");
    prefix.WriteUserReg({{"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                          "Personal", "C:\\users\\me\\Documents"}});
    EXPECT_EQ(GetWorkFolder(), "C:\\users\\me\\Documents\\");
  }
  TestPrefix prefix;  // documents folder missing, no drive D:
  prefix.WriteUserReg({{"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        "Personal", "C:\\users\\nobody\\Documents"}});
  EXPECT_EQ(GetWorkFolder(), "c:\\$VelmoTmp$\\");
  EXPECT_TRUE(std::filesystem::is_directory(prefix.DriveC() / "$VelmoTmp$"));
}

}  // namespace
}  // namespace xxj
