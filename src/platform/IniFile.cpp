#include "platform/IniFile.h"

#include "support/TextEncoding.h"

namespace xxj {
namespace {

bool IsProfileSpace(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;
}

std::u16string Trim(const std::u16string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsProfileSpace(text[begin])) ++begin;
  while (end > begin && IsProfileSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

char16_t Fold(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c + 32 : c;
}

bool SameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

std::u16string StripQuotes(const std::u16string& value) {
  if (value.size() > 1 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0]) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The file's text as UTF-16: a byte-order mark picks UTF-8 or UTF-16,
// anything else is the system's code page.
std::u16string DecodeText(const std::string& bytes) {
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return Utf16FromUtf8(bytes.substr(3));
  const bool littleEndian = bytes.rfind("\xFF\xFE", 0) == 0;
  const bool bigEndian = bytes.rfind("\xFE\xFF", 0) == 0;
  if (!littleEndian && !bigEndian) return Utf16FromGbk(bytes);
  std::u16string text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    text += static_cast<char16_t>(littleEndian ? first | (second << 8) : (first << 8) | second);
  }
  return text;
}

// The leading integer of a value: blanks, a sign, an optional 0x/0o/0b
// prefix, then digits up to the first other character; 32 bits kept.
uint32_t LeadingInteger(const std::u16string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] <= 0x20) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  uint32_t base = 10;
  if (i + 1 < text.size() && text[i] == u'0') {
    const char16_t marker = text[i + 1];
    base = marker == u'x' ? 16 : marker == u'o' ? 8 : marker == u'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  uint32_t total = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    uint32_t digit = 99;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return negative ? 0u - total : total;
}

}  // namespace

IniFile::IniFile(const std::string& fileName) : IniFile(CurrentMachine(), fileName) {}

IniFile::IniFile(Machine& machine, const std::string& fileName) {
  auto file =
      machine.OpenFile(fileName, FileAccess::Read, kShareReadWrite, FileDisposition::OpenExisting);
  if (file == nullptr) return;
  const int64_t size = file->Size();
  if (size <= 0) return;
  std::string bytes(static_cast<size_t>(size), '\0');
  const int64_t read = file->Read(bytes.data(), size);
  bytes.resize(read > 0 ? static_cast<size_t>(read) : 0);
  Parse(bytes);
}

IniFile IniFile::FromText(const std::string& bytes) {
  IniFile ini;
  ini.Parse(bytes);
  return ini;
}

void IniFile::Parse(const std::string& bytes) {
  const std::u16string text = DecodeText(bytes);
  sections_.push_back({});  // lines before the first section
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string line = Trim(text.substr(start, end - start));
    start = text.find_first_not_of(u"\r\n", end);
    if (start == std::u16string::npos) start = text.size();
    if (line.empty()) continue;
    const size_t close = line.rfind(u']');
    if (line[0] == u'[' && close != std::u16string::npos) {
      sections_.push_back({Trim(line.substr(1, close - 1)), {}});
      continue;
    }
    Entry entry;
    const size_t equals = line.find(u'=');
    if (equals == std::u16string::npos) {
      entry.name = line;
    } else {
      entry.name = Trim(line.substr(0, equals));
      entry.value = Trim(line.substr(equals + 1));
    }
    sections_.back().entries.push_back(std::move(entry));
  }
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& section : sections_) {
    if (!section.name.empty()) names.push_back(GbkFromUtf16(section.name));
  }
  return names;
}

std::vector<std::string> IniFile::KeyNames(const std::string& section) const {
  std::vector<std::string> names;
  const std::u16string wanted = Trim(Utf16FromGbk(section));
  for (const Section& s : sections_) {
    if (!SameName(s.name, wanted)) continue;
    for (const Entry& entry : s.entries) {
      if (entry.value && (entry.name.empty() || entry.name[0] != u';')) {
        names.push_back(GbkFromUtf16(entry.name));
      }
    }
    break;
  }
  return names;
}

const IniFile::Entry* IniFile::Find(const std::string& section, const std::string& key) const {
  const std::u16string wantedSection = Trim(Utf16FromGbk(section));
  const std::u16string wantedKey = Trim(Utf16FromGbk(key));
  for (const Section& s : sections_) {
    if (!SameName(s.name, wantedSection)) continue;
    for (const Entry& entry : s.entries) {
      if (SameName(entry.name, wantedKey)) return &entry;
    }
    return nullptr;  // later sections of the same name are not looked at
  }
  return nullptr;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  const Entry* entry = Find(section, key);
  if (entry != nullptr && entry->value) return GbkFromUtf16(StripQuotes(*entry->value));
  std::u16string fallback = Utf16FromGbk(defaultValue);
  while (!fallback.empty() && fallback.back() == u' ') fallback.pop_back();
  return GbkFromUtf16(StripQuotes(fallback));
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                             int32_t defaultValue) const {
  const Entry* entry = Find(section, key);
  if (entry == nullptr || !entry->value) return defaultValue;
  // The platform reads the value into a 30-character buffer first.
  const std::u16string value = StripQuotes(*entry->value).substr(0, 29);
  if (value.empty()) return defaultValue;
  return static_cast<int32_t>(LeadingInteger(value));
}

}  // namespace xxj
