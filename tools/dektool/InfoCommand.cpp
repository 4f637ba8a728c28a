// dektool info FILE: the header and the table directory.

#include <iomanip>
#include <ostream>

#include "Command.h"
#include "filedb/MatrixData.h"
#include "filedb/VelDatabase.h"
#include "support/TextEncoding.h"

namespace xxj::dektool {
namespace {

int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) {
    err << "Usage: dektool info FILE\n";
    return kUsage;
  }
  std::unique_ptr<TFileDB> db = OpenExisting(args[0], err);
  if (!db) return kFailed;
  out << "File:         " << args[0] << "\n"
      << "Signature:    " << Utf8FromGbk(db->GetSignature()) << "\n"
      << "Version:      " << db->VersionMajor() << "." << db->VersionMinor() << "\n"
      << "Ident:        " << Utf8FromGbk(db->GetIdent()) << "\n"
      << "Period:       " << Utf8FromGbk(db->GetPeriodText()) << "\n"
      << "Rows written: " << db->RowsWritten() << "\n"
      << "Tables:       " << db->TableCount() << "\n";
  if (db->TableCount() == 0) return kOk;
  out << std::left << std::setw(5) << "#" << std::setw(32) << "Name" << std::right << std::setw(12)
      << "Offset" << std::setw(12) << "Size" << std::setw(10) << "Rows"
      << "\n";
  for (int i = 0; i < db->TableCount(); ++i) {
    const std::string name = db->TableName(i);
    const std::unique_ptr<TMatrix> table = db->ReadTable(name);
    out << std::left << std::setw(5) << i << std::setw(32) << Utf8FromGbk(name) << std::right
        << std::setw(12) << db->TableOffset(i) << std::setw(12) << db->TableSize(i) << std::setw(10)
        << (table ? std::to_string(table->RowCount()) : std::string("damaged")) << "\n";
  }
  return kOk;
}

const Registration registration({"info", "FILE",
                                 "signature, ident, period and every table's place and row count",
                                 &RunInfo});

}  // namespace
}  // namespace xxj::dektool
