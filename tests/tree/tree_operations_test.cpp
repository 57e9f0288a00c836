// Tree operations in the portable form on a real SQLite base with the full schema.
#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/query.h"
#include "settings/guid_forms.h"
#include "tests/support/temp_base.h"
#include "tree/tree_functions.h"
#include "tree/tree_path.h"
#include "tree_test_support.h"

namespace tir::tree {
namespace {

namespace tt = tir::tree::testing;

class TreeOperationsTest : public ::testing::Test {
 protected:
  const std::string kTable = "tirGoodsGroups";

  int Root() { return gTreeFunc_GetRootID(q_, kTable); }

  int AddChild(int parent, const std::string& name) {
    int id = 0;
    const TFuncR r = gTreeFunc_AddChieldNode(q_, kTable, parent, name, id);
    EXPECT_EQ(r.fCode, 0) << r.fStr;
    EXPECT_EQ(r.fStr, "");
    return id;
  }

  std::vector<tt::Row> Rows() { return tt::ReadRows(base_.conn(), kTable); }

  tt::Row RowOf(int id) {
    for (const tt::Row& r : Rows()) {
      if (r.id == id) return r;
    }
    ADD_FAILURE() << "no row " << id;
    return {};
  }

  std::vector<int> Children(int id) { return tt::ChildrenOf(Rows())[id]; }

  void ExpectSound() {
    const std::string fault = tt::NestedSetFault(Rows());
    EXPECT_EQ(fault, "");
  }

  void ExpectRefused(const TFuncR& r, int code, const std::string& message,
                     const std::vector<tt::Row>& before) {
    EXPECT_EQ(r.fCode, code);
    EXPECT_EQ(r.fStr, message);
    EXPECT_EQ(Rows(), before);
    EXPECT_FALSE(q_.IsOpen());
  }

  tir::test::TempBase base_;
  db::Query q_{base_.conn()};
};

TEST_F(TreeOperationsTest, RootOfEmptyTableIsCreatedOnce) {
  tt::CreateTreeTable(base_.conn(), "tirTestTree");
  const int id = gTreeFunc_GetRootID(q_, "tirTestTree");
  ASSERT_GT(id, 0);
  const auto rows = tt::ReadRows(base_.conn(), "tirTestTree");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].id, id);
  EXPECT_EQ(rows[0].cl, 1);
  EXPECT_EQ(rows[0].cr, 2);
  EXPECT_EQ(rows[0].lev, 0);
  EXPECT_EQ(rows[0].name, "root");
  EXPECT_FALSE(rows[0].g1 == 0 && rows[0].g2 == 0);
  EXPECT_EQ(gTreeFunc_GetRootID(q_, "tirTestTree"), id);
  EXPECT_EQ(tt::ReadRows(base_.conn(), "tirTestTree").size(), 1u);
  EXPECT_FALSE(q_.IsOpen());
}

TEST_F(TreeOperationsTest, ForestIsWrappedUnderNewRoot) {
  tt::CreateTreeTable(base_.conn(), "tirTestTree");
  // Two top-level groups at level 1 with no level-0 row; the second has a child.
  tt::InsertRows(base_.conn(), "tirTestTree",
                 {{5, 1, 2, 1, "a", 1, 1}, {6, 3, 6, 1, "b", 2, 2}, {7, 4, 5, 2, "c", 3, 3}});
  const int root = gTreeFunc_GetRootID(q_, "tirTestTree");
  const auto rows = tt::ReadRows(base_.conn(), "tirTestTree");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (tt::Row{5, 2, 3, 2, "a", 1, 1}));
  EXPECT_EQ(rows[1], (tt::Row{6, 4, 7, 2, "b", 2, 2}));
  EXPECT_EQ(rows[2], (tt::Row{7, 5, 6, 3, "c", 3, 3}));
  EXPECT_EQ(rows[3].id, root);
  EXPECT_EQ(rows[3].cl, 1);
  EXPECT_EQ(rows[3].cr, 8);  // old maximum 6 + 2
  EXPECT_EQ(rows[3].lev, 0);
  EXPECT_EQ(rows[3].name, "root");
}

