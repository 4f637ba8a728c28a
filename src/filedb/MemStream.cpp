#include "filedb/MemStream.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace xxj {

namespace {
constexpr int64_t kBlock = 8192;
}

void TMemStream::FreeDeleter::operator()(uint8_t* p) const {
  std::free(p);
}

int64_t TMemStream::GrownCapacity(int64_t needed) {
  int64_t capacity = needed;
  if (needed > 10240)
    capacity += needed / 2;
  else if (needed <= 16)
    capacity += 8;
  else
    capacity += 32;
  return (capacity + kBlock - 1) / kBlock * kBlock;
}

void TMemStream::Reserve(int64_t needed) {
  if (needed <= capacity_) return;
  const int64_t capacity = GrownCapacity(needed);
  // realloc lets a large table's stream grow in place instead of copying.
  void* grown = std::realloc(data_.get(), static_cast<size_t>(capacity));
  if (grown == nullptr) throw std::bad_alloc();
  data_.release();
  data_.reset(static_cast<uint8_t*>(grown));
  capacity_ = capacity;
}

int64_t TMemStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0 || position_ >= size_) return 0;
  const int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, data_.get() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0) return 0;
  const int64_t end = position_ + count;
  if (end > size_) {
    Reserve(end);
    // A write past the end leaves a gap of zeros rather than stale memory.
    if (position_ > size_)
      std::memset(data_.get() + size_, 0, static_cast<size_t>(position_ - size_));
    size_ = end;
  }
  std::memcpy(data_.get() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemStream::Seek(int64_t offset, SeekOrigin origin) {
  switch (origin) {
    case SeekOrigin::Begin:
      position_ = offset;
      break;
    case SeekOrigin::Current:
      position_ += offset;
      break;
    case SeekOrigin::End:
      position_ = size_ + offset;
      break;
  }
  return position_;
}

void TMemStream::SetSize(int64_t newSize) {
  if (newSize < 0) return;
  if (newSize > size_) {
    Reserve(newSize);
    std::memset(data_.get() + size_, 0, static_cast<size_t>(newSize - size_));
  }
  size_ = newSize;
  if (position_ > newSize) position_ = newSize;
}

void TMemStream::Clear() {
  data_.reset();
  size_ = 0;
  position_ = 0;
  capacity_ = 0;
}

}  // namespace xxj
