#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/query.h"
#include "recording_connection.h"

namespace tir::db {
namespace {

using testkit::RecordingConnection;

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
