#include "package/Adtg.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "support/Errors.h"
#include "support/TextEncoding.h"

namespace xxj {
namespace {

static_assert(std::endian::native == std::endian::little,
              "recordset values are copied straight from little-endian bytes");

// Element tokens, [MS-ADTG] 2.2.3.14.6.
constexpr uint8_t kTokenHeader = 0x01;
constexpr uint8_t kTokenHandlerOptions = 0x02;
constexpr uint8_t kTokenResultDescriptor = 0x03;
constexpr uint8_t kTokenTableDescriptor = 0x05;
constexpr uint8_t kTokenColumnDescriptor = 0x06;
constexpr uint8_t kTokenRow = 0x07;
constexpr uint8_t kTokenChange = 0x0A;
constexpr uint8_t kTokenDelete = 0x0C;
constexpr uint8_t kTokenInsert = 0x0D;
constexpr uint8_t kTokenDone = 0x0F;
constexpr uint8_t kTokenRecordSetContext = 0x10;

// DBTYPE codes, [MS-ADTG] 2.2.1.2.
enum DbType : uint16_t {
  kDbI2 = 2,
  kDbI4 = 3,
  kDbR4 = 4,
  kDbR8 = 5,
  kDbCy = 6,
  kDbDate = 7,
  kDbBstr = 8,
  kDbBool = 11,
  kDbI1 = 16,
  kDbUi1 = 17,
  kDbUi2 = 18,
  kDbUi4 = 19,
  kDbI8 = 20,
  kDbUi8 = 21,
  kDbStr = 129,
  kDbWstr = 130,
  kDbDbDate = 133,
  kDbTimestamp = 135,
  kDbChapter = 136,
};

// DBCOLUMNFLAGS bits, [MS-ADTG] 2.2.3.14.3.6.
constexpr uint32_t kFlagWriteUnknown = 0x08;
constexpr uint32_t kFlagFixedLength = 0x10;
constexpr uint32_t kFlagNullable = 0x20;
constexpr uint32_t kFlagMaybeNull = 0x40;
constexpr uint32_t kFlagLong = 0x80;
constexpr uint32_t kFlagChapter = 0x2000;

// Column descriptor presence bits, [MS-ADTG] 2.2.3.14.3.6.
constexpr uint32_t kHasFriendlyName = 0x800000;
constexpr uint32_t kHasBaseTableOrdinal = 0x400000;
constexpr uint32_t kHasBaseColumnOrdinal = 0x200000;
constexpr uint32_t kHasBaseColumnName = 0x100000;
constexpr uint32_t kHasCalculationInfo = 0x000004;

// Memo columns report the long-text maximum of the Jet provider.
constexpr uint32_t kMemoMaxLength = 536870910;

[[noreturn]] void Fail(const std::string& what) {
  throw Exception(what);
}

std::string At(size_t offset) {
  return Gbk("（第 ") + std::to_string(offset) + Gbk(" 字节）");
}

// A bounded reader over the tablegram bytes: every read is checked against
// the end of its element, so damaged sizes end in an error, never past it.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size, size_t base = 0)
      : begin_(data), p_(data), end_(data + size), base_(base) {}

  size_t Offset() const { return base_ + static_cast<size_t>(p_ - begin_); }
  size_t Remaining() const { return static_cast<size_t>(end_ - p_); }
  bool AtEnd() const { return p_ == end_; }

  const uint8_t* Take(size_t count) {
    if (count > Remaining()) Fail(Gbk("记录集数据不完整") + At(Offset()));
    const uint8_t* at = p_;
    p_ += count;
    return at;
  }
  template <typename T>
  T Get() {
    T value;
    std::memcpy(&value, Take(sizeof(T)), sizeof(T));
    return value;
  }
  uint8_t Byte() { return Get<uint8_t>(); }
  uint16_t U16() { return Get<uint16_t>(); }
  uint32_t U32() { return Get<uint32_t>(); }
  uint8_t Peek() const { return p_ < end_ ? *p_ : 0; }

