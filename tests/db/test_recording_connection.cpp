#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/query.h"
#include "recording_connection.h"

namespace tir::db {
namespace {

using testkit::RecordingConnection;

TEST(DbRecordingConnectionTest, MssqlKindSeesItsOwnBlocksOnly) {
  RecordingConnection conn(DbKind::kMSSQL);
  Query q(conn);
  q.SetSql(
      "UPDATE &T SET fName = :pName WHERE fId = :pId{IF SQLite} AND 1 = 1{fi}{IF SQlite};"
      "SELECT changes(){fi};"
      "{IF MSSQL}SELECT @@ROWCOUNT AS fCnt{fi}");
  q.SetMacro("T", "dbo.tirGoods");
  q.ParamByName("pName").SetText("Сир");
  q.ParamByName("pId").SetInt64(5);
  conn.AddResult("@@ROWCOUNT", {"fCnt"}, {{Value::Int32(1)}});
  q.Open();
  ASSERT_EQ(conn.Prepared().size(), 2u);
  EXPECT_EQ(conn.Prepared()[0].text, "UPDATE dbo.tirGoods SET fName = :pName WHERE fId = :pId");
  EXPECT_EQ(conn.Prepared()[0].paramNames, (std::vector<std::string>{"pName", "pId"}));
  EXPECT_EQ(conn.Prepared()[1].text, "SELECT @@ROWCOUNT AS fCnt");
  ASSERT_EQ(conn.Runs().size(), 2u);
  EXPECT_EQ(conn.Runs()[0].Param("PNAME").AsText(), "Сир");
  EXPECT_EQ(conn.Runs()[0].Param("pId").AsInt64(), 5);
  EXPECT_TRUE(conn.Runs()[0].Param("pOther").IsNull());
  EXPECT_EQ(q.FieldByName("fCnt").AsInt32(), 1);
}

TEST(DbRecordingConnectionTest, ArrayDmlPreparesEachStatementOnce) {
  RecordingConnection conn(DbKind::kMSSQL);
  conn.SetRowsChanged("INSERT", 1);
  Query q(conn);
  q.SetSql("DELETE FROM tirAStore WHERE fDocId = :pDoc; INSERT INTO tirAStore VALUES(:pDoc, :pQ)");
  q.SetArraySize(3);
  for (std::size_t r = 0; r < 3; ++r) {
    q.ParamByName("pDoc").SetAt(r, Value::Int32(9));
    if (r != 1) q.ParamByName("pQ").SetAt(r, Value::Double(static_cast<double>(r)));
  }
  EXPECT_EQ(q.ExecuteArray(), 3);
  EXPECT_EQ(conn.Prepared().size(), 2u);
  ASSERT_EQ(conn.Runs().size(), 6u);
  EXPECT_EQ(conn.Runs()[3].sql, "INSERT INTO tirAStore VALUES(:pDoc, :pQ)");
  EXPECT_TRUE(conn.Runs()[3].Param("pQ").IsNull());
  EXPECT_EQ(conn.Runs()[5].Param("pQ").AsDouble(), 2.0);
}

TEST(DbRecordingConnectionTest, StatementsArePreparedAgainOnlyWhenTheTextChanges) {
  RecordingConnection conn(DbKind::kMSSQL);
  Query q(conn);
  for (int i = 0; i < 3; ++i) {
    q.SetSql("SELECT fId FROM &T WHERE fId = :pId");
    q.SetMacro("T", "tirGoods");
    q.ParamByName("pId").SetInt32(i);
    q.ExecSql();
  }
  EXPECT_EQ(conn.Prepared().size(), 1u);
  EXPECT_EQ(conn.Runs().size(), 3u);
  EXPECT_EQ(conn.Runs()[2].Param("pId").AsInt32(), 2);
  q.SetMacro("T", "tirPrices");
  q.ExecSql();
  ASSERT_EQ(conn.Prepared().size(), 2u);
  EXPECT_EQ(conn.Prepared()[1].text, "SELECT fId FROM tirPrices WHERE fId = :pId");
  EXPECT_EQ(conn.Runs()[3].Param("pId").AsInt32(), 2);  // the value survived the macro change
}

TEST(DbRecordingConnectionTest, FailuresAndTransactionsAreRecorded) {
  RecordingConnection conn(DbKind::kSQLite);
  conn.FailOn("tirBad", "boom");
  Query q(conn);
  q.SetSql("SELECT 1; UPDATE tirBad SET a = 1");
  EXPECT_THROW(q.ExecSql(), DbError);
  EXPECT_EQ(conn.RunSql(), "SELECT 1\nUPDATE tirBad SET a = 1");
  conn.StartTransaction();
  EXPECT_TRUE(conn.InTransaction());
  EXPECT_THROW(conn.StartTransaction(), DbError);
  conn.Rollback();
  EXPECT_EQ(conn.TransactionLog(), (std::vector<std::string>{"BEGIN", "ROLLBACK"}));
  conn.Clear();
  EXPECT_TRUE(conn.Runs().empty());
}

}  // namespace
}  // namespace tir::db
