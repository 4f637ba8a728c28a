#include "package/Dataset.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numeric>
#include <utility>

#include "support/Errors.h"
#include "support/NumberText.h"
#include "support/TextEncoding.h"

namespace xxj {
namespace {

// A row index meaning "no current record": an empty dataset reads as NULLs,
// as the data-access layer's fields do.
constexpr size_t kNoRow = std::numeric_limits<size_t>::max();

char16_t FoldAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? c - 32 : c;
}

int CompareTextNoCase(std::u16string_view a, std::u16string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = FoldAscii(a[i]);
    const char16_t y = FoldAscii(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

template <typename T>
int Compare3(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Money as the platform prints it: up to four decimals, no trailing zeros.
std::string CurrencyText(int64_t tenThousandths) {
  const bool negative = tenThousandths < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(tenThousandths) : static_cast<uint64_t>(tenThousandths);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
  uint64_t fraction = magnitude % 10000;
  if (fraction == 0) return text;
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04u", static_cast<unsigned>(fraction));
  std::string decimals(digits);
  while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
  return text + "." + decimals;
}

// Item codes and units are mostly ASCII: those need no converter.
std::string TextAsGbk(std::u16string_view text) {
  std::string ascii(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0x80) return GbkFromUtf16(text);
    ascii[i] = static_cast<char>(text[i]);
  }
  return ascii;
}

[[noreturn]] void NotConvertible(const std::string& value, const char* what) {
  throw Exception("'" + value + "' is not a valid " + what + " value");
}

}  // namespace

std::string DateTimeText(double dayNumber) {
  if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > 3e6) return FloatToStr(dayNumber);
  // Whole seconds, rounded, so 23:59:59.9996 does not print as 24:00:00.
  const int64_t totalSeconds = static_cast<int64_t>(std::llround(dayNumber * 86400.0));
  int64_t days = totalSeconds / 86400;
  int64_t seconds = totalSeconds % 86400;
  if (seconds < 0) {
    // Before 1899-12-30 the fraction counts forward from the day too.
    seconds = -seconds;
  }
  // Civil date from days since 1899-12-30 (day 25569 is 1970-01-01).
  int64_t z = days - 25569 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t year = yoe + era * 400;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  if (month <= 2) ++year;
  char text[128];
  if (seconds == 0) {
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day));
  } else {
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  }
  return text;
}

// ---------------------------------------------------------------------------
// DatasetField

DatasetField::DatasetField(Dataset& owner, std::string name, FieldKind kind, uint32_t size)
    : owner_(owner), name_(std::move(name)), kind_(kind), storage_(StorageOf(kind)), size_(size) {}

size_t DatasetField::CurrentRow() const {
  return owner_.RecordCount() == 0 ? kNoRow : owner_.CurrentRow();
}

bool DatasetField::IsNullAt(size_t row) const {
  return row == kNoRow || nulls_[row] != 0;
}

int64_t DatasetField::AsInt64At(size_t row) const {
  if (IsNullAt(row)) return 0;
  if (UsesInt64()) return int64s_[row];
  if (kind_ == FieldKind::Integer || kind_ == FieldKind::Boolean) return ints_[row];
  return AsIntegerAt(row);
}

std::u16string_view DatasetField::TextAt(size_t row) const {
  if (!IsTextual() || IsNullAt(row)) return {};
  const uint32_t begin = row == 0 ? 0 : textEnds_[row - 1];
  return std::u16string_view(texts_).substr(begin, textEnds_[row] - begin);
}

std::string DatasetField::AsStringAt(size_t row) const {
  if (IsNullAt(row)) return {};
  switch (kind_) {
    case FieldKind::Integer:
      return IntToStr(ints_[row]);
    case FieldKind::Boolean:
      return ints_[row] != 0 ? "True" : "False";
    case FieldKind::LargeInt:
      return IntToStr(int64s_[row]);
    case FieldKind::Currency:
      return CurrencyText(int64s_[row]);
    case FieldKind::Double:
      return FloatToStr(doubles_[row]);
    case FieldKind::DateTime:
      return DateTimeText(doubles_[row]);
    case FieldKind::Text:
    case FieldKind::Memo:
      return TextAsGbk(TextAt(row));
  }
  return {};
}

