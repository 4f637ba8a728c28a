// Nested price and composition rows, region redirection and side files.

#include <gtest/gtest.h>

#include "quota/DekProject.h"
#include "quota/ProjectTestSupport.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

using testing::Dictionary;
using testing::Item;
using testing::LibraryBuilder;
using testing::Option;
using testing::Version;

const std::string kPriceStructure = "{DQID||DEDJ||YSJ||DEDJ_SH||TZGLJFL||TZXS}";
const std::string kCompositionStructure = "{ZMBH||GCL||LX||DQID||GCL_SH}";

std::vector<std::string> Encoded(const TDekObjList& list, const std::string& structure) {
  std::vector<std::string> groups;
  for (const TCustomObject* row : list.List())
    groups.push_back(EncodeRow(dynamic_cast<const TBaseDek&>(*row), structure));
  return groups;
}

TEST(NestedRows, DecodeTable) {
  struct Case {
    std::string text;
    std::string prefix;
    std::vector<std::string> rows;  // each decoded row encoded again
  };
  const Case cases[] = {
      {"{3||12.5||0||12.5||-1||0}{5||13||0||13||-1||0}",
       "",
       {"{3||12.5||0||12.5||-1||0}", "{5||13||0||13||-1||0}"}},
      // Missing trailing values read as 0.
      {"{3||12.5}", "", {"{3||12.5||0||0||0||0}"}},
      // The prefix of region 3 does not match inside region 13.
      {"{13||1||0||0||0||0}{3||2||0||0||0||0}", "{3||", {"{3||2||0||0||0||0}"}},
      {"{13||1||0||0||0||0}", "{3||", {}},
      // Text in a number field is 0; values beyond the fields are ignored.
      {"{x||1.5e1||abc||2||-1||0.25||extra}", "", {"{0||15||0||2||-1||0.25}"}},
      {"", "", {}},
      {"{}", "", {"{0||0||0||0||0||0}"}},
      {"no group {4||1", "", {}},
  };
  for (const Case& c : cases) {
    TDekObjList list(true);
    DecodeRows(list, c.text, kPriceStructure, c.prefix, false, TDek_TGLJZM_DJ::ClassRef());
    EXPECT_EQ(Encoded(list, kPriceStructure), c.rows) << c.text << " prefix " << c.prefix;
  }
}

TEST(NestedRows, EncodeFollowsTheStructure) {
  TDek_TGLJZM_DJ price;
  price.SetIntValue(TDek_TGLJZM_DJ::DQId, 7);
  price.SetFloatValue(TDek_TGLJZM_DJ::DEDJ, 10);
  price.SetFloatValue(TDek_TGLJZM_DJ::DEDJ_SH, 10);
  price.SetIntValue(TDek_TGLJZM_DJ::TZGLJFL, -1);
  EXPECT_EQ(EncodeRow(price, kPriceStructure), "{7||10||0||10||-1||0}");
  // Fields the class lacks are empty; a structure without fields gives "{}".
  EXPECT_EQ(EncodeRow(price, "{DEDJ||NOSUCH||dqid}"), "{10||||7}");
  EXPECT_EQ(EncodeRow(price, "{}"), "{}");

  TDek_TDEZM_JX flags;  // a boolean property
  flags.SetStrValue(TDek_TDEZM_JX::ZMBH, "Z1");
  flags.SetIntValue(TDek_TDEZM_JX::isCSDE, 1);
  EXPECT_EQ(EncodeRow(flags, "{ZMBH||isCSDE||DELX}"), "{Z1||1||0}");
  TDekObjList decoded(true);
  DecodeRows(decoded, "{Z2||1}{Z3||true}", "{ZMBH||isCSDE}", "", false, TDek_TDEZM_JX::ClassRef());
  ASSERT_EQ(decoded.Count(), 2);
  EXPECT_EQ(decoded[0]->GetIntValue(TDek_TDEZM_JX::isCSDE), 1);
  EXPECT_EQ(decoded[1]->GetIntValue(TDek_TDEZM_JX::isCSDE), 0) << "only \"1\" is true";
}

