#include <gtest/gtest.h>

#include <cstring>

#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "quota/DekObjects.h"
#include "quota/TestRows.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "testutil/ErrorText.h"

namespace xxj {
namespace {

using testing::TTestEmpty;
using testing::TTestRow;
using testing::TTestWithList;

using testing::ErrorOf;

void WriteBytes(TStream& stream, const std::string& bytes) {
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

std::string StreamBytes(TMemStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()),
                     static_cast<size_t>(stream.Size()));
}

std::vector<std::string> ColumnNames(const TMatrix& matrix) {
  std::vector<std::string> names;
  for (int c = 0; c < matrix.ColumnCount(); ++c) names.push_back(matrix.Columns(c).Name());
  return names;
}

// --- catalogue and schema ---

TEST(RowCatalogue, IndexesFollowDeclarationOrderOverTheClassChain) {
  TDek_TXXJ_Ex row;
  EXPECT_EQ(row.Catalogue().Count(), 23);
  EXPECT_EQ(row.PropIndex("ZMBH"), 15);
  EXPECT_EQ(TDek_TXXJ_Ex::ZMBH, 15);
  EXPECT_EQ(row.PropIndex("id"), 0);  // names compare without case
  EXPECT_EQ(row.PropIndex("yavg"), TDek_TXXJ::YAVG);
  EXPECT_EQ(row.PropIndex("NoSuchColumn"), -1);
  EXPECT_EQ(row.ClassName(), "TDek_TXXJ_Ex");
}

TEST(RowCatalogue, KindsFollowDeclaredTypes) {
  TTestRow row;
  const std::vector<std::pair<const char*, TPropTypeKind>> cases = {
      {"ID", ptkInteger},  {"Name", ptkString},  {"Price", ptkFloat},
      {"Stamp", ptkFloat}, {"Flag", ptkBoolean}, {"Data", ptkClass}};
  for (const auto& [name, kind] : cases) EXPECT_EQ(row.PropKind(row.PropIndex(name)), kind) << name;
  EXPECT_THROW(row.PropKind(99), Exception);
  EXPECT_THROW(row.PropKind(-1), Exception);
}

TEST(RowCatalogue, OneEntryPerClassSharedByItsRows) {
  TDek_TZD a;
  TDek_TZD b;
  EXPECT_EQ(&a.Catalogue(), &b.Catalogue());
  EXPECT_NE(&a.Catalogue(), &TDek_TXXJ().Catalogue());
}

TEST(RowCatalogue, ClassWithoutPropertiesDefinesNoColumns) {
  TDekObjList list;
  list.AddObj(std::make_unique<TTestEmpty>());
  list.AddObj(std::make_unique<TTestEmpty>());
  EXPECT_EQ(list.At<TTestEmpty>(0)->Catalogue().Count(), 0);
  TMatrix matrix;
  SaveRowsToMatrix(list, matrix);
  EXPECT_EQ(matrix.ColumnCount(), 0);
  EXPECT_EQ(matrix.RowCount(), 2);
}

TEST(QuotaTables, SixtyRegisteredTableClassesInDeclarationOrder) {
  const auto tables = DekTables();
  ASSERT_EQ(tables.size(), 60u);
  EXPECT_STREQ(tables[0].tableName, "TDEZM");
  EXPECT_STREQ(tables[59].listProperty, "TZMGC_SubDEZM_ZDHSs");
  for (const TDekTableInfo& table : tables) {
    EXPECT_EQ(std::string(table.listProperty), std::string(table.tableName) + "s");
    EXPECT_EQ(table.rowClass().Name(), std::string("TDek_") + table.tableName);
    EXPECT_EQ(FindRowClass(std::string("TDek_") + table.tableName), &table.rowClass());
  }
  EXPECT_EQ(RegisteredRowClasses().size(), 60u);
  EXPECT_EQ(FindRowClass("TDek_TPriceAnalysis"), &TDek_TPriceAnalysis::ClassRef());
  EXPECT_EQ(FindRowClass("TDek_TcompCalParams"), &TDek_TcompCalParams::ClassRef());
  // Detail and package rows are created directly, never by name.
  EXPECT_EQ(FindRowClass("TDek_TXXJ_Ex"), nullptr);
  EXPECT_EQ(FindRowClass("TDek_TGLJZM_DJ"), nullptr);
  EXPECT_STREQ(tables[12].loadKey, "ZMBH");
  EXPECT_FALSE(tables[12].loadKeyCaseSensitive);
}

TEST(QuotaTables, ItemTableWritesItsThirtySixColumnsInOrder) {
  TDekObjList list;
  list.AddObj(std::make_unique<TDek_TGLJZM>());
  TMatrix matrix;
  SaveRowsToMatrix(list, matrix);
  ASSERT_EQ(matrix.ColumnCount(), 36);
  EXPECT_EQ(matrix.Columns(0).Name(), "ID");
  EXPECT_EQ(matrix.Columns(21).Name(), "TGLJZM_DJ");
  EXPECT_EQ(matrix.Columns(35).Name(), "HNTJPDJ");
  EXPECT_EQ(matrix.Columns(10).GetTypeID(), 3);  // SFTC is a boolean
  EXPECT_EQ(matrix.Columns(12).GetTypeID(), 2);  // a date is stored as a float column
}

// --- values ---

TEST(RowValues, NewRowIsEmpty) {
  TTestRow row;
  EXPECT_EQ(row.GetIntValue(TTestRow::ID), 0);
  EXPECT_EQ(row.GetStrValue(TTestRow::Name), "");
  EXPECT_EQ(row.GetFloatValue(TTestRow::Price), 0.0);
  EXPECT_EQ(row.GetIntValue(TTestRow::Flag), 0);
  ASSERT_NE(row.StreamValue(TTestRow::Data), nullptr);
  EXPECT_EQ(row.StreamValue(TTestRow::Data)->Size(), 0);
}

TEST(RowValues, BooleanAssignmentStoresTheAbsoluteTruncatedNumber) {
  const std::vector<std::pair<Variant, int32_t>> cases = {
      {Variant(true), 1}, {Variant(false), 0},       {Variant(2.6), 2},
      {Variant(-1.4), 1}, {Variant(int32_t{-3}), 3}, {Variant("True"), 1}};
  for (const auto& [value, stored] : cases) {
    TTestRow row;
    row.SetIndexValue(TTestRow::Flag, value);
    EXPECT_EQ(row.GetIntValue(TTestRow::Flag), stored) << value.AsText();
    EXPECT_EQ(row.GetIndexValue(TTestRow::Flag), Variant(stored != 0));
  }
  TTestRow row;  // by name, the platform's conversion: any true is 1
  row.SetPropValue("flag", Variant(2.6));
  EXPECT_EQ(row.GetIntValue(TTestRow::Flag), 1);
}

TEST(RowValues, TextsOfOneRowKeepTheirOwnValuesWhileLengthsChange) {
  TTestRow row;
  row.SetStrValue(TTestRow::Note, "note");
  row.SetStrValue(TTestRow::Name, Gbk("水泥 32.5"));
  row.SetStrValue(TTestRow::Unit_, "t");
  row.SetStrValue(TTestRow::Name, "x");
  EXPECT_EQ(row.GetStrValue(TTestRow::Name), "x");
  EXPECT_EQ(row.GetStrValue(TTestRow::Unit_), "t");
  EXPECT_EQ(row.GetStrValue(TTestRow::Note), "note");
  row.SetStrValue(TTestRow::Unit_, row.GetStrView(TTestRow::Note));  // from its own storage
  row.SetStrValue(TTestRow::Note, "");
  EXPECT_EQ(row.GetStrValue(TTestRow::Unit_), "note");
  EXPECT_EQ(row.GetStrValue(TTestRow::Note), "");
  EXPECT_EQ(row.GetStrValue(TTestRow::Name), "x");
  const std::string binary("a\0b\xFF", 4);  // bytes survive as they are
  row.SetStrValue(TTestRow::Name, binary);
  EXPECT_EQ(row.GetStrValue(TTestRow::Name), binary);
}

TEST(RowValues, WrongKindAccessIsRefusedNamingTheProperty) {
  TTestRow row;
  EXPECT_EQ(ErrorOf([&] { row.GetFloatValue(TTestRow::Name); }),
            "TTestRow.Name is not a float property");
  EXPECT_NE(ErrorOf([&] { row.SetIntValue(TTestRow::Data, 5); }).find("TTestRow.Data"),
            std::string::npos);
  EXPECT_EQ(ErrorOf([&] { row.GetValueByName("Nope"); }), "no such prop:Nope");
  EXPECT_EQ(ErrorOf([&] { row.GetPropValue("Nope"); }), "Property Nope does not exist");
  EXPECT_TRUE(row.HasProp("price"));
  EXPECT_FALSE(row.HasProp("Nope"));
}

TEST(RowValues, OwnedObjectsOfUnknownOrForeignClassesAreRefused) {
  EXPECT_EQ(ErrorOf([] { testing::TTestUnknownClass row; }), "Gadget: havn't register class");
  EXPECT_EQ(ErrorOf([] { testing::TTestRowClassProp row; }),
            "TTestRowClassProp.Item can not define in published");
  TTestWithList row;
  ASSERT_NE(row.ListValue(TTestWithList::Children), nullptr);
  EXPECT_TRUE(row.ListValue(TTestWithList::Children)->OwnsObjects());
}

TEST(RowValues, CloneCopiesEveryValueAndOwnsItsOwnStream) {
  TTestRow row;
  row.SetIntValue(TTestRow::ID, 7);
  row.SetStrValue(TTestRow::Name, "cement");
  row.SetFloatValue(TTestRow::Price, 0.1 + 0.2);
  row.SetIntValue(TTestRow::Flag, 2);
  WriteBytes(*row.StreamValue(TTestRow::Data), "blob");
  const std::unique_ptr<TBaseDek> copy = row.Clone();
  ASSERT_EQ(&copy->ClassType(), &TTestRow::ClassRef());
  EXPECT_EQ(copy->GetIntValue(TTestRow::ID), 7);
  EXPECT_EQ(copy->GetStrValue(TTestRow::Name), "cement");
  EXPECT_EQ(copy->GetFloatValue(TTestRow::Price), 0.1 + 0.2);
  EXPECT_EQ(copy->GetIntValue(TTestRow::Flag), 1);  // copied as a boolean value
  TMemStream* stream = copy->StreamValue(TTestRow::Data);
  ASSERT_NE(stream, row.StreamValue(TTestRow::Data));
  EXPECT_EQ(StreamBytes(*stream), "blob");
  WriteBytes(*row.StreamValue(TTestRow::Data), "more");
  EXPECT_EQ(StreamBytes(*stream), "blob");
}

TEST(RowValues, CopyToAPackageRowFillsTheCommonPrefix) {
  TDek_TXXJ price;
  price.SetIntValue(TDek_TXXJ::ID, 3);
  price.SetIntValue(TDek_TXXJ::YEAR, 2024);
  price.SetFloatValue(TDek_TXXJ::MAR, 12.5);
  TDek_TXXJ_Ex line;
  line.SetStrValue(TDek_TXXJ_Ex::ZMBH, "0101");
  price.CopyTo(line);
  EXPECT_EQ(line.GetIntValue(TDek_TXXJ::YEAR), 2024);
  EXPECT_EQ(line.GetFloatValue(TDek_TXXJ::MAR), 12.5);
  EXPECT_EQ(line.GetStrValue(TDek_TXXJ_Ex::ZMBH), "0101");  // beyond the prefix: untouched
  // The other way the package row has properties the price row lacks.
  EXPECT_THROW(line.CopyTo(price), Exception);
}

// --- column tables ---

TEST(RowMatrix, UnitColumnMapsToItsProperty) {
  TDek_TFeeFrameFile fee;
  fee.SetStrValue(TDek_TFeeFrameFile::Unit_, Gbk("元"));
  TDekObjList list;
  list.AddObj(fee.Clone());
  TMatrix matrix;
  SaveRowsToMatrix(list, matrix);
  ASSERT_NE(matrix.FindColumn("Unit"), nullptr);
  EXPECT_EQ(matrix.FindColumn("Unit_"), nullptr);
  TDekObjList back;
  LoadRowsFromMatrix(matrix, TDek_TFeeFrameFile::ClassRef(), back);
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.At<TBaseDek>(0)->GetStrValue(TDek_TFeeFrameFile::Unit_), Gbk("元"));
  EXPECT_EQ(fee.ColumnToProp("unit"), "Unit_");
  EXPECT_EQ(fee.PropToColumn("UNIT_"), "Unit");
  EXPECT_EQ(fee.ColumnToProp("Units"), "Units");
  EXPECT_EQ(TDek_TXXJ().ColumnToProp("Unit"), "Unit");
}

