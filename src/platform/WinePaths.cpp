#include "platform/WinePaths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace xxj {
namespace {

char LowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
char UpperChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && IsLetter(path[0]) && path[1] == ':';
}

std::vector<std::string> SplitComponents(const std::string& text) {
  std::vector<std::string> parts;
  std::string current;
  for (const char c : text) {
    if (IsSeparator(c)) {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

bool Exists(const std::string& unixPath) {
  struct stat st;
  return lstat(unixPath.c_str(), &st) == 0;
}

std::string JoinUnix(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// The entry of a folder whose name equals name without regard to ASCII case;
// the first in the folder's order wins, as in the prefix.
std::string FindEntryIgnoringCase(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return {};
  std::string found;
  while (const dirent* entry = readdir(dir)) {
    if (SameNameAscii(entry->d_name, name)) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

std::string CanonicalOrLexical(const std::string& unixPath) {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::weakly_canonical(unixPath, ec);
  if (ec) path = std::filesystem::path(unixPath).lexically_normal();
  std::string text = path.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace

bool SameNameAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerChar(a[i]) != LowerChar(b[i])) return false;
  }
  return true;
}

WinePaths::WinePaths(std::string prefixUnixPath) : prefix_(std::move(prefixUnixPath)) {}

std::string WinePaths::Normalize(const std::string& path, const std::string& currentFolder) {
  // An empty name names nothing, not the current folder.
  if (path.empty()) return {};
  std::string input = path;
  // "\\?\C:\..." is the long-path form of an ordinary drive path.
  if (input.rfind("\\\\?\\", 0) == 0 || input.rfind("//?/", 0) == 0) input = input.substr(4);
  if (input.size() >= 2 && IsSeparator(input[0]) && IsSeparator(input[1])) return {};

  std::string drive;
  std::string rest;
  if (HasDrive(input)) {
    drive = std::string(1, UpperChar(input[0])) + ":";
    rest = input.substr(2);
    if (rest.empty() || !IsSeparator(rest[0])) {
      // "C:name" is relative to the current folder when that is on drive C.
      if (HasDrive(currentFolder) && UpperChar(currentFolder[0]) == drive[0]) {
        rest = currentFolder.substr(2) + "\\" + rest;
      } else {
        rest = "\\" + rest;
      }
    }
  } else {
    if (!HasDrive(currentFolder)) return {};
    drive = std::string(1, UpperChar(currentFolder[0])) + ":";
    rest =
        (!input.empty() && IsSeparator(input[0])) ? input : currentFolder.substr(2) + "\\" + input;
  }

  std::vector<std::string> kept;
  for (const std::string& part : SplitComponents(rest)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::string result = drive + "\\";
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) result += "\\";
    result += kept[i];
  }
  const bool trailing = !input.empty() && IsSeparator(input.back());
  if (!kept.empty() && trailing) result += "\\";
  return result;
}

std::string WinePaths::DriveRoot(char letter) const {
  const char lower = LowerChar(letter);
  if (!IsLetter(lower)) return {};
  const std::string devices = JoinUnix(prefix_, "dosdevices");
  const std::string link = JoinUnix(devices, std::string(1, lower) + ":");
  struct stat st;
  if (stat(link.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return link;
  // A prefix that was never created still sees the Unix root as Z:.
  if (lower == 'z' && stat(devices.c_str(), &st) != 0) return "/";
  return {};
}

std::string WinePaths::ToUnix(const std::string& windowsPath) const {
  if (!HasDrive(windowsPath)) return {};
  std::string current = DriveRoot(windowsPath[0]);
  if (current.empty()) return {};
  const std::vector<std::string> parts = SplitComponents(windowsPath.substr(2));
  bool lookUp = true;
  for (const std::string& part : parts) {
    std::string name = part;
    if (lookUp && !Exists(JoinUnix(current, part))) {
      const std::string onDisk = FindEntryIgnoringCase(current, part);
      if (onDisk.empty()) {
        lookUp = false;  // nothing below a missing folder can exist
      } else {
        name = onDisk;
      }
    }
    current = JoinUnix(current, name);
  }
  return current;
}

std::string WinePaths::FromUnix(const std::string& unixPath) const {
  if (unixPath.empty()) return {};
  std::string absolute = unixPath;
  if (absolute[0] != '/') {
    std::error_code ec;
    absolute = JoinUnix(std::filesystem::current_path(ec).string(), absolute);
  }
  const bool trailing = absolute.size() > 1 && absolute.back() == '/';
  const std::string canonical = CanonicalOrLexical(absolute);

  std::string drive = "Z:";
  std::string rest = canonical == "/" ? "" : canonical;
  for (char letter = 'a'; letter < 'z'; ++letter) {
    const std::string root = DriveRoot(letter);
    if (root.empty()) continue;
    const std::string rootPath = CanonicalOrLexical(root);
    if (rootPath == "/") continue;
    if (canonical == rootPath || canonical.rfind(rootPath + "/", 0) == 0) {
      drive = std::string(1, UpperChar(letter)) + ":";
      rest = canonical.substr(rootPath.size());
      break;
    }
  }
  std::string result = drive;
  for (const char c : rest) result += c == '/' ? '\\' : c;
  if (rest.empty()) return result + "\\";
  if (trailing) result += "\\";
  return result;
}

}  // namespace xxj