TEST(NestedRows, ChineseCodesWhoseSecondByteIsABarOrABraceSurvive) {
  // GBK 0x817C and 0x817D: their second bytes are "|" and "}".
  const std::string code = std::string("\x81\x7C", 2) + "A" + std::string("\x81\x7D", 2);
  TDek_TGLZMGC row;
  row.SetStrValue(TDek_TGLZMGC::ZMBH, code);
  row.SetFloatValue(TDek_TGLZMGC::GCL, 2.5);
  row.SetIntValue(TDek_TGLZMGC::DQID, 3);
  TDekObjList list(false);
  list.Add(&row);
  const std::string text = EncodeRows(list, kCompositionStructure) + "{X||1||0||4||0}";
  list.Extract(&row);
  TDekObjList decoded(true);
  DecodeRows(decoded, text, kCompositionStructure, "", true, TDek_TGLZMGC::ClassRef());
  ASSERT_EQ(decoded.Count(), 2);
  EXPECT_EQ(decoded[0]->GetStrValue(TDek_TGLZMGC::ZMBH), code);
  EXPECT_EQ(decoded[0]->GetFloatValue(TDek_TGLZMGC::GCL), 2.5);
  EXPECT_EQ(decoded[1]->GetIntValue(TDek_TGLZMGC::DQID), 4);
}

TEST(NestedRows, ClearFirstAndUnsupportedKinds) {
  TDekObjList list(true);
  DecodeRows(list, "{1||1}", kPriceStructure, "", false, TDek_TGLJZM_DJ::ClassRef());
  DecodeRows(list, "{2||1}", kPriceStructure, "", false, TDek_TGLJZM_DJ::ClassRef());
  EXPECT_EQ(list.Count(), 2);
  DecodeRows(list, "{3||1}", kPriceStructure, "{9||", true, TDek_TGLJZM_DJ::ClassRef());
  EXPECT_EQ(list.Count(), 0) << "cleared even when the prefix is absent";

  TDekObjList notes(true);  // ZJSM holds a memory stream
  try {
    DecodeRows(notes, "{1||x}", "{ID||ZJSM}", "", false, TDek_TZJMC::ClassRef());
    FAIL();
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "unknow TPropTypeKind type");
  }
}

class RegionalPriceTest : public ::testing::Test {
 protected:
  RegionalPriceTest() : tap_(prefix_.GetMachine()), scope_(tap_) {
    tap_.ForceDirectories(Gbk("C:\\dek\\价目表\\"));
  }

  // A library numbered 102013 with regions 3 (福田, with a side file when
  // asked) and 5 (南山, none), region 8 redirected to 5.
  void WriteLibraries(bool sideFile, const std::string& option = {}) {
    LibraryBuilder library;
    library.Add("TVersion", Version(102013))
        .Add("TZD", Dictionary(21, 3, Gbk("福田")))
        .Add("TZD", Dictionary(21, 5, Gbk("南山")))
        .Add("TZD", Dictionary(21, 8, Gbk("其他"), Gbk("，0,abc,5")))
        .Add("TGLJZM",
             Item(1, "A", "{1||9||0||9||-1||0}{3||12.5||0||12.5||-1||0}{5||13||0||13||-1||0}"))
        .Add("TGLJZM", Item(2, "B"));
    if (!option.empty()) library.Add("TDekOption", Option("optNotTreateDQDJ", option));
    library.Write(kLibrary);
    if (sideFile)
      LibraryBuilder().Add("TGLJZM", Item(1, "A", "{3||30||0||30||-1||0}")).Write(kSideFile);
  }

  TDek_TGLJZM& ItemOf(TDekProject& project, int id) {
    TDek_TGLJZM* item = project.FindItemByID(id);
    if (!item) throw Exception("no item");
    return *item;
  }

