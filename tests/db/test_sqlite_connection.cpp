#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "db/date_time.h"
#include "db/db_error.h"
#include "db/query.h"
#include "db/sqlite_connection.h"

namespace tir::db {
namespace {

namespace fs = std::filesystem;

class DbSqliteConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tir_db_test_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string File(const std::string& name) const { return (dir / name).string(); }

  static Value Scalar(Connection& c, const std::string& sql) {
    Query q(c);
    q.SetSql(sql);
    q.Open();
    return q.FieldByIndex(0).Get();
  }

  fs::path dir;
};

TEST_F(DbSqliteConnectionTest, FileBaseUsesWalJournal) {
  auto c = SqliteConnection::Open(File("a.sqlite"));
  EXPECT_EQ(Scalar(*c, "PRAGMA journal_mode").AsText(), "wal");
  EXPECT_EQ(c->Kind(), DbKind::kSQLite);
  EXPECT_EQ(c->Path(), File("a.sqlite"));
}

TEST_F(DbSqliteConnectionTest, HostFunctions) {
  auto c = SqliteConnection::Open(":memory:");
  c->ExecScript("CREATE TABLE t(fId INTEGER PRIMARY KEY, fName TEXT)");
  c->ExecScript("INSERT INTO t(fName) VALUES('a'), ('b')");
  EXPECT_EQ(Scalar(*c, "SELECT SCOPE_IDENTITY()").AsInt64(), 2);
  // ISNULL is a keyword to SQLite's parser: the function is reached through a quoted name.
  EXPECT_EQ(Scalar(*c, "SELECT [ISNULL](NULL, 5)").AsInt64(), 5);
  EXPECT_EQ(Scalar(*c, "SELECT \"ISNULL\"('x', 5)").AsText(), "x");
  EXPECT_TRUE(Scalar(*c, "SELECT [isnull](NULL, NULL)").IsNull());
  EXPECT_THROW(Scalar(*c, "SELECT ISNULL(NULL, 5)"), DbError);
  EXPECT_TRUE(Scalar(*c, "SELECT TirvaloUpperCase(NULL)").IsNull());
  EXPECT_EQ(Scalar(*c, "SELECT TirvaloUpperCase('élan їжак')").AsText(), "ÉLAN ЇЖАК");

  Value now = Scalar(*c, "SELECT GETDATE()");
  EXPECT_EQ(now.Type(), ValueType::kText);
  EXPECT_EQ(now.AsText().size(), 23u);
  EXPECT_NEAR(now.AsDateTime(), NowDateTime(), 5.0 / 86400);
}

TEST_F(DbSqliteConnectionTest, CyrillicCaseInsensitiveComparison) {
  auto c = SqliteConnection::Open(":memory:");
  c->ExecScript(
      "CREATE TABLE tirGoods(fId INTEGER PRIMARY KEY, fName TEXT);"
      "INSERT INTO tirGoods(fName) VALUES('ґанок'), ('Їжак'), ('élan'), ('ганок'), ('Яблуко')");
  Query q(*c);
  q.SetSql("SELECT fId FROM tirGoods WHERE TirvaloUpperCase(fName) = TirvaloUpperCase(:pName)");
  auto find = [&](const std::string& name) {
    q.ParamByName("pName").SetText(name);
    q.Open();
    return q.Eof() ? 0 : q.FieldByName("fId").AsInt64();
  };
  EXPECT_EQ(find("ҐАНОК"), 1);
  EXPECT_EQ(find("ГАНОК"), 4);  // Ґ and Г stay distinct letters
  EXPECT_EQ(find("їЖАК"), 2);
  EXPECT_EQ(find("ÉLAN"), 3);
  EXPECT_EQ(find("яблуко"), 5);
  EXPECT_EQ(find("ELAN"), 0);
}

TEST_F(DbSqliteConnectionTest, DateTimesSortAndCompareWithSqliteTime) {
  auto c = SqliteConnection::Open(":memory:");
  c->ExecScript("CREATE TABLE d(fId INTEGER PRIMARY KEY, fDate DATETIME)");
  const double now = NowDateTime();
  const double values[] = {now + 1.0, now - 1.0, now - 1.0 + 0.001 / 86400, now + 1.0 / 24 / 60};
  Query ins(*c);
  ins.SetSql("INSERT INTO d(fDate) VALUES(:pDate)");
  ins.SetArraySize(4);
  for (std::size_t i = 0; i < 4; ++i) ins.ParamByName("pDate").SetAt(i, Value::DateTime(values[i]));
  ins.ExecuteArray();

  Query q(*c);
  q.SetSql("SELECT fId, fDate FROM d ORDER BY fDate");
  q.Open();
  std::vector<std::int64_t> order;
  for (; !q.Eof(); q.Next()) order.push_back(q.FieldByName("fId").AsInt64());
  EXPECT_EQ(order, (std::vector<std::int64_t>{2, 3, 4, 1}));
  q.First();
  EXPECT_NEAR(q.FieldByName("fDate").AsDateTime(), values[1], 0.6 / 86'400'000);

  // A day either side is beyond any time-zone offset from the UTC of CURRENT_TIMESTAMP.
  EXPECT_EQ(Scalar(*c, "SELECT count(*) FROM d WHERE fDate < CURRENT_TIMESTAMP").AsInt64(), 2);
  EXPECT_EQ(Scalar(*c,
                   "SELECT count(*) FROM d WHERE fDate > datetime('now', '-2 days') AND "
                   "fDate < datetime('now', '+2 days')")
                .AsInt64(),
            4);
  EXPECT_EQ(
      Scalar(*c, "SELECT count(*) FROM d WHERE fDate > datetime('now', 'localtime')").AsInt64(), 2);
  EXPECT_EQ(Scalar(*c, "SELECT count(*) FROM d WHERE fDate < GETDATE()").AsInt64(), 2);
  EXPECT_EQ(Scalar(*c, "SELECT date(fDate) FROM d WHERE fId = 1").AsText(),
            DateTimeToSqlText(values[0]).substr(0, 10));
}

TEST_F(DbSqliteConnectionTest, ErrorsCarryTheBaseMessageAndTheStatement) {
  auto c = SqliteConnection::Open(":memory:");
  Query q(*c);
  const std::string sql = "SELECT * FROM tirNoSuchTable WHERE " + std::string(300, ' ') + "1=1";
  q.SetSql(sql);
  try {
    q.Open();
    FAIL() << "no error";
  } catch (const DbError& e) {
    const std::string expected = "no such table: tirNoSuchTable | SQL: " + sql.substr(0, 200);
    EXPECT_EQ(std::string(e.what()), expected);
  } catch (...) {
    FAIL() << "not a DbError";
  }
  EXPECT_THROW(c->ExecScript("CREATE TABLE"), DbError);
  c->ExecScript("CREATE TABLE u(a INTEGER UNIQUE)");
  q.SetSql("INSERT INTO u VALUES(1); INSERT INTO u VALUES(1)");
  try {
    q.ExecSql();
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_EQ(std::string(e.what()),
              "UNIQUE constraint failed: u.a | SQL: INSERT INTO u VALUES(1)");
  }
}

TEST_F(DbSqliteConnectionTest, Transactions) {
  auto c = SqliteConnection::Open(File("t.sqlite"));
  c->ExecScript("CREATE TABLE t(a INTEGER)");
  EXPECT_FALSE(c->InTransaction());
  c->StartTransaction();
  EXPECT_TRUE(c->InTransaction());
  EXPECT_THROW(c->StartTransaction(), DbError);
  c->ExecScript("INSERT INTO t VALUES(1)");
  c->Rollback();
  EXPECT_FALSE(c->InTransaction());
  EXPECT_EQ(Scalar(*c, "SELECT count(*) FROM t").AsInt64(), 0);

  c->StartTransaction();
  Query q(*c);
  q.SetSql("INSERT INTO t VALUES(:a)");
  q.ParamByName("a").SetInt32(2);
  q.ExecSql();
  c->Commit();
  EXPECT_FALSE(c->InTransaction());
  EXPECT_THROW(c->Commit(), DbError);
  // Rolling back what SQLite already rolled back (or never began) does nothing.
  EXPECT_NO_THROW(c->Rollback());
  // A full base inside a transaction: the handler's rollback keeps the real error.
  c->ExecScript("PRAGMA max_page_count = " + Scalar(*c, "PRAGMA page_count").AsText());
  c->StartTransaction();
  try {
    c->ExecScript("INSERT INTO t VALUES(zeroblob(1000000))");
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_NO_THROW(c->Rollback());
    EXPECT_NE(std::string(e.what()).find("full"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(c->InTransaction());

  auto other = SqliteConnection::Open(File("t.sqlite"));
  EXPECT_EQ(Scalar(*other, "SELECT a FROM t").AsInt64(), 2);
}

TEST_F(DbSqliteConnectionTest, LockedBaseRaisesInsteadOfWaitingForever) {
  auto writer = SqliteConnection::Open(File("l.sqlite"));
  writer->ExecScript("CREATE TABLE t(a INTEGER)");
  auto blocked = SqliteConnection::Open(File("l.sqlite"), 50);
  writer->StartTransaction();
  writer->ExecScript("INSERT INTO t VALUES(1)");

  Query q(*blocked);
  q.SetSql("INSERT INTO t VALUES(2)");
  try {
    q.ExecSql();
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("locked"), std::string::npos) << e.what();
  }
  // Readers still see the last committed state.
  EXPECT_EQ(Scalar(*blocked, "SELECT count(*) FROM t").AsInt64(), 0);
  // A transaction takes the write lock when it starts.
  EXPECT_THROW(blocked->StartTransaction(), DbError);
  EXPECT_FALSE(blocked->InTransaction());
  writer->Commit();
  EXPECT_EQ(q.ExecSql(), 1);
}

TEST_F(DbSqliteConnectionTest, ReadOnlyBaseRefusesWrites) {
  {
    auto c = SqliteConnection::Open(File("r.sqlite"));
    c->ExecScript("CREATE TABLE t(a INTEGER); INSERT INTO t VALUES(1)");
  }
  auto ro = SqliteConnection::Open("file:" + File("r.sqlite") + "?mode=ro");
  EXPECT_EQ(Scalar(*ro, "SELECT a FROM t").AsInt64(), 1);
  ro->StartTransaction();  // a reading transaction is still possible
  EXPECT_TRUE(ro->InTransaction());
  ro->Rollback();
  Query q(*ro);
  q.SetSql("INSERT INTO t VALUES(2)");
  try {
    q.ExecSql();
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("readonly"), std::string::npos) << e.what();
  }
  if (geteuid() != 0) {  // file permissions do not bind root
    fs::permissions(File("r.sqlite"), fs::perms::owner_read);
    auto plain = SqliteConnection::Open(File("r.sqlite"));
    EXPECT_THROW(plain->ExecScript("INSERT INTO t VALUES(3)"), DbError);
  }
}

TEST_F(DbSqliteConnectionTest, FilesThatAreNoBaseAreRefusedAtOpen) {
  {
    std::ofstream out(File("junk.sqlite"), std::ios::binary);
    out << std::string(4096, 'x');
  }
  try {
    SqliteConnection::Open(File("junk.sqlite"));
    FAIL() << "no error";
  } catch (const DbError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("not a database"), std::string::npos) << message;
    EXPECT_NE(message.find("junk.sqlite"), std::string::npos) << message;
  }
  EXPECT_THROW(SqliteConnection::Open(File("no/such/dir/x.sqlite")), DbError);
  EXPECT_THROW(SqliteConnection::Open(dir.string()), DbError);
}

}  // namespace
}  // namespace tir::db
