// The service without sockets: each peer (token profile) gets the documents of its scope in
// batches that become its own only when it acknowledges them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "host/exchange/exchange_tokens.h"
#include "tests/host/exchange/service_fixture.h"
#include "tests/support/temp_base.h"

namespace {

using tir::exchange::TExchangeAnswer;
using tir::exchange::test::Answer;
using tir::exchange::test::DocsRequest;
using tir::exchange::test::ServiceBase;
using tir::test::ScalarInt;

class ExchangeLedger : public ServiceBase {};

TEST_F(ExchangeLedger, ABatchIsAnsweredAgainUntilAcknowledgedThenTheRestFollows) {
  AddToken("shop", "shop-token-0001");
  // The base-wide delivery marks are the module's own; the service leaves them alone.
  const std::string marked = "SELECT count(*) FROM tirDocuments WHERE fSyncDate > 0";
  const std::int64_t marks = ScalarInt(conn(), marked);

  const Answer first(service().Handle(DocsRequest("shop-token-0001", "", 100)));
  ASSERT_EQ(first.status, 200) << first.body;
  ASSERT_EQ(first.Docs().size(), 100u);
  ASSERT_FALSE(first.Batch().empty());
  // Lost on the way (a killed client): the same documents come again, with the same id.
  const Answer again(service().Handle(DocsRequest("shop-token-0001", "", 100)));
  EXPECT_EQ(again.Batch(), first.Batch());
  EXPECT_EQ(again.Docs(), first.Docs());

  // Acknowledged alone, twice (the second is harmless).
  for (int i = 0; i < 2; ++i) {
    const Answer ack(service().Handle(
        R"({"request":{"cmd":"ack","token":"shop-token-0001","ack":")" + first.Batch() + "\"}}"));
    EXPECT_EQ(ack.status, 200) << ack.body;
    EXPECT_EQ(ack.ErrorText(), "OK.");
  }
  const Answer rest(service().Handle(DocsRequest("shop-token-0001", "", 100)));
  ASSERT_EQ(rest.Docs().size(), 30u);
  EXPECT_NE(rest.Batch(), first.Batch());
  for (const std::int64_t guid : rest.Docs()) EXPECT_EQ(first.Docs().count(guid), 0u) << guid;

  // Acknowledged inside the next request: nothing is left, and the answer says no batch.
  const Answer none(service().Handle(DocsRequest("shop-token-0001", rest.Batch(), 100)));
  EXPECT_EQ(none.status, 200) << none.body;
  EXPECT_TRUE(none.Docs().empty());
  EXPECT_EQ(none.Batch(), "");
  EXPECT_EQ(ScalarInt(conn(), marked), marks);
}

TEST_F(ExchangeLedger, EveryPeerGetsAllItsDocumentsWhateverAnotherPeerTook) {
  AddToken("first", "first-token-0001");
  AddToken("second", "second-token-001");
  const std::set<std::int64_t> all = DrainDocs("first-token-0001");
  EXPECT_EQ(all.size(), 130u);
  EXPECT_EQ(DrainDocs("second-token-001"), all);
  EXPECT_TRUE(DrainDocs("first-token-0001").empty());
}

TEST_F(ExchangeLedger, TwoWorkersOnTheirOwnConnectionsServeTwoPeersAtOnce) {
  AddToken("first", "first-token-0001");
  AddToken("second", "second-token-001");
  auto other = tir::db::SqliteConnection::Open(path());
  tir::exchange::TExchangeService worker(*other, shared());
  std::set<std::int64_t> first, second;
  std::thread thread([&] { second = DrainDocs(worker, "second-token-001"); });
  first = DrainDocs("first-token-0001");
  thread.join();
  EXPECT_EQ(first.size(), 130u);
  EXPECT_EQ(second, first);
}

