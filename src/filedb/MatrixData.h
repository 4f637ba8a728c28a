#pragma once
// Column tables: the in-memory form of one table of a file database. Columns
// work like the fields of a record: moving the cursor loads every column's
// value from the new row, and setting a column's value writes it into the
// current row. A table writes itself into a compact stream form that the
// container compresses into a blob.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "filedb/Map.h"
#include "support/Variant.h"

namespace xxj {

class TStream;
class TMemStream;
class TMatrix;

// XORs names and text values with the fixed scrambling key; applying it again
// restores the text.
std::string ScrambleText(std::string_view text);
void ScrambleBytes(char* data, size_t count);

// One cell of a row, eight bytes: plain values inline, text and blob content
// in storage its column owns (null = empty), so a numeric row is one block.
union TMCell {
  int32_t asInteger;
  double asFloat;
  uint8_t asBoolean;
  std::string* text;
  TMemStream* blob;
};

class TMColumn {
 public:
  // Trims and upper-cases the name; raises for an empty or over-long name.
  explicit TMColumn(std::string_view name);
  TMColumn(const TMColumn&) = delete;
  TMColumn& operator=(const TMColumn&) = delete;
  virtual ~TMColumn();

  const std::string& Name() const { return name_; }
  int Index() const { return index_; }
  TMatrix* Matrix() const { return matrix_; }

  // The operations a column type does not support raise their own name.
  virtual bool GetAsBoolean() const;
  virtual double GetAsFloat() const;
  virtual int32_t GetAsInteger() const;
  virtual std::string GetAsString() const;
  virtual TMCell AllocBuffer() const;
  virtual Variant GetValue() const;
  // Order of two cells (null = an absent cell) and of a cell against a value.
  virtual int CompareBuffer(const TMCell* a, const TMCell* b) const;
  virtual int CompareVariant(const TMCell* a, const Variant& value) const;
  virtual double GetAsDateTime() const;
  virtual double GetAsDate() const;
  virtual void SetAsDateTime(double value);
  virtual void SetAsDate(double value);
  virtual void FreeBuffer(TMCell& cell) const;
  virtual void GetBufferData(const TMCell& cell);
  virtual void SetBufferData(TMCell& cell) const;
  virtual void DoSetAsBoolean(bool value);
  virtual void DoSetAsFloat(double value);
  virtual void DoSetAsInteger(int32_t value);
  virtual void DoSetAsString(const std::string& value);
  virtual void DoSetValue(const Variant& value);
  // The stream encoding of a value belongs to its type id: TMatrix encodes
  // whole rows by type id, so a column class must not change it.
  virtual void DoReadStream(TStream& stream);
  virtual void WriteStream(TStream& stream) const;
  virtual int GetTypeID() const;
  virtual void SaveBlobToStream(TStream& dest);
  virtual void LoadBlobFromStream(TStream& source);

  // Set the value and store it into the current row's cell; they need a
  // current row (Append first on an empty table).
  void SetAsBoolean(bool value);
  void SetAsFloat(double value);
  void SetAsInteger(int32_t value);
  void SetAsString(const std::string& value);
  void SetValue(const Variant& value);

 protected:
  // The current row's cell of this column; raises when there is none.
  TMCell& RequireCurrentCell() const;
  TMCell* CurrentCell() const;

 private:
  friend class TMColumns;
  std::string name_;
  int index_ = -1;
  TMatrix* matrix_ = nullptr;
};

class TMIntColumn : public TMColumn {
 public:
  using TMColumn::TMColumn;
  bool GetAsBoolean() const override { return value_ != 0; }
  double GetAsFloat() const override { return value_; }
  int32_t GetAsInteger() const override { return value_; }
  std::string GetAsString() const override;
  TMCell AllocBuffer() const override;
  Variant GetValue() const override { return Variant(value_); }
  int CompareBuffer(const TMCell* a, const TMCell* b) const override;
  int CompareVariant(const TMCell* a, const Variant& value) const override;
  void GetBufferData(const TMCell& cell) override { value_ = cell.asInteger; }
  void SetBufferData(TMCell& cell) const override { cell.asInteger = value_; }
  void DoSetAsBoolean(bool value) override { value_ = value ? 1 : 0; }
  void DoSetAsFloat(double value) override;
  void DoSetAsInteger(int32_t value) override { value_ = value; }
  void DoSetAsString(const std::string& value) override;
  void DoSetValue(const Variant& value) override;
  void DoReadStream(TStream& stream) override;
  void WriteStream(TStream& stream) const override;
  int GetTypeID() const override { return 1; }

