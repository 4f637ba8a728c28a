#include "quota/DekProject.h"

#include <gtest/gtest.h>

#include <regex>

#include "filedb/MatrixData.h"
#include "filedb/VelDatabase.h"
#include "quota/ProjectTestSupport.h"
#include "support/Errors.h"
#include "support/MessageDialog.h"
#include "support/TextEncoding.h"
#include "testutil/RecordingUserInterface.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

using testing::Dictionary;
using testing::Item;
using testing::LibraryBuilder;
using testing::Option;
using testing::PriceRow;
using testing::ReadBytes;
using testing::Version;

const std::string kLibrary = "C:\\dek\\a.Dek";

class DekProjectTest : public ::testing::Test {
 protected:
  DekProjectTest() : tap_(prefix_.GetMachine()), scope_(tap_) {
    tap_.ForceDirectories("C:\\dek\\");
  }

  std::vector<std::string> TracesStartingWith(const std::string& head) const {
    std::vector<std::string> found;
    for (const std::string& line : tap_.traces)
      if (line.rfind(head, 0) == 0) found.push_back(line);
    return found;
  }

  static std::vector<int> Ids(const TDekObjList& list, int prop) {
    std::vector<int> ids;
    for (const TCustomObject* row : list.List()) ids.push_back(row->GetIntValue(prop));
    return ids;
  }

  xxj::testing::TestPrefix prefix_;
  xxj::testing::TapMachine tap_;
  ScopedMachine scope_;
};

TEST_F(DekProjectTest, OpenLearnsTheLibraryNumberFromTheFirstVersionRowAndLoadsNothingElse) {
  LibraryBuilder()
      .Add("TVersion", Version(102013))
      .Add("TVersion", Version(7))
      .Add("TGLJZM", Item(1, "A"))
      .Write(kLibrary);
  const std::string before = ReadBytes(kLibrary);
  std::string workingCopy;
  {
    TDekProject project;
    project.Save();  // nothing opened: nothing to save
    project.Open(kLibrary);
    EXPECT_EQ(project.LibraryID(), 102013);
    EXPECT_NE(project.LoadedList(TDekProject::kTVersions), nullptr);
    EXPECT_EQ(project.LoadedList(TDekProject::kTGLJZMs), nullptr);
    EXPECT_EQ(project.TableNames(), (std::vector<std::string>{"TVersion", "TGLJZM"}));
    workingCopy = project.WorkingCopy();
    EXPECT_EQ(workingCopy.rfind(tap_.TempPath(), 0), 0u) << workingCopy;
    EXPECT_TRUE(tap_.FileExists(workingCopy));
  }
  EXPECT_FALSE(tap_.FileExists(workingCopy)) << "working copy left behind";
  EXPECT_EQ(ReadBytes(kLibrary), before);
}

TEST_F(DekProjectTest, LibraryNumberStaysZeroWithoutVersionRows) {
  for (const bool tableExists : {false, true}) {
    LibraryBuilder builder;
    builder.Add("TGLJZM", Item(1, "A"));
    builder.Write(kLibrary);
    if (tableExists) {
      TFileDB db(kLibrary);
      TMatrix empty;
      empty.AddColumn<TMIntColumn>("DEKID");
      db.WriteTable("TVersion", empty);
    }
    TDekProject project;
    project.Open(kLibrary);
    EXPECT_EQ(project.LibraryID(), 0) << tableExists;
    EXPECT_EQ(project.GetTVersions()->Count(), 0);
  }
}

TEST_F(DekProjectTest, OpenRefusesMissingFilesAndFilesThatAreNoFileDatabase) {
  TDekProject project;
  try {
    project.Open("C:\\dek\\missing.Dek");
    FAIL();
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), Gbk("找不到定额库:") + "C:\\dek\\missing.Dek");
  }
  prefix_.WriteFile("dek/junk.Dek", std::string(4096, 'x'));
  try {
    project.Open("C:\\dek\\junk.Dek");
    FAIL();
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), Gbk("无效的Velmora数据库文件格式"));
  }
}

