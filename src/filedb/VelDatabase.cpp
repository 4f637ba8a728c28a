#include "filedb/VelDatabase.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "platform/Machine.h"
#include "support/Errors.h"
#include "support/Stream.h"
#include "support/TextEncoding.h"
#include "support/TextRoutines.h"

namespace xxj {

namespace {

constexpr uint32_t kFileMagic = 0x07FCE7A4;
constexpr uint32_t kBlobMagic = 0x77FCE7AD;
constexpr char kPeriodKey[] = "Qw!8sN%d3$Lm^7tR&b2+Kp*j";
constexpr char kSignatureText[] = "Velmora Database V2.0";
constexpr char kSignatureWords[] = "VELMORA DATABASE";

// Header fields.
constexpr int kSignatureAt = 0, kSignatureWidth = 32;
constexpr int kMagicAt = 32;
constexpr int kVersionAt = 36;
constexpr int kTableCountAt = 40;
constexpr int kIdentAt = 44, kIdentWidth = 12;
constexpr int kPeriodAt = 56, kPeriodWidth = 16;
constexpr int kDirectoryAt = 76;
constexpr int kRowsWrittenAt = 2044;

// Table blob header: magic, content size, name length.
constexpr int kBlobHeaderSize = 9;
// Listing a table reads its blob header and the longest name.
constexpr int kNameProbeSize = 264;
// deflate never expands by more than this factor's inverse, so a content
// size far beyond it marks a damaged blob before anything is allocated.
constexpr int64_t kMaxInflateRatio = 1040;
constexpr int64_t kMoveChunk = 1 << 20;

template <class T>
void Put(TMemStream& stream, T value) {
  stream.WriteBuffer(&value, sizeof value);
}

// Level 1, as every table of a file database is compressed.
void Deflate(const uint8_t* data, int64_t size, TMemStream& out) {
  z_stream zs{};
  if (deflateInit(&zs, Z_BEST_SPEED) != Z_OK) throw Exception("Compression error");
  const int64_t start = out.Size();
  const uLong bound = deflateBound(&zs, static_cast<uLong>(size));
  out.SetSize(start + static_cast<int64_t>(bound));
  zs.next_in = const_cast<Bytef*>(data);
  zs.avail_in = static_cast<uInt>(size);
  zs.next_out = out.Memory() + start;
  zs.avail_out = static_cast<uInt>(bound);
  const int rc = deflate(&zs, Z_FINISH);
  const int64_t produced = static_cast<int64_t>(zs.total_out);
  deflateEnd(&zs);
  if (rc != Z_STREAM_END) throw Exception("Compression error");
  out.SetSize(start + produced);
}

// Inflates exactly size bytes into out; false for damaged data.
bool Inflate(const uint8_t* data, int64_t dataSize, int64_t size, TMemStream& out) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  out.SetSize(size);
  zs.next_in = const_cast<Bytef*>(data);
  zs.avail_in = static_cast<uInt>(dataSize);
  zs.next_out = out.Memory();
  zs.avail_out = static_cast<uInt>(size);
  int rc = Z_OK;
  while (zs.avail_out > 0 && rc == Z_OK) rc = inflate(&zs, Z_NO_FLUSH);
  bool ok = zs.avail_out == 0 && (rc == Z_OK || rc == Z_STREAM_END);
  // Run on to the end of the stream so its checksum is verified; bytes the
  // stream holds beyond the content size are ignored.
  uint8_t spill[256];
  while (ok && rc == Z_OK) {
    zs.next_out = spill;
    zs.avail_out = sizeof spill;
    rc = inflate(&zs, Z_NO_FLUSH);
    if (rc == Z_BUF_ERROR) break;  // input ends before the trailer: the content is whole
    ok = rc == Z_OK || rc == Z_STREAM_END;
  }
  inflateEnd(&zs);
  if (!ok) out.Clear();
  return ok;
}

// A write-only stream that compresses what it is given at level 1, in the
// same bytes one deflate call over the whole input gives, and hands the
// compressed bytes on as they come out.
class TDeflatingStream : public TStream {
 public:
  using Sink = std::function<void(const uint8_t*, int64_t)>;

