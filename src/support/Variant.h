#pragma once
// The tagged value through which rows, column tables and datasets exchange
// values. Conversions follow the platform's variant rules: a boolean true reads
// as the number -1, text converts to numbers with "." as the decimal separator,
// a float becomes text in the 15-digit general format.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace xxj {

class Variant {
 public:
  enum class Kind { Empty, Null, Int, Double, Bool, Text, Bytes };
  using ByteArray = std::vector<uint8_t>;

  Variant() = default;  // Empty
  Variant(int32_t value) : value_(value) {}
  Variant(double value) : value_(value) {}
  Variant(bool value) : value_(value) {}
  Variant(std::string text) : value_(std::move(text)) {}  // GBK text
  Variant(const char* text) : value_(std::string(text)) {}
  Variant(ByteArray bytes) : value_(std::move(bytes)) {}
  static Variant Null();

  Kind GetKind() const { return static_cast<Kind>(value_.index()); }
  bool IsEmpty() const { return GetKind() == Kind::Empty; }
  bool IsNull() const { return GetKind() == Kind::Null; }
  // Empty or null: "no value".
  bool IsClear() const { return IsEmpty() || IsNull(); }
  bool IsNumeric() const;

  // Conversions raise Exception("Could not convert variant of type (X) into
  // type (Y)") where the platform refuses: null to a number, bytes to
  // anything but bytes, a text that is not a number.
  int32_t AsInt() const;
  double AsDouble() const;
  bool AsBool() const;
  // Null and empty read as "", a boolean as "True"/"False".
  std::string AsText() const;
  const ByteArray& AsBytes() const;

  // The platform's variant equality: null equals only null, texts compare
  // byte for byte, a text against a number compares as numbers when the text
  // is one.
  friend bool operator==(const Variant& a, const Variant& b);

  // The kind's name as the platform's conversion errors spell it ("Integer", "String"...).
  static const char* KindName(Kind kind);

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  std::variant<std::monostate, NullTag, int32_t, double, bool, std::string, ByteArray> value_;
};

}  // namespace xxj
