#pragma once
// The persistent row framework. A row class declares its properties once, in
// order, with their types; that declaration is the table schema. The framework
// builds a catalogue from it, stores each row's values typed in one block laid
// out by the catalogue, and maps rows onto column tables (TMatrix).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "quota/uObjList.h"

namespace xxj {

class TBaseDek;
class TFileDB;
class TMemStream;
class TClsInfo;

// The declared type of a property: the letters of the table schemas plus the
// two kinds of owned object a row may hold.
enum class TPropType : uint8_t {
  Integer,       // I: 32-bit signed
  String,        // S: byte string (GBK)
  Double,        // D
  DateTime,      // T: a double counting days since 1899-12-30
  Boolean,       // B: held as its ordinal
  MemoryStream,  // M: a binary block owned by the row
  ObjList,       // an owned, initially empty row list
  Object,        // any other object class, named by the declaration
};

char TypeLetter(TPropType type);
TPropTypeKind KindOfType(TPropType type);

struct TPropDecl {
  const char* name;
  TPropType type;
  // For TPropType::Object: the declared class name.
  const char* className = nullptr;
};

// A row class as the program knows it at run time: its name, its base, its own
// property declarations and its virtual constructor.
class TRowClass {
 public:
  using Factory = std::unique_ptr<TBaseDek> (*)();

  // `columnAlias` names one column ("Unit") whose property is the column name
  // followed by "_", for the classes whose column name cannot be a property name.
  TRowClass(const char* name, const TRowClass* parent, std::span<const TPropDecl> ownProps,
            Factory factory, const char* columnAlias = nullptr);
  TRowClass(const TRowClass&) = delete;
  TRowClass& operator=(const TRowClass&) = delete;

  const std::string& Name() const { return name_; }
  const TRowClass* Parent() const { return parent_; }
  std::span<const TPropDecl> OwnProps() const { return ownProps_; }
  const char* ColumnAlias() const { return columnAlias_; }
  // Identity of class, not name.
  bool InheritsFrom(const TRowClass& other) const;
  // Creates a row through the class's virtual constructor; raises for a class
  // that cannot be instantiated.
  std::unique_ptr<TBaseDek> Create() const;
  bool CanCreate() const { return factory_ != nullptr; }

 private:
  friend class TClassInfoManager;
  std::string name_;
  const TRowClass* parent_;
  std::span<const TPropDecl> ownProps_;
  Factory factory_;
  const char* columnAlias_;
  mutable const TClsInfo* info_ = nullptr;  // cache of the manager's entry
};

// The root of the class chain (TCustomObject declares no properties).
const TRowClass& CustomObjectClass();

// One property of a catalogue entry.
struct TClsProp {
  std::string name;
  TPropType type;
  TPropTypeKind kind;
  // Byte offset in the row's value block; for strings, the slot in the row's text block.
  uint32_t offset;
  std::string className;
};

// The catalogue entry of one class: its properties in property-index order,
// base classes first, and where each value lives in a row.
class TClsInfo {
 public:
  explicit TClsInfo(const TRowClass& cls);
  TClsInfo(const TClsInfo&) = delete;
  TClsInfo& operator=(const TClsInfo&) = delete;

  const TRowClass& ClassType() const { return cls_; }
  int Count() const { return static_cast<int>(props_.size()); }
  const TClsProp& Props(int index) const { return props_[index]; }
  const std::vector<TClsProp>& PropList() const { return props_; }
  // The first property whose name equals `name` ignoring ASCII case, or -1.
  int PropIndex(std::string_view name) const;
  uint32_t BlockSize() const { return blockSize_; }
  // Bytes of a row object of this class before its value block, once a row was made with new.
  uint32_t InstanceSize() const { return instanceSize_; }
  int StringCount() const { return stringCount_; }
  // Indexes of the object-typed properties, which rows create and free.
  const std::vector<int>& ObjectProps() const { return objectProps_; }

