// The ODBC backend through Debian's SQLite ODBC driver: the same mechanics carry a Microsoft SQL
// Server connection (parameters, arrays, NULLs, date-times, row counts, transactions, errors).
#include <gtest/gtest.h>

#include "db/date_time.h"
#include "db/db_error.h"
#include "db/odbc_connection.h"
#include "db/query.h"
#include "db/sqlite_connection.h"
#include "odbc_sqlite_driver.h"
#include "tests/support/temp_base.h"

namespace tir::db {
namespace {

class OdbcSqliteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string connection = testkit::SqliteOdbcString(path_);
    if (connection.empty()) GTEST_SKIP() << "the SQLite ODBC driver is not installed";
    conn_ = OdbcConnection::Open(connection);
    Exec(
        "CREATE TABLE t (fId INTEGER PRIMARY KEY, fBig INTEGER, fSum REAL, fName TEXT, "
        "fDate DATETIME, fData BLOB);");
  }
  void TearDown() override {
    conn_.reset();
    test::RemoveBaseFiles(path_);
  }
  std::int64_t Exec(const std::string& sql) {
    Query q(*conn_);
    q.SetSql(sql);
    return q.ExecSql();
  }
  std::int64_t Count() { return test::ScalarInt(*conn_, "SELECT COUNT(*) FROM t;"); }

  std::string path_ = test::TempPath();
  std::unique_ptr<OdbcConnection> conn_;
};

TEST_F(OdbcSqliteTest, NamedParametersBindByPositionAndValuesRoundTrip) {
  EXPECT_EQ(conn_->Kind(), DbKind::kSQLite);
  Query q(*conn_);
  // A parameter used twice is bound twice; ":a" inside quotes is text, not a parameter.
  q.SetSql("SELECT :a + :b * :a AS v, ':a' AS quoted;");
  q.ParamByName("a").SetInt32(2);
  q.ParamByName("b").SetInt64(10);
  q.Open();
  EXPECT_EQ(q.FieldByName("v").AsInt64(), 22);
  EXPECT_EQ(q.FieldByName("quoted").AsText(), ":a");

  const double when = EncodeDateTime({2024, 2, 29, 23, 59, 58, 987});
  q.SetSql("INSERT INTO t (fBig, fSum, fName, fDate, fData) VALUES (:g, :s, :n, :d, :b);");
  q.ParamByName("g").SetInt64(INT64_MIN + 1);
  q.ParamByName("s").SetDouble(1234.5678);
  q.ParamByName("n").SetText("Кава «Арабіка» ☕");
  q.ParamByName("d").SetDateTime(when);
  q.ParamByName("b").SetBlob({0, 1, 255, 0, 7});
  EXPECT_EQ(q.ExecSql(), 1);

  q.SetSql("SELECT fBig, fSum, fName, fDate, fData FROM t WHERE fName = :n AND fDate = :d;");
  q.ParamByName("n").SetText("Кава «Арабіка» ☕");
  q.ParamByName("d").SetDateTime(when);
  q.Open();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("fBig").AsInt64(), INT64_MIN + 1);
  EXPECT_DOUBLE_EQ(q.FieldByName("fSum").AsDouble(), 1234.5678);
  EXPECT_EQ(q.FieldByName("fDate").Get().Type(), ValueType::kDateTime);
  EXPECT_NEAR(q.FieldByName("fDate").AsDateTime(), when, 1e-9);
  EXPECT_EQ(q.FieldByName("fData").Get().AsBlob(), (std::vector<std::uint8_t>{0, 1, 255, 0, 7}));

  // The same file through the SQLite backend reads the same date-time: both write one text form.
  auto direct = SqliteConnection::Open(path_);
  EXPECT_EQ(test::ScalarText(*direct, "SELECT fDate FROM t;"), "2024-02-29 23:59:58.987");
}

TEST_F(OdbcSqliteTest, TypedNullsAreStoredAsNull) {
  Query q(*conn_);
  q.SetSql("INSERT INTO t (fBig, fSum, fName, fDate, fData) VALUES (:g, :s, :n, :d, :b);");
  q.ParamByName("g").SetNull(ValueType::kInt64);
  q.ParamByName("s").SetNull();
  q.ParamByName("n").SetNull(ValueType::kText);
  q.ParamByName("d").SetNull(ValueType::kDateTime);
  q.ParamByName("b").SetNull(ValueType::kBlob);
  q.ExecSql();
  EXPECT_EQ(test::ScalarInt(*conn_,
                            "SELECT COUNT(*) FROM t WHERE fBig IS NULL AND fSum IS NULL AND fName "
                            "IS NULL AND fDate IS NULL AND fData IS NULL;"),
            1);
  q.SetSql("SELECT fBig, fName, fDate FROM t;");
  q.Open();
  EXPECT_TRUE(q.FieldByName("fBig").IsNull());
  EXPECT_TRUE(q.FieldByName("fName").IsNull());
  EXPECT_TRUE(q.FieldByName("fDate").IsNull());
}

