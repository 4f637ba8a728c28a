#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "quota/DekObjects.h"
#include "quota/TestRows.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "testutil/ErrorText.h"
#include "testutil/TestPrefix.h"
#include "testutil/TraceCapture.h"

namespace xxj {
namespace {

using testing::TTestRow;

using testing::ErrorOf;

TDek_TXXJ* AddPrice(TCustomObjList& list, int32_t id, int32_t year, double jan = 0) {
  auto row = std::make_unique<TDek_TXXJ>();
  row->SetIntValue(TDek_TXXJ::ID, id);
  row->SetIntValue(TDek_TXXJ::YEAR, year);
  row->SetFloatValue(TDek_TXXJ::JAN, jan);
  TDek_TXXJ* raw = row.get();
  list.AddObj(std::unique_ptr<TCustomObject>(std::move(row)));
  return raw;
}

TTestRow* AddNamed(TCustomObjList& list, int32_t id, const std::string& name) {
  auto row = std::make_unique<TTestRow>();
  row->SetIntValue(TTestRow::ID, id);
  row->SetStrValue(TTestRow::Name, name);
  TTestRow* raw = row.get();
  list.AddObj(std::unique_ptr<TCustomObject>(std::move(row)));
  return raw;
}

std::string Names(const TCustomObjList& list) {
  std::string names;
  for (int i = 0; i < list.Count(); ++i) names += list.At<TTestRow>(i)->GetStrValue(TTestRow::Name);
  return names;
}

std::vector<int32_t> Ids(const TCustomObjList& list) {
  std::vector<int32_t> ids;
  for (int i = 0; i < list.Count(); ++i) ids.push_back(list[i]->GetIntValue(0));
  return ids;
}

int ById(const TCustomObject* a, const TCustomObject* b) {
  return a->GetIntValue(0) < b->GetIntValue(0) ? -1 : (a->GetIntValue(0) > b->GetIntValue(0));
}
int ByYear(const TCustomObject* a, const TCustomObject* b) {
  return a->GetIntValue(1) < b->GetIntValue(1) ? -1 : (a->GetIntValue(1) > b->GetIntValue(1));
}

// --- change tracking and numbering ---

TEST(RowList, ChangesAreFlaggedButSortingIsNot) {
  TDekObjList list;
  EXPECT_FALSE(list.Changed());
  AddPrice(list, 2, 2020);
  AddPrice(list, 1, 2020);
  EXPECT_TRUE(list.Changed());
  list.SetChanged(false);
  list.SortBy({"ID"}, true);
  EXPECT_FALSE(list.Changed());
  EXPECT_EQ(list.SortedProp(), TDek_TXXJ::ID);
  TCustomObject* row = list.Extract(list[0]);
  EXPECT_TRUE(list.Changed());
  EXPECT_EQ(list.SortedProp(), -1);
  delete row;
}

TEST(RowList, NextValueIsTheLargestKeyPlusOneAndAtLeastOne) {
  const std::vector<std::pair<std::vector<int32_t>, int32_t>> cases = {
      {{}, 1}, {{-5, -2}, 1}, {{3, 9, 4}, 10}, {{0}, 1}};
  for (const auto& [ids, next] : cases) {
    TDekObjList list;
    for (const int32_t id : ids) AddPrice(list, id, 2020);
    EXPECT_EQ(list.NextValue("id"), next) << ids.size();
  }
}

// --- sorting ---

TEST(RowList, SortKeepsTheQuicksortOrderOfEqualRows) {
  // Equal keys come out in the order this quicksort's partitioning leaves
  // them; code that finds "any one" of equal rows sees exactly that one.
  TDekObjList list;
  const int32_t keys[] = {3, 1, 2, 1, 3, 2, 1, 2, 3, 1};
  for (int i = 0; i < 10; ++i) AddNamed(list, keys[i], std::string(1, static_cast<char>('a' + i)));
  list.SortBy({"ID"}, false);
  EXPECT_EQ(Names(list), "dgbjfchiae");
}

TEST(RowList, SortOnSeveralKeysWithAndWithoutCase) {
  TDekObjList list;
  AddNamed(list, 1, "b");
  AddNamed(list, 1, "B");
  AddNamed(list, 0, "c");
  AddNamed(list, 1, "A");
  list.SortBy({"ID", "Name"}, true);
  EXPECT_EQ(Names(list), "cABb");
  list.SortBy({"Name"}, false);
  EXPECT_EQ(Names(list).substr(0, 1), "A");
  EXPECT_EQ(Names(list).substr(3), "c");
  EXPECT_EQ(ErrorOf([&] { list.SortBy({"Nope"}, false); }), Gbk("找不到属性: ") + "Nope");
}

TEST(RowList, IntegerKeysFarApartStillSortByValue) {
  TDekObjList list;
  AddPrice(list, INT_MAX, 0);
  AddPrice(list, INT_MIN, 0);
  AddPrice(list, -1, 0);
  AddPrice(list, 1, 0);
  list.SortBy({"ID"}, false);
  EXPECT_EQ(Ids(list), (std::vector<int32_t>{INT_MIN, -1, 1, INT_MAX}));
  EXPECT_EQ(list.FindByProp("ID", Variant(INT_MAX)), list[3]);
}

TEST(RowList, SortAndDedupeKeepsTheFirstOfEqualRows) {
  TDekObjList list;
  AddPrice(list, 1, 2020, 10);
  AddPrice(list, 1, 2021, 30);
  AddPrice(list, 1, 2020, 20);
  // The row the sort puts first among the equal pair is the one that stays.
  TDekObjList view(false);
  AppendList(view, list);
  view.SortBy({"ID", "YEAR"}, false);
  TCustomObject* first = view[0];
  list.SortAndDedupe({"ID", "YEAR"});
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], first);
  EXPECT_EQ(list[1]->GetIntValue(TDek_TXXJ::YEAR), 2021);
  // The list is still in order, so lookups on its first key stay binary.
  EXPECT_EQ(list.SortedProp(), TDek_TXXJ::ID);
}

