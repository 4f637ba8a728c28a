#pragma once
// The abstract byte stream that package files, file databases and column
// tables read and write: a package file over an OS file, a memory stream in
// memory.

#include <cstdint>

namespace xxj {

enum class SeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to count bytes; returns the number read (0 at the end or on failure).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to count bytes; returns the number written (0 on failure).
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position and returns the new one.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t newSize) = 0;

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, SeekOrigin::Begin); }

  // Read or write exactly count bytes, or raise "Stream read error" /
  // "Stream write error": a short read is never taken for data.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);

  // Copies count bytes from source at its position; count 0 copies the whole
  // of source from its beginning. Returns the number of bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

}  // namespace xxj
