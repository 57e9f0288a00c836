#include <gtest/gtest.h>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "db/statement_recorder.h"
#include "tests/support/temp_files.h"

namespace tir::db {
namespace {

std::vector<std::string> Texts(const StatementSet& set) {
  std::vector<std::string> texts;
  for (const auto& s : set.Statements()) texts.push_back(s.text);
  return texts;
}

class StatementRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    conn = SqliteConnection::Open(":memory:");
    conn->ExecScript(
        "CREATE TABLE tirGoods(fId INTEGER PRIMARY KEY, fName TEXT);"
        "INSERT INTO tirGoods(fName) VALUES('a'), ('b');");
  }
  void TearDown() override { SetStatementRecorder(nullptr); }

  void Run(const std::string& sql, const std::string& table = "tirGoods") {
    Query q(*conn);
    q.SetSql(sql);
    if (sql.find("&T") != std::string::npos) q.SetMacro("T", table);
    q.Open();
  }

  std::unique_ptr<SqliteConnection> conn;
};

// Recording for another kind than the connection's gives the texts the kinds send differently
// in the other kind's form, with macros and pasted values in place, and the others as shared;
// the statements still run in the connection's own form.
// Keeps the shared statements apart.
class SplitSet : public StatementSet {
 public:
  using StatementSet::StatementSet;
  void RecordShared(const SqlStatement& statement) override { shared.push_back(statement.text); }
  std::vector<std::string> shared;
};

TEST_F(StatementRecorderTest, ShadowKindRecordsKindSpecificTextsInItsFormAndSharedApart) {
  SplitSet set(DbKind::kMSSQL);
  SetStatementRecorder(&set);
  Run("SELECT COUNT(*) FROM tirGoods;");
  Run("SELECT {IF MSSQL}TOP 1 {fi}fName FROM &T WHERE fId IN (1,2) ORDER BY fId{IF SQLite} LIMIT "
      "1{fi};");
  Run("SELECT {IF MSSQL}TOP 1 {fi}fName FROM &T WHERE fId IN (1,2) ORDER BY fId{IF SQLite} LIMIT "
      "1{fi};");
  Run("SELECT {IF SQLite}fName{fi}{IF MSSQL}fName{fi} FROM tirGoods;");  // the same on both
  Run("SELECT 1 AS a; SELECT {IF MSSQL}CAST(SCOPE_IDENTITY() AS INT){fi}{IF SQLite}last_insert_"
      "rowid(){fi} AS v;");
  EXPECT_EQ(Texts(set), (std::vector<std::string>{
                            "SELECT TOP 1 fName FROM tirGoods WHERE fId IN (1,2) ORDER BY fId",
                            "SELECT 1 AS a; SELECT CAST(SCOPE_IDENTITY() AS INT) AS v;"}));
  EXPECT_EQ(set.shared, (std::vector<std::string>{"SELECT COUNT(*) FROM tirGoods",
                                                  "SELECT fName FROM tirGoods"}));
}

TEST_F(StatementRecorderTest, OwnKindRecordsEveryStatementOnceAndOffRecordsNothing) {
  StatementSet set(DbKind::kSQLite);
  SetStatementRecorder(&set);
  Run("SELECT COUNT(*) FROM tirGoods; SELECT fName FROM &T WHERE fId = 1;");
  Run("SELECT COUNT(*) FROM tirGoods;");
  SetStatementRecorder(nullptr);
  Run("SELECT fId FROM tirGoods;");
  EXPECT_EQ(Texts(set), (std::vector<std::string>{"SELECT COUNT(*) FROM tirGoods",
                                                  "SELECT fName FROM tirGoods WHERE fId = 1"}));
}

// Two recorders (two processes) append to one file; statements of several lines stay whole.
TEST_F(StatementRecorderTest, RecordFileKeepsStatementsOfEveryWriter) {
  const test::TempFile file(".record"), sharedFile(".shared");
  const std::string& path = file.path();
  const std::string& shared = sharedFile.path();
  {
    StatementFile first(DbKind::kSQLite, path, shared);
    StatementFile second(DbKind::kSQLite, path);
    first.Record({"SELECT 1\nFROM a", {}});
    first.Record({"SELECT 1\nFROM a", {}});
    second.Record({"SELECT 1\nFROM a", {}});
    second.Record({"SELECT 2", {}});
    first.RecordShared({"SELECT 3", {}});
  }
  EXPECT_EQ(ReadStatementFile(shared), (std::vector<std::string>{"SELECT 3"}));
  EXPECT_EQ(ReadStatementFile(path),
            (std::vector<std::string>{"SELECT 1\nFROM a", "SELECT 1\nFROM a", "SELECT 2"}));
}

}  // namespace
}  // namespace tir::db
