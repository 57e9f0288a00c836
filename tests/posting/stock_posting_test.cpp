// Moves between stores, write-offs, taking on stock, returns to supplier, inventory, production.
#include "tests/posting/posting_fixture.h"

namespace tir::posting::test {
namespace {

using StockPostingTest = PostingTest;

TEST_F(StockPostingTest, MoveTakesCostFromSendingStore) {
  SetBalance(1, 1, 7, 10, 200);
  SetBalance(1, 2, 7, 0, 0);
  DocFields d{.type = 8, .store = 1, .store2 = 2, .contract = 5, .transact = 6};
  const std::int64_t id = AddDoc(d, {{7, 5, 0}});
  Post(id);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[0].store, 1);
  EXPECT_EQ(moves[0].sign, -1);
  EXPECT_DOUBLE_EQ(moves[0].qtty, 5);
  EXPECT_DOUBLE_EQ(moves[0].sum, 100);
  EXPECT_EQ(moves[1].store, 2);
  EXPECT_EQ(moves[1].sign, 1);
  EXPECT_DOUBLE_EQ(moves[1].sum, 100);
  for (const auto& m : moves) {
    EXPECT_EQ(m.contract, 0);
    EXPECT_EQ(m.transact, 0);
    EXPECT_EQ(m.operType, 8);
    EXPECT_EQ(m.posGoodId, LineIds(id)[0]);
  }
  ExpectBalance(1, 1, 7, 5, 100);
  ExpectBalance(1, 2, 7, 5, 100);

  Post(id, kPostOff);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 7).second, 200);
  EXPECT_DOUBLE_EQ(Balance(1, 2, 7).second, 0);
}

TEST_F(StockPostingTest, WriteOffAtAverageCostAndTakingOnStockAtLineSum) {
  SetBalance(1, 1, 7, 4, 10);
  // docSum: no settlement for stock documents
  DocFields off{.type = 9, .partner = 1, .contract = 3, .transact = 4, .docSum = 500};
  const std::int64_t offId = AddDoc(off, {{7, 1, 999}});
  Post(offId);
  auto moves = Moves(offId);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].sign, -1);
  EXPECT_DOUBLE_EQ(moves[0].sum, 2.5);
  EXPECT_EQ(moves[0].contract, 3);
  EXPECT_EQ(moves[0].transact, 4);

  // currRate: no conversion
  DocFields on{.type = 10, .currRate = 3};
  const std::int64_t onId = AddDoc(on, {{7, 2, 12.345}});
  Post(onId);
  moves = Moves(onId);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].sign, 1);
  EXPECT_DOUBLE_EQ(moves[0].sum, 12.35);
  ExpectBalance(1, 1, 7, 5, 7.5 + 12.35);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
}

TEST_F(StockPostingTest, ReturnToSupplierAtStoreCostWithSettlement) {
  SetBalance(1, 1, 7, 10, 100);
  DocFields d{.type = 12, .partner = 8, .contract = 2, .docSum = 77};
  const std::int64_t id = AddDoc(d, {{7, 3, 45}});
  Post(id);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_DOUBLE_EQ(moves[0].sum, 30);  // the store's cost, not the line's 45
  EXPECT_EQ(moves[0].contract, 2);
  EXPECT_DOUBLE_EQ(Scalar("SELECT fSign * fSum FROM tirAMSettlement;"), -77);
  EXPECT_EQ(Count("SELECT fOperType FROM tirAMSettlement;"), 12);
  EXPECT_EQ(Count("SELECT fPartId FROM tirAMSettlement;"), 8);

  DocFields empty = d;
  empty.docSum = 13;
  const std::int64_t emptyId = AddDoc(empty);  // no lines, still a settlement
  Post(emptyId);
  EXPECT_TRUE(Moves(emptyId).empty());
  EXPECT_DOUBLE_EQ(
      Scalar("SELECT fSign * fSum FROM tirAMSettlement WHERE fDocId=" + std::to_string(emptyId)),
      -13);
  EXPECT_EQ(State(emptyId), 0);
}

TEST_F(StockPostingTest, InventorySurplusAndShortage) {
  SetBalance(1, 1, 1, 10, 100);
  SetBalance(1, 1, 2, 10, 100);
  SetBalance(1, 1, 3, 0, 40);
  SetBalance(1, 1, 4, 2, 20);
  DocFields d{.type = 14, .contract = 9};
  LineFields tiny{1, 5, 0, 7, 0, 1e-13};
  LineFields smallSurplus{1, 5, 0, 7, 0, 2};
  LineFields bigSurplus{2, 5, 0, 7, 0, 8};
  LineFields noBookQtty{3, 1, 0, 7, 0, -1};
  LineFields shortage{4, 2, 0, 7, 0, -3};
  const std::int64_t id = AddDoc(d, {tiny, smallSurplus, bigSurplus, noBookQtty, shortage});
  Post(id);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 4u);  // the 1e-13 difference is ignored
  EXPECT_EQ(moves[0].sign, 1);
  EXPECT_DOUBLE_EQ(moves[0].qtty, 2);
  EXPECT_DOUBLE_EQ(moves[0].sum, 7);
  EXPECT_DOUBLE_EQ(moves[1].qtty, 8);
  EXPECT_DOUBLE_EQ(moves[1].sum, 4.38);  // 5 x 7 / 8
  EXPECT_EQ(moves[2].sign, -1);
  EXPECT_DOUBLE_EQ(moves[2].qtty, 1);
  EXPECT_DOUBLE_EQ(moves[2].sum, 40);  // no book quantity: the whole book value leaves
  EXPECT_EQ(moves[3].sign, -1);
  EXPECT_DOUBLE_EQ(moves[3].qtty, 3);
  EXPECT_DOUBLE_EQ(moves[3].sum, 30);  // |-3 x 20 / 2|
  EXPECT_EQ(moves[3].contract, 9);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 3).second, 0);
}