int32_t DatasetField::AsIntegerAt(size_t row) const {
  if (IsNullAt(row)) return 0;
  switch (kind_) {
    case FieldKind::Integer:
      return ints_[row];
    case FieldKind::Boolean:
      return ints_[row] != 0 ? -1 : 0;
    case FieldKind::LargeInt:
      if (int64s_[row] < INT32_MIN || int64s_[row] > INT32_MAX)
        NotConvertible(IntToStr(int64s_[row]), "integer");
      return static_cast<int32_t>(int64s_[row]);
    case FieldKind::Currency:
    case FieldKind::Double:
    case FieldKind::DateTime: {
      const double value = AsFloatAt(row);
      if (!(value > INT32_MIN - 0.5 && value < INT32_MAX + 0.5))
        NotConvertible(AsStringAt(row), "integer");
      return static_cast<int32_t>(RoundHalfEven(value));
    }
    case FieldKind::Text:
    case FieldKind::Memo: {
      const std::string text = AsStringAt(row);
      int32_t value = 0;
      if (!TryStrToInt(text, value)) NotConvertible(text, "integer");
      return value;
    }
  }
  return 0;
}

double DatasetField::AsFloatAt(size_t row) const {
  if (IsNullAt(row)) return 0;
  switch (kind_) {
    case FieldKind::Integer:
      return ints_[row];
    case FieldKind::Boolean:
      return ints_[row] != 0 ? -1 : 0;
    case FieldKind::LargeInt:
      return static_cast<double>(int64s_[row]);
    case FieldKind::Currency:
      return static_cast<double>(int64s_[row]) / 10000.0;
    case FieldKind::Double:
    case FieldKind::DateTime:
      return doubles_[row];
    case FieldKind::Text:
    case FieldKind::Memo: {
      const std::string text = AsStringAt(row);
      double value = 0;
      if (!TryStrToFloat(text, value)) NotConvertible(text, "floating point");
      return value;
    }
  }
  return 0;
}

Variant DatasetField::Value() const {
  const size_t row = CurrentRow();
  if (IsNullAt(row)) return Variant::Null();
  switch (kind_) {
    case FieldKind::Integer:
      return Variant(ints_[row]);
    case FieldKind::Boolean:
      return Variant(ints_[row] != 0);
    case FieldKind::LargeInt:
    case FieldKind::Currency:
    case FieldKind::Double:
    case FieldKind::DateTime:
      return Variant(AsFloatAt(row));
    case FieldKind::Text:
    case FieldKind::Memo:
      return Variant(AsStringAt(row));
  }
  return Variant();
}

DatasetField::Storage DatasetField::StorageOf(FieldKind kind) {
  switch (kind) {
    case FieldKind::LargeInt:
    case FieldKind::Currency:
      return Storage::Int64;
    case FieldKind::Double:
    case FieldKind::DateTime:
      return Storage::Float;
    case FieldKind::Text:
    case FieldKind::Memo:
      return Storage::Text;
    case FieldKind::Integer:
    case FieldKind::Boolean:
      break;
  }
  return Storage::Int32;
}

void DatasetField::WrongKind(const char* what) const {
  throw Exception("Field '" + name_ + "' does not hold " + what);
}

void DatasetField::AppendText(std::u16string_view text) {
  if (!IsTextual()) throw Exception("Field '" + name_ + "' does not hold text");
  // Offsets are 32-bit: a dataset's texts stay below 4 Gi characters.
  if (texts_.size() + text.size() > std::numeric_limits<uint32_t>::max())
    throw Exception("Field '" + name_ + "' holds too much text");
  texts_.append(text);
  textEnds_.push_back(static_cast<uint32_t>(texts_.size()));
  nulls_.push_back(0);
}

void DatasetField::AppendUtf16Bytes(const void* bytes, size_t chars) {
  if (!IsTextual()) throw Exception("Field '" + name_ + "' does not hold text");
  if (texts_.size() + chars > std::numeric_limits<uint32_t>::max())
    throw Exception("Field '" + name_ + "' holds too much text");
  const size_t old = texts_.size();
  texts_.resize(old + chars);
  std::memcpy(texts_.data() + old, bytes, chars * 2);
  textEnds_.push_back(static_cast<uint32_t>(texts_.size()));
  nulls_.push_back(0);
}

