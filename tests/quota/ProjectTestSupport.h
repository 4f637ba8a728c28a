#pragma once
// Helpers for the project tests: a machine that records trace lines and can
// fail one chosen write step, and builders for small quota libraries.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Machine.h"
#include "quota/DekObjects.h"
#include "quota/uObjList.h"

namespace xxj::testing {

// Delegates to another machine. Every step that changes a file (a write, a
// flush, a resize, a copy, a rename, a folder flush) is counted while
// counting; the step numbered failAt (from 1) fails instead of running.
class TapMachine : public Machine {
 public:
  explicit TapMachine(Machine& inner);

  std::vector<std::string> traces;  // UTF-8
  // The steps counted so far, each described as "<kind> <path>".
  std::vector<std::string> steps;
  bool counting = false;
  int failAt = 0;

  // Counts a step; false when this is the step to fail.
  bool Step(const std::string& kind, const std::string& path);

  std::unique_ptr<FileHandle> OpenFile(const std::string& path, FileAccess access, uint32_t share,
                                       FileDisposition disposition,
                                       std::string* error = nullptr) override;
  uint32_t GetFileAttributes(const std::string& path) override;
  bool SetFileAttributes(const std::string& path, uint32_t attributes) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) override;
  bool MoveFile(const std::string& source, const std::string& target, bool replace) override;
  bool DeleteFile(const std::string& path) override;
  bool CreateDirectory(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  bool FlushDirectory(const std::string& path) override;
  std::vector<FindData> FindFiles(const std::string& pattern) override;
  std::string TempPath() override;
  std::string ExecutablePath() override;
  std::string FullPath(const std::string& path) override;
  std::string ToUnixPath(const std::string& windowsPath) override;
  std::string FromUnixPath(const std::string& unixPath) override;
  std::unique_ptr<RegistryKey> OpenRegistryKey(RegistryHive hive, const std::string& keyPath,
                                               RegistryView view) override;
  std::vector<std::string> RunningProcessNames() override;
  std::unique_ptr<DynamicLibrary> LoadLibrary(const std::string& path,
                                              std::string* error = nullptr) override;
  bool ShellOpen(const std::string& path) override;
  bool SendTrace(const std::u16string& text) override;
  bool TraceViewerPresent() override { return true; }
  uint32_t TickCount() override;
  std::array<uint8_t, 16> NewGuid() override;

 private:
  Machine& inner_;
};

// Rows for the small libraries of the tests.
std::unique_ptr<TDek_TGLJZM> Item(int id, const std::string& code, const std::string& prices = {});
std::unique_ptr<TDek_TXXJ> PriceRow(int id, int year, double jan);
std::unique_ptr<TDek_TVersion> Version(int dekId);
std::unique_ptr<TDek_TZD> Dictionary(int lx, int dm, const std::string& zwmc,
                                     const std::string& ywmc = {}, int sequence = 0);
std::unique_ptr<TDek_TDekOption> Option(const std::string& code, const std::string& value);

// A small file database: rows added table by table, written in the order
// the tables were first named.
class LibraryBuilder {
 public:
  template <class Row>
  LibraryBuilder& Add(const std::string& table, std::unique_ptr<Row> row) {
    Rows(table).push_back(std::unique_ptr<TBaseDek>(row.release()));
    return *this;
  }
  // Writes the file at path (a machine path), replacing it.
  void Write(const std::string& path, const std::string& ident = "Dek") const;

 private:
  std::vector<std::unique_ptr<TBaseDek>>& Rows(const std::string& table);
  std::vector<std::pair<std::string, std::vector<std::unique_ptr<TBaseDek>>>> tables_;
};

// Whole-file contents through the current machine.
std::string ReadBytes(const std::string& path);

}  // namespace xxj::testing