// --- searching ---

TEST(RowList, FindByPropSearchesBinaryWhileSortedAndLinearAfterAChange) {
  TDekObjList list;
  for (const int32_t id : {5, 3, 9, 1, 7}) AddPrice(list, id, 2020);
  list.SortBy({"ID"}, false);
  EXPECT_EQ(list.FindByProp("ID", Variant(int32_t{7}))->GetIntValue(0), 7);
  EXPECT_EQ(list.FindByProp("ID", Variant(int32_t{4})), nullptr);
  // Break the order behind the list's back: a binary search cannot see the
  // displaced row, which shows that no linear scan took place.
  list[0]->SetIntValue(TDek_TXXJ::ID, 8);
  EXPECT_EQ(list.FindByProp("ID", Variant(int32_t{8})), nullptr);
  AddPrice(list, 4, 2020);
  EXPECT_EQ(list.SortedProp(), -1);
  for (const int32_t id : {3, 4, 5, 7, 8, 9})
    EXPECT_NE(list.FindByProp("ID", Variant(id)), nullptr) << id;
  EXPECT_EQ(list.FindByProp("ID", Variant(int32_t{1})), nullptr);
  EXPECT_EQ(list.IndexOfValue("ID", Variant(int32_t{3}), 0, 1), -1);  // last < first
}

TEST(RowList, FindByPropOnTextKeys) {
  TDekObjList list;
  AddNamed(list, 1, "abc");
  AddNamed(list, 2, "XYZ");
  AddNamed(list, 3, "Mid");
  EXPECT_EQ(list.FindByProp("Name", Variant("xyz"))->GetIntValue(0), 2);  // linear: no case
  list.SortBy({"Name"}, false);
  EXPECT_EQ(list.FindByProp("Name", Variant("ABC"))->GetIntValue(0), 1);
  list.SortBy({"Name"}, true);
  EXPECT_EQ(list.FindByProp("Name", Variant("ABC")), nullptr);
  EXPECT_EQ(list.FindByProp("Name", Variant("Mid"))->GetIntValue(0), 3);
  EXPECT_EQ(ErrorOf([&] { list.FindByProp("Nope", Variant(1)); }), Gbk("找不到属性: ") + "Nope");
  EXPECT_EQ(TDekObjList().FindByProp("Nope", Variant(1)), nullptr);
}

