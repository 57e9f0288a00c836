#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/query.h"
#include "db/sqlite_connection.h"

namespace tir::db {
namespace {

class DbArrayDmlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    conn = SqliteConnection::Open(":memory:");
    conn->ExecScript(
        "CREATE TABLE tirAStore(fId INTEGER PRIMARY KEY, fDocId INTEGER NOT NULL, fGoodId INTEGER,"
        " fQty REAL, fDate DATETIME, fNote TEXT);"
        "CREATE TABLE tirLog(fDocId INTEGER, fGoodId INTEGER)");
  }
  std::int64_t Count(const std::string& sql) {
    Query q(*conn);
    q.SetSql(sql);
    q.Open();
    return q.FieldByIndex(0).AsInt64();
  }
  std::unique_ptr<SqliteConnection> conn;
};

TEST_F(DbArrayDmlTest, RunsEveryStatementForEveryRowWithNulls) {
  Query q(*conn);
  q.SetSql(
      "INSERT INTO tirAStore(fDocId, fGoodId, fQty, fDate, fNote)"
      " VALUES(:pDocId, :pGoodId, :pQty, :pDate, :pNote);"
      "INSERT INTO tirLog(fDocId, fGoodId) VALUES(:pDocId, :pGoodId)");
  q.SetArraySize(4);
  for (std::size_t r = 0; r < 4; ++r) {
    q.ParamByName("pDocId").SetAt(r, Value::Int32(7));
    if (r != 1) q.ParamByName("pGoodId").SetAt(r, Value::Int64(100 + static_cast<int>(r)));
    q.ParamByName("pQty").SetAt(r, r == 2 ? Value::Null(ValueType::kDouble) : Value::Double(1.5));
    q.ParamByName("pDate").SetAt(r, Value::DateTime(45000.25 + static_cast<double>(r)));
    if (r % 2 == 0) q.ParamByName("pNote").SetAt(r, Value::Text("рядок " + std::to_string(r)));
  }
  EXPECT_EQ(q.ExecuteArray(), 8);
  EXPECT_EQ(q.RowsAffected(), 8);
  EXPECT_EQ(Count("SELECT count(*) FROM tirLog WHERE fDocId = 7"), 4);
  EXPECT_EQ(Count("SELECT count(*) FROM tirAStore WHERE fGoodId IS NULL"), 1);
  EXPECT_EQ(Count("SELECT count(*) FROM tirAStore WHERE fQty IS NULL"), 1);
  EXPECT_EQ(Count("SELECT count(*) FROM tirAStore WHERE fNote IS NULL"), 2);

  Query r(*conn);
  r.SetSql("SELECT fGoodId, fQty, fDate, fNote FROM tirAStore ORDER BY fId");
  r.Open();
  ASSERT_EQ(r.RecordCount(), 4u);
  r.Next();
  r.Next();
  EXPECT_EQ(r.FieldByName("fGoodId").AsInt64(), 102);
  EXPECT_TRUE(r.FieldByName("fQty").IsNull());
  EXPECT_EQ(r.FieldByName("fDate").AsText(), "2023-03-17 06:00:00.000");
  EXPECT_EQ(r.FieldByName("fNote").AsText(), "рядок 2");
}

TEST_F(DbArrayDmlTest, ARowThatFailsIsNamedAndUndoesTheWholeArray) {
  Query q(*conn);
  q.SetSql("INSERT INTO tirAStore(fDocId, fGoodId) VALUES(:pDocId, :pGoodId)");
  q.SetArraySize(5);
  for (std::size_t r = 0; r < 5; ++r) {
    if (r != 3) q.ParamByName("pDocId").SetAt(r, Value::Int32(1));  // row 3: NULL -> NOT NULL
    q.ParamByName("pGoodId").SetAt(r, Value::Int32(static_cast<int>(r)));
  }
  try {
    q.ExecuteArray();
    FAIL() << "no error";
  } catch (const DbError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("row 3"), std::string::npos) << message;
    EXPECT_NE(message.find("NOT NULL"), std::string::npos) << message;
    EXPECT_NE(message.find("| SQL: INSERT INTO tirAStore"), std::string::npos) << message;
  }
  // Outside a transaction the array ran in one of its own: nothing stays.
  EXPECT_EQ(Count("SELECT count(*) FROM tirAStore"), 0);
  EXPECT_FALSE(conn->InTransaction());
  // Inside the caller's transaction the caller decides: the rows before the failure are there.
  conn->StartTransaction();
  EXPECT_THROW(q.ExecuteArray(), DbError);
  EXPECT_EQ(Count("SELECT count(*) FROM tirAStore"), 3);
  conn->Rollback();
  // The statement is usable again after the failure.
  q.ParamByName("pDocId").SetAt(3, Value::Int32(2));
  q.ParamByName("pGoodId").SetAt(4, Value::Int32(44));
  EXPECT_EQ(q.ExecuteArray(), 5);
  EXPECT_EQ(Count("SELECT count(*) FROM tirAStore WHERE fGoodId = 44"), 1);
}

TEST_F(DbArrayDmlTest, RowsBeyondTheArraySizeAreRefused) {
  Query q(*conn);
  q.SetSql("INSERT INTO tirLog(fDocId) VALUES(:p)");
  q.SetArraySize(2);
  EXPECT_THROW(q.ParamByName("p").SetAt(2, Value::Int32(1)), DbError);
  EXPECT_EQ(q.ExecuteArray(), 2);  // unset rows bind NULL
  EXPECT_EQ(Count("SELECT count(*) FROM tirLog WHERE fDocId IS NULL"), 2);
  q.SetArraySize(0);
  EXPECT_EQ(q.ExecuteArray(), 0);
}

}  // namespace
}  // namespace tir::db
