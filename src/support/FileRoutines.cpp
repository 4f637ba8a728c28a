#include "support/FileRoutines.h"

#include <cstdio>

#include "platform/Machine.h"

namespace xxj {
namespace {

bool IsLeadByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x81 && b <= 0xFE;
}

// Index of the last single-byte character of path found in delimiters, or
// npos. A GBK trail byte can equal "\" (0x5C), so the path is walked
// character by character instead of searched from the end.
size_t LastDelimiter(const std::string& path, std::string_view delimiters) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(path[i]) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (delimiters.find(path[i]) != std::string_view::npos) last = i;
  }
  return last;
}

bool EndsWithBackslash(const std::string& path) {
  return !path.empty() && LastDelimiter(path, "\\") == path.size() - 1;
}

bool IsDots(const std::string& name) {
  return name == "." || name == "..";
}

// "C:" or "\\server\share" at the start of path; empty when there is none.
std::string ExtractFileDrive(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' && !IsLeadByte(path[0])) return path.substr(0, 2);
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    size_t slashes = 0;
    size_t i = 2;
    for (; i < path.size(); ++i) {
      if (IsLeadByte(path[i]) && i + 1 < path.size()) {
        ++i;
        continue;
      }
      if (path[i] == '\\' && ++slashes == 2) break;
    }
    return path.substr(0, i);
  }
  return {};
}

// The folder part of a file path, up to and including its last "\" or ":".
std::string ExtractFilePath(const std::string& path) {
  const size_t last = LastDelimiter(path, "\\:");
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

}  // namespace

int FindFiles(const std::string& folder, const std::string& extension,
              std::vector<std::string>& list, bool recursive) {
  const std::string base = WithTrailingBackslash(folder);
  const std::string pattern = base + "*" + (extension.empty() ? std::string(".*") : extension);
  Machine& machine = CurrentMachine();
  int count = 0;
  for (const FindData& entry : machine.FindFiles(pattern)) {
    if (entry.attributes & (kFileAttributeDirectory | kFileAttributeSystem)) continue;
    list.push_back(base + entry.name);
    ++count;
  }
  if (!recursive) return count;
  for (const FindData& entry : machine.FindFiles(base + "*.*")) {
    if (!(entry.attributes & kFileAttributeDirectory) || IsDots(entry.name)) continue;
    count += FindFiles(base + entry.name + "\\", extension, list, true);
  }
  return count;
}

std::string WithTrailingBackslash(const std::string& path) {
  if (path.empty() || EndsWithBackslash(path)) return path;
  return path + "\\";
}

void DeleteFolderTree(const std::string& folder, bool resetAttributes) {
  if (folder.empty()) return;
  Machine& machine = CurrentMachine();
  // A linked folder's contents belong elsewhere: only the link goes.
  const uint32_t own = machine.GetFileAttributes(folder);
  if (own != kInvalidFileAttributes && (own & kFileAttributeReparsePoint)) {
    machine.DeleteFile(folder);
    return;
  }
  const std::string base = WithTrailingBackslash(folder);
  for (const FindData& entry : machine.FindFiles(base + "*.*")) {
    if (IsDots(entry.name)) continue;
    const std::string path = base + entry.name;
    if (entry.attributes & kFileAttributeReparsePoint) {
      // Resetting attributes would change the link's target, not the link.
      machine.DeleteFile(path);
      continue;
    }
    if (entry.attributes & kFileAttributeDirectory) {
      // The reset reaches into subfolders too: a read-only file further down
      // would otherwise keep the whole branch alive.
      DeleteFolderTree(path, resetAttributes);
      continue;
    }
    if (resetAttributes) machine.SetFileAttributes(path, kFileAttributeNormal);
    machine.DeleteFile(path);
  }
  if (resetAttributes) machine.SetFileAttributes(folder, kFileAttributeNormal);
  machine.RemoveDirectory(folder);
}

std::string GetPersonalFolder() {
  const auto key = CurrentMachine().OpenRegistryKey(
      RegistryHive::CurrentUser,
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
      RegistryView::Native);
  return key ? key->ReadString("Personal") : std::string();
}

std::string GetTempDirectory() {
  return CurrentMachine().TempPath();
}

std::string NewGuidString() {
  const std::array<uint8_t, 16> b = CurrentMachine().NewGuid();
  // The bytes are the GUID as laid out in memory: the first three fields are
  // little-endian numbers, the last eight bytes are printed in order.
  char text[39];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return text;
}

std::string ApplicationFolder() {
  return ExtractFilePath(CurrentMachine().ExecutablePath());
}

std::string ResolveRelativeFile(const std::string& baseFile, const std::string& name) {
  if (ExtractFileDrive(baseFile).empty()) return name;
  if (!ExtractFileDrive(name).empty()) return CurrentMachine().FullPath(name);
  return ExtractFilePath(baseFile) + name;
}

}  // namespace xxj