 private:
  const TRowClass& cls_;
  std::vector<TClsProp> props_;
  // Open-addressed table of property indexes + 1, keyed by upper-cased name.
  std::vector<int> nameSlots_;
  uint32_t blockSize_ = 0;
  friend class TBaseDek;
  mutable uint32_t instanceSize_ = 0;
  int stringCount_ = 0;
  std::vector<int> objectProps_;
};

// The process-wide catalogue: one entry per class, built on first use, freed
// at program end.
class TClassInfoManager {
 public:
  static TClassInfoManager& Instance();
  const TClsInfo& Find(const TRowClass& cls);
  int Count() const { return static_cast<int>(entries_.size()); }
  ~TClassInfoManager();

 private:
  TClassInfoManager();
  std::vector<std::unique_ptr<TClsInfo>> entries_;
};

// The trace lines written when the catalogue is freed at program end.
std::vector<std::string> CatalogueFinalizationLines();

// The property index that belongs to one matrix column while a list of rows
// is written or read (-1: none), and how the cell travels, decided once per
// table from the column and property types.
struct TtmpCol {
  enum Step : uint8_t { Skip, Blob, Int, Float, Str, Bool, Convert };
  int propIndex;
  Step step = Convert;
};

// The base of every table row.
class TBaseDek : public TCustomObject {
 public:
  static constexpr int PropCount = 0;
  static const TRowClass& ClassRef();

  ~TBaseDek() override;
  TBaseDek(const TBaseDek&) = delete;

  // A row made with new carries its value block right behind the object: one
  // allocation per row. A row made otherwise (on the stack) gets a block of its own.
  static void* AllocateRow(std::size_t size, const TRowClass& cls);
  static void operator delete(void* row) { ::operator delete(row); }
  TBaseDek& operator=(const TBaseDek&) = delete;

  int32_t GetIntValue(int index) const override;
  int64_t GetInt64Value(int index) const override;
  double GetFloatValue(int index) const override;
  std::string GetStrValue(int index) const override;
  std::u16string GetWideStrValue(int index) const override;
  std::string_view GetStrView(int index) const override;
  void SetIntValue(int index, int32_t value) override;
  void SetInt64Value(int index, int64_t value) override;
  void SetFloatValue(int index, double value) override;
  void SetStrValue(int index, std::string_view value) override;
  void SetWideStrValue(int index, std::u16string_view value) override;
  TPropTypeKind PropKind(int index) const override;
  int PropIndex(std::string_view name) const override;
  void SaveToMatrix(TMatrix& matrix) override;
  void LoadFromMatrix(TMatrix& matrix) override;
  void DefineColumns(TMatrix& matrix) override;
  const TRowClass& ClassType() const override { return info_->ClassType(); }

  // Property name of a column (or nested-row field) name, and back. Identity
  // except for a class with a column alias: "Unit" <-> "Unit_".
  virtual std::string ColumnToProp(std::string_view name) const;
  virtual std::string PropToColumn(std::string_view name) const;

  const TClsInfo& Catalogue() const { return *info_; }
  // The memory stream held by an object-typed property, or none.
  TMemStream* StreamValue(int index) const;
  // The row list held by a list-typed property, or none.
  TDekObjList* ListValue(int index) const;

  // By name with the platform's variant conversion; an unknown name raises
  // "Property <name> does not exist".
  Variant GetPropValue(std::string_view name) const;
  void SetPropValue(std::string_view name, const Variant& value);

  void CopyTo(TBaseDek& destination) const;
  std::unique_ptr<TBaseDek> Clone() const;

  // The column map shared by the rows of one whole-list save; none otherwise.
  void SetColumnMap(const std::vector<TtmpCol>* map) { columnMap_ = map; }
  // The column map of `matrix` for rows of this class: one entry per column.
  std::vector<TtmpCol> MapColumns(const TMatrix& matrix) const;
  // Reads the current row of `matrix` through a map made by MapColumns.
  void LoadMapped(TMatrix& matrix, const std::vector<TtmpCol>& map);

  // The value block, for comparisons that read many rows of one class.
  const std::byte* ValueBlock() const { return values_; }

 protected:
  explicit TBaseDek(const TRowClass& cls);

