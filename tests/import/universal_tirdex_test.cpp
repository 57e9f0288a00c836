// A universal file of a sample base read back by tirdex load-universal, compared column by column.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "db/query.h"
#include "tests/export/export_test_support.h"
#include "tests/support/temp_base.h"

namespace tir::importing {
namespace {

int Tirdex(const std::string& args) {
  const std::string command = std::string("'") + TIRDEX_FILE + "' " + args + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every row of a table as text, in id order, without the row version the base keeps itself.
std::string Dump(db::Connection& connection, const std::string& table) {
  db::Query q(connection);
  q.SetSql("SELECT * FROM " + table + " ORDER BY fId;");
  q.Open();
  std::string text;
  for (; !q.Eof(); q.Next()) {
    for (std::size_t c = 0; c < q.FieldCount(); ++c) {
      if (q.FieldName(c) != "fRV") text += q.FieldByIndex(c).AsText() + "|";
    }
    text += "\n";
  }
  return text;
}

// Goods columns the loader writes, with the value a missing one reads as.
const char* const kTextColumns[] = {"fCode",     "fName",        "fNameFull",  "fDesc",
                                    "fBarCode",  "fBarCodeList", "fBarCode2",  "fBarCode3",
                                    "fUnitType", "fUnitType2",   "fUnitType3", "fpdop1",
                                    "fpdop2",    "fpdop3",       "fpdop4",     "fpdop5"};
const char* const kNumberColumns[] = {
    "fCoeff2",    "fCoeff3",    "fType",      "fVATGroup",   "fVisible",   "fPriceIn",
    "fPriceOut1", "fPriceOut2", "fPriceOut3", "fPriceOut4",  "fPriceOut5", "fPriceOut6",
    "fPriceOut7", "fPriceOut8", "fPriceOut9", "fPriceOut10", "fDeleted"};

class UniversalTirdexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Tirdex("demo-base '" + source_ + "' --goods 300 --seed 3"), 0);
    ASSERT_EQ(Tirdex("export-period '" + source_ + "' 2000-01-01 2100-12-31 '" + file_ + "'"), 0);
    target_.Close();  // schema replaces the file
    ASSERT_EQ(Tirdex("schema '" + target_.path() + "' --force"), 0);
    target_.Reopen();
  }
  void TearDown() override {
    test::RemoveBaseFiles(source_);
    std::filesystem::remove(file_);
  }
  int Load(const std::string& file) {
    return Tirdex("load-universal '" + target_.path() + "' '" + file + "'");
  }
  std::int64_t Count(const std::string& sql) { return test::ScalarInt(target_.conn(), sql); }
  std::string Snapshot() {
    return Dump(target_.conn(), "tirGoodsGroups") + Dump(target_.conn(), "tirGoods");
  }

  std::string source_ = test::TempPath();
  std::string file_ = test::TempPath(".json");
  test::TempBase target_{false};
};

TEST_F(UniversalTirdexTest, SampleBaseComesBackWithTheSameGroupsAndGoods) {
  ASSERT_EQ(Load(file_), 0);
  db::Connection& c = target_.conn();
  db::Query attach(c);
  attach.SetSql("ATTACH DATABASE :pFile AS src;");
  attach.ParamByName("pFile").SetText(source_);
  attach.ExecSql();
  // Groups: the same names under parents with the same GUIDs (the root counts as no parent).
  const std::string parents =
      "SELECT g.fName, g.fGUID1, g.fGUID2, p.fGUID1, p.fGUID2 FROM &.tirGoodsGroups g LEFT JOIN "
      "&.tirGoodsGroups p ON p.fcl<g.fcl AND p.fcr>g.fcr AND p.fclev=g.fclev-1 AND p.fclev>0 "
      "WHERE g.fclev>0";
  const auto in = [&](const char* schema) {
    std::string sql = parents;
    for (std::size_t at; (at = sql.find('&')) != std::string::npos;) sql.replace(at, 1, schema);
    return sql;
  };
  EXPECT_GT(Count("SELECT COUNT(*) FROM src.tirGoodsGroups WHERE fclev>1"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM (" + in("src") + " EXCEPT " + in("main") + ")"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM (" + in("main") + " EXCEPT " + in("src") + ")"), 0);

  // Goods: matched by GUID, every column the loader knows, the group by its GUID.
  ASSERT_EQ(Count("SELECT COUNT(*) FROM tirGoods"), 300);
  const std::string pairs =
      "SELECT COUNT(*) FROM src.tirGoods a LEFT JOIN main.tirGoods b ON b.fGUID1=a.fGUID1 AND "
      "b.fGUID2=a.fGUID2 WHERE ";
  for (const char* column : kTextColumns) {
    EXPECT_EQ(Count(pairs + "IFNULL(a." + column + ",'') IS NOT IFNULL(b." + column + ",'')"), 0)
        << column;
  }
  for (const char* column : kNumberColumns) {
    EXPECT_EQ(Count(pairs + "IFNULL(a." + column + ",0) IS NOT b." + column), 0) << column;
  }
  EXPECT_EQ(
      Count(pairs + "(SELECT fGUID1||'/'||fGUID2 FROM src.tirGoodsGroups WHERE fId=a.fGroupID AND "
                    "fclev>0) IS NOT (SELECT fGUID1||'/'||fGUID2 FROM main.tirGoodsGroups WHERE "
                    "fId=b.fGroupID)"),
      0);
}

TEST_F(UniversalTirdexTest, LoadingTwiceEqualsOnceAndFailuresLeaveTheBaseAsItWas) {
  ASSERT_EQ(Load(file_), 0);
  const std::string once = Snapshot();
  ASSERT_EQ(Load(file_), 0);
  EXPECT_EQ(Snapshot(), once);

  // A damaged (cut) file, a refused one and one that fails half-way: exit 1, nothing written.
  const std::string text = test::ReadFile(file_);
  const std::string bad = test::TempPath(".json");
  std::ofstream(bad, std::ios::binary) << text.substr(0, text.size() / 2);
  EXPECT_EQ(Load(bad), 1);
  std::ofstream(bad, std::ios::binary) << R"({"goods":[],"info":{"ver":0,"sourceID":""}})";
  EXPECT_EQ(Load(bad), 1);
  std::ofstream(bad, std::ios::binary)
      << R"({"goodsgroups":[{"name":"new","guid":"00000000-0000-0000-0000-0000000000AA"},)"
      << R"({"name":"A","guid":"00000000-0000-0000-0000-0000000000BB","children":[)"
      << R"({"name":"A","guid":"00000000-0000-0000-0000-0000000000BB"}]}],)"
      << R"("info":{"ver":1,"sourceID":"00000000-0000-0000-0000-0000000000CC"}})";
  EXPECT_EQ(Load(bad), 1);
  std::filesystem::remove(bad);
  EXPECT_EQ(Snapshot(), once);
  EXPECT_EQ(Load(file_ + ".missing"), 1);
}

}  // namespace
}  // namespace tir::importing
