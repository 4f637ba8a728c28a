#include "testutil/TestPrefix.h"

#include <cstdio>
#include <fstream>

#include "platform/WineMachine.h"
#include "support/TextEncoding.h"

namespace xxj::testing {
namespace {

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Escapes as the prefix does: non-ASCII as \x (four digits when a hex digit
// follows), control characters, the backslash and the delimiter.
std::string Escape(const std::string& utf8, char delimiter) {
  const std::u16string text = Utf16FromUtf8(utf8);
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool hexFollows = i + 1 < text.size() && IsHexDigit(text[i + 1]);
    char buffer[16];
    if (c > 127) {
      std::snprintf(buffer, sizeof buffer, hexFollows ? "\\x%04x" : "\\x%x", unsigned{c});
      out += buffer;
    } else if (c == u'\n') {
      out += "\\n";
    } else if (c < 32) {
      std::snprintf(buffer, sizeof buffer, "\\%o", unsigned{c});
      out += buffer;
    } else if (c == u'\\' || c == static_cast<char16_t>(delimiter)) {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

}  // namespace

std::string RegistryFileText(const std::vector<RegistryEntry>& entries, const std::string& arch,
                             const std::string& rootComment) {
  std::string text = "WINE REGISTRY Version 2\n;; All keys relative to " + rootComment + "\n\n";
  text += "#arch=" + arch + "\n";
  std::string currentKey;
  bool first = true;
  for (const RegistryEntry& entry : entries) {
    if (first || entry.key != currentKey) {
      // Escaping the backslash gives the two-backslash separators of key lines.
      const std::string keyName = Escape(entry.key, ']');
      text += "\n[" + keyName + "] 1796951969\n#time=1dd890dab8b9afe\n";
      currentKey = entry.key;
      first = false;
    }
    const std::string name = entry.name.empty() ? "@" : "\"" + Escape(entry.name, '"') + "\"";
    const std::string value = entry.raw ? entry.value : "\"" + Escape(entry.value, '"') + "\"";
    text += name + "=" + value + "\n";
  }
  return text;
}

TestPrefix::TestPrefix() {
  namespace fs = std::filesystem;
  fs::create_directories(folder_.Path() / "drive_c");
  fs::create_directories(folder_.Path() / "dosdevices");
  fs::create_directory_symlink("../drive_c", folder_.Path() / "dosdevices" / "c:");
  fs::create_directory_symlink("/", folder_.Path() / "dosdevices" / "z:");
  machine_ = NewWineMachine(folder_.Path().string());
  scope_ = std::make_unique<ScopedMachine>(*machine_);
}

TestPrefix::~TestPrefix() = default;

void TestPrefix::WriteSystemReg(const std::vector<RegistryEntry>& entries,
                                const std::string& arch) {
  WriteText(Path() / "system.reg", RegistryFileText(entries, arch, "REGISTRY\\\\Machine"));
}

void TestPrefix::WriteUserReg(const std::vector<RegistryEntry>& entries, const std::string& arch) {
  WriteText(Path() / "user.reg",
            RegistryFileText(entries, arch, "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000"));
}

std::filesystem::path TestPrefix::WriteFile(const std::string& relative, const std::string& bytes) {
  return folder_.WriteFile("drive_c/" + relative, bytes);
}

}  // namespace xxj::testing
