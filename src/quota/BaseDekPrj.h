#pragma once
// One open quota library file (.Dek). The project works on a private working
// copy of the library: every table read comes from that copy, and the library
// itself is touched only while saving. A save never rewrites the library in
// place: the new content goes to a file beside it, is flushed to disk and then
// renamed over the library, so an interrupted save leaves the old library.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xxj {

class TCustomObjList;
class TRowClass;

class TBaseDekPrj {
 public:
  TBaseDekPrj();
  TBaseDekPrj(const TBaseDekPrj&) = delete;
  TBaseDekPrj& operator=(const TBaseDekPrj&) = delete;
  // Deletes the working copy; the library file is not saved.
  virtual ~TBaseDekPrj();

  // Makes the working copy of fileName and reads its table directory. Raises
  // "找不到定额库:" + fileName for a missing file and the file database's own
  // error for a file that is not one.
  void Open(const std::string& fileName);
  // Writes every table into the library. A read-only or busy library shows a
  // notice and ends in the silent abort with nothing written. On failure the
  // library keeps its previous content and the error reaches the caller.
  void Save();

  // Writes the tables into fileName; nothing in this class.
  virtual void SaveTo(const std::string& fileName);
  virtual void PrepareOpen() {}
  virtual void AfterOpen() {}
  virtual std::string ClassName() const { return "TBaseDekPrj"; }

  // Reads one table of the working copy into list as rows of rowClass; a table
  // the file lacks is traced and leaves the list empty.
  void ReadTableRows(std::string_view tableName, const TRowClass& rowClass, TCustomObjList& list);

  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  bool Busy() const { return busy_; }
  int32_t LibraryID() const { return libraryId_; }
  void SetLibraryID(int32_t id) { libraryId_ = id; }
  const std::string& FileName() const { return fileName_; }
  const std::string& WorkingCopy() const { return workingCopy_; }
  // The tables the library held when it was opened, in directory order.
  const std::vector<std::string>& TableNames() const { return tableNames_; }

  // The file a save writes before it replaces the library.
  static std::string PendingSaveFile(const std::string& fileName);

 protected:
  // Sets the busy flag for a scope and restores the previous state after it,
  // also when the scope ends with an error.
  class BusyScope {
   public:
    explicit BusyScope(TBaseDekPrj& project) : project_(project), previous_(project.busy_) {
      project.busy_ = true;
    }
    ~BusyScope() { project_.busy_ = previous_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    TBaseDekPrj& project_;
    bool previous_;
  };
  void SetBusy(bool busy) { busy_ = busy; }

 private:
  void ReplaceLibrary();
  void RestoreLibraryFromWorkingCopy();

  bool modified_ = false;
  bool busy_ = false;
  std::string fileName_;
  std::string workingCopy_;
  int32_t libraryId_ = 0;
  std::vector<std::string> tableNames_;
};

}  // namespace xxj
