#include "quota/DekProject.h"

#include <algorithm>

#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "filedb/VelDatabase.h"
#include "platform/Machine.h"
#include "support/Errors.h"
#include "support/NumberText.h"
#include "support/Stream.h"
#include "support/TextEncoding.h"
#include "support/TextRoutines.h"
#include "support/Trace.h"

namespace xxj {

namespace {

// Position of needle in GBK text at or after `from`, matching only at
// character starts: the second byte of a double-byte character may be a "|"
// or "}" and must not end a value or a group.
size_t FindInGbk(std::string_view text, std::string_view needle, size_t from = 0) {
  for (size_t i = from; i + needle.size() <= text.size();) {
    if (text.compare(i, needle.size(), needle) == 0) return i;
    const auto byte = static_cast<unsigned char>(text[i]);
    i += (byte >= 0x81 && i + 1 < text.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

// The pieces of text between "||" separators, empty ones included.
std::vector<std::string_view> SplitValues(std::string_view text) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  for (;;) {
    const size_t at = FindInGbk(text, "||", start);
    if (at == std::string_view::npos) break;
    pieces.push_back(text.substr(start, at - start));
    start = at + 2;
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

std::string_view WithoutBraces(std::string_view text) {
  return text.size() < 2 ? std::string_view() : text.substr(1, text.size() - 2);
}

// The field names of a structure "{F1||F2||...}", empty names dropped.
std::vector<std::string> StructureFields(std::string_view structure) {
  std::vector<std::string> fields;
  SplitText(WithoutBraces(structure), "||", fields, false);
  return fields;
}

struct FieldSlot {
  int index;  // property index, -1 when the row class lacks the field
  TPropTypeKind kind;
};

std::vector<FieldSlot> PlanFields(const TBaseDek& row, std::string_view structure) {
  std::vector<FieldSlot> slots;
  for (const std::string& field : StructureFields(structure)) {
    const int index = row.PropIndex(row.ColumnToProp(field));
    slots.push_back({index, index >= 0 ? row.PropKind(index) : ptkUnknown});
  }
  return slots;
}

Variant FieldValue(std::string_view text, TPropTypeKind kind) {
  switch (kind) {
    case ptkInteger:
    case ptkInt64: {
      int32_t value = 0;
      return Variant(TryParseInt(text, value) ? value : 0);
    }
    case ptkFloat: {
      double value = 0;
      return Variant(TryParseFloat(text, value) ? value : 0.0);
    }
    case ptkString:
    case ptkWString:
      return Variant(std::string(text));
    case ptkBoolean:
      return Variant(text == "1");
    default:
      throw Exception("unknow TPropTypeKind type");
  }
}

void ApplyGroup(TBaseDek& row, std::string_view group, const std::vector<FieldSlot>& fields) {
  std::vector<std::string_view> pieces = SplitValues(WithoutBraces(group));
  // Missing trailing values read as empty: 0, an empty text or false.
  if (pieces.size() < fields.size()) pieces.resize(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].index < 0) continue;
    row.SetIndexValue(fields[i].index, FieldValue(pieces[i], fields[i].kind));
  }
}

std::string EncodeWithFields(const TBaseDek& row, const std::vector<std::string>& fields) {
  std::string group = "{";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) group += "||";
    const std::string name = row.ColumnToProp(fields[i]);
    if (row.PropIndex(name) < 0) continue;
    const Variant value = row.GetPropValue(name);
    if (value.GetKind() == Variant::Kind::Bool)
      group += value.AsBool() ? "1" : "0";
    else
      group += value.AsText();
  }
  return group + "}";
}

// Replaces every full-width comma of GBK text by ",".
std::string AsciiCommas(std::string_view text) {
  const std::string wide = Gbk("，");
  std::string result;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, wide.size(), wide) == 0) {
      result += ',';
      i += wide.size();
      continue;
    }
    const auto byte = static_cast<unsigned char>(text[i]);
    const size_t width = (byte >= 0x81 && i + 1 < text.size()) ? 2 : 1;
    result.append(text.substr(i, width));
    i += width;
  }
  return result;
}

const TDekTableInfo* FindTable(std::string_view propertyName, int* position = nullptr) {
  const std::span<const TDekTableInfo> tables = DekTables();
  for (size_t i = 0; i < tables.size(); ++i) {
    if (!SameTextAscii(tables[i].listProperty, propertyName)) continue;
    if (position) *position = static_cast<int>(i);
    return &tables[i];
  }
  return nullptr;
}

