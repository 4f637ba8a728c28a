// dektool schema: every registered row class, then the detail and package row
// classes, each with its properties in index order (name, type letter, column
// name), as JSON.

#include <ostream>

#include "Command.h"
#include "quota/DekObjects.h"

namespace xxj::dektool {
namespace {

const TDekTableInfo* TableOf(const TRowClass& cls) {
  for (const TDekTableInfo& table : DekTables())
    if (&table.rowClass() == &cls) return &table;
  return nullptr;
}

void WriteClass(const TRowClass& cls, bool registered, bool last, std::ostream& out) {
  const std::unique_ptr<TBaseDek> row = cls.Create();
  const TClsInfo& info = row->Catalogue();
  out << "    {\"class\": \"" << cls.Name() << "\", \"base\": \"" << cls.Parent()->Name()
      << "\", \"registered\": " << (registered ? "true" : "false");
  if (const TDekTableInfo* table = TableOf(cls)) {
    out << ", \"table\": \"" << table->tableName << "\", \"list\": \"" << table->listProperty
        << "\", \"loadKey\": ";
    if (table->loadKey)
      out << "\"" << table->loadKey << "\"";
    else
      out << "null";
  }
  out << ", \"propertyCount\": " << info.Count() << ",\n     \"properties\": [";
  for (int i = 0; i < info.Count(); ++i) {
    const TClsProp& prop = info.Props(i);
    out << (i ? ", " : "") << "{\"name\": \"" << prop.name << "\", \"type\": \""
        << TypeLetter(prop.type) << "\", \"column\": \"" << row->PropToColumn(prop.name) << "\"}";
  }
  out << "]}" << (last ? "\n" : ",\n");
}

int RunSchema(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (!args.empty()) {
    err << "Usage: dektool schema\n";
    return kUsage;
  }
  const std::vector<const TRowClass*> registered = RegisteredRowClasses();
  const TRowClass* others[] = {&TDek_TGLJZM_DJ::ClassRef(), &TDek_TGLZMGC::ClassRef(),
                               &TDek_TXXJ_Ex::ClassRef()};
  out << "{\n  \"registeredCount\": " << registered.size() << ",\n  \"classes\": [\n";
  for (const TRowClass* cls : registered) WriteClass(*cls, true, false, out);
  for (const TRowClass* cls : others) WriteClass(*cls, false, cls == others[2], out);
  out << "  ]\n}\n";
  return kOk;
}

const Registration registration({"schema", "",
                                 "every row class with its properties (name, type, column), JSON",
                                 &RunSchema});

}  // namespace
}  // namespace xxj::dektool
