#include "quota/uObjList.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "quota/BaseDekClasses.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "support/Trace.h"

namespace xxj {
namespace {

[[noreturn]] void NoSuchPropInFilter(std::string_view name) {
  throw Exception(Gbk("找不到属性: ") + std::string(name));
}

int Sign(double d) {
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

template <class T>
int CompareNumbers(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// The platform's quicksort: the order of equal rows after a sort follows from
// this exact partitioning, and later lookups that find "any one" of several
// equal rows depend on it. The smaller side is recursed into so that no input
// can exhaust the stack; the ranges are disjoint, so the result is the same.
template <class Less>
void QuickSort(std::vector<TCustomObject*>& items, int left, int right, const Less& compare) {
  while (left < right) {
    int i = left;
    int j = right;
    TCustomObject* const pivot = items[(left + right) >> 1];
    do {
      while (compare(items[i], pivot) < 0) ++i;
      while (compare(items[j], pivot) > 0) --j;
      if (i <= j) {
        std::swap(items[i], items[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - left < right - i) {
      if (left < j) QuickSort(items, left, j, compare);
      left = i;
    } else {
      if (i < right) QuickSort(items, i, right, compare);
      right = j;
    }
  }
}

std::vector<std::string_view> NameVector(TNames names) {
  return std::vector<std::string_view>(names.begin(), names.end());
}

std::vector<std::string_view> NameVector(const std::vector<std::string>& names) {
  return std::vector<std::string_view>(names.begin(), names.end());
}

// A filter value as a variant; pointers and objects cannot be compared with a cell.
Variant FilterValue(const TVarRec& value) {
  switch (value.GetKind()) {
    case TVarRec::Kind::Pointer:
      throw Exception(Gbk("不支持指针过滤！"));
    case TVarRec::Kind::Object:
    case TVarRec::Kind::Class:
    case TVarRec::Kind::Interface:
      throw Exception(Gbk("不支持对象过滤！"));
    default:
      return value.AsVariant();
  }
}

Variant AssignedValue(const TVarRec& value) {
  switch (value.GetKind()) {
    case TVarRec::Kind::Pointer:
      throw Exception(Gbk("不支持指针"));
    case TVarRec::Kind::Variant:
      throw Exception(Gbk("不支持！"));
    case TVarRec::Kind::Object:
    case TVarRec::Kind::Class:
    case TVarRec::Kind::Interface:
      throw Exception(Gbk("不支持对象！"));
    default:
      return value.AsVariant();
  }
}

void RequireValues(size_t names, size_t values) {
  // A short value list would pair a name with no value at all.
  if (values < names)
    throw Exception(Gbk("值的个数少于属性的个数: ") + std::to_string(values) + " < " +
                    std::to_string(names));
}

bool IsTextKind(TPropTypeKind kind) {
  return kind == ptkString || kind == ptkWString;
}

}  // namespace

// --- TCustomObject ---------------------------------------------------------

std::string TCustomObject::ClassName() const {
  return ClassType().Name();
}

Variant TCustomObject::GetIndexValue(int index) const {
  switch (PropKind(index)) {
    case ptkInteger:
    case ptkClass:
      return Variant(GetIntValue(index));
    case ptkFloat:
      return Variant(GetFloatValue(index));
    case ptkString:
      return Variant(GetStrValue(index));
    case ptkWString:
      return Variant(GbkFromUtf16(GetWideStrValue(index)));
    case ptkInt64: {
      // The variant has no 64-bit kind: a value outside 32 bits travels as a double.
      const int64_t v = GetInt64Value(index);
      if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
        return Variant(static_cast<int32_t>(v));
      return Variant(static_cast<double>(v));
    }
    case ptkBoolean:
      return Variant(GetIntValue(index) != 0);
    case ptkUnknown:
      break;
  }
  return Variant();
}

void TCustomObject::SetIndexValue(int index, const Variant& value) {
  switch (PropKind(index)) {
    case ptkInteger:
    case ptkClass:
      SetIntValue(index, value.AsInt());
      return;
    case ptkFloat:
      SetFloatValue(index, value.AsDouble());
      return;
    case ptkString:
      SetStrValue(index, value.AsText());
      return;
    case ptkWString:
      SetWideStrValue(index, Utf16FromGbk(value.AsText()));
      return;
    case ptkInt64:
      SetInt64Value(index, static_cast<int64_t>(std::trunc(value.AsDouble())));
      return;
    case ptkBoolean: {
      // A variant true is -1: the absolute value makes it 1.
      const double d = std::trunc(value.AsDouble());
      const double magnitude = std::fabs(d);
      SetIntValue(index, magnitude > std::numeric_limits<int32_t>::max()
                             ? std::numeric_limits<int32_t>::max()
                             : static_cast<int32_t>(magnitude));
      return;
    }
    case ptkUnknown:
      return;
  }
}

Variant TCustomObject::GetValueByName(std::string_view name) const {
  const int index = PropIndex(name);
  if (index < 0) throw Exception("no such prop:" + std::string(name));
  return GetIndexValue(index);
}

// --- TVarRec ---------------------------------------------------------------

TVarRec::TVarRec(long long value) : kind_(Kind::Int64) {
  if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max())
    variant_ = Variant(static_cast<int32_t>(value));
  else
    variant_ = Variant(static_cast<double>(value));
}

TVarRec::TVarRec(std::u16string_view text)
    : kind_(Kind::WideString), variant_(GbkFromUtf16(text)) {}

TVarRec TVarRec::Currency(double value) {
  return TVarRec(Kind::Currency, Variant(value));
}

TVarRec TVarRec::Interface(const void* pointer) {
  TVarRec v(Kind::Interface, Variant());
  v.pointer_ = pointer;
  return v;
}

// --- TMultiSort ------------------------------------------------------------

int ComparePropValues(TPropTypeKind kind, const TCustomObject& a, const TCustomObject& b, int index,
                      bool caseSensitive) {
  switch (kind) {
    case ptkFloat:
      return Sign(a.GetFloatValue(index) - b.GetFloatValue(index));
    case ptkString: {
      const std::string_view x = a.GetStrView(index);
      const std::string_view y = b.GetStrView(index);
      if (caseSensitive) return CompareNumbers(x.compare(y), 0);
      return CompareNumbers(CompareTextAscii(x, y), 0);
    }
    case ptkWString: {
      // Wide strings are compared by code unit; no table declares one.
      std::u16string x = a.GetWideStrValue(index);
      std::u16string y = b.GetWideStrValue(index);
      if (!caseSensitive) {
        for (auto& c : x) c = (c >= u'a' && c <= u'z') ? c - 32 : c;
        for (auto& c : y) c = (c >= u'a' && c <= u'z') ? c - 32 : c;
      }
      return CompareNumbers(x.compare(y), 0);
    }
    case ptkInt64:
      return CompareNumbers(a.GetInt64Value(index), b.GetInt64Value(index));
    case ptkInteger:
    case ptkClass:
    case ptkBoolean:
      // Compared by value, not by a 32-bit difference that overflows for
      // keys of opposite sign far apart.
      return CompareNumbers(a.GetIntValue(index), b.GetIntValue(index));
    case ptkUnknown:
      break;
  }
  throw Exception("can't quick sort");
}

TMultiSort::TMultiSort(std::vector<int> indexes, std::vector<TPropTypeKind> kinds,
                       bool caseSensitive)
    : indexes_(std::move(indexes)), kinds_(std::move(kinds)), caseSensitive_(caseSensitive) {}

int TMultiSort::CompareUniform(const TCustomObject* a, const TCustomObject* b) const {
  const auto& x = static_cast<const TBaseDek&>(*a);
  const auto& y = static_cast<const TBaseDek&>(*b);
  for (size_t k = 0; k < indexes_.size(); ++k) {
    const TClsProp& prop = uniform_->Props(indexes_[k]);
    int r = 0;
    switch (prop.type) {
      case TPropType::Integer: {
        int32_t u, v;
        std::memcpy(&u, x.ValueBlock() + prop.offset, 4);
        std::memcpy(&v, y.ValueBlock() + prop.offset, 4);
        r = CompareNumbers(u, v);
        break;
      }
      case TPropType::Double:
      case TPropType::DateTime: {
        double u, v;
        std::memcpy(&u, x.ValueBlock() + prop.offset, 8);
        std::memcpy(&v, y.ValueBlock() + prop.offset, 8);
        r = Sign(u - v);
        break;
      }
      default:
        r = ComparePropValues(kinds_[k], x, y, indexes_[k], caseSensitive_);
    }
    if (r != 0) return r;
  }
  return 0;
}

int TMultiSort::Compare(const TCustomObject* a, const TCustomObject* b) const {
  if (a == b) return 0;
  if (uniform_) return CompareUniform(a, b);
  for (size_t k = 0; k < indexes_.size(); ++k) {
    const int r = ComparePropValues(kinds_[k], *a, *b, indexes_[k], caseSensitive_);
    if (r != 0) return r;
  }
  return 0;
}

// --- TInnerCompareObj ------------------------------------------------------

TInnerCompareObj::TInnerCompareObj(TPropTypeKind kind, const Variant& value) : kind_(kind) {
  switch (kind) {
    case ptkInteger:
    case ptkClass:
    case ptkBoolean:
      int_ = value.AsInt();
      break;
    case ptkFloat:
      float_ = value.AsDouble();
      break;
    case ptkString:
      str_ = value.AsText();
      break;
    case ptkWString:
      wide_ = Utf16FromGbk(value.AsText());
      break;
    case ptkInt64:
      int64_ = static_cast<int64_t>(std::trunc(value.AsDouble()));
      break;
    case ptkUnknown:
      break;
  }
}

namespace {
[[noreturn]] void KeyIsReadOnly() {
  throw Exception("TInnerCompareObj is a search key");
}
}  // namespace

void TInnerCompareObj::SetIntValue(int, int32_t) {
  KeyIsReadOnly();
}
void TInnerCompareObj::SetInt64Value(int, int64_t) {
  KeyIsReadOnly();
}
void TInnerCompareObj::SetFloatValue(int, double) {
  KeyIsReadOnly();
}
void TInnerCompareObj::SetStrValue(int, std::string_view) {
  KeyIsReadOnly();
}
void TInnerCompareObj::SetWideStrValue(int, std::u16string_view) {
  KeyIsReadOnly();
}
int TInnerCompareObj::PropIndex(std::string_view) const {
  KeyIsReadOnly();
}

const TRowClass& TInnerCompareObj::ClassRef() {
  static const TRowClass cls("TInnerCompareObj", &CustomObjectClass(), {}, nullptr);
  return cls;
}

const TRowClass& TInnerCompareObj::ClassType() const {
  return ClassRef();
}

// --- TCustomObjList: the plain list ------------------------------------------

TCustomObjList::TCustomObjList(bool ownsObjects) : ownsObjects_(ownsObjects) {}

TCustomObjList::~TCustomObjList() {
  result_.reset();
  if (ownsObjects_)
    for (TCustomObject* row : items_) delete row;
}

TCustomObject* TCustomObjList::Items(int index) const {
  if (index < 0 || index >= Count())
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  return items_[index];
}

void TCustomObjList::FreeRow(TCustomObject* row) const {
  if (ownsObjects_) delete row;
}

void TCustomObjList::Notify() {
  changed_ = true;
  sortedProp_ = -1;
}

int TCustomObjList::Add(TCustomObject* row) {
  items_.push_back(row);
  Notify();
  return Count() - 1;
}

void TCustomObjList::Insert(int index, TCustomObject* row) {
  if (index < 0 || index > Count())
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  items_.insert(items_.begin() + index, row);
  Notify();
}

void TCustomObjList::Delete(int index) {
  TCustomObject* row = Items(index);
  items_.erase(items_.begin() + index);
  FreeRow(row);
  Notify();
}

int TCustomObjList::Remove(TCustomObject* row) {
  const int index = IndexOf(row);
  if (index >= 0) Delete(index);
  return index;
}

TCustomObject* TCustomObjList::Extract(TCustomObject* row) {
  const int index = IndexOf(row);
  if (index < 0) return nullptr;
  items_.erase(items_.begin() + index);
  Notify();
  return row;
}

int TCustomObjList::IndexOf(const TCustomObject* row) const {
  const auto it = std::find(items_.begin(), items_.end(), row);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TCustomObjList::Exchange(int a, int b) {
  Items(a);
  Items(b);
  std::swap(items_[a], items_[b]);
}

void TCustomObjList::Clear() {
  if (items_.empty()) return;
  std::vector<TCustomObject*> rows;
  rows.swap(items_);
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) FreeRow(*it);
  Notify();
}

// --- ordered insertion and compare functions ---------------------------------

void TCustomObjList::AddObj(TCustomObject* row) {
  if (!row) return;
  if (!compare_) {
    Add(row);
    return;
  }
  int lo = 0;
  int hi = Count() - 1;
  while (lo <= hi) {
    const int mid = (lo + hi) >> 1;
    const int r = compare_(items_[mid], row);
    if (r < 0) {
      lo = mid + 1;
    } else if (r == 0) {
      Insert(mid, row);
      return;
    } else {
      hi = mid - 1;
    }
  }
  Insert(lo, row);
}

void TCustomObjList::AddObj(std::unique_ptr<TCustomObject> row) {
  // A list that does not own its rows would be left holding a freed one.
  AssertOwns(true);
  TCustomObject* raw = row.get();
  AddObj(raw);
  row.release();
}

void TCustomObjList::SetCompare(TListSortCompare compare) {
  if (compare == compare_) return;
  compare_ = compare;
  if (compare_ && Count() > 1) QuickSort(items_, 0, Count() - 1, compare_);
}

TCustomObject* TCustomObjList::FindByCompare(const TCustomObject* key) const {
  if (!key || !compare_) return nullptr;
  int lo = 0;
  int hi = Count() - 1;
  while (lo <= hi) {
    const int mid = (lo + hi) >> 1;
    const int r = compare_(items_[mid], key);
    if (r == 0) return items_[mid];
    if (r < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return nullptr;
}

// --- numbering, sorting, searching -------------------------------------------

int32_t TCustomObjList::NextValue(std::string_view name) const {
  if (items_.empty()) return 1;
  const int index = items_.front()->PropIndex(name);
  if (index < 0) NoSuchPropInFilter(name);
  int32_t largest = 0;
  for (const TCustomObject* row : items_) largest = std::max(largest, row->GetIntValue(index));
  return largest + 1;
}

std::vector<int> TCustomObjList::PropIndexes(const std::vector<std::string_view>& names) const {
  std::vector<int> indexes;
  indexes.reserve(names.size());
  for (const std::string_view name : names) {
    const int index = items_.front()->PropIndex(name);
    if (index < 0) NoSuchPropInFilter(name);
    indexes.push_back(index);
  }
  return indexes;
}

TMultiSort TCustomObjList::MakeSort(const std::vector<int>& indexes, bool caseSensitive) const {
  std::vector<TPropTypeKind> kinds;
  for (const int index : indexes) {
    const TPropTypeKind kind = items_.front()->PropKind(index);
    if (kind == ptkUnknown) throw Exception("can't quick sort");
    kinds.push_back(kind);
  }
  TMultiSort sort(indexes, kinds, caseSensitive);
  const auto* first = dynamic_cast<const TBaseDek*>(items_.front());
  const bool uniform = first && std::all_of(items_.begin(), items_.end(), [&](const auto* row) {
                         const auto* dek = dynamic_cast<const TBaseDek*>(row);
                         return dek && &dek->Catalogue() == &first->Catalogue();
                       });
  if (uniform) sort.SetUniformRows(&first->Catalogue());
  return sort;
}

void TCustomObjList::SortByIndexes(const std::vector<int>& indexes, bool caseSensitive) {
  const TMultiSort sort = MakeSort(indexes, caseSensitive);
  QuickSort(items_, 0, Count() - 1,
            [&sort](const TCustomObject* a, const TCustomObject* b) { return sort.Compare(a, b); });
  sortedProp_ = indexes.front();
  caseSensitive_ = caseSensitive;
}

void TCustomObjList::SortBy(TNames names, bool caseSensitive) {
  if (compare_) TraceLine(Gbk("序列表重新排序会破坏有序结构。"));
  if (items_.empty() || names.size() == 0) return;
  SortByIndexes(PropIndexes(NameVector(names)), caseSensitive);
}

void TCustomObjList::SortBy(const std::vector<std::string>& names, bool caseSensitive) {
  if (compare_) TraceLine(Gbk("序列表重新排序会破坏有序结构。"));
  if (items_.empty() || names.empty()) return;
  SortByIndexes(PropIndexes(NameVector(names)), caseSensitive);
}

void TCustomObjList::SortAndDedupe(TNames names) {
  SortAndDedupe(std::vector<std::string>(names.begin(), names.end()));
}

void TCustomObjList::SortAndDedupe(const std::vector<std::string>& names) {
  if (items_.empty() || names.empty()) return;
  const std::vector<int> indexes = PropIndexes(NameVector(names));
  SortByIndexes(indexes, false);
  const TMultiSort sort = MakeSort(indexes, false);
  for (int p = Count() - 1; p >= 1; --p)
    if (sort.Compare(items_[p], items_[p - 1]) == 0) Delete(p);
  // Removing rows keeps the order: the list stays searchable on its first key.
  sortedProp_ = indexes.front();
  caseSensitive_ = false;
}

TCustomObject* TCustomObjList::FindByProp(std::string_view name, const Variant& value) const {
  const int index = IndexOfValue(name, value, Count() - 1, 0);
  return index < 0 ? nullptr : items_[index];
}

int TCustomObjList::IndexOfValue(std::string_view name, const Variant& value, int last,
                                 int first) const {
  if (items_.empty() || last < first) return -1;
  first = std::max(first, 0);
  last = std::min(last, Count() - 1);
  const int index = items_.front()->PropIndex(name);
  if (index < 0) NoSuchPropInFilter(name);
  const TPropTypeKind kind = items_.front()->PropKind(index);
  if (index == sortedProp_) {
    if (kind == ptkUnknown) throw Exception("can't quick sort");
    const TInnerCompareObj key(kind, value);
    int lo = first;
    int hi = last;
    while (lo <= hi) {
      const int mid = (lo + hi) >> 1;
      const int r = ComparePropValues(kind, key, *items_[mid], index, caseSensitive_);
      if (r == 0) return mid;
      if (r > 0)
        lo = mid + 1;
      else
        hi = mid - 1;
    }
    return -1;
  }
  // Unsorted on this property: a scan with the filter's condition, strings
  // ignoring case. It leaves the filter result list alone.
  for (int i = first; i <= last; ++i) {
    const Variant cell = items_[i]->GetIndexValue(index);
    const bool match =
        IsTextKind(kind) ? SameTextAscii(cell.AsText(), value.AsText()) : cell == value;
    if (match) return i;
  }
  return -1;
}

// --- filtering and bulk assignment ---------------------------------------------

void TCustomObjList::RunFilter(const std::vector<std::string_view>& names, bool caseSensitive,
                               int maxCount, const std::vector<TVarRec>& values, int first,
                               int last) {
  if (!result_) result_ = std::make_unique<TCustomObjList>(false);
  result_->Clear();
  if (items_.empty()) return;
  RequireValues(names.size(), values.size());
  const std::vector<int> indexes = PropIndexes(names);
  std::vector<TPropTypeKind> kinds;
  std::vector<Variant> wanted;
  for (size_t k = 0; k < indexes.size(); ++k) {
    kinds.push_back(items_.front()->PropKind(indexes[k]));
    wanted.push_back(FilterValue(values[k]));
  }
  for (int i = std::max(first, 0); i <= std::min(last, Count() - 1); ++i) {
    if (maxCount >= 1 && result_->Count() >= maxCount) break;
    TCustomObject* row = items_[i];
    bool all = true;
    for (size_t k = 0; k < indexes.size() && all; ++k) {
      const Variant cell = row->GetIndexValue(indexes[k]);
      if (caseSensitive || !IsTextKind(kinds[k]))
        all = cell == wanted[k];
      else
        all = SameTextAscii(cell.AsText(), wanted[k].AsText());
    }
    if (all) result_->Add(row);
  }
}

TCustomObjList& TCustomObjList::Filter(TNames names, bool caseSensitive, int maxCount,
                                       TValues values) {
  RunFilter(NameVector(names), caseSensitive, maxCount,
            std::vector<TVarRec>(values.begin(), values.end()), 0, Count() - 1);
  return *result_;
}

TCustomObject* TCustomObjList::FindFirst(TNames names, bool caseSensitive, TValues values) {
  TCustomObjList& found = Filter(names, caseSensitive, 1, values);
  return found.Count() > 0 ? found.items_.front() : nullptr;
}

std::string TCustomObjList::LookupValue(TNames names, bool caseSensitive,
                                        std::string_view resultName, TValues values) {
  const TCustomObject* row = FindFirst(names, caseSensitive, values);
  return row ? row->GetValueByName(resultName).AsText() : std::string();
}

void TCustomObjList::SetPropValues(TNames names, TValues values) {
  if (items_.empty()) return;
  RequireValues(names.size(), values.size());
  const std::vector<int> indexes = PropIndexes(NameVector(names));
  std::vector<Variant> assigned;
  for (const TVarRec& value : values) assigned.push_back(AssignedValue(value));
  for (TCustomObject* row : items_)
    for (size_t k = 0; k < indexes.size(); ++k) row->SetIndexValue(indexes[k], assigned[k]);
}

Variant TCustomObjList::GetValueAt(int index, std::string_view name) const {
  const TCustomObject* row = Items(index);
  const int prop = row->PropIndex(name);
  if (prop < 0) throw Exception("unknow property name:" + std::string(name));
  return row->GetIndexValue(prop);
}

TCustomObjList& TCustomObjList::AssertOwns(bool mustOwn) {
  if (mustOwn && !ownsObjects_) throw Exception("This List must set 'OwnsObjects = True'");
  if (!mustOwn && ownsObjects_) throw Exception("This List must set 'OwnsObjects = False'");
  return *this;
}

void AppendList(TCustomObjList& list, const TCustomObjList& other) {
  // A copy of the pointers first: appending a list to itself must not chase its own end.
  const std::vector<TCustomObject*> rows = other.List();
  for (TCustomObject* row : rows) list.Add(row);
}

}  // namespace xxj
