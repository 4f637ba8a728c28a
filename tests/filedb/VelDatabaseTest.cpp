#include "filedb/VelDatabase.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "FaultyMachine.h"
#include "filedb/CustomFileDB.h"
#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "platform/Machine.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "testutil/ErrorText.h"
#include "testutil/TempFolder.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t U32At(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

using testing::ErrorOf;

// A TXXJ-like table: an integer key and a price per row.
std::unique_ptr<TMatrix> PriceTable(int rows, int32_t firstKey = 1) {
  auto matrix = std::make_unique<TMatrix>();
  TMColumn& key = matrix->AddColumn<TMIntColumn>("ID");
  TMColumn& price = matrix->AddColumn<TMFloatColumn>("XXDJ");
  TMColumn& name = matrix->AddColumn<TMStringColumn>("ZMMC");
  for (int i = 0; i < rows; ++i) {
    matrix->Append();
    key.SetAsInteger(firstKey + i);
    price.SetAsFloat((firstKey + i) * 1.25);
    name.SetAsString(Gbk("水泥") + std::to_string(i));
  }
  return matrix;
}

Bytes StreamForm(TMatrix& matrix) {
  TMemStream stream;
  matrix.SaveToStream(stream);
  return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

class FileDBTest : public ::testing::Test {
 protected:
  // The machine's path of a file on drive C: of the test prefix.
  static std::string PathOf(const std::string& name) { return "C:\\" + name; }
  std::filesystem::path UnixPathOf(const std::string& name) const {
    return prefix_.DriveC() / name;
  }
  std::string FileBytes(const std::string& name) const {
    return testing::TempFolder::ReadFile(UnixPathOf(name));
  }
  void WriteBytes(const std::string& name, const std::string& bytes) {
    prefix_.WriteFile(name, bytes);
  }

  testing::TestPrefix prefix_;
};

TEST_F(FileDBTest, NewFileIsTheBareHeader) {
  {
    TFileDB db(PathOf("new.Dek"));
    EXPECT_EQ(db.TableCount(), 0);
    EXPECT_EQ(db.GetIdent(), "");
    EXPECT_EQ(db.GetPeriodText(), "");
    EXPECT_FALSE(db.IsReadOnly());
  }
  std::string expected(2048, '\0');
  const std::string signature = "Velmora Database V2.0";
  expected[0] = static_cast<char>(signature.size());
  expected.replace(1, signature.size(), signature);
  expected.replace(32, 8, std::string("\xA4\xE7\xFC\x07\x02\x00\x00\x00", 8));
  EXPECT_EQ(FileBytes("new.Dek"), expected);
}

TEST_F(FileDBTest, OpeningChecksMagicSignatureAndTableCount) {
  std::string header(2048, '\0');
  const std::string signature = "velmora database V3.1";
  header[0] = static_cast<char>(signature.size());
  header.replace(1, signature.size(), signature);
  header.replace(32, 4, std::string("\xA4\xE7\xFC\x07", 4));
  WriteBytes("lower.Dek", header);
  EXPECT_EQ(TFileDB(PathOf("lower.Dek")).TableCount(), 0);

  const auto patched = [&](size_t at, const std::string& bytes) {
    std::string copy = header;
    copy.replace(at, bytes.size(), bytes);
    return copy;
  };
  const struct {
    const char* what;
    std::string bytes;
  } invalid[] = {
      {"magic", patched(32, "\xA5")},
      {"signature", patched(1, "Velnora")},
      {"table count above 246", patched(40, std::string("\xF7\x00\x00\x00", 4))},
      {"negative table count", patched(40, std::string("\xFF\xFF\xFF\xFF", 4))},
      {"shorter than a header", header.substr(0, 20)},
      {"empty file", ""},
  };
  for (const auto& c : invalid) {
    WriteBytes("bad.Dek", c.bytes);
    EXPECT_EQ(ErrorOf([&] { TFileDB db(PathOf("bad.Dek")); }), Gbk("无效的Velmora数据库文件格式"))
        << c.what;
    EXPECT_EQ(FileBytes("bad.Dek"), c.bytes) << c.what;  // left as it was
  }
  EXPECT_THROW(TFileDB(PathOf("no\\such\\x.Dek")), EFCreateError);
}

TEST_F(FileDBTest, TableBlobLayout) {
  auto matrix = PriceTable(3);
  const Bytes form = StreamForm(*PriceTable(3));
  {
    TFileDB db(PathOf("blob.Dek"));
    EXPECT_EQ(&db.WriteTable("TXXJ", *matrix), matrix.get());
    EXPECT_TRUE(matrix->Eof());
  }
  const std::string file = FileBytes("blob.Dek");
  ASSERT_GT(file.size(), 2048u + 13);
  EXPECT_EQ(U32At(file, 40), 1u);                  // table count
  EXPECT_EQ(U32At(file, 76), 2048u);               // slot 0 offset
  EXPECT_EQ(U32At(file, 80), file.size() - 2048);  // slot 0 size
  EXPECT_EQ(U32At(file, 2044), 3u);                // rows written
  EXPECT_EQ(U32At(file, 2048), 0x77FCE7ADu);       // blob magic
  EXPECT_EQ(U32At(file, 2052), form.size());       // content size
  EXPECT_EQ(file.substr(2056, 5), std::string("\x04", 1) + ScrambleText("TXXJ"));
  EXPECT_EQ(file.substr(2061, 2), "\x78\x01");  // zlib header of level 1
  Bytes inflated(form.size());
  uLongf inflatedSize = inflated.size();
  ASSERT_EQ(uncompress(inflated.data(), &inflatedSize,
                       reinterpret_cast<const Bytef*>(file.data() + 2061), file.size() - 2061),
            Z_OK);
  EXPECT_EQ(inflated, form);
}

TEST_F(FileDBTest, WrittenTablesReadBackWholeAndRewriteToTheSameBytes) {
  for (const char* name : {"a.Dek", "b.Dek"}) {
    TFileDB db(PathOf(name));
    db.SetIdent("Dek");
    db.WriteTable("  Tgljzm ", *PriceTable(5));
    db.WriteTable("TXXJ", *PriceTable(2, 100));
    TMatrix empty;
    empty.AddColumn<TMBlobColumn>("DATA");
    db.WriteTable("TEMPTY", empty);
  }
  EXPECT_EQ(FileBytes("a.Dek"), FileBytes("b.Dek"));

  TCustomFileDB db(PathOf("a.Dek"));
  ASSERT_EQ(db.TableCount(), 3);
  EXPECT_EQ(db.TableName(0), "Tgljzm");
  EXPECT_EQ(db.TableName(-1), "");
  EXPECT_EQ(db.TableName(3), "");
  EXPECT_EQ(db.IndexOfTable("txxj"), 1);
  EXPECT_EQ(db.IndexOfTable("TNONE"), -1);
  EXPECT_EQ(db.ReadTable("TNONE"), nullptr);
  EXPECT_EQ(db.GetIdent(), "Dek");

  auto table = db.ReadTable("TGLJZM");
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->RowCount(), 5);
  EXPECT_EQ(table->CurrentRow(), 0);
  table->Next();
  EXPECT_EQ(table->Columns(0).GetAsInteger(), 2);
  EXPECT_EQ(table->Columns(1).GetAsFloat(), 2.5);
  EXPECT_EQ(table->Columns(2).GetAsString(), Gbk("水泥") + "1");
  EXPECT_EQ(StreamForm(*table), StreamForm(*PriceTable(5)));
  auto empty = db.ReadTable("tempty");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->RowCount(), 0);
  EXPECT_EQ(empty->ColumnCount(), 1);
}

