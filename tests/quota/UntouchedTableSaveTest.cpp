// Tables the caller never touched may be stored again without making rows.
// Whatever a library holds, the saved file must be the one saving every table
// through its rows gives; only tables that provably come out the same may
// skip the rows.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "filedb/VelDatabase.h"
#include "platform/Machine.h"
#include "quota/BaseDekClasses.h"
#include "quota/DekProject.h"
#include "quota/ProjectTestSupport.h"
#include "support/Stream.h"
#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

using testing::ReadBytes;

const std::string kSource = "C:\\dek\\source.Dek";

std::unique_ptr<TBaseDek> RowOf(const std::string& table, int id, const std::string& text = {}) {
  std::unique_ptr<TBaseDek> row = FindRowClass("TDek_" + table)->Create();
  const TClsInfo& info = row->Catalogue();
  for (int i = 0; i < info.Count(); ++i) {
    const TClsProp& prop = info.Props(i);
    if (prop.type == TPropType::Integer) row->SetIntValue(i, i == 0 ? id : id * 3 + i);
    if (prop.type == TPropType::Double) row->SetFloatValue(i, id * 0.25 + i);
    if (prop.type == TPropType::DateTime) row->SetFloatValue(i, 45000.5 + id);
    if (prop.type == TPropType::Boolean) row->SetIntValue(i, (id + i) % 2);
    if (prop.type == TPropType::String) row->SetStrValue(i, i == 0 ? text : Gbk("名") + text);
    if (prop.type == TPropType::MemoryStream && id % 2 == 1)
      row->StreamValue(i)->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  }
  return row;
}

// A table as the given rows write it, then changed by `tweak` on the matrix
// and `patch` on the stream form.
void WriteTable(TFileDB& db, const std::string& table, const std::vector<int>& ids,
                const std::vector<std::string>& texts = {},
                const std::function<void(TMatrix&)>& tweak = {},
                const std::function<void(TMatrix&, TMemStream&)>& patch = {}) {
  TDekObjList rows(true);
  for (size_t r = 0; r < ids.size(); ++r)
    rows.AddObj(RowOf(table, ids[r], r < texts.size() ? texts[r] : std::to_string(ids[r])));
  TMatrix matrix;
  if (!ids.empty()) SaveRowsToMatrix(rows, matrix);
  if (ids.empty()) FindRowClass("TDek_" + table)->Create()->DefineColumns(matrix);
  if (tweak) tweak(matrix);
  TMemStream form;
  matrix.SaveToStream(form);
  if (patch) patch(matrix, form);
  db.WriteTableStreamed(table, form.Size(), static_cast<uint32_t>(ids.size()),
                        [&form](TStream& out) { out.WriteBuffer(form.Memory(), form.Size()); });
}

// Moves a column to the end, as another type when given, keeping its values.
void MoveColumnToEnd(TMatrix& matrix, const std::string& name, TMColumnClass as = nullptr) {
  const int index = matrix.FindColumn(name)->Index();
  std::vector<Variant> values;
  for (matrix.First(); !matrix.Eof(); matrix.Next())
    values.push_back(matrix.Columns(index).GetValue());
  TMColumnClass columnClass = as ? as : ColumnClassOfType(matrix.Columns(index).GetTypeID());
  matrix.ColumnSet().Delete(index);
  TMColumn& column = matrix.AddColumn(columnClass, name);
  size_t r = 0;
  for (matrix.First(); !matrix.Eof(); matrix.Next()) column.SetValue(values[r++]);
}

class UntouchedTableSaveTest : public ::testing::Test {
 protected:
  UntouchedTableSaveTest() : tap_(prefix_.GetMachine()), scope_(tap_) {
    tap_.ForceDirectories("C:\\dek\\");
  }

  struct Saved {
    std::set<std::string> unloaded;  // the tables whose list the save left unloaded
    std::vector<int> counts;         // the rows of every list, loaded after the save
  };

  // Saves a copy of the source library. With touchAll every list is loaded
  // first, so every table goes through its rows.
  Saved Save(const std::string& path, bool touchAll) {
    tap_.CopyFile(kSource, path, false);
    TDekProject project;
    project.Open(path);
    if (touchAll)
      for (int i = 0; i < TDekProject::kTableCount; ++i) project.GetList(i);
    // The price table is touched in every run, as the price import does.
    project.GetTXXJs()->AddObj(RowOf("TXXJ", 99));
    tap_.traces.clear();
    project.Save();
    Saved saved;
    for (int i = 0; i < TDekProject::kTableCount; ++i)
      if (!project.LoadedList(i)) saved.unloaded.insert(DekTables()[i].tableName);
    for (int i = 0; i < TDekProject::kTableCount; ++i) {
      const TDekObjList* list = project.GetList(i);
      saved.counts.push_back(list ? list->Count() : -1);
    }
    return saved;
  }