TEST(RowMatrix, ListRoundTripsEveryTypeThroughAMatrix) {
  TDekObjList list;
  for (int i = 0; i < 3; ++i) {
    auto row = std::make_unique<TTestRow>();
    row->SetIntValue(TTestRow::ID, i + 1);
    row->SetStrValue(TTestRow::Name, "row" + std::to_string(i));
    row->SetFloatValue(TTestRow::Price, 1.0 / (i + 3));
    row->SetFloatValue(TTestRow::Stamp, 45000.25 + i);
    row->SetIntValue(TTestRow::Flag, i % 2);
    WriteBytes(*row->StreamValue(TTestRow::Data), std::string(i, 'z'));
    row->SetStrValue(TTestRow::Unit_, "m" + std::to_string(i));
    list.AddObj(std::move(row));
  }
  TMatrix matrix;
  SaveRowsToMatrix(list, matrix);
  EXPECT_EQ(ColumnNames(matrix), (std::vector<std::string>{"ID", "NAME", "PRICE", "STAMP", "FLAG",
                                                           "DATA", "UNIT", "NOTE"}));
  EXPECT_EQ(matrix.RowCount(), 3);
  TDekObjList back;
  LoadRowsFromMatrix(matrix, TTestRow::ClassRef(), back);
  ASSERT_EQ(back.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const auto* row = back.At<TTestRow>(i);
    const auto* original = list.At<TTestRow>(i);
    for (const int p : {TTestRow::ID, TTestRow::Name, TTestRow::Price, TTestRow::Stamp,
                        TTestRow::Flag, TTestRow::Unit_, TTestRow::Note})
      EXPECT_EQ(row->GetIndexValue(p), original->GetIndexValue(p)) << i << " " << p;
    EXPECT_EQ(StreamBytes(*row->StreamValue(TTestRow::Data)), std::string(i, 'z'));
    EXPECT_EQ(row->StreamValue(TTestRow::Data)->Position(), 0);
  }
  // No row keeps the column map after the save: a by-name save still checks names.
  matrix.AddColumn(&NewColumn<TMIntColumn>, "Extra");
  EXPECT_THROW(list.At<TTestRow>(0)->SaveToMatrix(matrix), Exception);
}

