#include "package/Dataset.h"

#include <gtest/gtest.h>

#include "support/Errors.h"
#include "support/TextEncoding.h"

namespace xxj {
namespace {

// Rows of (code, price): codes in mixed case, one NULL code, equal keys.
void FillPrices(Dataset& ds) {
  DatasetField& code = ds.AddField("ZMBH", FieldKind::Text, 50);
  DatasetField& price = ds.AddField("XXDJ", FieldKind::Double);
  const struct {
    const char16_t* code;
    double price;
  } rows[] = {{u"b2", 3}, {u"A1", 1}, {nullptr, 9}, {u"a1", 2}, {u"B1", -1}};
  for (const auto& r : rows) {
    r.code ? code.AppendText(r.code) : code.AppendNull();
    price.AppendDouble(r.price);
    ds.CommitRecord();
  }
}

std::string Walk(Dataset& ds, const char* field) {
  std::string seen;
  for (ds.First(); !ds.Eof(); ds.Next()) seen += ds.FieldByName(field).AsString() + "|";
  return seen;
}

TEST(Dataset, FindsFieldsWithoutCaseAndNamesTheMissingOne) {
  Dataset ds;
  FillPrices(ds);
  EXPECT_TRUE(ds.HasField("zmbh"));
  EXPECT_EQ(&ds.FieldByName("xxdj"), &ds.Fields(1));
  EXPECT_FALSE(ds.HasField("DEDJ"));
  try {
    ds.FieldByName("DEDJ");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Field 'DEDJ' not found");
  }
  EXPECT_THROW(ds.AddField("zmbh", FieldKind::Integer), Exception);
}

TEST(Dataset, SortsTextWithoutCaseStablyWithNullsFirst) {
  Dataset ds;
  FillPrices(ds);
  EXPECT_EQ(ds.RecordCount(), 5);
  ds.Sort("zmbh");
  EXPECT_EQ(Walk(ds, "ZMBH"), "|A1|a1|B1|b2|");
  EXPECT_EQ(Walk(ds, "XXDJ"), "9|1|2|-1|3|");  // A1 before a1: stable
  ds.Sort("XXDJ");
  EXPECT_EQ(Walk(ds, "XXDJ"), "-1|1|2|3|9|");
  EXPECT_THROW(ds.Sort("Nope"), Exception);
}

TEST(Dataset, CursorStaysOnTheLastRecordPastTheEnd) {
  Dataset ds;
  FillPrices(ds);
  ds.First();
  for (int i = 0; i < 10; ++i) ds.Next();
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("XXDJ").AsFloat(), -1);
  Dataset empty;
  empty.AddField("X", FieldKind::Integer);
  empty.First();
  EXPECT_TRUE(empty.Eof());
  EXPECT_TRUE(empty.FieldByName("X").IsNull());
  EXPECT_EQ(empty.FieldByName("X").AsInteger(), 0);
}

TEST(Dataset, ConvertsValuesAsTheDataAccessLayerDoes) {
  Dataset ds;
  DatasetField& cur = ds.AddField("DEDJ", FieldKind::Currency);
  DatasetField& dbl = ds.AddField("Jan", FieldKind::Double);
  DatasetField& date = ds.AddField("jlrq", FieldKind::DateTime);
  DatasetField& text = ds.AddField("Year", FieldKind::Text, 10);
  DatasetField& name = ds.AddField("ZMMC", FieldKind::Text, 10);
  cur.AppendInt(25000);  // 2.5
  dbl.AppendDouble(2.5);
  date.AppendDouble(43800);  // 2019-12-01
  text.AppendText(u"2019");
  name.AppendText(u"钢筋");
  ds.CommitRecord();
  ds.First();
  EXPECT_EQ(cur.AsString(), "2.5");
  EXPECT_EQ(cur.AsInteger(), 2);  // half to even
  EXPECT_EQ(dbl.AsString(), "2.5");
  EXPECT_EQ(date.AsString(), "2019-12-01");
  EXPECT_EQ(date.AsInteger(), 43800);
  EXPECT_EQ(text.AsInteger(), 2019);
  EXPECT_DOUBLE_EQ(text.AsFloat(), 2019);
  EXPECT_EQ(name.AsString(), Gbk("钢筋"));
  EXPECT_THROW(name.AsInteger(), Exception);
  EXPECT_EQ(cur.Value(), Variant(2.5));
  EXPECT_EQ(DateTimeText(-1.25), "1899-12-29 06:00:00");
}

TEST(Dataset, RefusesARecordWithAMissingValue) {
  Dataset ds;
  ds.AddField("A", FieldKind::Integer).AppendInt(1);
  ds.AddField("B", FieldKind::Integer);
  EXPECT_THROW(ds.CommitRecord(), Exception);
}

}  // namespace
}  // namespace xxj
