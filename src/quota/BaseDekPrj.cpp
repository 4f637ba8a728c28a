#include "quota/BaseDekPrj.h"

#include <memory>

#include "filedb/MatrixData.h"
#include "filedb/VelDatabase.h"
#include "platform/Machine.h"
#include "quota/BaseDekClasses.h"
#include "support/Errors.h"
#include "support/FileRoutines.h"
#include "support/MessageDialog.h"
#include "support/TextEncoding.h"
#include "support/Trace.h"

namespace xxj {

namespace {

// The folder of a file, ending with "\".
std::string FolderOf(const std::string& fileName) {
  const std::string full = CurrentMachine().FullPath(fileName);
  const size_t cut = full.rfind('\\');
  return cut == std::string::npos ? std::string(".\\") : full.substr(0, cut + 1);
}

// A library that another program holds, or that is read-only, cannot be
// replaced; the probe asks for sole read-write access.
bool CanOpenForWriting(const std::string& fileName) {
  return CurrentMachine().OpenFile(fileName, FileAccess::ReadWrite, kShareNone,
                                   FileDisposition::OpenExisting) != nullptr;
}

void FlushFile(const std::string& fileName) {
  std::string reason;
  std::unique_ptr<FileHandle> file = CurrentMachine().OpenFile(
      fileName, FileAccess::ReadWrite, kShareReadWrite, FileDisposition::OpenExisting, &reason);
  if (!file || !file->Flush())
    throw Exception("Cannot flush the file \"" + fileName + "\" to disk. " + reason);
}

}  // namespace

TBaseDekPrj::TBaseDekPrj() = default;

TBaseDekPrj::~TBaseDekPrj() {
  if (!workingCopy_.empty()) CurrentMachine().DeleteFile(workingCopy_);
}

std::string TBaseDekPrj::PendingSaveFile(const std::string& fileName) {
  return fileName + ".saving";
}

void TBaseDekPrj::Open(const std::string& fileName) {
  Machine& machine = CurrentMachine();
  if (!machine.FileExists(fileName)) throw Exception(Gbk("找不到定额库:") + fileName);
  fileName_ = fileName;
  if (!workingCopy_.empty()) machine.DeleteFile(workingCopy_);
  workingCopy_ = GetTempDirectory() + NewGuidString();
  if (!machine.CopyFile(fileName, workingCopy_, false)) {
    const std::string failed = workingCopy_;
    workingCopy_.clear();
    throw EFCreateError("Cannot copy the library \"" + fileName + "\" to \"" + failed + "\"");
  }
  // A read-only library still gives a working copy the project can use.
  machine.SetFileAttributes(workingCopy_, kFileAttributeNormal);
  {
    TFileDB db(workingCopy_);
    tableNames_.clear();
    for (int i = 0; i < db.TableCount(); ++i) tableNames_.push_back(db.TableName(i));
  }
  PrepareOpen();
  AfterOpen();
}

void TBaseDekPrj::SaveTo(const std::string& /*fileName*/) {}

void TBaseDekPrj::ReadTableRows(std::string_view tableName, const TRowClass& rowClass,
                                TCustomObjList& list) {
  if (workingCopy_.empty() || !CurrentMachine().FileExists(workingCopy_)) return;
  TFileDB db(workingCopy_);
  std::unique_ptr<TMatrix> matrix = db.ReadTable(tableName);
  if (!matrix) {
    TraceLine(Gbk("找不到表：") + std::string(tableName));
    return;
  }
  LoadRowsFromMatrix(*matrix, rowClass, list);
}

void TBaseDekPrj::Save() {
  Machine& machine = CurrentMachine();
  if (!fileName_.empty() && machine.FileExists(fileName_) && !CanOpenForWriting(fileName_)) {
    ShowMessageDialog(
        Gbk("文件 【") + fileName_ + Gbk("】 ") + "\n\r" + Gbk("只读或被占用，无法保存！"),
        Gbk("提示"), kMbIconInformation);
    Abort();
  }
  if (fileName_.empty()) return;
  try {
    ReplaceLibrary();
  } catch (const std::exception& error) {
    TraceLine(ClassName() + ".Save Err: " + error.what());
    throw;
  }
  // Later restores start from the saved state.
  if (!machine.CopyFile(fileName_, workingCopy_, false))
    TraceLine(ClassName() + ".Save: cannot refresh the working copy " + workingCopy_);
  machine.SetFileAttributes(workingCopy_, kFileAttributeNormal);
  modified_ = false;
}

// The new library is built beside the old one, from a copy of it so that
// tables the project does not know stay as they are, made durable, and only
// then put in the library's place by a rename: at every moment the library
// file is either the old one or the new one.
void TBaseDekPrj::ReplaceLibrary() {
  Machine& machine = CurrentMachine();
  const std::string pending = PendingSaveFile(fileName_);
  machine.DeleteFile(pending);  // left over by a save that was interrupted
  if (machine.FileExists(fileName_) && !machine.CopyFile(fileName_, pending, false))
    throw EFCreateError("Cannot create the file \"" + pending + "\" to save \"" + fileName_ + "\"");
  bool replaced = false;
  try {
    SaveTo(pending);
    FlushFile(pending);
    if (!machine.MoveFile(pending, fileName_, true))
      throw Exception("Cannot replace the library \"" + fileName_ + "\" with \"" + pending + "\"");
    replaced = true;
    if (!machine.FlushDirectory(FolderOf(fileName_)))
      throw Exception("Cannot flush the folder of the library \"" + fileName_ + "\" to disk");
  } catch (...) {
    if (replaced) RestoreLibraryFromWorkingCopy();
    machine.DeleteFile(pending);
    throw;
  }
}

// The rename went through but is not known to be durable: put the content of
// the last open or save back, by the same copy-and-rename route.
void TBaseDekPrj::RestoreLibraryFromWorkingCopy() {
  Machine& machine = CurrentMachine();
  const std::string pending = PendingSaveFile(fileName_);
  if (machine.CopyFile(workingCopy_, pending, false) && machine.MoveFile(pending, fileName_, true))
    machine.FlushDirectory(FolderOf(fileName_));
}

}  // namespace xxj