  explicit TDeflatingStream(Sink sink)
      : sink_(std::move(sink)),
        input_(std::make_unique<uint8_t[]>(kBufferSize)),
        output_(std::make_unique<uint8_t[]>(kBufferSize)) {
    if (deflateInit(&zs_, Z_BEST_SPEED) != Z_OK) throw Exception("Compression error");
  }
  ~TDeflatingStream() override { deflateEnd(&zs_); }
  TDeflatingStream(const TDeflatingStream&) = delete;
  TDeflatingStream& operator=(const TDeflatingStream&) = delete;

  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    for (int64_t left = count; left > 0;) {
      const int64_t n = std::min<int64_t>(left, kBufferSize - pending_);
      std::memcpy(input_.get() + pending_, bytes, static_cast<size_t>(n));
      pending_ += n;
      bytes += n;
      left -= n;
      if (pending_ == kBufferSize) Compress(Z_NO_FLUSH);
    }
    written_ += count;
    return count;
  }
  // Only the position can be asked for: nothing written can be revisited.
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    if (offset == 0 && origin == SeekOrigin::Current) return written_;
    throw Exception("A compressed table stream cannot seek");
  }
  int64_t Size() override { return written_; }
  void SetSize(int64_t) override { throw Exception("A compressed table stream cannot resize"); }

  // Compresses what is left and ends the compressed stream.
  void Finish() { Compress(Z_FINISH); }
  int64_t Written() const { return written_; }

 private:
  static constexpr int64_t kBufferSize = 1 << 16;

  void Compress(int flush) {
    zs_.next_in = input_.get();
    zs_.avail_in = static_cast<uInt>(pending_);
    int rc = Z_OK;
    do {
      zs_.next_out = output_.get();
      zs_.avail_out = static_cast<uInt>(kBufferSize);
      rc = deflate(&zs_, flush);
      if (rc == Z_STREAM_ERROR) throw Exception("Compression error");
      const int64_t out = kBufferSize - static_cast<int64_t>(zs_.avail_out);
      if (out > 0) sink_(output_.get(), out);
    } while (flush == Z_FINISH ? rc != Z_STREAM_END : zs_.avail_out == 0);
    pending_ = 0;
  }

  Sink sink_;
  z_stream zs_{};
  std::unique_ptr<uint8_t[]> input_;
  std::unique_ptr<uint8_t[]> output_;
  int64_t pending_ = 0;
  int64_t written_ = 0;
};

}  // namespace

std::string ScramblePeriod(std::string_view text) {
  std::string result(text);
  for (size_t i = 0; i < result.size(); ++i)
    result[i] = static_cast<char>(result[i] ^ kPeriodKey[i % 24]);
  return result;
}

TFileDB::TFileDB(const std::string& fileName) : fileName_(fileName) {
  if (CurrentMachine().FileExists(fileName_))
    Open();
  else
    Create();
}

TFileDB::~TFileDB() = default;

void TFileDB::Open() {
  Machine& machine = CurrentMachine();
  std::string reason;
  file_ = machine.OpenFile(fileName_, FileAccess::ReadWrite, kShareReadWrite,
                           FileDisposition::OpenExisting);
  if (!file_) {
    readOnly_ = true;
    file_ = machine.OpenFile(fileName_, FileAccess::Read, kShareReadWrite,
                             FileDisposition::OpenExisting, &reason);
  }
  if (!file_) throw EFOpenError("Cannot open file \"" + fileName_ + "\". " + reason);
  ReadAtMost(0, header_.data(), kHeaderSize);
  if (!HeaderIsValid()) {
    file_.reset();
    throw Exception(Gbk("无效的Velmora数据库文件格式"));
  }
  LoadNames();
}

void TFileDB::Create() {
  std::string reason;
  file_ = CurrentMachine().OpenFile(fileName_, FileAccess::ReadWrite, kShareReadWrite,
                                    FileDisposition::CreateNew, &reason);
  if (!file_) throw EFCreateError("Cannot create file \"" + fileName_ + "\". " + reason);
  header_.fill(0);
  SetShortText(kSignatureAt, kSignatureWidth, kSignatureText);
  PutU32(kMagicAt, kFileMagic);
  PutU32(kVersionAt, 2);  // major 2, minor 0
  WriteHeader();
}

bool TFileDB::HeaderIsValid() const {
  if (GetU32(kMagicAt) != kFileMagic) return false;
  if (GetU32(kTableCountAt) > static_cast<uint32_t>(kMaxTables)) return false;
  return UpperAscii(GetShortText(kSignatureAt, kSignatureWidth)).find(kSignatureWords) !=
         std::string::npos;
}

