#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/query.h"
#include "db/sqlite_connection.h"

namespace tir::db {
namespace {

class DbQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    conn = SqliteConnection::Open(":memory:");
    conn->ExecScript(
        "CREATE TABLE tirGoods(fId INTEGER PRIMARY KEY, fName TEXT, fPrice REAL, fGroupId INTEGER);"
        "INSERT INTO tirGoods(fName, fPrice, fGroupId) VALUES('Хліб', 12.5, 1), ('Молоко', 30, 1),"
        " ('Сир', 120.25, 2);");
  }
  std::unique_ptr<SqliteConnection> conn;
};

TEST_F(DbQueryTest, NamedParametersAreSharedByEveryStatement) {
  Query q(*conn);
  q.SetSql(
      "UPDATE tirGoods SET fPrice = fPrice * 2 WHERE fGroupId = :pGroup;"
      "DELETE FROM tirGoods WHERE fGroupId = :pGroup AND fPrice > :pLimit;"
      "INSERT INTO tirGoods(fName, fGroupId) VALUES(:pName, :PGROUP)");
  ASSERT_EQ(q.ParamCount(), 3u);
  EXPECT_EQ(q.ParamByIndex(0).Name(), "pGroup");
  q.ParamByName("pgroup").SetInt32(1);
  q.ParamByName("pLimit").SetDouble(50.0);
  q.ParamByName("pName").SetText("Кефір");
  // 2 updated, 1 deleted (Молоко at 60), 1 inserted.
  EXPECT_EQ(q.ExecSql(), 4);
  EXPECT_EQ(q.RowsAffected(), 4);

  Query r(*conn);
  r.SetSql("SELECT fName, fPrice FROM tirGoods WHERE fGroupId = :g ORDER BY fId");
  r.ParamByName("g").SetInt64(1);
  r.Open();
  ASSERT_EQ(r.RecordCount(), 2u);
  EXPECT_EQ(r.FieldByName("fName").AsText(), "Хліб");
  EXPECT_DOUBLE_EQ(r.FieldByName("FPRICE").AsDouble(), 25.0);
  r.Next();
  EXPECT_EQ(r.FieldByName("fName").AsText(), "Кефір");
  EXPECT_TRUE(r.FieldByName("fPrice").IsNull());
  r.Next();
  EXPECT_TRUE(r.Eof());
}

TEST_F(DbQueryTest, UnknownParameterAndFieldNamesAreReported) {
  Query q(*conn);
  q.SetSql("SELECT fName FROM tirGoods WHERE fId = :pId");
  try {
    q.ParamByName("pGoodId");
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("pGoodId"), std::string::npos);
  }
  EXPECT_FALSE(q.HasParam("pGoodId"));
  q.ParamByName("pId").SetInt32(1);
  q.Open();
  EXPECT_TRUE(q.HasField("FNAME"));
  try {
    q.FieldByName("fPrice");
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("fPrice"), std::string::npos);
  }
  q.Next();
  ASSERT_TRUE(q.Eof());
  EXPECT_THROW(q.FieldByName("fName"), DbError);
  EXPECT_THROW(q.FieldByIndex(5), DbError);
}

TEST_F(DbQueryTest, OpenKeepsTheRowsOfTheLastStatementWithColumns) {
  Query q(*conn);
  q.SetSql(
      "SELECT fId FROM tirGoods;"
      "INSERT INTO tirGoods(fName, fGroupId) VALUES(:pName, 3);"
      "SELECT SCOPE_IDENTITY() AS fNewId, count(*) AS fCnt FROM tirGoods;"
      "UPDATE tirGoods SET fPrice = 1 WHERE fGroupId = 3");
  q.ParamByName("pName").SetText("Вода");
  q.SetFetchAll(false);  // forced to fetch all: a statement runs after the result
  q.Open();
  ASSERT_EQ(q.FieldCount(), 2u);
  EXPECT_EQ(q.FieldName(0), "fNewId");
  EXPECT_EQ(q.FieldByName("fNewId").AsInt64(), 4);
  EXPECT_EQ(q.FieldByName("fCnt").AsInt32(), 4);
  EXPECT_EQ(q.RowsAffected(), 2);
  q.Close();

  Query check(*conn);
  check.SetSql("SELECT fPrice FROM tirGoods WHERE fId = 4");
  check.Open();
  EXPECT_DOUBLE_EQ(check.FieldByName("fPrice").AsDouble(), 1.0);

  Query none(*conn);
  none.SetSql("UPDATE tirGoods SET fPrice = 2");
  EXPECT_THROW(none.Open(), DbError);
}

TEST_F(DbQueryTest, AFailedOpenLeavesTheQueryClosedAndReusable) {
  Query q(*conn);
  q.SetSql("SELECT fName FROM tirGoods; SELECT fNoSuchColumn FROM tirGoods");
  EXPECT_THROW(q.Open(), DbError);
  EXPECT_FALSE(q.IsOpen());
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.FieldCount(), 0u);
  q.SetSql("SELECT count(*) AS n FROM tirGoods");
  q.Open();
  EXPECT_TRUE(q.IsOpen());
  EXPECT_EQ(q.FieldByName("n").AsInt32(), 3);
  EXPECT_FALSE(conn->InTransaction());
}