  // A sub-reader over the next count bytes, which this reader skips.
  Reader Sub(size_t count) {
    const size_t offset = Offset();
    const uint8_t* at = Take(count);
    return Reader(at, count, offset);
  }
  // [MS-ADTG] 2.2.1.1 LENGTH-PREFIXED-STRING: a character count, UTF-16LE.
  std::u16string LengthPrefixedString() {
    const size_t chars = U16();
    const uint8_t* at = Take(chars * 2);
    std::u16string text(chars, u'\0');
    std::memcpy(text.data(), at, chars * 2);
    return text;
  }

 private:
  const uint8_t* begin_;
  const uint8_t* p_;
  const uint8_t* end_;
  size_t base_;
};

// Where the readings of the ambiguous parts of [MS-ADTG] differ (see
// ReadAdtg): how variable-length text is prefixed and which columns the
// row's presence map covers.
enum class PrefixRule { ByteLimit, LiteralPrefix, CharCount };
struct Reading {
  const char* name;
  PrefixRule prefix;
  bool mapCoversAllColumns;
};
constexpr Reading kReadings[] = {
    {"standard", PrefixRule::ByteLimit, false},
    {"all-columns-map", PrefixRule::ByteLimit, true},
    {"literal-prefix", PrefixRule::LiteralPrefix, false},
    {"char-prefix", PrefixRule::CharCount, false},
};

enum class Decode {
  I1,
  Ui1,
  I2,
  Ui2,
  Bool,
  I4,
  Ui4,
  I8,
  R4,
  R8,
  Cy,
  Date,
  DbDate,
  Timestamp,
  Wide,
  Narrow,
};

struct Column {
  uint16_t ordinal = 0;
  std::u16string name;
  uint16_t dbType = 0;
  uint32_t maxLength = 0;
  uint32_t flags = 0;
  Decode decode = Decode::I4;
  bool nullable() const { return (flags & (kFlagNullable | kFlagMaybeNull)) != 0; }
  bool fixedText() const { return (flags & kFlagFixedLength) && !(flags & kFlagLong); }
};

struct Layout {
  std::vector<Column> columns;
  uint32_t rowCountHint = 0;
  bool unicodeNarrowText = false;  // adtgUnicode = 1: DBTYPE_STR travels as UTF-16
  size_t rowsOffset = 0;           // where the row operations begin
};

std::string ColumnLabel(const Column& column) {
  return GbkFromUtf16(column.name);
}

void ChooseDecode(Column& column) {
  if (column.dbType == kDbChapter || (column.flags & kFlagChapter))
    Fail(Gbk("不支持带子记录集的层次结构记录集（列 ") + ColumnLabel(column) + Gbk("）"));
  switch (column.dbType) {
    case kDbI1:
      column.decode = Decode::I1;
      return;
    case kDbUi1:
      column.decode = Decode::Ui1;
      return;
    case kDbI2:
      column.decode = Decode::I2;
      return;
    case kDbUi2:
      column.decode = Decode::Ui2;
      return;
    case kDbBool:
      column.decode = Decode::Bool;
      return;
    case kDbI4:
      column.decode = Decode::I4;
      return;
    case kDbUi4:
      column.decode = Decode::Ui4;
      return;
    case kDbI8:
    case kDbUi8:
      column.decode = Decode::I8;
      return;
    case kDbR4:
      column.decode = Decode::R4;
      return;
    case kDbR8:
      column.decode = Decode::R8;
      return;
    case kDbCy:
      column.decode = Decode::Cy;
      return;
    case kDbDate:
      column.decode = Decode::Date;
      return;
    case kDbDbDate:
      column.decode = Decode::DbDate;
      return;
    case kDbTimestamp:
      column.decode = Decode::Timestamp;
      return;
    case kDbWstr:
    case kDbBstr:
      column.decode = Decode::Wide;
      return;
    case kDbStr:
      column.decode = Decode::Narrow;
      return;
    default:
      Fail(Gbk("不支持的列类型 ") + std::to_string(column.dbType) + Gbk("（列 ") +
           ColumnLabel(column) + Gbk("）"));
  }
}

FieldKind KindOf(const Column& column) {
  switch (column.decode) {
    case Decode::I1:
    case Decode::Ui1:
    case Decode::I2:
    case Decode::Ui2:
    case Decode::I4:
      return FieldKind::Integer;
    case Decode::Bool:
      return FieldKind::Boolean;
    case Decode::Ui4:
    case Decode::I8:
      return FieldKind::LargeInt;
    case Decode::R4:
    case Decode::R8:
      return FieldKind::Double;
    case Decode::Cy:
      return FieldKind::Currency;
    case Decode::Date:
    case Decode::DbDate:
    case Decode::Timestamp:
      return FieldKind::DateTime;
    case Decode::Wide:
    case Decode::Narrow:
      return (column.flags & kFlagLong) ? FieldKind::Memo : FieldKind::Text;
  }
  return FieldKind::Integer;
}

// [MS-ADTG] 2.2.3.14.3.6 adtgColumnDescriptor.
Column ParseColumn(Reader element) {
  Column column;
  const uint8_t* map = element.Take(3);
  const uint32_t presence = (uint32_t{map[0]} << 16) | (uint32_t{map[1]} << 8) | map[2];
  column.ordinal = element.U16();
  std::u16string friendlyName;
  std::u16string baseName;
  if (presence & kHasFriendlyName) friendlyName = element.LengthPrefixedString();
  if (presence & kHasBaseTableOrdinal) element.U16();
  if (presence & kHasBaseColumnOrdinal) element.U16();
  if (presence & kHasBaseColumnName) baseName = element.LengthPrefixedString();
  column.dbType = element.U16();
  column.maxLength = element.U32();
  element.U32();  // precision: not needed to read values
  element.U32();  // scale
  column.flags = element.U32();
  column.name = friendlyName.empty() ? baseName : friendlyName;
  // The optional tail (catalog, schema, booleans, IsVisible) is not needed:
  // the element's size covers it. Computed columns come only from shaped,
  // hierarchical recordsets, whose CalculationInfo has no certain place.
  if ((presence & kHasCalculationInfo) != 0)
    Fail(Gbk("不支持计算列（列 ") + GbkFromUtf16(column.name) + Gbk("）"));
  if (column.ordinal == 0) Fail(Gbk("列序号为 0") + At(element.Offset()));
  ChooseDecode(column);
  return column;
}

uint32_t ParseResultDescriptor(Reader element) {
  element.Take(16 + 3);  // GUID, ResultInfo, CursorModel, Normalization
  element.Take(5 * 2);   // column, table and order-by counts: not trusted
  return element.U32();  // RowCount, 0 when unknown
}

void ParseHeader(Reader& in, Layout& layout) {
  if (in.Remaining() < 2 || in.Byte() != kTokenHeader) Fail(Gbk("不是记录集：文件头无效"));
  const uint8_t size = in.Byte();
  Reader header = in.Sub(size);
  const uint8_t* magic = header.Take(3);
  if (std::memcmp(magic, "TG!", 3) != 0) Fail(Gbk("不是记录集：文件头无效"));
  header.Take(2);  // version, always 0.0
  if (header.Byte() != 0) Fail(Gbk("不支持高位在前字节顺序的记录集"));
  layout.unicodeNarrowText = header.Byte() != 0;
}

bool IsRowSectionToken(uint8_t token) {
  return token == kTokenRow || token == kTokenInsert || token == kTokenDone ||
         token == kTokenChange || token == kTokenDelete || token >= 0x80;
}

Layout ParseMetadata(Reader& in) {
  Layout layout;
  ParseHeader(in, layout);
  while (!in.AtEnd() && !IsRowSectionToken(in.Peek())) {
    const uint8_t token = in.Byte();
    const uint16_t size = in.U16();
    Reader element = in.Sub(size);
    switch (token) {
      case kTokenResultDescriptor:
        layout.rowCountHint = ParseResultDescriptor(element);
        break;
      case kTokenColumnDescriptor:
        layout.columns.push_back(ParseColumn(element));
        break;
      case kTokenHandlerOptions:
      case kTokenTableDescriptor:
      case kTokenRecordSetContext:
      default:
        break;  // sized: skipped whole, known or not
    }
  }
  if (in.AtEnd()) Fail(Gbk("记录集没有结束标记") + At(in.Offset()));
  if (layout.columns.empty()) Fail(Gbk("记录集没有列"));
  std::stable_sort(layout.columns.begin(), layout.columns.end(),
                   [](const Column& a, const Column& b) { return a.ordinal < b.ordinal; });
  for (size_t i = 1; i < layout.columns.size(); ++i) {
    if (layout.columns[i].ordinal == layout.columns[i - 1].ordinal)
      Fail(Gbk("列序号重复：") + std::to_string(layout.columns[i].ordinal));
  }
  layout.rowsOffset = in.Offset();
  return layout;
}

// Day number of a calendar date (days since 1899-12-30).
double DayNumber(int year, unsigned month, unsigned day) {
  const int y = static_cast<int>(month <= 2 ? year - 1 : year);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned mp = (month + 9) % 12;
  const unsigned doy = (153 * mp + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<double>(era) * 146097 + doe - 719468 + 25569;
}

double CheckedDate(int year, unsigned month, unsigned day, size_t offset) {
  if (month < 1 || month > 12 || day < 1 || day > 31) Fail(Gbk("日期值无效") + At(offset));
  return DayNumber(year, month, day);
}

class RowDecoder {
 public:
  RowDecoder(const Layout& layout, const Reading& reading, Dataset& dataset)
      : layout_(layout), reading_(reading), dataset_(dataset) {
    for (const Column& column : layout.columns) {
      if (column.nullable() || reading.mapCoversAllColumns) ++mappedColumns_;
    }
    for (int i = 0; i < dataset.FieldCount(); ++i) fields_.push_back(&dataset.Fields(i));
  }

  void DecodeAll(Reader& in) {
    for (;;) {
      const size_t offset = in.Offset();
      const uint8_t token = in.Byte();
      if (token == kTokenDone) return;
      if (token == kTokenRow) {
        DecodeOriginalRow(in);
      } else if (token == kTokenInsert) {
        DecodeInsertRow(in);
      } else if (token >= 0x80) {
        Fail(Gbk("不支持带子记录集的层次结构记录集") + At(offset));
      } else {
        Fail(Gbk("记录集中有无法识别的标记 ") + std::to_string(token) + At(offset));
      }
    }
  }

 private:
  // "07" row, possibly followed by its pending change ("0A") or delete ("0C");
  // the dataset receives the current values, as the data-access layer shows
  // them. Rows are decoded once; the rare change or delete undoes the append.
  void DecodeOriginalRow(Reader& in) {
    Reader original = in;
    AppendRow(in);
    if (in.Peek() == kTokenDelete) {
      in.Byte();
      dataset_.DropLastRecord();
    } else if (in.Peek() == kTokenChange) {
      in.Byte();
      dataset_.DropLastRecord();
      ApplyChange(original, in);
    }
  }

  void ApplyChange(Reader& original, Reader& in) {
    const uint8_t* presence = original.Take(MapBytes(mappedColumns_));
    const size_t mapBytes = MapBytes(layout_.columns.size());
    const uint8_t* updated = in.Take(mapBytes);
    const uint8_t* forcedNull = in.Take(mapBytes);
    size_t mapped = 0;
    for (size_t i = 0; i < layout_.columns.size(); ++i) {
      const Column& column = layout_.columns[i];
      const bool present = !IsMapped(column) || Bit(presence, mapped++);
      DatasetField& field = dataset_.Fields(static_cast<int>(i));
      if (!Bit(updated, i)) {
        present ? Value(original, column, &field) : field.AppendNull();
        continue;
      }
      if (present) Value(original, column, nullptr);
      Bit(forcedNull, i) ? field.AppendNull() : Value(in, column, &field);
    }
    dataset_.CommitRecord();
  }

  void AppendRow(Reader& in) {
    const uint8_t* presence = in.Take(MapBytes(mappedColumns_));
    size_t mapped = 0;
    const size_t count = layout_.columns.size();
    for (size_t i = 0; i < count; ++i) {
      const Column& column = layout_.columns[i];
      DatasetField* field = fields_[i];
      const bool present = !IsMapped(column) || Bit(presence, mapped++);
      present ? Value(in, column, field) : field->AppendNull();
    }
    dataset_.CommitRecordUnchecked();
  }

  // [MS-ADTG] 2.2.3.14.4.3: a pending insert carries a value only for the
  // columns it supplies and does not force to NULL.
  void DecodeInsertRow(Reader& in) {
    const size_t mapBytes = MapBytes(layout_.columns.size());
    const uint8_t* updated = in.Take(mapBytes);
    const uint8_t* forcedNull = in.Take(mapBytes);
    for (size_t i = 0; i < layout_.columns.size(); ++i) {
      DatasetField& field = dataset_.Fields(static_cast<int>(i));
      if (Bit(updated, i) && !Bit(forcedNull, i)) {
        Value(in, layout_.columns[i], &field);
      } else {
        field.AppendNull();
      }
    }
    dataset_.CommitRecord();
  }

  bool IsMapped(const Column& column) const {
    return column.nullable() || reading_.mapCoversAllColumns;
  }
  static size_t MapBytes(size_t bits) { return (bits + 7) / 8; }
  // First column in the most significant bit of the first byte ([MS-ADTG] 2.2.3.14.4.9).
  static bool Bit(const uint8_t* map, size_t index) {
    return (map[index / 8] & (0x80 >> (index % 8))) != 0;
  }

  // Reads one value; appends it to field, or only skips it when field is null.
  void Value(Reader& in, const Column& column, DatasetField* field) {
    const size_t offset = in.Offset();
    switch (column.decode) {
      case Decode::I1:
        return Int(field, in.Get<int8_t>());
      case Decode::Ui1:
        return Int(field, in.Get<uint8_t>());
      case Decode::I2:
        return Int(field, in.Get<int16_t>());
      case Decode::Ui2:
        return Int(field, in.Get<uint16_t>());
      case Decode::Bool:
        return Int(field, in.Get<int16_t>() != 0 ? 1 : 0);
      case Decode::I4:
        return Int(field, in.Get<int32_t>());
      case Decode::Ui4:
        return Int(field, in.Get<uint32_t>());
      case Decode::I8:
        return Int(field, in.Get<int64_t>());
      case Decode::Cy:
        return Int(field, in.Get<int64_t>());
      case Decode::R4:
        return Float(field, in.Get<float>());
      case Decode::R8:
      case Decode::Date:
        return Float(field, in.Get<double>());
      case Decode::DbDate: {
        const int16_t year = in.Get<int16_t>();
        const uint16_t month = in.U16();
        const uint16_t day = in.U16();
        if (field != nullptr) Float(field, CheckedDate(year, month, day, offset));
        return;
      }
      case Decode::Timestamp: {
        const int16_t year = in.Get<int16_t>();
        const uint16_t month = in.U16();
        const uint16_t day = in.U16();
        const uint16_t hour = in.U16();
        const uint16_t minute = in.U16();
        const uint16_t second = in.U16();
        const uint32_t nanoseconds = in.U32();
        if (field == nullptr) return;
        const double time = (hour * 3600.0 + minute * 60.0 + second + nanoseconds / 1e9) / 86400.0;
        return Float(field, CheckedDate(year, month, day, offset) + time);
      }
      case Decode::Wide:
      case Decode::Narrow:
        return Text(in, column, field);
    }
  }

  static void Int(DatasetField* field, int64_t value) {
    if (field != nullptr) field->AppendInt(value);
  }
  static void Float(DatasetField* field, double value) {
    if (field != nullptr) field->AppendDouble(value);
  }

  // Variable-length data, [MS-ADTG] 2.2.3.14.4.9 with the readings of
  // PrefixRule; fixed-length text fills exactly MaxLength units.
  void Text(Reader& in, const Column& column, DatasetField* field) {
    const bool wide = column.decode == Decode::Wide ||
                      (column.decode == Decode::Narrow && layout_.unicodeNarrowText);
    const size_t unit = wide ? 2 : 1;
    size_t bytes = 0;
    if (column.fixedText()) {
      bytes = static_cast<size_t>(column.maxLength) * unit;
    } else {
      const uint64_t limit = reading_.prefix == PrefixRule::ByteLimit
                                 ? uint64_t{column.maxLength} * unit
                                 : column.maxLength;
      const bool shortPrefix = !(column.flags & kFlagLong) && limit <= 255;
      bytes = shortPrefix ? in.Byte() : in.U32();
      if (reading_.prefix == PrefixRule::CharCount) bytes *= unit;
    }
    if (wide && bytes % 2 != 0) Fail(Gbk("文本长度无效") + At(in.Offset()));
    const uint8_t* at = in.Take(bytes);
    if (field == nullptr) return;
    if (wide) {
      field->AppendUtf16Bytes(at, bytes / 2);
    } else {
      // Narrow text is in the system's code page.
      field->AppendText(Utf16FromGbk(std::string_view(reinterpret_cast<const char*>(at), bytes)));
    }
  }

  const Layout& layout_;
  const Reading& reading_;
  Dataset& dataset_;
  size_t mappedColumns_ = 0;
  std::vector<DatasetField*> fields_;
};

void BuildFields(const Layout& layout, size_t rowBytes, Dataset& dataset) {
  dataset.Clear();
  for (const Column& column : layout.columns) {
    const FieldKind kind = KindOf(column);
    const uint32_t size = kind == FieldKind::Text ? column.maxLength : 0;
    dataset.AddField(GbkFromUtf16(column.name), kind, size);
  }
  // The row count is a hint only: a lying one must not reserve memory the
  // bytes cannot fill. Every row takes at least its token and one value.
  const size_t bytesPerRow = 1 + std::min<size_t>(layout.columns.size(), 8);
  const size_t rows = std::min<size_t>(layout.rowCountHint, rowBytes / bytesPerRow);
  if (rows > 0) dataset.Reserve(rows);
}

// ---------------------------------------------------------------------------
// Writer

class Writer {
 public:
  std::string& Bytes() { return out_; }
  void Byte(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v) { Raw(&v, 2); }
  void U32(uint32_t v) { Raw(&v, 4); }
  void Raw(const void* data, size_t size) { out_.append(static_cast<const char*>(data), size); }
  void Hex(std::string_view hex) {
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
      Byte(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
  }
  void LengthPrefixed(std::u16string_view text) {
    U16(static_cast<uint16_t>(text.size()));
    Raw(text.data(), text.size() * 2);
  }
  // Starts a sized element; EndElement fills in its USHORT size.
  size_t BeginElement(uint8_t token) {
    Byte(token);
    U16(0);
    return out_.size();
  }
  void EndElement(size_t bodyStart) {
    const size_t size = out_.size() - bodyStart;
    if (size > 0xFFFF) Fail(Gbk("记录集的列描述过长"));
    const uint16_t v = static_cast<uint16_t>(size);
    std::memcpy(&out_[bodyStart - 2], &v, 2);
  }

 private:
  std::string out_;
};

// The property sets ADO writes with a one-table recordset ([MS-ADTG] 4.5).
constexpr std::string_view kResultProperties =
    "0100c13c8eb6eb6dd0118df600aa005ffe5807000b00000004000100000013000000"
    "0400010000000d00000000000e00000000000f0000000000100000000000120000"
    "000000";
constexpr std::string_view kRecordSetContext =
    "0200be22b5c8f35cce11ade500aa0044773d04007f0000000200ffff8600000002"
    "00ffff2200000004001e00000049000000040000000000c13c8eb6eb6dd0118df6"
    "00aa005ffe5805000400000004000f0000000500000004000200000003000000"
    "04000f0000000700000004003200000008000000040003000000";

struct WriteColumn {
  uint16_t dbType;
  uint32_t maxLength;
  uint32_t precision;
  uint32_t flags;
};

WriteColumn WriteLayout(const DatasetField& field) {
  const uint32_t fixedNullable =
      kFlagWriteUnknown | kFlagFixedLength | kFlagNullable | kFlagMaybeNull;
  const uint32_t nullable = kFlagWriteUnknown | kFlagNullable | kFlagMaybeNull;
  switch (field.Kind()) {
    case FieldKind::Integer:
      return {kDbI4, 4, 10, fixedNullable};
    case FieldKind::LargeInt:
      return {kDbI8, 8, 19, fixedNullable};
    case FieldKind::Currency:
      return {kDbCy, 8, 255, fixedNullable};
    case FieldKind::Double:
      return {kDbR8, 8, 16, fixedNullable};
    case FieldKind::DateTime:
      return {kDbDate, 8, 255, fixedNullable};
    case FieldKind::Boolean:
      return {kDbBool, 2, 255, fixedNullable};
    case FieldKind::Text:
      if (field.Size() > 0) return {kDbWstr, field.Size(), 255, nullable};
      [[fallthrough]];
    case FieldKind::Memo:
      return {kDbWstr, kMemoMaxLength, 255, nullable | kFlagLong};
  }
  return {kDbI4, 4, 10, fixedNullable};
}

void WriteValue(Writer& out, const DatasetField& field, const WriteColumn& layout, size_t row) {
  switch (field.Kind()) {
    case FieldKind::Integer: {
      const int32_t v = static_cast<int32_t>(field.AsInt64At(row));
      return out.Raw(&v, 4);
    }
    case FieldKind::Boolean: {
      const int16_t v = field.AsInt64At(row) != 0 ? -1 : 0;
      return out.Raw(&v, 2);
    }
    case FieldKind::LargeInt:
    case FieldKind::Currency: {
      const int64_t v = field.AsInt64At(row);
      return out.Raw(&v, 8);
    }
    case FieldKind::Double:
    case FieldKind::DateTime: {
      const double v = field.AsFloatAt(row);
      return out.Raw(&v, 8);
    }
    case FieldKind::Text:
    case FieldKind::Memo: {
      const std::u16string_view text = field.TextAt(row);
      const bool isLong = (layout.flags & kFlagLong) != 0;
      if (!isLong && text.size() > layout.maxLength)
        Fail(Gbk("列 ") + field.FieldName() + Gbk(" 的文本超过 ") +
             std::to_string(layout.maxLength) + Gbk(" 个字符"));
      const size_t bytes = text.size() * 2;
      if (!isLong && uint64_t{layout.maxLength} * 2 <= 255) {
        out.Byte(static_cast<uint8_t>(bytes));
      } else {
        out.U32(static_cast<uint32_t>(bytes));
      }
      return out.Raw(text.data(), bytes);
    }
  }
}

void WriteColumnDescriptor(Writer& out, const DatasetField& field, const WriteColumn& layout,
                           uint16_t ordinal) {
  const std::u16string name = Utf16FromGbk(field.FieldName());
  const size_t body = out.BeginElement(kTokenColumnDescriptor);
  out.Raw("\xF0\x01\x00", 3);  // names, base-table ordinals, IsAutoIncrement
  out.U16(ordinal);
  out.LengthPrefixed(name);
  out.U16(1);        // base table ordinal
  out.U16(ordinal);  // base column ordinal
  out.LengthPrefixed(name);
  out.U16(layout.dbType);
  out.U32(layout.maxLength);
  out.U32(layout.precision);
  out.U32(255);  // scale
  out.U32(layout.flags);
  out.U16(0);       // IsAutoIncrement: false
  out.U16(0xFFFF);  // IsVisible: true
  out.EndElement(body);
}

}  // namespace

std::string ReadAdtg(const uint8_t* data, size_t size, Dataset& dataset) {
  try {
    Reader in(data, size);
    const Layout layout = ParseMetadata(in);
    // [MS-ADTG] leaves the text prefix width and the presence map's extent
    // open to more than one reading; the first is what ADO writes, the others
    // are tried only when it cannot make sense of the rows.
    std::string firstError;
    for (const Reading& reading : kReadings) {
      try {
        BuildFields(layout, size - layout.rowsOffset, dataset);
        Reader rows(data + layout.rowsOffset, size - layout.rowsOffset, layout.rowsOffset);
        RowDecoder(layout, reading, dataset).DecodeAll(rows);
        return reading.name;
      } catch (const Exception& e) {
        if (firstError.empty()) firstError = e.Message();
      }
    }
    Fail(firstError);
  } catch (...) {
    dataset.Clear();
    throw;
  }
}

std::string WriteAdtg(const Dataset& dataset, std::string_view tableName) {
  const std::u16string table = Utf16FromGbk(tableName);
  const int count = dataset.FieldCount();
  if (count == 0 || count > 0xFFFF) Fail(Gbk("记录集的列数无效"));
  std::vector<WriteColumn> layouts;
  for (int i = 0; i < count; ++i) layouts.push_back(WriteLayout(dataset.Fields(i)));

  Writer out;
  out.Hex("010754472100000000");  // header, 2.2.3.14.1
  out.Hex(
      "021900b692f23f04b2cf118d2300aa005ffe5801000000000000"  // handler options, 2.2.3.14.2
      "0100");
  size_t body = out.BeginElement(kTokenResultDescriptor);  // 2.2.3.14.3.1
  out.Hex("d2ad63f602ebcf11b0e300aa003f000f000000");
  out.U16(static_cast<uint16_t>(count));  // visible
  out.U16(static_cast<uint16_t>(count));  // total
  out.U16(0);                             // computed
  out.U16(1);                             // tables
  out.U16(0);                             // order-by
  out.U32(static_cast<uint32_t>(dataset.RecordCount()));
  out.Hex(kResultProperties);
  out.EndElement(body);
  body = out.BeginElement(kTokenRecordSetContext);  // 2.2.3.14.3.2
  out.Hex(kRecordSetContext);
  out.EndElement(body);
  body = out.BeginElement(kTokenTableDescriptor);  // 2.2.3.14.3.3
  out.U16(1);
  out.LengthPrefixed(table);
  out.LengthPrefixed(table);
  out.U16(0);  // code page
  out.U16(static_cast<uint16_t>(count));
  out.U16(0);  // key columns
  out.EndElement(body);
  for (int i = 0; i < count; ++i)
    WriteColumnDescriptor(out, dataset.Fields(i), layouts[i], static_cast<uint16_t>(i + 1));

  // Unchanged rows, 2.2.3.14.4.9: every column is nullable, so the presence
  // map has a bit per column; unused bits are set, as Windows writes them.
  const size_t mapBytes = (static_cast<size_t>(count) + 7) / 8;
  std::string presence(mapBytes, '\0');
  for (int row = 0; row < dataset.RecordCount(); ++row) {
    std::fill(presence.begin(), presence.end(), '\xFF');
    for (int i = 0; i < count; ++i) {
      if (dataset.Fields(i).IsNullAt(row)) presence[i / 8] &= static_cast<char>(~(0x80 >> (i % 8)));
    }
    out.Byte(kTokenRow);
    out.Raw(presence.data(), mapBytes);
    for (int i = 0; i < count; ++i) {
      if (!dataset.Fields(i).IsNullAt(row)) WriteValue(out, dataset.Fields(i), layouts[i], row);
    }
  }
  out.Byte(kTokenDone);
  return std::move(out.Bytes());
}

}  // namespace xxj