TEST_F(FileDBTest, ReplacingATableMovesItToTheEndWithoutAGap) {
  TFileDB db(PathOf("r.Dek"));
  db.WriteTable("A", *PriceTable(4));
  db.WriteTable("B", *PriceTable(6));
  const std::string before = FileBytes("r.Dek");
  const uint32_t sizeA = U32At(before, 80), sizeB = U32At(before, 88);
  db.WriteTable("a", *PriceTable(10));
  ASSERT_EQ(db.TableCount(), 2);
  EXPECT_EQ(db.TableName(0), "B");
  EXPECT_EQ(db.TableName(1), "a");
  const std::string after = FileBytes("r.Dek");
  EXPECT_EQ(U32At(after, 76), 2048u);  // B moved down into A's place
  EXPECT_EQ(U32At(after, 84), 2048u + sizeB);
  EXPECT_EQ(after.size(), 2048u + sizeB + U32At(after, 88));
  EXPECT_EQ(after.substr(2048, sizeB), before.substr(2048 + sizeA, sizeB));
  EXPECT_EQ(db.RowsWritten(), 20u);
  EXPECT_EQ(db.ReadTable("A")->RowCount(), 10);
}

TEST_F(FileDBTest, DeletingCompactsTheFileAndTheDirectory) {
  TFileDB db(PathOf("d.Dek"));
  db.WriteTable("T1", *PriceTable(3));
  db.WriteTable("T2", *PriceTable(4));
  db.WriteTable("T3", *PriceTable(5));
  const std::string before = FileBytes("d.Dek");
  const uint32_t size1 = U32At(before, 80), size2 = U32At(before, 88), size3 = U32At(before, 96);

  const std::string untouched = FileBytes("d.Dek");
  EXPECT_FALSE(db.DeleteTable("T9"));
  EXPECT_EQ(FileBytes("d.Dek"), untouched);

  EXPECT_TRUE(db.DeleteTable("t1"));
  std::string after = FileBytes("d.Dek");
  EXPECT_EQ(U32At(after, 40), 2u);
  EXPECT_EQ(U32At(after, 76), 2048u);
  EXPECT_EQ(U32At(after, 80), size2);
  EXPECT_EQ(U32At(after, 84), 2048u + size2);
  EXPECT_EQ(U32At(after, 88), size3);
  EXPECT_EQ(after.size(), before.size() - size1);
  EXPECT_EQ(after.substr(2048), before.substr(2048 + size1));

  EXPECT_TRUE(db.DeleteTable("T3"));  // the last one: the file only shrinks
  after = FileBytes("d.Dek");
  EXPECT_EQ(after.size(), 2048u + size2);
  EXPECT_EQ(after.substr(2048), before.substr(2048 + size1, size2));
  EXPECT_EQ(db.TableCount(), 1);
  EXPECT_EQ(db.ReadTable("T2")->RowCount(), 4);
  EXPECT_EQ(db.RowsWritten(), 12u);  // never decreases
}