TEST_F(ExchangeLedger, ADocumentChangedAfterDeliveryGoesAgain) {
  AddToken("shop", "shop-token-0001");
  ASSERT_EQ(DrainDocs("shop-token-0001").size(), 130u);
  const std::string ids = "SELECT fId FROM tirDocuments WHERE fDocType NOT IN (4,5) ORDER BY fId";
  const std::int64_t line = ScalarInt(conn(), ids + " LIMIT 1");
  const std::int64_t header = ScalarInt(conn(), ids + " LIMIT 1 OFFSET 7");
  conn().ExecScript(
      "UPDATE tirDocGoods SET fQtty = fQtty + 1 WHERE fDocId = " + std::to_string(line) + ";");
  conn().ExecScript(
      "UPDATE tirDocuments SET fDesc = 'changed' WHERE fId = " + std::to_string(header) + ";");
  const Answer changed(service().Handle(DocsRequest("shop-token-0001", "", 0)));
  EXPECT_EQ(changed.Docs(), (std::set<std::int64_t>{line, header}));

  // Changed again after that batch was built and before it was acknowledged: it goes once more.
  conn().ExecScript(
      "UPDATE tirDocuments SET fDesc = 'again' WHERE fId = " + std::to_string(header) + ";");
  const Answer after(service().Handle(DocsRequest("shop-token-0001", changed.Batch(), 0)));
  EXPECT_EQ(after.Docs(), std::set<std::int64_t>{header});
}

TEST_F(ExchangeLedger, AnUnknownOrForeignBatchIsRefusedAndChangesNothing) {
  AddToken("first", "first-token-0001");
  AddToken("second", "second-token-001");
  const Answer theirs(service().Handle(DocsRequest("second-token-001", "", 50)));
  ASSERT_FALSE(theirs.Batch().empty());
  for (const std::string& id : {std::string("no-such-batch"), theirs.Batch()}) {
    const Answer refused(service().Handle(DocsRequest("first-token-0001", id, 50)));
    EXPECT_EQ(refused.status, 409) << id;
    EXPECT_NE(refused.ErrorText().find("unknown document batch"), std::string::npos);
    EXPECT_TRUE(refused.Docs().empty());
  }
  // The second peer's batch is still open; the first peer has not been given anything.
  EXPECT_EQ(Answer(service().Handle(DocsRequest("second-token-001", "", 50))).Batch(),
            theirs.Batch());
  EXPECT_EQ(DrainDocs("first-token-0001").size(), 130u);
  const Answer bare(service().Handle(R"({"request":{"cmd":"ack","token":"first-token-0001"}})"));
  EXPECT_EQ(bare.status, 400);
}

TEST_F(ExchangeLedger, AnswersCarryNoTokenValue) {
  AddToken("shop", "shop-token-secret-77");
  for (const char* cmd : {"getdocstirformat001", "getgoodsfull,getallcatalogs", "ack"}) {
    // "ack" with an unknown batch: the refusal must not carry the token either.
    const std::string body = std::string(R"({"request":{"cmd":")") + cmd +
                             R"(","token":"shop-token-secret-77")" +
                             (std::string(cmd) == "ack" ? R"(,"ack":"x"}})" : "}}");
    const TExchangeAnswer answer = service().Handle(body);
    EXPECT_EQ(answer.body.find("shop-token-secret-77"), std::string::npos) << cmd;
  }
  const Answer docs(service().Handle(DocsRequest("shop-token-secret-77", "", 10)));
  EXPECT_EQ(docs.RequestToken(), "");
}

}  // namespace

// A peer with a valid token sends a body nested a million deep: beside its request (valid JSON,
// answered) and in the documents of a push (refused). A parse that recursed would overflow the
// worker's stack and take the whole service down.
TEST_F(ExchangeLedger, DeeplyNestedBodiesFromAValidPeerAreRefusedNotACrash) {
  AddToken("reader", "reader-token-0001", "", "", "", false, /*pReadOnly=*/true);
  const std::string open(1000000, '['), close(1000000, ']');
  const Answer wrapped(
      service().Handle(R"({"x":)" + open + close +
                       R"(,"request":{"cmd":"getgoodsfull","token":"reader-token-0001"}})"));
  EXPECT_EQ(wrapped.status, 200) << wrapped.body;
  const Answer pushed(service().Handle(
      R"({"request":{"cmd":"docstirformat001","token":"reader-token-0001"},"docs":[)" + open +
      close + "]}"));
  EXPECT_NE(pushed.status, 200);
  const Answer after(service().Handle(DocsRequest("reader-token-0001", "", 10)));
  EXPECT_EQ(after.status, 200) << after.body;
}