class ProductionTest : public PostingTest {
 protected:
  void SetUp() override {
    SetBalance(1, 1, 11, 10, 100);  // 10 a piece
    SetBalance(1, 1, 12, 10, 50);   // 5 a piece
    SetBalance(1, 1, 13, 10, 30);   // 3 a piece
    SetBalance(1, 1, 21, 0, 0);
    SetBalance(1, 1, 22, 0, 0);
  }
};

TEST_F(ProductionTest, EachProductTakesItsOwnIngredients) {
  DocFields d{.type = 13, .contract = 4};
  const std::int64_t id = AddDoc(d, {{21, 1, 0, 0, 0, 0, 1, 1},
                                     {22, 2, 0, 0, 0, 0, 1, 2},
                                     {13, 1, 0, 0, 0, 0, 2, 2},
                                     {11, 1, 0, 0, 0, 0, 2, 1},
                                     {12, 1, 0, 0, 0, 0, 2, 1}});
  Post(id);
  const auto moves = Moves(id);
  const auto lines = LineIds(id);
  ASSERT_EQ(moves.size(), 5u);
  // A group's product follows the first ingredient of the next group; the last group's product
  // comes at the end.
  EXPECT_EQ(moves[0].good, 11);
  EXPECT_EQ(moves[0].operType, -13);
  EXPECT_EQ(moves[0].sign, -1);
  EXPECT_DOUBLE_EQ(moves[0].sum, 10);
  EXPECT_EQ(moves[1].good, 12);
  EXPECT_DOUBLE_EQ(moves[1].sum, 5);
  EXPECT_EQ(moves[2].good, 13);
  EXPECT_DOUBLE_EQ(moves[2].sum, 3);
  EXPECT_EQ(moves[3].good, 21);
  EXPECT_EQ(moves[3].operType, 13);
  EXPECT_EQ(moves[3].sign, 1);
  EXPECT_DOUBLE_EQ(moves[3].sum, 15);
  EXPECT_EQ(moves[3].posGoodId, lines[0]);
  EXPECT_EQ(moves[3].contract, 4);
  EXPECT_EQ(moves[4].good, 22);
  EXPECT_DOUBLE_EQ(moves[4].qtty, 2);
  EXPECT_DOUBLE_EQ(moves[4].sum, 3);
  EXPECT_EQ(State(id), 0);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 21).second, 15);
}

TEST_F(ProductionTest, IngredientsWithoutProductAreStillPosted) {
  DocFields d{.type = 13};
  const std::int64_t id = AddDoc(d, {{21, 1, 0, 0, 0, 0, 1, 1},
                                     {11, 1, 0, 0, 0, 0, 2, 1},
                                     {12, 1, 0, 0, 0, 0, 2, 5}});  // group 5 has no product
  Post(id);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(moves[0].good, 11);
  EXPECT_EQ(moves[1].good, 12);
  EXPECT_EQ(moves[2].good, 21);
  EXPECT_DOUBLE_EQ(moves[2].sum, 10);
}

TEST_F(ProductionTest, SharedCostIsSplitByQuantityWithRemainderToTheLast) {
  SetBalance(1, 1, 11, 1, 10);
  DocFields d{.type = 13, .tagInt = 2};
  const std::int64_t id =
      AddDoc(d, {{21, 1, 0, 0, 0, 0, 1, 1}, {22, 2, 0, 0, 0, 0, 1, 2}, {11, 1, 0, 0, 0, 0, 2, 1}});
  Post(id);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(moves[0].good, 11);
  EXPECT_DOUBLE_EQ(moves[0].sum, 10);
  EXPECT_EQ(moves[1].good, 21);
  EXPECT_DOUBLE_EQ(moves[1].sum, 3.33);
  EXPECT_EQ(moves[2].good, 22);
  EXPECT_DOUBLE_EQ(moves[2].sum, 6.67);
  EXPECT_EQ(State(id), 0);
}

TEST_F(ProductionTest, DocumentWithoutProductsKeepsStateAndLosesOldRows) {
  DocFields d{.type = 13, .state = 3};
  const std::int64_t id = AddDoc(d, {{21, 1, 0, 0, 0, 0, 1, 1}, {11, 1, 0, 0, 0, 0, 2, 1}});
  Post(id);
  ASSERT_EQ(Moves(id).size(), 2u);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 11).first, 9);
  Exec("DELETE FROM tirDocGoods WHERE fTypeInDoc = 1;");
  Exec("UPDATE tirDocuments SET fState = 3;");
  for (int tag : {0, 2}) {
    Exec("UPDATE tirDocuments SET fTagInt = " + std::to_string(tag) + ";");
    Post(id);
    EXPECT_TRUE(Moves(id).empty());
    EXPECT_EQ(State(id), 3);
    EXPECT_DOUBLE_EQ(Balance(1, 1, 11).first, 10);
  }
}

}  // namespace
}  // namespace tir::posting::test
