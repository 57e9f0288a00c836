// Two bases kept up to date through tirdex serve and tirdex sync, over loopback HTTP.
#include <gtest/gtest.h>
#include <httplib.h>

#include <csignal>
#include <map>
#include <string>
#include <thread>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "tests/host/exchange/raw_http.h"
#include "tests/host/tirdex/tirdex_run.h"
#include "tests/support/temp_base.h"

namespace {

using tir::test::RunTirdex;
using tir::test::SqlRows;
using tir::test::TirdexRun;

const std::string kTirdex = TIRDEX_FILE;
const std::string kToken = "peer-token-0000001";
const std::string kOldToken = "old-token-00000002";

TirdexRun Tirdex(const std::vector<std::string>& args) { return RunTirdex(kTirdex, args); }

// Copies row `id` of a table with some columns replaced by SQL expressions.
void CopyRow(const std::string& base, const std::string& table, const std::string& id,
             const std::map<std::string, std::string>& set) {
  const std::string columns = SqlRows(base, "SELECT name FROM pragma_table_info('" + table + "');");
  std::string names, values;
  for (std::size_t at = 0, end; (end = columns.find("|\n", at)) != std::string::npos;
       at = end + 2) {
    const std::string name = columns.substr(at, end - at);
    if (name == "fId" || name == "fRV") continue;
    names += (names.empty() ? "" : ",") + name;
    values += (values.empty() ? "" : ",") + (set.count(name) ? set.at(name) : name);
  }
  tir::test::ExecSql(base, "INSERT INTO " + table + " (" + names + ") SELECT " + values + " FROM " +
                               table + " WHERE fId=" + id + ";");
}

class ExchangeE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    a_ = tir::test::TempPath();
    b_ = tir::test::TempPath();
    ASSERT_EQ(Tirdex({"demo-base", a_, "--goods", "60", "--seed", "5"}).rc, 0);
    // A fresh peer relation: no document of A has been delivered anywhere yet.
    tir::test::ExecSql(a_, "UPDATE tirDocuments SET fSyncDate=NULL, fSyncState=0;");
    ASSERT_EQ(Tirdex({"tokens", a_, "add", "peer", "--token", kToken}).rc, 0);
    ASSERT_EQ(Tirdex({"tokens", a_, "add", "old", "--token", kOldToken}).rc, 0);
    ASSERT_EQ(Tirdex({"tokens", a_, "disable", "old"}).rc, 0);
    ASSERT_EQ(Tirdex({"schema", b_}).rc, 0);
    serve_ = tir::test::StartTirdex(
        kTirdex, {"serve", a_, "--listen", "127.0.0.1:0", "--max-body", "1000000"});
    const std::string sign = "listening on http://127.0.0.1:";
    for (int i = 0; i < 1000 && port_ == 0; ++i) {
      const std::string out = tir::test::TirdexStdout(serve_);
      if (const auto at = out.find(sign); at != std::string::npos)
        port_ = std::stoi(out.substr(at + sign.size()));
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_NE(port_, 0) << "tirdex serve did not start";
    url_ = "http://127.0.0.1:" + std::to_string(port_) + "/";
  }
  static void TearDownTestSuite() {
    if (serve_.pid > 0) {
      const TirdexRun run = tir::test::StopTirdex(serve_, SIGTERM, 5);
      EXPECT_EQ(run.rc, 0) << run.err;
    }
    tir::test::RemoveBaseFiles(a_);
    tir::test::RemoveBaseFiles(b_);
  }
  static TirdexRun Sync(const std::string& token) {
    return Tirdex({"sync", b_, url_, "--token", token});
  }
  // "STATUS BODY" of a POST to the service, or "no answer".
  static std::string Post(const std::string& body) {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(10, 0);
    auto res = client.Post("/", body, "application/json");
    return res ? std::to_string(res->status) + " " + res->body : std::string("no answer");
  }
  static std::string PostRaw(const std::string& body) {
    const tir::test::TRawAnswer a = tir::test::RawExchange(port_, tir::test::RawPost(body));
    return std::to_string(a.status) + " " + a.body;
  }
  static std::string Request(const std::string& cmd, const std::string& token) {
    return R"({"request":{"ver":1,"cmd":")" + cmd + R"(","token":")" + token + R"("}})";
  }
  static void ExpectSame(const std::string& sql) {
    EXPECT_EQ(SqlRows(a_, sql), SqlRows(b_, sql)) << sql;
  }

  static inline std::string a_, b_, url_;
  static inline int port_ = 0;
  static inline tir::test::TirdexProcess serve_;
};