TEST_F(DekProjectTest, TablesLoadOnFirstAccessSortedOnTheirLoadKey) {
  auto jx = [](const std::string& code) {
    auto row = std::make_unique<TDek_TDEZM_JX>();
    row->SetStrValue(TDek_TDEZM_JX::ZMBH, code);
    return row;
  };
  LibraryBuilder()
      .Add("TGLJZM", Item(3, "C"))
      .Add("TGLJZM", Item(1, "A"))
      .Add("TGLJZM", Item(2, "B"))
      .Add("TZD", Dictionary(21, 9, "x"))
      .Add("TZD", Dictionary(21, 4, "y"))
      .Add("TDEZM_JX", jx("b2"))
      .Add("TDEZM_JX", jx("A1"))
      .Add("TDEZM_JX", jx("B1"))
      .Write(kLibrary);
  TDekProject project;
  project.Open(kLibrary);
  EXPECT_EQ(Ids(*project.GetTGLJZMs(), TDek_TGLJZM::ID), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Ids(*project.GetTZDs(), TDek_TZD::DM), (std::vector<int>{9, 4})) << "file order kept";
  std::vector<std::string> codes;
  for (const TCustomObject* row : project.GetList("TDEZM_JXs")->List())
    codes.push_back(row->GetStrValue(TDek_TDEZM_JX::ZMBH));
  EXPECT_EQ(codes, (std::vector<std::string>{"A1", "B1", "b2"}));
  EXPECT_EQ(project.ListByTable("tglzm"), nullptr);
  EXPECT_EQ(project.ListByTable("tglJZM"), project.GetTGLJZMs());
}

TEST_F(DekProjectTest, AMissingTableIsTracedAndReadsEmpty) {
  LibraryBuilder().Add("TGLJZM", Item(1, "A")).Write(kLibrary);
  TDekProject project;
  project.Open(kLibrary);
  ASSERT_NE(project.GetTXXJs(), nullptr);
  EXPECT_EQ(project.GetTXXJs()->Count(), 0);
  EXPECT_EQ(TracesStartingWith("找不到表：TXXJ").size(), 1u);
}

