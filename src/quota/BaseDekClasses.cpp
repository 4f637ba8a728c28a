#include "quota/BaseDekClasses.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "filedb/VelDatabase.h"
#include "support/Errors.h"
#include "support/NumberText.h"
#include "support/Stream.h"
#include "support/TextEncoding.h"
#include "support/TextRoutines.h"
#include "support/Trace.h"

// The start of the program image: this system's stand-in for the module
// instance handle in the catalogue's end-of-program trace.
extern "C" __attribute__((weak)) char __executable_start;

namespace xxj {

// Which object an object-typed property holds; decided when the catalogue is built.
enum class THolds : uint8_t { None, Stream, List, Unregistered, NotPublishable };

namespace {

THolds HoldsOf(const TClsProp& prop);

uint32_t Hash(std::string_view name) {
  uint32_t h = 2166136261u;
  for (const char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    h = (h ^ (u >= 'a' && u <= 'z' ? u - 32 : u)) * 16777619u;
  }
  return h;
}

bool IsObjectType(TPropType type) {
  return type == TPropType::MemoryStream || type == TPropType::ObjList || type == TPropType::Object;
}

uint32_t SlotSize(TPropType type) {
  switch (type) {
    case TPropType::Integer:
      return 4;
    case TPropType::Boolean:
      return 1;
    case TPropType::String:
      return 0;  // held in the row's text block
    default:
      return 8;
  }
}

uint32_t ReadU32(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void WriteU32(char* p, uint32_t v) {
  std::memcpy(p, &v, 4);
}

bool IsIntegerLike(TPropType t) {
  return t == TPropType::Integer || t == TPropType::Boolean || IsObjectType(t);
}
bool IsFloat(TPropType t) {
  return t == TPropType::Double || t == TPropType::DateTime;
}
bool IsString(TPropType t) {
  return t == TPropType::String;
}

uint8_t BooleanOrdinal(int64_t value) {
  // A boolean keeps its ordinal in one byte; a value that does not fit stays true.
  if (value >= 0 && value <= 255) return static_cast<uint8_t>(value);
  return 1;
}

struct RegistryEntry {
  std::vector<const TRowClass*> classes;
};

RegistryEntry& Registry() {
  static RegistryEntry registry;
  return registry;
}

}  // namespace

void RegisterDekObjects();  // DekObjects.cpp: the quota library table classes

char TypeLetter(TPropType type) {
  switch (type) {
    case TPropType::Integer:
      return 'I';
    case TPropType::String:
      return 'S';
    case TPropType::Double:
      return 'D';
    case TPropType::DateTime:
      return 'T';
    case TPropType::Boolean:
      return 'B';
    case TPropType::MemoryStream:
      return 'M';
    case TPropType::ObjList:
      return 'L';
    case TPropType::Object:
      return 'O';
  }
  return '?';
}

TPropTypeKind KindOfType(TPropType type) {
  switch (type) {
    case TPropType::Integer:
      return ptkInteger;
    case TPropType::String:
      return ptkString;
    case TPropType::Double:
    case TPropType::DateTime:
      return ptkFloat;
    case TPropType::Boolean:
      return ptkBoolean;
    case TPropType::MemoryStream:
    case TPropType::ObjList:
    case TPropType::Object:
      return ptkClass;
  }
  return ptkUnknown;
}

// --- TRowClass ----------------------------------------------------------------

TRowClass::TRowClass(const char* name, const TRowClass* parent, std::span<const TPropDecl> ownProps,
                     Factory factory, const char* columnAlias)
    : name_(name),
      parent_(parent),
      ownProps_(ownProps),
      factory_(factory),
      columnAlias_(columnAlias) {}

bool TRowClass::InheritsFrom(const TRowClass& other) const {
  for (const TRowClass* c = this; c; c = c->parent_)
    if (c == &other) return true;
  return false;
}

std::unique_ptr<TBaseDek> TRowClass::Create() const {
  if (!factory_) throw Exception("Cannot create an instance of the class " + name_);
  return factory_();
}

const TRowClass& CustomObjectClass() {
  static const TRowClass cls("TCustomObject", nullptr, {}, nullptr);
  return cls;
}

// --- TClsInfo -------------------------------------------------------------------

TClsInfo::TClsInfo(const TRowClass& cls) : cls_(cls) {
  std::vector<const TRowClass*> chain;
  for (const TRowClass* c = &cls; c; c = c->Parent()) chain.push_back(c);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const TPropDecl& decl : (*it)->OwnProps())
      props_.push_back({decl.name, decl.type, KindOfType(decl.type), 0,
                        decl.type == TPropType::MemoryStream ? "TMemoryStream"
                        : decl.type == TPropType::ObjList    ? "TDekObjList"
                        : decl.className                     ? decl.className
                                                             : ""});
  // Lay values out widest first so the block needs no padding.
  uint32_t offset = 0;
  for (const uint32_t width : {8u, 4u, 1u})
    for (TClsProp& prop : props_)
      if (SlotSize(prop.type) == width) {
        prop.offset = offset;
        offset += width;
      }
  blockSize_ = offset;
  for (size_t i = 0; i < props_.size(); ++i) {
    if (props_[i].type == TPropType::String) props_[i].offset = stringCount_++;
    if (IsObjectType(props_[i].type)) objectProps_.push_back(static_cast<int>(i));
  }
  size_t slots = 8;
  while (slots < props_.size() * 2) slots *= 2;
  nameSlots_.assign(slots, 0);
  for (size_t i = 0; i < props_.size(); ++i) {
    size_t s = Hash(props_[i].name) & (slots - 1);
    bool taken = false;  // the first declared of two names equal without case wins
    while (nameSlots_[s] != 0) {
      if (SameTextAscii(props_[nameSlots_[s] - 1].name, props_[i].name)) taken = true;
      s = (s + 1) & (slots - 1);
    }
    if (!taken) nameSlots_[s] = static_cast<int>(i) + 1;
  }
}

int TClsInfo::PropIndex(std::string_view name) const {
  const size_t mask = nameSlots_.size() - 1;
  for (size_t s = Hash(name) & mask; nameSlots_[s] != 0; s = (s + 1) & mask)
    if (SameTextAscii(props_[nameSlots_[s] - 1].name, name)) return nameSlots_[s] - 1;
  return -1;
}

// --- TClassInfoManager ------------------------------------------------------------

TClassInfoManager::TClassInfoManager() = default;

TClassInfoManager& TClassInfoManager::Instance() {
  static TClassInfoManager manager;
  return manager;
}

namespace {
// The catalogue exists from program start, so its end is traced even in a
// run that never made a row.
[[maybe_unused]] const TClassInfoManager& startedCatalogue = TClassInfoManager::Instance();
}  // namespace

const TClsInfo& TClassInfoManager::Find(const TRowClass& cls) {
  if (cls.info_) return *cls.info_;
  for (const auto& entry : entries_)
    if (&entry->ClassType() == &cls) return *(cls.info_ = entry.get());
  entries_.push_back(std::make_unique<TClsInfo>(cls));
  cls.info_ = entries_.back().get();
  return *cls.info_;
}

std::vector<std::string> CatalogueFinalizationLines() {
  const auto handle = reinterpret_cast<uintptr_t>(&__executable_start);
  return {"RTTIManager finalization" + std::to_string(handle), "RTTIManager finalization...end"};
}

TClassInfoManager::~TClassInfoManager() {
  const std::vector<std::string> lines = CatalogueFinalizationLines();
  TraceLine(lines[0]);
  entries_.clear();
  TraceLine(lines[1]);
}

// --- TBaseDek: construction -----------------------------------------------------------

const TRowClass& TBaseDek::ClassRef() {
  static const TRowClass cls("TBaseDek", &CustomObjectClass(), {}, nullptr);
  return cls;
}

namespace {

THolds HoldsOf(const TClsProp& prop) {
  switch (prop.type) {
    case TPropType::MemoryStream:
      return THolds::Stream;
    case TPropType::ObjList:
      return THolds::List;
    case TPropType::Object:
      break;
    default:
      return THolds::None;
  }
  if (SameTextAscii(prop.className, "TMemoryStream") || SameTextAscii(prop.className, "TMemStream"))
    return THolds::Stream;
  if (SameTextAscii(prop.className, "TDekObjList")) return THolds::List;
  if (SameTextAscii(prop.className, "TCustomObjList") || FindRowClass(prop.className))
    return THolds::NotPublishable;
  return THolds::Unregistered;
}

}  // namespace

namespace {

// The row AllocateRow has just made room for; its constructor takes the
// value block behind it.
struct TPendingRow {
  void* address = nullptr;
  std::size_t head = 0;
};
thread_local TPendingRow pendingRow;

}  // namespace

void* TBaseDek::AllocateRow(std::size_t size, const TRowClass& cls) {
  const TClsInfo& info = TClassInfoManager::Instance().Find(cls);
  const std::size_t head = (size + 7) & ~std::size_t{7};
  void* address = ::operator new(head + info.BlockSize());
  pendingRow = {address, head};
  return address;
}

bool TBaseDek::OwnsBlock() const {
  return values_ && values_ != reinterpret_cast<const std::byte*>(this) + info_->InstanceSize();
}

TBaseDek::TBaseDek(const TRowClass& cls) : info_(&TClassInfoManager::Instance().Find(cls)) {
  const std::size_t size = info_->BlockSize();
  if (pendingRow.address == this) {
    info_->instanceSize_ = static_cast<uint32_t>(pendingRow.head);
    if (size > 0) values_ = reinterpret_cast<std::byte*>(this) + pendingRow.head;
  } else if (size > 0) {
    values_ = new std::byte[size];
  }
  pendingRow = {};
  if (values_) std::memset(values_, 0, size);
  try {
    for (const int index : info_->ObjectProps()) {
      const TClsProp& prop = info_->Props(index);
      void* object = nullptr;
      switch (HoldsOf(prop)) {
        case THolds::Stream:
          object = new TMemStream;
          break;
        case THolds::List:
          object = new TDekObjList(true);
          break;
        case THolds::Unregistered:
          throw Exception(prop.name + ": havn't register class");
        case THolds::NotPublishable:
          throw Exception(cls.Name() + "." + prop.name + " can not define in published");
        case THolds::None:
          break;
      }
      std::memcpy(Slot(prop), &object, sizeof object);
    }
  } catch (...) {
    FreeObjects();
    if (OwnsBlock()) delete[] values_;
    throw;
  }
}

void TBaseDek::FreeObjects() {
  for (const int index : info_->ObjectProps()) {
    const TClsProp& prop = info_->Props(index);
    void* object = nullptr;
    std::memcpy(&object, Slot(prop), sizeof object);
    if (!object) continue;
    if (HoldsOf(prop) == THolds::Stream)
      delete static_cast<TMemStream*>(object);
    else
      delete static_cast<TDekObjList*>(object);
    std::memset(Slot(prop), 0, sizeof object);
  }
}

TBaseDek::~TBaseDek() {
  FreeObjects();
  std::free(texts_);
  if (OwnsBlock()) delete[] values_;
}

// --- TBaseDek: typed access by index -------------------------------------------------------

const TClsProp& TBaseDek::Prop(int index) const {
  if (index < 0 || index >= info_->Count())
    throw Exception(ClassName() + ": property index out of range: " + std::to_string(index));
  return info_->Props(index);
}

const TClsProp& TBaseDek::PropOfKind(int index, bool (*accepts)(TPropType),
                                     const char* what) const {
  const TClsProp& prop = Prop(index);
  if (!accepts(prop.type))
    throw Exception(ClassName() + "." + prop.name + " is not " + what + " property");
  return prop;
}

int32_t TBaseDek::GetIntValue(int index) const {
  const TClsProp& prop = PropOfKind(index, IsIntegerLike, "an integer");
  if (prop.type == TPropType::Integer) {
    int32_t v;
    std::memcpy(&v, Slot(prop), 4);
    return v;
  }
  if (prop.type == TPropType::Boolean) return *reinterpret_cast<const uint8_t*>(Slot(prop));
  // An object property reads as the low half of its address, the platform's
  // integer view of an object reference.
  uintptr_t address;
  std::memcpy(&address, Slot(prop), sizeof address);
  return static_cast<int32_t>(static_cast<uint32_t>(address));
}

int64_t TBaseDek::GetInt64Value(int index) const {
  return GetIntValue(index);
}

double TBaseDek::GetFloatValue(int index) const {
  double v;
  std::memcpy(&v, Slot(PropOfKind(index, IsFloat, "a float")), 8);
  return v;
}

std::string_view TBaseDek::GetStrView(int index) const {
  const TClsProp& prop = PropOfKind(index, IsString, "a string");
  if (!texts_) return {};
  const int n = info_->StringCount();
  const uint32_t slot = prop.offset;
  const uint32_t begin = slot == 0 ? 0 : ReadU32(texts_ + 4 * (slot - 1));
  const uint32_t end = ReadU32(texts_ + 4 * slot);
  return std::string_view(texts_ + 4 * n + begin, end - begin);
}

std::string TBaseDek::GetStrValue(int index) const {
  return std::string(GetStrView(index));
}

std::u16string TBaseDek::GetWideStrValue(int index) const {
  return Utf16FromGbk(GetStrView(index));
}

void TBaseDek::SetIntValue(int index, int32_t value) {
  const TClsProp& prop = Prop(index);
  if (prop.type == TPropType::Integer)
    std::memcpy(Slot(prop), &value, 4);
  else if (prop.type == TPropType::Boolean)
    *reinterpret_cast<uint8_t*>(Slot(prop)) = BooleanOrdinal(value);
  else if (IsObjectType(prop.type))
    throw Exception(ClassName() + "." + prop.name + ": an owned object cannot be assigned");
  else
    throw Exception(ClassName() + "." + prop.name + " is not an integer property");
}

void TBaseDek::SetInt64Value(int index, int64_t value) {
  if (Prop(index).type == TPropType::Boolean) {
    *reinterpret_cast<uint8_t*>(Slot(Prop(index))) = BooleanOrdinal(value);
    return;
  }
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    throw Exception(ClassName() + "." + Prop(index).name +
                    ": value out of range: " + std::to_string(value));
  SetIntValue(index, static_cast<int32_t>(value));
}

void TBaseDek::SetFloatValue(int index, double value) {
  std::memcpy(Slot(PropOfKind(index, IsFloat, "a float")), &value, 8);
}

void TBaseDek::SetStrValue(int index, std::string_view value) {
  const TClsProp& prop = PropOfKind(index, IsString, "a string");
  if (!texts_ && value.empty()) return;
  const int n = info_->StringCount();
  // The value may live in this very block, which is about to move.
  std::string own;
  if (texts_ && value.data() >= texts_ &&
      value.data() < texts_ + 4 * n + ReadU32(texts_ + 4 * (n - 1))) {
    own.assign(value);
    value = own;
  }
  const uint32_t slot = prop.offset;
  const size_t header = 4 * static_cast<size_t>(n);
  const uint32_t total = texts_ ? ReadU32(texts_ + 4 * (n - 1)) : 0;
  const uint32_t begin = texts_ && slot > 0 ? ReadU32(texts_ + 4 * (slot - 1)) : 0;
  const uint32_t end = texts_ ? ReadU32(texts_ + 4 * slot) : 0;
  const size_t newTotal = size_t{total} - (end - begin) + value.size();
  if (newTotal > std::numeric_limits<uint32_t>::max())
    throw Exception(ClassName() + "." + prop.name + ": text too long");
  const size_t tail = total - end;
  if (!texts_) {
    texts_ = static_cast<char*>(std::calloc(header + newTotal, 1));
    if (!texts_) throw std::bad_alloc();
  } else if (newTotal > total) {
    char* grown = static_cast<char*>(std::realloc(texts_, header + newTotal));
    if (!grown) throw std::bad_alloc();
    texts_ = grown;
  }
  char* bytes = texts_ + header;
  std::memmove(bytes + begin + value.size(), bytes + end, tail);
  std::memcpy(bytes + begin, value.data(), value.size());
  const int64_t delta = static_cast<int64_t>(value.size()) - (end - begin);
  for (int s = static_cast<int>(slot); s < n; ++s)
    WriteU32(texts_ + 4 * s, static_cast<uint32_t>(ReadU32(texts_ + 4 * s) + delta));
}

void TBaseDek::SetWideStrValue(int index, std::u16string_view value) {
  SetStrValue(index, GbkFromUtf16(value));
}

TPropTypeKind TBaseDek::PropKind(int index) const {
  return Prop(index).kind;
}

int TBaseDek::PropIndex(std::string_view name) const {
  return info_->PropIndex(name);
}

TMemStream* TBaseDek::StreamValue(int index) const {
  const TClsProp& prop = Prop(index);
  if (!IsObjectType(prop.type) || HoldsOf(prop) != THolds::Stream) return nullptr;
  TMemStream* stream;
  std::memcpy(&stream, Slot(prop), sizeof stream);
  return stream;
}

TDekObjList* TBaseDek::ListValue(int index) const {
  const TClsProp& prop = Prop(index);
  if (!IsObjectType(prop.type) || HoldsOf(prop) != THolds::List) return nullptr;
  TDekObjList* list;
  std::memcpy(&list, Slot(prop), sizeof list);
  return list;
}

// --- TBaseDek: by name, copies -------------------------------------------------------------

std::string TBaseDek::ColumnToProp(std::string_view name) const {
  const char* alias = ClassType().ColumnAlias();
  if (alias && SameTextAscii(name, alias)) return std::string(alias) + "_";
  return std::string(name);
}

std::string TBaseDek::PropToColumn(std::string_view name) const {
  const char* alias = ClassType().ColumnAlias();
  if (alias && SameTextAscii(name, std::string(alias) + "_")) return alias;
  return std::string(name);
}

Variant TBaseDek::GetPropValue(std::string_view name) const {
  const int index = PropIndex(name);
  if (index < 0) throw Exception("Property " + std::string(name) + " does not exist");
  return GetIndexValue(index);
}

void TBaseDek::SetPropValue(std::string_view name, const Variant& value) {
  const int index = PropIndex(name);
  if (index < 0) throw Exception("Property " + std::string(name) + " does not exist");
  SetPropFromVariant(index, value);
}

void TBaseDek::SetPropFromVariant(int index, const Variant& value) {
  const TClsProp& prop = Prop(index);
  switch (prop.type) {
    case TPropType::Integer:
      SetIntValue(index, value.AsInt());
      return;
    case TPropType::Double:
    case TPropType::DateTime:
      SetFloatValue(index, value.AsDouble());
      return;
    case TPropType::String:
      SetStrValue(index, value.AsText());
      return;
    case TPropType::Boolean:
      SetIntValue(index, value.AsBool() ? 1 : 0);
      return;
    default:
      throw Exception(ClassName() + "." + prop.name + ": an owned object cannot be assigned");
  }
}

void TBaseDek::CopyTo(TBaseDek& destination) const {
  const bool sameLayout = &destination.Catalogue() == info_;
  for (int i = 0; i < info_->Count(); ++i) {
    const TClsProp& prop = info_->Props(i);
    if (IsObjectType(prop.type)) {
      TMemStream* source = StreamValue(i);
      const int target = destination.PropIndex(prop.name);
      TMemStream* copy = target >= 0 ? destination.StreamValue(target) : nullptr;
      if (source && copy && source != copy) {
        const int64_t position = source->Position();
        copy->Clear();
        copy->CopyFrom(*source, 0);
        copy->SetPosition(0);
        source->SetPosition(position);
      }
      continue;
    }
    if (sameLayout && prop.type == TPropType::String)
      destination.SetStrValue(i, GetStrView(i));
    else if (sameLayout && prop.type != TPropType::Boolean)
      std::memcpy(destination.Slot(prop), Slot(prop), SlotSize(prop.type));
    else
      destination.SetIndexValue(i, GetIndexValue(i));
  }
}

std::unique_ptr<TBaseDek> TBaseDek::Clone() const {
  std::unique_ptr<TBaseDek> copy = ClassType().Create();
  CopyTo(*copy);
  return copy;
}

// --- TBaseDek: column tables -----------------------------------------------------------------

namespace {

TMColumnClass ColumnClassOf(TPropTypeKind kind) {
  switch (kind) {
    case ptkInteger:
    case ptkInt64:
      return &NewColumn<TMIntColumn>;
    case ptkFloat:
      return &NewColumn<TMFloatColumn>;
    case ptkString:
    case ptkWString:
      return &NewColumn<TMStringColumn>;
    case ptkClass:
      return &NewColumn<TMBlobColumn>;
    case ptkBoolean:
      return &NewColumn<TMBoolColumn>;
    case ptkUnknown:
      break;
  }
  return nullptr;
}

bool IsBlobColumn(const TMColumn& column) {
  return dynamic_cast<const TMBlobColumn*>(&column) != nullptr;
}

}  // namespace

std::vector<TtmpCol> TBaseDek::MapColumns(const TMatrix& matrix) const {
  std::vector<TtmpCol> map;
  for (int c = 0; c < matrix.ColumnCount(); ++c) {
    const TMColumn& column = matrix.Columns(c);
    const int index = PropIndex(ColumnToProp(column.Name()));
    TtmpCol::Step step = TtmpCol::Skip;
    if (index >= 0) {
      const TPropType type = info_->Props(index).type;
      if (IsBlobColumn(column))
        step = StreamValue(index) ? TtmpCol::Blob : TtmpCol::Skip;
      else if (IsObjectType(type))
        step = TtmpCol::Skip;
      else if (type == TPropType::Integer && dynamic_cast<const TMIntColumn*>(&column))
        step = TtmpCol::Int;
      else if (IsFloat(type) && dynamic_cast<const TMFloatColumn*>(&column))
        step = TtmpCol::Float;
      else if (type == TPropType::String && dynamic_cast<const TMStringColumn*>(&column))
        step = TtmpCol::Str;
      else if (type == TPropType::Boolean && dynamic_cast<const TMBoolColumn*>(&column))
        step = TtmpCol::Bool;
      else
        step = TtmpCol::Convert;
    }
    map.push_back({index, step});
  }
  return map;
}

void TBaseDek::LoadMapped(TMatrix& matrix, const std::vector<TtmpCol>& map) {
  for (int c = 0; c < static_cast<int>(map.size()); ++c) {
    const TtmpCol& entry = map[c];
    if (entry.step == TtmpCol::Skip) continue;
    const TClsProp& prop = info_->Props(entry.propIndex);
    TMColumn& column = matrix.Columns(c);
    switch (entry.step) {
      case TtmpCol::Skip:
        break;
      case TtmpCol::Blob: {
        TMemStream* stream = StreamValue(entry.propIndex);
        stream->Clear();
        column.SaveBlobToStream(*stream);
        stream->SetPosition(0);
        break;
      }
      case TtmpCol::Int: {
        const int32_t v = column.GetAsInteger();
        std::memcpy(Slot(prop), &v, 4);
        break;
      }
      case TtmpCol::Float: {
        const double v = column.GetAsFloat();
        std::memcpy(Slot(prop), &v, 8);
        break;
      }
      case TtmpCol::Str:
        SetStrValue(entry.propIndex, column.GetAsString());
        break;
      case TtmpCol::Bool:
        *reinterpret_cast<uint8_t*>(Slot(prop)) = column.GetAsBoolean() ? 1 : 0;
        break;
      case TtmpCol::Convert:
        SetPropFromVariant(entry.propIndex, column.GetValue());
        break;
    }
  }
}

void TBaseDek::DefineColumns(TMatrix& matrix) {
  for (const TClsProp& prop : info_->PropList())
    if (const TMColumnClass columnClass = ColumnClassOf(prop.kind))
      matrix.AddColumn(columnClass, PropToColumn(prop.name));
}

void TBaseDek::LoadFromMatrix(TMatrix& matrix) {
  LoadMapped(matrix, MapColumns(matrix));
}

void TBaseDek::SaveToMatrix(TMatrix& matrix) {
  const int columns = matrix.ColumnCount();
  if (columnMap_ && static_cast<int>(columnMap_->size()) == columns) {
    for (int c = 0; c < columns; ++c) {
      const TtmpCol& entry = (*columnMap_)[c];
      if (entry.propIndex < 0 || entry.step == TtmpCol::Skip) continue;
      const TClsProp& prop = info_->Props(entry.propIndex);
      TMColumn& column = matrix.Columns(c);
      switch (entry.step) {
        case TtmpCol::Skip:
          break;
        case TtmpCol::Blob:
          column.LoadBlobFromStream(*StreamValue(entry.propIndex));
          break;
        case TtmpCol::Int: {
          int32_t v;
          std::memcpy(&v, Slot(prop), 4);
          column.SetAsInteger(v);
          break;
        }
        case TtmpCol::Float: {
          double v;
          std::memcpy(&v, Slot(prop), 8);
          column.SetAsFloat(v);
          break;
        }
        case TtmpCol::Str:
          column.SetAsString(GetStrValue(entry.propIndex));
          break;
        case TtmpCol::Bool:
          column.SetAsBoolean(*reinterpret_cast<const uint8_t*>(Slot(prop)) != 0);
          break;
        case TtmpCol::Convert:
          column.SetValue(GetIndexValue(entry.propIndex));
          break;
      }
    }
    return;
  }
  for (int c = 0; c < columns; ++c) {
    TMColumn& column = matrix.Columns(c);
    const std::string name = ColumnToProp(column.Name());
    const int index = PropIndex(name);
    if (index < 0) throw Exception(ClassName() + " " + Gbk("未定义属性") + name);
    if (IsBlobColumn(column)) {
      if (TMemStream* stream = StreamValue(index)) column.LoadBlobFromStream(*stream);
    } else {
      column.SetValue(GetPropValue(name));
    }
  }
}

// --- whole lists ---------------------------------------------------------------------------------

namespace {

// Writes rows into the current row of a matrix, defining the columns from the
// first row and computing the column-to-property map once for them.
class TRowStorer {
 public:
  explicit TRowStorer(TMatrix& matrix) : matrix_(matrix) {}

