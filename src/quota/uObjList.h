#pragma once
// The row interface every table row answers to, and the row lists that hold
// the tables of a quota library in memory: sorting on several columns, binary
// search on the column last sorted on, filtering, ordered insertion and a
// change flag that tells consumers when their derived indexes are stale.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/Variant.h"

namespace xxj {

class TMatrix;
class TRowClass;
class TClsInfo;
class TCustomObjList;
class TMultiSort;

// How a declared property is held and compared.
enum TPropTypeKind : uint8_t {
  ptkUnknown = 0,
  ptkInteger = 1,
  ptkFloat = 2,
  ptkString = 3,
  ptkClass = 4,
  ptkWString = 5,
  ptkInt64 = 6,
  ptkBoolean = 7,
};

// A row: any property readable and writable by its catalogue position in the
// property's own type. Rows of every table, and the search key of the lists,
// implement it.
class TCustomObject {
 public:
  virtual ~TCustomObject() = default;

  virtual int32_t GetIntValue(int index) const = 0;
  virtual int64_t GetInt64Value(int index) const = 0;
  virtual double GetFloatValue(int index) const = 0;
  virtual std::string GetStrValue(int index) const = 0;
  virtual std::u16string GetWideStrValue(int index) const = 0;
  virtual void SetIntValue(int index, int32_t value) = 0;
  virtual void SetInt64Value(int index, int64_t value) = 0;
  virtual void SetFloatValue(int index, double value) = 0;
  virtual void SetStrValue(int index, std::string_view value) = 0;
  virtual void SetWideStrValue(int index, std::u16string_view value) = 0;
  virtual TPropTypeKind PropKind(int index) const = 0;
  // -1 when the class has no such property; names compare without ASCII case.
  virtual int PropIndex(std::string_view name) const = 0;
  virtual void SaveToMatrix(TMatrix& /*matrix*/) {}
  virtual void LoadFromMatrix(TMatrix& /*matrix*/) {}
  virtual void DefineColumns(TMatrix& /*matrix*/) {}

  // A string property without a copy; valid until the row's strings change.
  // Sorting and searching a code column of a large table compare through it.
  virtual std::string_view GetStrView(int index) const = 0;
  // The row's class, for the class registry and class-name tests.
  virtual const TRowClass& ClassType() const = 0;
  std::string ClassName() const;

  // Kind-directed access: the value travels as a variant in the property's own kind.
  Variant GetIndexValue(int index) const;
  void SetIndexValue(int index, const Variant& value);
  // PropIndex then GetIndexValue; an unknown name raises "no such prop:" + name.
  Variant GetValueByName(std::string_view name) const;
  bool HasProp(std::string_view name) const { return PropIndex(name) != -1; }
};

// A value of a name = value list (filters, bulk assignment), tagged with the
// kind the caller passed, so that pointers and objects can be refused.
class TVarRec {
 public:
  enum class Kind {
    Integer,
    Boolean,
    Char,
    Extended,
    String,
    PChar,
    WideChar,
    WideString,
    Int64,
    Currency,
    Variant,
    Pointer,
    Object,
    Class,
    Interface
  };

  TVarRec(int value) : kind_(Kind::Integer), variant_(static_cast<int32_t>(value)) {}
  TVarRec(long value) : TVarRec(static_cast<long long>(value)) {}
  TVarRec(long long value);
  TVarRec(bool value) : kind_(Kind::Boolean), variant_(value) {}
  TVarRec(char value) : kind_(Kind::Char), variant_(std::string(1, value)) {}
  TVarRec(char16_t value) : kind_(Kind::WideChar), variant_(static_cast<int32_t>(value)) {}
  TVarRec(double value) : kind_(Kind::Extended), variant_(value) {}
  TVarRec(const char* text) : kind_(Kind::PChar), variant_(std::string(text ? text : "")) {}
  TVarRec(std::string text) : kind_(Kind::String), variant_(std::move(text)) {}
  TVarRec(std::string_view text) : kind_(Kind::String), variant_(std::string(text)) {}
  TVarRec(std::u16string_view text);
  TVarRec(const Variant& value) : kind_(Kind::Variant), variant_(value) {}
  TVarRec(const void* pointer) : kind_(Kind::Pointer), pointer_(pointer) {}
  TVarRec(const TCustomObject* object) : kind_(Kind::Object), pointer_(object) {}
  TVarRec(const TCustomObjList* object) : kind_(Kind::Object), pointer_(object) {}
  TVarRec(const TRowClass* cls) : kind_(Kind::Class), pointer_(cls) {}
  static TVarRec Currency(double value);
  static TVarRec Interface(const void* pointer);

  Kind GetKind() const { return kind_; }
  // The value as a variant: a character becomes a one-character string, a wide
  // character its 16-bit number, a wide string GBK text. Pointers and objects
  // have no variant form and read as empty.
  const Variant& AsVariant() const { return variant_; }

 private:
  TVarRec(Kind kind, Variant value) : kind_(kind), variant_(std::move(value)) {}
  Kind kind_;
  Variant variant_;
  const void* pointer_ = nullptr;
};

using TNames = std::initializer_list<std::string_view>;
using TValues = std::initializer_list<TVarRec>;

// Orders two rows for ordered insertion and FindByCompare; <0, 0, >0.
using TListSortCompare = int (*)(const TCustomObject* a, const TCustomObject* b);

// An ordered list of rows that usually owns them.
class TCustomObjList {
 public:
  explicit TCustomObjList(bool ownsObjects = true);
  virtual ~TCustomObjList();
  TCustomObjList(const TCustomObjList&) = delete;
  TCustomObjList& operator=(const TCustomObjList&) = delete;

