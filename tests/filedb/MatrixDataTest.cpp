#include "filedb/MatrixData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

#include "filedb/MemStream.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "support/Variant.h"
#include "testutil/ErrorText.h"

namespace xxj {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes BytesOf(TMemStream& stream) {
  return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

Bytes SaveBytes(TMatrix& matrix) {
  TMemStream stream;
  matrix.SaveToStream(stream);
  return BytesOf(stream);
}

// A stream that is not a memory stream, so the reader takes its general path.
class ForwardingStream : public TStream {
 public:
  explicit ForwardingStream(TStream& inner) : inner_(inner) {}
  int64_t Read(void* buffer, int64_t count) override { return inner_.Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override { return inner_.Write(buffer, count); }
  int64_t Seek(int64_t offset, SeekOrigin origin) override { return inner_.Seek(offset, origin); }
  void SetSize(int64_t size) override { inner_.SetSize(size); }

 private:
  TStream& inner_;
};

enum class Path { Memory, General };

void LoadBytes(TMatrix& matrix, const Bytes& bytes, Path path = Path::Memory) {
  TMemStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(0);
  ForwardingStream general(stream);
  matrix.LoadFromStream(path == Path::Memory ? static_cast<TStream&>(stream) : general);
}

// Hand-assembled stream forms: literal values, independent of the writer.
struct ByteBuilder {
  Bytes bytes;
  ByteBuilder& U8(uint8_t v) {
    bytes.push_back(v);
    return *this;
  }
  ByteBuilder& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  ByteBuilder& Raw(std::initializer_list<uint8_t> values) {
    bytes.insert(bytes.end(), values);
    return *this;
  }
  ByteBuilder& Zeros(size_t n) {
    bytes.insert(bytes.end(), n, 0);
    return *this;
  }
  ByteBuilder& Head() { return Raw({0x01, 0x4D, 0x02, 0x41, 0x74, 0x00, 0x52, 0x69, 0x01, 0x00}); }
  ByteBuilder& Column(uint8_t type, std::initializer_list<uint8_t> scrambledName) {
    U8(0x70).U8(type).U8(static_cast<uint8_t>(scrambledName.size())).Raw(scrambledName);
    return Zeros(30 - scrambledName.size());
  }
  void PatchU32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
};

using testing::ErrorOf;

TEST(ScrambleText, XorsWithTheEightByteKeyAndRestores) {
  EXPECT_EQ(ScrambleText("ABC"), std::string({'A' ^ '%', 'B' ^ 'K', 'C' ^ 'q'}));
  const std::string text = Gbk("材料价格信息ABC");  // longer than the key: it wraps around
  const std::string scrambled = ScrambleText(text);
  EXPECT_EQ(scrambled[8], static_cast<char>(text[8] ^ '%'));
  EXPECT_EQ(ScrambleText(scrambled), text);
}

TEST(TMatrix, StreamFormBytesOfATwoColumnRow) {
  TMatrix matrix;
  matrix.AddColumn<TMIntColumn>("ID");
  matrix.AddColumn<TMStringColumn>("mc");
  matrix.Append();
  matrix.Columns(0).SetAsInteger(7);
  matrix.Columns(1).SetValue(Variant("AB"));

  ByteBuilder expected;
  expected.Head().U32(100).U8(0x71);
  expected.Column(1, {'I' ^ '%', 'D' ^ 'K'});
  expected.Column(4, {'M' ^ '%', 'C' ^ 'K'});
  expected.U32(1).U8(0x72).U32(100).U32(7).U32(2).Raw({'A' ^ '%', 'B' ^ 'K'});
  EXPECT_EQ(SaveBytes(matrix), expected.bytes);
  EXPECT_TRUE(matrix.Eof());  // left at its end
}

TEST(TMatrix, EmptyTableWritesRowCountZeroAndReadsBackAtEof) {
  TMatrix matrix;
  matrix.AddColumn<TMFloatColumn>("XXDJ");
  ByteBuilder expected;
  expected.Head().U32(52).U8(0x71).Column(2, {'X' ^ '%', 'X' ^ 'K', 'D' ^ 'q', 'J' ^ '7'}).U32(0);
  const Bytes bytes = SaveBytes(matrix);
  EXPECT_EQ(bytes, expected.bytes);

  TMatrix loaded;
  LoadBytes(loaded, bytes);
  EXPECT_EQ(loaded.ColumnCount(), 1);
  EXPECT_EQ(loaded.RowCount(), 0);
  EXPECT_TRUE(loaded.Eof());
  EXPECT_TRUE(loaded.Bof());
}

TEST(TMatrix, EveryColumnTypeRoundTripsAndSavesTheSameBytesTwice) {
  TMatrix matrix;
  matrix.AddColumn<TMIntColumn>("N");
  matrix.AddColumn<TMFloatColumn>("X");
  matrix.AddColumn<TMBoolColumn>("B");
  matrix.AddColumn<TMStringColumn>("S");
  matrix.AddColumn<TMBlobColumn>("BLOB");
  matrix.AddColumn<TMDateTimeColumn>("D");
  const std::string gbk = Gbk("钢筋 Φ12") + std::string("\x81", 1);  // a cut GBK sequence survives
  const Variant::ByteArray blob = {0, 1, 2, 255};
  const struct Row {
    int32_t n;
    double x;
    bool b;
    std::string s;
    Variant::ByteArray blob;
    double d;
  } rows[] = {{-5, 0.1 + 0.2, true, gbk, blob, 45292.75}, {INT32_MAX, -1e300, false, "", {}, 0}};
  for (const Row& r : rows) {
    matrix.Append();
    matrix.Columns(0).SetValue(Variant(r.n));
    matrix.Columns(1).SetValue(Variant(r.x));
    matrix.Columns(2).SetValue(Variant(r.b));
    matrix.Columns(3).SetValue(Variant(r.s));
    matrix.Columns(4).SetValue(Variant(r.blob));
    matrix.Columns(5).SetAsDateTime(r.d);
  }
  const Bytes first = SaveBytes(matrix);
  EXPECT_TRUE(matrix.Eof());  // saving leaves the last row's values in the columns
  EXPECT_EQ(matrix.Columns(0).GetAsInteger(), INT32_MAX);

  for (const Path path : {Path::Memory, Path::General}) {
    TMatrix loaded;
    LoadBytes(loaded, first, path);
    ASSERT_EQ(loaded.RowCount(), 2);
    ASSERT_EQ(loaded.ColumnCount(), 6);
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(loaded.Columns(i).GetTypeID(), matrix.Columns(i).GetTypeID());
    EXPECT_EQ(loaded.Columns(4).Name(), "BLOB");
    EXPECT_FALSE(loaded.Eof());
    for (const Row& r : rows) {
      ASSERT_FALSE(loaded.Eof());
      EXPECT_EQ(loaded.Columns(0).GetAsInteger(), r.n);
      EXPECT_EQ(loaded.Columns(1).GetAsFloat(), r.x);  // bit-exact, not via 15-digit text
      EXPECT_EQ(loaded.Columns(2).GetAsBoolean(), r.b);
      EXPECT_EQ(loaded.Columns(3).GetAsString(), r.s);
      EXPECT_EQ(loaded.Columns(4).GetValue().AsBytes(), r.blob);
      EXPECT_EQ(loaded.Columns(5).GetAsDateTime(), r.d);
      loaded.Next();
    }
    EXPECT_TRUE(loaded.Eof());
    EXPECT_EQ(SaveBytes(loaded), first);
  }
  EXPECT_EQ(SaveBytes(matrix), first);
}

TEST(TMColumn, NamesAreTrimmedUpperCasedAndUnique) {
  TMatrix matrix;
  TMColumn& column = matrix.AddColumn<TMStringColumn>("  zmbh ");
  EXPECT_EQ(column.Name(), "ZMBH");
  EXPECT_EQ(matrix.FindColumn("Zmbh"), &column);
  EXPECT_EQ(matrix.FindColumn("MC"), nullptr);
  EXPECT_EQ(ErrorOf([&] { matrix.AddColumn<TMIntColumn>("zmbh"); }),
            "A column named ZMBH already existed!");
  EXPECT_EQ(matrix.ColumnCount(), 1);
  EXPECT_EQ(ErrorOf([&] { matrix.ColumnSet().AddColumn(nullptr); }), "Can't add null column!");
  EXPECT_EQ(ErrorOf([&] { matrix.AddColumn<TMIntColumn>(std::string(31, 'A')); }),
            "The column name is limited to 30 chars!");
  EXPECT_EQ(matrix.AddColumn<TMIntColumn>(std::string(30, 'a')).Name(), std::string(30, 'A'));
  EXPECT_EQ(ErrorOf([&] { matrix.AddColumn<TMIntColumn>(" \t "); }),
            "The column name cann't be empty!");
  EXPECT_THROW(matrix.Columns(2), EMapOutOfBounds);
  EXPECT_THROW(matrix.Columns(-1), EMapOutOfBounds);
}

TEST(TMColumn, ConversionsOfTheConcreteColumns) {
  TMatrix matrix;
  TMColumn& n = matrix.AddColumn<TMIntColumn>("N");
  TMColumn& x = matrix.AddColumn<TMFloatColumn>("X");
  TMColumn& b = matrix.AddColumn<TMBoolColumn>("B");
  TMColumn& s = matrix.AddColumn<TMStringColumn>("S");
  matrix.Append();

  const struct {
    Variant value;
    int32_t expected;
  } intCases[] = {{Variant("12"), 12},  {Variant("12.5"), 0},      {Variant("abc"), 0},
                  {Variant::Null(), 0}, {Variant(12.0), 12},       {Variant(12.5), 0},
                  {Variant(true), 0},   {Variant(int32_t(-3)), -3}};
  for (const auto& c : intCases) {
    n.SetValue(c.value);
    EXPECT_EQ(n.GetAsInteger(), c.expected) << c.value.AsText();
  }
  n.SetAsString("41");  // goes through SetValue: the cell holds it too
  matrix.First();
  EXPECT_EQ(n.GetAsInteger(), 41);
  n.SetAsFloat(-2.9);
  EXPECT_EQ(n.GetAsString(), "-2");
  n.SetAsFloat(1e12);  // out of range saturates instead of wrapping
  EXPECT_EQ(n.GetAsInteger(), INT32_MAX);

  x.SetValue(Variant(2.75));
  EXPECT_EQ(x.GetAsInteger(), 2);
  EXPECT_EQ(x.GetAsString(), "2.75");
  EXPECT_TRUE(x.GetAsBoolean());
  EXPECT_EQ(ErrorOf([&] { x.GetAsDate(); }), "GetAsDate");
  const struct {
    Variant value;
    double expected;
  } floatCases[] = {
      {Variant("1.5"), 1.5}, {Variant("1,5"), 0}, {Variant::Null(), 0}, {Variant(int32_t(7)), 7}};
  for (const auto& c : floatCases) {
    x.SetValue(c.value);
    EXPECT_EQ(x.GetAsFloat(), c.expected) << c.value.AsText();
  }

  const struct {
    Variant value;
    bool expected;
  } boolCases[] = {{Variant("true"), true}, {Variant("TRUE"), true},  {Variant("yes"), false},
                   {Variant(true), true},   {Variant::Null(), false}, {Variant(int32_t(1)), false}};
  for (const auto& c : boolCases) {
    b.SetValue(c.value);
    EXPECT_EQ(b.GetAsBoolean(), c.expected) << c.value.AsText();
  }
  b.SetAsFloat(-0.5);
  EXPECT_EQ(b.GetAsString(), "TRUE");

  s.SetValue(Variant(0.1));
  EXPECT_EQ(s.GetAsString(), "0.1");
  s.SetValue(Variant::Null());
  EXPECT_EQ(s.GetAsString(), "");
  s.SetAsString(" 42");
  EXPECT_EQ(s.GetAsInteger(), 42);
  s.SetAsString("tRuE");
  EXPECT_TRUE(s.GetAsBoolean());
  EXPECT_EQ(s.GetAsFloat(), 0);
}

TEST(TMColumn, DateTimeColumnKeepsTheTimeFraction) {
  TMatrix matrix;
  TMColumn& d = matrix.AddColumn<TMDateTimeColumn>("RQ");
  matrix.Append();
  d.SetAsDate(45292.75);
  EXPECT_EQ(d.GetAsDateTime(), 45292.75);
  EXPECT_EQ(d.GetAsDate(), 45292);
  EXPECT_EQ(d.GetTypeID(), 6);
}

TEST(TMColumn, UnsupportedOperationsRaiseTheirOwnName) {
  TMatrix matrix;
  TMColumn& blob = matrix.AddColumn<TMBlobColumn>("DATA");
  TMColumn& x = matrix.AddColumn<TMFloatColumn>("X");
  matrix.Append();
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"GetAsBoolean", [&] { blob.GetAsBoolean(); }},
      {"GetAsFloat", [&] { blob.GetAsFloat(); }},
      {"GetAsInteger", [&] { blob.GetAsInteger(); }},
      {"CompareBuffer", [&] { blob.CompareBuffer(nullptr, nullptr); }},
      {"CompareVariant", [&] { blob.CompareVariant(nullptr, Variant()); }},
      {"GetAsDateTime", [&] { x.GetAsDateTime(); }},
      {"SetAsDateTime", [&] { x.SetAsDateTime(1); }},
      {"SetAsDate", [&] { blob.SetAsDate(1); }},
      {"DoSetAsFloat", [&] { blob.SetAsFloat(1); }},
      {"DoSetAsInteger", [&] { blob.DoSetAsInteger(1); }},
      {"DoSetAsBoolean", [&] { blob.DoSetAsBoolean(true); }},
      {"DoSetAsString", [&] { blob.DoSetAsString("a"); }},
  };
  for (const auto& [name, action] : cases) EXPECT_EQ(ErrorOf(action), name);
  TMemStream out;
  x.SaveBlobToStream(out);  // no-ops outside blob columns
  x.LoadBlobFromStream(out);
  EXPECT_EQ(out.Size(), 0);
}

TEST(TMColumn, CompareBufferAndVariant) {
  TMatrix matrix;
  TMBoolColumn& b = matrix.AddColumn<TMBoolColumn>("B");
  TMIntColumn& n = matrix.AddColumn<TMIntColumn>("N");
  TMStringColumn& s = matrix.AddColumn<TMStringColumn>("S");
  TMCell f = b.AllocBuffer(), t = b.AllocBuffer();
  t.asBoolean = 1;
  EXPECT_LT(b.CompareBuffer(&f, &t), 0);
  EXPECT_GT(b.CompareBuffer(&t, &f), 0);
  EXPECT_EQ(b.CompareBuffer(&t, &t), 0);
  EXPECT_EQ(b.CompareBuffer(nullptr, &f), 0);  // absent = false
  EXPECT_EQ(b.CompareVariant(&f, Variant::Null()), 0);

  TMCell lo = n.AllocBuffer(), hi = n.AllocBuffer();
  lo.asInteger = INT32_MIN;
  hi.asInteger = INT32_MAX;  // the difference does not overflow
  EXPECT_LT(n.CompareBuffer(&lo, &hi), 0);
  EXPECT_GT(n.CompareBuffer(&hi, nullptr), 0);
  EXPECT_EQ(n.CompareVariant(&hi, Variant(INT32_MAX)), 0);

  matrix.Append();
  s.SetAsString("abc");
  TMCell* cell = matrix.CurrentCell(2);
  EXPECT_EQ(s.CompareBuffer(cell, nullptr), 1);
  EXPECT_EQ(s.CompareVariant(cell, Variant("ABC")), 0);
  EXPECT_LT(s.CompareVariant(cell, Variant("abd")), 0);
}

TEST(TMBlobColumn, CellStreamsCopyInAndOut) {
  TMatrix matrix;
  TMColumn& blob = matrix.AddColumn<TMBlobColumn>("DATA");
  matrix.Append();
  // Reading or filling an empty cell from an empty stream keeps it without storage.
  TMemStream none;
  EXPECT_TRUE(blob.GetValue().AsBytes().empty());
  EXPECT_EQ(blob.GetAsString(), "");
  blob.SaveBlobToStream(none);
  blob.LoadBlobFromStream(none);
  EXPECT_EQ(matrix.CurrentCell(0)->blob, nullptr);

  TMemStream source;
  source.WriteBuffer("hello", 5);  // copied whole, whatever its position
  blob.LoadBlobFromStream(source);
  EXPECT_EQ(blob.GetAsString(), "hello");
  TMemStream dest;
  dest.WriteBuffer(">", 1);
  blob.SaveBlobToStream(dest);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(dest.Memory()), 6), ">hello");
  blob.SetValue(Variant("xy"));
  EXPECT_EQ(blob.GetValue().AsBytes(), (Variant::ByteArray{'x', 'y'}));
  blob.SetValue(Variant());
  EXPECT_TRUE(blob.GetValue().AsBytes().empty());
  EXPECT_EQ(matrix.CurrentCell(0)->blob, nullptr);
  EXPECT_THROW(blob.SetValue(Variant(int32_t(1))), Exception);
}

