#pragma once
// The file database: one file holding up to 246 named tables behind a fixed
// 2048-byte header. Quota libraries (.Dek) and file-database price packages
// are such files. Tables are read whole, replaced whole and deleted with the
// file compacted; every change is written through at once.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xxj {

class FileHandle;
class TMatrix;
class TStream;
class TMemStream;

// XORs the period text of a package with its fixed key; applying it again
// restores the text.
std::string ScramblePeriod(std::string_view text);

class TFileDB {
 public:
  static constexpr int kHeaderSize = 2048;
  static constexpr int kMaxTables = 246;

  // Opens the file database at fileName (a path as the machine takes it),
  // creating it when the file does not exist. A file that cannot be written
  // is opened read-only. Raises EFOpenError / EFCreateError when the file
  // cannot be opened or created, and "无效的Velmora数据库文件格式" when it is not
  // a file database.
  explicit TFileDB(const std::string& fileName);
  TFileDB(const TFileDB&) = delete;
  TFileDB& operator=(const TFileDB&) = delete;
  virtual ~TFileDB();

  int TableCount() const { return static_cast<int>(names_.size()); }
  // Empty for an index outside 0 .. TableCount - 1.
  std::string TableName(int index) const;
  // Names compare without regard to ASCII case; -1 when absent.
  int IndexOfTable(std::string_view name) const;

  // A new table positioned on its first row, or null when the name is absent
  // or the table is damaged; never raises for a damaged table.
  std::unique_ptr<TMatrix> ReadTable(std::string_view name);
  // The table's stream form as stored, inflated; false (and form empty) when
  // the name is absent or the blob is damaged. Never raises for a damaged table.
  bool ReadTableForm(std::string_view name, TMemStream& form);
  // Stores matrix under the trimmed name, replacing a table of that name, and
  // leaves matrix at its end. Raises "存储表已经达到最大个数！" when all 246
  // slots are taken, and a file error when the file cannot be written.
  TMatrix& WriteTable(std::string_view name, TMatrix& matrix);
  // Stores a table whose stream form writeContent writes into the stream it
  // is given: exactly contentSize bytes holding rowCount rows. The form is
  // compressed into the file as it comes, so neither it nor its blob is held
  // whole. Same guarantees as WriteTable; a form of another size raises and
  // leaves no table behind.
  void WriteTableStreamed(std::string_view name, int64_t contentSize, uint32_t rowCount,
                          const std::function<void(TStream&)>& writeContent);
  // Removes the table and closes the gap; false when the name is absent.
  bool DeleteTable(std::string_view name);

  void SetIdent(std::string_view text);
  std::string GetIdent() const;
  void SetPeriodText(std::string_view text);
  std::string GetPeriodText() const;
  // Rows of every table ever written to this file.
  uint32_t RowsWritten() const;

  // The header as stored, for inspection.
  std::string GetSignature() const;
  int VersionMajor() const;
  int VersionMinor() const;
  // Where table index's blob lies in the file, as the directory says.
  uint32_t TableOffset(int index) const;
  uint32_t TableSize(int index) const;

  const std::string& FileName() const { return fileName_; }
  bool IsReadOnly() const { return readOnly_; }
  // Makes everything written so far durable on disk, so a library saved to a
  // new file can safely replace the original.
  void Flush();

 private:
  struct Slot {
    uint32_t offset;
    uint32_t size;
  };

  void Open();
  void Create();
  void LoadNames();
  std::string StoredTableName(std::string_view name);
  void AddToDirectory(const std::string& tableName, int64_t offset, int64_t size,
                      uint32_t rowCount);
  bool HeaderIsValid() const;
  Slot GetSlot(int index) const;
  void SetSlot(int index, Slot slot);
  bool SlotInFile(Slot slot) const;
  void SetShortText(int offset, int width, std::string_view text);
  std::string GetShortText(int offset, int width) const;
  uint32_t GetU32(int offset) const;
  void PutU32(int offset, uint32_t value);
  void WriteHeader();
  int64_t FileSize() const;
  void ReadAt(int64_t offset, void* buffer, int64_t count);
  int64_t ReadAtMost(int64_t offset, void* buffer, int64_t count);
  void WriteAt(int64_t offset, const void* buffer, int64_t count);
  void Truncate(int64_t size);
  [[noreturn]] void RaiseFileError(const char* what) const;

  std::string fileName_;
  std::unique_ptr<FileHandle> file_;
  std::array<uint8_t, kHeaderSize> header_{};
  std::vector<std::string> names_;
  bool readOnly_ = false;
};

}  // namespace xxj
