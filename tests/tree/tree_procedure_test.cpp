// The procedure form on a connection that reports MS SQL Server and records what it is asked to
// run: parameters, results and errors (the batch texts themselves sit next to the code).
#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/query.h"
#include "db/unicode_case.h"
#include "recording_connection.h"
#include "tree/tree_functions.h"
#include "tree/tree_integrity.h"
#include "tree/tree_repair.h"
#include "tree/tree_write_lock.h"

namespace tir::tree {
namespace {

using db::Value;
using db::ValueType;
using db::testkit::RecordedRun;
using db::testkit::RecordingConnection;

class TreeProcedureTest : public ::testing::Test {
 protected:
  // The run whose text contains `fragment` (the last such run).
  const RecordedRun& RunWith(const std::string& fragment) {
    const RecordedRun* found = nullptr;
    for (const RecordedRun& run : conn_.Runs()) {
      if (run.sql.find(fragment) != std::string::npos) found = &run;
    }
    if (found == nullptr) {
      ADD_FAILURE() << "nothing run with " << fragment << "\n" << conn_.RunSql();
      static const RecordedRun none;
      return none;
    }
    return *found;
  }

  // The output row of a procedure batch.
  void Answer(const std::string& idColumn, int id, int code, const std::string& msg) {
    std::vector<std::string> columns{"Code", "Msg"};
    std::vector<Value> row{Value::Int32(code), Value::Text(msg)};
    if (!idColumn.empty()) {
      columns.insert(columns.begin(), idColumn);
      row.insert(row.begin(), Value::Int32(id));
    }
    conn_.AddResult("SELECT @", columns, {row});
  }

  static std::string Wide(const Value& v) { return db::Utf16ToUtf8(v.AsWideText()); }

