#pragma once
// The in-memory table a package entry loads into: the part of the data-access
// layer's dataset that the import engines use. Columns are stored typed (one
// array per column, texts in one UTF-16 buffer) so a 100,000-row price entry
// costs little more than its own bytes.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/Variant.h"

namespace xxj {

// What a column holds. Money is kept as the recordset carries it: a 64-bit
// count of ten-thousandths.
enum class FieldKind { Integer, LargeInt, Currency, Double, DateTime, Boolean, Text, Memo };

class Dataset;

// One column of a Dataset. Value accessors read the dataset's current record.
class DatasetField {
 public:
  DatasetField(Dataset& owner, std::string name, FieldKind kind, uint32_t size);

  const std::string& FieldName() const { return name_; }  // GBK
  FieldKind Kind() const { return kind_; }
  // Maximum length in characters for Text, 0 otherwise.
  uint32_t Size() const { return size_; }

  bool IsNull() const { return IsNullAt(CurrentRow()); }
  // Text in GBK: numbers in the general format, dates as "YYYY-MM-DD[ hh:nn:ss]",
  // NULL as "".
  std::string AsString() const { return AsStringAt(CurrentRow()); }
  // NULL reads as 0; a text that is no number raises an error naming the field.
  int32_t AsInteger() const { return AsIntegerAt(CurrentRow()); }
  double AsFloat() const { return AsFloatAt(CurrentRow()); }
  Variant Value() const;

  // Per physical row (insertion order), for writers and bulk readers.
  bool IsNullAt(size_t row) const;
  std::string AsStringAt(size_t row) const;
  int32_t AsIntegerAt(size_t row) const;
  double AsFloatAt(size_t row) const;
  int64_t AsInt64At(size_t row) const;           // Integer, LargeInt, Currency (raw), Boolean
  std::u16string_view TextAt(size_t row) const;  // Text and Memo

  // Appending the value of the newest record; every column receives exactly
  // one value per record.
  // Inline: a recordset load calls these once per cell.
  void AppendNull() {
    nulls_.push_back(1);
    switch (storage_) {
      case Storage::Int32:
        ints_.push_back(0);
        break;
      case Storage::Int64:
        int64s_.push_back(0);
        break;
      case Storage::Float:
        doubles_.push_back(0);
        break;
      case Storage::Text:
        textEnds_.push_back(static_cast<uint32_t>(texts_.size()));
        break;
    }
  }
  // Integer, LargeInt, Currency (raw), Boolean
  void AppendInt(int64_t value) {
    if (storage_ == Storage::Int32) {
      ints_.push_back(static_cast<int32_t>(value));
    } else if (storage_ == Storage::Int64) {
      int64s_.push_back(value);
    } else {
      WrongKind("integers");
    }
    nulls_.push_back(0);
  }
  // Double, DateTime
  void AppendDouble(double value) {
    if (storage_ != Storage::Float) WrongKind("floats");
    doubles_.push_back(value);
    nulls_.push_back(0);
  }
  void AppendText(std::u16string_view text);
  // UTF-16LE bytes straight from a recordset, which need not be aligned.
  void AppendUtf16Bytes(const void* bytes, size_t chars);
  // Removes the newest value (a recordset row that turned out deleted).
  void DropLastValue();
  void Reserve(size_t rows);
  size_t ValueCount() const { return nulls_.size(); }

 private:
  friend class Dataset;
  size_t CurrentRow() const;
  enum class Storage { Int32, Int64, Float, Text };
  static Storage StorageOf(FieldKind kind);
  [[noreturn]] void WrongKind(const char* what) const;
  bool IsTextual() const { return storage_ == Storage::Text; }
  bool UsesInt64() const { return storage_ == Storage::Int64; }
  bool UsesDouble() const { return storage_ == Storage::Float; }
  int CompareRows(size_t a, size_t b) const;

  Dataset& owner_;
  std::string name_;
  FieldKind kind_;
  Storage storage_;
  uint32_t size_;
  std::vector<uint8_t> nulls_;  // one byte per row: cheaper to read than bits
  std::vector<int32_t> ints_;
  std::vector<int64_t> int64s_;
  std::vector<double> doubles_;
  std::vector<uint32_t> textEnds_;  // end offset in texts_ of each row's text
  std::u16string texts_;
};

class Dataset {
 public:
  Dataset() = default;
  Dataset(const Dataset&) = delete;
  Dataset& operator=(const Dataset&) = delete;

  // Empties the dataset: no fields, no records.
  void Clear();
  // Builds the layout; only while the dataset has no records.
  DatasetField& AddField(std::string name, FieldKind kind, uint32_t size = 0);
  // Counts a record whose values every field has just appended.
  void CommitRecord();
  // For readers that append exactly one value to every field per record.
  void CommitRecordUnchecked() { ++rowCount_; }
  // Removes the newest record.
  void DropLastRecord();
  void Reserve(size_t rows);

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  DatasetField& Fields(int index) { return *fields_[index]; }
  const DatasetField& Fields(int index) const { return *fields_[index]; }
  // Field names compare without regard to ASCII case.
  DatasetField* FindField(std::string_view name);
  const DatasetField* FindField(std::string_view name) const;
  bool HasField(std::string_view name) const { return FindField(name) != nullptr; }
  // Raises "Field 'NAME' not found" (the data-access layer's wording).
  DatasetField& FieldByName(std::string_view name);
  const DatasetField& FieldByName(std::string_view name) const;

  int RecordCount() const { return static_cast<int>(rowCount_); }

  // Orders the records by one field, ascending and stable: NULLs first, text
  // without regard to ASCII case, numbers and dates by value. Moves to the
  // first record.
  void Sort(std::string_view fieldName);

  // Cursor over the records in the current order.
  void First() { cursor_ = 0; }
  void Next() {
    if (cursor_ < rowCount_) ++cursor_;
  }
  bool Eof() const { return cursor_ >= rowCount_; }
  // 0-based position of the cursor in the current order.
  size_t RecNo() const { return cursor_; }
  void MoveTo(size_t position) { cursor_ = position < rowCount_ ? position : rowCount_; }
  // Physical row under the cursor; raises an error at the end.
  size_t CurrentRow() const;

 private:
  std::vector<std::unique_ptr<DatasetField>> fields_;
  std::vector<uint32_t> order_;  // empty: insertion order
  size_t rowCount_ = 0;
  size_t cursor_ = 0;
};

// The platform's date of a day number: "YYYY-MM-DD", with " hh:nn:ss" when
// the value has a time of day.
std::string DateTimeText(double dayNumber);

}  // namespace xxj
