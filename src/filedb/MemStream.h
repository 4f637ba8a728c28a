#pragma once
// The memory stream that table stream forms and table blobs are built in.
// Its growth rule keeps the many small writes of a large table cheap.

#include <cstdint>
#include <memory>

#include "support/Stream.h"

namespace xxj {

class TMemStream : public TStream {
 public:
  TMemStream() = default;
  TMemStream(const TMemStream&) = delete;
  TMemStream& operator=(const TMemStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return size_; }
  // A negative size is ignored; a size below the position moves the position
  // to the new end.
  void SetSize(int64_t newSize) override;

  // Empties the stream and gives its memory back.
  void Clear();
  int64_t Capacity() const { return capacity_; }
  // The bytes of the stream; valid until the next write or size change.
  uint8_t* Memory() { return data_.get(); }
  const uint8_t* Memory() const { return data_.get(); }

  // The capacity a stream takes on when it needs room for `needed` bytes.
  static int64_t GrownCapacity(int64_t needed);

 private:
  void Reserve(int64_t needed);

  struct FreeDeleter {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t, FreeDeleter> data_;
  int64_t size_ = 0;
  int64_t position_ = 0;
  int64_t capacity_ = 0;
};

}  // namespace xxj