  RecordingConnection conn_{db::DbKind::kMSSQL};
  db::Query q_{conn_};
};

TEST_F(TreeProcedureTest, AddChildBatchMatchesTheProcedureCall) {
  Answer("NewId", 42, 0, "ignored on success");
  int newId = 0;
  const TFuncR r = gTreeFunc_AddChieldNode(q_, "tirGoodsGroups", 0, "Напої", newId, 1);
  EXPECT_EQ(r.fCode, 0);
  EXPECT_EQ(r.fStr, "");
  EXPECT_EQ(newId, 42);
  EXPECT_FALSE(q_.IsOpen());

  const RecordedRun& exec = RunWith("EXEC dbo.usp_Tree_AddChild");
  EXPECT_EQ(exec.Param("tbl").Type(), ValueType::kText);
  EXPECT_EQ(Wide(exec.Param("tbl")), "tirGoodsGroups");
  EXPECT_TRUE(exec.Param("pid").IsNull());
  EXPECT_EQ(exec.Param("pid").Type(), ValueType::kInt32);
  EXPECT_EQ(Wide(exec.Param("nm")), "Напої");
  EXPECT_FALSE(exec.Param("g1").IsNull());
  EXPECT_FALSE(exec.Param("g1").AsInt64() == 0 && exec.Param("g2").AsInt64() == 0);
  // Nothing but the procedure's batch is sent: no portable statements, no transaction.
  EXPECT_EQ(conn_.RunSql().find("UPDATE"), std::string::npos);
  EXPECT_TRUE(conn_.TransactionLog().empty());
}

TEST_F(TreeProcedureTest, ProcedureRefusalIsPassedThrough) {
  Answer("NewId", 0, 2, "Батьківську групу не знайдено.");
  int newId = -5;
  const TFuncR r = gTreeFunc_AddChieldNode(q_, "tirGoodsGroups", 17, "x", newId);
  EXPECT_EQ(r.fCode, 2);
  EXPECT_EQ(r.fStr, "Батьківську групу не знайдено.");
  EXPECT_EQ(newId, 0);
  EXPECT_EQ(RunWith("usp_Tree_AddChild").Param("pid").AsInt32(), 17);
}

TEST_F(TreeProcedureTest, AddSiblingAndRoot) {
  Answer("NewId", 9, 0, "");
  int newId = 0;
  TFuncR r = gTreeFunc_AddNode(q_, "[dbo].[tirGoodsGroups]", -3, "b", newId);
  EXPECT_EQ(r.fCode, 0);
  EXPECT_EQ(newId, 9);
  const RecordedRun& exec = RunWith("usp_Tree_AddSiblingAfter");
  EXPECT_EQ(Wide(exec.Param("tbl")), "[dbo].[tirGoodsGroups]");  // handed over unchanged
  EXPECT_TRUE(exec.Param("aid").IsNull());
}

TEST_F(TreeProcedureTest, RootIdAndPath) {
  conn_.AddResult("SELECT @RootId", {"RootId", "Code", "Msg"},
                  {{Value::Int32(1), Value::Int32(0), Value::Null()}});
  conn_.AddResult("SELECT @Rid", {"ResultId", "Code", "Msg"},
                  {{Value::Int32(77), Value::Int32(0), Value::Null()}});
  EXPECT_EQ(gTreeFunc_GetRootID(q_, "tirGoodsGroups"), 1);
  EXPECT_EQ(Wide(RunWith("usp_Tree_GetOrCreateRoot").Param("rn")), "root");

  EXPECT_EQ(gTreeFunc_FindOrCreateGroupByPath(q_, "tirGoodsGroups", " Напої / Соки\t1 "), 77);
  EXPECT_EQ(Wide(RunWith("usp_Tree_FindOrCreateByPath").Param("path")), "Напої\\Соки 1");
  EXPECT_NE(q_.Sql().find("SELECT @Rid AS ResultId, @Code AS Code, @Msg AS Msg;"),
            std::string::npos);
}

TEST_F(TreeProcedureTest, FailedProcedureGivesZeroIds) {
  conn_.AddResult("SELECT @RootId", {"RootId", "Code", "Msg"},
                  {{Value::Int32(5), Value::Int32(3), Value::Text("no")}});
  EXPECT_EQ(gTreeFunc_GetRootID(q_, "tirGoodsGroups"), 0);
  conn_.FailOn("usp_Tree_FindOrCreateByPath", "Could not find stored procedure");
  EXPECT_EQ(gTreeFunc_FindOrCreateGroupByPath(q_, "tirGoodsGroups", "a"), 0);
  EXPECT_FALSE(q_.IsOpen());
}

TEST_F(TreeProcedureTest, DatabaseErrorsCarryTheProcedurePrefix) {
  conn_.FailOn("EXEC dbo.usp_Tree_", "Could not find stored procedure");
  int id = 0;
  const std::vector<std::pair<TFuncR, std::string>> results = {
      {gTreeFunc_AddNode(q_, "t", 1, "x", id), "Помилка додавання вузла (MSSQL SP): "},
      {gTreeFunc_AddChieldNode(q_, "t", 1, "x", id),
       "Помилка додавання дочірнього вузла (MSSQL SP): "},
      {gTreeFunc_DeleteNode(q_, "t", 1), "Помилка видалення вузла (MSSQL SP): "},
      {gTreeFunc_DeleteSubtree(q_, "t", 1), "Помилка видалення гілки (MSSQL SP): "},
      {gTreeFunc_UpdateNode(q_, "t", 1, "x"), "Помилка зміни назви (MSSQL SP): "},
      {gTreeFunc_UpdateNodeGUID(q_, "t", 1, "00112233-4455-6677-8899-AABBCCDDEEFF"),
       "Помилка зміни GUID (MSSQL SP): "},
      {gTreeFunc_ChangeParent(q_, "t", 1, 2), "Помилка переміщення групи (MSSQL SP): "},
      {gTreeFunc_MoveSibling(q_, "t", 1, smdDown), "Помилка руху групи (MSSQL SP): "},
  };
  for (const auto& [r, prefix] : results) {
    EXPECT_NE(r.fCode, 0);
    EXPECT_EQ(r.fStr, prefix + "Could not find stored procedure");
  }
  EXPECT_FALSE(q_.IsOpen());
}

TEST_F(TreeProcedureTest, ChangeParentMoveSiblingDeleteRenameGuid) {
  Answer("", 0, 0, "");
  EXPECT_EQ(gTreeFunc_ChangeParentEx(q_, "t", 5, 0, tipFirstChild).fCode, 0);
  const RecordedRun& move = RunWith("usp_Tree_ChangeParentEx");
  EXPECT_EQ(move.Param("id").AsInt32(), 5);
  EXPECT_TRUE(move.Param("npid").IsNull());
  EXPECT_EQ(move.Param("pos").AsInt32(), 0);
  EXPECT_EQ(gTreeFunc_ChangeParent(q_, "t", 5, 8).fCode, 0);
  EXPECT_EQ(RunWith("usp_Tree_ChangeParentEx").Param("pos").AsInt32(), 1);
  EXPECT_EQ(RunWith("usp_Tree_ChangeParentEx").Param("npid").AsInt32(), 8);

  EXPECT_EQ(gTreeFunc_MoveSibling(q_, "t", 6, smdDown).fCode, 0);
  EXPECT_EQ(RunWith("usp_Tree_MoveSibling").Param("dir").AsInt32(), 1);
  EXPECT_EQ(gTreeFunc_DeleteNode(q_, "t", 7).fCode, 0);
  EXPECT_EQ(RunWith("usp_Tree_DeleteLeaf").Param("id").AsInt32(), 7);
  EXPECT_EQ(gTreeFunc_DeleteSubtree(q_, "t", 8).fCode, 0);
  EXPECT_EQ(RunWith("usp_Tree_DeleteSubtree").Param("id").AsInt32(), 8);
  EXPECT_EQ(gTreeFunc_UpdateNode(q_, "t", 9, "Ім'я").fCode, 0);
  EXPECT_EQ(Wide(RunWith("usp_Tree_UpdateName").Param("nm")), "Ім'я");

  EXPECT_EQ(gTreeFunc_UpdateNodeGUID(q_, "t", 9, "00112233-4455-6677-8899-AABBCCDDEEFF").fCode, 0);
  const RecordedRun& guid = RunWith("usp_Tree_UpdateGuid");
  EXPECT_EQ(guid.Param("g1").AsInt64(), 0x0011223344556677LL);
  EXPECT_EQ(guid.Param("g2").AsInt64(), static_cast<std::int64_t>(0xFFEEDDCCBBAA9988ULL));

  // The length test comes first, in this form too: nothing is sent.
  conn_.Clear();
  const TFuncR bad = gTreeFunc_UpdateNodeGUID(q_, "t", 9, "{00112233-4455-6677-8899-AABBCCDDEEFF}");
  EXPECT_EQ(bad.fCode, 1);
  EXPECT_EQ(bad.fStr, "Невірний формат GUID (очікується 36 символів).");
  EXPECT_TRUE(conn_.Runs().empty());
}

TEST_F(TreeProcedureTest, CheckRunsTheProcedureAndReadsItsCounters) {
  conn_.AddResult("usp_Tree_CheckIntegrity",
                  {"NodeCount", "RootCount", "BadBase", "DupCl", "DupCr", "BadParity", "MaxFcr",
                   "ExpectedMax", "DistinctVals", "BadLevel", "RootNotFcl1"},
                  {{Value::Int32(4), Value::Int32(1), Value::Int32(0), Value::Int32(0),
                    Value::Int32(0), Value::Int32(0), Value::Int32(8), Value::Int32(8),
                    Value::Int32(8), Value::Int32(0), Value::Int32(0)}});
  std::string report;
  EXPECT_TRUE(gTreeFunc_CheckIntegrity(q_, "tirGoodsGroups", report));
  EXPECT_EQ(Wide(RunWith("usp_Tree_CheckIntegrity").Param("tbl")), "tirGoodsGroups");
  EXPECT_NE(report.find("- Max fcr: 8, Очікувано 2*N: 8\r\n"), std::string::npos);
}

TEST(TreeLockResourceTest, NormalisesTableName) {
  EXPECT_EQ(TreeLockResource("tirGoodsGroups"), "TreeWrite:dbo.tirGoodsGroups");
  EXPECT_EQ(TreeLockResource("  [dbo].[tirGoodsGroups] "), "TreeWrite:dbo.tirGoodsGroups");
  EXPECT_EQ(TreeLockResource("[tirGoodsGroups]"), "TreeWrite:dbo.tirGoodsGroups");
  EXPECT_EQ(TreeLockResource("sales.tirGroups"), "TreeWrite:sales.tirGroups");
  EXPECT_EQ(TreeLockResource(""), "TreeWrite:dbo.");
  EXPECT_EQ(TreeLockResource("  "), "TreeWrite:dbo.");
}

class TreeWriteLockTest : public TreeProcedureTest {
 protected:
  void LockAnswers(int res) {
    conn_.AddResult("SELECT @res AS res", {"res"}, {{Value::Int32(res)}});
  }
};

TEST_F(TreeWriteLockTest, TakesApplicationLockInsideOwnTransaction) {
  LockAnswers(0);
  {
    TreeWriteLock lock(q_, "[tirGoodsGroups]");
    lock.Acquire();
    EXPECT_TRUE(lock.StartedTransaction());
    EXPECT_EQ(Wide(RunWith("sp_getapplock").Param("r")), "TreeWrite:dbo.tirGoodsGroups");
    EXPECT_NO_THROW(RunWith("SET XACT_ABORT ON"));
    lock.Commit();
  }
  EXPECT_EQ(conn_.TransactionLog(), (std::vector<std::string>{"BEGIN", "COMMIT"}));
}

TEST_F(TreeWriteLockTest, RefusedLockRaisesAndRollsBack) {
  LockAnswers(-1);
  TreeWriteLock lock(q_, "tirGoodsGroups");
  try {
    lock.Acquire();
    FAIL() << "no error";
  } catch (const db::DbError& e) {
    EXPECT_STREQ(e.what(), "Не вдалося взяти блокування дерева (applock), код=-1");
  }
  EXPECT_EQ(conn_.TransactionLog(), (std::vector<std::string>{"BEGIN", "ROLLBACK"}));
  EXPECT_FALSE(conn_.InTransaction());
}

TEST_F(TreeWriteLockTest, CallersTransactionIsLeftToTheCaller) {
  LockAnswers(1);
  conn_.StartTransaction();
  {
    TreeWriteLock lock(q_, "tirGoodsGroups");
    lock.Acquire();
    EXPECT_FALSE(lock.StartedTransaction());
  }  // neither committed nor rolled back here
  EXPECT_TRUE(conn_.InTransaction());
  EXPECT_EQ(conn_.TransactionLog(), (std::vector<std::string>{"BEGIN"}));
}

TEST_F(TreeWriteLockTest, UnendedLockRollsBackOnDestruction) {
  LockAnswers(0);
  {
    TreeWriteLock lock(q_, "tirGoodsGroups");
    lock.Acquire();
  }
  EXPECT_EQ(conn_.TransactionLog(), (std::vector<std::string>{"BEGIN", "ROLLBACK"}));
}

TEST_F(TreeWriteLockTest, RepairReportsRefusedLock) {
  LockAnswers(-1);
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, "tirGoodsGroups", "root");
  EXPECT_EQ(r.fCode, 99);
  EXPECT_EQ(r.fStr, "Помилка Repair: Не вдалося взяти блокування дерева (applock), код=-1");
  EXPECT_EQ(conn_.TransactionLog(), (std::vector<std::string>{"BEGIN", "ROLLBACK"}));
  EXPECT_EQ(conn_.RunSql().find("SELECT fId"), std::string::npos);
}

TEST_F(TreeWriteLockTest, RepairUnderLockWritesOneUpdatePerRow) {
  LockAnswers(0);
  conn_.AddResult(
      "SELECT fId, fcl, fcr, fclev, fName FROM", {"fId", "fcl", "fcr", "fclev", "fName"},
      {{Value::Int32(1), Value::Int32(1), Value::Int32(6), Value::Int32(0), Value::Text("root")},
       {Value::Int32(2), Value::Int32(2), Value::Int32(3), Value::Int32(1), Value::Text("a")},
       {Value::Int32(3), Value::Int32(2), Value::Int32(5), Value::Int32(1), Value::Text("b")}});
  conn_.AddResult("SELECT fId FROM", {"fId"}, {{Value::Int32(1)}});
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, "tirGoodsGroups", "root");
  EXPECT_EQ(r.fCode, 0) << r.fStr;
  EXPECT_EQ(r.fStr, "Дерево відновлено. Вкладеність збережено: 0. Перенесено під ROOT списком: 2.");
  std::vector<std::tuple<int, int, int, int>> updates;
  for (const RecordedRun& run : conn_.Runs()) {
    if (run.sql.rfind("UPDATE tirGoodsGroups SET fcl=", 0) == 0) {
      updates.emplace_back(run.Param("id").AsInt32(), run.Param("cl").AsInt32(),
                           run.Param("cr").AsInt32(), run.Param("lv").AsInt32());
    }
  }
  EXPECT_EQ(updates, (std::vector<std::tuple<int, int, int, int>>{
                         {1, 1, 6, 0}, {2, 2, 3, 1}, {3, 4, 5, 1}}));
  EXPECT_EQ(conn_.TransactionLog(), (std::vector<std::string>{"BEGIN", "COMMIT"}));
}

}  // namespace
}  // namespace tir::tree
