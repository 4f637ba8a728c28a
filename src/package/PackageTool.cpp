#include "package/PackageTool.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "filedb/MemStream.h"
#include "package/Adtg.h"
#include "package/Dataset.h"
#include "package/EntryCsv.h"
#include "package/uVelFile.h"
#include "platform/Machine.h"
#include "support/Errors.h"
#include "support/NumberText.h"
#include "support/TextEncoding.h"

namespace xxj {
namespace {

constexpr const char* kUsage =
    "usage: xxjpack COMMAND ...\n"
    "Makes and reads information-price packages (.xxj).\n"
    "\n"
    "commands:\n"
    "  create   build a package from CSV files, one per entry\n"
    "  list     show a package's header and its entries\n"
    "  extract  print one entry as CSV\n"
    "\n"
    "xxjpack COMMAND --help shows the options of a command.\n";

constexpr const char* kCreateUsage =
    "usage: xxjpack create OUT.xxj --name TEXT --library-id N --start YYYY-MM --end YYYY-MM\n"
    "                      [--remark TEXT] [--stored] ENTRY=FILE.csv ...\n"
    "\n"
    "Builds the package OUT.xxj (replacing it only when everything succeeded).\n"
    "  --name TEXT        package name, at most 49 bytes in GBK\n"
    "  --remark TEXT      description, at most 399 bytes in GBK\n"
    "  --library-id N     quota-library id the prices belong to, e.g. 102013\n"
    "  --start YYYY-MM    first month covered\n"
    "  --end YYYY-MM      last month covered\n"
    "  --stored           store entries uncompressed (default: deflate)\n"
    "  ENTRY=FILE.csv     one entry per argument, in package order\n"
    "\n"
    "CSV files are UTF-8 with a header row naming the columns. Columns of the\n"
    "entries TGLJZM, TGLJLX, TGLZMGC, TXXJ, TGLJFL_NewVer, TGLJZM_RelateZMBH and\n"
    "TXXJ_NewVer take their types from the entry tables; any other column is\n"
    "written NAME:type with type one of int, cur, dbl, date, text(N), memo.\n"
    "An empty cell is NULL; \"\" is an empty text. Dates are YYYY-MM-DD[ hh:mm:ss];\n"
    "amounts (cur) have at most 4 decimals.\n";

constexpr const char* kListUsage =
    "usage: xxjpack list PKG.xxj\n"
    "\n"
    "Shows the header fields and every entry in chain order, deleted ones marked.\n";

constexpr const char* kExtractUsage =
    "usage: xxjpack extract PKG.xxj ENTRY [--typed]\n"
    "\n"
    "Prints the entry's rows as CSV (UTF-8) on standard output. The entry name\n"
    "is matched without regard to case. --typed writes NAME:type headers, so the\n"
    "output can be packed again as it is.\n";

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

// A Unix path as the machine's Windows path.
std::string WindowsPath(const std::string& unixPath) {
  return CurrentMachine().FromUnixPath(std::filesystem::absolute(unixPath).string());
}

int32_t MonthStart(const std::string& option, const std::string& text) {
  int year = 0, month = 0, used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d%n", &year, &month, &used) != 2 ||
      static_cast<size_t>(used) != text.size() || month < 1 || month > 12 || year < 1900)
    throw UsageError(option + " wants a month as YYYY-MM, not '" + text + "'");
  const int y = month <= 2 ? year - 1 : year;
  const int era = y / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * ((month + 9) % 12) + 2) / 5;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468 + 25569;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Exception("cannot read " + GbkFromUtf8(path));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct CreateOptions {
  std::string out;
  std::string name, remark;
  bool hasName = false, hasLibrary = false, hasStart = false, hasEnd = false;
  int32_t libraryId = 0;
  int32_t start = 0, end = 0;
  bool stored = false;
  std::vector<std::pair<std::string, std::string>> entries;  // name, CSV path
};

CreateOptions ParseCreate(const std::vector<std::string>& args) {
  CreateOptions o;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      return args[++i];
    };
    if (a == "--name") {
      o.name = value();
      o.hasName = true;
    } else if (a == "--remark") {
      o.remark = value();
    } else if (a == "--library-id") {
      const std::string& v = value();
      if (!TryStrToInt(v, o.libraryId))
        throw UsageError("--library-id wants an integer, not '" + v + "'");
      o.hasLibrary = true;
    } else if (a == "--start") {
      o.start = MonthStart(a, value());
      o.hasStart = true;
    } else if (a == "--end") {
      o.end = MonthStart(a, value());
      o.hasEnd = true;
    } else if (a == "--stored") {
      o.stored = true;
    } else if (a.starts_with("--")) {
      throw UsageError("unknown option " + a);
    } else if (o.out.empty()) {
      o.out = a;
    } else {
      const size_t eq = a.find('=');
      if (eq == std::string::npos || eq == 0 || eq + 1 == a.size())
        throw UsageError("'" + a + "' is not ENTRY=FILE.csv");
      o.entries.emplace_back(a.substr(0, eq), a.substr(eq + 1));
    }
  }
  if (o.out.empty()) throw UsageError("no output file given");
  if (!o.hasName || !o.hasLibrary || !o.hasStart || !o.hasEnd)
    throw UsageError("--name, --library-id, --start and --end are required");
  if (o.end < o.start) throw UsageError("--end is before --start");
  return o;
}

