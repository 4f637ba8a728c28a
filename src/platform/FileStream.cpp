#include "platform/FileStream.h"

#include "support/Errors.h"

namespace xxj {

FileOpenRequest DecodeFileMode(uint16_t mode) {
  FileOpenRequest request;
  if (mode == kFmCreate) {
    request.access = FileAccess::ReadWrite;
    request.share = kShareNone;
    request.disposition = FileDisposition::CreateAlways;
    return request;
  }
  switch (mode & 0x0F) {
    case kFmOpenWrite:
      request.access = FileAccess::Write;
      break;
    case kFmOpenReadWrite:
      request.access = FileAccess::ReadWrite;
      break;
    default:
      request.access = FileAccess::Read;
      break;
  }
  // Compatibility mode shares nothing, as the class library maps it.
  switch (mode & 0xF0) {
    case kFmShareDenyWrite:
      request.share = kShareRead;
      break;
    case kFmShareDenyRead:
      request.share = kShareWrite;
      break;
    case kFmShareDenyNone:
      request.share = kShareReadWrite;
      break;
    default:
      request.share = kShareNone;
      break;
  }
  return request;
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : fileName_(fileName) {
  const FileOpenRequest request = DecodeFileMode(mode);
  std::string reason;
  handle_ = CurrentMachine().OpenFile(fileName, request.access, request.share, request.disposition,
                                      &reason);
  if (handle_ != nullptr) return;
  if (mode == kFmCreate) throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
  throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  const int64_t n = handle_->Read(buffer, count);
  return n < 0 ? 0 : n;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  const int64_t n = handle_->Write(buffer, count);
  return n < 0 ? 0 : n;
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
  return handle_->Seek(offset, origin);
}

int64_t TFileStream::Size() {
  return handle_->Size();
}

void TFileStream::SetSize(int64_t newSize) {
  const int64_t position = handle_->Seek(0, SeekOrigin::Current);
  const bool ok = handle_->Seek(newSize, SeekOrigin::Begin) == newSize && handle_->SetEndOfFile();
  handle_->Seek(position < newSize ? position : newSize, SeekOrigin::Begin);
  if (!ok) throw Exception("Cannot change the size of file \"" + fileName_ + "\".");
}

void TFileStream::Flush() {
  if (!handle_->Flush()) throw Exception("Cannot write file \"" + fileName_ + "\" to disk.");
}

}  // namespace xxj