  std::vector<std::string> SaveLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : tap_.traces)
      if (line.rfind("Save:", 0) == 0)
        lines.push_back(std::regex_replace(line, std::regex("\\d+$"), ""));
    return lines;
  }

  xxj::testing::TestPrefix prefix_;
  xxj::testing::TapMachine tap_;
  ScopedMachine scope_;
};

TEST_F(UntouchedTableSaveTest, StoredTablesComeOutAsTheirRowsWriteThem) {
  struct Case {
    const char* what;
    std::function<void(TFileDB&)> build;
    std::set<std::string> storedAgain;  // the tables that may skip their rows
  };
  const std::vector<Case> cases = {
      {"tables their rows write unchanged",
       [](TFileDB& db) {
         WriteTable(db, "TDEZM", {1, 2, 5, 9});
         WriteTable(db, "TZJMC", {1, 2, 3}, {"blob one", "", std::string(3000, 'x')});
         // Increasing in the load key's order, ASCII case ignored.
         WriteTable(db, "TDEZM_JX", {1, 2, 3}, {"a", "B", "c"});
         WriteTable(db, "TBudgetRule", {-5, 0, 7});
         WriteTable(db, "TZD", {3, 1, 2});  // no load key
         TMatrix other;                     // no table of the project
         other.AddColumn<TMIntColumn>("ID");
         other.Append();
         db.WriteTable("TOther", other);
         WriteTable(db, "TXXJ", {1, 2});
       },
       {"TDEZM", "TZJMC", "TDEZM_JX", "TBudgetRule", "TZD"}},
      {"tables their rows would change",
       [](TFileDB& db) {
         WriteTable(db, "TDEZM", {3, 1, 2});
         WriteTable(db, "TGLJZM", {5, 5, 6});
         // Increasing byte by byte, not with ASCII case ignored.
         WriteTable(db, "TDEZM_JX", {1, 2}, {"B", "a"});
         WriteTable(db, "TGLJFL", {1, 2}, {}, [](TMatrix& m) {
           TMColumn& extra = m.AddColumn<TMIntColumn>("EXTRA");
           for (m.First(); !m.Eof(); m.Next()) extra.SetAsInteger(42);
         });
         WriteTable(db, "TZJMC", {1, 2}, {}, [](TMatrix& m) { MoveColumnToEnd(m, "PID"); });
         // The key stored as a float column, every column in its place.
         WriteTable(db, "TZHDEXX", {1, 2}, {}, [](TMatrix& m) {
           std::vector<std::string> names;
           for (int i = 0; i < m.ColumnCount(); ++i) names.push_back(m.Columns(i).Name());
           MoveColumnToEnd(m, names[0], &NewColumn<TMFloatColumn>);
           for (size_t i = 1; i < names.size(); ++i) MoveColumnToEnd(m, names[i]);
         });
         WriteTable(db, "TZNHS", {1, 2, 3}, {}, {}, [](TMatrix& m, TMemStream& form) {
           // The first row's NotAutoShow byte: after the marker, the end,
           // ID, three texts "名1", GroupNo and GroupName "名1".
           const int64_t text = 4 + static_cast<int64_t>(Gbk("名1").size());
           const int64_t at = m.StreamHeadSize() + 5 + 4 + 3 * text + 4 + text;
           ASSERT_LE(form.Memory()[at], 1);
           form.Memory()[at] = 2;
         });
         WriteTable(db, "TBudgetRule", {});
         WriteTable(db, "TXXJ", {1, 2});
       },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tap_.DeleteFile(kSource);
    {
      TFileDB db(kSource);
      c.build(db);
    }
    const Saved direct = Save("C:\\dek\\direct.Dek", false);
    const std::vector<std::string> directLines = SaveLines();
    const Saved rows = Save("C:\\dek\\rows.Dek", true);
    EXPECT_TRUE(ReadBytes("C:\\dek\\direct.Dek") == ReadBytes("C:\\dek\\rows.Dek"));
    EXPECT_EQ(directLines, SaveLines());
    // Loaded after the save, a table stored again holds what it held.
    EXPECT_EQ(direct.counts, rows.counts);
    ASSERT_EQ(directLines.size(), 60u);
    EXPECT_EQ(directLines.front(), "Save:TDEZM");
    // The tables stored again are those that may be, plus the absent ones
    // and none else.
    std::set<std::string> skipped;
    TFileDB source(kSource);
    for (const std::string& table : direct.unloaded)
      if (source.IndexOfTable(table) >= 0) skipped.insert(table);
    EXPECT_EQ(skipped, c.storedAgain);
  }
}

}  // namespace
}  // namespace xxj
