#pragma once
// Small row classes that exercise the framework beyond the quota library
// tables: every property type, a column alias, owned objects, no properties.

#include "quota/BaseDekClasses.h"

namespace xxj::testing {

#define XXJ_PROPS_TTestRow(P)                                                                \
  P(ID, Integer)                                                                             \
  P(Name, String) P(Price, Double) P(Stamp, DateTime) P(Flag, Boolean) P(Data, MemoryStream) \
      P(Unit_, String) P(Note, String)
XXJ_DECLARE_ROW_CLASS(TTestRow, TBaseDek, XXJ_PROPS_TTestRow);

#define XXJ_PROPS_TTestEmpty(P)
XXJ_DECLARE_ROW_CLASS(TTestEmpty, TBaseDek, XXJ_PROPS_TTestEmpty);

#define XXJ_PROPS_TTestWithList(P) P(Key, Integer) P(Children, ObjList)
XXJ_DECLARE_ROW_CLASS(TTestWithList, TBaseDek, XXJ_PROPS_TTestWithList);

// Object properties of classes a row cannot own.
class TTestUnknownClass : public TBaseDek {
 public:
  static const TRowClass& ClassRef();
  TTestUnknownClass() : TBaseDek(ClassRef()) {}
};
class TTestRowClassProp : public TBaseDek {
 public:
  static const TRowClass& ClassRef();
  TTestRowClassProp() : TBaseDek(ClassRef()) {}
};

}  // namespace xxj::testing