  // Defines the columns if there are none yet; true when the row will be
  // written through the shared map (every mapped column set, the others never).
  bool Prepare(TCustomObject& object) {
    TBaseDek* row = dynamic_cast<TBaseDek*>(&object);
    if (matrix_.ColumnCount() == 0) {
      map_.clear();
      object.DefineColumns(matrix_);
      mapClass_ = row ? &row->ClassType() : nullptr;
      if (row) map_ = row->MapColumns(matrix_);
    }
    return row && &row->ClassType() == mapClass_;
  }

  void Store(TCustomObject& object) {
    TBaseDek* row = dynamic_cast<TBaseDek*>(&object);
    if (!row) {
      object.SaveToMatrix(matrix_);
      return;
    }
    // A row of another class would read the map's indexes as its own: it goes by name.
    row->SetColumnMap(&row->ClassType() == mapClass_ ? &map_ : nullptr);
    try {
      row->SaveToMatrix(matrix_);
    } catch (...) {
      row->SetColumnMap(nullptr);
      throw;
    }
    row->SetColumnMap(nullptr);
  }

  // The row when it is of the map's class, so Store writes it through the map.
  const TBaseDek* MappedRow(const TCustomObject& object) const {
    const TBaseDek* row = dynamic_cast<const TBaseDek*>(&object);
    return row && &row->ClassType() == mapClass_ ? row : nullptr;
  }
  const std::vector<TtmpCol>& Map() const { return map_; }

