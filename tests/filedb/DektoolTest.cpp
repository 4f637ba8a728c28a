// dektool against a file database written here. The tool is the executable
// built beside this test; a build without it skips the test.

#include <gtest/gtest.h>

#include <filesystem>

#include "filedb/MatrixData.h"
#include "filedb/VelDatabase.h"
#include "support/TextEncoding.h"
#include "testutil/TestPrefix.h"
#include "testutil/ToolRun.h"

namespace xxj {
namespace {

std::filesystem::path DektoolPath() {
  return testing::ToolPath("dektool");
}

testing::ToolResult RunDektool(const std::string& arguments) {
  return testing::RunTool("dektool", arguments);
}

TEST(Dektool, ShowsAndDumpsAFileDatabase) {
  if (!std::filesystem::exists(DektoolPath())) GTEST_SKIP() << "dektool is not built";
  testing::TestPrefix prefix;
  {
    TFileDB db("C:\\lib.Dek");
    db.SetIdent("Dek");
    TMatrix matrix;
    matrix.AddColumn<TMIntColumn>("ID");
    matrix.AddColumn<TMFloatColumn>("XXDJ");
    matrix.AddColumn<TMStringColumn>("ZMMC");
    matrix.AddColumn<TMBlobColumn>("DATA");
    matrix.Append();
    matrix.Columns(0).SetAsInteger(7);
    matrix.Columns(1).SetAsFloat(0.1 + 0.2);
    matrix.Columns(2).SetAsString(Gbk("水泥, 袋装"));
    matrix.Columns(3).SetValue(Variant("\x01\xAB"));
    db.WriteTable(Gbk("TXXJ"), matrix);
    TMatrix empty;
    empty.AddColumn<TMIntColumn>("N");
    db.WriteTable("TEMPTY", empty);
  }
  const std::string file = (prefix.DriveC() / "lib.Dek").string();

  const testing::ToolResult info = RunDektool("info " + file);
  EXPECT_EQ(info.exitCode, 0) << info.output;
  for (const char* expected :
       {"Velmora Database V2.0", "Ident:        Dek", "Tables:       2", "TXXJ", "TEMPTY"})
    EXPECT_NE(info.output.find(expected), std::string::npos) << expected << "\n" << info.output;

  const testing::ToolResult dump = RunDektool("dump " + file + " txxj");
  EXPECT_EQ(dump.exitCode, 0) << dump.output;
  EXPECT_EQ(dump.output,
            "ID:Integer,XXDJ:Float,ZMMC:String,DATA:Blob\n"
            "7,0.30000000000000004,\"水泥, 袋装\",0x01ab\n");

  EXPECT_EQ(RunDektool("dump " + file + " TNONE").exitCode, 1);
  EXPECT_EQ(RunDektool("info " + (prefix.DriveC() / "missing.Dek").string()).exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(prefix.DriveC() / "missing.Dek"));  // never created
  EXPECT_EQ(RunDektool("--help").exitCode, 0);
  EXPECT_EQ(RunDektool("").exitCode, 2);
}

}  // namespace
}  // namespace xxj
