// Module jobs over an ODBC connection: a full mass re-posting of a sample base through the SQLite
// ODBC driver writes the same registers as through the SQLite backend, and a damaged group tree
// is found and repaired.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "db/odbc_connection.h"
#include "db/query.h"
#include "frame/app_globals.h"
#include "host/demo/demo_base.h"
#include "odbc_sqlite_driver.h"
#include "posting/main_provodka.h"
#include "posting/mass_repost_run.h"
#include "settings/value_params.h"
#include "tests/support/temp_base.h"
#include "tree/tree_integrity.h"
#include "tree/tree_repair.h"

namespace tir::db {
namespace {

using Table = std::vector<std::vector<double>>;

Table Rows(Connection& c, const std::string& sql) {
  Query q(c);
  q.SetSql(sql);
  Table rows;
  for (q.Open(); !q.Eof(); q.Next()) {
    rows.emplace_back();
    for (std::size_t i = 0; i < q.FieldCount(); ++i)
      rows.back().push_back(q.FieldByIndex(i).AsDouble());
  }
  return rows;
}

// The registers and the document states, in a fixed order.
std::vector<Table> Registers(Connection& c) {
  return {Rows(c,
               "SELECT fDocId, fPosGoodId, fStoreId, fSign, fGoodId, fOperType, "
               "julianday(fDateTime), fQtty, fSum FROM tirAStore ORDER BY fDocId, fPosGoodId, "
               "fStoreId, fSign;"),
          Rows(c,
               "SELECT fEntId, fStoreId, fGoodId, fQtty, fSum FROM tirAStoreNow ORDER BY "
               "fEntId, fStoreId, fGoodId;"),
          Rows(c,
               "SELECT fDocId, fSign, fSum, julianday(fDateTime) FROM tirAMSettlement ORDER BY "
               "fDocId, fSign, fSum;"),
          Rows(c,
               "SELECT fDocId, fSign, fSum, fCashAccountId FROM tirAPayments ORDER BY fDocId, "
               "fSign, fSum;"),
          Rows(c, "SELECT fId, fState FROM tirDocuments ORDER BY fId;")};
}

void RepostAll(Connection& c) {
  posting::TDMMainProvodka engine;
  engine.SetConnectToDB(&c);
  posting::TMassRepostOptions o;
  o.full = true;
  o.chunk = 40;
  ASSERT_EQ(posting::RunMassRepost(engine, c, o).outcome,
            posting::TMassRepostResult::TOutcome::kDone);
}

TEST(OdbcEndToEnd, MassRepostAndTreeRepairOverOdbc) {
  const std::string odbcPath = test::TempPath();
  const std::string connectionString = testkit::SqliteOdbcString(odbcPath);
  if (connectionString.empty()) GTEST_SKIP() << "the SQLite ODBC driver is not installed";
  frame::gAppParams.fUserID = 1;
  tir::gValueParams.fPriceDigit = 2;
  tir::gValueParams.fCountDigit = 3;

  test::TempBase direct;
  demo::DemoOptions demo;
  demo.goods = 40;
  demo.docs = 150;
  demo.seed = 5;
  demo::GenerateDemoBase(direct.conn(), demo);
  {
    Query states(direct.conn());  // documents to re-post: states 0 and 3, some left alone in 1
    states.SetSql(
        "UPDATE tirDocuments SET fState = CASE fId % 5 WHEN 0 THEN 1 WHEN 1 THEN 3 ELSE 0 END;");
    states.ExecSql();
  }
  direct.Close();
  std::filesystem::copy_file(direct.path(), odbcPath);
  RepostAll(direct.Reopen());
  const std::vector<Table> expected = Registers(direct.conn());
  ASSERT_GT(expected[0].size(), 100u);

  auto odbc = OdbcConnection::Open(connectionString);
  RepostAll(*odbc);
  const std::vector<Table> actual = Registers(*odbc);
  for (std::size_t t = 0; t < expected.size(); ++t) {
    ASSERT_EQ(expected[t].size(), actual[t].size()) << "table " << t;
    for (std::size_t r = 0; r < expected[t].size(); ++r) {
      for (std::size_t k = 0; k < expected[t][r].size(); ++k) {
        // The SQLite ODBC driver passes REAL values as 15-digit text.
        ASSERT_NEAR(expected[t][r][k], actual[t][r][k],
                    1e-9 * std::max(1.0, std::fabs(expected[t][r][k])))
            << "table " << t << " row " << r << " column " << k;
      }
    }
  }

  {
    Query q(*odbc);
    std::string report;
    ASSERT_TRUE(tree::gTreeFunc_CheckIntegrity(q, "tirGoodsGroups", report)) << report;
    q.SetSql(
        "UPDATE tirGoodsGroups SET fcl = fcr WHERE fId = (SELECT MAX(fId) FROM tirGoodsGroups);");
    q.ExecSql();
    EXPECT_FALSE(tree::gTreeFunc_CheckIntegrity(q, "tirGoodsGroups", report));
    EXPECT_EQ(tree::gTreeFunc_RepairSafeSmart(q, "tirGoodsGroups", "root").fCode, 0);
    EXPECT_TRUE(tree::gTreeFunc_CheckIntegrity(q, "tirGoodsGroups", report)) << report;
    EXPECT_FALSE(odbc->InTransaction());
  }
  odbc.reset();
  test::RemoveBaseFiles(odbcPath);
}

}  // namespace
}  // namespace tir::db
