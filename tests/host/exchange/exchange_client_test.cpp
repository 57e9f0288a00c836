// tirdex sync against a head office: acknowledged pulls, the push of the shop's own documents
// and the options that switch directions off or ask for everything.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "settings/guid_forms.h"
#include "tests/host/exchange/chain_harness.h"
#include "tests/support/temp_base.h"

namespace {

using tir::test::ExecSql;
using tir::test::SqlInt;
using tir::test::SqlRows;
using tir::test::THeadOffice;
using tir::test::TirdexRun;

const std::string kToken = "shop-token-000001";

class ShopSync : public ::testing::Test {
 protected:
  void Start(int goods, int docs, const std::vector<std::string>& profile = {"--doc-sync"}) {
    ho_ = std::make_unique<THeadOffice>(goods, docs);
    ExecSql(ho_->Base(), "UPDATE tirDocuments SET fSyncDate=NULL, fSyncState=0;");
    ho_->AddToken("shop", kToken, profile, {});
    ho_->StartService();
    shop_ = tir::test::TempPath();
    ASSERT_EQ(tir::test::RunTirdex(tir::test::TirdexFile(), {"schema", shop_}).rc, 0);
  }
  void TearDown() override {
    ho_.reset();
    tir::test::RemoveBaseFiles(shop_);
  }
  std::vector<std::string> Args(const std::vector<std::string>& extra = {},
                                const std::string& token = kToken) const {
    std::vector<std::string> args = {"sync", shop_, ho_->Url(), "--token", token};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  TirdexRun Sync(const std::vector<std::string>& extra = {}, const std::string& token = kToken) {
    return tir::test::RunTirdex(tir::test::TirdexFile(), Args(extra, token));
  }
  static std::string Docs(const std::string& base) {
    return SqlRows(base,
                   "SELECT t.fGUID1, t.fGUID2, round(t.fDocSum, 2), t.fDesc, (SELECT count(*) "
                   "FROM tirDocGoods g WHERE g.fDocId = t.fId AND t.fDocType NOT IN (4,5)) FROM "
                   "tirDocuments t ORDER BY 1, 2;");
  }
  void InsertSale(const std::string& g1, const std::string& g2) {
    tir::test::InsertSale(shop_, {g1, g2});
  }

  std::unique_ptr<THeadOffice> ho_;
  std::string shop_;
};

// The sync is killed after the documents answer reached it, while it loads: the batch was not
// acknowledged, so the next sync gets it again and the shop ends with every document.
TEST_F(ShopSync, SyncKilledWhileLoadingAnAnswerLosesNothing) {
  Start(200, 1500);
  std::mutex m;
  std::condition_variable answered;
  bool docsAnswered = false;
  ho_->Proxy().onAnswer = [&](const std::string& request, const std::string& answer) {
    if (request.find("getdocstirformat001") == std::string::npos) return;
    if (answer.find("\"docs\":[{") == std::string::npos) return;
    std::lock_guard lock(m);
    docsAnswered = true;
    answered.notify_all();
  };
  int killedBeforeCommit = 0;
  for (const int delayMs : {0, 20, 60, 150}) {
    {
      std::lock_guard lock(m);
      docsAnswered = false;
    }
    const std::int64_t before = SqlInt(shop_, "SELECT count(*) FROM tirDocuments;");
    auto p = tir::test::StartTirdex(tir::test::TirdexFile(), Args());
    {
      std::unique_lock lock(m);
      answered.wait_for(lock, std::chrono::seconds(30), [&] { return docsAnswered; });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    tir::test::StopTirdex(p, SIGKILL, 10);
    if (SqlInt(shop_, "SELECT count(*) FROM tirDocuments;") == before) ++killedBeforeCommit;
  }
  ho_->Proxy().onAnswer = nullptr;
  EXPECT_GT(killedBeforeCommit, 0) << "no kill landed between the answer and its commit";
  const TirdexRun run = Sync();
  ASSERT_EQ(run.rc, 0) << run.err;
  EXPECT_EQ(tir::test::RowDiff(Docs(ho_->Base()), Docs(shop_)), "");
}

// A sale made in the shop reaches the head office once; the head office's later change comes
// back to the shop and is not sent again; a received document the shop changes goes back.
TEST_F(ShopSync, ShopSaleReachesHeadOfficeOnceAndChangesTravelOnlyOnce) {
  Start(60, 60);
  ASSERT_EQ(Sync().rc, 0);
  InsertSale("123456", "654321");
  TirdexRun run = Sync();
  ASSERT_EQ(run.rc, 0) << run.err;
  EXPECT_NE(run.out.find("documents sent 1"), std::string::npos) << run.out;
  const std::string sale =
      "SELECT fDocNum, round(fDocSum, 2), fDesc FROM tirDocuments WHERE "
      "fGUID1=123456 AND fGUID2=654321;";
  EXPECT_EQ(SqlRows(ho_->Base(), sale), "777|30|shop sale|\n");
  run = Sync();
  ASSERT_EQ(run.rc, 0) << run.err;
  EXPECT_NE(run.out.find("documents 0, documents sent 0"), std::string::npos) << run.out;

  ExecSql(ho_->Base(), "UPDATE tirDocuments SET fDesc='checked' WHERE fGUID1=123456;");
  run = Sync();
  ASSERT_EQ(run.rc, 0) << run.err;
  EXPECT_NE(run.out.find("documents 1, documents sent 0"), std::string::npos) << run.out;
  EXPECT_EQ(SqlRows(shop_, sale), "777|30|checked|\n");
  EXPECT_EQ(tir::test::RowDiff(Docs(ho_->Base()), Docs(shop_)), "");
  // A document received from the head office goes back once the shop changes it.
  ExecSql(shop_,
          "UPDATE tirDocuments SET fDesc='shop note' WHERE fId=(SELECT min(fId) FROM "
          "tirDocuments);");
  run = Sync();
  ASSERT_EQ(run.rc, 0) << run.err;
  EXPECT_NE(run.out.find("documents 0, documents sent 1"), std::string::npos) << run.out;
  EXPECT_EQ(tir::test::RowDiff(Docs(ho_->Base()), Docs(shop_)), "");
}

// The push carries the shop's documents only: a shop with a stale copy of a good leaves the head
// office's newer good as it is, and a sync that only pushes asks the service for nothing.
TEST_F(ShopSync, PushCarriesDocumentsOnlyAndLeavesHeadOfficeGoods) {
  Start(60, 20);
  ASSERT_EQ(Sync().rc, 0);
  const std::string good =
      "SELECT fName, round(fPriceOut1, 2) FROM tirGoods WHERE fId=(SELECT "
      "min(fId) FROM tirGoods);";
  ExecSql(ho_->Base(),
          "UPDATE tirGoods SET fName='Renamed', fPriceOut1=99 WHERE fId=(SELECT "
          "min(fId) FROM tirGoods);");
  ExecSql(shop_,
          "UPDATE tirGoods SET fName='Shop name', fPriceOut1=1 WHERE fId=(SELECT "
          "min(fId) FROM tirGoods);");
  InsertSale("222", "333");
  std::vector<std::string> requests;
  ho_->Proxy().onAnswer = [&](const std::string& request, const std::string&) {
    requests.push_back(request);
  };
  const TirdexRun run = Sync({"--no-pull"});
  ho_->Proxy().onAnswer = nullptr;
  ASSERT_EQ(run.rc, 0) << run.err;
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].find("\"cmd\":\"docstirformat001\""), std::string::npos);
  for (const char* key : {"\"goods\"", "\"prices\"", "\"partners\"", "\"users\""})
    EXPECT_EQ(requests[0].find(key), std::string::npos) << key;
  EXPECT_EQ(SqlRows(ho_->Base(), good), "Renamed|99|\n");
  EXPECT_EQ(SqlInt(ho_->Base(), "SELECT count(*) FROM tirDocuments WHERE fGUID1=222;"), 1);
  // Without push the shop sends nothing and takes the renamed good.
  InsertSale("444", "555");
  ASSERT_EQ(Sync({"--no-push"}).rc, 0);
  EXPECT_EQ(SqlInt(ho_->Base(), "SELECT count(*) FROM tirDocuments WHERE fGUID1=444;"), 0);
  EXPECT_EQ(SqlRows(shop_, good), "Renamed|99|\n");
  // A good changed in the shop stays while the head office's goods snapshot stands still; a full
  // sync asks for every good whatever the snapshot says.
  ExecSql(shop_,
          "UPDATE tirGoods SET fName='Shop name' WHERE fId=(SELECT min(fId) FROM "
          "tirGoods);");
  ASSERT_EQ(Sync({"--no-push"}).rc, 0);
  EXPECT_EQ(SqlRows(shop_, good), "Shop name|99|\n");
  ASSERT_EQ(Sync({"--no-push", "--full"}).rc, 0);
  EXPECT_EQ(SqlRows(shop_, good), "Renamed|99|\n");
  // A full sync that cannot reset its load times stops and says why instead of asking for less.
  ExecSql(shop_,
          "CREATE TRIGGER keep_times BEFORE INSERT ON tirSettings WHEN NEW.fMId=470 AND "
          "NEW.fPType=-47 AND NEW.fPI=0 BEGIN SELECT RAISE(ABORT, 'load times locked'); END;");
  const TirdexRun locked = Sync({"--no-push", "--full"});
  EXPECT_EQ(locked.rc, 1);
  EXPECT_NE(locked.err.find("load times locked"), std::string::npos) << locked.err;
}

// A push the service refuses (a document outside the token's scope, or any document of a
// read-only peer) stops the sync with the document's GUID, and nothing is recorded as sent.
TEST_F(ShopSync, RefusedPushNamesTheDocumentAndRecordsNothing) {
  Start(60, 20, {"--doc-sync", "--stores", "2", "--entities", "1"});
  ho_->AddToken("reader", "reader-token-00001", {"--doc-sync", "--read-only"}, {});
  ASSERT_EQ(Sync().rc, 0);
  const std::string store3 =
      std::to_string(SqlInt(ho_->Base(), "SELECT fGUID1 FROM tirStores WHERE fId=3;"));
  tir::test::TSale other{"555", "1"};
  other.store = "fGUID1=" + store3;
  other.entity = "fGUID1=" + std::to_string(SqlInt(ho_->Base(),
                                                   "SELECT fGUID1 FROM tirEntities "
                                                   "WHERE fId=1;"));
  tir::test::InsertSale(shop_, other);
  const std::string guid = tir::gGetGUIDSTR(555, 1);
  for (const std::string& token : {kToken, std::string("reader-token-00001")}) {
    SCOPED_TRACE(token);
    const TirdexRun run = Sync({}, token);
    EXPECT_EQ(run.rc, 1);
    EXPECT_NE(run.err.find("error 403"), std::string::npos) << run.err;
    // A scope refusal names the document; a read-only peer is refused whatever it sends.
    EXPECT_NE(run.err.find(token == kToken ? guid : "read-only"), std::string::npos) << run.err;
    EXPECT_EQ(SqlInt(shop_, "SELECT count(*) FROM tirxPushed;"), 0);
    EXPECT_EQ(SqlInt(ho_->Base(), "SELECT count(*) FROM tirDocuments WHERE fGUID1=555;"), 0);
  }
  // Once the sale is moved into the shop's store it goes through.
  ExecSql(shop_,
          "UPDATE tirDocuments SET fStoreId=(SELECT fId FROM tirStores WHERE fGUID1=" +
              std::to_string(SqlInt(ho_->Base(), "SELECT fGUID1 FROM tirStores WHERE fId=2;")) +
              ") WHERE fGUID1=555;");
  const TirdexRun run = Sync();
  EXPECT_EQ(run.rc, 0) << run.err;
  EXPECT_EQ(SqlInt(ho_->Base(), "SELECT count(*) FROM tirDocuments WHERE fGUID1=555;"), 1);
}

// Opens a loopback TCP connection to pPort; -1 when it cannot.
int Connect(int pPort) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(pPort));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return fd;
  if (fd >= 0) close(fd);
  return -1;
}