TEST_F(DbQueryTest, LazyFetchReadsRowsAsItGoes) {
  Query q(*conn);
  q.SetSql("SELECT fId FROM tirGoods ORDER BY fId");
  q.SetFetchAll(false);
  q.Open();
  EXPECT_EQ(q.RecordCount(), 1u);
  q.First();  // still on the first row: allowed
  std::vector<std::int64_t> ids;
  for (; !q.Eof(); q.Next()) ids.push_back(q.FieldByName("fId").AsInt64());
  EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 2, 3}));
  EXPECT_EQ(q.RecordCount(), 3u);
  EXPECT_THROW(q.First(), DbError);

  q.SetFetchAll(true);
  q.Open();
  EXPECT_EQ(q.RecordCount(), 3u);
  q.Next();
  q.Next();
  q.First();
  EXPECT_EQ(q.FieldByName("fId").AsInt64(), 1);
}

TEST_F(DbQueryTest, LazyQueryDoesNotBlockWritesAfterClose) {
  Query reader(*conn);
  reader.SetSql("SELECT fId FROM tirGoods");
  reader.SetFetchAll(false);
  reader.Open();
  reader.Close();
  conn->StartTransaction();
  conn->Commit();
  EXPECT_FALSE(conn->InTransaction());
}

TEST_F(DbQueryTest, MacrosMayBeSetAfterTheTextAndAreChecked) {
  conn->ExecScript("CREATE TABLE tirOther(fId INTEGER PRIMARY KEY, fName TEXT)");
  Query q(*conn);
  q.SetSql("INSERT INTO &T(fName) VALUES(:pName)");
  q.ParamByName("pName").SetText("x");
  q.SetMacro("T", "tirOther");
  EXPECT_EQ(q.ExecSql(), 1);
  // Parameter values survive a macro change.
  q.SetMacro("t", "tirGoods");
  EXPECT_EQ(q.ParamByName("pName").Get().AsText(), "x");
  EXPECT_EQ(q.ExecSql(), 1);
  EXPECT_THROW(q.SetMacro("T", "tirGoods; DROP TABLE tirGoods"), DbError);
  EXPECT_THROW(q.SetMacro("T", "tirGoods--"), DbError);

  Query count(*conn);
  count.SetSql("SELECT (SELECT count(*) FROM tirOther) AS a, (SELECT count(*) FROM tirGoods) AS b");
  count.Open();
  EXPECT_EQ(count.FieldByName("a").AsInt64(), 1);
  EXPECT_EQ(count.FieldByName("b").AsInt64(), 4);

  // An undefined macro stays in the text and the base refuses it.
  Query undefined(*conn);
  undefined.SetSql("SELECT * FROM &T");
  EXPECT_THROW(undefined.Open(), DbError);
}

TEST_F(DbQueryTest, ConditionalBlocksRunOnlyTheSqliteVariant) {
  Query q(*conn);
  q.SetSql(
      "SELECT {IF MSSQL}TOP 1 {fi}fName FROM tirGoods ORDER BY fId DESC"
      "{IF SQLite} LIMIT 1{fi}");
  q.Open();
  EXPECT_EQ(q.RecordCount(), 1u);
  EXPECT_EQ(q.FieldByName("fName").AsText(), "Сир");
  q.SetSql("SELECT fName FROM tirGoods {IF SQlite}WHERE fId = 2{fi}{IF MSSQL}WITH (NOLOCK){fi}");
  q.Open();
  EXPECT_EQ(q.FieldByName("fName").AsText(), "Молоко");
}

TEST_F(DbQueryTest, AffectedRowCountsCountOnlyDataChanges) {
  Query q(*conn);
  q.SetSql(
      "CREATE TABLE t2(a INTEGER);"
      "INSERT INTO t2 SELECT fId FROM tirGoods;"
      "CREATE INDEX t2a ON t2(a);"
      "UPDATE t2 SET a = a + 1 WHERE a > 1;"
      "SELECT * FROM t2");
  EXPECT_EQ(q.ExecSql(), 5);
  q.SetSql("DELETE FROM t2 WHERE a = :a");
  q.ParamByName("a").SetInt32(100);
  EXPECT_EQ(q.ExecSql(), 0);
  // A comment before the statement does not hide its count.
  q.SetSql("/* bump */ UPDATE t2 SET a = a + 1; -- again\n UPDATE t2 SET a = a + 1 WHERE a > 3");
  EXPECT_EQ(q.ExecSql(), 5);
}

