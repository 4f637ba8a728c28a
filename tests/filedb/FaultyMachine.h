#pragma once
// A machine that passes everything to another one but can refuse write access
// to files and make writes fail after a number of bytes, as a full disk does.

#include <algorithm>
#include <memory>

#include "platform/Machine.h"

namespace xxj::testing {

class FaultyMachine : public Machine {
 public:
  explicit FaultyMachine(Machine& inner) : inner_(inner) {}

  bool refuseWriteAccess = false;
  // Bytes that may still be written through files opened from now on; -1 = no limit.
  int64_t writeBudget = -1;

  std::unique_ptr<FileHandle> OpenFile(const std::string& path, FileAccess access, uint32_t share,
                                       FileDisposition disposition,
                                       std::string* error = nullptr) override {
    if (refuseWriteAccess && access != FileAccess::Read) {
      if (error) *error = "Access denied";
      return nullptr;
    }
    auto file = inner_.OpenFile(path, access, share, disposition, error);
    return file ? std::make_unique<Handle>(std::move(file), writeBudget) : nullptr;
  }
  uint32_t GetFileAttributes(const std::string& p) override { return inner_.GetFileAttributes(p); }
  bool SetFileAttributes(const std::string& p, uint32_t a) override {
    return inner_.SetFileAttributes(p, a);
  }
  bool FileExists(const std::string& p) override { return inner_.FileExists(p); }
  bool DirectoryExists(const std::string& p) override { return inner_.DirectoryExists(p); }
  bool CopyFile(const std::string& s, const std::string& t, bool f) override {
    return inner_.CopyFile(s, t, f);
  }
  bool MoveFile(const std::string& s, const std::string& t, bool r) override {
    return inner_.MoveFile(s, t, r);
  }
  bool DeleteFile(const std::string& p) override { return inner_.DeleteFile(p); }
  bool CreateDirectory(const std::string& p) override { return inner_.CreateDirectory(p); }
  bool RemoveDirectory(const std::string& p) override { return inner_.RemoveDirectory(p); }
  bool ForceDirectories(const std::string& p) override { return inner_.ForceDirectories(p); }
  bool FlushDirectory(const std::string& p) override { return inner_.FlushDirectory(p); }
  std::vector<FindData> FindFiles(const std::string& p) override { return inner_.FindFiles(p); }
  std::string TempPath() override { return inner_.TempPath(); }
  std::string ExecutablePath() override { return inner_.ExecutablePath(); }
  std::string FullPath(const std::string& p) override { return inner_.FullPath(p); }
  std::string ToUnixPath(const std::string& p) override { return inner_.ToUnixPath(p); }
  std::string FromUnixPath(const std::string& p) override { return inner_.FromUnixPath(p); }
  std::unique_ptr<RegistryKey> OpenRegistryKey(RegistryHive h, const std::string& k,
                                               RegistryView v) override {
    return inner_.OpenRegistryKey(h, k, v);
  }
  std::vector<std::string> RunningProcessNames() override { return inner_.RunningProcessNames(); }
  std::unique_ptr<DynamicLibrary> LoadLibrary(const std::string& p,
                                              std::string* e = nullptr) override {
    return inner_.LoadLibrary(p, e);
  }
  bool ShellOpen(const std::string& p) override { return inner_.ShellOpen(p); }
  bool SendTrace(const std::u16string& t) override { return inner_.SendTrace(t); }
  bool TraceViewerPresent() override { return inner_.TraceViewerPresent(); }
  uint32_t TickCount() override { return inner_.TickCount(); }
  std::array<uint8_t, 16> NewGuid() override { return inner_.NewGuid(); }

 private:
  class Handle : public FileHandle {
   public:
    Handle(std::unique_ptr<FileHandle> inner, int64_t budget)
        : inner_(std::move(inner)), budget_(budget) {}
    int64_t Read(void* b, int64_t n) override { return inner_->Read(b, n); }
    int64_t Write(const void* b, int64_t n) override {
      if (budget_ >= 0) {
        n = std::min(n, budget_);
        if (n == 0) return -1;
        budget_ -= n;
      }
      return inner_->Write(b, n);
    }
    int64_t Seek(int64_t o, SeekOrigin origin) override { return inner_->Seek(o, origin); }
    int64_t Size() override { return inner_->Size(); }
    bool SetEndOfFile() override { return inner_->SetEndOfFile(); }
    bool Flush() override { return inner_->Flush(); }

   private:
    std::unique_ptr<FileHandle> inner_;
    int64_t budget_;
  };

  Machine& inner_;
};

}  // namespace xxj::testing