TEST_F(ExchangeE2E, SyncCopiesTheBaseThenOnlyChangesThenNothing) {
  const TirdexRun first = Sync(kToken);
  ASSERT_EQ(first.rc, 0) << first.err;
  const std::string goods =
      "SELECT fGUID1, fGUID2, fName, round(fPriceOut1, 2), fBarCode FROM tirGoods "
      "ORDER BY 1, 2;";
  const std::string docs =
      "SELECT d.fGUID1, d.fGUID2, d.fDocType, d.fDocNum, round(d.fDocSum, 2), "
      "(SELECT count(*) FROM tirDocGoods g WHERE g.fDocId=d.fId AND d.fDocType NOT IN (4,5)) "
      "FROM tirDocuments d ORDER BY 1, 2;";
  ExpectSame(goods);
  ExpectSame(docs);
  // The base-wide delivery marks are the module's own: the service leaves them as they were.
  EXPECT_EQ(SqlRows(a_, "SELECT count(*) FROM tirDocuments WHERE fSyncDate > 0;"), "0|\n");
  ExpectSame("SELECT fGUID1, fGUID2, fName FROM tirPartners ORDER BY 1, 2;");
  ExpectSame("SELECT fGUID1, fGUID2, fName FROM tirStores ORDER BY 1, 2;");
  ExpectSame("SELECT fGUID1, fGUID2, fName FROM tirGoodsGroups WHERE fclev > 0 ORDER BY 1, 2;");
  EXPECT_GT(std::stoi(SqlRows(b_, "SELECT count(*) FROM tirDocuments;")), 50);

  // A new good, a new price and a new document reach B on the next sync. The schema's triggers
  // move the goods-changed counter for these plain SQL writes.
  CopyRow(a_, "tirGoods", "(SELECT min(fId) FROM tirGoods)",
          {{"fName", "'Exchange new good'"}, {"fGUID1", "777"}, {"fGUID2", "888"}});
  tir::test::ExecSql(
      a_,
      "UPDATE tirGoods SET fPriceOut1 = fPriceOut1 + 11 WHERE fId = (SELECT max(fId) - 3 "
      "FROM tirGoods);");
  const std::string source = "(SELECT min(fId) FROM tirDocuments WHERE fDocType = 1)";
  // The new document names a partner that is new too: partners are not due yet (they were
  // loaded a moment ago), so B loads the document only after asking for every catalog.
  CopyRow(a_, "tirPartners", "(SELECT min(fId) FROM tirPartners)",
          {{"fName", "'Exchange new partner'"}, {"fGUID1", "555"}, {"fGUID2", "666"}});
  CopyRow(a_, "tirDocuments", source,
          {{"fGUID1", "999"},
           {"fGUID2", "111"},
           {"fSyncDate", "NULL"},
           {"fDocNum", "90001"},
           {"fPartnerId", "(SELECT fId FROM tirPartners WHERE fGUID1 = 555)"}});
  CopyRow(a_, "tirDocGoods", "fId AND fDocId = " + source,
          {{"fDocId", "(SELECT fId FROM tirDocuments WHERE fGUID1 = 999)"}});
  const TirdexRun second = Sync(kToken);
  ASSERT_EQ(second.rc, 0) << second.err;
  ExpectSame(goods);
  ExpectSame(docs);
  EXPECT_EQ(SqlRows(b_, "SELECT fName FROM tirGoods WHERE fGUID1 = 777;"), "Exchange new good|\n");
  ExpectSame("SELECT fGUID1, fGUID2, fName FROM tirPartners ORDER BY 1, 2;");
  EXPECT_EQ(SqlRows(b_,
                    "SELECT p.fGUID1 FROM tirDocuments d JOIN tirPartners p ON p.fId = "
                    "d.fPartnerId WHERE d.fGUID1 = 999;"),
            "555|\n");
  EXPECT_NE(SqlRows(b_,
                    "SELECT count(*) FROM tirDocGoods WHERE fDocId = (SELECT fId FROM "
                    "tirDocuments WHERE fGUID1 = 999);"),
            "0|\n");

  // Nothing changed: no goods travel and B stays as it was.
  const std::string before = tir::test::BaseDump(b_);
  const TirdexRun third = Sync(kToken);
  ASSERT_EQ(third.rc, 0) << third.err;
  EXPECT_NE(third.out.find("goods sent 0 (goods snapshot "), std::string::npos) << third.out;
  EXPECT_NE(third.out.find(" unchanged), documents 0"), std::string::npos) << third.out;
  EXPECT_EQ(tir::test::BaseDump(b_), before);
}