TEST_F(DekProjectTest, SaveRightAfterOpenRewritesTheSixtyTablesAndKeepsOthers) {
  LibraryBuilder()
      .Add("TVersion", Version(5))
      .Add("TForeign", Item(9, "kept as it is"))
      .Add("TGLJZM", Item(2, "B"))
      .Add("TGLJZM", Item(1, "A"))
      .Write(kLibrary, "Old");
  {
    // A stored table with a column the row class lacks, and one of the sixty without rows.
    TFileDB db(kLibrary);
    TMatrix prices;
    prices.AddColumn<TMIntColumn>("ID");
    prices.AddColumn<TMStringColumn>("LEGACY");
    prices.AddColumn<TMFloatColumn>("JAN");
    prices.Append();
    prices.Columns(0).SetValue(Variant(int32_t{4}));
    prices.Columns(1).SetValue(Variant("old column"));
    prices.Columns(2).SetValue(Variant(2.5));
    db.WriteTable("TXXJ", prices);
    TMatrix empty;
    empty.AddColumn<TMIntColumn>("ID");
    db.WriteTable("TGLJFL", empty);
  }
  TDekProject project;
  project.Open(kLibrary);
  project.Save();

  TFileDB db(kLibrary);
  EXPECT_EQ(db.GetIdent(), "Dek");
  EXPECT_EQ(db.TableName(0), "TForeign") << "tables outside the sixty stay first, untouched";
  EXPECT_EQ(db.IndexOfTable("TGLJFL"), -1) << "an empty table of the sixty is deleted";
  std::vector<std::string> written;
  for (int i = 1; i < db.TableCount(); ++i) written.push_back(db.TableName(i));
  EXPECT_EQ(written, (std::vector<std::string>{"TGLJZM", "TXXJ", "TDetailTableInfo", "TVersion"}));

  auto prices = db.ReadTable("TXXJ");
  ASSERT_TRUE(prices);
  EXPECT_EQ(prices->FindColumn("LEGACY"), nullptr) << "a column the class lacks is dropped";
  EXPECT_EQ(prices->ColumnCount(), TDek_TXXJ::PropCount);
  EXPECT_EQ(prices->FindColumn("JAN")->GetValue().AsDouble(), 2.5);

  auto infos = db.ReadTable("TDetailTableInfo");
  ASSERT_TRUE(infos);
  ASSERT_EQ(infos->RowCount(), 7);
  EXPECT_EQ(infos->FindColumn("TableName")->GetValue().AsText(), "TDEZM_DJ");
  infos->Next();
  infos->Next();
  EXPECT_EQ(infos->FindColumn("TableName")->GetValue().AsText(), "TGLJZM_DJ");
  EXPECT_EQ(infos->FindColumn("Structon")->GetValue().AsText(),
            "{DQID||DEDJ||YSJ||DEDJ_SH||TZGLJFL||TZXS}");

  // One trace line per table, in declaration order.
  const std::vector<std::string> lines = TracesStartingWith("Save:");
  ASSERT_EQ(lines.size(), 60u);
  const std::regex shape("Save:([A-Za-z_]+?)([0-9]+)");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[0], match, shape)) << lines[0];
  EXPECT_EQ(match[1], "TDEZM");
  ASSERT_TRUE(std::regex_match(lines[7], match, shape)) << lines[7];
  EXPECT_EQ(match[1], "TXXJ");
  EXPECT_EQ(lines[59].rfind("Save:TZMGC_SubDEZM_ZDHS", 0), 0u);
  EXPECT_FALSE(project.Modified());
}

TEST_F(DekProjectTest, ChangedRowsReachTheLibraryAndTheWorkingCopy) {
  LibraryBuilder()
      .Add("TXXJ", PriceRow(1, 2024, 10))
      .Add("TXXJ", PriceRow(2, 2024, 20))
      .Write(kLibrary);
  TDekProject project;
  project.Open(kLibrary);
  project.SetModified(true);
  TDekObjList& prices = *project.GetTXXJs();
  prices.At<TDek_TXXJ>(0)->SetFloatValue(TDek_TXXJ::JAN, 11);
  prices.Delete(1);
  prices.AddObj(std::unique_ptr<TCustomObject>(PriceRow(3, 2025, 30).release()));
  project.Save();
  EXPECT_FALSE(project.Modified());
  EXPECT_FALSE(tap_.FileExists(TBaseDekPrj::PendingSaveFile(kLibrary)));
  for (const std::string& file : {kLibrary, project.WorkingCopy()}) {
    TDekProject reopened;
    reopened.Open(file);
    const TDekObjList& saved = *reopened.GetTXXJs();
    EXPECT_EQ(Ids(saved, TDek_TXXJ::ID), (std::vector<int>{1, 3})) << file;
    EXPECT_EQ(saved.At<TDek_TXXJ>(0)->GetFloatValue(TDek_TXXJ::JAN), 11);
  }
}