TEST(TMatrix, SettingAValueWithoutARowRaisesInsteadOfWritingNowhere) {
  TMatrix matrix;
  TMColumn& n = matrix.AddColumn<TMIntColumn>("N");
  TMColumn& blob = matrix.AddColumn<TMBlobColumn>("DATA");
  EXPECT_EQ(matrix.CurrentCell(0), nullptr);
  EXPECT_THROW(n.SetValue(Variant(int32_t(1))), Exception);
  EXPECT_THROW(n.SetAsFloat(1), Exception);
  TMemStream stream;
  EXPECT_THROW(blob.LoadBlobFromStream(stream), Exception);
}

TEST(TMatrix, CursorWalksAndStaysAtTheEnd) {
  TMatrix matrix;
  TMColumn& n = matrix.AddColumn<TMIntColumn>("N");
  EXPECT_TRUE(matrix.IsEmpty());
  EXPECT_TRUE(matrix.Eof());
  EXPECT_TRUE(matrix.Bof());
  for (int32_t i = 1; i <= 3; ++i) {
    matrix.Append();
    n.SetAsInteger(i * 10);
  }
  std::vector<int32_t> seen;
  for (matrix.First(); !matrix.Eof(); matrix.Next()) seen.push_back(n.GetAsInteger());
  EXPECT_EQ(seen, (std::vector<int32_t>{10, 20, 30}));
  EXPECT_EQ(matrix.CurrentRow(), 2);
  EXPECT_EQ(n.GetAsInteger(), 30);  // the last row's values stay in the columns
  matrix.Next();
  EXPECT_TRUE(matrix.Eof());

  matrix.DeleteRow(7);  // outside the rows: nothing
  matrix.DeleteRow(0);
  EXPECT_EQ(matrix.RowCount(), 2);
  matrix.First();
  EXPECT_EQ(n.GetAsInteger(), 20);
  matrix.ClearRows();
  EXPECT_TRUE(matrix.IsEmpty());
  EXPECT_TRUE(matrix.Eof());
  matrix.Clear();
  EXPECT_EQ(matrix.ColumnCount(), 0);
}