TEST_F(ExchangeE2E, RefusedRequestsGetAnErrorAnswerAndTheServiceGoesOn) {
  const struct {
    std::string body, status, text;
  } cases[] = {
      {Request("getgoodsfull", "no-such-token"), "401", "unknown or disabled token"},
      {Request("getgoodsfull,getallcatalogs", kOldToken), "401", "unknown or disabled token"},
      {Request("getgoodsfull,getfreebeer", kToken), "400", "unknown command"},
      {"{\"request\":{\"cmd\":\"getgoodsfull\",\"token\":", "400", "malformed request"},
      {"{\"request\":{\"cmd\":7,\"token\":\"x\"}}", "400", "malformed request"},
      {"{\"other\":1}", "400", "malformed request"},
      {Request("getgoodsfull", kToken) + std::string(1100000, ' '), "413", "over 1000000 bytes"},
  };
  for (const auto& c : cases) {
    // The service refuses an announced oversized body before reading it and closes: that body
    // goes through a client that stops writing when the connection closes.
    const std::string answer = c.status == "413" ? PostRaw(c.body) : Post(c.body);
    EXPECT_EQ(answer.substr(0, 3), c.status) << answer.substr(0, 300);
    EXPECT_NE(answer.find("\"error\":" + c.status), std::string::npos) << answer.substr(0, 300);
    EXPECT_NE(answer.find(c.text), std::string::npos) << answer.substr(0, 300);
    EXPECT_EQ(answer.find("\"goods\""), std::string::npos);
  }
  // A refused sync is reported and writes nothing; the service still answers a good token.
  ASSERT_EQ(Sync(kToken).rc, 0);
  const std::string before = tir::test::BaseDump(b_);
  const TirdexRun refused = Sync(kOldToken);
  EXPECT_EQ(refused.rc, 1);
  EXPECT_NE(refused.err.find("error 401"), std::string::npos) << refused.err;
  EXPECT_EQ(tir::test::BaseDump(b_), before);
  EXPECT_EQ(Post(Request("getallcatalogs", kToken)).substr(0, 3), "200");
  // One service per base.
  const TirdexRun second = Tirdex({"serve", a_, "--listen", "127.0.0.1:0"});
  EXPECT_EQ(second.rc, 1);
  EXPECT_NE(second.err.find("another tirdex serve"), std::string::npos) << second.err;
  // Disabling a token takes effect at once, enabling it again as well.
  ASSERT_EQ(Tirdex({"tokens", a_, "disable", "peer"}).rc, 0);
  EXPECT_EQ(Post(Request("getallcatalogs", kToken)).substr(0, 3), "401");
  ASSERT_EQ(Tirdex({"tokens", a_, "enable", "peer"}).rc, 0);
  EXPECT_EQ(Post(Request("getallcatalogs", kToken)).substr(0, 3), "200");
}

TEST_F(ExchangeE2E, DocumentEnvelopeIsImportedWhollyOrNotAtAll) {
  // A's own documents as a client would send them, the first one under a new GUID.
  std::string docs = Post(Request("getdocsperiod", kToken));
  ASSERT_EQ(docs.substr(0, 4), "200 ");
  docs = docs.substr(4);
  const std::string emptyCmd = R"("cmd":"")", first = R"("docs":[{"guid":")";
  ASSERT_NE(docs.find(emptyCmd), std::string::npos);
  docs.replace(docs.find(emptyCmd), emptyCmd.size(), R"("cmd":"docstirformat001")");
  // Answers carry no token: the sender puts its own in.
  const std::string emptyToken = R"("token":"")";
  ASSERT_NE(docs.find(emptyToken), std::string::npos);
  docs.replace(docs.find(emptyToken), emptyToken.size(), R"("token":")" + kToken + "\"");
  const std::size_t guid = docs.find(first) + first.size();
  const std::string count = "SELECT count(*) FROM tirDocuments;";
  const std::string before = SqlRows(a_, count);
  std::string fresh = docs;
  fresh.replace(guid, 36, "11111111-2222-3333-4444-555555555555");
  const std::string loaded = Post(fresh);
  EXPECT_EQ(loaded.substr(0, 3), "200") << loaded;
  EXPECT_EQ(SqlRows(a_, count), std::to_string(std::stoi(before) + 1) + "|\n");
  // A document that names a partner A does not know refuses the whole envelope.
  std::string unknown = docs;
  unknown.replace(guid, 36, "22222222-2222-3333-4444-555555555555");
  const std::size_t partner = unknown.find(R"("partner":")", guid) + 11;
  unknown.replace(partner, 36, "33333333-2222-3333-4444-555555555555");
  const std::string refused = Post(unknown);
  EXPECT_EQ(refused.substr(0, 3), "409") << refused;
  EXPECT_NE(refused.find("fPartnerId"), std::string::npos) << refused;
  EXPECT_EQ(SqlRows(a_, count), std::to_string(std::stoi(before) + 1) + "|\n");
}

TEST_F(ExchangeE2E, RepeatedSyncStopsWithinASecondOfSigterm) {
  const TirdexRun run =
      tir::test::InterruptTirdex(kTirdex, {"sync", b_, url_, "--token", kToken, "--every", "30"},
                                 "synced from", 50, SIGTERM, 5);
  EXPECT_EQ(run.rc, 0) << run.err;
  EXPECT_LT(run.secondsToStop, 1.0);
}

}  // namespace