int32_t IntProp(const TCustomObject& row, std::string_view name) {
  return row.GetIntValue(row.PropIndex(name));
}

}  // namespace

// ------------------------------------------------------------------ nested rows codec

std::string EncodeRow(const TBaseDek& row, std::string_view structure) {
  return EncodeWithFields(row, StructureFields(structure));
}

std::string EncodeRows(const TCustomObjList& list, std::string_view structure) {
  const std::vector<std::string> fields = StructureFields(structure);
  std::string text;
  for (const TCustomObject* row : list.List())
    text += EncodeWithFields(dynamic_cast<const TBaseDek&>(*row), fields);
  return text;
}

void DecodeRows(TCustomObjList& list, std::string_view text, std::string_view structure,
                std::string_view prefix, bool clearFirst, const TRowClass& rowClass) {
  if (clearFirst) list.Clear();
  if (!prefix.empty()) {
    const size_t at = FindInGbk(text, prefix);
    if (at == std::string_view::npos) return;
    text.remove_prefix(at);
    const size_t close = FindInGbk(text, "}");
    if (close != std::string_view::npos) text = text.substr(0, close + 1);
  }
  std::vector<FieldSlot> fields;
  bool planned = false;
  for (size_t close = FindInGbk(text, "}"); close != std::string_view::npos;
       close = FindInGbk(text, "}")) {
    std::unique_ptr<TBaseDek> row = rowClass.Create();
    if (!planned) {
      fields = PlanFields(*row, structure);
      planned = true;
    }
    ApplyGroup(*row, text.substr(0, close + 1), fields);
    list.AddObj(std::unique_ptr<TCustomObject>(row.release()));
    text.remove_prefix(close + 1);
  }
}

// ------------------------------------------------------------------ region manager

TDQItem::TDQItem(int32_t region, std::unique_ptr<TDekProject> project)
    : region_(region), project_(std::move(project)) {}

TDQItem::~TDQItem() = default;

TDQMng::TDQMng(TDekProject& owner) : owner_(owner) {}

TDQMng::~TDQMng() = default;

TDekProject* TDQMng::ProjectFor(int32_t region) {
  if (region == -1 || owner_.OptionIsTrue("optNotTreateDQDJ")) return nullptr;
  for (const auto& item : items_)
    if (item->Region() == region) return item->Project();
  // Asked once per region: a region without a side file keeps an empty entry.
  std::unique_ptr<TDekProject> side;
  const std::string sideFile = owner_.RegionSideFile(region);
  if (CurrentMachine().FileExists(sideFile)) {
    side = std::make_unique<TDekProject>();
    side->Open(sideFile);
  }
  items_.push_back(std::make_unique<TDQItem>(region, std::move(side)));
  return items_.back()->Project();
}

void TDQMng::SaveAll() {
  for (const auto& item : items_) {
    TDekProject* side = item->Project();
    if (side == nullptr || !side->Modified()) continue;
    side->Save();
    side->SetModified(false);
  }
}

// ------------------------------------------------------------------ project

TDekProject::TDekProject() : dqMng_(std::make_unique<TDQMng>(*this)) {}

TDekProject::~TDekProject() {
  dqMng_.reset();
  codeIndex_.reset();
  BusyScope busy(*this);
  for (auto& table : tables_) table.reset();
}

void TDekProject::AfterOpen() {
  if (LibraryID() != 0) return;
  const TDekObjList* versions = GetTVersions();
  if (versions && versions->Count() > 0)
    SetLibraryID(versions->At<TDek_TVersion>(0)->GetIntValue(TDek_TVersion::DEKID));
}

TDekObjList* TDekProject::GetList(int tableIndex) {
  std::unique_ptr<TDekObjList>& slot = tables_.at(tableIndex);
  if (tableIndex == kTDetailTableInfos) {
    if (!Busy() && (!slot || slot->Count() == 0)) BuildDetailTableInfos();
    return slot.get();
  }
  if (!slot) LoadTable(DekTables()[tableIndex].listProperty);
  return slot.get();
}

TDekObjList* TDekProject::GetList(std::string_view propertyName) {
  int position = -1;
  return FindTable(propertyName, &position) ? GetList(position) : nullptr;
}

