#pragma once
// A throw-away Wine prefix for one test: dosdevices/c: -> ../drive_c and
// z: -> /, registry files written in the prefix's own text format, and a
// machine over it installed as the current machine for the test's lifetime.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Machine.h"
#include "testutil/TempFolder.h"

namespace xxj::testing {

// One registry value, all UTF-8: key "Software\Velmora\ZKPM2016_SZ" (no
// leading "\"), value name ("" is the default value) and its text. With raw
// set, value is written as is (e.g. "dword:0000002a").
struct RegistryEntry {
  std::string key;
  std::string name;
  std::string value;
  bool raw = false;
};

// The text of a registry file as the prefix writes it: header, #arch, key
// lines with time stamps, escaped names and values.
std::string RegistryFileText(const std::vector<RegistryEntry>& entries, const std::string& arch,
                             const std::string& rootComment);

class TestPrefix {
 public:
  TestPrefix();
  ~TestPrefix();
  TestPrefix(const TestPrefix&) = delete;
  TestPrefix& operator=(const TestPrefix&) = delete;

  const std::filesystem::path& Path() const { return folder_.Path(); }
  std::filesystem::path DriveC() const { return folder_.Path() / "drive_c"; }
  Machine& GetMachine() { return *machine_; }

  // HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER; arch "win64" or "win32".
  void WriteSystemReg(const std::vector<RegistryEntry>& entries, const std::string& arch = "win64");
  void WriteUserReg(const std::vector<RegistryEntry>& entries, const std::string& arch = "win64");
  // A file under drive_c; relative is a UTF-8 Unix path ("xxjInstal/a.txt").
  std::filesystem::path WriteFile(const std::string& relative, const std::string& bytes);

 private:
  TempFolder folder_;
  std::unique_ptr<Machine> machine_;
  std::unique_ptr<ScopedMachine> scope_;
};

}  // namespace xxj::testing