TEST(TMatrix, ColumnsAddedLaterPadRowsWhenVisitedAndDeletedOnesLeaveEveryRow) {
  TMatrix matrix;
  matrix.AddColumn<TMIntColumn>("A");
  for (int i = 0; i < 3; ++i) matrix.Append();
  TMColumn& s = matrix.AddColumn<TMStringColumn>("S");  // current row (last) is padded
  s.SetAsString("last");
  matrix.AddColumn<TMFloatColumn>("C");
  matrix.First();
  ASSERT_NE(matrix.CurrentCell(2), nullptr);
  EXPECT_EQ(s.GetAsString(), "");
  matrix.Columns(0).SetAsInteger(5);
  s.SetAsString("first");

  matrix.ColumnSet().Delete(0);
  EXPECT_EQ(matrix.ColumnCount(), 2);
  EXPECT_EQ(matrix.Columns(0).Index(), 0);
  EXPECT_EQ(matrix.Columns(1).Index(), 1);
  EXPECT_EQ(matrix.FindColumn("S"), &s);
  EXPECT_EQ(matrix.FindColumn("A"), nullptr);
  std::vector<std::string> texts;
  for (matrix.First(); !matrix.Eof(); matrix.Next()) texts.push_back(s.GetAsString());
  EXPECT_EQ(texts, (std::vector<std::string>{"first", "", "last"}));

  // Saving writes the padded cells of rows never visited since.
  matrix.AddColumn<TMIntColumn>("LATE");
  TMatrix loaded;
  LoadBytes(loaded, SaveBytes(matrix));
  ASSERT_EQ(loaded.ColumnCount(), 3);
  texts.clear();
  for (loaded.First(); !loaded.Eof(); loaded.Next()) {
    texts.push_back(loaded.Columns(0).GetAsString());
    EXPECT_EQ(loaded.Columns(2).GetAsInteger(), 0);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"first", "", "last"}));
}