  const std::string kLibrary = "C:\\dek\\a.Dek";
  const std::string kSideFile = Gbk("C:\\dek\\价目表\\福田_102013.dq");
  xxj::testing::TestPrefix prefix_;
  xxj::testing::TapMachine tap_;
  ScopedMachine scope_;
};

TEST_F(RegionalPriceTest, StructuresAndRegionRedirection) {
  WriteLibraries(false);
  TDekProject project;
  project.Open(kLibrary);
  EXPECT_EQ(project.DetailStructure("tglzmgc"), kCompositionStructure);
  try {
    project.DetailStructure("TNOSUCH");
    FAIL();
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), Gbk("未找到detailtable Structon:") + "TNOSUCH");
  }
  EXPECT_EQ(project.ResolveRegion(8), 5) << "full-width comma, then 0 and abc skipped";
  EXPECT_EQ(project.ResolveRegion(3), 3) << "empty YWMC";
  EXPECT_EQ(project.ResolveRegion(77), 77) << "unknown region";
  EXPECT_EQ(project.RegionSideFile(3), kSideFile);
}

TEST_F(RegionalPriceTest, PriceRowsFromTheItemWithoutSideFiles) {
  WriteLibraries(false);
  TDekProject project;
  project.Open(kLibrary);
  TDek_TGLJZM& item = ItemOf(project, 1);

  auto row = project.GetPriceRow(item, 8);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->GetIntValue(TDek_TGLJZM_DJ::DQId), 5);
  EXPECT_EQ(row->GetFloatValue(TDek_TGLJZM_DJ::DEDJ), 13);
  EXPECT_TRUE(project.HasPriceRow(item, 3));
  EXPECT_FALSE(project.HasPriceRow(item, 9));
  auto first = project.FirstPriceRow(item);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->GetFloatValue(TDek_TGLJZM_DJ::DEDJ), 9);
  EXPECT_EQ(project.FirstPriceRow(ItemOf(project, 2)), nullptr);

  // Regions 8 and 5 resolve to one number, read once.
  TDekObjList rows(true);
  const std::vector<int32_t> regions{8, 5, 3};
  project.LoadPriceRows(item, rows, true, &regions);
  EXPECT_EQ(Encoded(rows, kPriceStructure),
            (std::vector<std::string>{"{5||13||0||13||-1||0}", "{3||12.5||0||12.5||-1||0}"}));
  TDekObjList borrowed(false);
  EXPECT_THROW(project.LoadPriceRows(item, borrowed, true, nullptr), Exception);
  EXPECT_EQ(project.DQMng().Count(), 4) << "regions 5, 3, 9 and 1 asked once each";
}

TEST_F(RegionalPriceTest, SetRegionPriceRewritesOnlyItsOwnGroup) {
  WriteLibraries(false);
  TDekProject project;
  project.Open(kLibrary);
  TDek_TGLJZM& item = ItemOf(project, 1);
  project.SetRegionPrice(7, item, 14, -1, -1, -1);
  EXPECT_EQ(item.GetStrValue(TDek_TGLJZM::TGLJZM_DJ),
            "{1||9||0||9||-1||0}{3||12.5||0||12.5||-1||0}{5||13||0||13||-1||0}{7||14||0||0||0||0}");
  project.SetRegionPrice(3, item, 20, 21, 2, 0.5);
  project.SetRegionPrice(5, item, 15, -1, -1, -1);
  EXPECT_EQ(item.GetStrValue(TDek_TGLJZM::TGLJZM_DJ),
            "{1||9||0||9||-1||0}{3||20||0||21||2||0.5}{5||15||0||13||-1||0}{7||14||0||0||0||0}");
}