// --- ordered insertion ---

TEST(RowList, CompareFunctionKeepsTheListOrdered) {
  TDekObjList list;
  AddPrice(list, 3, 1);
  AddPrice(list, 1, 2);
  AddPrice(list, 2, 3);
  list.SetCompare(&ById);
  EXPECT_EQ(Ids(list), (std::vector<int32_t>{1, 2, 3}));
  TDek_TXXJ* equal = AddPrice(list, 2, 4);
  EXPECT_EQ(list[1], equal);  // directly before the existing equal row
  EXPECT_EQ(list[2]->GetIntValue(1), 3);
  AddPrice(list, 0, 5);
  AddPrice(list, 9, 6);
  EXPECT_EQ(Ids(list), (std::vector<int32_t>{0, 1, 2, 2, 3, 9}));
  TDek_TXXJ key;
  key.SetIntValue(TDek_TXXJ::ID, 9);
  EXPECT_EQ(list.FindByCompare(&key)->GetIntValue(1), 6);
  key.SetIntValue(TDek_TXXJ::ID, 4);
  EXPECT_EQ(list.FindByCompare(&key), nullptr);
  EXPECT_EQ(list.FindByCompare(nullptr), nullptr);

  // A sort on other keys wins over the compare function.
  list.SortBy({"YEAR"}, false);
  EXPECT_EQ(Ids(list), (std::vector<int32_t>{3, 1, 2, 2, 0, 9}));
  list.SetCompare(&ById);  // the same function: nothing happens
  EXPECT_EQ(Ids(list), (std::vector<int32_t>{3, 1, 2, 2, 0, 9}));
  list.SetCompare(&ByYear);
  list.SetCompare(nullptr);
  AddPrice(list, -1, 0);
  EXPECT_EQ(list[list.Count() - 1]->GetIntValue(0), -1);  // appended again
}

TEST(RowList, ResortingAnOrderedListIsTraced) {
  testing::TestPrefix prefix;
  testing::TraceCapture trace;
  TDekObjList list;
  AddPrice(list, 2, 1);
  AddPrice(list, 1, 2);
  list.SortBy({"YEAR"}, false);
  list.SortAndDedupe({"ID"});
  EXPECT_TRUE(trace.Lines().empty());
  list.SetCompare(&ById);
  list.SortBy({"YEAR"}, false);
  EXPECT_EQ(trace.Lines(), std::vector<std::string>{Gbk("序列表重新排序会破坏有序结构。")});
  EXPECT_EQ(Ids(list), (std::vector<int32_t>{2, 1}));
  list.SortAndDedupe({"YEAR"});  // never traced
  EXPECT_TRUE(trace.Lines().empty());
}

// --- filters and bulk assignment ---

TEST(RowList, FilterReusesOneResultList) {
  TDekObjList list;
  AddNamed(list, 1, "a");
  AddNamed(list, 2, "b");
  AddNamed(list, 1, "A");
  TCustomObjList& first = list.Filter({"ID"}, false, 0, {1});
  EXPECT_EQ(first.Count(), 2);
  EXPECT_FALSE(first.OwnsObjects());
  TCustomObjList& second = list.Filter({"Name"}, true, 0, {"b"});
  EXPECT_EQ(&first, &second);
  ASSERT_EQ(first.Count(), 1);
  EXPECT_EQ(first[0]->GetIntValue(0), 2);
  EXPECT_EQ(list.Filter({"Name"}, false, 1, {"A"}).Count(), 1);  // maximum count
  EXPECT_EQ(list.Filter({"ID", "Name"}, false, 0, {1, std::string("a")}).Count(), 2);
  EXPECT_EQ(list.Filter({}, false, 0, {}).Count(), 3);
  EXPECT_EQ(list.FindFirst({"ID"}, false, {2}), list[1]);
  EXPECT_EQ(list.FindFirst({"ID"}, false, {5}), nullptr);
  EXPECT_EQ(list.LookupValue({"ID"}, false, "Name", {2}), "b");
  EXPECT_EQ(list.LookupValue({"ID"}, false, "Name", {5}), "");
  EXPECT_EQ(ErrorOf([&] { list.LookupValue({"ID"}, false, "Nope", {2}); }), "no such prop:Nope");
  EXPECT_EQ(ErrorOf([&] { list.Filter({"Nope"}, false, 0, {1}); }), Gbk("找不到属性: ") + "Nope");
}

