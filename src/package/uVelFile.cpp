#include "package/uVelFile.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#include "filedb/MemStream.h"
#include "package/Adtg.h"
#include "package/Dataset.h"
#include "platform/FileStream.h"
#include "platform/Machine.h"
#include "support/Errors.h"
#include "support/FileRoutines.h"
#include "support/NumberText.h"
#include "support/TextEncoding.h"
#include "support/Trace.h"

namespace xxj {
namespace {

constexpr uint32_t kEntrySignature = 0x04035354;  // "TS" 03 04
constexpr uint32_t kDeletedFlag = 0x80000000u;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;
constexpr int64_t kChunk = 64 * 1024;
// Deflate cannot expand data by more than about 1032 to 1; a larger recorded
// size is a lie, and believing it would let a tiny file claim gigabytes.
constexpr uint64_t kMaxInflateRatio = 1032;

uint16_t U16At(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
uint32_t U32At(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
void PutU16(uint8_t* p, uint16_t v) {
  std::memcpy(p, &v, 2);
}
void PutU32(uint8_t* p, uint32_t v) {
  std::memcpy(p, &v, 4);
}

// The 30-byte entry header.
struct EntryHeader {
  uint32_t signature = 0;
  uint32_t flags = 0;
  uint16_t method = 0;
  uint32_t dosDateTime = 0;
  uint32_t checksum = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint32_t nameLength = 0;

  static EntryHeader From(const uint8_t* p) {
    EntryHeader h;
    h.signature = U32At(p);
    h.flags = U32At(p + 4);
    h.method = U16At(p + 8);
    h.dosDateTime = U32At(p + 10);
    h.checksum = U32At(p + 14);
    h.compressedSize = U32At(p + 18);
    h.uncompressedSize = U32At(p + 22);
    h.nameLength = U32At(p + 26);
    return h;
  }
  void To(uint8_t* p) const {
    PutU32(p, signature);
    PutU32(p + 4, flags);
    PutU16(p + 8, method);
    PutU32(p + 10, dosDateTime);
    PutU32(p + 14, checksum);
    PutU32(p + 18, compressedSize);
    PutU32(p + 22, uncompressedSize);
    PutU32(p + 26, nameLength);
  }
  uint64_t Span() const { return uint64_t{kEntryHeaderSize} + nameLength + compressedSize; }
};

// Reads up to count bytes; whatever the file does not have reads as zero.
int64_t ReadPadded(TStream& file, uint8_t* buffer, int64_t count) {
  std::memset(buffer, 0, static_cast<size_t>(count));
  int64_t total = 0;
  while (total < count) {
    const int64_t n = file.Read(buffer + total, count - total);
    if (n <= 0) break;
    total += n;
  }
  return total;
}

std::tm Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

int32_t DayNumberOf(int year, int month, int day) {
  const int y = month <= 2 ? year - 1 : year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int mp = (month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;
}

uint32_t TodayDosDateTime() {
  const std::tm t = Today();
  return DosDateTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

// Streams source through a zlib compressor into file.
int DeflateInto(TStream& file, TStream& source, int64_t size, const TCmpDecmp* adapter) {
  z_stream z{};
  if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) return kEntryWriteFailed;
  std::vector<uint8_t> in(kChunk);
  std::vector<uint8_t> out(kChunk);
  int64_t consumed = 0;
  int status = kEntryOk;
  source.SetPosition(0);
  for (int flush = Z_NO_FLUSH; flush != Z_FINISH && status == kEntryOk;) {
    const int64_t want = std::min<int64_t>(kChunk, size - consumed);
    const int64_t got = want > 0 ? source.Read(in.data(), want) : 0;
    if (got != want) {
      status = kEntrySizeMismatch;
      break;
    }
    consumed += got;
    flush = consumed >= size ? Z_FINISH : Z_NO_FLUSH;
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(got);
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, flush);
      const int64_t produced = static_cast<int64_t>(out.size() - z.avail_out);
      if (produced > 0 && file.Write(out.data(), produced) != produced) {
        status = kEntryWriteFailed;
        break;
      }
      if (produced > 0 && adapter) adapter->Processed(consumed - z.avail_in);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return status;
}

// Streams exactly `size` bytes of content out of the zlib stream that
// occupies the next `compressedSize` bytes of file, and checks that the
// stream ends there with a valid checksum.
int InflateInto(TStream& dest, TStream& file, uint32_t compressedSize, uint32_t size,
                const TCmpDecmp* adapter) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return kEntryCorrupt;
  std::vector<uint8_t> in(kChunk);
  std::vector<uint8_t> out(kChunk);
  int64_t inputLeft = compressedSize;
  int64_t produced = 0;
  int status = kEntryOk;
  int rc = Z_OK;
  while (status == kEntryOk && rc != Z_STREAM_END) {
    if (z.avail_in == 0) {
      if (inputLeft == 0) {
        status = kEntryCorrupt;  // the stream goes on past its recorded size
        break;
      }
      // Progress is reported as the working buffer is refilled.
      if (adapter && inputLeft < compressedSize) adapter->Processed(produced);
      const int64_t want = std::min<int64_t>(kChunk, inputLeft);
      const int64_t got = ReadPadded(file, in.data(), want);
      if (got != want) {
        status = kEntryTruncated;
        break;
      }
      inputLeft -= got;
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(got);
    }
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) {
      status = kEntryCorrupt;
      break;
    }
    const int64_t n = static_cast<int64_t>(out.size() - z.avail_out);
    if (produced + n > size) {
      status = kEntrySizeMismatch;
      break;
    }
    if (n > 0 && dest.Write(out.data(), n) != n) {
      status = kEntryWriteFailed;
      break;
    }
    produced += n;
  }
  if (status == kEntryOk && produced != size) status = kEntrySizeMismatch;
  inflateEnd(&z);
  return status;
}

[[noreturn]] void FormatError() {
  throw Exception(Gbk("文件格式错误"));
}

}  // namespace

// ---------------------------------------------------------------------------
// Header record

PackageHeader::PackageHeader() {
  std::memset(bytes_, 0, sizeof bytes_);
  SetVersion(kPackageVersion);
  SetCreated(TodayDayNumber());
}

std::string PackageHeader::Text(int offset, int width) const {
  const char* begin = reinterpret_cast<const char*>(bytes_ + offset);
  const void* nul = std::memchr(begin, 0, static_cast<size_t>(width));
  return std::string(begin, nul ? static_cast<const char*>(nul) - begin : width);
}

void PackageHeader::SetText(int offset, int width, std::string_view text, const char* field) {
  if (text.size() >= static_cast<size_t>(width)) {
    throw Exception(std::string(field) + Gbk(" 最多 ") + std::to_string(width - 1) +
                    Gbk(" 字节，给出的文本有 ") + std::to_string(text.size()) + Gbk(" 字节"));
  }
  std::memset(bytes_ + offset, 0, static_cast<size_t>(width));
  std::memcpy(bytes_ + offset, text.data(), text.size());
}

// ---------------------------------------------------------------------------
// Codec

void TCmpDecmp::Processed(int64_t bytes) const {
  if (!progress_ || size_ <= 0) return;
  progress_(static_cast<int>(RoundHalfEven(100.0 * static_cast<double>(bytes) / size_)));
}

void TCmpDecmp::Done() const {
  if (progress_) progress_(100);
}

std::string EntryStatusText(int status) {
  switch (status) {
    case kEntryOk:
      return Gbk("成功");
    case kEntryBadSignature:
      return Gbk("数据项头无效");
    case kEntryTruncated:
      return Gbk("文件在数据项中间结束（文件不完整）");
    case kEntryCorrupt:
      return Gbk("压缩数据已损坏");
    case kEntrySizeMismatch:
      return Gbk("数据项长度与记录的不符");
    case kEntryWriteFailed:
      return Gbk("写入失败");
    case kEntryBadName:
      return Gbk("数据项名称为空或超过 260 字节");
    case kEntryTooLarge:
      return Gbk("数据项超过 4 GB");
  }
  return Gbk("未知错误 ") + std::to_string(status);
}

uint32_t DosDateTime(int year, int month, int day) {
  const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) |
                        (static_cast<uint32_t>(month) << 5) | static_cast<uint32_t>(day);
  return date << 16;  // the time half stays 0: midnight
}

int32_t TodayDayNumber() {
  const std::tm t = Today();
  return DayNumberOf(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

int WriteEntry(TStream& file, TStream& source, std::string_view name, const TProgress& progress,
               bool compress) {
  try {
    if (name.empty() || name.size() > kMaxEntryNameLength) return kEntryBadName;
    const int64_t size = source.Size();
    if (size < 0 || size > UINT32_MAX) return kEntryTooLarge;
    const int64_t start = file.Position();
    EntryHeader header;
    header.signature = kEntrySignature;
    header.method = compress ? kMethodDeflate : kMethodStored;
    header.dosDateTime = TodayDosDateTime();
    header.uncompressedSize = static_cast<uint32_t>(size);
    header.compressedSize = compress ? 0 : static_cast<uint32_t>(size);
    header.nameLength = static_cast<uint32_t>(name.size());
    uint8_t bytes[kEntryHeaderSize];
    header.To(bytes);
    if (file.Write(bytes, kEntryHeaderSize) != kEntryHeaderSize) return kEntryWriteFailed;
    if (file.Write(name.data(), static_cast<int64_t>(name.size())) !=
        static_cast<int64_t>(name.size()))
      return kEntryWriteFailed;
    if (!compress) {
      file.CopyFrom(source, 0);
      return kEntryOk;
    }
    std::unique_ptr<TCmpDecmp> adapter;
    if (progress) adapter = std::make_unique<TCmpDecmp>(size, progress);
    const int status = DeflateInto(file, source, size, adapter.get());
    if (status != kEntryOk) return status;
    if (adapter) adapter->Done();
    const int64_t end = file.Position();
    const int64_t compressed = end - start - static_cast<int64_t>(name.size()) - kEntryHeaderSize;
    if (compressed > UINT32_MAX) return kEntryTooLarge;
    header.compressedSize = static_cast<uint32_t>(compressed);
    header.To(bytes);
    file.SetPosition(start);
    if (file.Write(bytes, kEntryHeaderSize) != kEntryHeaderSize) return kEntryWriteFailed;
    file.SetPosition(end);
    return kEntryOk;
  } catch (const std::exception&) {
    return kEntryWriteFailed;
  }
}

int ReadEntry(TStream& dest, TStream& file, const TProgress& progress) {
  try {
    const int64_t start = file.Position();
    uint8_t bytes[kEntryHeaderSize];
    const int64_t got = ReadPadded(file, bytes, kEntryHeaderSize);
    const EntryHeader header = EntryHeader::From(bytes);
    // Nothing at the position is no entry: report it instead of a silent
    // empty content.
    if (header.signature != kEntrySignature) return kEntryBadSignature;
    if (got != kEntryHeaderSize) return kEntryTruncated;
    // The whole entry must lie inside the file before anything is believed.
    const int64_t fileSize = file.Size();
    if (start < 0 || static_cast<uint64_t>(fileSize - start) < header.Span())
      return kEntryTruncated;
    file.SetPosition(start + kEntryHeaderSize + header.nameLength);
    std::unique_ptr<TCmpDecmp> adapter;
    if (progress) adapter = std::make_unique<TCmpDecmp>(header.uncompressedSize, progress);
    if (header.method == kMethodStored) {
      if (header.uncompressedSize > header.compressedSize) return kEntrySizeMismatch;
      dest.CopyFrom(file, header.uncompressedSize);
      if (adapter) adapter->Done();
      return kEntryOk;
    }
    if (header.uncompressedSize > uint64_t{header.compressedSize} * kMaxInflateRatio + 64)
      return kEntrySizeMismatch;
    const int status =
        InflateInto(dest, file, header.compressedSize, header.uncompressedSize, adapter.get());
    if (status != kEntryOk) return status;
    if (adapter) adapter->Done();
    return kEntryOk;
  } catch (const std::bad_alloc&) {
    return kEntryTooLarge;
  } catch (const std::exception&) {
    return kEntryTruncated;
  }
}

int64_t SkipEntry(TStream& file) {
  uint8_t bytes[kEntryHeaderSize];
  ReadPadded(file, bytes, kEntryHeaderSize);
  const EntryHeader header = EntryHeader::From(bytes);
  if (header.signature != kEntrySignature) return -1;
  return file.Seek(static_cast<int64_t>(header.nameLength) + header.compressedSize,
                   SeekOrigin::Current);
}

std::string GetWorkFolder() {
  Machine& machine = CurrentMachine();
  std::string folder = GetPersonalFolder();
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  if (machine.DirectoryExists(folder)) return folder;
  folder = "d:\\$VelmoTmp$\\";
  machine.ForceDirectories(folder);
  if (machine.DirectoryExists(folder)) return folder;
  folder = "c:\\$VelmoTmp$\\";
  machine.ForceDirectories(folder);
  return folder;
}

// ---------------------------------------------------------------------------
// TVelFile

// The next entry header and name, looked at without moving the position.
struct TVelFile::Peeked {
  EntryHeader header;
  std::string name;
  bool valid() const { return header.signature == kEntrySignature; }
};

TVelFile::TVelFile() = default;

TVelFile::TVelFile(const std::string& fileName, uint16_t mode) : TVelFile() {
  Open(fileName, mode);
}

TVelFile::~TVelFile() = default;

void TVelFile::Open(const std::string& fileName, uint16_t mode) {
  Machine& machine = CurrentMachine();
  if (mode == kCreatePackage) {
    handle_ = machine.OpenFile(fileName, FileAccess::ReadWrite, kShareRead,
                               FileDisposition::CreateAlways);
    if (!handle_) throw EFCreateError(Gbk("无法创建文件 ") + fileName + Gbk("！"));
    try {
      InitFile();
    } catch (...) {
      handle_.reset();
      throw;
    }
    fileName_ = fileName;
    return;
  }
  const FileOpenRequest request = DecodeFileMode(mode);
  handle_ =
      machine.OpenFile(fileName, request.access, request.share, FileDisposition::OpenExisting);
  if (!handle_) throw EFOpenError(Gbk("打开文件 ") + fileName + Gbk(" 失败！"));
  bool valid = false;
  try {
    valid = ReadHeader();
  } catch (...) {
    handle_.reset();
    throw;
  }
  if (!valid) {
    handle_.reset();
    throw EFOpenError(Gbk("文件:\"") + fileName + Gbk("\"格式无效！"));
  }
  fileName_ = fileName;
}

int64_t TVelFile::Read(void* buffer, int64_t count) {
  if (!handle_ || count <= 0) return 0;
  const int64_t n = handle_->Read(buffer, count);
  return n < 0 ? 0 : n;
}

int64_t TVelFile::Write(const void* buffer, int64_t count) {
  if (!handle_ || count <= 0) return 0;
  const int64_t n = handle_->Write(buffer, count);
  return n < 0 ? 0 : n;
}

int64_t TVelFile::Seek(int64_t offset, SeekOrigin origin) {
  if (!handle_) return -1;
  return handle_->Seek(offset, origin);
}

int64_t TVelFile::Size() {
  if (!handle_) return 0;
  return handle_->Size();
}

void TVelFile::SetSize(int64_t newSize) {
  if (!handle_ || Seek(newSize, SeekOrigin::Begin) != newSize || !handle_->SetEndOfFile())
    throw Exception(Gbk("无法设置文件 ") + fileName_ + Gbk(" 的大小"));
}

void TVelFile::InitFile() {
  SetSize(kPackageHeaderSize);
  SetPosition(0);
  WriteBuffer(header_.Bytes(), kPackageHeaderSize);
}

bool TVelFile::ReadHeader() {
  SetPosition(0);
  // A short file keeps the freshly constructed values beyond what it holds.
  int64_t total = 0;
  while (total < kPackageHeaderSize) {
    const int64_t n = Read(header_.Bytes() + total, kPackageHeaderSize - total);
    if (n <= 0) break;
    total += n;
  }
  return header_.Version() >= kPackageVersion;
}

void TVelFile::SaveHeader() {
  SetPosition(0);
  WriteBuffer(header_.Bytes(), kPackageHeaderSize);
}

TVelFile::Peeked TVelFile::Peek() {
  const int64_t position = Position();
  uint8_t bytes[kEntryHeaderSize + kMaxEntryNameLength];
  ReadPadded(*this, bytes, sizeof bytes);
  SetPosition(position);
  Peeked peeked;
  peeked.header = EntryHeader::From(bytes);
  const uint32_t length = std::min<uint32_t>(peeked.header.nameLength, kMaxEntryNameLength);
  peeked.name.assign(reinterpret_cast<const char*>(bytes + kEntryHeaderSize), length);
  return peeked;
}

int TVelFile::IndexOfEntry(std::string_view name) {
  const int64_t size = Size();
  int64_t position = kPackageHeaderSize;
  for (int index = 0; position < size; ++index) {
    SetPosition(position);
    const Peeked peeked = Peek();
    if (!peeked.valid()) FormatError();
    if ((peeked.header.flags & kDeletedFlag) == 0 && SameTextAscii(peeked.name, name)) return index;
    position += static_cast<int64_t>(peeked.header.Span());
  }
  SetPosition(std::max<int64_t>(size, kPackageHeaderSize));
  return -1;
}

std::vector<TVelFile::EntryInfo> TVelFile::Entries() {
  std::vector<EntryInfo> entries;
  const int64_t size = Size();
  for (int64_t position = kPackageHeaderSize; position < size;) {
    SetPosition(position);
    const Peeked peeked = Peek();
    if (!peeked.valid()) FormatError();
    EntryInfo info;
    info.name = peeked.name;
    info.deleted = (peeked.header.flags & kDeletedFlag) != 0;
    info.compressed = peeked.header.method != kMethodStored;
    info.dosDateTime = peeked.header.dosDateTime;
    info.compressedSize = peeked.header.compressedSize;
    info.uncompressedSize = peeked.header.uncompressedSize;
    entries.push_back(std::move(info));
    position += static_cast<int64_t>(peeked.header.Span());
  }
  return entries;
}

void TVelFile::SkipEntries(int count) {
  const int64_t size = Size();
  SetPosition(kPackageHeaderSize);
  for (int i = 0; i < count && Position() < size; ++i) {
    if (SkipEntry(*this) < 0) FormatError();
  }
  if (count < 0 || Position() >= size) {
    throw Exception(Gbk("文件 ") + fileName_ + Gbk(" 中没有第 ") + std::to_string(count) +
                    Gbk(" 个数据项"));
  }
}

void TVelFile::AddEntry(TStream& source, std::string_view name, bool compress) {
  if (Size() < kPackageHeaderSize) InitFile();
  // A live entry of the same name is replaced: it stays in the chain marked
  // deleted and the new content goes to the end, so no content is lost.
  const int existing = IndexOfEntry(name);
  if (existing >= 0) DeleteEntry(existing);
  const int64_t start = Seek(0, SeekOrigin::End);
  const int status = WriteEntry(*this, source, name, nullptr, compress);
  if (status == kEntryOk) return;
  // A half-written entry would break the chain for every later reader.
  try {
    SetSize(start);
  } catch (const Exception&) {
  }
  throw Exception(Gbk("无法向文件 ") + fileName_ + Gbk(" 添加数据项 ") + std::string(name) +
                  Gbk("：") + EntryStatusText(status));
}

void TVelFile::DeleteEntry(int index) {
  SkipEntries(index);
  const int64_t position = Position();
  const Peeked peeked = Peek();
  if (!peeked.valid()) FormatError();
  EntryHeader header = peeked.header;
  header.flags |= kDeletedFlag;
  uint8_t bytes[kEntryHeaderSize];
  header.To(bytes);
  SetPosition(position);
  WriteBuffer(bytes, kEntryHeaderSize);
}

void TVelFile::EntryFailed(int index, int status) {
  throw Exception(Gbk("读取文件 ") + fileName_ + Gbk(" 的第 ") + std::to_string(index) +
                  Gbk(" 个数据项失败：") + EntryStatusText(status));
}

void TVelFile::ExtractEntry(int index, TStream& dest) {
  SkipEntries(index);
  const int status = ReadEntry(dest, *this, nullptr);
  if (status != kEntryOk) EntryFailed(index, status);
}

bool TVelFile::LoadEntry(std::string_view name, Dataset& dataset) {
  const int index = IndexOfEntry(name);
  if (index < 0) return false;
  return LoadEntryAt(index, dataset);
}

// The entry is inflated in memory rather than through a temporary file:
// nothing can be left behind, and two loads never share a file name.
bool TVelFile::LoadEntryAt(int index, Dataset& dataset) {
  SkipEntries(index);
  const Peeked peeked = Peek();
  if (!peeked.valid()) FormatError();
  TMemStream content;
  // Room for the content is taken up front only when the recorded size is
  // plausible for the bytes in the file; otherwise the stream grows with what
  // the entry really holds, so a lying size costs no memory.
  const uint64_t recorded = peeked.header.uncompressedSize;
  const int64_t span = static_cast<int64_t>(peeked.header.Span());
  if (Size() - Position() >= span &&
      recorded <= uint64_t{peeked.header.compressedSize} * 64 + 65536) {
    content.SetSize(static_cast<int64_t>(recorded));
    content.SetPosition(0);
  }
  const int status = ReadEntry(content, *this, nullptr);
  if (status != kEntryOk) EntryFailed(index, status);
  try {
    const std::string reading =
        ReadAdtg(content.Memory(), static_cast<size_t>(content.Size()), dataset);
    // A fallback reading of an ambiguous encoding made sense of the rows:
    // worth knowing when prices look wrong.
    if (reading != "standard")
      TraceLine(Gbk("文件 ") + fileName_ + Gbk(" 的数据项 ") + peeked.name + Gbk(" 按 ") + reading +
                Gbk(" 方式读取"));
  } catch (const Exception& e) {
    throw Exception(Gbk("文件 ") + fileName_ + Gbk(" 的数据项 ") + peeked.name +
                    Gbk(" 不是有效的记录集：") + e.Message());
  }
  return true;
}

// ---------------------------------------------------------------------------
// TXxjFile

TXxjFile::TXxjFile(const std::string& fileName, uint16_t mode) : TVelFile() {
  Open(fileName, mode);
}

void TXxjFile::InitFile() {
  Header().SetKind(kXxjPackageKind);
  TVelFile::InitFile();
}

bool TXxjFile::ReadHeader() {
  return TVelFile::ReadHeader() && Header().Kind() == kXxjPackageKind;
}

int TXxjFile::QuotaLibraryId() const {
  const int32_t id = Header().LibraryId();
  return (id & 0x40000000) != 0 ? -1 : id;
}

}  // namespace xxj
