// Integrity check and repair of tree tables on a real SQLite base.
#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/query.h"
#include "tests/support/temp_base.h"
#include "tree/tree_integrity.h"
#include "tree/tree_repair.h"
#include "tree_test_support.h"

namespace tir::tree {
namespace {

namespace tt = tir::tree::testing;
using tt::Row;

constexpr const char* kAlreadySound = "Не потребує відновлення. З групами товарів все ОК.";

std::string Repaired(int kept, int moved) {
  return "Дерево відновлено. Вкладеність збережено: " + std::to_string(kept) +
         ". Перенесено під ROOT списком: " + std::to_string(moved) + ".";
}

class TreeRepairTest : public ::testing::Test {
 protected:
  const std::string kTable = "tirTestTree";

  void SetUp() override { tt::CreateTreeTable(base_.conn(), kTable); }

  void Load(const std::vector<Row>& rows) { tt::InsertRows(base_.conn(), kTable, rows); }
  std::vector<Row> Rows() { return tt::ReadRows(base_.conn(), kTable); }

  Row RowOf(int id) {
    for (const Row& r : Rows()) {
      if (r.id == id) return r;
    }
    ADD_FAILURE() << "no row " << id;
    return {};
  }

  // Bounds and level of a row as (fcl, fcr, fclev).
  std::tuple<int, int, int> Bounds(int id) {
    const Row r = RowOf(id);
    return {r.cl.value_or(-1), r.cr.value_or(-1), r.lev.value_or(-1)};
  }

  bool Check() {
    std::string report;
    return gTreeFunc_CheckIntegrity(q_, kTable, report);
  }

  void ExpectSoundAfterRepair() {
    EXPECT_TRUE(Check());
    EXPECT_EQ(tt::NestedSetFault(Rows()), "");
  }

  tir::test::TempBase base_;
  db::Query q_{base_.conn()};
};

TEST_F(TreeRepairTest, CheckReportsSoundTree) {
  Load({{1, 1, 6, 0, "root", 0, 0}, {2, 2, 3, 1, "a", 0, 0}, {3, 4, 5, 1, "b", 0, 0}});
  std::string report;
  EXPECT_TRUE(gTreeFunc_CheckIntegrity(q_, kTable, report));
  EXPECT_EQ(report,
            "Перевірка дерева:\r\n"
            "- Вузлів: 3\r\n"
            "- Коренів (fclev=0): 1\r\n"
            "- Базові помилки (fcl<=0 / fcr<=0 / fcl>=fcr / fclev<0): 0\r\n"
            "- Дублікати fcl: 0\r\n"
            "- Дублікати fcr: 0\r\n"
            "- Помилка парності (fcr-fcl має бути непарним): 0\r\n"
            "- Max fcr: 6, Очікувано 2*N: 6\r\n"
            "- Унікальних значень (fcl+fcr): 6\r\n"
            "- Невірний fclev (не збігається з розрахунком): 0\r\n"
            "- Root fcl<>1: 0");
  EXPECT_FALSE(q_.IsOpen());
}

TEST_F(TreeRepairTest, CheckCountsEveryKindOfDamage) {
  Load({{1, 1, 8, 0, "root", 0, 0},
        {2, 2, 3, 1, "a", 0, 0},
        {3, 2, 5, 1, "b", 0, 0},
        {4, 7, 7, 1, "c", 0, 0},
        {5, 0, 4, 0, "d", 0, 0}});
  const TTreeCheckCounts c = ReadTreeCheckCounts(q_, kTable);
  EXPECT_EQ(c.NodeCount, 5);
  EXPECT_EQ(c.RootCount, 2);
  EXPECT_EQ(c.BadBase, 2);
  EXPECT_EQ(c.DupCl, 1);
  EXPECT_EQ(c.DupCr, 0);
  EXPECT_EQ(c.BadParity, 2);
  EXPECT_EQ(c.MaxFcr, 8);
  EXPECT_EQ(c.ExpectedMax, 10);
  EXPECT_EQ(c.DistinctVals, 8);
  EXPECT_EQ(c.BadLevel, 3);
  EXPECT_EQ(c.RootNotFcl1, 1);
  EXPECT_FALSE(c.IsSound());
  EXPECT_FALSE(Check());
}

TEST_F(TreeRepairTest, CheckFailsOnEmptyTableAndRaisesOnBadTable) {
  EXPECT_FALSE(Check());
  std::string report;
  EXPECT_THROW(gTreeFunc_CheckIntegrity(q_, "tirNoSuchTable", report), db::DbError);
  EXPECT_THROW(gTreeFunc_CheckIntegrity(q_, "a b", report), db::DbError);
}

TEST_F(TreeRepairTest, SoundTreeIsLeftUntouched) {
  Load({{1, 1, 6, 0, "root", 0, 0}, {2, 2, 3, 1, "b", 0, 0}, {3, 4, 5, 1, "a", 0, 0}});
  tt::Exec(base_.conn(), "CREATE TABLE tirUpdLog (n INTEGER);");
  tt::Exec(base_.conn(),
           "CREATE TRIGGER trTreeUpd AFTER UPDATE ON tirTestTree BEGIN INSERT INTO tirUpdLog "
           "VALUES (1); END;");
  const auto before = Rows();
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, kTable, "root");
  EXPECT_EQ(r.fCode, 0);
  EXPECT_EQ(r.fStr, kAlreadySound);
  EXPECT_EQ(Rows(), before);
  EXPECT_EQ(tir::test::ScalarInt(base_.conn(), "SELECT COUNT(*) FROM tirUpdLog;"), 0);
  EXPECT_FALSE(base_.conn().InTransaction());
}

TEST_F(TreeRepairTest, DuplicateLeftBoundsGoUnderRootOrderedByName) {
  Load({{1, 1, 10, 0, "root", 0, 0},
        {2, 2, 3, 1, "Виноград", 21, 22},
        {3, 2, 5, 1, "банан", 31, 32},
        {4, 6, 9, 1, "z", 41, 42},
        {5, 7, 8, 2, "w", 51, 52}});
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, kTable, "root");
  EXPECT_EQ(r.fCode, 0);
  EXPECT_EQ(r.fStr, Repaired(1, 3));
  EXPECT_EQ(Bounds(1), std::make_tuple(1, 10, 0));
  EXPECT_EQ(Bounds(4), std::make_tuple(2, 5, 1));
  EXPECT_EQ(Bounds(5), std::make_tuple(3, 4, 2));
  // Unplaced rows follow the placed ones, by name without regard to case.
  EXPECT_EQ(Bounds(3), std::make_tuple(6, 7, 1));
  EXPECT_EQ(Bounds(2), std::make_tuple(8, 9, 1));
  EXPECT_EQ(RowOf(2).name, "Виноград");
  EXPECT_EQ(RowOf(2).g1, 21);
  EXPECT_EQ(RowOf(2).g2, 22);
  ExpectSoundAfterRepair();
}