 private:
  TMatrix& matrix_;
  std::vector<TtmpCol> map_;
  const TRowClass* mapClass_ = nullptr;
};

// A list in a one-row matrix, row by row: the row is rebuilt from fresh
// cells unless it is the map's class again, which sets every column the last
// such row set and leaves the same ones alone. Blob cells add to what they
// hold, so a table with a blob column always starts from fresh cells.
class TRowRecords {
 public:
  explicit TRowRecords(const std::vector<TCustomObject*>& rows) : rows_(rows), storer_(matrix_) {}

  // False when the first row defines no columns: later rows would define them
  // and the rows before would gain cells, which only a whole matrix can show.
  bool Usable() {
    if (rows_.empty()) return false;
    storer_.Prepare(*rows_.front());
    for (int i = 0; i < matrix_.ColumnCount(); ++i)
      if (dynamic_cast<const TMBlobColumn*>(&matrix_.Columns(i))) canReuse_ = false;
    for (const TtmpCol& entry : storer_.Map())
      if (entry.step == TtmpCol::Convert) sizeFromRows_ = false;
    return matrix_.ColumnCount() > 0;
  }
  TMatrix& Matrix() { return matrix_; }

  // The size of row index's record. A row of the map's class is sized from
  // the values the map would store, without storing them: texts and blobs by
  // their length, every other cell by its column type.
  int64_t RecordSize(size_t index, const std::vector<int>& types) {
    const TBaseDek* row = sizeFromRows_ ? storer_.MappedRow(*rows_[index]) : nullptr;
    const std::vector<TtmpCol>& map = storer_.Map();
    int64_t size = 1 + 4;
    for (size_t c = 0; row && c < map.size(); ++c) {
      switch (map[c].step) {
        case TtmpCol::Str:
          size += 4 + static_cast<int64_t>(row->GetStrView(map[c].propIndex).size());
          break;
        case TtmpCol::Blob:
          if (TMemStream* blob = row->StreamValue(map[c].propIndex))
            size += 4 + blob->Size();
          else
            row = nullptr;  // stored by name: measured below
          break;
        default:
          size += types[c] == 1 ? 4 : types[c] == 3 ? 1 : types[c] == 2 || types[c] == 6 ? 8 : 4;
          break;
      }
    }
    if (row) return size;
    Load(index);
    return matrix_.CurrentRowRecordSize(types);
  }