TEST(RowMatrix, ColumnsAbsentFromTheRowOrTheTable) {
  TMatrix matrix;
  matrix.AddColumn(&NewColumn<TMIntColumn>, "ID");
  matrix.AddColumn(&NewColumn<TMStringColumn>, "Extra");
  matrix.AddColumn(&NewColumn<TMStringColumn>, "Price");  // stored as text
  matrix.Append();
  matrix.Columns(0).SetValue(Variant(int32_t{42}));
  matrix.Columns(1).SetValue(Variant("dropped"));
  matrix.Columns(2).SetValue(Variant("2.5"));
  TTestRow row;
  row.SetStrValue(TTestRow::Name, "kept");
  row.LoadFromMatrix(matrix);
  EXPECT_EQ(row.GetIntValue(TTestRow::ID), 42);
  EXPECT_EQ(row.GetFloatValue(TTestRow::Price), 2.5);
  EXPECT_EQ(row.GetStrValue(TTestRow::Name), "kept");  // no column: untouched
  EXPECT_EQ(ErrorOf([&] { row.SaveToMatrix(matrix); }), "TTestRow " + Gbk("未定义属性") + "EXTRA");
}

TEST(RowMatrix, SaveByNameWritesIntoTheCurrentRow) {
  TMatrix matrix;
  TTestRow row;
  row.DefineColumns(matrix);
  row.SetIntValue(TTestRow::ID, 9);
  row.SetIntValue(TTestRow::Flag, 1);
  row.SetStrValue(TTestRow::Unit_, "kg");
  WriteBytes(*row.StreamValue(TTestRow::Data), "abc");
  matrix.Append();
  row.SaveToMatrix(matrix);
  matrix.First();
  EXPECT_EQ(matrix.FindColumn("ID")->GetAsInteger(), 9);
  EXPECT_TRUE(matrix.FindColumn("FLAG")->GetAsBoolean());
  EXPECT_EQ(matrix.FindColumn("UNIT")->GetAsString(), "kg");
  EXPECT_EQ(matrix.FindColumn("DATA")->GetAsString(), "abc");
}