 private:
  int32_t value_ = 0;
};

class TMFloatColumn : public TMColumn {
 public:
  using TMColumn::TMColumn;
  bool GetAsBoolean() const override;
  double GetAsFloat() const override { return value_; }
  int32_t GetAsInteger() const override;
  std::string GetAsString() const override;
  TMCell AllocBuffer() const override;
  Variant GetValue() const override { return Variant(value_); }
  int CompareBuffer(const TMCell* a, const TMCell* b) const override;
  int CompareVariant(const TMCell* a, const Variant& value) const override;
  void GetBufferData(const TMCell& cell) override { value_ = cell.asFloat; }
  void SetBufferData(TMCell& cell) const override { cell.asFloat = value_; }
  void DoSetAsBoolean(bool value) override { value_ = value ? 1.0 : 0.0; }
  void DoSetAsFloat(double value) override { value_ = value; }
  void DoSetAsInteger(int32_t value) override { value_ = value; }
  void DoSetAsString(const std::string& value) override;
  void DoSetValue(const Variant& value) override;
  void DoReadStream(TStream& stream) override;
  void WriteStream(TStream& stream) const override;
  int GetTypeID() const override { return 2; }

 private:
  double value_ = 0;
};

class TMDateTimeColumn : public TMFloatColumn {
 public:
  using TMFloatColumn::TMFloatColumn;
  double GetAsDateTime() const override { return GetAsFloat(); }
  double GetAsDate() const override;
  // A date keeps a time fraction it is given, as the stored libraries expect.
  void SetAsDateTime(double value) override { SetAsFloat(value); }
  void SetAsDate(double value) override { SetAsFloat(value); }
  int GetTypeID() const override { return 6; }
};

class TMBoolColumn : public TMColumn {
 public:
  using TMColumn::TMColumn;
  bool GetAsBoolean() const override { return value_; }
  double GetAsFloat() const override { return value_ ? 1 : 0; }
  int32_t GetAsInteger() const override { return value_ ? 1 : 0; }
  std::string GetAsString() const override { return value_ ? "TRUE" : "FALSE"; }
  TMCell AllocBuffer() const override;
  Variant GetValue() const override { return Variant(value_); }
  int CompareBuffer(const TMCell* a, const TMCell* b) const override;
  int CompareVariant(const TMCell* a, const Variant& value) const override;
  void GetBufferData(const TMCell& cell) override { value_ = cell.asBoolean != 0; }
  void SetBufferData(TMCell& cell) const override { cell.asBoolean = value_ ? 1 : 0; }
  void DoSetAsBoolean(bool value) override { value_ = value; }
  void DoSetAsFloat(double value) override;
  void DoSetAsInteger(int32_t value) override { value_ = value != 0; }
  void DoSetAsString(const std::string& value) override;
  void DoSetValue(const Variant& value) override;
  void DoReadStream(TStream& stream) override;
  void WriteStream(TStream& stream) const override;
  int GetTypeID() const override { return 3; }

 private:
  bool value_ = false;
};

class TMStringColumn : public TMColumn {
 public:
  using TMColumn::TMColumn;
  bool GetAsBoolean() const override;
  double GetAsFloat() const override;
  int32_t GetAsInteger() const override;
  std::string GetAsString() const override { return value_; }
  TMCell AllocBuffer() const override;
  Variant GetValue() const override { return Variant(value_); }
  int CompareBuffer(const TMCell* a, const TMCell* b) const override;
  int CompareVariant(const TMCell* a, const Variant& value) const override;
  void FreeBuffer(TMCell& cell) const override;
  void GetBufferData(const TMCell& cell) override;
  void SetBufferData(TMCell& cell) const override;
  void DoSetAsBoolean(bool value) override { value_ = value ? "TRUE" : "FALSE"; }
  void DoSetAsFloat(double value) override;
  void DoSetAsInteger(int32_t value) override;
  void DoSetAsString(const std::string& value) override { value_ = value; }
  void DoSetValue(const Variant& value) override;
  void DoReadStream(TStream& stream) override;
  void WriteStream(TStream& stream) const override;
  int GetTypeID() const override { return 4; }

 private:
  std::string value_;
};

// Works on the current row's cell directly and keeps no value of its own.
class TMBlobColumn : public TMColumn {
 public:
  using TMColumn::TMColumn;
  std::string GetAsString() const override;
  TMCell AllocBuffer() const override;
  Variant GetValue() const override;
  void FreeBuffer(TMCell& cell) const override;
  void GetBufferData(const TMCell&) override {}
  void SetBufferData(TMCell&) const override {}
  void DoSetValue(const Variant& value) override;
  void DoReadStream(TStream& stream) override;
  void WriteStream(TStream& stream) const override;
  int GetTypeID() const override { return 5; }
  void SaveBlobToStream(TStream& dest) override;
  void LoadBlobFromStream(TStream& source) override;

