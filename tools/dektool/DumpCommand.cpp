// dektool dump FILE TABLE: one table as CSV, a header row of NAME:TYPE.

#include <charconv>
#include <ostream>

#include "Command.h"
#include "filedb/MatrixData.h"
#include "filedb/VelDatabase.h"
#include "support/TextEncoding.h"

namespace xxj::dektool {
namespace {

const char* TypeName(int typeId) {
  static const char* const names[] = {"?",      "Integer", "Float",   "Boolean",
                                      "String", "Blob",    "DateTime"};
  return typeId >= 1 && typeId <= 6 ? names[typeId] : names[0];
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// The shortest text that reads back as the same double: a dump must show
// the stored price, not a rounded one.
std::string ExactFloat(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string CellText(TMColumn& column) {
  switch (column.GetTypeID()) {
    case 2:
    case 6:
      return ExactFloat(column.GetAsFloat());
    case 4:
      return Utf8FromGbk(column.GetAsString());
    case 5: {
      static const char digits[] = "0123456789abcdef";
      std::string hex = "0x";
      const Variant value = column.GetValue();
      for (const uint8_t byte : value.AsBytes()) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
      }
      return hex;
    }
    default:
      return column.GetAsString();
  }
}

int RunDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << "Usage: dektool dump FILE TABLE\n";
    return kUsage;
  }
  std::unique_ptr<TFileDB> db = OpenExisting(args[0], err);
  if (!db) return kFailed;
  const std::string tableName = GbkFromUtf8(args[1]);
  if (db->IndexOfTable(tableName) < 0) {
    err << "dektool: " << args[0] << ": no table named " << args[1] << "\n";
    return kFailed;
  }
  std::unique_ptr<TMatrix> table = db->ReadTable(tableName);
  if (!table) {
    err << "dektool: " << args[0] << ": the table " << args[1]
        << " is damaged and cannot be read\n";
    return kFailed;
  }
  for (int i = 0; i < table->ColumnCount(); ++i) {
    TMColumn& column = table->Columns(i);
    out << (i ? "," : "")
        << CsvField(Utf8FromGbk(column.Name()) + ":" + TypeName(column.GetTypeID()));
  }
  out << "\n";
  for (table->First(); !table->Eof(); table->Next()) {
    for (int i = 0; i < table->ColumnCount(); ++i)
      out << (i ? "," : "") << CsvField(CellText(table->Columns(i)));
    out << "\n";
  }
  return kOk;
}

const Registration registration({"dump", "FILE TABLE",
                                 "the table as CSV with a NAME:TYPE header row", &RunDump});

}  // namespace
}  // namespace xxj::dektool
