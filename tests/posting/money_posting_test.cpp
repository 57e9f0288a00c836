// Money receipts and expenses, settlements and payments.
#include "db/query.h"
#include "tests/posting/posting_fixture.h"

namespace tir::posting::test {
namespace {

class MoneyPostingTest : public PostingTest {
 protected:
  void SetUp() override {
    Exec("INSERT INTO tirCashAccounts (fId, fName, fType) VALUES (1, 'cash', 0);");
    Exec("INSERT INTO tirCashAccounts (fId, fName, fType) VALUES (2, 'bonus', 1);");
  }
  std::int64_t Money(int type, double sum, std::int64_t partner, std::int64_t cash,
                     double rate = 1) {
    DocFields d{.type = type,
                .state = 3,
                .entity = 5,
                .store = 4,
                .partner = partner,
                .contract = 21,
                .transact = 22,
                .cashAccount = cash,
                .itemCost = 23,
                .docSum = sum,
                .currRate = rate};
    const std::int64_t id = AddDoc(d);
    Post(id);
    return id;
  }
};

TEST_F(MoneyPostingTest, ForeignReceiptWithPartnerWritesSettlementAndPayment) {
  const std::int64_t id = Money(4, 100, 9, 1, 3);
  EXPECT_EQ(State(id), 0);
  db::Query s(conn());
  s.SetSql("SELECT * FROM tirAMSettlement;");
  s.Open();
  ASSERT_EQ(s.RecordCount(), 1u);
  EXPECT_EQ(s.FieldByName("fSign").AsInt32(), 1);
  EXPECT_DOUBLE_EQ(s.FieldByName("fSum").AsDouble(), 100);
  EXPECT_EQ(s.FieldByName("fPartId").AsInt64(), 9);
  EXPECT_EQ(s.FieldByName("fContractId").AsInt64(), 21);
  EXPECT_EQ(s.FieldByName("fTransactId").AsInt64(), 22);
  EXPECT_EQ(s.FieldByName("fEntId").AsInt64(), 5);
  EXPECT_EQ(s.FieldByName("fStoreId").AsInt64(), 4);
  EXPECT_EQ(s.FieldByName("fOperType").AsInt32(), 4);

  db::Query p(conn());
  p.SetSql("SELECT * FROM tirAPayments;");
  p.Open();
  ASSERT_EQ(p.RecordCount(), 1u);
  EXPECT_EQ(p.FieldByName("fSign").AsInt32(), 1);
  EXPECT_DOUBLE_EQ(p.FieldByName("fSum").AsDouble(), 300);
  EXPECT_EQ(p.FieldByName("fCashAccountId").AsInt64(), 1);
  EXPECT_EQ(p.FieldByName("fItemCost").AsInt64(), 23);
  EXPECT_EQ(p.FieldByName("fPartId").AsInt64(), 9);
  EXPECT_EQ(p.FieldByName("fDocId").AsInt64(), id);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStore;"), 0);
}

TEST_F(MoneyPostingTest, BonusAccountOrNoPartnerWritesOnlyThePayment) {
  const std::int64_t bonus = Money(5, 40, 9, 2);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
  EXPECT_DOUBLE_EQ(
      Scalar("SELECT fSign * fSum FROM tirAPayments WHERE fDocId=" + std::to_string(bonus)), -40);

  const std::int64_t noPartner = Money(4, 15, 0, 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
  EXPECT_DOUBLE_EQ(
      Scalar("SELECT fSign * fSum FROM tirAPayments WHERE fDocId=" + std::to_string(noPartner)),
      15);

  const std::int64_t unknownAccount = Money(5, 7, 9, 555);  // counts as an ordinary account
  EXPECT_DOUBLE_EQ(Scalar("SELECT fSign * fSum FROM tirAMSettlement WHERE fDocId=" +
                          std::to_string(unknownAccount)),
                   -7);
}

TEST_F(MoneyPostingTest, ZeroSumWritesNothingButChangesState) {
  const std::int64_t id = Money(4, 0, 9, 1);
  EXPECT_EQ(State(id), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAPayments;"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
}

TEST_F(MoneyPostingTest, SettlementBalanceOfContractAndTransaction) {
  DocFields sale{.type = 2, .partner = 3, .contract = 70, .transact = 1, .docSum = 50};
  Post(AddDoc(sale));
  DocFields receipt{
      .type = 4, .partner = 3, .contract = 70, .transact = 2, .cashAccount = 1, .docSum = 20};
  Post(AddDoc(receipt));
  EXPECT_DOUBLE_EQ(static_cast<double>(engine().GetMoneySettlement(70, 0)), -30);
  EXPECT_DOUBLE_EQ(static_cast<double>(engine().GetMoneySettlement(70, 1)), -50);
  EXPECT_DOUBLE_EQ(static_cast<double>(engine().GetMoneySettlement(70, 2)), 20);
  EXPECT_DOUBLE_EQ(static_cast<double>(engine().GetMoneySettlement(71, 0)), 0);
}

}  // namespace
}  // namespace tir::posting::test
