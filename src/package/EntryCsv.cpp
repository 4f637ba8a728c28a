#include "package/EntryCsv.h"

#include <cstdio>
#include <map>

#include "support/Errors.h"
#include "support/NumberText.h"
#include "support/TextEncoding.h"

namespace xxj {
namespace {

[[noreturn]] void CsvError(std::string_view source, int line, const std::string& what) {
  throw Exception(GbkFromUtf8(source) + ":" + std::to_string(line) + ": " + what);
}

ColumnSpec Int(const char* name) {
  return {name, FieldKind::Integer, 0};
}
ColumnSpec Cur(const char* name) {
  return {name, FieldKind::Currency, 0};
}
ColumnSpec Dbl(const std::string& name) {
  return {name, FieldKind::Double, 0};
}
ColumnSpec Date(const char* name) {
  return {name, FieldKind::DateTime, 0};
}
ColumnSpec Text(const std::string& name, uint32_t n) {
  return {name, FieldKind::Text, n};
}
ColumnSpec Memo(const std::string& name) {
  return {name, FieldKind::Memo, 0};
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::vector<ColumnSpec> GlzmgcFromCode() {
  return {Text("ZMBH", 20),
          Text("ZMMC", 100),
          Int("GLLX"),
          Text("DW", 20),
          Text("GG", 250),
          Cur("DEDJ"),
          Memo("GLJFLs"),
          Memo("DEKIDs"),
          Int("Sequence"),
          Int("ZJH"),
          Text("LatestXXJPhase", 50),
          Int("isDekZM"),
          Int("isJGKZM"),
          Int("YGZGLJFL"),
          Cur("TZXS")};
}

std::map<std::string, std::vector<ColumnSpec>> BuildEntryTables() {
  std::map<std::string, std::vector<ColumnSpec>> tables;
  tables["TGLJZM"] = {Int("DekID"),         Int("ID"),          Text("ZMBH", 50), Text("zmmc", 250),
                      Text("zmmc_sx", 100), Text("gg", 255),    Int("lx"),        Int("zjh"),
                      Text("dw", 50),       Int("scbh"),        Int("scxs"),      Int("sftc"),
                      Int("xssx"),          Date("jlrq"),       Int("fyfl"),      Int("kzbz"),
                      Int("lxbz"),          Text("zjqxz", 255), Int("wasteRate"), Int("sclb"),
                      Cur("DEDJ"),          Int("gyj"),         Int("ysj"),       Int("jsj"),
                      Int("gsj"),           Cur("TZXS")};
  tables["TGLJLX"] = {Int("LXID"), Int("ZMID")};
  std::vector<ColumnSpec> glzmgc = {Int("ID")};
  for (ColumnSpec& c : GlzmgcFromCode()) glzmgc.push_back(c);
  tables["TGLZMGC"] = glzmgc;
  std::vector<ColumnSpec> txxj = {
      Int("Year"), Text("ZMBH", 50), Int("DekID"), Text("ZMMC", 250), Text("DW", 50),
      Int("LX"),   Text("GG", 255),  Cur("DEDJ"),  Int("ID"),         Memo("GLJFLs")};
  for (const char* m : kMonths) txxj.push_back(Dbl(m));
  for (const char* m : kMonths) txxj.push_back(Dbl(std::string(m) + "_SH"));
  txxj.push_back(Int("Yavg"));
  txxj.push_back(Cur("TZXS"));
  tables["TXXJ"] = txxj;
  tables["TGLJFL_NEWVER"] = {Int("ID"),       Int("PID"),   Text("ZJMC", 200),
                             Int("Sequence"), Memo("ZJSM"), Memo("CalExprRemark")};
  tables["TGLJZM_RELATEZMBH"] = {Int("ID"),
                                 Int("DekID"),
                                 Text("RelateZMBH", 50),
                                 Text("RelateZMMC", 250),
                                 Text("RelateDW", 50),
                                 Text("RelateGG", 255),
                                 Cur("RelateDEDJ"),
                                 Cur("RelateDWXS"),
                                 Text("DW", 50)};
  std::vector<ColumnSpec> newVer = {Int("a.ID")};
  for (ColumnSpec& c : GlzmgcFromCode()) newVer.push_back(c);
  newVer.push_back(Int("RegionID"));
  newVer.push_back(Int("b.ID"));
  for (int i = 1; i <= 12; ++i) newVer.push_back(Text("DJ" + std::to_string(i), 50));
  for (int i = 1; i <= 12; ++i) newVer.push_back(Text("DJ_SH" + std::to_string(i), 50));
  for (int i = 1; i <= 12; ++i) newVer.push_back(Memo("DJ" + std::to_string(i) + "Remark"));
  tables["TXXJ_NEWVER"] = newVer;
  return tables;
}

bool ParseCurrency(std::string_view text, int64_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t whole = 0;
  int digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    if (whole > (INT64_MAX / 10000 - 9) / 10) return false;
    whole = whole * 10 + (text[i] - '0');
  }
  int64_t fraction = 0;
  int decimals = 0;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals) {
      if (decimals == 4) return false;  // money has four decimals; more would be lost
      fraction = fraction * 10 + (text[i] - '0');
    }
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (i != text.size() || digits + decimals == 0) return false;
  for (int d = decimals; d < 4; ++d) fraction *= 10;
  value = whole * 10000 + fraction;
  if (negative) value = -value;
  return true;
}

bool ParseDate(std::string_view text, double& dayNumber) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
  const std::string t(text);
  const int fields =
      std::sscanf(t.c_str(), "%4d-%2d-%2d%n %2d:%2d:%2d%n", &y, &mo, &d, &used, &h, &mi, &s, &used);
  if (fields != 3 && fields != 6) return false;
  if (static_cast<size_t>(used) != t.size()) return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  const int yy = mo <= 2 ? y - 1 : y;
  const int era = (yy >= 0 ? yy : yy - 399) / 400;
  const int yoe = yy - era * 400;
  const int doy = (153 * ((mo + 9) % 12) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  dayNumber = era * 146097.0 + doe - 719468 + 25569 + (h * 3600 + mi * 60 + s) / 86400.0;
  return true;
}

bool NeedsQuotes(std::string_view text) {
  if (text.empty()) return true;
  if (text.front() == ' ' || text.back() == ' ') return true;
  return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void AppendCell(DatasetField& field, const CsvRecord& record, size_t column,
                std::string_view source) {
  const std::string& cell = column < record.cells.size() ? record.cells[column] : std::string();
  const bool quoted = column < record.quoted.size() && record.quoted[column];
  const bool textual = field.Kind() == FieldKind::Text || field.Kind() == FieldKind::Memo;
  if (cell.empty() && !(textual && quoted)) return field.AppendNull();
  auto fail = [&](const std::string& what) {
    CsvError(source, record.line, "column " + Utf8FromGbk(field.FieldName()) + ": " + what);
  };
  switch (field.Kind()) {
    case FieldKind::Integer:
    case FieldKind::Boolean: {
      int32_t v = 0;
      if (!TryStrToInt(cell, v)) fail("'" + cell + "' is not a 32-bit integer");
      return field.AppendInt(v);
    }
    case FieldKind::LargeInt: {
      double v = 0;
      if (!TryStrToFloat(cell, v) || v != static_cast<double>(static_cast<int64_t>(v)))
        fail("'" + cell + "' is not an integer");
      return field.AppendInt(static_cast<int64_t>(v));
    }
    case FieldKind::Currency: {
      int64_t v = 0;
      if (!ParseCurrency(cell, v)) fail("'" + cell + "' is not an amount with up to 4 decimals");
      return field.AppendInt(v);
    }
    case FieldKind::Double: {
      double v = 0;
      if (!TryStrToFloat(cell, v)) fail("'" + cell + "' is not a number");
      return field.AppendDouble(v);
    }
    case FieldKind::DateTime: {
      double v = 0;
      if (!ParseDate(cell, v)) fail("'" + cell + "' is not a date (YYYY-MM-DD[ hh:mm:ss])");
      return field.AppendDouble(v);
    }
    case FieldKind::Text:
    case FieldKind::Memo: {
      const std::u16string text = Utf16FromUtf8(cell);
      if (text.find(u'\uFFFD') != std::u16string::npos &&
          cell.find("\xEF\xBF\xBD") == std::string::npos)
        fail("the text is not valid UTF-8");
      if (field.Kind() == FieldKind::Text && field.Size() > 0 && text.size() > field.Size())
        fail("the text has " + std::to_string(text.size()) + " characters, the column holds " +
             std::to_string(field.Size()));
      return field.AppendText(text);
    }
  }
}

}  // namespace

std::vector<CsvRecord> ParseCsv(std::string_view text, std::string_view sourceName) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<CsvRecord> records;
  int line = 1;
  size_t i = 0;
  while (i < text.size()) {
    CsvRecord record;
    record.line = line;
    for (;;) {  // one cell per turn
      std::string cell;
      bool quoted = false;
      if (i < text.size() && text[i] == '"') {
        quoted = true;
        const int startLine = line;
        for (++i;; ++i) {
          if (i >= text.size()) CsvError(sourceName, startLine, "a quoted cell is not closed");
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              cell += '"';
              ++i;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n') ++line;
          cell += text[i];
        }
        if (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r')
          CsvError(sourceName, line, "text after a closing quote");
      } else {
        while (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r')
          cell += text[i++];
      }
      record.cells.push_back(std::move(cell));
      record.quoted.push_back(quoted);
      if (i < text.size() && text[i] == ',') {
        ++i;
        continue;
      }
      if (i < text.size() && text[i] == '\r') ++i;
      if (i < text.size() && text[i] == '\n') {
        ++i;
        ++line;
      }
      break;
    }
    records.push_back(std::move(record));
  }
  return records;
}

const std::vector<ColumnSpec>* KnownEntryColumns(std::string_view entry) {
  static const std::map<std::string, std::vector<ColumnSpec>> tables = BuildEntryTables();
  const auto found = tables.find(UpperAscii(entry));
  return found == tables.end() ? nullptr : &found->second;
}

bool ParseColumnType(std::string_view text, ColumnSpec& spec) {
  const std::string t = LowerAscii(text);
  spec.size = 0;
  if (t == "int") return spec.kind = FieldKind::Integer, true;
  if (t == "bigint") return spec.kind = FieldKind::LargeInt, true;
  if (t == "cur") return spec.kind = FieldKind::Currency, true;
  if (t == "dbl") return spec.kind = FieldKind::Double, true;
  if (t == "date") return spec.kind = FieldKind::DateTime, true;
  if (t == "bool") return spec.kind = FieldKind::Boolean, true;
  if (t == "memo") return spec.kind = FieldKind::Memo, true;
  int32_t n = 0;
  if (t.size() > 6 && t.starts_with("text(") && t.back() == ')' &&
      TryStrToInt(t.substr(5, t.size() - 6), n) && n > 0 && n <= 0x3FFFFFFF) {
    spec.kind = FieldKind::Text;
    spec.size = static_cast<uint32_t>(n);
    return true;
  }
  return false;
}

std::string ColumnTypeName(FieldKind kind, uint32_t size) {
  switch (kind) {
    case FieldKind::Integer:
      return "int";
    case FieldKind::LargeInt:
      return "bigint";
    case FieldKind::Currency:
      return "cur";
    case FieldKind::Double:
      return "dbl";
    case FieldKind::DateTime:
      return "date";
    case FieldKind::Boolean:
      return "bool";
    case FieldKind::Text:
      return size > 0 ? "text(" + std::to_string(size) + ")" : "memo";
    case FieldKind::Memo:
      return "memo";
  }
  return "int";
}

void DatasetFromCsv(std::string_view csvText, std::string_view sourceName, std::string_view entry,
                    Dataset& dataset) {
  const std::vector<CsvRecord> records = ParseCsv(csvText, sourceName);
  if (records.empty()) CsvError(sourceName, 1, "no header row naming the columns");
  const std::vector<ColumnSpec>* known = KnownEntryColumns(entry);
  dataset.Clear();
  for (const std::string& header : records[0].cells) {
    ColumnSpec spec;
    const size_t colon = header.find(':');
    spec.name = GbkFromUtf8(header.substr(0, colon));
    if (spec.name.empty()) CsvError(sourceName, 1, "a column has no name");
    if (colon != std::string::npos) {
      if (!ParseColumnType(header.substr(colon + 1), spec))
        CsvError(sourceName, 1,
                 "column " + header.substr(0, colon) + ": unknown type '" +
                     header.substr(colon + 1) + "' (int, cur, dbl, date, text(N), memo)");
    } else {
      const ColumnSpec* found = nullptr;
      for (size_t k = 0; known != nullptr && k < known->size(); ++k) {
        if (SameTextAscii((*known)[k].name, spec.name)) found = &(*known)[k];
      }
      if (found == nullptr)
        CsvError(sourceName, 1,
                 "column " + header + " is not a column of entry " + std::string(entry) +
                     "; give its type as " + header + ":type");
      spec.kind = found->kind;
      spec.size = found->size;
    }
    if (dataset.HasField(spec.name)) CsvError(sourceName, 1, "column " + header + " appears twice");
    dataset.AddField(spec.name, spec.kind, spec.size);
  }
  const size_t columns = records[0].cells.size();
  for (size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    if (record.cells.size() == 1 && record.cells[0].empty() && !record.quoted[0]) continue;
    if (record.cells.size() != columns)
      CsvError(sourceName, record.line,
               std::to_string(record.cells.size()) + " cells where the header names " +
                   std::to_string(columns) + " columns");
    for (size_t c = 0; c < columns; ++c)
      AppendCell(dataset.Fields(static_cast<int>(c)), record, c, sourceName);
    dataset.CommitRecord();
  }
}

std::string CsvFromDataset(const Dataset& dataset, bool typed) {
  std::string out;
  for (int i = 0; i < dataset.FieldCount(); ++i) {
    const DatasetField& field = dataset.Fields(i);
    std::string header = Utf8FromGbk(field.FieldName());
    if (typed) header += ":" + ColumnTypeName(field.Kind(), field.Size());
    out += (i > 0 ? "," : "") + (NeedsQuotes(header) ? Quoted(header) : header);
  }
  out += '\n';
  for (size_t row = 0; row < static_cast<size_t>(dataset.RecordCount()); ++row) {
    for (int i = 0; i < dataset.FieldCount(); ++i) {
      const DatasetField& field = dataset.Fields(i);
      if (i > 0) out += ',';
      if (field.IsNullAt(row)) continue;
      switch (field.Kind()) {
        case FieldKind::Text:
        case FieldKind::Memo: {
          const std::string text = Utf8FromUtf16(field.TextAt(row));
          out += NeedsQuotes(text) ? Quoted(text) : text;
          break;
        }
        default:
          out += field.AsStringAt(row);
      }
    }
    out += '\n';
  }
  return out;
}

}  // namespace xxj
