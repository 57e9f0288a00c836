// A universal file of a sample base read back by tirdex load-universal, compared column by column.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "db/query.h"
#include "tests/export/export_test_support.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_base.h"

namespace tir::importing {
namespace {

// Runs tirdex; its standard output goes to `out` when given.
int Tirdex(const std::string& args, std::string* out = nullptr) {
  return test::RunCommand(std::string("'") + TIRDEX_FILE + "' " + args, out);
}

// The group tree and the goods as text, in id order, without the row version the base keeps.
std::string Snapshot(db::Connection& connection) {
  std::string text;
  for (const char* table : {"tirGoodsGroups", "tirGoods"}) {
    db::Query q(connection);
    q.SetSql(std::string("SELECT * FROM ") + table + " ORDER BY fId;");
    for (q.Open(); !q.Eof(); q.Next(), text += "\n") {
      for (std::size_t c = 0; c < q.FieldCount(); ++c) {
        if (q.FieldName(c) != "fRV") text += q.FieldByIndex(c).AsText() + "|";
      }
    }
  }
  return text;
}

// Each group's name, GUID and parent's GUID (the root counts as no parent) in base `schema`.
std::string Parents(const std::string& schema) {
  return "SELECT g.fName, g.fGUID1, g.fGUID2, p.fGUID1, p.fGUID2 FROM " + schema +
         ".tirGoodsGroups g LEFT JOIN " + schema +
         ".tirGoodsGroups p ON p.fcl<g.fcl AND p.fcr>g.fcr AND p.fclev=g.fclev-1 AND p.fclev>0 "
         "WHERE g.fclev>0";
}

// Goods columns the loader writes, with the value a missing one reads as.
const char* const kColumns[] = {
    "fCode,''",        "fName,''",      "fNameFull,''", "fDesc,''",     "fBarCode,''",
    "fBarCodeList,''", "fBarCode2,''",  "fBarCode3,''", "fUnitType,''", "fUnitType2,''",
    "fUnitType3,''",   "fpdop1,''",     "fpdop2,''",    "fpdop3,''",    "fpdop4,''",
    "fpdop5,''",       "fCoeff2,0",     "fCoeff3,0",    "fType,0",      "fVATGroup,0",
    "fVisible,0",      "fPriceIn,0",    "fPriceOut1,0", "fPriceOut2,0", "fPriceOut3,0",
    "fPriceOut4,0",    "fPriceOut5,0",  "fPriceOut6,0", "fPriceOut7,0", "fPriceOut8,0",
    "fPriceOut9,0",    "fPriceOut10,0", "fDeleted,0"};

TEST(UniversalTirdex, SampleBaseComesBackOnceForAllAndFailuresLeaveTheBaseAsItWas) {
  const test::TempFile source, file(".json");
  test::TempBase target(false);
  target.Close();  // schema replaces the file
  ASSERT_EQ(Tirdex("demo-base '" + source + "' --goods 300 --seed 3"), 0);
  ASSERT_EQ(Tirdex("export-period '" + source + "' 2000-01-01 2100-12-31 '" + file + "'"), 0);
  ASSERT_EQ(Tirdex("schema '" + target.path() + "' --force"), 0);
  const auto load = [&](const std::string& f, std::string* out = nullptr,
                        const std::string& flags = "") {
    return Tirdex("load-universal " + flags + " '" + target.path() + "' '" + f + "'", out);
  };
  // A trial run reports what the real one then does, and writes nothing.
  std::string trial, real;
  ASSERT_EQ(load(file, &trial, "--dry-run"), 0);
  ASSERT_EQ(load(file, &real), 0);
  EXPECT_EQ(trial, "dry run, nothing written; would write:\n" + real);
  EXPECT_NE(real.find("goods: 300 added, 0 updated"), std::string::npos) << real;
  db::Connection& c = target.Reopen();
  const auto count = [&](const std::string& sql) { return test::ScalarInt(c, sql); };
  db::Query attach(c);
  attach.SetSql("ATTACH DATABASE :pFile AS src;");
  attach.ParamByName("pFile").SetText(source);
  attach.ExecSql();
  EXPECT_GT(count("SELECT COUNT(*) FROM src.tirGoodsGroups WHERE fclev>1"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM (" + Parents("src") + " EXCEPT " + Parents("main") + ")"),
            0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM (" + Parents("main") + " EXCEPT " + Parents("src") + ")"),
            0);
  // Goods matched by GUID: every column the loader knows, the group by its GUID.
  ASSERT_EQ(count("SELECT COUNT(*) FROM tirGoods"), 300);
  const std::string pairs =
      "SELECT COUNT(*) FROM src.tirGoods a LEFT JOIN main.tirGoods b ON b.fGUID1=a.fGUID1 AND "
      "b.fGUID2=a.fGUID2 WHERE ";
  for (const char* column : kColumns) {
    EXPECT_EQ(count(pairs + "IFNULL(a." + column + ") IS NOT IFNULL(b." + column + ")"), 0)
        << column;
  }
  EXPECT_EQ(
      count(pairs + "(SELECT fGUID1||'/'||fGUID2 FROM src.tirGoodsGroups WHERE fId=a.fGroupID AND "
                    "fclev>0) IS NOT (SELECT fGUID1||'/'||fGUID2 FROM main.tirGoodsGroups WHERE "
                    "fId=b.fGroupID)"),
      0);

  const std::string once = Snapshot(c);
  ASSERT_EQ(load(file), 0);
  EXPECT_TRUE(Snapshot(c) == once) << "the base changed";
  // A trial run with another base's goods writes nothing.
  const test::TempFile other;
  ASSERT_EQ(Tirdex("demo-base '" + other + "' --goods 50 --seed 4"), 0);
  ASSERT_EQ(Tirdex("export-period '" + other + "' 2000-01-01 2100-12-31 '" + file + "'"), 0);
  ASSERT_EQ(load(file, &trial, "--dry-run"), 0);
  EXPECT_NE(trial.find("goods: 50 added"), std::string::npos) << trial;
  EXPECT_TRUE(Snapshot(c) == once) << "the base changed";
  // Refused with no change: a main export (its goods carry quantities only), a damaged (cut)
  // file, and one that fails half-way (a new goods item whose "guid" is no GUID, after a group).
  ASSERT_EQ(Tirdex("export '" + source + "' '" + file + "' --goods qtty"), 0);
  EXPECT_EQ(load(file), 1);
  const std::string text = test::ReadFile(file);
  std::ofstream(file, std::ios::binary) << text.substr(0, text.size() / 2);
  EXPECT_EQ(load(file), 1);
  std::ofstream(file, std::ios::binary)
      << R"({"goodsgroups":[{"name":"new","guid":"00000000-0000-0000-0000-0000000000AA"}],)"
      << R"("goods":[{"guid":"not a guid","name":"x"}],"info":{"ver":1,)"
      << R"("sourceID":"00000000-0000-0000-0000-0000000000CC","jsondocdate":"20260101000000"}})";
  EXPECT_EQ(load(file), 1);
  EXPECT_TRUE(Snapshot(c) == once) << "the base changed";
  // A group listed under itself cannot be moved there: counted and named; the rest is written.
  std::ofstream(file, std::ios::binary)
      << R"({"goodsgroups":[{"name":"A","guid":"00000000-0000-0000-0000-0000000000BB",)"
      << R"("children":[{"name":"A","guid":"00000000-0000-0000-0000-0000000000BB"}]}],)"
      << R"("info":{"ver":1,"sourceID":"00000000-0000-0000-0000-0000000000CC",)"
      << R"("jsondocdate":"20260101000000"}})";
  std::string report;
  EXPECT_EQ(load(file, &report), 0);
  EXPECT_NE(report.find("goods groups: 1 added, 1 updated\n"), std::string::npos) << report;
  EXPECT_NE(report.find("group tree operations failed: 1\n  group \"A\" not moved: "),
            std::string::npos)
      << report;
}

}  // namespace
}  // namespace tir::importing
