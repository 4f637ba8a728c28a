#include "support/Variant.h"

#include <cmath>
#include <limits>

#include "support/Errors.h"
#include "support/NumberText.h"
#include "support/TextEncoding.h"

namespace xxj {
namespace {

[[noreturn]] void CastError(Variant::Kind from, Variant::Kind to) {
  throw Exception(std::string("Could not convert variant of type (") + Variant::KindName(from) +
                  ") into type (" + Variant::KindName(to) + ")");
}

int32_t RoundToInt32(double value, Variant::Kind from) {
  if (!(value >= -2147483648.5 && value < 2147483647.5)) CastError(from, Variant::Kind::Int);
  const int64_t rounded = RoundHalfEven(value);
  if (rounded < std::numeric_limits<int32_t>::min() || rounded > std::numeric_limits<int32_t>::max())
    CastError(from, Variant::Kind::Int);
  return static_cast<int32_t>(rounded);
}

// "True"/"False" without regard to case, as the platform's boolean text.
bool TryTextToBool(const std::string& text, bool& value) {
  if (SameTextAscii(text, "True")) return value = true, true;
  if (SameTextAscii(text, "False")) return value = false, true;
  return false;
}

}  // namespace

Variant Variant::Null() {
  Variant v;
  v.value_ = NullTag{};
  return v;
}

bool Variant::IsNumeric() const {
  const Kind k = GetKind();
  return k == Kind::Int || k == Kind::Double || k == Kind::Bool;
}

const char* Variant::KindName(Kind kind) {
  switch (kind) {
    case Kind::Empty: return "Empty";
    case Kind::Null: return "Null";
    case Kind::Int: return "Integer";
    case Kind::Double: return "Double";
    case Kind::Bool: return "Boolean";
    case Kind::Text: return "String";
    case Kind::Bytes: return "Array Byte";
  }
  return "Unknown";
}

int32_t Variant::AsInt() const {
  switch (GetKind()) {
    case Kind::Empty: return 0;
    case Kind::Int: return std::get<int32_t>(value_);
    case Kind::Double: return RoundToInt32(std::get<double>(value_), Kind::Double);
    case Kind::Bool: return std::get<bool>(value_) ? -1 : 0;
    case Kind::Text: {
      const std::string& text = std::get<std::string>(value_);
      int32_t i = 0;
      if (TryStrToInt(text, i)) return i;
      double d = 0;
      if (TryStrToFloat(text, d)) return RoundToInt32(d, Kind::Text);
      bool b = false;
      if (TryTextToBool(text, b)) return b ? -1 : 0;
      CastError(Kind::Text, Kind::Int);
    }
    default: CastError(GetKind(), Kind::Int);
  }
}

double Variant::AsDouble() const {
  switch (GetKind()) {
    case Kind::Empty: return 0;
    case Kind::Int: return std::get<int32_t>(value_);
    case Kind::Double: return std::get<double>(value_);
    case Kind::Bool: return std::get<bool>(value_) ? -1 : 0;
    case Kind::Text: {
      const std::string& text = std::get<std::string>(value_);
      double d = 0;
      if (TryStrToFloat(text, d)) return d;
      bool b = false;
      if (TryTextToBool(text, b)) return b ? -1 : 0;
      CastError(Kind::Text, Kind::Double);
    }
    default: CastError(GetKind(), Kind::Double);
  }
}

bool Variant::AsBool() const {
  switch (GetKind()) {
    case Kind::Empty: return false;
    case Kind::Int: return std::get<int32_t>(value_) != 0;
    case Kind::Double: return std::get<double>(value_) != 0;
    case Kind::Bool: return std::get<bool>(value_);
    case Kind::Text: {
      const std::string& text = std::get<std::string>(value_);
      bool b = false;
      if (TryTextToBool(text, b)) return b;
      double d = 0;
      if (TryStrToFloat(text, d)) return d != 0;
      CastError(Kind::Text, Kind::Bool);
    }
    default: CastError(GetKind(), Kind::Bool);
  }
}

std::string Variant::AsText() const {
  switch (GetKind()) {
    case Kind::Empty:
    case Kind::Null: return {};
    case Kind::Int: return IntToStr(std::get<int32_t>(value_));
    case Kind::Double: return FloatToStr(std::get<double>(value_));
    case Kind::Bool: return std::get<bool>(value_) ? "True" : "False";
    case Kind::Text: return std::get<std::string>(value_);
    case Kind::Bytes: CastError(Kind::Bytes, Kind::Text);
  }
  return {};
}

const Variant::ByteArray& Variant::AsBytes() const {
  if (GetKind() != Kind::Bytes) CastError(GetKind(), Kind::Bytes);
  return std::get<ByteArray>(value_);
}

bool operator==(const Variant& a, const Variant& b) {
  using Kind = Variant::Kind;
  const Kind ka = a.GetKind();
  const Kind kb = b.GetKind();
  if (ka == Kind::Null || kb == Kind::Null) return ka == kb;
  if (ka == Kind::Bytes || kb == Kind::Bytes) {
    return ka == kb && a.AsBytes() == b.AsBytes();
  }
  if (ka == Kind::Text && kb == Kind::Text) return a.AsText() == b.AsText();
  if (ka == Kind::Empty && kb == Kind::Empty) return true;
  if (ka == Kind::Text || kb == Kind::Text) {
    // Text against a number: as numbers when the text is one, else as texts.
    const Variant& text = ka == Kind::Text ? a : b;
    const Variant& other = ka == Kind::Text ? b : a;
    double d = 0;
    if (TryStrToFloat(text.AsText(), d)) return d == other.AsDouble();
    return text.AsText() == other.AsText();
  }
  return a.AsDouble() == b.AsDouble();
}

}  // namespace xxj
