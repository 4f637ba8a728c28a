#pragma once
// A quota library project: the sixty tables of a .Dek library as row lists
// that load on first access, the lookups the price import needs, and the
// regional price records that live as nested rows inside string columns or in
// per-region side files next to the library.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "quota/BaseDekPrj.h"
#include "quota/DekObjects.h"

namespace xxj {

class TDekProject;
class TFileDB;

// --- Nested detail rows ---------------------------------------------------------
// A string column may hold rows of its own as "{v1||v2||...}" groups, one per
// row, with the fields a structure "{F1||F2||...}" lists.

// One group: the row's values for the structure's fields, in that order.
std::string EncodeRow(const TBaseDek& row, std::string_view structure);
// The groups of every row of list, in list order.
std::string EncodeRows(const TCustomObjList& list, std::string_view structure);
// Appends one row of rowClass per group of text to list. With a prefix (such
// as "{3||") only the first group starting with it is read, or nothing when
// there is none.
void DecodeRows(TCustomObjList& list, std::string_view text, std::string_view structure,
                std::string_view prefix, bool clearFirst, const TRowClass& rowClass);

// --- Region side files ------------------------------------------------------------

// A region asked for, and the project opened on its side file (none when the
// region has no side file).
class TDQItem {
 public:
  TDQItem(int32_t region, std::unique_ptr<TDekProject> project);
  ~TDQItem();
  int32_t Region() const { return region_; }
  TDekProject* Project() const { return project_.get(); }

 private:
  int32_t region_;
  std::unique_ptr<TDekProject> project_;
};

// The side files of one project, each region looked up once.
class TDQMng {
 public:
  explicit TDQMng(TDekProject& owner);
  ~TDQMng();
  TDQMng(const TDQMng&) = delete;
  TDQMng& operator=(const TDQMng&) = delete;

  // The side project of region r, or none (r = -1, regional prices kept in
  // the library by option, or no side file).
  TDekProject* ProjectFor(int32_t region);
  // Saves every side project that was changed.
  void SaveAll();
  int Count() const { return static_cast<int>(items_.size()); }
  const TDQItem& Items(int index) const { return *items_.at(index); }

 private:
  TDekProject& owner_;
  std::vector<std::unique_ptr<TDQItem>> items_;
};

// A name of the region list, with its region number.
struct TRegionEntry {
  std::string name;
  int32_t number = 0;
  bool operator==(const TRegionEntry&) const = default;
};

class TDekProject : public TBaseDekPrj {
 public:
  static constexpr int kTableCount = 60;

  TDekProject();
  ~TDekProject() override;

  std::string ClassName() const override { return "TDekProject"; }
  // Writes the sixty tables in declaration order, then the changed side files.
  void SaveTo(const std::string& fileName) override;
  // Learns the library number from the first TVersion row.
  void AfterOpen() override;

  // The list of a table by its list property ("TGLJZMs"), loading it on first
  // access; while the project is busy, whatever the property holds (maybe none).
  TDekObjList* GetList(std::string_view propertyName);
  TDekObjList* GetList(int tableIndex);
  TDekObjList* GetTDEZMs() { return GetList(kTDEZMs); }
  TDekObjList* GetTGLJZMs() { return GetList(kTGLJZMs); }
  TDekObjList* GetTXXJs() { return GetList(kTXXJs); }
  TDekObjList* GetTDetailTableInfos() { return GetList(kTDetailTableInfos); }
  TDekObjList* GetTVersions() { return GetList(kTVersions); }
  TDekObjList* GetTZDs() { return GetList(kTZDs); }
  TDekObjList* GetTDekOptions() { return GetList(kTDekOptions); }
  // The list property's value without loading it.
  TDekObjList* LoadedList(int tableIndex) const { return tables_.at(tableIndex).get(); }
  // Loads a table into its list property unless busy or already loaded.
  void LoadTable(std::string_view propertyName);
  // The list of the table named (ASCII case ignored), or none.
  TDekObjList* ListByTable(std::string_view tableName);

  // TGLJZM items sorted by code, rebuilt when TGLJZMs gained or lost rows.
  TDekObjList& ItemsByCode();
  // An item whose code equals code ignoring ASCII case.
  TDek_TGLJZM* FindItemByCode(std::string_view code);
  TDek_TGLJZM* FindItemByID(int32_t id);

  std::string OptionValue(std::string_view code);
  bool OptionIsTrue(std::string_view code);
  std::string RegionName(int32_t type, int32_t number);
  // Sorts TZDs by Sequence and lists the names of type `type` with their numbers.
  void FillRegionList(std::vector<TRegionEntry>& regions, int32_t type);

  // --- regional price records ---
  std::string DetailStructure(std::string_view tableName);
  int32_t ResolveRegion(int32_t region);
  // The side file of a region: "<library folder>价目表\<region name>_<library number>.dq".
  std::string RegionSideFile(int32_t region);
  TDQMng& DQMng() { return *dqMng_; }

  void LoadCompositionRows(const TDek_TGLJZM& item, TCustomObjList& list, bool clearFirst);
  // With regions none: every price row of the item; otherwise one row per
  // resolved region, read from the region's side file when it has one.
  void LoadPriceRows(const TDek_TGLJZM& item, TCustomObjList& list, bool clearFirst,
                     const std::vector<int32_t>* regions);
  std::unique_ptr<TDek_TGLJZM_DJ> RegionPriceRow(TDekProject& project, const TDek_TGLJZM* item,
                                                 int32_t region);
  std::unique_ptr<TDek_TGLJZM_DJ> GetPriceRow(const TDek_TGLJZM& item, int32_t region);
  bool HasPriceRow(const TDek_TGLJZM& item, int32_t region);
  std::unique_ptr<TDek_TGLJZM_DJ> FirstPriceRow(const TDek_TGLJZM& item);
  // Negative dedjSh, tzgljfl or tzxs leave that field as it is.
  void SetRegionPrice(int32_t region, TDek_TGLJZM& item, double dedj, double dedjSh,
                      int32_t tzgljfl, double tzxs);
  // Composition rows of regions with a side file go there; the rest stay in the item.
  void DistributeCompositionRows(const TCustomObjList& list, TDek_TGLJZM& item);

  // Declaration positions of the tables named above.
  enum : int {
    kTDEZMs = 0,
    kTGLJZMs = 1,
    kTXXJs = 7,
    kTDetailTableInfos = 10,
    kTVersions = 25,
    kTZDs = 28,
    kTDekOptions = 44,
  };

 private:
  void BuildDetailTableInfos();
  bool StoreUntouchedTable(int tableIndex, TFileDB& target, std::unique_ptr<TFileDB>& stored);
  void WritePriceRecord(TDek_TGLJZM& item, int32_t region, double dedj, double dedjSh,
                        int32_t tzgljfl, double tzxs);
  TDek_TGLJZM& SideItem(TDekProject& side, const TDek_TGLJZM& item, bool withName);

  std::array<std::unique_ptr<TDekObjList>, kTableCount> tables_;
  std::unique_ptr<TDekObjList> codeIndex_;
  std::unique_ptr<TDQMng> dqMng_;
};

}  // namespace xxj
