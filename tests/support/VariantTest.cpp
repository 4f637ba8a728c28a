#include "support/Variant.h"

#include <gtest/gtest.h>

#include "support/Errors.h"

namespace xxj {
namespace {

using Kind = Variant::Kind;

TEST(Variant, KindsOfConstruction) {
  EXPECT_EQ(Variant().GetKind(), Kind::Empty);
  EXPECT_EQ(Variant::Null().GetKind(), Kind::Null);
  EXPECT_EQ(Variant(int32_t{7}).GetKind(), Kind::Int);
  EXPECT_EQ(Variant(7.5).GetKind(), Kind::Double);
  EXPECT_EQ(Variant(true).GetKind(), Kind::Bool);
  EXPECT_EQ(Variant("ZMBH").GetKind(), Kind::Text);
  EXPECT_EQ(Variant(Variant::ByteArray{1, 2}).GetKind(), Kind::Bytes);
  EXPECT_TRUE(Variant::Null().IsClear());
  EXPECT_TRUE(Variant().IsClear());
  EXPECT_FALSE(Variant("").IsClear());
}

TEST(Variant, NumbersAndBooleans) {
  // A boolean true reads as -1, the platform's rule the row framework relies on.
  EXPECT_EQ(Variant(true).AsInt(), -1);
  EXPECT_EQ(Variant(true).AsDouble(), -1.0);
  EXPECT_EQ(Variant(false).AsInt(), 0);
  EXPECT_EQ(Variant(true).AsText(), "True");
  EXPECT_EQ(Variant(false).AsText(), "False");
  // Floats round half to even into integers.
  EXPECT_EQ(Variant(2.5).AsInt(), 2);
  EXPECT_EQ(Variant(3.5).AsInt(), 4);
  EXPECT_EQ(Variant(-2.6).AsInt(), -3);
  EXPECT_TRUE(Variant(0.1).AsBool());
  EXPECT_FALSE(Variant(int32_t{0}).AsBool());
  EXPECT_EQ(Variant().AsInt(), 0);
  EXPECT_EQ(Variant().AsText(), "");
  EXPECT_EQ(Variant::Null().AsText(), "");
}

TEST(Variant, TextAndNumbers) {
  EXPECT_EQ(Variant(12.5).AsText(), "12.5");
  EXPECT_EQ(Variant(1e20).AsText(), "1E20");
  EXPECT_EQ(Variant(int32_t{-42}).AsText(), "-42");
  EXPECT_DOUBLE_EQ(Variant(" 12.5 ").AsDouble(), 12.5);
  EXPECT_EQ(Variant("12").AsInt(), 12);
  EXPECT_EQ(Variant("$10").AsInt(), 16);
  EXPECT_EQ(Variant("12.5").AsInt(), 12);
  EXPECT_EQ(Variant("true").AsInt(), -1);
  EXPECT_TRUE(Variant("TRUE").AsBool());
  EXPECT_TRUE(Variant("2").AsBool());
  EXPECT_FALSE(Variant("0").AsBool());
}

TEST(Variant, RefusedConversionsNameBothKinds) {
  const struct {
    Variant value;
    int target;  // 0 int, 1 double, 2 bool, 3 text
    const char* message;
  } cases[] = {
      {Variant::Null(), 0, "Could not convert variant of type (Null) into type (Integer)"},
      {Variant::Null(), 1, "Could not convert variant of type (Null) into type (Double)"},
      {Variant("12,5"), 1, "Could not convert variant of type (String) into type (Double)"},
      {Variant("abc"), 0, "Could not convert variant of type (String) into type (Integer)"},
      {Variant("abc"), 2, "Could not convert variant of type (String) into type (Boolean)"},
      {Variant(3e9), 0, "Could not convert variant of type (Double) into type (Integer)"},
      {Variant(Variant::ByteArray{1}), 3,
       "Could not convert variant of type (Array Byte) into type (String)"},
  };
  for (const auto& c : cases) {
    try {
      switch (c.target) {
        case 0:
          c.value.AsInt();
          break;
        case 1:
          c.value.AsDouble();
          break;
        case 2:
          c.value.AsBool();
          break;
        default:
          c.value.AsText();
          break;
      }
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_THROW(Variant("x").AsBytes(), Exception);
  EXPECT_EQ(Variant(Variant::ByteArray{1, 2}).AsBytes(), (Variant::ByteArray{1, 2}));
}

TEST(Variant, Equality) {
  const struct {
    Variant a, b;
    bool equal;
  } cases[] = {
      {Variant::Null(), Variant::Null(), true},
      {Variant::Null(), Variant(), false},
      {Variant::Null(), Variant(int32_t{0}), false},
      {Variant::Null(), Variant(""), false},
      {Variant(), Variant(), true},
      {Variant(), Variant(int32_t{0}), true},
      {Variant(), Variant(""), true},
      {Variant(int32_t{2}), Variant(2.0), true},
      {Variant(int32_t{2}), Variant(2.5), false},
      {Variant(true), Variant(int32_t{-1}), true},
      {Variant(true), Variant(int32_t{1}), false},
      {Variant(true), Variant(true), true},
      {Variant("12.50"), Variant(12.5), true},
      {Variant(int32_t{12}), Variant("12"), true},
      {Variant("abc"), Variant("abc"), true},
      // Texts compare byte for byte: case matters.
      {Variant("abc"), Variant("ABC"), false},
      {Variant("12.50"), Variant("12.5"), false},
      {Variant("abc"), Variant(int32_t{0}), false},
      {Variant("True"), Variant(true), true},
      {Variant(Variant::ByteArray{1}), Variant(Variant::ByteArray{1}), true},
      {Variant(Variant::ByteArray{1}), Variant(Variant::ByteArray{2}), false},
      {Variant(Variant::ByteArray{}), Variant(""), false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].a == cases[i].b, cases[i].equal) << "case " << i;
    EXPECT_EQ(cases[i].b == cases[i].a, cases[i].equal) << "reversed case " << i;
  }
}

}  // namespace
}  // namespace xxj
