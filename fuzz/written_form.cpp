// A stored table is written back as it is only when the check says the
// matrix its columns make would write the very same bytes. For arbitrary
// bytes and columns: whatever the check accepts must load and write back to
// itself byte for byte.
//
// Input: a byte with the column count, one byte per column with its type,
// then the stream form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "support/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t columns = 1 + data[0] % 6;
  if (size < 1 + columns) return 0;
  xxj::TMatrix schema;
  for (size_t c = 0; c < columns; ++c)
    schema.AddColumn(xxj::ColumnClassOfType(1 + data[1 + c] % 6), "C" + std::to_string(c));
  const uint8_t* form = data + 1 + columns;
  const int64_t formSize = static_cast<int64_t>(size - 1 - columns);
  uint32_t rows = 0;
  size_t visited = 0;
  const bool accepted = xxj::IsWrittenForm(
      form, formSize, schema,
      [&visited, columns](const std::vector<xxj::TFormValue>& values) {
        if (values.size() != columns) std::abort();
        ++visited;
        return true;
      },
      rows);
  if (!accepted) return 0;
  if (visited != rows) std::abort();
  xxj::TMemStream in;
  in.WriteBuffer(form, formSize);
  in.SetPosition(0);
  xxj::TMatrix loaded;
  try {
    loaded.LoadFromStream(in);
  } catch (const xxj::Exception&) {
    std::abort();  // accepted, yet it does not load
  }
  xxj::TMemStream out;
  loaded.SaveToStream(out);
  if (out.Size() != formSize || std::memcmp(out.Memory(), form, static_cast<size_t>(formSize)) != 0)
    std::abort();
  return 0;
}