void TDekProject::LoadTable(std::string_view propertyName) {
  if (Busy()) return;
  int position = -1;
  const TDekTableInfo* table = FindTable(propertyName, &position);
  if (!table) return;
  BusyScope busy(*this);
  if (tables_[position]) return;
  auto list = std::make_unique<TDekObjList>(true);
  const std::string tableName = table->tableName;
  const TRowClass* rowClass = FindRowClass("TDek_" + tableName);
  if (!rowClass) throw Exception(Gbk("类未注册:TDek_") + tableName);
  ReadTableRows(tableName, *rowClass, *list);
  tables_[position] = std::move(list);
  if (table->loadKey) tables_[position]->SortBy({table->loadKey}, table->loadKeyCaseSensitive);
}

// The structures of the nested detail rows are fixed by the program, never
// read from the library.
void TDekProject::BuildDetailTableInfos() {
  static const char* const kStructures[][2] = {
      {"TDEZM_DJ",
       "{DQID||DJ||Rgf||Clf||Jxf||Glf||Zcf||lr||Sbf||DJ8||DJ9||DJ10||DJ11||DJ12||DJ_SH||Rgf_SH||"
       "Clf_SH||Jxf_SH||Glf_SH||Lr_SH||Zcf_SH||Sbf_SH||DJ8_SH||DJ9_SH||DJ10_SH||DJ11_SH||DJ12_SH}"},
      {"TZMGC", "{ZMBH||GCL||LX||DQID||TZGCL}"},
      {"TGLJZM_DJ", "{DQID||DEDJ||YSJ||DEDJ_SH||TZGLJFL||TZXS}"},
      {"TGLZMGC", "{ZMBH||GCL||LX||DQID||GCL_SH}"},
      {"TZNHSMS", "{HSLX||HSQBH||HSHBH||HSQGCL||HSHGCL||HSCZLX||HSXGMC||HSTHMCNR||RefGLJBH}"},
      {"TFeeFileTariff", "{VarCode||Tariff}"},
      {"TFeeFrameTariff", "{Name||Tariff||Comment||DQIDs||CalExpr}"},
  };
  auto& slot = tables_[kTDetailTableInfos];
  if (!slot) slot = std::make_unique<TDekObjList>(true);
  for (const auto& entry : kStructures) {
    auto row = std::make_unique<TDek_TDetailTableInfo>();
    row->SetStrValue(TDek_TDetailTableInfo::TableName, entry[0]);
    row->SetStrValue(TDek_TDetailTableInfo::Structon, entry[1]);
    slot->AddObj(std::unique_ptr<TCustomObject>(row.release()));
  }
}

void TDekProject::SaveTo(const std::string& fileName) {
  Machine& machine = CurrentMachine();
  TFileDB db(fileName);
  db.SetIdent("Dek");
  const std::span<const TDekTableInfo> tables = DekTables();
  // Each of the sixty is rewritten at the end of the file anyway. Dropping
  // them first, from the last blob back, moves only the few other tables
  // instead of the whole rest of the library once per table; the file ends
  // up the same.
  for (int i = db.TableCount() - 1; i >= 0; --i) {
    const std::string name = db.TableName(i);
    const bool ours = std::any_of(tables.begin(), tables.end(), [&name](const TDekTableInfo& t) {
      return SameTextAscii(t.tableName, name);
    });
    if (ours) db.DeleteTable(name);
  }
  std::unique_ptr<TFileDB> stored;  // the working copy, opened when first needed
  for (int i = 0; i < static_cast<int>(tables.size()); ++i) {
    const std::string tableName = tables[i].tableName;
    const uint32_t start = machine.TickCount();
    if (!StoreUntouchedTable(i, db, stored)) {
      // The getter loads a table not touched yet, so every save covers the whole schema.
      const TDekObjList* list = GetList(i);
      if (list && list->Count() > 0) {
        WriteRowsToTable(*list, db, tableName);
      } else {
        db.DeleteTable(tableName);
      }
    }
    TraceLine("Save:" + tableName + IntToStr(machine.TickCount() - start));
  }
  dqMng_->SaveAll();
}

// A table the caller never touched is stored again as it was stored, without
// making its rows, when those rows are provably written back to the very same
// bytes; it then loads on first access as before.
bool TDekProject::StoreUntouchedTable(int tableIndex, TFileDB& target,
                                      std::unique_ptr<TFileDB>& stored) {
  if (tableIndex == kTDetailTableInfos || tables_.at(tableIndex) || Busy()) return false;
  if (WorkingCopy().empty() || !CurrentMachine().FileExists(WorkingCopy())) return false;
  const TDekTableInfo& table = DekTables()[tableIndex];
  const TRowClass* rowClass = FindRowClass("TDek_" + std::string(table.tableName));
  if (!rowClass) return false;
  if (!stored) stored = std::make_unique<TFileDB>(WorkingCopy());
  TMemStream form;
  uint32_t rowCount = 0;
  if (!stored->ReadTableForm(table.tableName, form) ||
      !IsRowTableForm(form.Memory(), form.Size(), *rowClass, table.loadKey,
                      table.loadKeyCaseSensitive, rowCount) ||
      rowCount == 0)
    return false;
  target.WriteTableStreamed(table.tableName, form.Size(), rowCount,
                            [&form](TStream& out) { out.WriteBuffer(form.Memory(), form.Size()); });
  return true;
}

