// The outgoing-cost cache and the balance rebuild.
#include <cmath>

#include "db/query.h"
#include "tests/posting/posting_fixture.h"

namespace tir::posting::test {
namespace {

class StoreCostTest : public PostingTest {
 protected:
  // Loads the cache from rows (good, quantity, value).
  void Load(TCStoreGoods& cache, const std::string& rows) {
    db::Query q(conn());
    q.SetSql("SELECT column1 AS fGoodId, column2 AS fQttyStore, column3 AS fSum FROM (VALUES " +
             rows + ");");
    q.Open();
    q.Next();
    cache.LoadFromQuery(q);
    EXPECT_FALSE(q.Eof());  // back on the first row
    EXPECT_EQ(q.FieldByName("fGoodId").AsInt64(), 7);
  }
};

TEST_F(StoreCostTest, CostIsAverageAndConsumesTheBalance) {
  TCStoreGoods cache;
  Load(cache, "(7, 10, 100), (8, 0, 5), (9, NULL, NULL)");
  EXPECT_EQ(cache.Count(), 3u);
  EXPECT_EQ(cache.FindGoodsById(8), 1);
  EXPECT_EQ(cache.FindGoodsById(99), -1);

  EXPECT_EQ(cache.GetCostGoodsById(99, 5), 0);  // not loaded: nothing changes
  EXPECT_EQ(cache.Count(), 3u);

  EXPECT_NEAR(static_cast<double>(cache.GetCostGoodsById(7, 4)), 40, 1e-12);
  EXPECT_NEAR(static_cast<double>(cache.At(0).fQtty), 6, 1e-12);
  EXPECT_NEAR(static_cast<double>(cache.At(0).fSum), 60, 1e-12);
  EXPECT_NEAR(static_cast<double>(cache.GetCostGoodsById(7, 8)), 60, 1e-12);  // all that is left
  EXPECT_NEAR(static_cast<double>(cache.At(0).fQtty), -2, 1e-12);
  EXPECT_NEAR(static_cast<double>(cache.At(0).fSum), 0, 1e-12);

  EXPECT_NEAR(static_cast<double>(cache.GetCostGoodsById(8, 1)), 5, 1e-12);  // leftover value
  EXPECT_NEAR(static_cast<double>(cache.GetCostGoodsById(9, 1)), 0, 1e-12);  // no balance row
}

TEST_F(StoreCostTest, CostIsRoundedToPriceDigits) {
  TCStoreGoods cache;
  Load(cache, "(7, 3, 10)");
  EXPECT_NEAR(static_cast<double>(cache.GetCostGoodsById(7, 1)), 3.33, 1e-12);
  EXPECT_NEAR(static_cast<double>(cache.GetCostGoodsById(7, 2.0000000001)), 6.67, 1e-12);
}

TEST_F(StoreCostTest, GoodListedTwiceKeepsItsFirstRow) {
  TCStoreGoods cache;
  Load(cache, "(7, 10, 100), (7, 1, 1), (8, 2, 2)");
  EXPECT_EQ(cache.Count(), 2u);
  EXPECT_NEAR(static_cast<double>(cache.At(0).fQtty), 10, 1e-12);
  Load(cache, "(7, 5, 5)");  // a reload starts afresh
  EXPECT_EQ(cache.Count(), 1u);
  EXPECT_EQ(cache.FindGoodsById(8), -1);
}

TEST_F(StoreCostTest, RebuildCreatesEveryCombinationWithSignedSums) {
  const std::int64_t g1 = AddGood(), g2 = AddGood();
  const std::int64_t s1 = AddStore(), s2 = AddStore();
  const std::int64_t e1 = AddEntity();
  SetBalance(e1, s1, 999, 4, 4);  // a row of no good: dropped by the rebuild
  DocFields in{.type = 1, .entity = e1, .store = s1};
  Post(AddDoc(in, {{g1, 10, 100}, {g2, 1, 3}}));
  DocFields out{.type = 9, .entity = e1, .store = s1};
  Exec("INSERT INTO tirAStore (fEntId, fStoreId, fGoodId, fSign, fQtty, fSum, fDocId) VALUES (" +
       std::to_string(e1) + ", " + std::to_string(s2) + ", " + std::to_string(g1) +
       ", -1, 2.5, 7, 0);");

  engine().RebuildStoresFull();
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStoreNow;"), 4);
  ExpectBalance(e1, s1, g1, 10, 100);
  EXPECT_DOUBLE_EQ(Balance(e1, s1, g2).second, 3);
  ExpectBalance(e1, s2, g1, -2.5, -7);
  ExpectBalance(e1, s2, g2, 0, 0);
  EXPECT_TRUE(std::isnan(Balance(e1, s1, 999).first));

  // Posting now keeps the balances current; a second rebuild changes nothing.
  out.state = 3;
  Post(AddDoc(out, {{g1, 4, 0}}));
  EXPECT_DOUBLE_EQ(Balance(e1, s1, g1).second, 60);
  engine().RebuildStores();
  ExpectBalance(e1, s1, g1, 6, 60);

  // On SQLite the rows of a deleted store disappear.
  Exec("DELETE FROM tirStores WHERE fId = " + std::to_string(s2));
  engine().RebuildStoresFull();
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStoreNow;"), 2);
  EXPECT_TRUE(std::isnan(Balance(e1, s2, g1).first));
}

}  // namespace
}  // namespace tir::posting::test
