#include "package/Adtg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "package/WindowsTablegram.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"

namespace xxj {
namespace {

// One table with every column kind of the price entries, NULLs in each.
void FillSample(Dataset& ds) {
  DatasetField& id = ds.AddField("ID", FieldKind::Integer);
  DatasetField& code = ds.AddField("ZMBH", FieldKind::Text, 50);
  DatasetField& name = ds.AddField("ZMMC", FieldKind::Text, 200);  // 400 bytes: long prefix
  DatasetField& price = ds.AddField("DEDJ", FieldKind::Currency);
  DatasetField& jan = ds.AddField("Jan", FieldKind::Double);
  DatasetField& when = ds.AddField("jlrq", FieldKind::DateTime);
  DatasetField& memo = ds.AddField("GLJFLs", FieldKind::Memo);
  DatasetField& cents = ds.AddField("TZXS", FieldKind::Currency);
  DatasetField& more = ds.AddField("Extra", FieldKind::Integer);

  id.AppendInt(-7);
  code.AppendText(u"0101001");
  name.AppendText(Utf16FromUtf8("螺纹钢筋 HRB400 Φ12"));
  price.AppendInt(-123456789);  // -12345.6789
  jan.AppendDouble(4123.25);
  when.AppendDouble(43803.5);  // 2019-12-04 12:00
  memo.AppendText(std::u16string(300, u'价'));
  cents.AppendNull();
  more.AppendInt(2147483647);
  ds.CommitRecord();

  id.AppendNull();
  code.AppendText(u"");  // empty, not NULL
  name.AppendNull();
  price.AppendNull();
  jan.AppendNull();
  when.AppendNull();
  memo.AppendNull();
  cents.AppendInt(10000);
  more.AppendNull();
  ds.CommitRecord();
}

TEST(Adtg, ReadsTheTablegramWindowsWrote) {
  Dataset ds;
  EXPECT_EQ(ReadAdtg(testing::WindowsPublishersTablegram(), ds), "standard");
  ASSERT_EQ(ds.FieldCount(), 5);
  ASSERT_EQ(ds.RecordCount(), 1);
  const char* names[] = {"pub_id", "pub_name", "city", "state", "country"};
  const char* values[] = {"0736", "New Moon Books", "New York", "MA", "USA"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(ds.Fields(i).FieldName(), names[i]);
    EXPECT_EQ(ds.Fields(i).AsString(), values[i]);
  }
  EXPECT_EQ(ds.FieldByName("pub_name").Size(), 40u);
}

TEST(Adtg, WriterUsesTheHeaderAndPropertyBlocksWindowsWrites) {
  const std::string windows = testing::WindowsPublishersTablegram();
  Dataset ds;
  FillSample(ds);
  const std::string written = WriteAdtg(ds, "TXXJ");
  EXPECT_EQ(written.substr(0, 9), windows.substr(0, 9));
  // Handler options: identical up to the async option (Windows: 3 = async).
  EXPECT_EQ(written.substr(9, 26), windows.substr(9, 26));
  // The recordset context element as a whole (token, size, both property sets).
  const std::string context = windows.substr(windows.find(std::string("\x10\x7c\x00", 3)), 127);
  EXPECT_NE(written.find(context), std::string::npos);
  EXPECT_EQ(written.back(), '\x0F');
}

TEST(Adtg, RoundTripsEveryKindWithNullsAndChineseText) {
  Dataset source;
  FillSample(source);
  Dataset ds;
  EXPECT_EQ(ReadAdtg(WriteAdtg(source, "TXXJ"), ds), "standard");
  ASSERT_EQ(ds.RecordCount(), 2);
  ASSERT_EQ(ds.FieldCount(), source.FieldCount());
  for (int i = 0; i < ds.FieldCount(); ++i) {
    EXPECT_EQ(ds.Fields(i).FieldName(), source.Fields(i).FieldName());
    EXPECT_EQ(ds.Fields(i).Kind(), source.Fields(i).Kind()) << i;
  }
  ds.First();
  EXPECT_EQ(ds.FieldByName("id").AsInteger(), -7);
  EXPECT_EQ(ds.FieldByName("ZMMC").AsString(), Gbk("螺纹钢筋 HRB400 Φ12"));
  EXPECT_EQ(ds.FieldByName("ZMMC").Size(), 200u);
  EXPECT_EQ(ds.FieldByName("DEDJ").AsString(), "-12345.6789");
  EXPECT_DOUBLE_EQ(ds.FieldByName("Jan").AsFloat(), 4123.25);
  EXPECT_EQ(ds.FieldByName("jlrq").AsString(), "2019-12-04 12:00:00");
  std::string prices;
  for (int i = 0; i < 300; ++i) prices += "价";
  EXPECT_EQ(ds.FieldByName("GLJFLs").AsString(), Gbk(prices));
  EXPECT_TRUE(ds.FieldByName("TZXS").IsNull());
  EXPECT_EQ(ds.FieldByName("Extra").AsInteger(), 2147483647);
  ds.Next();
  EXPECT_TRUE(ds.FieldByName("ID").IsNull());
  EXPECT_FALSE(ds.FieldByName("ZMBH").IsNull());
  EXPECT_EQ(ds.FieldByName("ZMBH").AsString(), "");
  for (const char* name : {"ZMMC", "DEDJ", "Jan", "jlrq", "GLJFLs", "Extra"})
    EXPECT_TRUE(ds.FieldByName(name).IsNull()) << name;
  EXPECT_EQ(ds.FieldByName("TZXS").AsString(), "1");
}

TEST(Adtg, WriterRefusesTextLongerThanItsColumn) {
  Dataset ds;
  ds.AddField("DW", FieldKind::Text, 3).AppendText(u"abcd");
  ds.CommitRecord();
  EXPECT_THROW(WriteAdtg(ds, "T"), Exception);
}

// A two-column tablegram (ID int, DW text(10)) whose rows the test supplies.
std::string WithRows(const std::string& rows) {
  Dataset ds;
  ds.AddField("ID", FieldKind::Integer);
  ds.AddField("DW", FieldKind::Text, 10);
  std::string bytes = WriteAdtg(ds, "T");
  bytes.pop_back();  // the done token
  return bytes + rows + "\x0F";
}

std::string Int32(int32_t v) {
  return std::string(reinterpret_cast<const char*>(&v), 4);
}
std::string Text(std::u16string_view t) {
  return std::string(1, static_cast<char>(t.size() * 2)) +
         std::string(reinterpret_cast<const char*>(t.data()), t.size() * 2);
}

TEST(Adtg, AppliesPendingChangesDeletesAndInserts) {
  std::string rows;
  rows += "\x07\xC0" + Int32(1) + Text(u"t");                   // unchanged
  rows += "\x07\xC0" + Int32(2) + Text(u"kg") + "\x0C";         // deleted
  rows += "\x07\xC0" + Int32(3) + Text(u"m") + "\x0A" +         // DW changed to "m3",
          std::string("\x40\x00", 2) + Text(u"m3");             // ID kept
  rows += "\x07\xC0" + Int32(4) + Text(u"m") + "\x0A\x40\x40";  // DW forced NULL
  rows += std::string("\x0D\x80\x00", 3) + Int32(5);            // insert, DW not supplied
  Dataset ds;
  ReadAdtg(WithRows(rows), ds);
  ASSERT_EQ(ds.RecordCount(), 4);
  const struct {
    int id;
    const char* dw;  // nullptr: NULL
  } expected[] = {{1, "t"}, {3, "m3"}, {4, nullptr}, {5, nullptr}};
  ds.First();
  for (const auto& e : expected) {
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), e.id);
    if (e.dw == nullptr) {
      EXPECT_TRUE(ds.FieldByName("DW").IsNull()) << e.id;
    } else {
      EXPECT_EQ(ds.FieldByName("DW").AsString(), e.dw);
    }
    ds.Next();
  }
  EXPECT_TRUE(ds.Eof());
}