TDekObjList* TDekProject::ListByTable(std::string_view tableName) {
  return GetList(std::string(tableName) + "s");
}

TDekObjList& TDekProject::ItemsByCode() {
  TDekObjList* items = GetTGLJZMs();
  if (codeIndex_ && !(items && items->Changed())) return *codeIndex_;
  if (!codeIndex_) codeIndex_ = std::make_unique<TDekObjList>(false);
  codeIndex_->Clear();
  if (items) AppendList(*codeIndex_, *items);
  codeIndex_->SortBy({"ZMBH"}, false);
  if (items) items->SetChanged(false);
  return *codeIndex_;
}

TDek_TGLJZM* TDekProject::FindItemByCode(std::string_view code) {
  return static_cast<TDek_TGLJZM*>(ItemsByCode().FindByProp("ZMBH", Variant(std::string(code))));
}

TDek_TGLJZM* TDekProject::FindItemByID(int32_t id) {
  TDekObjList* items = GetTGLJZMs();
  return items ? static_cast<TDek_TGLJZM*>(items->FindByProp("ID", Variant(id))) : nullptr;
}

std::string TDekProject::OptionValue(std::string_view code) {
  const TDekObjList* options = GetTDekOptions();
  if (!options) return {};
  for (const TCustomObject* row : options->List())
    if (SameTextAscii(row->GetStrView(TDek_TDekOption::VarCode), code))
      return row->GetStrValue(TDek_TDekOption::Value);
  return {};
}

bool TDekProject::OptionIsTrue(std::string_view code) {
  return SameTextAscii(OptionValue(code), "True");
}

std::string TDekProject::RegionName(int32_t type, int32_t number) {
  const TDekObjList* entries = GetTZDs();
  if (!entries) return {};
  for (const TCustomObject* row : entries->List())
    if (row->GetIntValue(TDek_TZD::LX) == type && row->GetIntValue(TDek_TZD::DM) == number)
      return row->GetStrValue(TDek_TZD::ZWMC);
  return {};
}

void TDekProject::FillRegionList(std::vector<TRegionEntry>& regions, int32_t type) {
  TDekObjList* entries = GetTZDs();
  regions.clear();
  if (!entries) return;
  entries->SortBy({"Sequence"}, true);
  for (const TCustomObject* row : entries->List())
    if (row->GetIntValue(TDek_TZD::LX) == type)
      regions.push_back({row->GetStrValue(TDek_TZD::ZWMC), row->GetIntValue(TDek_TZD::DM)});
}

// ------------------------------------------------------------------ regional price records

std::string TDekProject::DetailStructure(std::string_view tableName) {
  const TDekObjList* infos = GetTDetailTableInfos();
  if (infos) {
    for (const TCustomObject* row : infos->List())
      if (SameTextAscii(TrimText(row->GetStrView(TDek_TDetailTableInfo::TableName)), tableName))
        return std::string(TrimText(row->GetStrView(TDek_TDetailTableInfo::Structon)));
  }
  throw Exception(Gbk("未找到detailtable Structon:") + std::string(tableName));
}

int32_t TDekProject::ResolveRegion(int32_t region) {
  TDekObjList* entries = GetTZDs();
  if (!entries) return region;
  const std::string other = entries->LookupValue({"LX", "DM"}, true, "YWMC", {21, region});
  if (other.empty()) return region;
  std::vector<std::string> pieces;
  SplitText(AsciiCommas(other), ",", pieces, false);
  for (const std::string& piece : pieces) {
    int32_t number = 0;
    if (TryParseInt(piece, number) && number > 0) return number;
  }
  return region;
}

std::string TDekProject::RegionSideFile(int32_t region) {
  const size_t cut = FileName().rfind('\\');
  const std::string folder =
      cut == std::string::npos ? std::string() : FileName().substr(0, cut + 1);
  return folder + Gbk("价目表\\") + RegionName(21, region) + "_" + IntToStr(LibraryID()) + ".dq";
}