void TFileDB::LoadNames() {
  const int count = static_cast<int>(GetU32(kTableCountAt));
  names_.clear();
  for (int i = 0; i < count; ++i) {
    // A slot outside the file lists with whatever name bytes can be read, so
    // the names keep lining up with the directory.
    uint8_t probe[kNameProbeSize] = {};
    const int64_t got = ReadAtMost(GetSlot(i).offset, probe, kNameProbeSize);
    const int64_t length =
        std::clamp<int64_t>(std::min<int64_t>(probe[8], got - kBlobHeaderSize), 0, 255);
    const std::string name = ScrambleText(std::string_view(
        reinterpret_cast<const char*>(probe + kBlobHeaderSize), static_cast<size_t>(length)));
    names_.emplace_back(TrimText(name));
  }
}

std::string TFileDB::TableName(int index) const {
  if (index < 0 || index >= TableCount()) return {};
  return names_[static_cast<size_t>(index)];
}

int TFileDB::IndexOfTable(std::string_view name) const {
  for (int i = 0; i < TableCount(); ++i)
    if (SameTextAscii(names_[static_cast<size_t>(i)], name)) return i;
  return -1;
}

bool TFileDB::ReadTableForm(std::string_view name, TMemStream& form) {
  form.Clear();
  const int index = IndexOfTable(name);
  if (index < 0) return false;
  const Slot slot = GetSlot(index);
  if (!SlotInFile(slot) || slot.size < kBlobHeaderSize) return false;
  try {
    std::vector<uint8_t> blob(slot.size);
    ReadAt(slot.offset, blob.data(), slot.size);
    uint32_t magic = 0;
    int32_t contentSize = 0;
    std::memcpy(&magic, blob.data(), 4);
    std::memcpy(&contentSize, blob.data() + 4, 4);
    const int64_t dataAt = kBlobHeaderSize + blob[8];
    const int64_t dataSize = static_cast<int64_t>(slot.size) - dataAt;
    if (magic != kBlobMagic || contentSize <= 0 || dataSize <= 0) return false;
    if (contentSize > dataSize * kMaxInflateRatio + 64) return false;
    if (Inflate(blob.data() + dataAt, dataSize, contentSize, form)) return true;
  } catch (const std::exception&) {
  }
  form.Clear();
  return false;
}

std::unique_ptr<TMatrix> TFileDB::ReadTable(std::string_view name) {
  try {
    TMemStream content;
    if (!ReadTableForm(name, content)) return nullptr;
    auto matrix = std::make_unique<TMatrix>();
    content.SetPosition(0);
    matrix->LoadFromStream(content);
    return matrix;
  } catch (const std::exception&) {
    // A damaged table reads as absent; the caller goes on with the others.
    return nullptr;
  }
}

std::string TFileDB::StoredTableName(std::string_view name) {
  const std::string tableName(TrimText(name.substr(0, std::min<size_t>(name.size(), 255))));
  DeleteTable(tableName);
  if (TableCount() >= kMaxTables) throw Exception(Gbk("存储表已经达到最大个数！"));
  return tableName;
}

// The blob is in the file: only now does the directory name it.
void TFileDB::AddToDirectory(const std::string& tableName, int64_t offset, int64_t size,
                             uint32_t rowCount) {
  const int index = TableCount();
  SetSlot(index, {static_cast<uint32_t>(offset), static_cast<uint32_t>(size)});
  PutU32(kTableCountAt, static_cast<uint32_t>(index + 1));
  PutU32(kRowsWrittenAt, GetU32(kRowsWrittenAt) + rowCount);
  names_.push_back(tableName);
  WriteHeader();
}