  void Load(size_t index) {
    TCustomObject& object = *rows_[index];
    const bool mapped = storer_.Prepare(object);
    if (!(mapped && reusable_) || matrix_.IsEmpty()) {
      matrix_.ClearRows();
      matrix_.Append();
    }
    storer_.Store(object);
    reusable_ = mapped && canReuse_;
  }

 private:
  const std::vector<TCustomObject*>& rows_;
  TMatrix matrix_;
  TRowStorer storer_;
  bool canReuse_ = true;
  bool reusable_ = false;
  bool sizeFromRows_ = true;
};

}  // namespace

void SaveRowsToMatrix(const TCustomObjList& list, TMatrix& matrix) {
  TRowStorer storer(matrix);
  const std::vector<TCustomObject*>& rows = list.List();
  constexpr size_t kAhead = 16;
  for (size_t i = 0; i < rows.size(); ++i) {
    // A sorted list visits its rows out of allocation order: fetch the rows
    // a few steps ahead so that their memory is there when they are written.
    if (i + kAhead < rows.size()) {
      const char* ahead = reinterpret_cast<const char*>(rows[i + kAhead]);
      __builtin_prefetch(ahead);
      __builtin_prefetch(ahead + 64);
      __builtin_prefetch(ahead + 128);
    }
    storer.Prepare(*rows[i]);
    matrix.Append();
    storer.Store(*rows[i]);
  }
}

void WriteRowsToTable(const TCustomObjList& list, TFileDB& db, std::string_view tableName) {
  TRowRecords records(list.List());
  if (!records.Usable()) {
    TMatrix matrix;
    SaveRowsToMatrix(list, matrix);
    db.WriteTable(tableName, matrix);
    return;
  }
  const size_t count = list.List().size();
  TMatrix& matrix = records.Matrix();
  const std::vector<int> types = matrix.ColumnTypes();
  // The form announces its size before its rows: one pass to size it, one to
  // write it. Rows of another class are stored to be sized, so one that
  // cannot be stored fails here, before the file changes.
  int64_t size = matrix.StreamHeadSize();
  for (size_t i = 0; i < count; ++i) size += records.RecordSize(i, types);
  if (size > std::numeric_limits<uint32_t>::max())
    throw Exception("The table " + std::string(tableName) + " is too large for its stream form");
  db.WriteTableStreamed(tableName, size, static_cast<uint32_t>(count), [&](TStream& out) {
    matrix.WriteStreamHead(out, static_cast<uint32_t>(size), static_cast<uint32_t>(count));
    int64_t at = matrix.StreamHeadSize();
    std::string record;
    for (size_t i = 0; i < count; ++i) {
      records.Load(i);
      at += matrix.WriteCurrentRowRecord(out, at, types, record);
    }
  });
}

bool IsRowTableForm(const uint8_t* form, int64_t size, const TRowClass& rowClass,
                    const char* loadKey, bool loadKeyCaseSensitive, uint32_t& rowCount) {
  if (!rowClass.CanCreate()) return false;
  const std::unique_ptr<TBaseDek> prototype = rowClass.Create();
  TMatrix schema;
  prototype->DefineColumns(schema);
  if (schema.ColumnCount() == 0) return false;
  const std::vector<TtmpCol> map = prototype->MapColumns(schema);
  // Every column must carry its value into the row and back unchanged; the
  // blob column of a property that holds no stream is written back empty.
  std::vector<int> emptyColumns;
  for (size_t c = 0; c < map.size(); ++c) {
    if (map[c].step == TtmpCol::Convert) return false;
    if (map[c].step != TtmpCol::Skip) continue;
    if (!dynamic_cast<const TMBlobColumn*>(&schema.Columns(static_cast<int>(c)))) return false;
    emptyColumns.push_back(static_cast<int>(c));
  }
  // Loading sorts on the load key: only keys strictly increasing in the
  // sort's own order leave every row where it is.
  int keyColumn = -1;
  TPropType keyType = TPropType::Integer;
  if (loadKey) {
    const int keyProp = prototype->PropIndex(loadKey);
    for (size_t c = 0; keyProp >= 0 && c < map.size() && keyColumn < 0; ++c)
      if (map[c].propIndex == keyProp) keyColumn = static_cast<int>(c);
    if (keyColumn < 0) return false;
    keyType = prototype->Catalogue().Props(keyProp).type;
    if (keyType != TPropType::Integer && keyType != TPropType::String && !IsFloat(keyType))
      return false;
  }
  bool first = true;
  int32_t lastInteger = 0;
  double lastFloat = 0;
  std::string lastText;
  std::string text;
  const auto keepsRow = [&](const std::vector<TFormValue>& values) {
    for (const int c : emptyColumns)
      if (values[static_cast<size_t>(c)].size != 0) return false;
    if (keyColumn < 0) return true;
    const TFormValue& key = values[static_cast<size_t>(keyColumn)];
    bool increasing = true;
    if (keyType == TPropType::Integer) {
      int32_t value = 0;
      std::memcpy(&value, key.data, 4);
      increasing = first || lastInteger < value;
      lastInteger = value;
    } else if (keyType == TPropType::String) {
      text.assign(reinterpret_cast<const char*>(key.data), static_cast<size_t>(key.size));
      ScrambleBytes(text.data(), text.size());
      increasing = first || (loadKeyCaseSensitive ? std::string_view(lastText).compare(text) < 0
                                                  : CompareTextAscii(lastText, text) < 0);
      lastText.swap(text);
    } else {
      double value = 0;
      std::memcpy(&value, key.data, 8);
      increasing = !std::isnan(value) && (first || lastFloat < value);
      lastFloat = value;
    }
    first = false;
    return increasing;
  };
  return IsWrittenForm(form, size, schema, keepsRow, rowCount);
}

void LoadRowsFromMatrix(TMatrix& matrix, const TRowClass& rowClass, TCustomObjList& list) {
  list.AssertOwns(true);
  std::vector<TtmpCol> map;
  bool mapped = false;
  for (matrix.First(); !matrix.Eof(); matrix.Next()) {
    std::unique_ptr<TBaseDek> row = rowClass.Create();
    if (!mapped) {
      map = row->MapColumns(matrix);
      mapped = true;
    }
    row->LoadMapped(matrix, map);
    list.AddObj(std::unique_ptr<TCustomObject>(row.release()));
  }
}

// --- class registry
// --------------------------------------------------------------------------------

void RegisterRowClass(const TRowClass& cls) {
  auto& classes = Registry().classes;
  if (std::find(classes.begin(), classes.end(), &cls) == classes.end()) classes.push_back(&cls);
}

namespace {
void EnsureTablesRegistered() {
  static const bool done = (RegisterDekObjects(), true);
  (void)done;
}
}  // namespace

const TRowClass* FindRowClass(std::string_view name) {
  EnsureTablesRegistered();
  for (const TRowClass* cls : Registry().classes)
    if (SameTextAscii(cls->Name(), name)) return cls;
  return nullptr;
}

std::vector<const TRowClass*> RegisteredRowClasses() {
  EnsureTablesRegistered();
  return Registry().classes;
}

bool InheritsFromClassName(const TCustomObject* object, const TRowClass& cls) {
  if (!object) return false;
  const TRowClass& own = object->ClassType();
  if (own.InheritsFrom(cls)) return true;
  for (const TRowClass* c = &own; c; c = c->Parent())
    if (SameTextTrimmed(c->Name(), cls.Name())) return true;
  return false;
}

}  // namespace xxj
