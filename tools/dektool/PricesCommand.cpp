// dektool prices FILE CODE: the item with that code and its monthly prices by
// year, so a user can see what an import wrote into a quota library.

#include <algorithm>
#include <iomanip>
#include <ostream>

#include "Command.h"
#include "platform/Machine.h"
#include "quota/DekProject.h"
#include "support/NumberText.h"
#include "support/TextEncoding.h"

namespace xxj::dektool {
namespace {

constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

void PrintPrices(TDekProject& project, const TDek_TGLJZM& item, std::ostream& out) {
  const int32_t id = item.GetIntValue(TDek_TGLJZM::ID);
  out << "Item " << id << "  " << Utf8FromGbk(item.GetStrValue(TDek_TGLJZM::ZMBH)) << "  "
      << Utf8FromGbk(item.GetStrValue(TDek_TGLJZM::ZMMC)) << "  "
      << Utf8FromGbk(item.GetStrValue(TDek_TGLJZM::GG)) << "  "
      << Utf8FromGbk(item.GetStrValue(TDek_TGLJZM::DW)) << "\n";
  std::vector<const TCustomObject*> years;
  for (const TCustomObject* row : project.GetTXXJs()->List())
    if (row->GetIntValue(TDek_TXXJ::ID) == id) years.push_back(row);
  std::stable_sort(years.begin(), years.end(), [](const TCustomObject* a, const TCustomObject* b) {
    return a->GetIntValue(TDek_TXXJ::YEAR) < b->GetIntValue(TDek_TXXJ::YEAR);
  });
  if (years.empty()) {
    out << "  no prices\n";
    return;
  }
  out << std::setw(6) << "YEAR";
  for (const char* month : kMonths) out << ' ' << std::setw(10) << month;
  out << ' ' << std::setw(10) << "YAVG"
      << "\n";
  for (const TCustomObject* row : years) {
    out << std::setw(6) << row->GetIntValue(TDek_TXXJ::YEAR);
    for (int month = TDek_TXXJ::JAN; month <= TDek_TXXJ::YAVG; ++month)
      // A blank before every price keeps long values such as 1.04166666666667 apart.
      out << ' ' << std::setw(10) << FloatToStr(row->GetFloatValue(month));
    out << "\n";
  }
}

int RunPrices(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << "Usage: dektool prices FILE CODE\n";
    return kUsage;
  }
  const std::string path = MachinePath(args[0]);
  if (!CurrentMachine().FileExists(path)) {
    err << "dektool: " << args[0] << ": no such file\n";
    return kFailed;
  }
  TDekProject project;
  project.Open(path);
  // Codes match exactly here, as the price import matches them.
  const std::string code = GbkFromUtf8(args[1]);
  int found = 0;
  for (const TCustomObject* row : project.GetTGLJZMs()->List()) {
    if (row->GetStrView(TDek_TGLJZM::ZMBH) != code) continue;
    if (found++ > 0) out << "\n";
    PrintPrices(project, *static_cast<const TDek_TGLJZM*>(row), out);
  }
  if (found == 0) {
    err << "dektool: " << args[0] << ": no item with the code \"" << args[1] << "\"\n";
    return kFailed;
  }
  return kOk;
}

const Registration registration({"prices", "FILE CODE",
                                 "the item with that code and its monthly prices by year",
                                 &RunPrices});

}  // namespace
}  // namespace xxj::dektool
