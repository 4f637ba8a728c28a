#include "quota/ProjectTestSupport.h"

#include "filedb/MatrixData.h"
#include "filedb/VelDatabase.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"

namespace xxj::testing {

namespace {

// A file handle whose changing calls are counted by its machine.
class TapFile : public FileHandle {
 public:
  TapFile(TapMachine& machine, std::unique_ptr<FileHandle> inner, std::string path)
      : machine_(machine), inner_(std::move(inner)), path_(std::move(path)) {}
  int64_t Read(void* buffer, int64_t count) override { return inner_->Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override {
    return machine_.Step("write", path_) ? inner_->Write(buffer, count) : -1;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override { return inner_->Seek(offset, origin); }
  int64_t Size() override { return inner_->Size(); }
  bool SetEndOfFile() override { return machine_.Step("resize", path_) && inner_->SetEndOfFile(); }
  bool Flush() override { return machine_.Step("flush", path_) && inner_->Flush(); }

 private:
  TapMachine& machine_;
  std::unique_ptr<FileHandle> inner_;
  std::string path_;
};

}  // namespace

TapMachine::TapMachine(Machine& inner) : inner_(inner) {}

bool TapMachine::Step(const std::string& kind, const std::string& path) {
  if (!counting) return true;
  steps.push_back(kind + " " + path);
  return static_cast<int>(steps.size()) != failAt;
}

std::unique_ptr<FileHandle> TapMachine::OpenFile(const std::string& path, FileAccess access,
                                                 uint32_t share, FileDisposition disposition,
                                                 std::string* error) {
  auto file = inner_.OpenFile(path, access, share, disposition, error);
  if (!file) return nullptr;
  return std::make_unique<TapFile>(*this, std::move(file), path);
}
uint32_t TapMachine::GetFileAttributes(const std::string& path) {
  return inner_.GetFileAttributes(path);
}
bool TapMachine::SetFileAttributes(const std::string& path, uint32_t attributes) {
  return inner_.SetFileAttributes(path, attributes);
}
bool TapMachine::FileExists(const std::string& path) {
  return inner_.FileExists(path);
}
bool TapMachine::DirectoryExists(const std::string& path) {
  return inner_.DirectoryExists(path);
}
bool TapMachine::CopyFile(const std::string& source, const std::string& target, bool failIfExists) {
  return Step("copy", target) && inner_.CopyFile(source, target, failIfExists);
}
bool TapMachine::MoveFile(const std::string& source, const std::string& target, bool replace) {
  return Step("rename", target) && inner_.MoveFile(source, target, replace);
}
bool TapMachine::DeleteFile(const std::string& path) {
  return inner_.DeleteFile(path);
}
bool TapMachine::CreateDirectory(const std::string& path) {
  return inner_.CreateDirectory(path);
}
bool TapMachine::RemoveDirectory(const std::string& path) {
  return inner_.RemoveDirectory(path);
}
bool TapMachine::ForceDirectories(const std::string& path) {
  return inner_.ForceDirectories(path);
}
bool TapMachine::FlushDirectory(const std::string& path) {
  return Step("flush-folder", path) && inner_.FlushDirectory(path);
}
std::vector<FindData> TapMachine::FindFiles(const std::string& pattern) {
  return inner_.FindFiles(pattern);
}
std::string TapMachine::TempPath() {
  return inner_.TempPath();
}
std::string TapMachine::ExecutablePath() {
  return inner_.ExecutablePath();
}
std::string TapMachine::FullPath(const std::string& path) {
  return inner_.FullPath(path);
}
std::string TapMachine::ToUnixPath(const std::string& windowsPath) {
  return inner_.ToUnixPath(windowsPath);
}
std::string TapMachine::FromUnixPath(const std::string& unixPath) {
  return inner_.FromUnixPath(unixPath);
}
std::unique_ptr<RegistryKey> TapMachine::OpenRegistryKey(RegistryHive hive,
                                                         const std::string& keyPath,
                                                         RegistryView view) {
  return inner_.OpenRegistryKey(hive, keyPath, view);
}
std::vector<std::string> TapMachine::RunningProcessNames() {
  return inner_.RunningProcessNames();
}
std::unique_ptr<DynamicLibrary> TapMachine::LoadLibrary(const std::string& path,
                                                        std::string* error) {
  return inner_.LoadLibrary(path, error);
}
bool TapMachine::ShellOpen(const std::string& path) {
  return inner_.ShellOpen(path);
}
bool TapMachine::SendTrace(const std::u16string& text) {
  std::string utf8;
  for (const char16_t unit : text) {
    // The tests trace ASCII and BMP Chinese only.
    if (unit < 0x80) {
      utf8 += static_cast<char>(unit);
    } else if (unit < 0x800) {
      utf8 += static_cast<char>(0xC0 | (unit >> 6));
      utf8 += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | (unit >> 12));
      utf8 += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  traces.push_back(utf8);
  return true;
}
uint32_t TapMachine::TickCount() {
  return inner_.TickCount();
}
std::array<uint8_t, 16> TapMachine::NewGuid() {
  return inner_.NewGuid();
}

// ------------------------------------------------------------------ rows

std::unique_ptr<TDek_TGLJZM> Item(int id, const std::string& code, const std::string& prices) {
  auto row = std::make_unique<TDek_TGLJZM>();
  row->SetIntValue(TDek_TGLJZM::ID, id);
  row->SetStrValue(TDek_TGLJZM::ZMBH, code);
  row->SetStrValue(TDek_TGLJZM::ZMMC, "item " + code);
  row->SetStrValue(TDek_TGLJZM::TGLJZM_DJ, prices);
  return row;
}

std::unique_ptr<TDek_TXXJ> PriceRow(int id, int year, double jan) {
  auto row = std::make_unique<TDek_TXXJ>();
  row->SetIntValue(TDek_TXXJ::ID, id);
  row->SetIntValue(TDek_TXXJ::YEAR, year);
  row->SetFloatValue(TDek_TXXJ::JAN, jan);
  row->SetFloatValue(TDek_TXXJ::YAVG, jan / 12);
  return row;
}

std::unique_ptr<TDek_TVersion> Version(int dekId) {
  auto row = std::make_unique<TDek_TVersion>();
  row->SetIntValue(TDek_TVersion::DEKID, dekId);
  row->SetStrValue(TDek_TVersion::DEKMC, "library");
  return row;
}

std::unique_ptr<TDek_TZD> Dictionary(int lx, int dm, const std::string& zwmc,
                                     const std::string& ywmc, int sequence) {
  auto row = std::make_unique<TDek_TZD>();
  row->SetIntValue(TDek_TZD::LX, lx);
  row->SetIntValue(TDek_TZD::DM, dm);
  row->SetStrValue(TDek_TZD::ZWMC, zwmc);
  row->SetStrValue(TDek_TZD::YWMC, ywmc);
  row->SetIntValue(TDek_TZD::Sequence, sequence);
  return row;
}

std::unique_ptr<TDek_TDekOption> Option(const std::string& code, const std::string& value) {
  auto row = std::make_unique<TDek_TDekOption>();
  row->SetStrValue(TDek_TDekOption::VarCode, code);
  row->SetStrValue(TDek_TDekOption::Value, value);
  return row;
}

std::vector<std::unique_ptr<TBaseDek>>& LibraryBuilder::Rows(const std::string& table) {
  for (auto& entry : tables_)
    if (entry.first == table) return entry.second;
  tables_.emplace_back(table, std::vector<std::unique_ptr<TBaseDek>>());
  return tables_.back().second;
}

void LibraryBuilder::Write(const std::string& path, const std::string& ident) const {
  CurrentMachine().DeleteFile(path);
  TFileDB db(path);
  db.SetIdent(ident);
  for (const auto& [name, rows] : tables_) {
    TDekObjList list(false);
    for (const auto& row : rows) list.Add(row.get());
    TMatrix matrix;
    SaveRowsToMatrix(list, matrix);
    db.WriteTable(name, matrix);
  }
}

std::string ReadBytes(const std::string& path) {
  auto file = CurrentMachine().OpenFile(path, FileAccess::Read, kShareReadWrite,
                                        FileDisposition::OpenExisting);
  if (!file) throw Exception("cannot read " + path);
  std::string bytes(static_cast<size_t>(file->Size()), '\0');
  if (file->Read(bytes.data(), static_cast<int64_t>(bytes.size())) !=
      static_cast<int64_t>(bytes.size()))
    throw Exception("short read " + path);
  return bytes;
}

}  // namespace xxj::testing