 private:
  const TClsProp& Prop(int index) const;
  const TClsProp& PropOfKind(int index, bool (*accepts)(TPropType), const char* what) const;
  void* Slot(const TClsProp& prop) const { return values_ + prop.offset; }
  bool OwnsBlock() const;
  void SetPropFromVariant(int index, const Variant& value);
  void FreeObjects();

  const TClsInfo* info_;
  const std::vector<TtmpCol>* columnMap_ = nullptr;
  std::byte* values_ = nullptr;
  // Text block: one cumulative end offset per string property, then the bytes.
  char* texts_ = nullptr;
};

// Writes every row of `list`, in order, into a matrix created empty; the
// column-to-property map is computed once for the whole list.
void SaveRowsToMatrix(const TCustomObjList& list, TMatrix& matrix);
// Stores every row of a non-empty `list`, in order, as table tableName of db:
// the same table SaveRowsToMatrix and WriteTable store, written row by row
// without a matrix of the whole list.
void WriteRowsToTable(const TCustomObjList& list, TFileDB& db, std::string_view tableName);
// Reads every row of `matrix`, from the first to the last, into new rows of
// `rowClass` appended with AddObj; columns are matched to properties once for
// the whole table.
void LoadRowsFromMatrix(TMatrix& matrix, const TRowClass& rowClass, TCustomObjList& list);
// Whether a stored stream form is exactly what loading it as rows of
// rowClass, sorting them on loadKey (none: no sort) and writing them back
// would store: then the form itself can be stored again without making rows.
// rowCount receives the rows of such a form.
bool IsRowTableForm(const uint8_t* form, int64_t size, const TRowClass& rowClass,
                    const char* loadKey, bool loadKeyCaseSensitive, uint32_t& rowCount);

// The class registry: classes found by name (ASCII case ignored) and created
// through their virtual constructor. The quota library table classes are
// registered before the first lookup.
void RegisterRowClass(const TRowClass& cls);
const TRowClass* FindRowClass(std::string_view name);
std::vector<const TRowClass*> RegisteredRowClasses();

// True when the object is of the class, or when its class or one of its
// ancestors has the class's name (blanks trimmed, ASCII case ignored).
bool InheritsFromClassName(const TCustomObject* object, const TRowClass& cls);

}  // namespace xxj

// --- Declaring row classes -------------------------------------------------
// A class's properties are an X-macro list of P(Name, Type) entries; one
// XXJ_DECLARE_ROW_CLASS in a header gives the class its property-index
// constants (Cls::Name), and one XXJ_DEFINE_ROW_CLASS in a source file its
// run-time class.

#define XXJ_ROW_PROP_INDEX(name, type) name,
#define XXJ_ROW_PROP_DECL(name, type) {#name, ::xxj::TPropType::type},

#define XXJ_DECLARE_ROW_CLASS(Cls, Base, PROPS)                                           \
  class Cls : public Base {                                                               \
   public:                                                                                \
    enum : int { FirstProp_ = Base::PropCount - 1, PROPS(XXJ_ROW_PROP_INDEX) PropCount }; \
    static const ::xxj::TRowClass& ClassRef();                                            \
    static void* operator new(std::size_t size) {                                         \
      return ::xxj::TBaseDek::AllocateRow(size, ClassRef());                              \
    }                                                                                     \
    Cls() : Base(ClassRef()) {}                                                           \
                                                                                          \
   protected:                                                                             \
    explicit Cls(const ::xxj::TRowClass& cls) : Base(cls) {}                              \
  }

#define XXJ_DEFINE_ROW_CLASS(Cls, Base, PROPS, alias)                                            \
  const ::xxj::TRowClass& Cls::ClassRef() {                                                      \
    static constexpr ::xxj::TPropDecl props[] = {                                                \
        PROPS(XXJ_ROW_PROP_DECL){nullptr, ::xxj::TPropType::Integer}};                           \
    static const ::xxj::TRowClass cls(                                                           \
        #Cls, &Base::ClassRef(), std::span<const ::xxj::TPropDecl>(props, std::size(props) - 1), \
        []() -> std::unique_ptr<::xxj::TBaseDek> { return std::make_unique<Cls>(); }, alias);    \
    return cls;                                                                                  \
  }
