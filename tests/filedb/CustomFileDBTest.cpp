#include "filedb/CustomFileDB.h"

#include <gtest/gtest.h>

#include "filedb/MatrixData.h"
#include "quota/DekObjects.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

TEST(CustomFileDB, LoadObjectsReadsEveryRowOfATableInOrder) {
  testing::TestPrefix prefix;
  {
    TCustomFileDB db("C:\\prices.nxxj");
    TDekObjList lines;
    for (const int32_t id : {7, 3}) {
      auto line = std::make_unique<TDek_TXXJ_Ex>();
      line->SetIntValue(TDek_TXXJ::ID, id);
      line->SetFloatValue(TDek_TXXJ::DEC, id * 1.5);
      line->SetStrValue(TDek_TXXJ_Ex::ZMBH, "C" + std::to_string(id));
      lines.AddObj(std::move(line));
    }
    TMatrix matrix;
    SaveRowsToMatrix(lines, matrix);
    db.WriteTable("TXXJ_Ex", matrix);
  }
  TCustomFileDB db("C:\\prices.nxxj");
  TDekObjList list;
  db.LoadObjects("txxj_ex", list, TDek_TXXJ_Ex::ClassRef());
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(&list[0]->ClassType(), &TDek_TXXJ_Ex::ClassRef());
  EXPECT_EQ(list[0]->GetIntValue(TDek_TXXJ::ID), 7);
  EXPECT_EQ(list[1]->GetStrValue(TDek_TXXJ_Ex::ZMBH), "C3");
  EXPECT_EQ(list[1]->GetFloatValue(TDek_TXXJ::DEC), 4.5);

  // Rows of a table are appended after those already in the list; an absent
  // table adds nothing.
  db.LoadObjects("TXXJ_Ex", list, TDek_TXXJ_Ex::ClassRef());
  db.LoadObjects("TGLJZM", list, TDek_TGLJZM::ClassRef());
  EXPECT_EQ(list.Count(), 4);
}

TEST(CustomFileDB, LoadObjectsOfADamagedTableAddsNothing) {
  testing::TestPrefix prefix;
  uint32_t offset = 0;
  {
    TCustomFileDB db("C:\\lib.Dek");
    TDekObjList rows;
    rows.AddObj(std::make_unique<TDek_TXXJ>());
    TMatrix matrix;
    SaveRowsToMatrix(rows, matrix);
    db.WriteTable("TXXJ", matrix);
    offset = db.TableOffset(0);
  }
  const auto path = prefix.DriveC() / "lib.Dek";
  std::string bytes = testing::TempFolder::ReadFile(path);
  bytes[offset] ^= 0x5A;  // the table blob's magic
  prefix.WriteFile("lib.Dek", bytes);
  TCustomFileDB db("C:\\lib.Dek");
  TDekObjList list;
  db.LoadObjects("TXXJ", list, TDek_TXXJ::ClassRef());
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace xxj