TEST_F(TreeOperationsTest, AddChildRefusesMissingParent) {
  const int root = Root();
  AddChild(root, "a");
  const auto before = Rows();
  int id = 5;
  const TFuncR r = gTreeFunc_AddChieldNode(q_, kTable, 999, "x", id);
  ExpectRefused(r, 2, "Батьківську групу не знайдено.", before);
  EXPECT_EQ(id, 0);
}

TEST_F(TreeOperationsTest, ChangeParentRefusals) {
  const int root = Root();
  const int a = AddChild(root, "a");
  const int a1 = AddChild(a, "a1");
  const int a11 = AddChild(a1, "a11");
  AddChild(root, "b");
  const auto before = Rows();
  ExpectRefused(gTreeFunc_ChangeParent(q_, kTable, a, a11), 4,
                "Помилка переміщення: не можна перемістити групу у власне піддерево.", before);
  ExpectRefused(gTreeFunc_ChangeParent(q_, kTable, a, a), 4,
                "Помилка переміщення: не можна перемістити групу у власне піддерево.", before);
  ExpectRefused(gTreeFunc_ChangeParent(q_, kTable, 999, a), 1, "Групу не знайдено.", before);
  ExpectRefused(gTreeFunc_ChangeParent(q_, kTable, root, a), 2,
                "Не можна переміщати кореневу групу.", before);
  ExpectRefused(gTreeFunc_ChangeParent(q_, kTable, a1, 999), 3, "Нового батька не знайдено.",
                before);
}

TEST_F(TreeOperationsTest, UpdateNodeGuid) {
  const int a = AddChild(Root(), "a");
  const auto before = Rows();
  ExpectRefused(gTreeFunc_UpdateNodeGUID(q_, kTable, a, "{00112233-4455-6677-8899-AABBCCDDEEFF}"),
                1, "Невірний формат GUID (очікується 36 символів).", before);
  ExpectRefused(gTreeFunc_UpdateNodeGUID(q_, kTable, a, "00112233-4455-6677-8899-AABBCCDDEEF"), 1,
                "Невірний формат GUID (очікується 36 символів).", before);

  TFuncR r = gTreeFunc_UpdateNodeGUID(q_, kTable, a, "00112233-4455-6677-8899-aabbccddeeff");
  ASSERT_EQ(r.fCode, 0) << r.fStr;
  EXPECT_EQ(RowOf(a).g1, 0x0011223344556677LL);
  EXPECT_EQ(RowOf(a).g2, static_cast<std::int64_t>(0xFFEEDDCCBBAA9988ULL));
  EXPECT_EQ(gGetGUIDSTR(RowOf(a).g1, RowOf(a).g2), "00112233-4455-6677-8899-AABBCCDDEEFF");

  // 36 characters that are not a GUID end as an error result, not as an exception.
  const auto now = Rows();
  r = gTreeFunc_UpdateNodeGUID(q_, kTable, a, "00112233-4455-6677-8899-AABBCCDDEEFZ");
  EXPECT_EQ(r.fCode, 99);
  EXPECT_EQ(r.fStr.rfind("Помилка зміни GUID: ", 0), 0u) << r.fStr;
  EXPECT_EQ(Rows(), now);
  // 36 Cyrillic letters are 36 characters, too.
  std::string cyr;
  for (int i = 0; i < 36; ++i) cyr += "Ж";
  r = gTreeFunc_UpdateNodeGUID(q_, kTable, a, cyr);
  EXPECT_EQ(r.fCode, 99);
}

