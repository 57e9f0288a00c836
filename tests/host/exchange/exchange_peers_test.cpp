// The operator's view of a chain: after scripted syncs (a shop that synced, one whose push was
// refused, one that never synced) tirdex peers and the service's status pages tell each apart,
// and the pages go only to loopback or an administration token.
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "tests/host/exchange/chain_harness.h"
#include "tests/host/exchange/raw_http.h"
#include "tests/support/temp_base.h"

namespace {

using tir::test::ExecSql;
using tir::test::RunTirdex;
using tir::test::SqlInt;
using tir::test::TirdexFile;
using tir::test::TirdexRun;

constexpr int kStoreA = 2, kStoreB = 4, kEntity = 1;

std::string Get(const std::string& path, const std::string& bearer) {
  std::string request = "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n";
  if (!bearer.empty()) request += "Authorization: Bearer " + bearer + "\r\n";
  return request + "\r\n";
}

class PeerStatus : public ::testing::Test {
 protected:
  void SetUp() override {
    ho_ = std::make_unique<tir::test::THeadOffice>(40);
    ExecSql(ho_->Base(), "UPDATE tirDocuments SET fSyncDate=NULL, fSyncState=0;");
    const std::string ent = std::to_string(kEntity);
    Add("shop-a", {"--doc-sync", "--stores", std::to_string(kStoreA), "--entities", ent},
        {ho_->Guid("tirStores", kStoreA), ho_->Guid("tirEntities", kEntity), false});
    Add("shop-b", {"--doc-sync", "--stores", std::to_string(kStoreB), "--entities", ent},
        {ho_->Guid("tirStores", kStoreB), ho_->Guid("tirEntities", kEntity), false});
    Add("o'neil <&>", {"--doc-sync"}, {});  // never syncs
    ASSERT_EQ(RunTirdex(TirdexFile(), {"tokens", ho_->Base(), "add", "boss", "--admin", "--token",
                                       tokens_["boss"] = "admin-token-0123456789abcdef"})
                  .rc,
              0);
    ho_->StartService();
  }
  void TearDown() override {
    for (const auto& [name, base] : bases_) tir::test::RemoveBaseFiles(base);
  }

  void Add(const std::string& name, const std::vector<std::string>& args,
           tir::test::TPeerScope scope) {
    tokens_[name] = "peer-token-" + std::to_string(tokens_.size()) + "-0123456789abcdef";
    ho_->AddToken(name, tokens_[name], args, scope);
    bases_[name] = tir::test::TempPath();
    ASSERT_EQ(RunTirdex(TirdexFile(), {"schema", bases_[name]}).rc, 0);
  }
  TirdexRun Sync(const std::string& name) {
    return RunTirdex(TirdexFile(), {"sync", bases_[name], ho_->Url(), "--token", tokens_[name],
                                    "--timeout", "30"});
  }
  tir::test::TRawAnswer Page(const std::string& path, const std::string& from,
                             const std::string& bearer = "") {
    return tir::test::RawExchange(ho_->ServicePort(), Get(path, bearer), from);
  }
  void ExpectNoTokenValue(const std::string& page) {
    for (const auto& [name, value] : tokens_)
      EXPECT_EQ(page.find(value), std::string::npos) << name;
  }