TEST(TMatrix, ReaderSkipsBytesBeyondTheKnownColumns) {
  ByteBuilder form;
  form.Head().U32(0).U8(0x71).Column(1, {'N' ^ '%'}).U32(2);
  for (uint32_t value : {11u, 22u}) {
    const size_t start = form.bytes.size();
    form.U8(0x72).U32(0).U32(value).Raw({0xEE, 0xEE, 0xEE});  // a column this reader does not know
    form.PatchU32(start + 1, static_cast<uint32_t>(form.bytes.size()));
  }
  form.PatchU32(10, static_cast<uint32_t>(form.bytes.size()));
  TMatrix matrix;
  LoadBytes(matrix, form.bytes);
  ASSERT_EQ(matrix.RowCount(), 2);
  EXPECT_EQ(matrix.Columns(0).GetAsInteger(), 11);
  matrix.Next();
  EXPECT_EQ(matrix.Columns(0).GetAsInteger(), 22);
}

TEST(TMatrix, RowCountThatLooksLikeAColumnIsNotMisread) {
  // 65904 rows = 70 01 01 00: a marker, an integer type id and a one-byte name.
  TMatrix matrix;
  TMColumn& n = matrix.AddColumn<TMIntColumn>("N");
  for (int i = 0; i < 65904; ++i) {
    matrix.Append();
    n.SetAsInteger(i);
  }
  const Bytes bytes = SaveBytes(matrix);
  ASSERT_EQ(Bytes(bytes.begin() + 48, bytes.begin() + 52), (Bytes{0x70, 0x01, 0x01, 0x00}));
  TMatrix loaded;
  LoadBytes(loaded, bytes);
  EXPECT_EQ(loaded.ColumnCount(), 1);
  ASSERT_EQ(loaded.RowCount(), 65904);
  loaded.Next();
  EXPECT_EQ(loaded.Columns(0).GetAsInteger(), 1);
}