TEST_F(DekProjectTest, AReadOnlyOrHeldLibraryOpensButRefusesToSave) {
  for (const bool held : {false, true}) {
    LibraryBuilder().Add("TXXJ", PriceRow(1, 2024, 10)).Write(kLibrary);
    std::unique_ptr<FileHandle> holder;
    if (held)  // another program has it open and lets others only read
      holder = tap_.OpenFile(kLibrary, FileAccess::Read, kShareRead, FileDisposition::OpenExisting);
    else
      ASSERT_TRUE(tap_.SetFileAttributes(kLibrary, kFileAttributeReadOnly));
    const std::string before = ReadBytes(kLibrary);
    xxj::testing::RecordingUserInterface ui;
    TDekProject project;
    project.Open(kLibrary);
    EXPECT_EQ(tap_.GetFileAttributes(project.WorkingCopy()) & kFileAttributeReadOnly, 0u);
    project.GetTXXJs()->At<TDek_TXXJ>(0)->SetFloatValue(TDek_TXXJ::JAN, 99);
    project.SetModified(true);
    EXPECT_THROW(project.Save(), EAbort) << held;
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].text,
              Gbk("文件 【") + kLibrary + Gbk("】 ") + "\n\r" + Gbk("只读或被占用，无法保存！"));
    EXPECT_EQ(ui.dialogs[0].caption, Gbk("提示"));
    EXPECT_EQ(ui.dialogs[0].icon, DialogIcon::Information);
    EXPECT_EQ(ReadBytes(kLibrary), before);
    EXPECT_FALSE(tap_.FileExists(TBaseDekPrj::PendingSaveFile(kLibrary)));
    EXPECT_TRUE(project.Modified());
    holder.reset();
    tap_.SetFileAttributes(kLibrary, kFileAttributeNormal);
  }
}

TEST_F(DekProjectTest, ItemLookupsByCodeAndNumber) {
  LibraryBuilder()
      .Add("TGLJZM", Item(1, "ABC"))
      .Add("TGLJZM", Item(2, "B01"))
      .Add("TGLJZM", Item(3, "a00"))
      .Write(kLibrary);
  TDekProject project;
  project.Open(kLibrary);
  ASSERT_NE(project.FindItemByCode("abc"), nullptr);
  EXPECT_EQ(project.FindItemByCode("abc")->GetIntValue(TDek_TGLJZM::ID), 1);
  EXPECT_EQ(project.FindItemByCode("B02"), nullptr);
  EXPECT_EQ(project.FindItemByID(3)->GetStrValue(TDek_TGLJZM::ZMBH), "a00");

  project.GetTGLJZMs()->AddObj(std::unique_ptr<TCustomObject>(Item(10, "B02").release()));
  ASSERT_NE(project.FindItemByCode("B02"), nullptr) << "the code index follows added rows";
  EXPECT_EQ(project.FindItemByCode("B02")->GetIntValue(TDek_TGLJZM::ID), 10);
  EXPECT_EQ(project.FindItemByID(10)->GetStrValue(TDek_TGLJZM::ZMBH), "B02");
  EXPECT_EQ(project.FindItemByID(2)->GetStrValue(TDek_TGLJZM::ZMBH), "B01");
}

TEST_F(DekProjectTest, OptionsAndRegions) {
  LibraryBuilder()
      .Add("TDekOption", Option("optA", "true"))
      .Add("TDekOption", Option("OPTA", "False"))
      .Add("TDekOption", Option("optB", "yes"))
      .Add("TZD", Dictionary(21, 5, Gbk("南山"), "", 2))
      .Add("TZD", Dictionary(7, 5, "other type", "", 0))
      .Add("TZD", Dictionary(21, 3, Gbk("福田"), "", 1))
      .Write(kLibrary);
  TDekProject project;
  project.Open(kLibrary);
  EXPECT_EQ(project.OptionValue("OPTa"), "true") << "the first row of a code wins";
  EXPECT_TRUE(project.OptionIsTrue("opta"));
  EXPECT_FALSE(project.OptionIsTrue("optB"));
  EXPECT_EQ(project.OptionValue("none"), "");
  EXPECT_EQ(project.RegionName(21, 5), Gbk("南山"));
  EXPECT_EQ(project.RegionName(21, 9), "");
  std::vector<TRegionEntry> regions{{"stale", 1}};
  project.FillRegionList(regions, 21);
  EXPECT_EQ(regions, (std::vector<TRegionEntry>{{Gbk("福田"), 3}, {Gbk("南山"), 5}}));
}

}  // namespace
}  // namespace xxj