void DatasetField::DropLastValue() {
  if (nulls_.empty()) return;
  nulls_.pop_back();
  if (IsTextual()) {
    textEnds_.pop_back();
    texts_.resize(textEnds_.empty() ? 0 : textEnds_.back());
  } else if (UsesInt64()) {
    int64s_.pop_back();
  } else if (UsesDouble()) {
    doubles_.pop_back();
  } else {
    ints_.pop_back();
  }
}

void DatasetField::Reserve(size_t rows) {
  nulls_.reserve(rows);
  if (IsTextual()) {
    textEnds_.reserve(rows);
  } else if (UsesInt64()) {
    int64s_.reserve(rows);
  } else if (UsesDouble()) {
    doubles_.reserve(rows);
  } else {
    ints_.reserve(rows);
  }
}

int DatasetField::CompareRows(size_t a, size_t b) const {
  const bool nullA = IsNullAt(a);
  const bool nullB = IsNullAt(b);
  if (nullA || nullB) return Compare3(!nullA, !nullB);
  if (IsTextual()) return CompareTextNoCase(TextAt(a), TextAt(b));
  if (UsesInt64()) return Compare3(int64s_[a], int64s_[b]);
  if (UsesDouble()) return Compare3(doubles_[a], doubles_[b]);
  return Compare3(ints_[a], ints_[b]);
}

// ---------------------------------------------------------------------------
// Dataset

void Dataset::Clear() {
  fields_.clear();
  order_.clear();
  rowCount_ = 0;
  cursor_ = 0;
}

DatasetField& Dataset::AddField(std::string name, FieldKind kind, uint32_t size) {
  if (rowCount_ != 0) throw Exception("Cannot add field '" + name + "' to a filled dataset");
  if (FindField(name) != nullptr) throw Exception("Duplicate field name '" + name + "'");
  fields_.push_back(std::make_unique<DatasetField>(*this, std::move(name), kind, size));
  return *fields_.back();
}

void Dataset::CommitRecord() {
  for (const auto& field : fields_) {
    if (field->ValueCount() != rowCount_ + 1)
      throw Exception("Field '" + field->FieldName() + "' has no value for the new record");
  }
  ++rowCount_;
  if (!order_.empty()) order_.push_back(static_cast<uint32_t>(rowCount_ - 1));
}

void Dataset::DropLastRecord() {
  if (rowCount_ == 0) return;
  for (const auto& field : fields_) field->DropLastValue();
  --rowCount_;
  const auto last = std::find(order_.begin(), order_.end(), static_cast<uint32_t>(rowCount_));
  if (last != order_.end()) order_.erase(last);
  cursor_ = std::min(cursor_, rowCount_);
}

void Dataset::Reserve(size_t rows) {
  for (const auto& field : fields_) field->Reserve(rows);
}

const DatasetField* Dataset::FindField(std::string_view name) const {
  for (const auto& field : fields_) {
    if (SameTextAscii(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

DatasetField* Dataset::FindField(std::string_view name) {
  return const_cast<DatasetField*>(std::as_const(*this).FindField(name));
}

const DatasetField& Dataset::FieldByName(std::string_view name) const {
  const DatasetField* field = FindField(name);
  if (field == nullptr) throw Exception("Field '" + std::string(name) + "' not found");
  return *field;
}

DatasetField& Dataset::FieldByName(std::string_view name) {
  return const_cast<DatasetField&>(std::as_const(*this).FieldByName(name));
}

void Dataset::Sort(std::string_view fieldName) {
  const DatasetField& field = FieldByName(fieldName);
  std::vector<uint32_t> order(rowCount_);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&field](uint32_t a, uint32_t b) { return field.CompareRows(a, b) < 0; });
  order_ = std::move(order);
  cursor_ = 0;
}

size_t Dataset::CurrentRow() const {
  if (rowCount_ == 0) throw Exception("Dataset has no records");
  // Past the end the cursor stays on the last record, as the data-access layer's does.
  const size_t position = std::min(cursor_, rowCount_ - 1);
  return order_.empty() ? position : order_[position];
}

}  // namespace xxj
