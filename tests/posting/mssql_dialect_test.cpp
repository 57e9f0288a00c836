// The statements sent to a Microsoft SQL Server base. The dialect follows the connection's kind:
// the host's base-kind flag (gAppParams.fBaseType) stays 0 here.
#include <gtest/gtest.h>

#include "db/query.h"
#include "frame/app_globals.h"
#include "posting/main_provodka.h"
#include "recording_connection.h"

namespace tir::posting::test {
namespace {

using db::Value;
using db::testkit::RecordingConnection;

class MssqlDialectTest : public ::testing::Test {
 protected:
  MssqlDialectTest() {
    frame::gAppParams.fUserID = 5;
    engine_.SetConnectToDB(&conn_);
  }

  void Document(int type, int state, double docSum, std::int64_t partner) {
    conn_.AddResult("FROM tirDocuments t1",
                    {"fId", "fDocType", "fState", "fEntityId", "fStoreId", "fDateTime", "fDocSum",
                     "fCurrRate", "fPartnerId", "fCashAccountId"},
                    {{Value::Int64(5), Value::Int64(type), Value::Int64(state), Value::Int64(1),
                      Value::Int64(1), Value::DateTime(45000), Value::Double(docSum),
                      Value::Double(1), Value::Int64(partner), Value::Int64(3)}});
  }

  RecordingConnection conn_{db::DbKind::kMSSQL};
  TDMMainProvodka engine_;
};

TEST_F(MssqlDialectTest, UnpostingUsesServerDeletesAndControlQuery) {
  Document(2, 0, 10, 7);
  conn_.AddResult("FROM tirSettings", {"fPI"}, {});
  conn_.AddResult("FROM [tirAStore] t1", {"fId", "fGoodId", "fEntId", "fStoreId", "fSum", "fQtty"},
                  {{Value::Int64(1), Value::Int64(9), Value::Int64(1), Value::Int64(1),
                    Value::Double(40), Value::Double(4)}});
  engine_.Provodka(5, kPostOff, false, false);
  const std::string sql = conn_.RunSql();
  EXPECT_NE(sql.find("SELECT TOP 1 fPI FROM tirSettings WHERE fMId=:pMId AND fPType=:pPType AND "
                     "fPI=1 AND fPDate IS NOT NULL AND "
                     "fPDate>=DATEADD(MINUTE,-15,CURRENT_TIMESTAMP)"),
            std::string::npos)
      << sql;
  EXPECT_NE(sql.find("DELETE tirAStore WHERE [fDocId] = :pId"), std::string::npos) << sql;
  EXPECT_NE(sql.find("DELETE tirAMSettlement WHERE [fDocId] = :pId"), std::string::npos) << sql;
  EXPECT_NE(sql.find("DELETE tirAPayments WHERE [fDocId] = :pId"), std::string::npos) << sql;
  EXPECT_NE(sql.find("UPDATE tirDocuments SET fState=:pOn, [fSyncDate]=NULL"), std::string::npos);
  EXPECT_EQ(sql.find("DELETE FROM"), std::string::npos) << sql;
  EXPECT_EQ(sql.find("LIMIT"), std::string::npos) << sql;
}

TEST_F(MssqlDialectTest, LiveControlRowStopsPosting) {
  Document(2, 3, 10, 7);
  conn_.AddResult("SELECT TOP 1 fPI FROM tirSettings", {"fPI"}, {{Value::Int64(1)}});
  engine_.Provodka(5, kPostOn, false, false);
  EXPECT_EQ(conn_.Runs().size(), 1u) << conn_.RunSql();
}

TEST_F(MssqlDialectTest, MoneyAndSettlementUseServerFunctions) {
  Document(4, 3, 100, 7);
  conn_.AddResult("FROM tirCashAccounts", {"fType"}, {{Value::Int64(0)}});
  engine_.Provodka(5, kPostOn, false, true);
  std::string sql = conn_.RunSql();
  EXPECT_NE(sql.find("SELECT  TOP 1  fType FROM tirCashAccounts WHERE fId=3"), std::string::npos)
      << sql;
  EXPECT_NE(sql.find("INSERT INTO tirAMSettlement"), std::string::npos);
  EXPECT_NE(sql.find("INSERT INTO tirAPayments"), std::string::npos);
  EXPECT_NE(sql.find("UPDATE tirDocuments SET fState=:pOn WHERE [fId] = :pId"), std::string::npos);

  conn_.Clear();
  conn_.AddResult("as ftSum", {"ftSum"}, {{Value::Double(-30)}});
  EXPECT_DOUBLE_EQ(static_cast<double>(engine_.GetMoneySettlement(1, 0)), -30);
  sql = conn_.RunSql();
  EXPECT_NE(sql.find("1.0*ISNULL(SUM(fSign*fSum), 0)"), std::string::npos) << sql;
  EXPECT_EQ(sql.find("ifnull"), std::string::npos) << sql;
}

TEST_F(MssqlDialectTest, RebuildMergesAndKeepsExistingRows) {
  engine_.RebuildStoresFull();
  const std::string sql = conn_.RunSql();
  EXPECT_NE(sql.find("MERGE INTO tirAStoreNow AS Target\r\nUSING (\r\n"), std::string::npos);
  EXPECT_NE(sql.find("CROSS JOIN tirEntities tE"), std::string::npos);
  EXPECT_NE(sql.find("UPDATE t1  SET t1.fSum = ISNULL(t2.SumT,0)"), std::string::npos);
  EXPECT_EQ(sql.find("DELETE"), std::string::npos) << sql;
}

}  // namespace
}  // namespace tir::posting::test