TEST_F(FileDBTest, AtMost246Tables) {
  TFileDB db(PathOf("full.Dek"));
  TMatrix small;
  small.AddColumn<TMIntColumn>("N");
  for (int i = 0; i < 246; ++i) db.WriteTable("T" + std::to_string(i), small);
  const std::string before = FileBytes("full.Dek");
  EXPECT_EQ(ErrorOf([&] { db.WriteTable("ONEMORE", small); }), Gbk("存储表已经达到最大个数！"));
  EXPECT_EQ(FileBytes("full.Dek"), before);
  EXPECT_EQ(db.TableCount(), 246);
  small.Append();
  db.WriteTable("T0", small);
  EXPECT_EQ(db.TableName(245), "T0");
  EXPECT_EQ(db.ReadTable("T0")->RowCount(), 1);
  EXPECT_EQ(TFileDB(PathOf("full.Dek")).TableCount(), 246);
}

TEST_F(FileDBTest, IdentPeriodAndRowsWrittenPersist) {
  {
    TFileDB db(PathOf("h.nxxj"));
    db.SetIdent("102013456789XY");  // 12 or more characters: the first 11 are kept
    db.SetPeriodText("45292,45322");
    auto table = PriceTable(10);
    db.WriteTable("TXXJ", *table);
    db.WriteTable("TXXJ", *table);
  }
  const std::string file = FileBytes("h.nxxj");
  EXPECT_EQ(file.substr(44, 12), std::string("\x0B") + "10201345678");
  EXPECT_EQ(file.substr(56, 12), std::string("\x0B") + ScramblePeriod("45292,45322"));
  EXPECT_EQ(ScramblePeriod("45"), std::string({'4' ^ 'Q', '5' ^ 'w'}));
  EXPECT_EQ(U32At(file, 2044), 20u);
  TFileDB db(PathOf("h.nxxj"));
  EXPECT_EQ(db.GetIdent(), "10201345678");
  EXPECT_EQ(db.GetPeriodText(), "45292,45322");
  EXPECT_EQ(db.RowsWritten(), 20u);
}