TEST(RowList, TaggedValuesThatCannotBeComparedOrAssignedAreRefused) {
  TDekObjList list;
  AddNamed(list, 1, "a");
  int local = 0;
  const std::vector<std::pair<std::function<void()>, std::string>> cases = {
      {[&] { list.Filter({"ID"}, false, 0, {static_cast<const void*>(&local)}); },
       Gbk("不支持指针过滤！")},
      {[&] { list.Filter({"ID"}, false, 0, {static_cast<const TCustomObject*>(list[0])}); },
       Gbk("不支持对象过滤！")},
      {[&] { list.Filter({"ID"}, false, 0, {&TDek_TXXJ::ClassRef()}); }, Gbk("不支持对象过滤！")},
      {[&] { list.SetPropValues({"ID"}, {Variant(int32_t{1})}); }, Gbk("不支持！")},
      {[&] { list.SetPropValues({"ID"}, {static_cast<const void*>(&local)}); }, Gbk("不支持指针")},
      {[&] { list.SetPropValues({"ID"}, {TVarRec::Interface(&local)}); }, Gbk("不支持对象！")},
  };
  for (const auto& [action, message] : cases) EXPECT_EQ(ErrorOf(action), message);
  EXPECT_NE(ErrorOf([&] { list.Filter({"ID", "Name"}, false, 0, {1}); }), "(no error)");
  // A variant is a valid filter value.
  EXPECT_EQ(list.Filter({"ID"}, false, 0, {Variant(int32_t{1})}).Count(), 1);
}

TEST(RowList, SetPropValuesAssignsEveryRowByKind) {
  TDekObjList list;
  AddNamed(list, 1, "a");
  AddNamed(list, 2, "b");
  list.SetPropValues({"Name", "Flag", "Price"}, {'x', true, 2});
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(list[i]->GetStrValue(TTestRow::Name), "x");
    EXPECT_EQ(list[i]->GetIntValue(TTestRow::Flag), 1);
    EXPECT_EQ(list[i]->GetFloatValue(TTestRow::Price), 2.0);
  }
  EXPECT_EQ(list.GetValueAt(1, "name"), Variant("x"));
  EXPECT_EQ(ErrorOf([&] { list.GetValueAt(0, "Nope"); }), "unknow property name:Nope");
  TDekObjList().SetPropValues({"Nope"}, {1});  // nothing to do on an empty list
}

TEST(RowList, AssertOwnsAndAppendList) {
  TDekObjList owning;
  TDekObjList borrowing(false);
  EXPECT_EQ(&owning.AssertOwns(true), &owning);
  EXPECT_EQ(ErrorOf([&] { owning.AssertOwns(false); }), "This List must set 'OwnsObjects = False'");
  EXPECT_EQ(ErrorOf([&] { borrowing.AssertOwns(true); }),
            "This List must set 'OwnsObjects = True'");
  AddPrice(owning, 1, 2020);
  AddPrice(owning, 2, 2020);
  AppendList(borrowing, owning);
  AppendList(borrowing, borrowing);
  EXPECT_EQ(Ids(borrowing), (std::vector<int32_t>{1, 2, 1, 2}));
  // A borrowing list cannot take over a row it would not free.
  EXPECT_THROW(borrowing.AddObj(std::make_unique<TDek_TXXJ>()), Exception);
}

}  // namespace
}  // namespace xxj