 private:
  TMemStream& CurrentBlob() const;
};

// A column class: constructs a column of one type with the given name.
using TMColumnClass = std::unique_ptr<TMColumn> (*)(std::string_view name);

template <class T>
std::unique_ptr<TMColumn> NewColumn(std::string_view name) {
  return std::make_unique<T>(name);
}

// The column class stored under a type id (1 to 6), or null.
TMColumnClass ColumnClassOfType(int typeId);

// The column set of one table; columns are found by name through a hash list.
class TMColumns {
 public:
  explicit TMColumns(TMatrix& matrix);
  TMColumns(const TMColumns&) = delete;
  TMColumns& operator=(const TMColumns&) = delete;
  ~TMColumns();

  int Count() const { return static_cast<int>(columns_.size()); }
  // Raises EMapOutOfBounds for a bad index.
  TMColumn& Items(int index) const;
  // Releases the column's cell in every row and renumbers the columns after it.
  void Delete(int index);
  TMColumn* FindColumn(std::string_view name) const;
  // Takes ownership; raises for a null column or a name already present.
  TMColumn& AddColumn(std::unique_ptr<TMColumn> column);
  TMColumn& Add(TMColumnClass columnClass, std::string_view name);
  void Clear();

  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);

 private:
  TMatrix& matrix_;
  TMapList map_;
  std::vector<std::unique_ptr<TMColumn>> columns_;
};

// A column table with a cursor on one current row.
class TMatrix {
 public:
  TMatrix();
  TMatrix(const TMatrix&) = delete;
  TMatrix& operator=(const TMatrix&) = delete;
  ~TMatrix();

  TMColumn& AddColumn(TMColumnClass columnClass, std::string_view name);
  template <class T>
  T& AddColumn(std::string_view name) {
    return static_cast<T&>(AddColumn(&NewColumn<T>, name));
  }
  int ColumnCount() const { return columns_.Count(); }
  TMColumn& Columns(int index) const { return columns_.Items(index); }
  TMColumn* FindColumn(std::string_view name) const { return columns_.FindColumn(name); }
  TMColumns& ColumnSet() { return columns_; }

  int RowCount() const { return static_cast<int>(rows_.size()); }
  bool IsEmpty() const { return rows_.empty(); }
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  int CurrentRow() const { return current_; }

  void First();
  // Once the end is reached the cursor stays on the last row with Eof set.
  void Next();
  // Adds an empty row and makes it current.
  void Append();
  void DeleteRow(int index);
  void ClearRows();
  void Clear();
  // Null when the table has no rows or the column index is out of range.
  TMCell* CurrentCell(int columnIndex);

  void SaveToStream(TStream& stream);
  void LoadFromStream(TStream& stream);

  // The stream form piece by piece, for writers that cannot go back to patch
  // offsets: the head announces the form's total size and its row count, and
  // each row record its own end, all relative to the start of the form.
  int64_t StreamHeadSize() const;
  void WriteStreamHead(TStream& stream, uint32_t endOffset, uint32_t rowCount) const;
  // The type ids of the columns, in order, as the row record calls take them.
  std::vector<int> ColumnTypes() const;
  int64_t CurrentRowRecordSize(const std::vector<int>& types);
  // Writes the current row as the record starting at recordOffset, built in
  // record (scratch kept by the caller across rows); returns its size.
  int64_t WriteCurrentRowRecord(TStream& stream, int64_t recordOffset,
                                const std::vector<int>& types, std::string& record);

  // Clamps the cursor, pads the current row with fresh cells and loads every
  // column's value from it.
  void Resync();

 private:
  friend class TMColumns;
  using Row = std::vector<TMCell>;

  void ReleaseRow(Row& row);
  void RemoveColumnCells(int columnIndex);
  void PadRow(Row& row) const;
  static void EncodeRow(const Row& row, const std::vector<int>& types, std::string& record);
  void ReadRows(TStream& stream, int64_t base);
  void ReadRowsFromStream(TStream& stream, int64_t base, uint32_t remaining);
  void ReadRowsFromMemory(TMemStream& stream, int64_t base, uint32_t remaining);
  // While loading: whether a row count and its row records sit at position.
  bool RowRecordsFollow(TStream& stream, int64_t position) const;

  TMColumns columns_;
  std::vector<Row> rows_;
  int current_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  // The stream form being loaded: its start and end offset, or -1.
  int64_t loadBase_ = -1;
  int64_t loadEnd_ = -1;
  // Row records the probe for a misleading row count may still visit.
  mutable int64_t probeSteps_ = 0;
};

// One value of a stored row record: its bytes after any length prefix
// (texts still scrambled).
struct TFormValue {
  const uint8_t* data;
  int64_t size;
};

// Whether form is, byte for byte, the stream form a matrix with the columns
// of `schema` writes when it holds the rows the form holds: loading the form
// and writing it back gives the same bytes. Every row's values go to visitRow
// in column order, which may refuse the form by returning false. rowCount
// receives the rows of an accepted form.
bool IsWrittenForm(const uint8_t* form, int64_t size, const TMatrix& schema,
                   const std::function<bool(const std::vector<TFormValue>&)>& visitRow,
                   uint32_t& rowCount);

}  // namespace xxj