TEST(RowMatrix, EmptyListLeavesTheMatrixEmpty) {
  TDekObjList list;
  TMatrix matrix;
  SaveRowsToMatrix(list, matrix);
  EXPECT_EQ(matrix.ColumnCount(), 0);
  EXPECT_EQ(matrix.RowCount(), 0);
}

// --- class names ---

TEST(RowClasses, InheritsFromClassNameByIdentityOrByName) {
  TDek_TXXJ_Ex line;
  TDek_TGLJZM item;
  static const TRowClass lookalike(" tdek_txxj ", &TBaseDek::ClassRef(), {}, nullptr);
  EXPECT_TRUE(InheritsFromClassName(&line, TDek_TXXJ::ClassRef()));
  EXPECT_TRUE(InheritsFromClassName(&line, TBaseDek::ClassRef()));
  EXPECT_TRUE(InheritsFromClassName(&line, lookalike));
  EXPECT_FALSE(InheritsFromClassName(&item, TDek_TXXJ::ClassRef()));
  EXPECT_FALSE(InheritsFromClassName(nullptr, TDek_TXXJ::ClassRef()));
  EXPECT_EQ(ErrorOf([] { TBaseDek::ClassRef().Create(); }),
            "Cannot create an instance of the class TBaseDek");
}

}  // namespace
}  // namespace xxj

namespace xxj {
namespace {

TEST(RowCatalogue, EndOfProgramTraceNamesTheModuleHandle) {
  const std::vector<std::string> lines = CatalogueFinalizationLines();
  ASSERT_EQ(lines.size(), 2u);
  const std::string prefix = "RTTIManager finalization";
  ASSERT_EQ(lines[0].compare(0, prefix.size(), prefix), 0);
  const std::string handle = lines[0].substr(prefix.size());
  EXPECT_FALSE(handle.empty());
  EXPECT_EQ(handle.find_first_not_of("0123456789"), std::string::npos) << handle;
  EXPECT_EQ(lines[1], "RTTIManager finalization...end");
}

}  // namespace
}  // namespace xxj
