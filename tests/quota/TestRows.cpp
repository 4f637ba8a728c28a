#include "quota/TestRows.h"

namespace xxj::testing {

XXJ_DEFINE_ROW_CLASS(TTestRow, TBaseDek, XXJ_PROPS_TTestRow, "Unit")
XXJ_DEFINE_ROW_CLASS(TTestEmpty, TBaseDek, XXJ_PROPS_TTestEmpty, nullptr)
XXJ_DEFINE_ROW_CLASS(TTestWithList, TBaseDek, XXJ_PROPS_TTestWithList, nullptr)

const TRowClass& TTestUnknownClass::ClassRef() {
  static constexpr TPropDecl props[] = {{"Key", TPropType::Integer},
                                        {"Gadget", TPropType::Object, "TNoSuchClass"}};
  static const TRowClass cls("TTestUnknownClass", &TBaseDek::ClassRef(), props, nullptr);
  return cls;
}

const TRowClass& TTestRowClassProp::ClassRef() {
  static constexpr TPropDecl props[] = {{"Item", TPropType::Object, "TDek_TGLJZM"}};
  static const TRowClass cls("TTestRowClassProp", &TBaseDek::ClassRef(), props, nullptr);
  return cls;
}

}  // namespace xxj::testing