TMatrix& TFileDB::WriteTable(std::string_view name, TMatrix& matrix) {
  const std::string tableName = StoredTableName(name);

  TMemStream content;
  matrix.SaveToStream(content);
  if (content.Size() > INT32_MAX)
    throw Exception("The table " + tableName + " is too large for a file database");
  TMemStream blob;
  Put(blob, kBlobMagic);
  Put(blob, static_cast<int32_t>(content.Size()));
  Put(blob, static_cast<uint8_t>(tableName.size()));
  const std::string scrambled = ScrambleText(tableName);
  blob.WriteBuffer(scrambled.data(), static_cast<int64_t>(scrambled.size()));
  Deflate(content.Memory(), content.Size(), blob);
  content.Clear();

  const int64_t offset = std::max<int64_t>(FileSize(), kHeaderSize);
  if (offset + blob.Size() > UINT32_MAX)
    throw Exception("The file database " + fileName_ + " is full");
  try {
    WriteAt(offset, blob.Memory(), blob.Size());
  } catch (...) {
    // Leave no partial blob behind: the next table would land after it.
    try {
      Truncate(offset);
    } catch (...) {
    }
    throw;
  }
  AddToDirectory(tableName, offset, blob.Size(), static_cast<uint32_t>(matrix.RowCount()));
  return matrix;
}

void TFileDB::WriteTableStreamed(std::string_view name, int64_t contentSize, uint32_t rowCount,
                                 const std::function<void(TStream&)>& writeContent) {
  const std::string tableName = StoredTableName(name);
  if (contentSize > INT32_MAX)
    throw Exception("The table " + tableName + " is too large for a file database");
  const int64_t offset = std::max<int64_t>(FileSize(), kHeaderSize);
  int64_t at = offset;
  try {
    TMemStream head;
    Put(head, kBlobMagic);
    Put(head, static_cast<int32_t>(contentSize));
    Put(head, static_cast<uint8_t>(tableName.size()));
    const std::string scrambled = ScrambleText(tableName);
    head.WriteBuffer(scrambled.data(), static_cast<int64_t>(scrambled.size()));
    WriteAt(at, head.Memory(), head.Size());
    at += head.Size();
    TDeflatingStream content([this, &at](const uint8_t* data, int64_t count) {
      if (at + count > UINT32_MAX) throw Exception("The file database " + fileName_ + " is full");
      WriteAt(at, data, count);
      at += count;
    });
    writeContent(content);
    // The head already announced the size: any other amount is a table that
    // would not read back.
    if (content.Written() != contentSize)
      throw Exception("The table " + tableName + " came out at " +
                      std::to_string(content.Written()) + " bytes instead of " +
                      std::to_string(contentSize));
    content.Finish();
  } catch (...) {
    // Leave no partial blob behind: the next table would land after it.
    try {
      Truncate(offset);
    } catch (...) {
    }
    throw;
  }
  AddToDirectory(tableName, offset, at - offset, rowCount);
}

bool TFileDB::DeleteTable(std::string_view name) {
  const int index = IndexOfTable(name);
  if (index < 0) return false;
  const Slot slot = GetSlot(index);
  // A slot that points outside the file is dropped from the directory only:
  // moving bytes for it would damage the tables that are there.
  const bool moveBytes = SlotInFile(slot) && slot.offset >= kHeaderSize;
  if (moveBytes) {
    const int64_t fileSize = FileSize();
    const int64_t end = static_cast<int64_t>(slot.offset) + slot.size;
    // Moving toward the start chunk by chunk never overwrites bytes not yet read.
    std::vector<uint8_t> chunk(
        static_cast<size_t>(std::min(kMoveChunk, std::max<int64_t>(fileSize - end, 0))));
    for (int64_t from = end; from < fileSize; from += kMoveChunk) {
      const int64_t n = std::min(kMoveChunk, fileSize - from);
      ReadAt(from, chunk.data(), n);
      WriteAt(from - slot.size, chunk.data(), n);
    }
    Truncate(fileSize - slot.size);
  }
  const int count = TableCount();
  for (int i = index; i + 1 < count; ++i) SetSlot(i, GetSlot(i + 1));
  for (int i = 0; i + 1 < count; ++i) {
    Slot other = GetSlot(i);
    if (moveBytes && other.offset > slot.offset) {
      other.offset -= slot.size;
      SetSlot(i, other);
    }
  }
  PutU32(kTableCountAt, static_cast<uint32_t>(count - 1));
  names_.erase(names_.begin() + index);
  WriteHeader();
  return true;
}

void TFileDB::SetIdent(std::string_view text) {
  SetShortText(kIdentAt, kIdentWidth, text);
  WriteHeader();
}

std::string TFileDB::GetIdent() const {
  return GetShortText(kIdentAt, kIdentWidth);
}

