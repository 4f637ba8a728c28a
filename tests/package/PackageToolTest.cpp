#include "package/PackageTool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "package/Dataset.h"
#include "package/EntryCsv.h"
#include "package/uVelFile.h"
#include "platform/Machine.h"
#include "support/Errors.h"
#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"

namespace xxj {
namespace {

namespace fs = std::filesystem;

// The four entries the import reads, in the form extract prints them, so the
// round trip can be compared byte for byte. They hold CJK text, commas,
// quotes and line breaks in cells, NULLs (empty cells) and empty texts (""),
// negative money with four decimals, and dates with and without a time.
const char* const kTgljzm =
    "DekID,ID,ZMBH,zmmc,zmmc_sx,gg,lx,zjh,dw,scbh,scxs,sftc,xssx,jlrq,fyfl,kzbz,lxbz,zjqxz,"
    "wasteRate,sclb,DEDJ,gyj,ysj,jsj,gsj,TZXS\n"
    "1,10,0101001,螺纹钢筋,LWGJ,\"HRB400, Φ12\",2,0,t,1,0,0,3,2019-12-04,1,0,0,,5,2,"
    "-4123.5678,0,0,0,0,1\n"
    "1,11,0101002,\"圆钢 \"\"Q235\"\"\",,\"\",2,,kg,,,,,2019-12-04 08:30:00,,,,\"多行\n说明\","
    ",,0.0001,,,,,\n";
const char* const kTgljlx = "LXID,ZMID\n1,10\n2,11\n";
const char* const kTglzmgc =
    "ID,ZMBH,ZMMC,GLLX,DW,GG,DEDJ,GLJFLs,DEKIDs,Sequence,ZJH,LatestXXJPhase,isDekZM,isJGKZM,"
    "YGZGLJFL,TZXS\n"
    "10,0101001,螺纹钢筋,2,t,HRB400,4123.5,\"1,2,3\",1,1,0,2019年12月,1,0,0,1\n";
const char* const kTxxj =
    "Year,ZMBH,DekID,ZMMC,DW,LX,GG,DEDJ,ID,GLJFLs,Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,"
    "Dec,Jan_SH,Feb_SH,Mar_SH,Apr_SH,May_SH,Jun_SH,Jul_SH,Aug_SH,Sep_SH,Oct_SH,Nov_SH,Dec_SH,"
    "Yavg,TZXS\n"
    "2019,0101001,1,螺纹钢筋,t,2,HRB400,4123.5,10,1,,,,,,,,,,,,4200.25,,,,,,,,,,,,4190,"
    "4200,1\n"
    "2020,0101001,1,螺纹钢筋,t,2,HRB400,4123.5,10,1,4210.125,,,,,,,,,,,,-1,,,,,,,,,,,,,\n";

class PackageTool : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const fs::path path = folder / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return RunPackageTool(args, out, err);
  }
  std::vector<std::string> Create(const std::string& pkg) {
    return {"create",
            pkg,
            "--name",
            "深圳市2019年12月信息价",
            "--remark",
            "含税价,除税价",
            "--library-id",
            "102013",
            "--start",
            "2019-12",
            "--end",
            "2020-01",
            "TGLJZM=" + Write("zm.csv", kTgljzm),
            "TGLJLX=" + Write("lx.csv", kTgljlx),
            "TGLZMGC=" + Write("gc.csv", kTglzmgc),
            "TXXJ=" + Write("xxj.csv", kTxxj)};
  }

  testing::TestPrefix prefix;
  fs::path folder = prefix.Path() / "work";
  std::ostringstream out, err;
  PackageTool() { fs::create_directories(folder); }
};

TEST_F(PackageTool, PackageOfTheFourImportEntriesRoundTrips) {
  const std::string pkg = (folder / "prices.xxj").string();
  ASSERT_EQ(Run(Create(pkg)), 0) << err.str();

  TXxjFile file(CurrentMachine().FromUnixPath(pkg), kOpenReadShared);
  EXPECT_EQ(file.Header().Name(), Gbk("深圳市2019年12月信息价"));
  EXPECT_EQ(file.Header().Remark(), Gbk("含税价,除税价"));
  EXPECT_EQ(file.QuotaLibraryId(), 102013);
  EXPECT_EQ(file.StartDate(), 43800);  // 2019-12-01
  EXPECT_EQ(file.EndDate(), 43831);    // 2020-01-01
  const struct {
    const char* entry;
    const char* csv;
  } entries[] = {{"TGLJZM", kTgljzm}, {"TGLJLX", kTgljlx}, {"TGLZMGC", kTglzmgc}, {"TXXJ", kTxxj}};
  for (const auto& e : entries) {
    Dataset ds;
    ASSERT_TRUE(file.LoadEntry(e.entry, ds)) << e.entry;
    EXPECT_EQ(CsvFromDataset(ds, false), e.csv) << e.entry;
    ASSERT_EQ(Run({"extract", pkg, e.entry}), 0);
    EXPECT_EQ(out.str(), e.csv);
  }
  // Values as the import engines read them.
  Dataset zm;
  file.LoadEntry("tgljzm", zm);
  zm.First();
  EXPECT_EQ(zm.FieldByName("zmmc").AsString(), Gbk("螺纹钢筋"));
  EXPECT_DOUBLE_EQ(zm.FieldByName("DEDJ").AsFloat(), -4123.5678);
  EXPECT_EQ(zm.FieldByName("DEDJ").Kind(), FieldKind::Currency);
  EXPECT_EQ(zm.FieldByName("jlrq").AsInteger(), 43803);
  EXPECT_EQ(zm.FieldByName("gg").Size(), 255u);
  zm.Next();
  EXPECT_EQ(zm.FieldByName("zmmc").AsString(), Gbk("圆钢 \"Q235\""));
  EXPECT_TRUE(zm.FieldByName("zmmc_sx").IsNull());
  EXPECT_FALSE(zm.FieldByName("gg").IsNull());
  EXPECT_TRUE(zm.FieldByName("zjh").IsNull());
  EXPECT_EQ(zm.FieldByName("zjqxz").AsString(), Gbk("多行\n说明"));
  Dataset xxj;
  file.LoadEntry("TXXJ", xxj);
  EXPECT_EQ(xxj.FieldCount(), 36);
  EXPECT_EQ(xxj.FieldByName("Dec_SH").Kind(), FieldKind::Double);
  EXPECT_EQ(xxj.FieldByName("GLJFLs").Kind(), FieldKind::Memo);

  ASSERT_EQ(Run({"list", pkg}), 0);
  EXPECT_NE(out.str().find("深圳市2019年12月信息价"), std::string::npos);
  EXPECT_NE(out.str().find("2019-12 .. 2020-01"), std::string::npos);
  EXPECT_NE(out.str().find("TGLZMGC"), std::string::npos);
}