TEST_F(TreeOperationsTest, MoveSiblingSwapsBlocksAndRefusesAtEnds) {
  const int root = Root();
  const int a = AddChild(root, "a");
  const int a1 = AddChild(a, "a1");
  const int b = AddChild(root, "b");
  const int c = AddChild(root, "c");
  const int c1 = AddChild(c, "c1");
  const int c2 = AddChild(c, "c2");
  const auto before = Rows();
  ExpectRefused(gTreeFunc_MoveSibling(q_, kTable, a, smdUp), 10,
                "Ця група вже перша серед сусідів.", before);
  ExpectRefused(gTreeFunc_MoveSibling(q_, kTable, c, smdDown), 10,
                "Ця група вже остання серед сусідів.", before);
  ExpectRefused(gTreeFunc_MoveSibling(q_, kTable, a1, smdDown), 10,
                "Ця група вже остання серед сусідів.", before);
  ExpectRefused(gTreeFunc_MoveSibling(q_, kTable, 0, smdUp), 1, "Не вибрано групу.", before);
  ExpectRefused(gTreeFunc_MoveSibling(q_, kTable, 77, smdUp), 2, "Групу з ID=77 не знайдено.",
                before);
  ExpectRefused(gTreeFunc_MoveSibling(q_, kTable, root, smdDown), 3, "Корінь не можна рухати.",
                before);

  // Successful moves are compared with a model in the randomized operations test.
  const TFuncR r = gTreeFunc_MoveSibling(q_, kTable, c, smdUp);
  ASSERT_EQ(r.fCode, 0) << r.fStr;
  EXPECT_EQ(Children(root), (std::vector<int>{a, c, b}));
  EXPECT_EQ(Children(c), (std::vector<int>{c1, c2}));
}

TEST_F(TreeOperationsTest, DeleteLeafAndSubtree) {
  const int root = Root();
  const int a = AddChild(root, "a");
  const int a1 = AddChild(a, "a1");
  const int a2 = AddChild(a, "a2");
  AddChild(a2, "a21");
  const int b = AddChild(root, "b");
  auto before = Rows();
  ExpectRefused(gTreeFunc_DeleteNode(q_, kTable, 0), 1, "Не вибрано групу для видалення.", before);
  ExpectRefused(gTreeFunc_DeleteNode(q_, kTable, 999), 2, "Групу вже було видалено.", before);
  ExpectRefused(gTreeFunc_DeleteNode(q_, kTable, root), 4, "Не можна видалити кореневу групу.",
                before);
  ExpectRefused(gTreeFunc_DeleteNode(q_, kTable, a), 3, "Спочатку видаліть всі підгрупи.", before);
  ExpectRefused(gTreeFunc_DeleteSubtree(q_, kTable, 999), 1, "Гілку не знайдено.", before);
  ExpectRefused(gTreeFunc_DeleteSubtree(q_, kTable, root), 2, "Не можна видалити кореневу групу.",
                before);

  TFuncR r = gTreeFunc_DeleteNode(q_, kTable, a1);
  ASSERT_EQ(r.fCode, 0) << r.fStr;
  EXPECT_EQ(Children(a), (std::vector<int>{a2}));
  ExpectSound();
  r = gTreeFunc_DeleteSubtree(q_, kTable, a);
  ASSERT_EQ(r.fCode, 0) << r.fStr;
  EXPECT_EQ(Rows().size(), 2u);
  EXPECT_EQ(Children(root), (std::vector<int>{b}));
  ExpectSound();
}

TEST_F(TreeOperationsTest, RenameKeepsBounds) {
  const int a = AddChild(Root(), "a");
  const tt::Row old = RowOf(a);
  const TFuncR r = gTreeFunc_UpdateNode(q_, kTable, a, "Нова назва");
  ASSERT_EQ(r.fCode, 0) << r.fStr;
  tt::Row expected = old;
  expected.name = "Нова назва";
  EXPECT_EQ(RowOf(a), expected);
}

