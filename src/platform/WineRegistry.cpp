#include "platform/WineRegistry.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "support/TextEncoding.h"

namespace xxj {
namespace {

using Name = std::u16string;
using KeyPath = std::vector<Name>;

char16_t FoldAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c + 32 : c;
}

bool SameName(const Name& a, const Name& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendCodePoint(Name& out, char32_t point) {
  if (point >= 0x10000) {
    point -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (point >> 10));
    out += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
  } else {
    out += static_cast<char16_t>(point);
  }
}

// Decodes a raw UTF-8 sequence at text[i]; an invalid one is dropped, as the
// prefix's own reader does.
void DecodeRawByte(const std::string& text, size_t& i, Name& out) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  const size_t length = (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
  if (length == 0 || i + length > text.size()) {
    ++i;
    return;
  }
  char32_t point = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const unsigned char c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return;
    }
    point = (point << 6) | (c & 0x3F);
  }
  AppendCodePoint(out, point);
  i += length;
}

// An escaped string from text[i] up to the unescaped delimiter; i ends after
// the delimiter. nullopt when the delimiter is missing.
std::optional<Name> ParseEscaped(const std::string& text, size_t& i, char delimiter) {
  Name out;
  while (i < text.size()) {
    const char c = text[i];
    if (c == delimiter) {
      ++i;
      return out;
    }
    if (static_cast<unsigned char>(c) >= 0x80) {
      DecodeRawByte(text, i, out);
      continue;
    }
    if (c != '\\' || i + 1 >= text.size()) {
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    const char e = text[i + 1];
    i += 2;
    switch (e) {
      case 'a':
        out += u'\a';
        break;
      case 'b':
        out += u'\b';
        break;
      case 'e':
        out += u'\x1b';
        break;
      case 'f':
        out += u'\f';
        break;
      case 'n':
        out += u'\n';
        break;
      case 'r':
        out += u'\r';
        break;
      case 't':
        out += u'\t';
        break;
      case 'v':
        out += u'\v';
        break;
      case 'x': {
        // Up to four hex digits: one UTF-16 unit.
        unsigned value = 0;
        int digits = 0;
        while (digits < 4 && i < text.size() && HexDigit(text[i]) >= 0) {
          value = value * 16 + HexDigit(text[i++]);
          ++digits;
        }
        out += digits > 0 ? static_cast<char16_t>(value) : u'x';
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned value = e - '0';
          for (int digits = 1; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7';
               ++digits) {
            value = value * 8 + (text[i++] - '0');
          }
          out += static_cast<char16_t>(value);
        } else {
          out += static_cast<char16_t>(static_cast<unsigned char>(e));
        }
    }
  }
  return std::nullopt;
}

KeyPath SplitKeyPath(const Name& path) {
  KeyPath parts;
  Name current;
  for (const char16_t c : path) {
    if (c == u'\\') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// 0: unrelated; 1: the same key; 2: a descendant of key.
int Relation(const KeyPath& candidate, const KeyPath& key) {
  if (candidate.size() < key.size()) return 0;
  for (size_t i = 0; i < key.size(); ++i) {
    if (!SameName(candidate[i], key[i])) return 0;
  }
  return candidate.size() == key.size() ? 1 : 2;
}

struct Value {
  Name name;
  std::optional<Name> text;  // set for string values
};

// What the file holds about one requested key.
struct KeyFindings {
  KeyPath path;
  bool found = false;
  std::vector<Value> values;
  std::vector<Name> subKeys;

  void AddSubKey(const Name& name) {
    for (const Name& known : subKeys) {
      if (SameName(known, name)) return;
    }
    subKeys.push_back(name);
  }
};

class WineRegistryKey : public RegistryKey {
 public:
  explicit WineRegistryKey(KeyFindings findings) : findings_(std::move(findings)) {}

  std::string ReadString(const std::string& valueName) const override {
    const Value* value = Find(valueName);
    if (value == nullptr || !value->text) return {};
    const Name& text = *value->text;
    return GbkFromUtf16(text.substr(0, text.find(u'\0')));
  }

  bool HasValue(const std::string& valueName) const override { return Find(valueName) != nullptr; }

  std::vector<std::string> ValueNames() const override {
    std::vector<std::string> names;
    for (const Value& value : findings_.values) names.push_back(GbkFromUtf16(value.name));
    return names;
  }

  std::vector<std::string> SubKeyNames() const override {
    std::vector<std::string> names;
    for (const Name& name : findings_.subKeys) names.push_back(GbkFromUtf16(name));
    return names;
  }

 private:
  const Value* Find(const std::string& valueName) const {
    const Name wanted = Utf16FromGbk(valueName);
    for (const Value& value : findings_.values) {
      if (SameName(value.name, wanted)) return &value;
    }
    return nullptr;
  }

  KeyFindings findings_;
};

void SkipBlanks(const std::string& line, size_t& i) {
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
}

// A value line: "name"=data or @=data. Only text data is decoded; other
// types are kept as present without text.
std::optional<Value> ParseValueLine(const std::string& line) {
  Value value;
  size_t i = 0;
  if (line[0] == '@') {
    i = 1;
  } else {
    i = 1;
    auto name = ParseEscaped(line, i, '"');
    if (!name) return std::nullopt;
    value.name = *name;
  }
  SkipBlanks(line, i);
  if (i >= line.size() || line[i] != '=') return std::nullopt;
  ++i;
  SkipBlanks(line, i);
  const std::string rest = line.substr(i);
  size_t quote = std::string::npos;
  if (rest.rfind("\"", 0) == 0) {
    quote = 0;
  } else if (rest.rfind("str:\"", 0) == 0) {
    quote = 4;
  } else if (rest.rfind("str(2):\"", 0) == 0 || rest.rfind("str(1):\"", 0) == 0) {
    quote = 7;
  }
  if (quote != std::string::npos) {
    size_t at = i + quote + 1;
    value.text = ParseEscaped(line, at, '"');
    if (!value.text) return std::nullopt;
  }
  return value;
}

std::optional<KeyPath> ParseKeyLine(const std::string& line) {
  size_t i = 1;
  auto name = ParseEscaped(line, i, ']');
  if (!name) return std::nullopt;
  return SplitKeyPath(*name);
}

// True only when a key line surely names a key that is neither path nor
// below it, judged on the raw line without decoding it. Most lines of a
// registry file are skipped this way; any escape or non-ASCII byte leaves the
// decision to the full parse.
bool SurelyUnrelated(const std::string& line, const KeyPath& path) {
  size_t i = 1;  // after "["
  for (size_t component = 0; component < path.size(); ++component) {
    const Name& wanted = path[component];
    const bool last = component + 1 == path.size();
    size_t matched = 0;
    for (;;) {
      if (i >= line.size()) return false;
      const char c = line[i];
      if (c == ']') return !(last && matched == wanted.size());
      if (c == '\\') {
        if (i + 1 >= line.size() || line[i + 1] != '\\' || matched == 0) return false;
        if (matched != wanted.size()) return true;
        if (last) return false;  // a key below path
        i += 2;
        break;
      }
      if (static_cast<unsigned char>(c) >= 0x80) return false;
      if (matched >= wanted.size() ||
          FoldAscii(static_cast<char16_t>(c)) != FoldAscii(wanted[matched])) {
        return true;
      }
      ++matched;
      ++i;
    }
  }
  return false;
}

// The 32-bit view of a key on a 64-bit prefix: "Software\X" lives in
// "Software\Wow6432Node\X".
std::optional<KeyPath> Wow64Path(const KeyPath& path) {
  if (path.empty() || !SameName(path[0], u"software")) return std::nullopt;
  if (path.size() >= 2 && SameName(path[1], u"wow6432node")) return std::nullopt;
  KeyPath redirected = path;
  redirected.insert(redirected.begin() + 1, u"Wow6432Node");
  return redirected;
}

}  // namespace

std::unique_ptr<RegistryKey> ParseWineRegistryKey(const std::string& fileText,
                                                  const std::string& keyPath, RegistryView view) {
  std::istringstream in(fileText);
  std::string line;
  if (!std::getline(in, line)) return nullptr;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line != "WINE REGISTRY Version 2") return nullptr;

  const KeyPath wanted = SplitKeyPath(Utf16FromGbk(keyPath));
  const std::optional<KeyPath> wow =
      view == RegistryView::Bits32 ? Wow64Path(wanted) : std::nullopt;
  // Both candidates are gathered in one pass; the file's #arch line picks one.
  KeyFindings native;
  native.path = wanted;
  KeyFindings redirected;
  redirected.path = wow.value_or(KeyPath{});
  std::optional<std::string> arch;
  KeyFindings* current = nullptr;  // the requested key whose values follow

  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '#') {
      if (line.rfind("#arch=", 0) == 0) arch = line.substr(6);
      continue;
    }
    if (line[0] == '[') {
      current = nullptr;
      if (SurelyUnrelated(line, native.path) && (!wow || SurelyUnrelated(line, redirected.path))) {
        continue;
      }
      const auto key = ParseKeyLine(line);
      if (!key) continue;  // a malformed key line is skipped, as the prefix does
      for (KeyFindings* findings : {&native, wow ? &redirected : nullptr}) {
        if (findings == nullptr) continue;
        const int relation = Relation(*key, findings->path);
        if (relation == 0) continue;
        findings->found = true;
        if (relation == 1) current = findings;
        if (relation == 2) findings->AddSubKey((*key)[findings->path.size()]);
      }
      continue;
    }
    if (current != nullptr && (line[0] == '"' || line[0] == '@')) {
      if (auto value = ParseValueLine(line)) current->values.push_back(std::move(*value));
    }
  }

  if (wow) {
    // Without an #arch line (very old prefixes) the redirected key decides.
    const bool win64 = arch ? *arch == "win64" : redirected.found;
    if (win64)
      return redirected.found ? std::make_unique<WineRegistryKey>(std::move(redirected)) : nullptr;
  }
  if (wanted.empty()) native.found = true;  // the hive itself
  return native.found ? std::make_unique<WineRegistryKey>(std::move(native)) : nullptr;
}

std::unique_ptr<RegistryKey> OpenWineRegistryKey(const std::string& registryFile,
                                                 const std::string& keyPath, RegistryView view) {
  std::ifstream in(registryFile, std::ios::binary);
  if (!in) return nullptr;
  std::ostringstream content;
  content << in.rdbuf();
  return ParseWineRegistryKey(content.str(), keyPath, view);
}

}  // namespace xxj