TEST(TMatrix, DamagedStreamFormsRaise) {
  ByteBuilder good;
  good.Head().U32(0).U8(0x71).Column(4, {'S' ^ '%'}).U32(1).U8(0x72).U32(0).U32(3).Raw({1, 2, 3});
  good.PatchU32(10, static_cast<uint32_t>(good.bytes.size()));
  good.PatchU32(53, static_cast<uint32_t>(good.bytes.size()));
  {
    TMatrix matrix;
    LoadBytes(matrix, good.bytes);
    EXPECT_EQ(matrix.RowCount(), 1);
  }
  const auto damaged = [&](size_t at, std::initializer_list<uint8_t> patch) {
    Bytes bytes = good.bytes;
    for (const uint8_t b : patch) bytes.at(at++) = b;
    return bytes;
  };
  const struct {
    const char* what;
    Bytes bytes;
    const char* message;
  } cases[] = {
      {"signature", damaged(0, {0x02}), "Invlid stream format"},
      {"too short", Bytes(good.bytes.begin(), good.bytes.begin() + 5), "Invlid stream format"},
      {"column list marker", damaged(14, {0x70}), "Error columns head stream"},
      {"text longer than the stream", damaged(57, {0xFF, 0xFF, 0xFF, 0x7F}), "Stream read error"},
      {"row ends before its values", damaged(53, {60}), "Error row stream"},
      {"row ends beyond the stream", damaged(53, {0xFF, 0xFF}), "Error row stream"},
      {"cut in the middle of a row", Bytes(good.bytes.begin(), good.bytes.end() - 2),
       "Stream read error"},
  };
  for (const auto& c : cases) {
    TMatrix matrix;
    EXPECT_EQ(ErrorOf([&] { LoadBytes(matrix, c.bytes); }), c.message) << c.what;
  }
  // A huge row count over a short stream reads only the rows that are there.
  TMatrix matrix;
  LoadBytes(matrix, damaged(48, {0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(matrix.RowCount(), 1);
}

}  // namespace
}  // namespace xxj

namespace xxj {
namespace {

// Every byte of a stream form damaged in turn: loading either raises one of
// the reader's errors or gives a table; it never crashes or reads out of
// bounds (the sanitizer build checks the latter).
TEST(TMatrix, DamageAtAnyByteRaisesOrLoads) {
  TMatrix matrix;
  matrix.AddColumn<TMIntColumn>("N");
  matrix.AddColumn<TMStringColumn>("S");
  matrix.AddColumn<TMBlobColumn>("B");
  matrix.AddColumn<TMBoolColumn>("F");
  for (int i = 0; i < 3; ++i) {
    matrix.Append();
    matrix.Columns(0).SetAsInteger(i);
    matrix.Columns(1).SetAsString("text" + std::to_string(i));
    matrix.Columns(2).SetValue(Variant("blob"));
    matrix.Columns(3).SetAsBoolean(i == 1);
  }
  const Bytes good = SaveBytes(matrix);
  // What a load gives: the error, or the table saved again.
  const auto outcome = [](const Bytes& bytes, Path path) -> std::string {
    TMatrix loaded;
    try {
      LoadBytes(loaded, bytes, path);
    } catch (const Exception& e) {
      return "error: " + e.Message();
    }
    EXPECT_LE(loaded.RowCount(), 3);
    const Bytes again = SaveBytes(loaded);
    return std::string(again.begin(), again.end());
  };
  const std::set<std::string> knownErrors = {"error: Invlid stream format",
                                             "error: Error columns head stream",
                                             "error: Stream read error", "error: Error row stream"};
  for (size_t at = 0; at < good.size(); ++at) {
    for (const uint8_t mask : {0x01, 0x80, 0xFF}) {
      Bytes bytes = good;
      bytes[at] ^= mask;
      const std::string memory = outcome(bytes, Path::Memory);
      EXPECT_EQ(outcome(bytes, Path::General), memory) << at;  // both readers agree
      if (memory.rfind("error: ", 0) == 0) {
        const bool known =
            knownErrors.count(memory) > 0 || memory.find("already existed") != std::string::npos;
        EXPECT_TRUE(known) << at << ": " << memory;
      }
    }
  }
}

// A form accepted as written by the schema must load and write back to
// itself; damaged or merely different forms are refused rather than guessed.
TEST(WrittenForm, AcceptedFormsWriteBackToThemselves) {
  TMatrix schema;
  schema.AddColumn<TMIntColumn>("ID");
  schema.AddColumn<TMStringColumn>("NAME");
  schema.AddColumn<TMBoolColumn>("FLAG");
  schema.AddColumn<TMFloatColumn>("PRICE");
  schema.AddColumn<TMBlobColumn>("DATA");
  TMatrix table;
  for (int i = 0; i < schema.ColumnCount(); ++i)
    table.AddColumn(ColumnClassOfType(schema.Columns(i).GetTypeID()), schema.Columns(i).Name());
  for (int r = 0; r < 4; ++r) {
    table.Append();
    table.Columns(0).SetAsInteger(r);
    table.Columns(1).SetAsString(r % 2 ? Gbk("钢筋") : "");
    table.Columns(2).SetAsBoolean(r % 2 == 0);
    table.Columns(3).SetAsFloat(r * 1.5);
    table.Columns(4).SetValue(Variant(std::string(static_cast<size_t>(r), 'b')));
  }
  const Bytes form = SaveBytes(table);
  const auto accepts = [&schema](const Bytes& bytes, int* rowsSeen = nullptr) {
    uint32_t rows = 0;
    return IsWrittenForm(
        bytes.data(), static_cast<int64_t>(bytes.size()), schema,
        [rowsSeen](const std::vector<TFormValue>& values) {
          if (rowsSeen) ++*rowsSeen;
          return values.size() == 5;
        },
        rows);
  };
  int rowsSeen = 0;
  EXPECT_TRUE(accepts(form, &rowsSeen));
  EXPECT_EQ(rowsSeen, 4);
  uint32_t rows = 0;
  EXPECT_FALSE(IsWrittenForm(
      form.data(), static_cast<int64_t>(form.size()), schema,
      [](const std::vector<TFormValue>&) { return false; }, rows));

  // Every single-byte change, to each of a few values: whatever is accepted
  // must come back byte for byte through loading and writing.
  int accepted = 0;
  for (size_t at = 0; at < form.size(); ++at) {
    for (const uint8_t value : {0x00, 0x01, 0x02, 0x70, 0x72, 0x80, 0xFF}) {
      Bytes changed = form;
      if (changed[at] == value) continue;
      changed[at] = value;
      if (!accepts(changed)) continue;
      ++accepted;
      TMemStream in;
      in.WriteBuffer(changed.data(), static_cast<int64_t>(changed.size()));
      in.SetPosition(0);
      TMatrix loaded;
      loaded.LoadFromStream(in);
      EXPECT_TRUE(SaveBytes(loaded) == changed) << "byte " << at << " set to " << int{value};
    }
  }
  EXPECT_GT(accepted, 0);  // values, not structure, may change
  // A bool byte other than 0 or 1, a trailing byte, a cut form.
  Bytes odd = form;
  const size_t firstFlag = schema.StreamHeadSize() + 5 + 4 + 4;
  ASSERT_EQ(odd[firstFlag], 1);
  odd[firstFlag] = 2;
  EXPECT_FALSE(accepts(odd));
  Bytes longer = form;
  longer.push_back(0);
  EXPECT_FALSE(accepts(longer));
  EXPECT_FALSE(accepts(Bytes(form.begin(), form.end() - 1)));
}

}  // namespace
}  // namespace xxj
