#pragma once
// Persisted recordsets in the binary Advanced Data TableGram form, the content
// of every package entry. Layout and encodings follow Microsoft's published
// [MS-ADTG] specification, section 2.2.3.14 (adtgTablegram) and 3.1.1.2.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "package/Dataset.h"

namespace xxj {

// Reads one tablegram into dataset, replacing its fields and records.
// Returns the name of the reading that parsed the rows: "standard" for the
// layout ADO writes, otherwise the fallback reading that made sense of an
// encoding [MS-ADTG] leaves ambiguous: "all-columns-map" (a presence bit for
// every column), "literal-prefix" (one-byte text lengths up to MaxLength 255)
// or "char-prefix" (lengths counted in characters), so callers can tell.
// Damaged or unsupported input raises Exception with a GBK message that says
// what is wrong and where; the dataset is then empty.
std::string ReadAdtg(const uint8_t* data, size_t size, Dataset& dataset);
inline std::string ReadAdtg(std::string_view bytes, Dataset& dataset) {
  return ReadAdtg(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), dataset);
}

// Writes dataset as the tablegram ADO saves for a recordset queried from one
// table named tableName: unchanged rows, every column nullable. Text columns
// of FieldKind::Text keep their maximum length; a longer value raises an error.
std::string WriteAdtg(const Dataset& dataset, std::string_view tableName);

}  // namespace xxj