  std::unique_ptr<tir::test::THeadOffice> ho_;
  std::map<std::string, std::string> tokens_, bases_;
};

// A peer by name in the JSON of peers or /status.json.
const rapidjson::Value* Peer(const rapidjson::Document& doc, const std::string& name) {
  for (const auto& p : doc["peers"].GetArray())
    if (name == p["name"].GetString()) return &p;
  return nullptr;
}

TEST_F(PeerStatus, PeersAndStatusPagesTellTheShopsApart) {
  ASSERT_EQ(Sync("shop-a").rc, 0);
  ASSERT_EQ(Sync("shop-b").rc, 0);
  // shop-b sells in shop-a's store: its push is refused and nothing of it is written.
  tir::test::TSale sale{"711111", "922222"};
  sale.store = "fGUID1=" + std::to_string(SqlInt(ho_->Base(),
                                                 "SELECT fGUID1 FROM tirStores WHERE "
                                                 "fId=" +
                                                     std::to_string(kStoreA) + ";"));
  tir::test::InsertSale(bases_["shop-b"], sale);
  const TirdexRun refused = Sync("shop-b");
  ASSERT_EQ(refused.rc, 1) << refused.err;
  // A document of shop-a's scope changes after its sync: one pending for shop-a.
  ExecSql(ho_->Base(),
          "UPDATE tirDocuments SET fDesc='changed' WHERE fId=(SELECT min(fId) FROM "
          "tirDocuments WHERE fStoreId=" +
              std::to_string(kStoreA) + " AND fEntityId=" + std::to_string(kEntity) + ");");
  const std::int64_t scopeA = SqlInt(
      ho_->Base(), "SELECT count(*) FROM tirDocuments WHERE (fStoreId=" + std::to_string(kStoreA) +
                       " OR fStoreId2=" + std::to_string(kStoreA) +
                       ") AND fEntityId=" + std::to_string(kEntity) + ";");
  ASSERT_GT(scopeA, 0);

  const TirdexRun json = RunTirdex(TirdexFile(), {"peers", ho_->Base(), "--json"});
  EXPECT_EQ(json.rc, 1) << "a peer that never synced is late";
  rapidjson::Document doc;
  ASSERT_FALSE(doc.Parse(json.out.c_str()).HasParseError()) << json.out;
  ASSERT_EQ(doc["peers"].Size(), 3u) << "the administration token is no peer";
  EXPECT_STREQ(doc["peers"][0]["name"].GetString(), "o'neil <&>") << "the latest first";
  const rapidjson::Value& never = *Peer(doc, "o'neil <&>");
  EXPECT_TRUE(never["late"].GetBool());
  EXPECT_TRUE(never["lastPull"].IsNull());
  EXPECT_GT(never["pendingDocs"].GetInt64(), scopeA) << "its scope is the whole base";

  const rapidjson::Value& a = *Peer(doc, "shop-a");
  EXPECT_FALSE(a["late"].GetBool());
  EXPECT_EQ(a["pullDocs"].GetInt64(), scopeA) << "the documents of its one sync run";
  EXPECT_GT(a["pullRows"].GetInt64(), scopeA) << "catalogs and goods came too";
  EXPECT_EQ(a["pendingDocs"].GetInt64(), 1);
  EXPECT_TRUE(a["unackedBatch"].IsNull());
  EXPECT_TRUE(a["lastError"].IsNull());

  const rapidjson::Value& b = *Peer(doc, "shop-b");
  EXPECT_FALSE(b["late"].GetBool());
  EXPECT_TRUE(b["lastPush"].IsNull()) << "its only push was refused";
  ASSERT_TRUE(b["lastError"].IsString());
  const std::string error = b["lastError"].GetString();
  EXPECT_EQ(error.rfind("403 document ", 0), 0u) << error;
  EXPECT_NE(error.find("its store is not one of the token's stores"), std::string::npos) << error;
  EXPECT_FALSE(b["lastErrorAt"].IsNull());

  // The text lines say the same; with the late one gone from the count, exit code 0.
  const TirdexRun text = RunTirdex(TirdexFile(), {"peers", ho_->Base()});
  EXPECT_EQ(text.rc, 1);
  EXPECT_EQ(text.out.find("o'neil <&>\tLATE (never)"), 0u) << text.out;
  EXPECT_NE(text.out.find("shop-a\tok ("), std::string::npos) << text.out;
  ASSERT_EQ(Sync("o'neil <&>").rc, 0);
  EXPECT_EQ(RunTirdex(TirdexFile(), {"peers", ho_->Base()}).rc, 0);

  // A documents request of shop-a left unacknowledged shows as its open batch.
  const std::string body = "{\"request\":{\"ver\":1,\"cmd\":\"getdocstirformat001\",\"token\":\"" +
                           tokens_["shop-a"] + "\"}}";
  ASSERT_EQ(tir::test::RawExchange(ho_->ServicePort(), tir::test::RawPost(body)).status, 200);

  // The pages: refused from another address without the administration token, given with it.
  for (const char* path : {"/status", "/status.json"}) {
    EXPECT_EQ(Page(path, "127.0.0.2").status, 403) << path;
    EXPECT_EQ(Page(path, "127.0.0.2", tokens_["shop-a"]).status, 403) << "a peer's token";
    EXPECT_EQ(Page(path, "127.0.0.2", "admin-token-wrong").status, 403);
  }
  EXPECT_EQ(Page("/other", "127.0.0.1").status, 405);
  const tir::test::TRawAnswer html = Page("/status", "127.0.0.2", tokens_["boss"]);
  ASSERT_EQ(html.status, 200);
  EXPECT_NE(html.head.find("text/html"), std::string::npos);
  EXPECT_NE(html.body.find("<meta http-equiv=\"refresh\" content=\"30\">"), std::string::npos);
  EXPECT_EQ(html.body.find("<script"), std::string::npos);
  EXPECT_NE(html.body.find("o&#39;neil &lt;&amp;&gt;"), std::string::npos) << "escaped";
  EXPECT_EQ(html.body.find("neil <&>"), std::string::npos);
  EXPECT_NE(html.body.find("(1 docs,"), std::string::npos) << "shop-a's open batch";
  ExpectNoTokenValue(html.body);

  const tir::test::TRawAnswer local = Page("/status.json", "127.0.0.1");
  ASSERT_EQ(local.status, 200) << "loopback needs no token";
  rapidjson::Document page;
  ASSERT_FALSE(page.Parse(local.body.c_str()).HasParseError());
  EXPECT_EQ((*Peer(page, "shop-a"))["unackedBatch"]["docs"].GetInt64(), 1);
  EXPECT_FALSE((*Peer(page, "o'neil <&>"))["late"].GetBool());
  ExpectNoTokenValue(local.body);
}

TEST_F(PeerStatus, AdministrationTokenExchangesNoData) {
  const std::string body =
      "{\"request\":{\"ver\":1,\"cmd\":\"getallcatalogs\",\"token\":\"" + tokens_["boss"] + "\"}}";
  const tir::test::TRawAnswer answer =
      tir::test::RawExchange(ho_->ServicePort(), tir::test::RawPost(body));
  EXPECT_EQ(answer.status, 403);
  EXPECT_NE(answer.body.find("exchanges no data"), std::string::npos) << answer.body;
  EXPECT_EQ(
      RunTirdex(TirdexFile(), {"tokens", ho_->Base(), "add", "boss2", "--admin", "--users"}).rc, 2);
}

}  // namespace