// A service at its connections per address: the sync tries again after a pause and gets
// through once connections are free; one that always drops the connection is named as such
// after a bounded number of tries.
TEST_F(ShopSync, RefusedOrDroppedConnectionIsTriedAgainABoundedNumberOfTimes) {
  Start(40, 30);
  const std::string direct = "http://127.0.0.1:" + std::to_string(ho_->ServicePort()) + "/";
  std::vector<int> held;
  for (int i = 0; i < 8; ++i) held.push_back(Connect(ho_->ServicePort()));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (const int fd : held) close(fd);
  });
  const TirdexRun got =
      tir::test::RunTirdex(tir::test::TirdexFile(), {"sync", shop_, direct, "--token", kToken});
  release.join();
  EXPECT_EQ(got.rc, 0) << got.err;
  EXPECT_EQ(Docs(shop_), Docs(ho_->Base()));

  // A listener that accepts and closes every connection at once.
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  ASSERT_EQ(listen(listener, 16), 0);
  socklen_t size = sizeof at;
  getsockname(listener, reinterpret_cast<sockaddr*>(&at), &size);
  std::atomic<bool> done{false};
  std::atomic<int> accepted{0};
  std::thread dropper([&] {
    for (int i = 0; i < 600 && !done; ++i) {  // at most 60 s
      pollfd p{listener, POLLIN, 0};
      if (poll(&p, 1, 100) == 1) {
        close(accept(listener, nullptr, nullptr));
        ++accepted;
      }
    }
  });
  const auto start = std::chrono::steady_clock::now();
  const TirdexRun dropped = tir::test::RunTirdex(
      tir::test::TirdexFile(),
      {"sync", shop_, "http://127.0.0.1:" + std::to_string(ntohs(at.sin_port)) + "/", "--token",
       kToken});
  done = true;
  dropper.join();
  close(listener);
  EXPECT_NE(dropped.rc, 0);
  EXPECT_NE(dropped.err.find("refused or dropped the connection"), std::string::npos)
      << dropped.err;
  // Each wait is announced while it lasts, not only in the final failure.
  EXPECT_NE(dropped.err.find("trying again in 4 s"), std::string::npos) << dropped.err;
  EXPECT_EQ(accepted, 4);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

}  // namespace