int Create(const std::vector<std::string>& args, std::ostream& out) {
  const CreateOptions o = ParseCreate(args);
  // Every entry is converted before the package is touched: a bad CSV file
  // leaves no half-made package behind.
  std::vector<std::pair<std::string, std::string>> contents;
  std::vector<int> rowCounts;
  for (const auto& [entry, csvPath] : o.entries) {
    Dataset dataset;
    DatasetFromCsv(ReadTextFile(csvPath), csvPath, entry, dataset);
    contents.emplace_back(entry, WriteAdtg(dataset, entry));
    rowCounts.push_back(dataset.RecordCount());
  }
  const std::filesystem::path folder = std::filesystem::absolute(o.out).parent_path();
  if (!std::filesystem::is_directory(folder))
    throw Exception("cannot create " + GbkFromUtf8(o.out) + ": folder " +
                    GbkFromUtf8(folder.string()) + " does not exist");
  const std::string target = WindowsPath(o.out);
  const std::string partial = WindowsPath(o.out + ".part" + std::to_string(getpid()));
  Machine& machine = CurrentMachine();
  try {
    {
      TXxjFile file(partial, kCreatePackage);
      PackageHeader& header = file.Header();
      header.SetName(GbkFromUtf8(o.name));
      header.SetRemark(GbkFromUtf8(o.remark));
      header.SetLibraryId(o.libraryId);
      header.SetStartDate(o.start);
      header.SetEndDate(o.end);
      file.SaveHeader();
      for (const auto& [entry, bytes] : contents) {
        TMemStream content;
        content.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        file.AddEntry(content, entry, !o.stored);
      }
    }
    if (!machine.MoveFile(partial, target, true))
      throw Exception("cannot replace " + GbkFromUtf8(o.out));
  } catch (...) {
    machine.DeleteFile(partial);
    throw;
  }
  out << "created " << o.out << " with " << contents.size() << " entries";
  for (size_t i = 0; i < contents.size(); ++i)
    out << (i == 0 ? ": " : ", ") << contents[i].first << " (" << rowCounts[i] << " rows)";
  out << "\n";
  return 0;
}

std::string DosDateText(uint32_t dosDateTime) {
  const uint32_t date = dosDateTime >> 16;
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", 1980 + (date >> 9), (date >> 5) & 15,
                date & 31);
  return text;
}

int List(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 2) throw UsageError("list wants one package file");
  TVelFile file(WindowsPath(args[1]), kOpenReadShared);
  const PackageHeader& h = file.Header();
  out << "package   " << args[1] << "\n"
      << "version   " << h.Version() << "\n"
      << "kind      " << h.Kind() << (h.Kind() == kXxjPackageKind ? " (information prices)" : "")
      << "\n"
      << "name      " << Utf8FromGbk(h.Name()) << "\n"
      << "remark    " << Utf8FromGbk(h.Remark()) << "\n"
      << "library   " << h.LibraryId() << "\n"
      << "created   " << DateTimeText(h.Created()) << "\n"
      << "period    " << DateTimeText(h.StartDate()).substr(0, 7) << " .. "
      << DateTimeText(h.EndDate()).substr(0, 7) << "\n";
  const auto entries = file.Entries();
  out << "entries   " << entries.size() << "\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto& e = entries[i];
    char line[160];
    std::snprintf(line, sizeof line, "  %2zu  %-20s %-8s %10u -> %10u bytes  %s%s\n", i,
                  Utf8FromGbk(e.name).c_str(), e.compressed ? "deflate" : "stored",
                  e.compressedSize, e.uncompressedSize, DosDateText(e.dosDateTime).c_str(),
                  e.deleted ? "  (deleted)" : "");
    out << line;
  }
  return 0;
}

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> positional;
  bool typed = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--typed") {
      typed = true;
    } else if (args[i].starts_with("--")) {
      throw UsageError("unknown option " + args[i]);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) throw UsageError("extract wants a package file and an entry name");
  TVelFile file(WindowsPath(positional[0]), kOpenReadShared);
  Dataset dataset;
  if (!file.LoadEntry(positional[1], dataset)) {
    err << "xxjpack: " << positional[0] << " has no entry " << positional[1] << "\n";
    return 1;
  }
  out << CsvFromDataset(dataset, typed);
  return 0;
}

}  // namespace

int RunPackageTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    (args.empty() ? err : out) << kUsage;
    return args.empty() ? 2 : 0;
  }
  const std::string& command = args[0];
  const char* usage = command == "create"    ? kCreateUsage
                      : command == "list"    ? kListUsage
                      : command == "extract" ? kExtractUsage
                                             : nullptr;
  if (usage == nullptr) {
    err << "xxjpack: unknown command '" << command << "'\n\n" << kUsage;
    return 2;
  }
  if (WantsHelp(args)) {
    out << usage;
    return 0;
  }
  try {
    if (command == "create") return Create(args, out);
    if (command == "list") return List(args, out);
    return Extract(args, out, err);
  } catch (const UsageError& e) {
    err << "xxjpack " << command << ": " << e.what() << "\n\n" << usage;
    return 2;
  } catch (const Exception& e) {
    err << "xxjpack " << command << ": " << Utf8FromGbk(e.Message()) << "\n";
    return 1;
  }
}

}  // namespace xxj