  // --- the plain object list ---
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises "List index out of bounds (i)" outside 0 .. Count - 1.
  TCustomObject* Items(int index) const;
  TCustomObject* operator[](int index) const { return Items(index); }
  template <class T>
  T* At(int index) const {
    return static_cast<T*>(Items(index));
  }
  int Add(TCustomObject* row);
  void Insert(int index, TCustomObject* row);
  // Frees the row when the list owns its rows.
  void Delete(int index);
  int Remove(TCustomObject* row);
  // Takes the row out of the list without freeing it; none when absent.
  TCustomObject* Extract(TCustomObject* row);
  int IndexOf(const TCustomObject* row) const;
  void Exchange(int a, int b);
  virtual void Clear();
  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool owns) { ownsObjects_ = owns; }
  const std::vector<TCustomObject*>& List() const { return items_; }

  // --- row list operations ---
  // Ignores a missing row; inserts in order when a compare function is set, else appends.
  virtual void AddObj(TCustomObject* row);
  void AddObj(std::unique_ptr<TCustomObject> row);
  void SetCompare(TListSortCompare compare);
  TListSortCompare Compare() const { return compare_; }
  TCustomObject* FindByCompare(const TCustomObject* key) const;

  // Largest value of an integer column plus one (at least 1).
  int32_t NextValue(std::string_view name) const;
  void SortBy(TNames names, bool caseSensitive);
  void SortBy(const std::vector<std::string>& names, bool caseSensitive);
  // Sorts ignoring case, then removes every row equal to its predecessor.
  void SortAndDedupe(TNames names);
  void SortAndDedupe(const std::vector<std::string>& names);
  TCustomObject* FindByProp(std::string_view name, const Variant& value) const;
  int IndexOfValue(std::string_view name, const Variant& value, int last, int first) const;

  // The returned list is this list's one result list: the next filter
  // operation on this list empties it.
  TCustomObjList& Filter(TNames names, bool caseSensitive, int maxCount, TValues values);
  TCustomObject* FindFirst(TNames names, bool caseSensitive, TValues values);
  std::string LookupValue(TNames names, bool caseSensitive, std::string_view resultName,
                          TValues values);
  void SetPropValues(TNames names, TValues values);
  Variant GetValueAt(int index, std::string_view name) const;
  TCustomObjList& AssertOwns(bool mustOwn);

  bool Changed() const { return changed_; }
  void SetChanged(bool changed) { changed_ = changed; }
  int SortedProp() const { return sortedProp_; }
  bool CaseSensitive() const { return caseSensitive_; }

 protected:
  // Every add, insert, delete and extract passes here.
  virtual void Notify();

 private:
  void SortByIndexes(const std::vector<int>& indexes, bool caseSensitive);
  TMultiSort MakeSort(const std::vector<int>& indexes, bool caseSensitive) const;
  std::vector<int> PropIndexes(const std::vector<std::string_view>& names) const;
  void RunFilter(const std::vector<std::string_view>& names, bool caseSensitive, int maxCount,
                 const std::vector<TVarRec>& values, int first, int last);
  void FreeRow(TCustomObject* row) const;

  std::vector<TCustomObject*> items_;
  bool ownsObjects_;
  std::unique_ptr<TCustomObjList> result_;
  TListSortCompare compare_ = nullptr;
  int sortedProp_ = -1;
  bool caseSensitive_ = false;
  bool changed_ = false;
};

// The class of every table list and of list-typed row properties.
class TDekObjList : public TCustomObjList {
 public:
  using TCustomObjList::TCustomObjList;
};

// The multi-key comparison of one sort.
class TMultiSort {
 public:
  TMultiSort(std::vector<int> indexes, std::vector<TPropTypeKind> kinds, bool caseSensitive);
  // When every row compared is a table row of one class, values are read
  // straight from the rows' value blocks.
  void SetUniformRows(const TClsInfo* catalogue) { uniform_ = catalogue; }
  int Compare(const TCustomObject* a, const TCustomObject* b) const;

 private:
  int CompareUniform(const TCustomObject* a, const TCustomObject* b) const;
  std::vector<int> indexes_;
  std::vector<TPropTypeKind> kinds_;
  bool caseSensitive_;
  const TClsInfo* uniform_ = nullptr;
};

// Compares property `index` of two rows by its kind; raises "can't quick sort" for ptkUnknown.
int ComparePropValues(TPropTypeKind kind, const TCustomObject& a, const TCustomObject& b, int index,
                      bool caseSensitive);

// A search key: one value held in a kind, answered for whatever index is asked.
class TInnerCompareObj final : public TCustomObject {
 public:
  TInnerCompareObj(TPropTypeKind kind, const Variant& value);

  int32_t GetIntValue(int) const override { return int_; }
  int64_t GetInt64Value(int) const override { return int64_; }
  double GetFloatValue(int) const override { return float_; }
  std::string GetStrValue(int) const override { return str_; }
  std::u16string GetWideStrValue(int) const override { return wide_; }
  std::string_view GetStrView(int) const override { return str_; }
  void SetIntValue(int, int32_t) override;
  void SetInt64Value(int, int64_t) override;
  void SetFloatValue(int, double) override;
  void SetStrValue(int, std::string_view) override;
  void SetWideStrValue(int, std::u16string_view) override;
  TPropTypeKind PropKind(int) const override { return kind_; }
  int PropIndex(std::string_view) const override;
  const TRowClass& ClassType() const override;
  static const TRowClass& ClassRef();

 private:
  TPropTypeKind kind_;
  int32_t int_ = 0;
  int64_t int64_ = 0;
  double float_ = 0;
  std::string str_;
  std::u16string wide_;
};

// Appends the rows of other to list, in order, without copying them.
void AppendList(TCustomObjList& list, const TCustomObjList& other);

}  // namespace xxj