void TDekProject::LoadCompositionRows(const TDek_TGLJZM& item, TCustomObjList& list,
                                      bool clearFirst) {
  list.AssertOwns(true);
  DecodeRows(list, item.GetStrView(TDek_TGLJZM::TGLZMGC), DetailStructure("TGLZMGC"), {},
             clearFirst, TDek_TGLZMGC::ClassRef());
}

void TDekProject::LoadPriceRows(const TDek_TGLJZM& item, TCustomObjList& list, bool clearFirst,
                                const std::vector<int32_t>* regions) {
  list.AssertOwns(true);
  const std::string structure = DetailStructure("TGLJZM_DJ");
  const TRowClass& rowClass = TDek_TGLJZM_DJ::ClassRef();
  if (!regions) {
    DecodeRows(list, item.GetStrView(TDek_TGLJZM::TGLJZM_DJ), structure, {}, clearFirst, rowClass);
    return;
  }
  // Cleared once up front, so a first region whose side file lacks the item
  // cannot leave the caller's old rows in the list.
  if (clearFirst) list.Clear();
  std::vector<int32_t> handled;
  for (const int32_t region : *regions) {
    const int32_t number = ResolveRegion(region);
    if (std::find(handled.begin(), handled.end(), number) != handled.end()) continue;
    handled.push_back(number);
    const std::string prefix = "{" + IntToStr(number) + "||";
    if (TDekProject* side = dqMng_->ProjectFor(number)) {
      const TDek_TGLJZM* sideItem = side->FindItemByID(item.GetIntValue(TDek_TGLJZM::ID));
      if (sideItem)
        DecodeRows(list, sideItem->GetStrView(TDek_TGLJZM::TGLJZM_DJ), structure, prefix, false,
                   rowClass);
    } else {
      DecodeRows(list, item.GetStrView(TDek_TGLJZM::TGLJZM_DJ), structure, prefix, false, rowClass);
    }
  }
}

std::unique_ptr<TDek_TGLJZM_DJ> TDekProject::RegionPriceRow(TDekProject& project,
                                                            const TDek_TGLJZM* item,
                                                            int32_t region) {
  if (!item) return nullptr;
  TDekObjList rows(true);
  const std::vector<int32_t> regions{region};
  project.LoadPriceRows(*item, rows, true, &regions);
  const TCustomObject* found = rows.FindFirst({"DQID"}, true, {region});
  if (!found && region != 1) found = rows.FindFirst({"DQID"}, true, {1});
  if (!found) return nullptr;
  std::unique_ptr<TBaseDek> copy = static_cast<const TBaseDek*>(found)->Clone();
  copy->SetIntValue(TDek_TGLJZM_DJ::DQId, region);
  return std::unique_ptr<TDek_TGLJZM_DJ>(static_cast<TDek_TGLJZM_DJ*>(copy.release()));
}

std::unique_ptr<TDek_TGLJZM_DJ> TDekProject::GetPriceRow(const TDek_TGLJZM& item, int32_t region) {
  const int32_t number = ResolveRegion(region);
  if (TDekProject* side = dqMng_->ProjectFor(number)) {
    const TDek_TGLJZM* sideItem = side->FindItemByID(item.GetIntValue(TDek_TGLJZM::ID));
    if (sideItem) {
      if (auto row = RegionPriceRow(*side, sideItem, number)) return row;
    }
  }
  return RegionPriceRow(*this, &item, number);
}

bool TDekProject::HasPriceRow(const TDek_TGLJZM& item, int32_t region) {
  return GetPriceRow(item, ResolveRegion(region)) != nullptr;
}

std::unique_ptr<TDek_TGLJZM_DJ> TDekProject::FirstPriceRow(const TDek_TGLJZM& item) {
  TDekObjList rows(true);
  const std::vector<int32_t> regions{1};
  LoadPriceRows(item, rows, true, &regions);
  if (rows.Count() == 0) return nullptr;
  std::unique_ptr<TBaseDek> copy = rows.At<TBaseDek>(0)->Clone();
  return std::unique_ptr<TDek_TGLJZM_DJ>(static_cast<TDek_TGLJZM_DJ*>(copy.release()));
}

