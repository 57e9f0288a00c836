// What a peer limited to store 1, entity 1 and document type 1 reads from the service: its
// documents in every selection, the stock of its store and entity, the contracts of its entity,
// and users only with the users permission.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "db/query.h"
#include "tests/host/exchange/service_fixture.h"

namespace {

using tir::exchange::test::Answer;
using tir::exchange::test::ServiceBase;
using tir::test::ScalarInt;

class ExchangeReadScope : public ServiceBase {
 protected:
  void SetUp() override {
    ServiceBase::SetUp();
    AddToken("shop1", "shop1-token-0001", "1", "1", "1");
    AddToken("office", "office-token-001", "", "", "", true);
  }
  Answer Ask(const std::string& token, const std::string& cmd, const std::string& extra = "") {
    return Answer(service().Handle(R"({"request":{"cmd":")" + cmd + R"(","token":")" + token +
                                   "\"" + extra + "}}"));
  }
  std::set<std::int64_t> Ids(const std::string& sql) {
    std::set<std::int64_t> ids;
    tir::db::Query q(conn());
    q.SetSql(sql);
    for (q.Open(); !q.Eof(); q.Next()) ids.insert(q.FieldByIndex(0).AsInt64());
    return ids;
  }
};

TEST_F(ExchangeReadScope, ALimitedPeerReadsOnlyTheDocumentsOfItsScopeInEverySelection) {
  const std::set<std::int64_t> mine =
      Ids("SELECT fId FROM tirDocuments WHERE (fStoreId = 1 OR fStoreId2 = 1) AND fEntityId = 1 "
          "AND fDocType = 1");
  ASSERT_FALSE(mine.empty());
  ASSERT_LT(mine.size(), 130u);
  EXPECT_EQ(DrainDocs("shop1-token-0001"), mine);
  EXPECT_EQ(Ask("shop1-token-0001", "getdocsperiod").Docs(), mine);
  // The unscoped peer still gets every document: the limited one drained nothing for it.
  EXPECT_EQ(DrainDocs("office-token-001").size(), 130u);
}

TEST_F(ExchangeReadScope, KitchenOrdersAreThoseOfItsStores) {
  const std::string orders =
      "SELECT DISTINCT d.fId FROM tirDocuments d JOIN tirDocGoods g ON g.fDocId = d.fId WHERE "
      "d.fDocType = 6 AND g.fTypeInDoc IN (0, 1)";
  const std::int64_t order = ScalarInt(conn(), orders + " ORDER BY 1 LIMIT 1");
  ASSERT_GT(order, 0);
  const std::string kitchen = std::to_string(
      ScalarInt(conn(), "SELECT fStoreId FROM tirDocuments WHERE fId = " + std::to_string(order)));
  AddToken("kitchen", "kitchen-token-01", kitchen);
  const std::set<std::int64_t> theirs = Ids(orders + " AND d.fStoreId = " + kitchen);
  ASSERT_FALSE(theirs.empty());
  EXPECT_EQ(Ask("kitchen-token-01", "getcookorders").Docs(), theirs);
  EXPECT_EQ(Ask("office-token-001", "getcookorders").Docs(), Ids(orders));
  // Kitchen orders are documents of type 6, outside a peer limited to type 1.
  EXPECT_TRUE(Ask("shop1-token-0001", "getcookorders").Docs().empty());
}

TEST_F(ExchangeReadScope, UsersAndRightsTravelOnlyWithThePermission) {
  const Answer limited = Ask("shop1-token-0001", "getallcatalogs,getdocsperiod");
  ASSERT_EQ(limited.status, 200) << limited.body;
  for (const char* key : {"users", "usersgroups", "usersgroupsrights"})
    EXPECT_FALSE(limited.Has(key)) << key;
  EXPECT_TRUE(limited.Has("stores"));
  // Its documents name no user, so that they load where no user travelled.
  for (const auto& doc : limited.Section("docs")->GetArray()) {
    EXPECT_STREQ(doc["user"].GetString(), "");
    EXPECT_STREQ(doc["userreal"].GetString(), "");
  }
  const Answer office = Ask("office-token-001", "getallcatalogs,getdocsperiod");
  EXPECT_TRUE(office.Has("users"));
  EXPECT_TRUE(office.Has("usersgroupsrights"));
  EXPECT_EQ(office.Section("users")->Size(),
            static_cast<unsigned>(ScalarInt(conn(), "SELECT count(*) FROM tirUsers")));
  EXPECT_STRNE((*office.Section("docs"))[0]["user"].GetString(), "");
}

TEST_F(ExchangeReadScope, StockQuantitiesAndContractsAreThoseOfItsStoreAndEntity) {
  const std::int64_t good = ScalarInt(conn(), "SELECT min(fId) FROM tirGoods");
  const std::string g = std::to_string(good);
  conn().ExecScript(
      "DELETE FROM tirAStoreNow; INSERT INTO tirAStoreNow (fEntId, fStoreId, fGoodId, "
      "fQtty) VALUES (1, 1, " +
      g + ", 5), (1, 2, " + g + ", 7), (2, 1, " + g + ", 11);");
  const auto qtty = [&](const std::string& token, const std::string& cmd) {
    const Answer answer = Ask(token, cmd);
    EXPECT_EQ(answer.status, 200) << answer.body;
    const rapidjson::Value* goods = answer.Section("goods");
    if (goods == nullptr) return -1.0;
    for (const auto& row : goods->GetArray()) {
      if (row["lid"].GetInt64() == good)
        return row.HasMember("qtty") ? row["qtty"].GetDouble() : -2.0;
    }
    return -3.0;
  };
  EXPECT_DOUBLE_EQ(qtty("shop1-token-0001", "getgoodsonlyqtty"), 5.0);
  EXPECT_DOUBLE_EQ(qtty("office-token-001", "getgoodsonlyqtty"), 23.0);

  const std::set<std::int64_t> ours = Ids("SELECT fId FROM tirContracts WHERE fEntitiId = 1");
  ASSERT_FALSE(ours.empty());
  ASSERT_LT(ours.size(), Ids("SELECT fId FROM tirContracts").size());
  const Answer contracts = Ask("shop1-token-0001", "getcontractsandpartners");
  ASSERT_EQ(contracts.status, 200) << contracts.body;
  std::set<std::int64_t> sent;
  for (const auto& row : contracts.Section("contracts")->GetArray())
    sent.insert(row["lid"].GetInt64());
  EXPECT_EQ(sent, ours);
  EXPECT_EQ(Ask("office-token-001", "getcontractsandpartners").Section("contracts")->Size(),
            Ids("SELECT fId FROM tirContracts").size());
}

}  // namespace
