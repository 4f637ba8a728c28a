#include "filedb/MatrixData.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "filedb/MemStream.h"
#include "support/Errors.h"
#include "support/NumberText.h"
#include "support/Stream.h"
#include "support/TextEncoding.h"
#include "support/TextRoutines.h"

namespace xxj {

static_assert(std::endian::native == std::endian::little, "stored tables are little-endian");
static_assert(sizeof(TMCell) == 8);

namespace {

constexpr char kScrambleKey[] = "%Kq7!vLp";
constexpr uint8_t kSignature[8] = {0x01, 0x4D, 0x02, 0x41, 0x74, 0x00, 0x52, 0x69};
constexpr uint8_t kColumnListMarker = 0x71;
constexpr uint8_t kColumnMarker = 0x70;
constexpr uint8_t kRowMarker = 0x72;
constexpr int kMaxNameLength = 30;
constexpr int kNameFieldSize = 31;
constexpr int kDescriptorSize = 2 + kNameFieldSize;

int Sign(double d) {
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}
int Sign(int64_t d) {
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

// Truncation toward zero that saturates instead of overflowing: a price far
// outside the integer range reads as the nearest integer, NaN as 0.
int32_t TruncToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

template <class T>
T ReadValue(TStream& stream) {
  T value;
  stream.ReadBuffer(&value, sizeof value);
  return value;
}

template <class T>
void WriteValue(TStream& stream, T value) {
  stream.WriteBuffer(&value, sizeof value);
}

// A length read from a stream is trusted only as far as the stream reaches,
// so a damaged length never turns into a huge allocation.
void CheckAvailable(TStream& stream, int64_t count) {
  if (count > stream.Size() - stream.Position()) throw Exception("Stream read error");
}

void PatchU32(TStream& stream, int64_t at, int64_t value) {
  if (value < 0 || value > std::numeric_limits<uint32_t>::max())
    throw Exception("The table is too large for its stream form");
  const int64_t back = stream.Position();
  stream.SetPosition(at);
  WriteValue(stream, static_cast<uint32_t>(value));
  stream.SetPosition(back);
}

}  // namespace

void ScrambleBytes(char* data, size_t count) {
  for (size_t i = 0; i < count; ++i) data[i] = static_cast<char>(data[i] ^ kScrambleKey[i % 8]);
}

std::string ScrambleText(std::string_view text) {
  std::string result(text);
  ScrambleBytes(result.data(), result.size());
  return result;
}

// ---------------------------------------------------------------- TMColumn

TMColumn::TMColumn(std::string_view name) : name_(UpperAscii(TrimText(name))) {
  if (name_.empty()) throw Exception("The column name cann't be empty!");
  if (name_.size() > kMaxNameLength) throw Exception("The column name is limited to 30 chars!");
}

TMColumn::~TMColumn() = default;

bool TMColumn::GetAsBoolean() const {
  throw Exception("GetAsBoolean");
}
double TMColumn::GetAsFloat() const {
  throw Exception("GetAsFloat");
}
int32_t TMColumn::GetAsInteger() const {
  throw Exception("GetAsInteger");
}
std::string TMColumn::GetAsString() const {
  throw Exception("GetAsString");
}
TMCell TMColumn::AllocBuffer() const {
  throw Exception("AllocBuffer");
}
Variant TMColumn::GetValue() const {
  throw Exception("GetValue");
}
int TMColumn::CompareBuffer(const TMCell*, const TMCell*) const {
  throw Exception("CompareBuffer");
}
int TMColumn::CompareVariant(const TMCell*, const Variant&) const {
  throw Exception("CompareVariant");
}
double TMColumn::GetAsDateTime() const {
  throw Exception("GetAsDateTime");
}
double TMColumn::GetAsDate() const {
  throw Exception("GetAsDate");
}
void TMColumn::SetAsDateTime(double) {
  throw Exception("SetAsDateTime");
}
void TMColumn::SetAsDate(double) {
  throw Exception("SetAsDate");
}
void TMColumn::FreeBuffer(TMCell&) const {}
void TMColumn::GetBufferData(const TMCell&) {
  throw Exception("GetBufferData");
}
void TMColumn::SetBufferData(TMCell&) const {
  throw Exception("SetBufferData");
}
void TMColumn::DoSetAsBoolean(bool) {
  throw Exception("DoSetAsBoolean");
}
void TMColumn::DoSetAsFloat(double) {
  throw Exception("DoSetAsFloat");
}
void TMColumn::DoSetAsInteger(int32_t) {
  throw Exception("DoSetAsInteger");
}
void TMColumn::DoSetAsString(const std::string&) {
  throw Exception("DoSetAsString");
}
void TMColumn::DoSetValue(const Variant&) {
  throw Exception("DoSetValue");
}
void TMColumn::DoReadStream(TStream&) {
  throw Exception("DoReadStream");
}
void TMColumn::WriteStream(TStream&) const {
  throw Exception("WriteStream");
}
int TMColumn::GetTypeID() const {
  throw Exception("GetTypeID");
}
void TMColumn::SaveBlobToStream(TStream&) {}
void TMColumn::LoadBlobFromStream(TStream&) {}

TMCell* TMColumn::CurrentCell() const {
  return matrix_ ? matrix_->CurrentCell(index_) : nullptr;
}

TMCell& TMColumn::RequireCurrentCell() const {
  TMCell* cell = CurrentCell();
  if (cell == nullptr)
    throw Exception("The column " + name_ + " has no current row to hold a value");
  return *cell;
}

void TMColumn::SetAsBoolean(bool value) {
  TMCell& cell = RequireCurrentCell();
  DoSetAsBoolean(value);
  SetBufferData(cell);
}

void TMColumn::SetAsFloat(double value) {
  TMCell& cell = RequireCurrentCell();
  DoSetAsFloat(value);
  SetBufferData(cell);
}

void TMColumn::SetAsInteger(int32_t value) {
  TMCell& cell = RequireCurrentCell();
  DoSetAsInteger(value);
  SetBufferData(cell);
}

void TMColumn::SetAsString(const std::string& value) {
  TMCell& cell = RequireCurrentCell();
  DoSetAsString(value);
  SetBufferData(cell);
}

void TMColumn::SetValue(const Variant& value) {
  TMCell& cell = RequireCurrentCell();
  DoSetValue(value);
  SetBufferData(cell);
}

// ---------------------------------------------------------------- TMIntColumn

std::string TMIntColumn::GetAsString() const {
  return IntToStr(value_);
}

TMCell TMIntColumn::AllocBuffer() const {
  TMCell cell{};
  cell.asInteger = 0;
  return cell;
}

int TMIntColumn::CompareBuffer(const TMCell* a, const TMCell* b) const {
  const int64_t x = a ? a->asInteger : 0;
  const int64_t y = b ? b->asInteger : 0;
  return Sign(x - y);
}

int TMIntColumn::CompareVariant(const TMCell* a, const Variant& value) const {
  const int64_t x = a ? a->asInteger : 0;
  return Sign(x - static_cast<int64_t>(value.AsInt()));
}

void TMIntColumn::DoSetAsFloat(double value) {
  value_ = TruncToInt(value);
}

void TMIntColumn::DoSetAsString(const std::string& value) {
  SetValue(Variant(value));
}

void TMIntColumn::DoSetValue(const Variant& value) {
  int32_t n = 0;
  if (value.GetKind() == Variant::Kind::Int)
    n = value.AsInt();
  else if (!value.IsNull() && value.GetKind() != Variant::Kind::Bytes &&
           !TryStrToInt(value.AsText(), n))
    n = 0;
  value_ = n;
}

void TMIntColumn::DoReadStream(TStream& stream) {
  value_ = ReadValue<int32_t>(stream);
}

void TMIntColumn::WriteStream(TStream& stream) const {
  WriteValue(stream, value_);
}

// ---------------------------------------------------------------- TMFloatColumn

bool TMFloatColumn::GetAsBoolean() const {
  return std::fabs(value_) > 0;
}

int32_t TMFloatColumn::GetAsInteger() const {
  return TruncToInt(value_);
}

std::string TMFloatColumn::GetAsString() const {
  return FloatToStr(value_);
}

TMCell TMFloatColumn::AllocBuffer() const {
  TMCell cell{};
  cell.asFloat = 0;
  return cell;
}

int TMFloatColumn::CompareBuffer(const TMCell* a, const TMCell* b) const {
  return Sign((a ? a->asFloat : 0.0) - (b ? b->asFloat : 0.0));
}

int TMFloatColumn::CompareVariant(const TMCell* a, const Variant& value) const {
  return Sign((a ? a->asFloat : 0.0) - value.AsDouble());
}

void TMFloatColumn::DoSetAsString(const std::string& value) {
  SetValue(Variant(value));
}

void TMFloatColumn::DoSetValue(const Variant& value) {
  switch (value.GetKind()) {
    // Numbers are taken as they are: a price must not lose digits on its
    // way through a 15-digit text.
    case Variant::Kind::Int:
    case Variant::Kind::Double:
      value_ = value.AsDouble();
      return;
    case Variant::Kind::Null:
    case Variant::Kind::Bytes:
      value_ = 0;
      return;
    default: {
      double d = 0;
      value_ = TryStrToFloat(value.AsText(), d) ? d : 0;
    }
  }
}

void TMFloatColumn::DoReadStream(TStream& stream) {
  value_ = ReadValue<double>(stream);
}

void TMFloatColumn::WriteStream(TStream& stream) const {
  WriteValue(stream, value_);
}

double TMDateTimeColumn::GetAsDate() const {
  return std::trunc(GetAsFloat());
}

// ---------------------------------------------------------------- TMBoolColumn

TMCell TMBoolColumn::AllocBuffer() const {
  TMCell cell{};
  cell.asBoolean = 0;
  return cell;
}

int TMBoolColumn::CompareBuffer(const TMCell* a, const TMCell* b) const {
  const int x = a && a->asBoolean ? 1 : 0;
  const int y = b && b->asBoolean ? 1 : 0;
  return x - y;
}

int TMBoolColumn::CompareVariant(const TMCell* a, const Variant& value) const {
  const int x = a && a->asBoolean ? 1 : 0;
  const int y = !value.IsNull() && value.AsBool() ? 1 : 0;
  return x - y;
}

void TMBoolColumn::DoSetAsFloat(double value) {
  value_ = std::fabs(value) > 0;
}

void TMBoolColumn::DoSetAsString(const std::string& value) {
  value_ = SameTextAscii(value, "TRUE");
}

void TMBoolColumn::DoSetValue(const Variant& value) {
  switch (value.GetKind()) {
    case Variant::Kind::Bool:
      value_ = value.AsBool();
      return;
    case Variant::Kind::Null:
    case Variant::Kind::Bytes:
      value_ = false;
      return;
    default:
      value_ = SameTextAscii(value.AsText(), "TRUE");
  }
}

void TMBoolColumn::DoReadStream(TStream& stream) {
  value_ = ReadValue<uint8_t>(stream) != 0;
}

void TMBoolColumn::WriteStream(TStream& stream) const {
  WriteValue<uint8_t>(stream, value_ ? 1 : 0);
}

// ---------------------------------------------------------------- TMStringColumn

bool TMStringColumn::GetAsBoolean() const {
  return SameTextAscii(value_, "TRUE");
}

double TMStringColumn::GetAsFloat() const {
  double d = 0;
  return TryStrToFloat(value_, d) ? d : 0;
}

int32_t TMStringColumn::GetAsInteger() const {
  int32_t n = 0;
  return TryStrToInt(value_, n) ? n : 0;
}

TMCell TMStringColumn::AllocBuffer() const {
  TMCell cell{};
  cell.text = nullptr;
  return cell;
}

int TMStringColumn::CompareBuffer(const TMCell* a, const TMCell* b) const {
  const std::string_view x = a && a->text ? std::string_view(*a->text) : std::string_view();
  const std::string_view y = b && b->text ? std::string_view(*b->text) : std::string_view();
  return Sign(static_cast<int64_t>(CompareTextAscii(x, y)));
}

int TMStringColumn::CompareVariant(const TMCell* a, const Variant& value) const {
  const std::string_view x = a && a->text ? std::string_view(*a->text) : std::string_view();
  return Sign(static_cast<int64_t>(CompareTextAscii(x, value.AsText())));
}

void TMStringColumn::FreeBuffer(TMCell& cell) const {
  delete cell.text;
  cell.text = nullptr;
}

void TMStringColumn::GetBufferData(const TMCell& cell) {
  if (cell.text)
    value_ = *cell.text;
  else
    value_.clear();
}

// An empty text keeps no storage, so the many empty cells of a library cost
// nothing beyond the cell itself.
void TMStringColumn::SetBufferData(TMCell& cell) const {
  if (value_.empty())
    FreeBuffer(cell);
  else if (cell.text)
    *cell.text = value_;
  else
    cell.text = new std::string(value_);
}

void TMStringColumn::DoSetAsFloat(double value) {
  value_ = FloatToStr(value);
}

void TMStringColumn::DoSetAsInteger(int32_t value) {
  value_ = IntToStr(value);
}

void TMStringColumn::DoSetValue(const Variant& value) {
  value_ = value.IsNull() ? std::string() : value.AsText();
}

void TMStringColumn::DoReadStream(TStream& stream) {
  const int32_t length = ReadValue<int32_t>(stream);
  value_.clear();
  if (length <= 0) return;
  CheckAvailable(stream, length);
  value_.resize(static_cast<size_t>(length));
  stream.ReadBuffer(value_.data(), length);
  ScrambleBytes(value_.data(), value_.size());
}

void TMStringColumn::WriteStream(TStream& stream) const {
  WriteValue(stream, static_cast<int32_t>(value_.size()));
  if (value_.empty()) return;
  std::string scrambled = ScrambleText(value_);
  stream.WriteBuffer(scrambled.data(), static_cast<int64_t>(scrambled.size()));
}

// ---------------------------------------------------------------- TMBlobColumn

TMCell TMBlobColumn::AllocBuffer() const {
  TMCell cell{};
  cell.blob = nullptr;
  return cell;
}

void TMBlobColumn::FreeBuffer(TMCell& cell) const {
  delete cell.blob;
  cell.blob = nullptr;
}

TMemStream& TMBlobColumn::CurrentBlob() const {
  TMCell& cell = RequireCurrentCell();
  if (cell.blob == nullptr) cell.blob = new TMemStream();
  return *cell.blob;
}

std::string TMBlobColumn::GetAsString() const {
  TMemStream* blob = RequireCurrentCell().blob;
  if (blob == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(blob->Memory()),
                     static_cast<size_t>(blob->Size()));
}

Variant TMBlobColumn::GetValue() const {
  TMemStream* blob = RequireCurrentCell().blob;
  if (blob == nullptr) return Variant(Variant::ByteArray());
  const uint8_t* bytes = blob->Memory();
  return Variant(Variant::ByteArray(bytes, bytes + blob->Size()));
}

void TMBlobColumn::DoSetValue(const Variant& value) {
  TMCell& cell = RequireCurrentCell();
  if (value.IsClear()) {
    FreeBuffer(cell);
    return;
  }
  TMemStream& blob = CurrentBlob();
  blob.Clear();
  if (value.GetKind() == Variant::Kind::Text) {
    const std::string& text = value.AsText();
    blob.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    return;
  }
  const Variant::ByteArray& bytes = value.AsBytes();
  blob.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TMBlobColumn::DoReadStream(TStream& stream) {
  if (CurrentCell() == nullptr) return;
  const int32_t length = ReadValue<int32_t>(stream);
  if (length <= 0) return;
  CheckAvailable(stream, length);
  CurrentBlob().CopyFrom(stream, length);
}

void TMBlobColumn::WriteStream(TStream& stream) const {
  TMCell* cell = CurrentCell();
  TMemStream* blob = cell ? cell->blob : nullptr;
  const int64_t size = blob ? blob->Size() : 0;
  WriteValue(stream, static_cast<int32_t>(size));
  if (size > 0) stream.WriteBuffer(blob->Memory(), size);
}

// Reading an empty cell allocates nothing: most blob cells of a library are empty.
void TMBlobColumn::SaveBlobToStream(TStream& dest) {
  TMemStream* blob = RequireCurrentCell().blob;
  if (blob != nullptr && blob->Size() > 0) dest.CopyFrom(*blob, 0);
}

void TMBlobColumn::LoadBlobFromStream(TStream& source) {
  RequireCurrentCell();
  if (source.Size() > 0) CurrentBlob().CopyFrom(source, 0);
}

TMColumnClass ColumnClassOfType(int typeId) {
  switch (typeId) {
    case 1:
      return &NewColumn<TMIntColumn>;
    case 2:
      return &NewColumn<TMFloatColumn>;
    case 3:
      return &NewColumn<TMBoolColumn>;
    case 4:
      return &NewColumn<TMStringColumn>;
    case 5:
      return &NewColumn<TMBlobColumn>;
    case 6:
      return &NewColumn<TMDateTimeColumn>;
    default:
      return nullptr;
  }
}

// ---------------------------------------------------------------- TMColumns

TMColumns::TMColumns(TMatrix& matrix) : matrix_(matrix), map_(30) {}

TMColumns::~TMColumns() = default;

TMColumn& TMColumns::Items(int index) const {
  if (index < 0 || index >= Count()) throw EMapOutOfBounds("The index is out of MapList bounds");
  return *columns_[static_cast<size_t>(index)];
}

void TMColumns::Delete(int index) {
  Items(index);  // bounds check
  matrix_.RemoveColumnCells(index);
  map_.Delete(index);
  columns_.erase(columns_.begin() + index);
  for (size_t i = static_cast<size_t>(index); i < columns_.size(); ++i)
    columns_[i]->index_ = static_cast<int>(i);
}

TMColumn* TMColumns::FindColumn(std::string_view name) const {
  const TMapItem* item = map_.Find(name);
  return item ? static_cast<TMColumn*>(item->Object()) : nullptr;
}

TMColumn& TMColumns::AddColumn(std::unique_ptr<TMColumn> column) {
  if (!column) throw Exception("Can't add null column!");
  if (map_.Find(column->Name()))
    throw Exception("A column named " + column->Name() + " already existed!");
  TMColumn& added = *column;
  columns_.push_back(std::move(column));
  added.matrix_ = &matrix_;
  added.index_ = Count() - 1;
  map_.Add(added.Name(), {}, &added);
  return added;
}

TMColumn& TMColumns::Add(TMColumnClass columnClass, std::string_view name) {
  return AddColumn(columnClass(name));
}

void TMColumns::Clear() {
  matrix_.ClearRows();
  map_.Clear();
  columns_.clear();
}

void TMColumns::SaveToStream(TStream& stream) const {
  WriteValue(stream, kColumnListMarker);
  for (const auto& column : columns_) {
    uint8_t descriptor[kDescriptorSize] = {};
    descriptor[0] = kColumnMarker;
    descriptor[1] = static_cast<uint8_t>(column->GetTypeID());
    descriptor[2] = static_cast<uint8_t>(column->Name().size());
    std::memcpy(descriptor + 3, column->Name().data(), column->Name().size());
    ScrambleBytes(reinterpret_cast<char*>(descriptor + 3), column->Name().size());
    stream.WriteBuffer(descriptor, kDescriptorSize);
  }
}

void TMColumns::LoadFromStream(TStream& stream) {
  uint8_t marker = 0;
  if (stream.Read(&marker, 1) != 1 || marker != kColumnListMarker)
    throw Exception("Error columns head stream");
  Clear();
  for (;;) {
    const int64_t start = stream.Position();
    uint8_t descriptor[kDescriptorSize];
    const int64_t got = stream.Read(descriptor, kDescriptorSize);
    TMColumnClass columnClass =
        got >= 2 && descriptor[0] == kColumnMarker ? ColumnClassOfType(descriptor[1]) : nullptr;
    std::string name;
    if (columnClass && got == kDescriptorSize) {
      const size_t length = std::min<size_t>(descriptor[2], kMaxNameLength);
      name.assign(reinterpret_cast<const char*>(descriptor + 3), length);
      ScrambleBytes(name.data(), name.size());
      name = std::string(TrimText(name));
    }
    // The list has no count: a row count whose bytes happen to look like a
    // descriptor ends it when a complete chain of row records follows it.
    if (name.empty() || matrix_.RowRecordsFollow(stream, start)) {
      stream.SetPosition(start);
      return;
    }
    stream.SetPosition(start + kDescriptorSize);
    Add(columnClass, name);
  }
}

// ---------------------------------------------------------------- TMatrix

TMatrix::TMatrix() : columns_(*this) {}

TMatrix::~TMatrix() {
  for (Row& row : rows_) ReleaseRow(row);
}

void TMatrix::ReleaseRow(Row& row) {
  for (size_t i = 0; i < row.size(); ++i) columns_.Items(static_cast<int>(i)).FreeBuffer(row[i]);
  row.clear();
}

void TMatrix::RemoveColumnCells(int columnIndex) {
  const TMColumn& column = columns_.Items(columnIndex);
  const size_t at = static_cast<size_t>(columnIndex);
  for (Row& row : rows_) {
    if (row.size() <= at) continue;
    column.FreeBuffer(row[at]);
    row.erase(row.begin() + columnIndex);
  }
}

TMColumn& TMatrix::AddColumn(TMColumnClass columnClass, std::string_view name) {
  TMColumn& column = columns_.Add(columnClass, name);
  Resync();
  return column;
}

void TMatrix::Resync() {
  const int rowCount = RowCount();
  bof_ = rowCount == 0 || current_ < 0;
  eof_ = rowCount == 0 || current_ >= rowCount;
  if (rowCount == 0) return;
  current_ = std::clamp(current_, 0, rowCount - 1);
  Row& row = rows_[static_cast<size_t>(current_)];
  const size_t columnCount = static_cast<size_t>(ColumnCount());
  PadRow(row);
  // Cells of deleted columns were released with their column, so a row never
  // holds more cells than there are columns.
  for (size_t i = 0; i < columnCount; ++i)
    columns_.Items(static_cast<int>(i)).GetBufferData(row[i]);
}

void TMatrix::First() {
  current_ = 0;
  Resync();
}

void TMatrix::Next() {
  // A further Next at the end keeps Eof set instead of re-arming the cursor
  // on the last row.
  if (eof_) return;
  ++current_;
  Resync();
}

void TMatrix::Append() {
  current_ = RowCount();
  rows_.emplace_back();
  Resync();
}

void TMatrix::DeleteRow(int index) {
  if (index < 0 || index >= RowCount()) return;
  ReleaseRow(rows_[static_cast<size_t>(index)]);
  rows_.erase(rows_.begin() + index);
  Resync();
}

void TMatrix::ClearRows() {
  current_ = 0;
  for (auto row = rows_.rbegin(); row != rows_.rend(); ++row) ReleaseRow(*row);
  rows_.clear();
  Resync();
}

void TMatrix::Clear() {
  columns_.Clear();
  Resync();
}

TMCell* TMatrix::CurrentCell(int columnIndex) {
  if (rows_.empty() || columnIndex < 0) return nullptr;
  Row& row = rows_[static_cast<size_t>(current_)];
  if (static_cast<size_t>(columnIndex) >= row.size()) return nullptr;
  return &row[static_cast<size_t>(columnIndex)];
}

std::vector<int> TMatrix::ColumnTypes() const {
  std::vector<int> types;
  for (int i = 0; i < ColumnCount(); ++i) types.push_back(columns_.Items(i).GetTypeID());
  return types;
}

void TMatrix::PadRow(Row& row) const {
  const size_t columnCount = static_cast<size_t>(ColumnCount());
  if (row.size() >= columnCount) return;
  row.reserve(columnCount);
  while (row.size() < columnCount)
    row.push_back(columns_.Items(static_cast<int>(row.size())).AllocBuffer());
}

// One row record straight from the cells: the bytes each column's WriteStream
// gives for the value its GetBufferData loads, without a virtual call per value.
void TMatrix::EncodeRow(const Row& row, const std::vector<int>& types, std::string& record) {
  record.assign(1, static_cast<char>(kRowMarker));
  record.append(4, '\0');  // row end, patched by the caller
  const auto append = [&record](const void* data, size_t count) {
    record.append(static_cast<const char*>(data), count);
  };
  for (size_t i = 0; i < types.size(); ++i) {
    const TMCell& cell = row[i];
    switch (types[i]) {
      case 1:
        append(&cell.asInteger, 4);
        break;
      case 2:
      case 6:
        append(&cell.asFloat, 8);
        break;
      case 3:
        record.push_back(cell.asBoolean ? 1 : 0);
        break;
      case 4: {
        const int32_t length = cell.text ? static_cast<int32_t>(cell.text->size()) : 0;
        append(&length, 4);
        if (length > 0) {
          const size_t at = record.size();
          record += *cell.text;
          ScrambleBytes(record.data() + at, static_cast<size_t>(length));
        }
        break;
      }
      case 5: {
        const int32_t length = cell.blob ? static_cast<int32_t>(cell.blob->Size()) : 0;
        append(&length, 4);
        if (length > 0) append(cell.blob->Memory(), static_cast<size_t>(length));
        break;
      }
    }
  }
}

// Signature, version, end offset, column list, row count.
void TMatrix::WriteStreamHead(TStream& stream, uint32_t endOffset, uint32_t rowCount) const {
  stream.WriteBuffer(kSignature, sizeof kSignature);
  WriteValue<uint16_t>(stream, 1);
  WriteValue<uint32_t>(stream, endOffset);
  columns_.SaveToStream(stream);
  WriteValue(stream, rowCount);
}

int64_t TMatrix::StreamHeadSize() const {
  return static_cast<int64_t>(sizeof kSignature) + 2 + 4 + 1 +
         static_cast<int64_t>(ColumnCount()) * kDescriptorSize + 4;
}

int64_t TMatrix::CurrentRowRecordSize(const std::vector<int>& types) {
  if (rows_.empty()) throw Exception("The table has no current row to write");
  Row& row = rows_[static_cast<size_t>(current_)];
  PadRow(row);
  int64_t size = 1 + 4;
  for (size_t i = 0; i < types.size() && i < row.size(); ++i) {
    const TMCell& cell = row[i];
    switch (types[i]) {
      case 1:
        size += 4;
        break;
      case 2:
      case 6:
        size += 8;
        break;
      case 3:
        size += 1;
        break;
      case 4:
        size += 4 + (cell.text ? static_cast<int64_t>(cell.text->size()) : 0);
        break;
      case 5:
        size += 4 + (cell.blob ? cell.blob->Size() : 0);
        break;
    }
  }
  return size;
}

int64_t TMatrix::WriteCurrentRowRecord(TStream& stream, int64_t recordOffset,
                                       const std::vector<int>& types, std::string& record) {
  if (rows_.empty()) throw Exception("The table has no current row to write");
  Row& row = rows_[static_cast<size_t>(current_)];
  PadRow(row);
  EncodeRow(row, types, record);
  const int64_t end = recordOffset + static_cast<int64_t>(record.size());
  if (end > std::numeric_limits<uint32_t>::max())
    throw Exception("The table is too large for its stream form");
  const uint32_t rowEnd = static_cast<uint32_t>(end);
  std::memcpy(record.data() + 1, &rowEnd, 4);
  stream.WriteBuffer(record.data(), static_cast<int64_t>(record.size()));
  return static_cast<int64_t>(record.size());
}

void TMatrix::SaveToStream(TStream& stream) {
  const int64_t base = stream.Position();
  const int64_t endOffsetAt = base + sizeof kSignature + 2;
  WriteStreamHead(stream, 0, static_cast<uint32_t>(RowCount()));
  const std::vector<int> types = ColumnTypes();
  int64_t offset = stream.Position() - base;
  std::string record;
  for (Row& row : rows_) {
    PadRow(row);  // as visiting the row would
    EncodeRow(row, types, record);
    offset += static_cast<int64_t>(record.size());
    if (offset > std::numeric_limits<uint32_t>::max())
      throw Exception("The table is too large for its stream form");
    const uint32_t rowEnd = static_cast<uint32_t>(offset);
    std::memcpy(record.data() + 1, &rowEnd, 4);
    stream.WriteBuffer(record.data(), static_cast<int64_t>(record.size()));
  }
  PatchU32(stream, endOffsetAt, offset);
  // Left at its end, as a walk with Next leaves it: the last row current and Eof set.
  current_ = RowCount() - 1;
  Resync();
  eof_ = true;
}

void TMatrix::LoadFromStream(TStream& stream) {
  const int64_t base = stream.Position();
  uint8_t head[10];
  if (stream.Read(head, sizeof head) != sizeof head ||
      std::memcmp(head, kSignature, sizeof kSignature) != 0)
    throw Exception("Invlid stream format");
  const uint32_t endOffset = ReadValue<uint32_t>(stream);

  struct LoadScope {
    TMatrix& matrix;
    ~LoadScope() { matrix.loadBase_ = matrix.loadEnd_ = -1; }
  } scope{*this};
  loadBase_ = base;
  loadEnd_ = endOffset;
  probeSteps_ = endOffset / 5 + 1024;
  columns_.LoadFromStream(stream);
  ReadRows(stream, base);
  stream.SetPosition(base + endOffset);
  First();
}

void TMatrix::ReadRows(TStream& stream, int64_t base) {
  const uint32_t count = ReadValue<uint32_t>(stream);
  ClearRows();
  const int64_t size = stream.Size();
  // Every row record takes at least five bytes, which bounds what a damaged
  // row count can make us reserve.
  rows_.reserve(std::min<size_t>(
      count, static_cast<size_t>(std::max<int64_t>(size - stream.Position(), 0) / 5)));
  if (auto* memory = dynamic_cast<TMemStream*>(&stream))
    ReadRowsFromMemory(*memory, base, count);
  else
    ReadRowsFromStream(stream, base, count);
}

void TMatrix::ReadRowsFromStream(TStream& stream, int64_t base, uint32_t remaining) {
  const int64_t size = stream.Size();
  const int columnCount = ColumnCount();
  uint8_t marker = 0;
  while (remaining > 0 && stream.Read(&marker, 1) == 1 && marker == kRowMarker) {
    Append();
    const int64_t rowEnd = base + ReadValue<uint32_t>(stream);
    Row& row = rows_.back();
    for (int i = 0; i < columnCount; ++i) {
      TMColumn& column = columns_.Items(i);
      column.DoReadStream(stream);
      column.SetBufferData(row[static_cast<size_t>(i)]);
    }
    // Bytes beyond the known columns are skipped; an end before the values
    // just read or beyond the stream is damage, not data.
    if (rowEnd < stream.Position() || rowEnd > size) throw Exception("Error row stream");
    stream.SetPosition(rowEnd);
    --remaining;
  }
}

// The same reading as ReadRowsFromStream, decoding the values of a stream
// form in memory straight into the cells: tables of a library hold hundreds
// of thousands of rows.
void TMatrix::ReadRowsFromMemory(TMemStream& stream, int64_t base, uint32_t remaining) {
  const uint8_t* const begin = stream.Memory();
  const int64_t size = stream.Size();
  int64_t at = stream.Position();
  const auto take = [&](int64_t count) {
    if (count > size - at) throw Exception("Stream read error");
    const uint8_t* p = begin + at;
    at += count;
    return p;
  };
  const std::vector<int> types = ColumnTypes();
  Row fresh;
  PadRow(fresh);  // fresh cells hold no storage, so copies of them are fresh too
  while (remaining > 0 && at < size && begin[at] == kRowMarker) {
    ++at;
    uint32_t rowEndOffset = 0;
    std::memcpy(&rowEndOffset, take(4), 4);
    const int64_t rowEnd = base + rowEndOffset;
    rows_.push_back(fresh);
    Row& row = rows_.back();
    for (size_t i = 0; i < types.size(); ++i) {
      TMCell& cell = row[i];
      switch (types[i]) {
        case 1:
          std::memcpy(&cell.asInteger, take(4), 4);
          break;
        case 2:
        case 6:
          std::memcpy(&cell.asFloat, take(8), 8);
          break;
        case 3:
          cell.asBoolean = *take(1) != 0 ? 1 : 0;
          break;
        case 4:
        case 5: {
          int32_t length = 0;
          std::memcpy(&length, take(4), 4);
          if (length <= 0) break;
          const uint8_t* bytes = take(length);
          if (types[i] == 4) {
            cell.text =
                new std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
            ScrambleBytes(cell.text->data(), cell.text->size());
          } else {
            cell.blob = new TMemStream();
            cell.blob->WriteBuffer(bytes, length);
          }
          break;
        }
      }
    }
    if (rowEnd < at || rowEnd > size) throw Exception("Error row stream");
    at = rowEnd;
    --remaining;
  }
  stream.SetPosition(at);
  current_ = RowCount() - 1;
  Resync();
}

bool TMatrix::RowRecordsFollow(TStream& stream, int64_t position) const {
  if (loadBase_ < 0) return false;
  const int64_t end = loadBase_ + loadEnd_;
  const int64_t back = stream.Position();
  stream.SetPosition(position);
  uint32_t count = 0;
  bool follows = stream.Read(&count, 4) == 4 && count <= (end - position - 4) / 5;
  int64_t at = position + 4;
  for (uint32_t i = 0; follows && i < count; ++i) {
    // Crafted bytes could make every descriptor start a long walk; the
    // budget keeps the probing linear in the size of the stream form.
    if (--probeSteps_ < 0) {
      follows = false;
      break;
    }
    uint8_t record[5];
    uint32_t rowEnd = 0;
    stream.SetPosition(at);
    follows = stream.Read(record, 5) == 5 && record[0] == kRowMarker;
    std::memcpy(&rowEnd, record + 1, 4);
    follows = follows && loadBase_ + rowEnd >= at + 5 && loadBase_ + rowEnd <= end;
    at = loadBase_ + rowEnd;
  }
  follows = follows && at == end;
  stream.SetPosition(back);
  return follows;
}

bool IsWrittenForm(const uint8_t* form, int64_t size, const TMatrix& schema,
                   const std::function<bool(const std::vector<TFormValue>&)>& visitRow,
                   uint32_t& rowCount) {
  // The head but the row count: signature, version, the form's own size as
  // its end, and the schema's column descriptors with their zero padding.
  const int64_t headSize = schema.StreamHeadSize();
  if (size < headSize || size > std::numeric_limits<uint32_t>::max()) return false;
  TMemStream head;
  schema.WriteStreamHead(head, static_cast<uint32_t>(size), 0);
  if (std::memcmp(form, head.Memory(), static_cast<size_t>(headSize - 4)) != 0) return false;
  // Loading probes each descriptor, and what follows the last one, for a row
  // count with its rows: where such a reading is possible the columns loaded
  // could differ from the schema's.
  const int columnCount = schema.ColumnCount();
  const int64_t firstDescriptor = headSize - 4 - int64_t{kDescriptorSize} * columnCount;
  for (int c = 0; c <= columnCount; ++c) {
    const int64_t at = firstDescriptor + int64_t{kDescriptorSize} * c;
    uint32_t count = 0;
    std::memcpy(&count, form + at, 4);
    if (c < columnCount ? count <= (size - at - 4) / 5 : form[at] == kColumnMarker) return false;
  }
  std::memcpy(&rowCount, form + headSize - 4, 4);

  std::vector<int> types;
  for (int c = 0; c < columnCount; ++c) types.push_back(schema.Columns(c).GetTypeID());
  std::vector<TFormValue> values(types.size());
  int64_t at = headSize;
  for (uint32_t r = 0; r < rowCount; ++r) {
    if (size - at < 5 || form[at] != kRowMarker) return false;
    uint32_t end = 0;
    std::memcpy(&end, form + at + 1, 4);
    int64_t p = at + 5;
    for (size_t c = 0; c < types.size(); ++c) {
      int64_t n = 0;
      switch (types[c]) {
        case 1:
          n = 4;
          break;
        case 2:
        case 6:
          n = 8;
          break;
        case 3:
          // Any byte but 0 reads as true and is written back as 1.
          if (size - p < 1 || form[p] > 1) return false;
          n = 1;
          break;
        case 4:
        case 5: {
          int32_t length = 0;
          if (size - p < 4) return false;
          std::memcpy(&length, form + p, 4);
          if (length < 0) return false;  // reads as empty, written back as 0
          p += 4;
          n = length;
          break;
        }
        default:
          return false;
      }
      if (size - p < n) return false;
      values[c] = {form + p, n};
      p += n;
    }
    // Bytes after the known values are skipped when loading.
    if (end != p || !visitRow(values)) return false;
    at = p;
  }
  return at == size;
}

}  // namespace xxj