TEST_F(FileDBTest, DamagedTablesReadAsAbsentWhileOthersRead) {
  {
    TFileDB db(PathOf("good.Dek"));
    db.WriteTable("T1", *PriceTable(3));
    db.WriteTable("T2", *PriceTable(4));
  }
  const std::string good = FileBytes("good.Dek");
  const uint32_t blob = U32At(good, 84);  // T2's blob
  const auto patched = [&](size_t at, const std::string& bytes) {
    std::string copy = good;
    copy.replace(at, bytes.size(), bytes);
    return copy;
  };
  const auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"blob magic", patched(blob, "\xAE")},
      {"content size zero", patched(blob + 4, u32(0))},
      {"negative content size", patched(blob + 4, u32(0x80000000u))},
      {"content size beyond any inflation", patched(blob + 4, u32(0x7FFFFFFFu))},
      {"content size larger than the data", patched(blob + 4, u32(U32At(good, blob + 4) + 1))},
      {"corrupt compressed data", patched(blob + 20, std::string(8, '\x55'))},
      {"slot beyond the file", patched(84, u32(0xFFFFFF00u))},
      {"slot size beyond the file", patched(88, u32(0x7FFFFFFFu))},
      {"slot smaller than a blob header", patched(88, u32(5))},
      {"name longer than the blob", patched(blob + 8, "\xFF")},
      {"cut file", good.substr(0, good.size() - 10)},
  };
  for (const auto& c : cases) {
    WriteBytes("bad.Dek", c.bytes);
    TFileDB db(PathOf("bad.Dek"));
    ASSERT_EQ(db.TableCount(), 2) << c.what;
    EXPECT_EQ(db.ReadTable(db.TableName(1)), nullptr) << c.what;
    auto other = db.ReadTable("T1");
    ASSERT_NE(other, nullptr) << c.what;
    EXPECT_EQ(other->RowCount(), 3) << c.what;
  }
}

TEST_F(FileDBTest, AStreamFormThatFailsToLoadReadsAsAbsent) {
  // A well-compressed blob whose content is not a table.
  { TFileDB created(PathOf("x.Dek")); }
  std::string header = FileBytes("x.Dek");
  const std::string content = "not a table stream";
  Bytes compressed(compressBound(content.size()));
  uLongf compressedSize = compressed.size();
  ASSERT_EQ(compress2(compressed.data(), &compressedSize,
                      reinterpret_cast<const Bytef*>(content.data()), content.size(), 1),
            Z_OK);
  std::string blob = std::string("\xAD\xE7\xFC\x77", 4);
  const uint32_t contentSize = static_cast<uint32_t>(content.size());
  blob += std::string(reinterpret_cast<const char*>(&contentSize), 4);
  blob += std::string("\x01", 1) + ScrambleText("X");
  blob += std::string(reinterpret_cast<const char*>(compressed.data()), compressedSize);
  const uint32_t count = 1, offset = 2048, size = static_cast<uint32_t>(blob.size());
  header.replace(40, 4, std::string(reinterpret_cast<const char*>(&count), 4));
  header.replace(76, 4, std::string(reinterpret_cast<const char*>(&offset), 4));
  header.replace(80, 4, std::string(reinterpret_cast<const char*>(&size), 4));
  WriteBytes("x.Dek", header + blob);
  TFileDB db(PathOf("x.Dek"));
  EXPECT_EQ(db.TableName(0), "X");
  EXPECT_EQ(db.ReadTable("X"), nullptr);
}

}  // namespace
}  // namespace xxj