TEST_F(PackageTool, TypedExtractPacksAgainUnchanged) {
  const std::string csv =
      "Code:text(10),Price:cur,When:date,Note:memo,N:int\n"
      "A1,1.5,2020-02-29,\"x,y\",7\n,,,,\n";
  const std::string pkg = (folder / "other.xxj").string();
  ASSERT_EQ(Run({"create", pkg, "--name", "n", "--library-id", "1", "--start", "2020-01", "--end",
                 "2020-12", "--stored", "OTHER=" + Write("o.csv", csv)}),
            0)
      << err.str();
  ASSERT_EQ(Run({"extract", pkg, "other", "--typed"}), 0);
  EXPECT_EQ(out.str(), csv);
}

TEST_F(PackageTool, BadInputNamesTheProblemAndLeavesNothingBehind) {
  const std::string pkg = (folder / "bad.xxj").string();
  const struct {
    const char* csv;
    const char* message;
  } cases[] = {
      {"Year,ZMBH\n2019,\"open\n", "t.csv:2: a quoted cell is not closed"},
      {"Year,ZMBH\n2019,\"a\"b\n", "t.csv:2: text after a closing quote"},
      {"Year,Foo\n1,2\n", "column Foo is not a column of entry TXXJ"},
      {"Year,DEDJ\n2019,1.23456\n", "t.csv:2: column DEDJ: '1.23456' is not an amount"},
      {"Year,Jan\n2019,abc\n", "column Jan: 'abc' is not a number"},
      {"Year\n2019x\n", "column Year: '2019x' is not a 32-bit integer"},
      {"Year,DW\n2019,123456789012345678901234567890123456789012345678901\n",
       "the text has 51 characters, the column holds 50"},
      {"Year,DW\n2019\n", "t.csv:2: 1 cells where the header names 2 columns"},
      {"X:money\n1\n", "unknown type 'money'"},
  };
  for (const auto& c : cases) {
    const std::string csvPath = Write("t.csv", c.csv);
    EXPECT_EQ(Run({"create", pkg, "--name", "n", "--library-id", "1", "--start", "2020-01", "--end",
                   "2020-01", "TXXJ=" + csvPath}),
              1)
        << c.csv;
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
  }
  EXPECT_EQ(Run({"create", pkg, "--name", std::string(50, 'n'), "--library-id", "1", "--start",
                 "2020-01", "--end", "2020-01"}),
            1);
  EXPECT_NE(err.str().find("49"), std::string::npos) << err.str();
  EXPECT_EQ(Run({"create", (folder / "no/such.xxj").string(), "--name", "n", "--library-id", "1",
                 "--start", "2020-01", "--end", "2020-01"}),
            1);
  EXPECT_NE(err.str().find("does not exist"), std::string::npos) << err.str();
  EXPECT_EQ(Run({"create", pkg, "--library-id", "1"}), 2);
  EXPECT_EQ(Run({"extract", pkg}), 2);
  EXPECT_EQ(Run({"frobnicate"}), 2);
  // Only the CSV files remain: no package, no partial file.
  for (const auto& entry : fs::directory_iterator(folder))
    EXPECT_EQ(entry.path().extension(), ".csv") << entry.path();
}

TEST(Csv, QuotesLineBreaksAndNulls) {
  const auto records = ParseCsv(
      "\xEF\xBB\xBF"
      "a,\"b,c\",\"\"\r\n\"x\ny\",,\"q\"\"\"\n",
      "f.csv");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].cells, (std::vector<std::string>{"a", "b,c", ""}));
  EXPECT_EQ(records[0].quoted, (std::vector<bool>{false, true, true}));
  EXPECT_EQ(records[1].cells, (std::vector<std::string>{"x\ny", "", "q\""}));
  EXPECT_EQ(records[1].line, 2);
  EXPECT_EQ(records[1].quoted[1], false);
}

}  // namespace
}  // namespace xxj
