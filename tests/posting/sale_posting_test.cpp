// Receipts, sales and customer returns.
#include "db/query.h"
#include "tests/posting/posting_fixture.h"

namespace tir::posting::test {
namespace {

using SalePostingTest = PostingTest;

TEST_F(SalePostingTest, ForeignCurrencyReceiptConvertsLinesNotSettlement) {
  SetBalance(1, 1, 7, 0, 0);
  DocFields d{.type = 1,
              .state = 3,
              .partner = 6,
              .contract = 11,
              .transact = 12,
              .docSum = 10,
              .currRate = 2};
  const std::int64_t id = AddDoc(d, {{7, 3, 10}});
  Post(id);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].sign, 1);
  EXPECT_EQ(moves[0].operType, 1);
  EXPECT_DOUBLE_EQ(moves[0].qtty, 3);
  EXPECT_DOUBLE_EQ(moves[0].sum, 20);
  EXPECT_EQ(moves[0].posGoodId, LineIds(id)[0]);
  EXPECT_EQ(moves[0].contract, 11);
  EXPECT_EQ(moves[0].transact, 12);
  EXPECT_EQ(moves[0].partId, 0);
  ExpectBalance(1, 1, 7, 3, 20);

  db::Query q(conn());
  q.SetSql("SELECT * FROM tirAMSettlement;");
  q.Open();
  ASSERT_FALSE(q.Eof());
  EXPECT_DOUBLE_EQ(q.FieldByName("fSum").AsDouble(), 10);  // document currency
  EXPECT_EQ(q.FieldByName("fSign").AsInt32(), 1);
  EXPECT_EQ(q.FieldByName("fPartId").AsInt64(), 6);
  EXPECT_EQ(q.FieldByName("fContractId").AsInt64(), 11);
  EXPECT_EQ(q.FieldByName("fTransactId").AsInt64(), 12);
  EXPECT_EQ(q.FieldByName("fOperType").AsInt32(), 1);
  EXPECT_EQ(q.FieldByName("fDocId").AsInt64(), id);
  EXPECT_EQ(q.FieldByName("fStoreId").AsInt64(), 1);
  EXPECT_NEAR(q.FieldByName("fDateTime").AsDateTime(), d.dateTime, 1e-6);
}

TEST_F(SalePostingTest, TwoLinesOfOneGoodShareTheBalance) {
  SetBalance(1, 1, 7, 10, 100);
  DocFields d{.type = 2, .partner = 2, .docSum = 150};
  const std::int64_t id = AddDoc(d, {{7, 4, 60}, {7, 6, 90}});
  Post(id);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[0].sign, -1);
  EXPECT_DOUBLE_EQ(moves[0].sum, 40);
  EXPECT_DOUBLE_EQ(moves[1].sum, 60);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 7).first, 0);
  EXPECT_NEAR(Balance(1, 1, 7).second, 0, 1e-9);
  EXPECT_DOUBLE_EQ(Scalar("SELECT fSign * fSum FROM tirAMSettlement;"), -150);
}

TEST_F(SalePostingTest, SaleOfUnknownBalanceCostsNothingAndDocSumRoundingToZeroSkipsSettlement) {
  // docSum: converts to 0.00
  DocFields d{.type = 2, .partner = 2, .docSum = 0.004};
  const std::int64_t id = AddDoc(d, {{8, 2, 1}});
  Post(id);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_DOUBLE_EQ(moves[0].sum, 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
  EXPECT_EQ(State(id), 0);
}

class ReturnPostingTest : public PostingTest {
 protected:
  // Posts a sale of `qtty` pieces of `good` valued `cost` (the whole balance it takes).
  std::int64_t Sale(std::int64_t good, double qtty, double cost, double date) {
    SetBalance(1, 1, good, qtty, cost);
    DocFields d{.type = 2, .dateTime = date};
    const std::int64_t id = AddDoc(d, {{good, qtty, cost * 2}});
    Post(id);
    return id;
  }
  std::int64_t Return(const std::vector<LineFields>& lines, double date, double docSum = 0) {
    // currRate: not used by returns
    DocFields d{.type = 11, .partner = 4, .docSum = docSum, .currRate = 5, .dateTime = date};
    const std::int64_t id = AddDoc(d, lines);
    Post(id);
    return id;
  }
};

TEST_F(ReturnPostingTest, ReturnIsCostedAtTheMostRecentSales) {
  Sale(7, 5, 50, 45000);
  Sale(7, 2, 30, 45001);
  const std::int64_t id = Return({{7, 3, 99}}, 45002, 99);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].sign, 1);
  EXPECT_EQ(moves[0].operType, 11);
  EXPECT_DOUBLE_EQ(moves[0].sum, 40);  // 30 for the last 2 pieces + 10 for one of the 5
  EXPECT_DOUBLE_EQ(
      Scalar("SELECT fSign * fSum FROM tirAMSettlement WHERE fDocId=" + std::to_string(id)), 99);

  // Re-posting the return gives the same cost: its own rows are removed first.
  Post(id, kPostOn);
  EXPECT_DOUBLE_EQ(Moves(id)[0].sum, 40);

  // A later return skips what the first one returned: 1 more of the 5 at 10.
  const std::int64_t next = Return({{7, 1, 10}}, 45003);
  EXPECT_DOUBLE_EQ(Moves(next)[0].sum, 10);
}

TEST_F(ReturnPostingTest, SecondLineOfOneGoodSkipsTheFirst) {
  Sale(7, 5, 50, 45000);
  Sale(7, 2, 30, 45001);
  const std::int64_t id = Return({{7, 1, 0}, {7, 2, 0}, {8, 1, 0}}, 45002);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_DOUBLE_EQ(moves[0].sum, 15);  // one of the last 2 at 15
  EXPECT_DOUBLE_EQ(moves[1].sum, 25);  // the other at 15 and one of the 5 at 10
  EXPECT_DOUBLE_EQ(moves[2].sum, 0);   // never sold
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);  // document sum 0
}

TEST_F(ReturnPostingTest, ReturnBeyondAllSalesCostsWhatWasSold) {
  Sale(7, 2, 30, 45000);
  const std::int64_t id = Return({{7, 5, 0}}, 45001);
  EXPECT_DOUBLE_EQ(Moves(id)[0].sum, 30);
}

TEST_F(ReturnPostingTest, GoodsBeyondTheReturnTableCostNothing) {
  Sale(900000, 2, 24, 45000);
  std::vector<LineFields> lines;
  for (int g = 1; g <= 5001; ++g) lines.push_back({100000 + g, 1, 0});
  lines.push_back({900000, 1, 0});
  lines.push_back({100001, 1, 0});  // already in the table
  const std::int64_t id = Return(lines, 45001);
  const auto moves = Moves(id);
  ASSERT_EQ(moves.size(), 5003u);
  EXPECT_DOUBLE_EQ(moves[5001].sum, 0);  // the 5002nd distinct good finds no entry

  // With fewer distinct goods the same good is costed (the piece returned above is skipped).
  const std::int64_t small = Return({{900000, 1, 0}}, 45002);
  EXPECT_DOUBLE_EQ(Moves(small)[0].sum, 12);
}

}  // namespace
}  // namespace tir::posting::test