TEST(Adtg, FallsBackToTheLiteralPrefixReadingForMidLengthText) {
  // A text(200) column written with a one-byte length, as the literal reading
  // of [MS-ADTG] (MaxLength <= 255) would have it.
  Dataset ds;
  ds.AddField("GG", FieldKind::Text, 200);
  std::string bytes = WriteAdtg(ds, "T");
  bytes.pop_back();
  bytes += "\x07\x80" + Text(u"HRB400") + "\x0F";
  EXPECT_EQ(ReadAdtg(bytes, ds), "literal-prefix");
  ds.First();
  EXPECT_EQ(ds.FieldByName("GG").AsString(), "HRB400");
}

TEST(Adtg, RejectsWhatItCannotRead) {
  const std::string good = WithRows("\x07\xC0" + Int32(1) + Text(u"t"));
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"not a tablegram", "PK\x03\x04 not a recordset"},
      {"no done token", good.substr(0, good.size() - 1)},
      {"unknown row token", WithRows("\x05")},
      {"child rows", WithRows("\x87")},
  };
  for (const auto& c : cases) {
    Dataset ds;
    ds.AddField("Old", FieldKind::Integer);
    EXPECT_THROW(ReadAdtg(c.bytes, ds), Exception) << c.what;
    EXPECT_EQ(ds.FieldCount(), 0) << c.what;  // never half a table
  }
}

TEST(Adtg, RejectsChapterColumnsByName) {
  std::string bytes = WithRows("");
  // Turn the DW column's DBTYPE (WSTR) into a chapter column.
  const std::string wstr("\x82\x00\x0A\x00\x00\x00", 6);
  bytes.replace(bytes.find(wstr), 2, std::string("\x88\x00", 2));
  Dataset ds;
  try {
    ReadAdtg(bytes, ds);
    FAIL() << "a chapter column was accepted";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("DW"), std::string::npos);
  }
}

TEST(Adtg, DamagedBytesGiveErrorsNotCrashes) {
  Dataset source;
  FillSample(source);
  const std::string good = WriteAdtg(source, "TXXJ");
  for (size_t cut = 0; cut < good.size(); ++cut) {
    Dataset ds;
    EXPECT_THROW(ReadAdtg(good.substr(0, cut), ds), Exception) << cut;
  }
  std::mt19937 random(12345);
  for (int trial = 0; trial < 3000; ++trial) {
    std::string bad = good;
    for (int flips = 0; flips < 3; ++flips)
      bad[random() % bad.size()] = static_cast<char>(random());
    Dataset ds;
    try {
      ReadAdtg(bad, ds);
    } catch (const Exception&) {
      EXPECT_EQ(ds.FieldCount(), 0);
    }
  }
}

}  // namespace
}  // namespace xxj