TEST_F(RegionalPriceTest, SideFilesHoldTheirRegionsAndAreSavedWithTheLibrary) {
  WriteLibraries(true);
  {
    TDekProject project;
    project.Open(kLibrary);
    TDek_TGLJZM& item = ItemOf(project, 1);
    auto row = project.GetPriceRow(item, 3);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->GetFloatValue(TDek_TGLJZM_DJ::DEDJ), 30) << "the side file wins";

    project.SetRegionPrice(3, item, 31, -1, -1, -1);
    TDek_TGLJZM& item2 = ItemOf(project, 2);
    project.SetRegionPrice(3, item2, 40, -1, -1, -1);
    EXPECT_EQ(item.GetStrValue(TDek_TGLJZM::TGLJZM_DJ),
              "{1||9||0||9||-1||0}{3||12.5||0||12.5||-1||0}{5||13||0||13||-1||0}")
        << "the library's own text is untouched";
    ASSERT_EQ(project.DQMng().Count(), 1);
    EXPECT_TRUE(project.DQMng().Items(0).Project()->Modified());

    // Composition rows: region 3 goes to the side file, region 5 stays.
    TDekObjList composition(true);
    DecodeRows(composition, "{C1||1||0||3||0}{C2||2||0||5||0}{C3||3||0||3||0}",
               kCompositionStructure, "", false, TDek_TGLZMGC::ClassRef());
    project.DistributeCompositionRows(composition, item2);
    EXPECT_EQ(item2.GetStrValue(TDek_TGLJZM::TGLZMGC), "{C2||2||0||5||0}");
    project.Save();
    EXPECT_FALSE(project.DQMng().Items(0).Project()->Modified());
  }
  TDekProject side;
  side.Open(kSideFile);
  ASSERT_EQ(side.GetTGLJZMs()->Count(), 2);
  const TDek_TGLJZM& sideItem1 = *side.FindItemByID(1);
  EXPECT_EQ(sideItem1.GetStrValue(TDek_TGLJZM::TGLJZM_DJ), "{3||31||0||30||-1||0}");
  const TDek_TGLJZM& sideItem2 = *side.FindItemByID(2);
  EXPECT_EQ(sideItem2.GetStrValue(TDek_TGLJZM::ZMBH), "B");
  EXPECT_EQ(sideItem2.GetStrValue(TDek_TGLJZM::ZMMC), "item B");
  EXPECT_EQ(sideItem2.GetStrValue(TDek_TGLJZM::TGLJZM_DJ), "{3||40||0||0||0||0}");
  EXPECT_EQ(sideItem2.GetStrValue(TDek_TGLJZM::TGLZMGC), "{C1||1||0||3||0}{C3||3||0||3||0}");

  TDekProject library;
  library.Open(kLibrary);
  TDek_TGLJZM& item = ItemOf(library, 1);
  TDekObjList loaded(true);
  library.LoadCompositionRows(ItemOf(library, 2), loaded, true);
  EXPECT_EQ(Encoded(loaded, kCompositionStructure), (std::vector<std::string>{"{C2||2||0||5||0}"}));
  EXPECT_EQ(library.GetPriceRow(item, 3)->GetFloatValue(TDek_TGLJZM_DJ::DEDJ), 31);
}

TEST_F(RegionalPriceTest, TheOptionKeepsEveryRegionInTheLibrary) {
  for (const std::string value : {"TRUE", "true", "True"}) {
    WriteLibraries(true, value);
    TDekProject project;
    project.Open(kLibrary);
    TDek_TGLJZM& item = ItemOf(project, 1);
    EXPECT_EQ(project.GetPriceRow(item, 3)->GetFloatValue(TDek_TGLJZM_DJ::DEDJ), 12.5) << value;
    project.SetRegionPrice(3, item, 50, -1, -1, -1);
    EXPECT_EQ(project.DQMng().ProjectFor(3), nullptr);
    EXPECT_EQ(project.DQMng().Count(), 0) << "no side file was opened";
    EXPECT_EQ(item.GetStrValue(TDek_TGLJZM::TGLJZM_DJ),
              "{1||9||0||9||-1||0}{3||50||0||12.5||-1||0}{5||13||0||13||-1||0}");
  }
}

}  // namespace
}  // namespace xxj
