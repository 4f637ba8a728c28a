// Loads arbitrary bytes as a table stream form: a damaged table must raise
// or load, never crash, and a loaded table must save again.
#include <cstddef>
#include <cstdint>

#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "support/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  xxj::TMemStream stream;
  stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.SetPosition(0);
  xxj::TMatrix matrix;
  try {
    matrix.LoadFromStream(stream);
  } catch (const xxj::Exception&) {
    return 0;
  }
  for (matrix.First(); !matrix.Eof(); matrix.Next()) {
    for (int i = 0; i < matrix.ColumnCount(); ++i) {
      xxj::TMColumn& column = matrix.Columns(i);
      if (column.GetTypeID() == 5)
        column.GetValue();
      else
        column.GetAsString();
    }
  }
  xxj::TMemStream saved;
  matrix.SaveToStream(saved);
  return 0;
}