void TFileDB::SetPeriodText(std::string_view text) {
  SetShortText(kPeriodAt, kPeriodWidth,
               ScramblePeriod(text.substr(0, std::min<size_t>(text.size(), kPeriodWidth - 1))));
  WriteHeader();
}

std::string TFileDB::GetPeriodText() const {
  return ScramblePeriod(GetShortText(kPeriodAt, kPeriodWidth));
}

uint32_t TFileDB::RowsWritten() const {
  return GetU32(kRowsWrittenAt);
}

std::string TFileDB::GetSignature() const {
  return GetShortText(kSignatureAt, kSignatureWidth);
}

int TFileDB::VersionMajor() const {
  return header_[kVersionAt] | header_[kVersionAt + 1] << 8;
}

int TFileDB::VersionMinor() const {
  return header_[kVersionAt + 2] | header_[kVersionAt + 3] << 8;
}

uint32_t TFileDB::TableOffset(int index) const {
  return index >= 0 && index < TableCount() ? GetSlot(index).offset : 0;
}

uint32_t TFileDB::TableSize(int index) const {
  return index >= 0 && index < TableCount() ? GetSlot(index).size : 0;
}

void TFileDB::Flush() {
  if (!file_->Flush()) RaiseFileError("flush");
}

// ---------------------------------------------------------------- header and file

TFileDB::Slot TFileDB::GetSlot(int index) const {
  return {GetU32(kDirectoryAt + 8 * index), GetU32(kDirectoryAt + 8 * index + 4)};
}

void TFileDB::SetSlot(int index, Slot slot) {
  PutU32(kDirectoryAt + 8 * index, slot.offset);
  PutU32(kDirectoryAt + 8 * index + 4, slot.size);
}

bool TFileDB::SlotInFile(Slot slot) const {
  return static_cast<int64_t>(slot.offset) + slot.size <= FileSize();
}

void TFileDB::SetShortText(int offset, int width, std::string_view text) {
  const size_t length = std::min<size_t>(text.size(), static_cast<size_t>(width - 1));
  std::fill(header_.begin() + offset, header_.begin() + offset + width, 0);
  header_[static_cast<size_t>(offset)] = static_cast<uint8_t>(length);
  std::memcpy(header_.data() + offset + 1, text.data(), length);
}

std::string TFileDB::GetShortText(int offset, int width) const {
  const size_t length =
      std::min<size_t>(header_[static_cast<size_t>(offset)], static_cast<size_t>(width - 1));
  return std::string(reinterpret_cast<const char*>(header_.data() + offset + 1), length);
}

uint32_t TFileDB::GetU32(int offset) const {
  uint32_t value = 0;
  std::memcpy(&value, header_.data() + offset, 4);
  return value;
}

void TFileDB::PutU32(int offset, uint32_t value) {
  std::memcpy(header_.data() + offset, &value, 4);
}

void TFileDB::WriteHeader() {
  WriteAt(0, header_.data(), kHeaderSize);
}

int64_t TFileDB::FileSize() const {
  return file_->Size();
}

int64_t TFileDB::ReadAtMost(int64_t offset, void* buffer, int64_t count) {
  if (file_->Seek(offset, SeekOrigin::Begin) != offset) return 0;
  int64_t total = 0;
  while (total < count) {
    const int64_t n = file_->Read(static_cast<uint8_t*>(buffer) + total, count - total);
    if (n <= 0) break;
    total += n;
  }
  return total;
}

void TFileDB::ReadAt(int64_t offset, void* buffer, int64_t count) {
  if (ReadAtMost(offset, buffer, count) != count) RaiseFileError("read");
}

void TFileDB::WriteAt(int64_t offset, const void* buffer, int64_t count) {
  if (file_->Seek(offset, SeekOrigin::Begin) != offset) RaiseFileError("write");
  int64_t total = 0;
  while (total < count) {
    const int64_t n = file_->Write(static_cast<const uint8_t*>(buffer) + total, count - total);
    if (n <= 0) RaiseFileError("write");
    total += n;
  }
}

void TFileDB::Truncate(int64_t size) {
  if (file_->Seek(size, SeekOrigin::Begin) != size || !file_->SetEndOfFile())
    RaiseFileError("resize");
}

void TFileDB::RaiseFileError(const char* what) const {
  throw Exception(std::string("Cannot ") + what + " the file database \"" + fileName_ + "\"");
}

}  // namespace xxj