TEST_F(DbQueryTest, AnOpenCursorKeepsItsValuesAndEndsAfterAnError) {
  const std::string name(40, 'x');  // long enough to live on the heap
  conn->ExecScript("INSERT INTO tirGoods(fName) VALUES('" + name + "'), ('" + name + "'), ('" +
                   name + "')");
  Query q(*conn);
  q.SetSql("SELECT fId FROM tirGoods WHERE fName = :pName");
  q.SetFetchAll(false);
  q.ParamByName("pName").SetText(name);
  q.Open();
  q.ParamByName("pName").SetText(std::string(60, 'y'));  // frees the text the cursor was bound to
  int rows = 0;
  for (; !q.Eof(); q.Next()) ++rows;
  EXPECT_EQ(rows, 3);

  // The second row fails to compute: the cursor closes, so a loop that goes on ends.
  q.SetSql(
      "SELECT CASE WHEN fId = 2 THEN abs(-9223372036854775807 - 1) ELSE fId END FROM tirGoods");
  q.SetFetchAll(false);
  q.Open();
  EXPECT_THROW(q.Next(), DbError);
  EXPECT_TRUE(q.Eof());
  EXPECT_FALSE(q.IsOpen());
}

TEST_F(DbQueryTest, AKeptStatementSeesTheColumnsOfARecreatedTable) {
  conn->ExecScript("CREATE TABLE t3(a INTEGER); INSERT INTO t3 VALUES(1)");
  Query q(*conn);
  q.SetSql("SELECT * FROM t3");
  q.Open();
  EXPECT_EQ(q.FieldName(0), "a");
  conn->ExecScript(
      "DROP TABLE t3; CREATE TABLE t3(b INTEGER, c TEXT); INSERT INTO t3 VALUES(2, 'z')");
  q.SetSql("SELECT * FROM t3");  // the same text keeps the prepared statement
  q.Open();
  ASSERT_EQ(q.FieldCount(), 2u);
  EXPECT_EQ(q.FieldName(0), "b");
  EXPECT_EQ(q.FieldByName("c").AsText(), "z");
}

TEST_F(DbQueryTest, RerunningTheSameTextReusesStatementsAndRebinds) {
  Query q(*conn);
  for (int i = 1; i <= 3; ++i) {
    q.SetSql("SELECT fName FROM tirGoods WHERE fId = :pId");
    q.ParamByName("pId").SetInt32(i);
    q.Open();
    EXPECT_EQ(q.RecordCount(), 1u) << i;
  }
  EXPECT_EQ(q.FieldByName("fName").AsText(), "Сир");
  // SetSql drops parameter values: an unset parameter binds NULL.
  q.SetSql("SELECT fName FROM tirGoods WHERE fId = :pId");
  q.Open();
  EXPECT_TRUE(q.Eof());
}

TEST_F(DbQueryTest, TypedParametersRoundTrip) {
  conn->ExecScript("CREATE TABLE v(i, b, d, e, t, w, dt DATETIME, bl, n)");
  Query q(*conn);
  q.SetSql("INSERT INTO v VALUES(:i, :b, :d, :e, :t, :w, :dt, :bl, :n)");
  q.ParamByName("i").SetInt32(-7);
  q.ParamByName("b").SetInt64(9'000'000'000'000LL);
  q.ParamByName("d").SetDouble(0.1);
  q.ParamByName("e").SetExtended(2.5L);
  q.ParamByName("t").SetText("ґанок");
  q.ParamByName("w").SetWideText(u"Їжак €");
  q.ParamByName("dt").SetDateTime(45000.5);
  q.ParamByName("bl").SetBlob({0, 1, 255});
  q.ParamByName("n").SetNull(ValueType::kInt32);
  EXPECT_EQ(q.ExecSql(), 1);

  q.SetSql("SELECT i, b, d, e, t, w, dt, typeof(dt) AS tdt, bl, n FROM v");
  q.Open();
  EXPECT_EQ(q.FieldByName("i").Get().Type(), ValueType::kInt64);
  EXPECT_EQ(q.FieldByName("i").AsInt32(), -7);
  EXPECT_EQ(q.FieldByName("b").AsInt64(), 9'000'000'000'000LL);
  EXPECT_EQ(q.FieldByName("d").AsDouble(), 0.1);
  EXPECT_EQ(q.FieldByName("e").AsExtended(), 2.5L);
  EXPECT_EQ(q.FieldByName("t").AsText(), "ґанок");
  EXPECT_EQ(q.FieldByName("w").AsWideText(), u"Їжак €");
  EXPECT_EQ(q.FieldByName("tdt").AsText(), "text");
  EXPECT_EQ(q.FieldByName("dt").Get().Type(), ValueType::kDateTime);
  EXPECT_DOUBLE_EQ(q.FieldByName("dt").AsDateTime(), 45000.5);
  EXPECT_EQ(q.FieldByName("dt").AsText(), "2023-03-15 12:00:00.000");
  EXPECT_EQ(q.FieldByName("bl").Get().AsBlob(), (std::vector<std::uint8_t>{0, 1, 255}));
  EXPECT_TRUE(q.FieldByName("n").IsNull());
  EXPECT_EQ(q.FieldByName("n").AsInt32(), 0);
  EXPECT_EQ(q.FieldByName("n").AsText(), "");
}

}  // namespace
}  // namespace tir::db