TEST_F(TreeRepairTest, MissingRootRowIsCreatedAndSharesBoundsWithOldTop) {
  // The new root sits at (1, 2): the old top row shares its left bound and the child its right
  // bound's value, so neither keeps its nesting.
  Load({{1, 1, 4, 0, "top", 0, 0}, {2, 2, 3, 5, "child", 0, 0}});
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, kTable, "ROOT");
  EXPECT_EQ(r.fCode, 0) << r.fStr;
  EXPECT_EQ(r.fStr, Repaired(0, 2));
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].name, "ROOT");
  EXPECT_EQ(rows[2].g1, 0);
  EXPECT_EQ(Bounds(rows[2].id), std::make_tuple(1, 6, 0));
  EXPECT_EQ(Bounds(2), std::make_tuple(2, 3, 1));
  EXPECT_EQ(Bounds(1), std::make_tuple(4, 5, 1));
  ExpectSoundAfterRepair();
}

TEST_F(TreeRepairTest, BoundsOrLevelsOutOfRangeOrNotNumbersGoUnderRoot) {
  Load({{1, 1, 10, 0, "root", 0, 0},
        {2, 2, 3, 1, "a", 0, 0},
        {3, 4, 5, 1, "b", 0, 0},
        {4, 6, 7, 1, "c", 0, 0},
        {5, 8, 9, 1, "d", 0, 0}});
  tt::Exec(base_.conn(), "UPDATE tirTestTree SET fcl = 5000000000 WHERE fId = 2;");
  tt::Exec(base_.conn(), "UPDATE tirTestTree SET fcr = 'x' WHERE fId = 3;");
  tt::Exec(base_.conn(), "UPDATE tirTestTree SET fclev = -9999999999 WHERE fId = 4;");
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, kTable, "root");
  EXPECT_EQ(r.fCode, 0) << r.fStr;
  EXPECT_EQ(r.fStr, Repaired(0, 4));
  EXPECT_EQ(Bounds(5), std::make_tuple(2, 3, 1));
  EXPECT_EQ(Bounds(2), std::make_tuple(4, 5, 1));
  ExpectSoundAfterRepair();
}

TEST_F(TreeRepairTest, EmptyTableGetsSingleRoot) {
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, kTable, "root");
  EXPECT_EQ(r.fCode, 0) << r.fStr;
  EXPECT_EQ(r.fStr, Repaired(0, 0));
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, "root");
  EXPECT_EQ(Bounds(rows[0].id), std::make_tuple(1, 2, 0));
  ExpectSoundAfterRepair();
}

TEST_F(TreeRepairTest, PartialOverlapMovesUnderRootAndGrandchildKeepsParent) {
  Load({{1, 1, 12, 0, "root", 0, 0},
        {2, 2, 7, 1, "p", 0, 0},
        {3, 3, 9, 2, "c", 0, 0},
        {4, 4, 5, 3, "g", 0, 0},
        {5, 10, 11, 1, "h", 0, 0}});
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, kTable, "root");
  EXPECT_EQ(r.fStr, Repaired(1, 3));
  EXPECT_EQ(Bounds(2), std::make_tuple(2, 3, 1));
  EXPECT_EQ(Bounds(3), std::make_tuple(4, 7, 1));
  EXPECT_EQ(Bounds(4), std::make_tuple(5, 6, 2));
  EXPECT_EQ(Bounds(5), std::make_tuple(8, 9, 1));
  ExpectSoundAfterRepair();
}

