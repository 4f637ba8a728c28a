#pragma once
// Package entries as CSV text: how packages are made for tests and demos and
// how their entries are shown. CSV text is UTF-8; inside, text is GBK.

#include <string>
#include <string_view>
#include <vector>

#include "package/Dataset.h"

namespace xxj {

// One CSV record: its cells, whether each was quoted (a quoted empty cell is
// an empty text, an unquoted one is NULL), and the line it starts on.
struct CsvRecord {
  std::vector<std::string> cells;
  std::vector<bool> quoted;
  int line = 0;
};

// RFC 4180 records: commas, double quotes with "" inside, line breaks inside
// quotes, CR LF or LF endings, an optional UTF-8 byte-order mark. Raises an
// error naming sourceName and the line for an unterminated quote or stray
// text after a closing quote.
std::vector<CsvRecord> ParseCsv(std::string_view text, std::string_view sourceName);

// A column of an entry table.
struct ColumnSpec {
  std::string name;
  FieldKind kind = FieldKind::Integer;
  uint32_t size = 0;  // characters, for text(n)
};

// The columns of a known entry of an information-price package (TGLJZM,
// TGLJLX, TGLZMGC, TXXJ, TGLJFL_NewVer, TGLJZM_RelateZMBH, TXXJ_NewVer), in
// order; nullptr for another name. Names compare without case.
const std::vector<ColumnSpec>* KnownEntryColumns(std::string_view entry);

// "int", "cur", "dbl", "date", "text(N)", "memo" (also "bigint", "bool").
bool ParseColumnType(std::string_view text, ColumnSpec& spec);
std::string ColumnTypeName(FieldKind kind, uint32_t size);

// Fills dataset from CSV text whose header row names the columns: a known
// entry's column takes its type from the entry table, any other column needs
// a "NAME:type" header. Every error names sourceName, the line and column.
void DatasetFromCsv(std::string_view csvText, std::string_view sourceName, std::string_view entry,
                    Dataset& dataset);

// The dataset as CSV text (UTF-8, LF line ends), in insertion order. With
// typed, headers read "NAME:type" so the text can be packed again as is.
std::string CsvFromDataset(const Dataset& dataset, bool typed);

}  // namespace xxj