namespace xxj {
namespace {

TEST_F(FileDBTest, AFileThatCannotBeWrittenOpensReadOnlyAndRefusesWrites) {
  {
    TFileDB db(PathOf("ro.Dek"));
    db.WriteTable("T1", *PriceTable(2));
  }
  const std::string before = FileBytes("ro.Dek");
  testing::FaultyMachine faulty(prefix_.GetMachine());
  faulty.refuseWriteAccess = true;
  ScopedMachine scoped(faulty);
  TFileDB db(PathOf("ro.Dek"));
  EXPECT_TRUE(db.IsReadOnly());
  EXPECT_EQ(db.ReadTable("T1")->RowCount(), 2);
  const std::string error = ErrorOf([&] { db.WriteTable("T2", *PriceTable(1)); });
  EXPECT_NE(error.find("ro.Dek"), std::string::npos) << error;
  EXPECT_EQ(FileBytes("ro.Dek"), before);
  EXPECT_THROW(TFileDB(PathOf("new.Dek")), EFCreateError);
}

TEST_F(FileDBTest, AFailedWriteIsReportedAndLeavesNoPartialTable) {
  testing::FaultyMachine faulty(prefix_.GetMachine());
  ScopedMachine scoped(faulty);
  faulty.writeBudget = 2048 + 64;  // the header and a little more
  TFileDB db(PathOf("full.Dek"));
  const std::string error = ErrorOf([&] { db.WriteTable("TXXJ", *PriceTable(50)); });
  EXPECT_NE(error.find("full.Dek"), std::string::npos) << error;
  EXPECT_EQ(db.TableCount(), 0);
  EXPECT_EQ(FileBytes("full.Dek").size(), 2048u);  // the partial blob was cut off again
  EXPECT_EQ(TFileDB(PathOf("full.Dek")).TableCount(), 0);
}

// A table compressed as its stream form comes: the same file as a whole
// write; a form of the wrong size, a writer that fails halfway or a file that
// fills up leaves the file as it was.
TEST_F(FileDBTest, StreamedTablesMatchWholeWritesAndFailWithoutATrace) {
  const auto streamed = [](TFileDB& db, const std::string& name, TMatrix& matrix,
                           int64_t sizeDelta) {
    const Bytes form = StreamForm(matrix);
    db.WriteTableStreamed(name, static_cast<int64_t>(form.size()) + sizeDelta,
                          static_cast<uint32_t>(matrix.RowCount()), [&](TStream& out) {
                            // Odd pieces, so writes straddle the compressor's buffers.
                            for (size_t at = 0; at < form.size(); at += 7777)
                              out.WriteBuffer(
                                  form.data() + at,
                                  static_cast<int64_t>(std::min<size_t>(7777, form.size() - at)));
                          });
  };
  {
    TFileDB whole(PathOf("whole.Dek"));
    TFileDB stream(PathOf("stream.Dek"));
    for (int rows : {0, 3, 40000}) {
      const std::string name = "T" + std::to_string(rows);
      whole.WriteTable(name, *PriceTable(rows));
      streamed(stream, name, *PriceTable(rows), 0);
    }
  }
  EXPECT_TRUE(FileBytes("whole.Dek") == FileBytes("stream.Dek"));

  const std::string before = FileBytes("stream.Dek");
  TFileDB db(PathOf("stream.Dek"));
  for (int64_t delta : {-1, 1}) {
    const std::string error = ErrorOf([&] { streamed(db, "TNew", *PriceTable(30000), delta); });
    EXPECT_NE(error.find("TNew"), std::string::npos) << error;
  }
  const std::string error = ErrorOf([&] {
    db.WriteTableStreamed("TNew", 1 << 22, 1, [](TStream& out) {
      // Incompressible, so compressed bytes reach the file before the failure.
      std::vector<uint8_t> noise(1 << 20);
      uint32_t state = 12345;
      for (uint8_t& b : noise)
        b = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 24);
      for (int i = 0; i < 3; ++i) out.WriteBuffer(noise.data(), static_cast<int64_t>(noise.size()));
      throw Exception("writer failed");
    });
  });
  EXPECT_EQ(error, "writer failed");
  EXPECT_EQ(db.TableCount(), 3);
  EXPECT_TRUE(FileBytes("stream.Dek") == before);

  testing::FaultyMachine faulty(prefix_.GetMachine());
  ScopedMachine scoped(faulty);
  faulty.writeBudget = 2048 + 64;
  TFileDB full(PathOf("full.Dek"));
  const std::string fullError = ErrorOf([&] { streamed(full, "TXXJ", *PriceTable(30000), 0); });
  EXPECT_NE(fullError.find("full.Dek"), std::string::npos) << fullError;
  EXPECT_EQ(full.TableCount(), 0);
  EXPECT_EQ(FileBytes("full.Dek").size(), 2048u);
}

}  // namespace
}  // namespace xxj

namespace xxj {
namespace {

// Every byte of a small library damaged in turn: opening may refuse the file,
// but reading its tables never raises and never touches memory it should not
// (the sanitizer build checks the latter).
TEST_F(FileDBTest, DamageAtAnyByteNeverMakesReadingRaise) {
  {
    TFileDB db(PathOf("lib.Dek"));
    db.WriteTable("T1", *PriceTable(3));
    db.WriteTable("T2", *PriceTable(2));
  }
  const std::string good = FileBytes("lib.Dek");
  // The header's directory and every blob byte; the rest of the header is zeros.
  std::vector<size_t> positions;
  for (size_t i = 0; i < 100; ++i) positions.push_back(i);
  for (size_t i = 2040; i < good.size(); ++i) positions.push_back(i);
  int opened = 0;
  for (const size_t at : positions) {
    for (const uint8_t mask : {0x01, 0xFF}) {
      std::string bytes = good;
      bytes[at] = static_cast<char>(bytes[at] ^ mask);
      WriteBytes("bad.Dek", bytes);
      try {
        TFileDB db(PathOf("bad.Dek"));
        ++opened;
        for (int i = 0; i < db.TableCount(); ++i) {
          std::unique_ptr<TMatrix> table;
          EXPECT_NO_THROW(table = db.ReadTable(db.TableName(i))) << at;
          if (table) {
            EXPECT_LE(table->RowCount(), 3) << at;
          }
        }
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), Gbk("无效的Velmora数据库文件格式")) << at;
      }
    }
  }
  EXPECT_GT(opened, 0);
}

}  // namespace
}  // namespace xxj
