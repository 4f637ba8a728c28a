#pragma once
// Information-price package files: a 512-byte header record naming the
// package and its period, then a chain of named, optionally deflated entries,
// each a persisted recordset.

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/Stream.h"

namespace xxj {

class Dataset;
class FileHandle;

constexpr int kPackageHeaderSize = 512;
constexpr int kEntryHeaderSize = 30;
// The walk over the chain looks at no more name bytes than this.
constexpr int kMaxEntryNameLength = 260;
constexpr uint16_t kPackageVersion = 1798;
constexpr uint16_t kXxjPackageKind = 600;
// Create (or truncate) instead of opening an existing file.
constexpr uint16_t kCreatePackage = 0xFFFF;
// The platform's open flags the callers use.
constexpr uint16_t kOpenRead = 0x0000;
constexpr uint16_t kOpenReadShared = 0x0040;

// The header record, kept as its 512 stored bytes; fields are little-endian.
class PackageHeader {
 public:
  // All zero except Version = 1798 and Created = today.
  PackageHeader();

  uint8_t* Bytes() { return bytes_; }
  const uint8_t* Bytes() const { return bytes_; }

  uint16_t Version() const { return Get<uint16_t>(0); }
  void SetVersion(uint16_t value) { Put(0, value); }
  uint16_t Kind() const { return Get<uint16_t>(2); }
  void SetKind(uint16_t value) { Put(2, value); }
  int32_t LibraryId() const { return Get<int32_t>(4); }
  void SetLibraryId(int32_t value) { Put(4, value); }
  int32_t Created() const { return Get<int32_t>(8); }
  void SetCreated(int32_t dayNumber) { Put(8, dayNumber); }
  // GBK text up to the first NUL, or the whole field when it has none.
  std::string Name() const { return Text(12, 50); }
  std::string Remark() const { return Text(62, 400); }
  // Stores the text with a terminating NUL; raises an error when it needs
  // more than 49 (Name) or 399 (Remark) bytes rather than cutting it.
  void SetName(std::string_view name) { SetText(12, 50, name, "Name"); }
  void SetRemark(std::string_view remark) { SetText(62, 400, remark, "Remark"); }
  // Day numbers of the first days of the first and last months covered.
  int32_t StartDate() const { return Get<int32_t>(462); }
  void SetStartDate(int32_t dayNumber) { Put(462, dayNumber); }
  int32_t EndDate() const { return Get<int32_t>(466); }
  void SetEndDate(int32_t dayNumber) { Put(466, dayNumber); }

 private:
  template <typename T>
  T Get(int offset) const {
    T value;
    std::memcpy(&value, bytes_ + offset, sizeof(T));
    return value;
  }
  template <typename T>
  void Put(int offset, T value) {
    std::memcpy(bytes_ + offset, &value, sizeof(T));
  }
  std::string Text(int offset, int width) const;
  void SetText(int offset, int width, std::string_view text, const char* field);

  uint8_t bytes_[kPackageHeaderSize];
};

// The progress callback: whole per cent of the entry processed.
using TProgress = std::function<void(int percent)>;

// Progress adapter for one entry: turns bytes processed into per cent.
class TCmpDecmp {
 public:
  TCmpDecmp(int64_t uncompressedSize, TProgress progress)
      : size_(uncompressedSize), progress_(std::move(progress)) {}
  void Processed(int64_t bytes) const;
  void Done() const;

 private:
  int64_t size_;
  TProgress progress_;
};

// Status of the entry codec; 0 is success.
enum EntryStatus : int {
  kEntryOk = 0,
  kEntryBadSignature = 1,  // no entry header at the position
  kEntryTruncated = 2,     // the file ends inside the entry
  kEntryCorrupt = 3,       // the deflate stream is damaged
  kEntrySizeMismatch = 4,  // the content does not have its recorded size
  kEntryWriteFailed = 5,
  kEntryBadName = 6,   // empty or longer than kMaxEntryNameLength
  kEntryTooLarge = 7,  // beyond the 32-bit sizes of the entry header
};
// What a status means, as GBK text for messages.
std::string EntryStatusText(int status);

// The entry codec, usable on any stream positioned at an entry.
int WriteEntry(TStream& file, TStream& source, std::string_view name, const TProgress& progress,
               bool compress);
int ReadEntry(TStream& dest, TStream& file, const TProgress& progress);
// Moves past one entry; returns the new position, or -1 when the signature
// does not match (the 30 header bytes are consumed all the same).
int64_t SkipEntry(TStream& file);

// DOS date-time (time 0, midnight) of a calendar day, as entry headers hold it.
uint32_t DosDateTime(int year, int month, int day);
// Today's day number (days since 1899-12-30) on this machine.
int32_t TodayDayNumber();

// The folder for temporary files of entry loading, ending with "\": the
// user's documents folder, else "d:\$VelmoTmp$\", else "c:\$VelmoTmp$\".
std::string GetWorkFolder();

class TVelFile : public TStream {
 public:
  // A package object without a file.
  TVelFile();
  // Creates (mode kCreatePackage) or opens the file; raises EFCreateError,
  // EFOpenError or, for a header that fails the check, EFOpenError with the
  // format message.
  TVelFile(const std::string& fileName, uint16_t mode);
  ~TVelFile() override;
  TVelFile(const TVelFile&) = delete;
  TVelFile& operator=(const TVelFile&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t newSize) override;

  virtual void InitFile();
  virtual bool ReadHeader();
  virtual void SaveHeader();
  virtual int IndexOfEntry(std::string_view name);
  virtual void AddEntry(TStream& source, std::string_view name, bool compress);
  virtual void DeleteEntry(int index);
  void ExtractEntry(int index, TStream& dest);
  bool LoadEntry(std::string_view name, Dataset& dataset);
  bool LoadEntryAt(int index, Dataset& dataset);

  // One entry of the chain as its header records it.
  struct EntryInfo {
    std::string name;
    bool deleted = false;
    bool compressed = false;
    uint32_t dosDateTime = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
  };
  // Every entry in chain order, deleted ones included.
  std::vector<EntryInfo> Entries();

  PackageHeader& Header() { return header_; }
  const PackageHeader& Header() const { return header_; }
  const std::string& FileName() const { return fileName_; }

 protected:
  // Opens or creates the file; constructors of derived kinds call it so
  // their InitFile and ReadHeader take part.
  void Open(const std::string& fileName, uint16_t mode);

 private:
  struct Peeked;
  Peeked Peek();
  void SkipEntries(int count);
  [[noreturn]] void EntryFailed(int index, int status);

  std::unique_ptr<FileHandle> handle_;
  PackageHeader header_;
  std::string fileName_;
};

class TXxjFile : public TVelFile {
 public:
  TXxjFile() = default;
  TXxjFile(const std::string& fileName, uint16_t mode);

  void InitFile() override;
  bool ReadHeader() override;

  // -1 when bit 30 of LibraryId is set, otherwise LibraryId.
  int QuotaLibraryId() const;
  double StartDate() const { return Header().StartDate(); }
  double EndDate() const { return Header().EndDate(); }
};

}  // namespace xxj