TDek_TGLJZM& TDekProject::SideItem(TDekProject& side, const TDek_TGLJZM& item, bool withName) {
  const int32_t id = item.GetIntValue(TDek_TGLJZM::ID);
  if (TDek_TGLJZM* found = side.FindItemByID(id)) {
    if (withName) {
      found->SetStrValue(TDek_TGLJZM::ZMBH, item.GetStrView(TDek_TGLJZM::ZMBH));
      found->SetStrValue(TDek_TGLJZM::ZMMC, item.GetStrView(TDek_TGLJZM::ZMMC));
    }
    return *found;
  }
  auto added = std::make_unique<TDek_TGLJZM>();
  added->SetIntValue(TDek_TGLJZM::ID, id);
  added->SetStrValue(TDek_TGLJZM::ZMBH, item.GetStrView(TDek_TGLJZM::ZMBH));
  if (withName) added->SetStrValue(TDek_TGLJZM::ZMMC, item.GetStrView(TDek_TGLJZM::ZMMC));
  TDek_TGLJZM& result = *added;
  TDekObjList* items = side.GetTGLJZMs();
  if (!items) throw Exception("The side library \"" + side.FileName() + "\" is busy");
  items->AddObj(std::unique_ptr<TCustomObject>(added.release()));
  return result;
}

void TDekProject::SetRegionPrice(int32_t region, TDek_TGLJZM& item, double dedj, double dedjSh,
                                 int32_t tzgljfl, double tzxs) {
  TDekProject* side = dqMng_->ProjectFor(region);
  if (!side) {
    WritePriceRecord(item, region, dedj, dedjSh, tzgljfl, tzxs);
    return;
  }
  TDek_TGLJZM& sideItem = SideItem(*side, item, true);
  WritePriceRecord(sideItem, region, dedj, dedjSh, tzgljfl, tzxs);
  side->SetModified(true);
}

void TDekProject::WritePriceRecord(TDek_TGLJZM& item, int32_t region, double dedj, double dedjSh,
                                   int32_t tzgljfl, double tzxs) {
  TDekObjList rows(true);
  LoadPriceRows(item, rows, true, nullptr);
  TCustomObject* row = rows.FindFirst({"DQID"}, true, {region});
  if (!row) {
    auto added = std::make_unique<TDek_TGLJZM_DJ>();
    added->SetIntValue(TDek_TGLJZM_DJ::DQId, region);
    row = added.get();
    rows.AddObj(std::unique_ptr<TCustomObject>(added.release()));
  }
  row->SetFloatValue(TDek_TGLJZM_DJ::DEDJ, dedj);
  if (dedjSh >= 0) row->SetFloatValue(TDek_TGLJZM_DJ::DEDJ_SH, dedjSh);
  if (tzgljfl >= 0) row->SetIntValue(TDek_TGLJZM_DJ::TZGLJFL, tzgljfl);
  if (tzxs >= 0) row->SetFloatValue(TDek_TGLJZM_DJ::TZXS, tzxs);
  item.SetStrValue(TDek_TGLJZM::TGLJZM_DJ, EncodeRows(rows, DetailStructure("TGLJZM_DJ")));
}

void TDekProject::DistributeCompositionRows(const TCustomObjList& list, TDek_TGLJZM& item) {
  std::vector<int32_t> regions;
  for (const TCustomObject* row : list.List()) {
    const int32_t region = IntProp(*row, "DQID");
    if (std::find(regions.begin(), regions.end(), region) == regions.end())
      regions.push_back(region);
  }
  const std::string structure = DetailStructure("TGLZMGC");
  const auto rowsOf = [&list](TCustomObjList& into, const auto& keep) {
    for (TCustomObject* row : list.List())
      if (keep(IntProp(*row, "DQID"))) into.Add(row);
  };
  for (size_t k = regions.size(); k-- > 0;) {
    const int32_t region = regions[k];
    TDekProject* side = dqMng_->ProjectFor(region);
    if (!side) continue;
    side->SetModified(true);
    TDek_TGLJZM& sideItem = SideItem(*side, item, false);
    TDekObjList selected(false);
    rowsOf(selected, [region](int32_t r) { return r == region; });
    sideItem.SetStrValue(TDek_TGLJZM::TGLZMGC, EncodeRows(selected, structure));
    regions.erase(regions.begin() + static_cast<std::ptrdiff_t>(k));
  }
  TDekObjList remaining(false);
  rowsOf(remaining, [&regions](int32_t r) {
    return std::find(regions.begin(), regions.end(), r) != regions.end();
  });
  item.SetStrValue(TDek_TGLJZM::TGLZMGC, EncodeRows(remaining, structure));
}

}  // namespace xxj
