// Loads arbitrary bytes as a table stream form, once from memory and once
// through a general stream: a damaged table must raise or load, never crash,
// and both readers must agree on the outcome.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "support/Errors.h"

namespace {

class ForwardingStream : public xxj::TStream {
 public:
  explicit ForwardingStream(xxj::TStream& inner) : inner_(inner) {}
  int64_t Read(void* buffer, int64_t count) override { return inner_.Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override { return inner_.Write(buffer, count); }
  int64_t Seek(int64_t offset, xxj::SeekOrigin origin) override {
    return inner_.Seek(offset, origin);
  }
  void SetSize(int64_t size) override { inner_.SetSize(size); }

 private:
  xxj::TStream& inner_;
};

// The error, or the table read cell by cell and saved again.
std::string Outcome(const uint8_t* data, size_t size, bool general) {
  xxj::TMemStream stream;
  stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.SetPosition(0);
  ForwardingStream forwarding(stream);
  xxj::TMatrix matrix;
  try {
    matrix.LoadFromStream(general ? static_cast<xxj::TStream&>(forwarding) : stream);
  } catch (const xxj::Exception& e) {
    return "error: " + e.Message();
  }
  std::string cells;
  for (matrix.First(); !matrix.Eof(); matrix.Next()) {
    for (int i = 0; i < matrix.ColumnCount(); ++i) {
      xxj::TMColumn& column = matrix.Columns(i);
      cells += column.GetAsString();
      cells += '|';
    }
  }
  xxj::TMemStream saved;
  matrix.SaveToStream(saved);
  return cells + std::string(reinterpret_cast<const char*>(saved.Memory()),
                             static_cast<size_t>(saved.Size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (Outcome(data, size, false) != Outcome(data, size, true)) std::abort();
  return 0;
}