TEST_F(TreeOperationsTest, DatabaseErrorsBecomeResults) {
  int id = 0;
  const std::pair<TFuncR, std::string> results[] = {
      {gTreeFunc_AddChieldNode(q_, "tirNoSuchTable", 0, "x", id),
       "Помилка додавання дочірнього вузла: "},
      {gTreeFunc_AddNode(q_, "tirNoSuchTable", 0, "x", id), "Помилка додавання вузла: "},
      {gTreeFunc_DeleteNode(q_, "tirNoSuchTable", 3), "Помилка видалення вузла: "},
      {gTreeFunc_DeleteSubtree(q_, "tirNoSuchTable", 3), "Помилка видалення гілки: "},
      {gTreeFunc_UpdateNode(q_, "tirNoSuchTable", 3, "x"), "Помилка зміни назви: "},
      {gTreeFunc_ChangeParent(q_, "tirNoSuchTable", 3, 4), "Помилка переміщення групи: "},
      {gTreeFunc_MoveSibling(q_, "tirNoSuchTable", 3, smdUp), "Помилка руху групи: "}};
  for (const auto& [r, prefix] : results) {
    EXPECT_EQ(r.fCode, 99) << prefix;
    EXPECT_EQ(r.fStr.rfind(prefix, 0), 0u) << r.fStr;
    EXPECT_GT(r.fStr.size(), prefix.size()) << r.fStr;
  }
  EXPECT_FALSE(q_.IsOpen());

  // A table name that is not a plain identifier never reaches the SQL.
  const auto before = Rows();
  EXPECT_EQ(gTreeFunc_UpdateNode(q_, "tirGoodsGroups; DELETE FROM tirGoodsGroups", 1, "x").fCode,
            99);
  EXPECT_EQ(Rows(), before);
  EXPECT_EQ(gTreeFunc_FindOrCreateGroupByPath(q_, "tirNoSuchTable", "a\\b"), 0);

  // The root lookup lets database errors through.
  EXPECT_THROW(gTreeFunc_GetRootID(q_, "tirNoSuchTable"), db::DbError);
}

TEST_F(TreeOperationsTest, FindOrCreateGroupByPath) {
  const int root = Root();
  EXPECT_EQ(gTreeFunc_FindOrCreateGroupByPath(q_, kTable, ""), root);
  EXPECT_EQ(gTreeFunc_FindOrCreateGroupByPath(q_, kTable, " \\ / "), root);

  const int leaf = gTreeFunc_FindOrCreateGroupByPath(q_, kTable, "Напої/Соки\\Яблучні");
  ASSERT_GT(leaf, 0);
  EXPECT_EQ(RowOf(leaf).name, "Яблучні");
  EXPECT_EQ(RowOf(leaf).lev, 3);
  EXPECT_EQ(Rows().size(), 4u);
  const int juices = tt::ParentsOf(Rows())[leaf];
  EXPECT_EQ(RowOf(juices).name, "Соки");

  // Names compare without regard to case, Cyrillic included; separators and blanks are lenient.
  EXPECT_EQ(gTreeFunc_FindOrCreateGroupByPath(q_, kTable, "  напої \\ СОКИ / яблучні  "), leaf);
  EXPECT_EQ(Rows().size(), 4u);

  const int tomato = gTreeFunc_FindOrCreateGroupByPath(q_, kTable, "Напої\\\\Соки\\Томатні");
  EXPECT_EQ(tt::ParentsOf(Rows())[tomato], juices);
  EXPECT_EQ(Rows().size(), 5u);

  // Only direct children match: a level-1 "Соки" is a group of its own.
  const int topJuices = gTreeFunc_FindOrCreateGroupByPath(q_, kTable, "Соки");
  EXPECT_NE(topJuices, juices);
  EXPECT_EQ(RowOf(topJuices).lev, 1);

  const int spaced = gTreeFunc_FindOrCreateGroupByPath(q_, kTable, "A\tB\r\nC");
  EXPECT_EQ(RowOf(spaced).name, "A B  C");
  ExpectSound();
  EXPECT_FALSE(q_.IsOpen());
}

TEST(TreePathTest, SplitsAndJoins) {
  EXPECT_EQ(SplitGroupPath(""), std::vector<std::string>{});
  EXPECT_EQ(SplitGroupPath("  a / b\\\\ c d \\"), (std::vector<std::string>{"a", "b", "c d"}));
  EXPECT_EQ(SplitGroupPath("\ta\tb\n"), (std::vector<std::string>{"a b"}));
  EXPECT_EQ(JoinGroupPath({"a", "b c"}), "a\\b c");
  EXPECT_EQ(JoinGroupPath({}), "");
}

}  // namespace
}  // namespace tir::tree
