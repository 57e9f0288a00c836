// The tirdex tree commands, run as the program itself against a base file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/temp_base.h"
#include "tree_test_support.h"

namespace tir::tree {
namespace {

namespace tt = tir::tree::testing;

struct RunResult {
  int exitCode = -1;
  std::string out;
};

// Runs tirdex with the arguments (already quoted for the shell); stderr is dropped.
RunResult Tirdex(const std::string& args) {
  const std::string command = std::string("'") + TIRDEX_PATH + "' " + args + " 2>/dev/null";
  RunResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

class TreeTirdexTest : public ::testing::Test {
 protected:
  std::string Base() const { return "'" + base_.path() + "'"; }
  tir::test::TempBase base_;
};

TEST_F(TreeTirdexTest, CheckSoundAndDamagedTree) {
  RunResult r = Tirdex("tree check " + Base() + " tirGoodsGroups");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out.rfind("Перевірка дерева:\n- Вузлів: 1\n", 0), 0u) << r.out;
  EXPECT_EQ(r.out.find('\r'), std::string::npos);

  tt::Exec(base_.conn(),
           "INSERT INTO tirGoodsGroups (fName, fcl, fcr, fclev) VALUES ('x', 2, 2, 1);");
  r = Tirdex("tree check " + Base() + " tirGoodsGroups");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("- Базові помилки (fcl<=0 / fcr<=0 / fcl>=fcr / fclev<0): 1\n"),
            std::string::npos)
      << r.out;
}

TEST_F(TreeTirdexTest, RepairPrintsCodeAndMessage) {
  tt::Exec(base_.conn(), "INSERT INTO tirGoodsGroups (fName) VALUES ('a'), ('b');");
  RunResult r = Tirdex("tree repair " + Base() + " tirGoodsGroups");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "0 Дерево відновлено. Вкладеність збережено: 0. Перенесено під ROOT списком: 2.\n");
  EXPECT_EQ(Tirdex("tree check " + Base() + " tirGoodsGroups").exitCode, 0);
  r = Tirdex("tree repair " + Base() + " tirGoodsGroups");
  EXPECT_EQ(r.out, "0 Не потребує відновлення. З групами товарів все ОК.\n");

  // Another root name: a new root row above the old tree.
  tt::Exec(base_.conn(), "UPDATE tirGoodsGroups SET fclev = 7 WHERE fName = 'a';");
  r = Tirdex("tree repair " + Base() + " tirGoodsGroups --root 'Усі групи'");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(tir::test::ScalarText(base_.conn(),
                                  "SELECT fName FROM tirGoodsGroups WHERE fcl = 1 AND fclev = 0;"),
            "Усі групи");
}

TEST_F(TreeTirdexTest, RepairPutsRowsSharingTheNewRootsBoundsUnderIt) {
  // The new root sits at (1, 2): A shares its left bound, B the value 2, C is a valid top row.
  tt::Exec(base_.conn(), "DELETE FROM tirGoodsGroups;");
  tt::Exec(base_.conn(),
           "INSERT INTO tirGoodsGroups (fName, fcl, fcr, fclev) VALUES ('A', 1, 4, 0), "
           "('B', 2, 3, 1), ('C', 5, 6, 0);");
  const std::string repair = "tree repair " + Base() + " tirGoodsGroups --root ROOT";
  RunResult r = Tirdex(repair);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out,
            "0 Дерево відновлено. Вкладеність збережено: 0. Перенесено під ROOT списком: 3.\n");
  const std::string layout =
      "SELECT group_concat(fName || fclev, ' ') FROM (SELECT * FROM tirGoodsGroups ORDER BY fcl);";
  EXPECT_EQ(tir::test::ScalarText(base_.conn(), layout), "ROOT0 C1 A1 B1");
  EXPECT_EQ(Tirdex("tree check " + Base() + " tirGoodsGroups").exitCode, 0);

  // Bounds and levels that are no numbers or do not fit 32 bits: the row goes under the root.
  tt::Exec(base_.conn(),
           "INSERT INTO tirGoodsGroups (fName, fcl, fcr, fclev) VALUES ('D', 7, 5000000000, 'x');");
  r = Tirdex(repair);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out,
            "0 Дерево відновлено. Вкладеність збережено: 0. Перенесено під ROOT списком: 4.\n");
  EXPECT_EQ(tir::test::ScalarText(base_.conn(), layout), "ROOT0 C1 A1 B1 D1");
  EXPECT_EQ(Tirdex("tree check " + Base() + " tirGoodsGroups").exitCode, 0);
}

TEST_F(TreeTirdexTest, RefusesBadTableNameAndMissingBase) {
  const RunResult bad = Tirdex("tree repair " + Base() + " 'tirGoodsGroups; DROP TABLE tirGoods'");
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(Tirdex("tree check " + Base() + " 'a b'").exitCode, 2);
  EXPECT_EQ(tir::test::ScalarInt(base_.conn(), "SELECT COUNT(*) FROM tirGoods;"), 0);

  const std::string missing = tir::test::TempPath();
  EXPECT_EQ(Tirdex("tree check '" + missing + "' tirGoodsGroups").exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_EQ(Tirdex("tree check " + Base() + " tirNoSuchTable").exitCode, 1);
  EXPECT_EQ(Tirdex("tree check " + Base()).exitCode, 2);
}

}  // namespace
}  // namespace tir::tree
