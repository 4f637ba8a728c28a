// A list written row by row must give the very file the whole-matrix write
// gives: the same stream form, compressed to the same bytes.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "filedb/VelDatabase.h"
#include "platform/Machine.h"
#include "quota/BaseDekClasses.h"
#include "quota/DekObjects.h"
#include "quota/ProjectTestSupport.h"
#include "quota/TestRows.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

using testing::ReadBytes;
using testing::TTestEmpty;
using testing::TTestRow;
using testing::TTestWithList;

class TableWriteTest : public ::testing::Test {
 protected:
  TableWriteTest() : scope_(prefix_.GetMachine()) { CurrentMachine().ForceDirectories("C:\\t\\"); }

  // The file a library gets when it holds one other table and then `table`
  // written from list, through the whole matrix or row by row.
  static std::string Written(const TDekObjList& list, bool rowByRow, const std::string& path) {
    CurrentMachine().DeleteFile(path);
    TFileDB db(path);
    db.SetIdent("Dek");
    TMatrix before;
    before.AddColumn<TMIntColumn>("ID");
    before.Append();
    before.Columns(0).SetAsInteger(7);
    db.WriteTable("TBefore", before);
    if (rowByRow) {
      WriteRowsToTable(list, db, " TTable ");
    } else {
      TMatrix matrix;
      SaveRowsToMatrix(list, matrix);
      db.WriteTable(" TTable ", matrix);
    }
    return ReadBytes(path);
  }

  xxj::testing::TestPrefix prefix_;
  ScopedMachine scope_;
};

std::unique_ptr<TCustomObject> PriceRowOf(int r) {
  auto row = std::make_unique<TDek_TXXJ>();
  row->SetIntValue(TDek_TXXJ::ID, r / 10 + 1);
  row->SetIntValue(TDek_TXXJ::YEAR, 2015 + r % 10);
  for (int i = 0; i < row->Catalogue().Count(); ++i)
    if (row->Catalogue().Props(i).type == TPropType::Double)
      row->SetFloatValue(i, (r * 37 % 100000) / 100.0 + i);
  return row;
}

// Every kind of value, blobs of varying size after each other (a blob cell
// holding the row before's bytes would show), texts longer than the pieces
// they are scrambled in, empty ones between them.
std::unique_ptr<TCustomObject> TestRowOf(int r) {
  auto row = std::make_unique<TTestRow>();
  row->SetIntValue(TTestRow::ID, r);
  row->SetStrValue(TTestRow::Name, r % 3 == 0 ? std::string() : Gbk("水泥") + std::to_string(r));
  row->SetFloatValue(TTestRow::Price, r * 0.1);
  row->SetFloatValue(TTestRow::Stamp, 45000.5 + r);
  row->SetIntValue(TTestRow::Flag, r % 2);
  TMemStream* data = row->StreamValue(TTestRow::Data);
  const std::string bytes(static_cast<size_t>((r * 131) % 700), static_cast<char>('a' + r % 26));
  if (r % 4 != 1) data->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  row->SetStrValue(TTestRow::Unit_, std::string(static_cast<size_t>(r % 1100), 'u'));
  return row;
}

std::unique_ptr<TCustomObject> WithListOf(int r) {
  auto row = std::make_unique<TTestWithList>();
  row->SetIntValue(TTestWithList::Key, r);
  return row;
}

TEST_F(TableWriteTest, RowByRowWritesTheSameFileAsTheWholeMatrix) {
  struct Case {
    const char* what;
    std::function<std::unique_ptr<TCustomObject>(int)> make;
    int rows;
  };
  const std::vector<Case> cases = {
      {"one price row", PriceRowOf, 1},
      // Far more than one buffer of stream form and of compressed bytes.
      {"60,000 price rows", PriceRowOf, 60000},
      {"every value kind, blobs and long texts", TestRowOf, 3000},
      {"a list property's blob column", WithListOf, 50},
      {"a class without columns", [](int) { return std::make_unique<TTestEmpty>(); }, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDekObjList list(true);
    for (int r = 0; r < c.rows; ++r) list.AddObj(c.make(r));
    const std::string whole = Written(list, false, "C:\\t\\whole.db");
    const std::string streamed = Written(list, true, "C:\\t\\streamed.db");
    ASSERT_EQ(whole.size(), streamed.size());
    EXPECT_TRUE(whole == streamed);
    TFileDB db("C:\\t\\streamed.db");
    ASSERT_EQ(db.TableCount(), 2);
    EXPECT_EQ(db.TableName(1), "TTable");
    std::unique_ptr<TMatrix> back = db.ReadTable("TTable");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->RowCount(), c.rows);
    EXPECT_EQ(db.RowsWritten(), static_cast<uint32_t>(c.rows + 1));
  }
}

TEST_F(TableWriteTest, ARowThatCannotBeStoredFailsBeforeTheFileChanges) {
  TDekObjList list(true);
  for (int r = 0; r < 100; ++r) list.AddObj(TestRowOf(r));
  // A row of another class goes by column name, and this one has none of them.
  list.AddObj(std::make_unique<TDek_TXXJ>());
  const std::string path = "C:\\t\\a.db";
  {
    TFileDB db(path);
    TDekObjList old(true);
    old.AddObj(TestRowOf(1));
    WriteRowsToTable(old, db, "TTable");
  }
  const std::string before = ReadBytes(path);
  TFileDB db(path);
  EXPECT_THROW(WriteRowsToTable(list, db, "TTable"), Exception);
  EXPECT_TRUE(ReadBytes(path) == before);
  EXPECT_EQ(db.TableCount(), 1);
}

}  // namespace
}  // namespace xxj