TEST_F(TreeRepairTest, RowsWithoutBoundsAndSeveralRootsByName) {
  Load({{1, 1, 4, 0, "root", 0, 0},
        {2, 2, 3, 1, "a", 0, 0},
        {3, std::nullopt, std::nullopt, std::nullopt, "Б", 0, 0},
        {4, 0, 0, 0, "root", 0, 0},
        {5, 5, 3, 1, "а", 0, 0}});
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, kTable, "root");
  EXPECT_EQ(r.fCode, 0) << r.fStr;
  EXPECT_EQ(r.fStr, Repaired(0, 4));
  // Row 1 is the root (the smallest id of that name); the second "root" is an ordinary row.
  EXPECT_EQ(Bounds(1), std::make_tuple(1, 10, 0));
  EXPECT_EQ(Bounds(2), std::make_tuple(2, 3, 1));
  // Unplaced rows by upper-cased name: "ROOT" < "А" < "Б".
  EXPECT_EQ(Bounds(4), std::make_tuple(4, 5, 1));
  EXPECT_EQ(Bounds(5), std::make_tuple(6, 7, 1));
  EXPECT_EQ(Bounds(3), std::make_tuple(8, 9, 1));
  ExpectSoundAfterRepair();
}

TEST_F(TreeRepairTest, WholeButShiftedTreeIsRenumbered) {
  Load({{1, 11, 16, 0, "root", 0, 0}, {2, 12, 13, 1, "a", 0, 0}, {3, 14, 15, 1, "b", 0, 0}});
  EXPECT_FALSE(Check());
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, kTable, "root");
  EXPECT_EQ(r.fStr, Repaired(0, 2));
  EXPECT_EQ(Bounds(2), std::make_tuple(2, 3, 1));
  ExpectSoundAfterRepair();
}

TEST_F(TreeRepairTest, RunsInsideCallersTransactionWithoutEndingIt) {
  Load({{1, 1, 4, 0, "root", 0, 0}, {2, 2, 3, 3, "a", 0, 0}});
  const auto damaged = Rows();
  base_.conn().StartTransaction();
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, kTable, "root");
  EXPECT_EQ(r.fCode, 0) << r.fStr;
  EXPECT_TRUE(base_.conn().InTransaction());
  EXPECT_EQ(Bounds(2), std::make_tuple(2, 3, 1));
  base_.conn().Rollback();
  EXPECT_EQ(Rows(), damaged);
}

TEST_F(TreeRepairTest, DatabaseErrorRollsEverythingBack) {
  Load({{1, 1, 4, 0, "top", 0, 0}, {2, 2, 3, 3, "a", 0, 0}});
  tt::Exec(base_.conn(),
           "CREATE TRIGGER trTreeStop BEFORE UPDATE ON tirTestTree WHEN NEW.fId = 2 BEGIN SELECT "
           "RAISE(ABORT, 'stopped by trigger'); END;");
  const auto damaged = Rows();
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, kTable, "root");
  EXPECT_EQ(r.fCode, 99);
  EXPECT_EQ(r.fStr.rfind("Помилка Repair: ", 0), 0u) << r.fStr;
  EXPECT_NE(r.fStr.find("stopped by trigger"), std::string::npos) << r.fStr;
  // The root row the repair inserted is gone with the rest of its work.
  EXPECT_EQ(Rows(), damaged);
  EXPECT_FALSE(base_.conn().InTransaction());
  EXPECT_FALSE(q_.IsOpen());

  const TFuncR bad = gTreeFunc_RepairSafeSmart(q_, "tirTestTree where 1=1", "root");
  EXPECT_EQ(bad.fCode, 99);
  EXPECT_EQ(bad.fStr.rfind("Помилка Repair: ", 0), 0u);
  EXPECT_FALSE(base_.conn().InTransaction());
}

TEST_F(TreeRepairTest, RepairsGoodsGroupsOfFullSchema) {
  // The full schema's group table cannot hold NULL bounds; rows written without them carry 0.
  tt::Exec(base_.conn(), "INSERT INTO tirGoodsGroups (fName) VALUES ('Чай'), ('кава');");
  std::string report;
  EXPECT_FALSE(gTreeFunc_CheckIntegrity(q_, "tirGoodsGroups", report));
  EXPECT_NE(report.find("- Вузлів: 3"), std::string::npos) << report;
  const TFuncR r = gTreeFunc_RepairSafeSmart(q_, "tirGoodsGroups", "root");
  EXPECT_EQ(r.fStr, Repaired(0, 2));
  EXPECT_TRUE(gTreeFunc_CheckIntegrity(q_, "tirGoodsGroups", report)) << report;
  const auto rows = tt::ReadRows(base_.conn(), "tirGoodsGroups");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].name, "кава");
  EXPECT_EQ(rows[2].cl, 2);  // "КАВА" < "ЧАЙ"
}

}  // namespace
}  // namespace tir::tree