TEST_F(OdbcSqliteTest, ArrayDmlSendsEveryRowAndRollsBackAFailedArray) {
  constexpr std::size_t kRows = 2500;  // more than one execution's worth of parameter rows
  Query q(*conn_);
  q.SetSql("INSERT INTO t (fId, fBig, fName) VALUES (:id, :g, :n);");
  q.SetArraySize(kRows);
  for (std::size_t row = 0; row < kRows; ++row) {
    q.ParamByName("id").SetAt(row, Value::Int64(static_cast<std::int64_t>(row) + 1));
    q.ParamByName("g").SetAt(row, Value::Int64(static_cast<std::int64_t>(row) * 3));
    // Text of varying length, some rows NULL.
    q.ParamByName("n").SetAt(row, row % 7 == 0 ? Value::Null(ValueType::kText)
                                               : Value::Text(std::string(row % 50 + 1, 'x')));
  }
  EXPECT_EQ(q.ExecuteArray(), static_cast<std::int64_t>(kRows));
  EXPECT_EQ(Count(), static_cast<std::int64_t>(kRows));
  EXPECT_EQ(test::ScalarInt(*conn_, "SELECT SUM(fBig) FROM t;"), 3 * 2499 * 2500 / 2);
  EXPECT_EQ(test::ScalarInt(*conn_, "SELECT COUNT(*) FROM t WHERE fName IS NULL;"), 358);
  EXPECT_EQ(test::ScalarInt(*conn_, "SELECT length(fName) FROM t WHERE fId = 49;"), 49);

  // Row 1700 repeats an existing key: nothing of this array stays.
  q.SetArraySize(2000);
  for (std::size_t row = 0; row < 2000; ++row) {
    const std::int64_t id = row == 1700 ? 5 : static_cast<std::int64_t>(row) + 10000;
    q.ParamByName("id").SetAt(row, Value::Int64(id));
  }
  try {
    q.ExecuteArray();
    FAIL() << "a duplicate key was accepted";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("row 1700"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("UNIQUE"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Count(), static_cast<std::int64_t>(kRows));
  EXPECT_FALSE(conn_->InTransaction());
}

TEST_F(OdbcSqliteTest, RowCountsAndTransactions) {
  Exec(
      "INSERT INTO t (fBig) VALUES (1); INSERT INTO t (fBig) VALUES (2); INSERT INTO t (fBig) "
      "VALUES (3);");
  EXPECT_EQ(Exec("UPDATE t SET fSum = 1 WHERE fBig >= 2;"), 2);
  EXPECT_EQ(Exec("UPDATE t SET fSum = 1 WHERE fBig > 100;"), 0);  // the driver's SQL_NO_DATA
  EXPECT_EQ(Exec("CREATE TABLE u (x INTEGER);"), 0);
  EXPECT_EQ(Exec("UPDATE t SET fSum = 2; DELETE FROM t WHERE fBig = 1;"), 4);

  conn_->StartTransaction();
  EXPECT_TRUE(conn_->InTransaction());
  Exec("DELETE FROM t;");
  conn_->Rollback();
  EXPECT_FALSE(conn_->InTransaction());
  EXPECT_EQ(Count(), 2);
  conn_->StartTransaction();
  Exec("DELETE FROM t WHERE fBig = 2;");
  conn_->Commit();
  EXPECT_EQ(Count(), 1);
  // Auto-commit is back: another connection sees the change at once.
  auto direct = SqliteConnection::Open(path_);
  Exec("DELETE FROM t;");
  EXPECT_EQ(test::ScalarInt(*direct, "SELECT COUNT(*) FROM t;"), 0);
}

TEST_F(OdbcSqliteTest, ErrorsCarryTheDriversMessage) {
  Query q(*conn_);
  q.SetSql("SELECT nosuch FROM t;");
  try {
    q.Open();
    FAIL() << "a bad column was accepted";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("no such column: nosuch"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("| SQL: SELECT nosuch"), std::string::npos);
  }
  EXPECT_THROW(OdbcConnection::Open("Driver=/no/such/driver.so;Database=x"), DbError);
  // The connection goes on working after an error.
  EXPECT_EQ(Exec("INSERT INTO t (fBig) VALUES (1);"), 1);
}

TEST(OdbcBatchText, AServerBatchThatDeclaresVariablesIsSentWhole) {
  const std::string batch =
      "SET NOCOUNT ON; DECLARE @Code INT; EXEC dbo.p @Id=:id, @ResultCode=@Code OUTPUT; SELECT "
      "@Code AS Code, ':x;' AS t;";
  const PreparedText server = PreprocessSql(batch, DbKind::kMSSQL, {});
  ASSERT_EQ(server.statements.size(), 1u);
  const PositionalText positional =
      ToPositionalMarkers(server.statements[0].text, server.statements[0].paramNames);
  EXPECT_EQ(positional.text,
            "SET NOCOUNT ON; DECLARE @Code INT; EXEC dbo.p @Id=?, @ResultCode=@Code OUTPUT; "
            "SELECT @Code AS Code, ':x;' AS t;");
  EXPECT_EQ(PreprocessSql(batch, DbKind::kSQLite, {}).statements.size(), 4u);
  EXPECT_EQ(PreprocessSql("SET NOCOUNT ON; SELECT 1;", DbKind::kMSSQL, {}).statements.size(), 2u);
  EXPECT_EQ(PreprocessSql("INSERT INTO t (a) VALUES (1); SELECT SCOPE_IDENTITY() AS fId;",
                          DbKind::kMSSQL, {})
                .statements.size(),
            1u);
}

}  // namespace
}  // namespace tir::db
