#pragma once
// TFileStream: the byte stream over an OS file that the file database and
// other units read and write, opened with the file modes of the system's
// class library.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Machine.h"
#include "support/Stream.h"

namespace xxj {

// Open modes: one access value combined with one sharing value; kFmCreate
// alone creates or truncates the file for exclusive reading and writing.
constexpr uint16_t kFmCreate = 0xFFFF;
constexpr uint16_t kFmOpenRead = 0x0000;
constexpr uint16_t kFmOpenWrite = 0x0001;
constexpr uint16_t kFmOpenReadWrite = 0x0002;
constexpr uint16_t kFmShareCompat = 0x0000;
constexpr uint16_t kFmShareExclusive = 0x0010;
constexpr uint16_t kFmShareDenyWrite = 0x0020;
constexpr uint16_t kFmShareDenyRead = 0x0030;
constexpr uint16_t kFmShareDenyNone = 0x0040;

// What a mode word asks of the machine.
struct FileOpenRequest {
  FileAccess access = FileAccess::Read;
  uint32_t share = kShareNone;
  FileDisposition disposition = FileDisposition::OpenExisting;
};
FileOpenRequest DecodeFileMode(uint16_t mode);

class TFileStream : public TStream {
 public:
  // Opens or creates a file of the current machine. Raises EFCreateError
  // ("Cannot create file ...") or EFOpenError ("Cannot open file ..."), both
  // naming the file and the reason.
  TFileStream(const std::string& fileName, uint16_t mode);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override;
  // Truncates or extends the file; raises an error naming the file on failure.
  void SetSize(int64_t newSize) override;
  // Makes what was written durable; raises an error naming the file on failure.
  void Flush();

  const std::string& FileName() const { return fileName_; }
  FileHandle& Handle() { return *handle_; }

 private:
  std::string fileName_;
  std::unique_ptr<FileHandle> handle_;
};

}  // namespace xxj
