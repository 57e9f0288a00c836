// The exchange server in this process, over loopback: what it refuses before reading a body,
// how it treats slow, silent and crowding clients, and many requests at once on its workers.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "frame/host_services.h"
#include "host/demo/demo_base.h"
#include "host/exchange/exchange_server.h"
#include "host/exchange/exchange_tokens.h"
#include "host/kit/host_scope.h"
#include "host/kit/tir_host_loader.h"
#include "tests/host/exchange/raw_http.h"
#include "tests/support/temp_base.h"

namespace {

using Clock = std::chrono::steady_clock;
using tir::test::RawExchange;
using tir::test::RawPost;

const std::string kToken = "server-test-token-7f3a9c";

std::string Request(const std::string& cmd, const std::string& token = kToken) {
  return R"({"request":{"ver":1,"cmd":")" + cmd + R"(","token":")" + token + R"("}})";
}

class ExchangeServer : public ::testing::Test {
 protected:
  void SetUp() override {
    tir::demo::DemoOptions demo;
    demo.goods = 30;
    demo.docs = 60;
    tir::demo::GenerateDemoBase(base_.conn(), demo);
    tir::db::Query reset(base_.conn());
    reset.SetSql("UPDATE tirDocuments SET fSyncDate = NULL, fSyncState = 0;");
    reset.ExecSql();
    tir::TTirTokenOne token;
    token.mName = "shop";
    token.mToken = kToken;
    token.mActiv = 1;
    tir::exchange::SaveToken(base_.conn(), token);
    scope_ = std::make_unique<tir::hostkit::THostScope>(base_.conn());
  }
  void TearDown() override {
    if (server_) server_->Stop();
    server_.reset();
    scope_.reset();
  }
  void Start(tir::exchange::TServerOptions options) {
    options.port = 0;
    const std::string path = base_.path();
    options.openBase = [path] { return tir::db::SqliteConnection::Open(path); };
    options.log = [this](const std::string& line) {
      std::lock_guard lock(logMutex_);
      log_.push_back(line);
    };
    server_ = std::make_unique<tir::exchange::TExchangeServer>(options);
    std::string error;
    ASSERT_TRUE(server_->Start(error)) << error;
    port_ = server_->Port();
  }
  std::vector<std::string> Log() {
    std::lock_guard lock(logMutex_);
    return log_;
  }
  // Waits up to pSeconds for a log line holding both texts.
  bool Logged(const std::string& a, const std::string& b, double pSeconds) {
    const auto until = Clock::now() + std::chrono::duration<double>(pSeconds);
    do {
      for (const std::string& line : Log())
        if (line.find(a) != std::string::npos && line.find(b) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (Clock::now() < until);
    return false;
  }

  tir::test::TempBase base_;
  std::unique_ptr<tir::hostkit::THostScope> scope_;
  std::unique_ptr<tir::exchange::TExchangeServer> server_;
  int port_ = 0;
  std::mutex logMutex_;
  std::vector<std::string> log_;
};

TEST_F(ExchangeServer, RefusesWhatItCannotReadBeforeTheBody) {
  tir::exchange::TServerOptions options;
  options.maxBody = 100000;
  Start(options);
  const std::string form(9000, 'a');
  EXPECT_EQ(RawExchange(port_, RawPost(form, "application/x-www-form-urlencoded")).status, 415);
  EXPECT_EQ(RawExchange(port_, RawPost("{}", "multipart/form-data; boundary=x")).status, 415);
  // Text types and none are read as JSON (and this one is not JSON).
  for (const std::string type : {"", "text/plain; charset=utf-8", "Application/JSON", "text/json"})
    EXPECT_EQ(RawExchange(port_, RawPost("not json", type)).status, 400) << type;
  EXPECT_EQ(RawExchange(port_, RawPost(Request("getgoodsfull"), "text/plain")).status, 200);

  const std::string start = "POST / HTTP/1.1\r\nHost: x\r\n";
  EXPECT_EQ(RawExchange(port_, start + "Content-Length: 2\r\nContent-Length: 3\r\n\r\n{}}").status,
            400);
  EXPECT_EQ(RawExchange(port_, start + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n"
                                       "0\r\n\r\n")
                .status,
            400);
  EXPECT_EQ(RawExchange(port_, start + "Transfer-Encoding: gzip\r\n\r\nxyz").status, 400);
  EXPECT_EQ(RawExchange(port_, start + "Content-Length: 100001\r\n\r\n{").status, 413);
  // Chunked, so the size shows only while reading.
  const std::string chunk(60000, ' ');
  std::string chunked = start + "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
  for (int i = 0; i < 2; ++i) chunked += "ea60\r\n" + chunk + "\r\n";
  EXPECT_EQ(RawExchange(port_, chunked + "0\r\n\r\n").status, 413);

  const tir::test::TRawAnswer get =
      RawExchange(port_, "GET /status/x HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(get.status, 405);
  EXPECT_NE(get.head.find("Allow: POST"), std::string::npos) << get.head;
  EXPECT_NE(get.body.find("\"error\":405"), std::string::npos) << get.body;

  EXPECT_TRUE(Logged("status=415", "peer=127.0.0.1", 1));
  EXPECT_TRUE(Logged("status=400", "two different Content-Length", 1));
}

// Bodies in memory are bounded over all connections: while one client holds most of the budget
// with a body it has not finished, another's large body is dropped and answered 503, a small one
// still goes through, and the first is served once it is complete.
TEST_F(ExchangeServer, BodiesHeldAtOnceStayWithinTheSharedBudget) {
  tir::exchange::TServerOptions options;
  options.maxBody = 100000;
  options.maxBuffered = 150000;
  Start(options);
  const std::string body = "[" + std::string(89998, ' ') + "]";
  const std::string head = "POST / HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: " +
                           std::to_string(body.size()) + "\r\n\r\n";
  const int first = tir::test::ConnectFrom("127.0.0.3", port_);
  ASSERT_GE(first, 0);
  const std::string part = head + body.substr(0, 80000);
  ASSERT_EQ(::send(first, part.data(), part.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(part.size()));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // read into the budget

  EXPECT_EQ(RawExchange(port_, head + body, "127.0.0.4").status, 503);
  EXPECT_EQ(RawExchange(port_, RawPost(Request("getgoodsfull")), "127.0.0.4").status, 200);
  const std::string rest = body.substr(80000);
  ASSERT_EQ(::send(first, rest.data(), rest.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(rest.size()));
  EXPECT_EQ(tir::test::ReadAnswer(first, 10).status, 400);  // read whole: not an envelope
  ::close(first);
  // Everything given back: the large body fits again.
  EXPECT_EQ(RawExchange(port_, head + body, "127.0.0.4").status, 400);
}

TEST_F(ExchangeServer, SlowSilentAndCrowdingClientsAreClosedAndLoggedWithTheirAddress) {
  tir::exchange::TServerOptions options;
  options.headerSeconds = 1;
  options.idleSeconds = 1;
  Start(options);
  const int silent = tir::test::ConnectFrom("127.0.0.2", port_);
  const int header = tir::test::ConnectFrom("127.0.0.2", port_);
  const int body = tir::test::ConnectFrom("127.0.0.2", port_);
  ASSERT_GE(silent, 0);
  ASSERT_GE(header, 0);
  ASSERT_GE(body, 0);
  const std::string head = "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\n";
  ASSERT_EQ(send(body, head.data(), head.size(), MSG_NOSIGNAL), ssize_t(head.size()));
  // One byte every 100 ms: never idle, far too slow.
  std::thread trickle([&] {
    for (int i = 0; i < 40; ++i) {
      const char byte = head[static_cast<std::size_t>(i) % 10];
      if (send(header, &byte, 1, MSG_NOSIGNAL) != 1) break;
      if (send(body, " ", 1, MSG_NOSIGNAL) != 1 && i > 10) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  // Meanwhile another client is served at once.
  const auto asked = Clock::now();
  EXPECT_EQ(RawExchange(port_, RawPost(Request("getgoodsfull"))).status, 200);
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - asked).count(), 1.0);
  EXPECT_LT(tir::test::SecondsUntilClosed(silent, 4), 3.0);
  EXPECT_LT(tir::test::SecondsUntilClosed(header, 4), 3.0);
  EXPECT_LT(tir::test::SecondsUntilClosed(body, 4), 3.0);
  trickle.join();
  for (const int s : {silent, header, body}) close(s);
  EXPECT_TRUE(Logged("peer=127.0.0.2", "headers not complete within 1 s", 2));
  EXPECT_TRUE(Logged("peer=127.0.0.2", "request body slower than", 2));

  // Eight connections of one address are the most; a ninth is closed at once, others go on.
  std::vector<int> crowd;
  for (int i = 0; i < 8; ++i) crowd.push_back(tir::test::ConnectFrom("127.0.0.3", port_));
  const int ninth = tir::test::ConnectFrom("127.0.0.3", port_);
  EXPECT_LT(tir::test::SecondsUntilClosed(ninth, 3), 0.5);
  EXPECT_EQ(RawExchange(port_, RawPost(Request("getgoodsfull")), "127.0.0.4").status, 200);
  for (const int s : crowd) close(s);
  close(ninth);
}

TEST_F(ExchangeServer, HundredRequestsAtOnceAreAllAnsweredAndNoTokenIsEchoed) {
  Start({});
  // A documents answer posted back with a token is a documents envelope: imports (writes, with
  // posting and its database log) run among the reads.
  std::string envelope = RawExchange(port_, RawPost(Request("getdocstirformat001"))).body;
  const std::string empty = R"("token":"")";
  const auto at = envelope.find(empty);
  ASSERT_NE(at, std::string::npos) << envelope.substr(0, 300);
  envelope.replace(at, empty.size(), R"("token":")" + kToken + "\"");
  ASSERT_EQ(RawExchange(port_, RawPost(envelope)).status, 200);

  constexpr int kRequests = 100;
  std::vector<tir::test::TRawAnswer> answers(kRequests);
  std::vector<std::thread> clients;
  const auto start = Clock::now();
  for (int i = 0; i < kRequests; ++i)
    clients.emplace_back([&, i] {
      // Two connections per address, under the limit of eight.
      const std::string source = "127.0.1." + std::to_string(1 + i % 50);
      const std::string token = i % 10 == 9 ? "wrong-" + kToken : kToken;
      const std::string body = i % 7 == 0   ? envelope
                               : i % 3 == 0 ? Request("getdocstirformat001", token)
                                            : Request("getgoodsfull", token);
      answers[static_cast<std::size_t>(i)] = RawExchange(port_, RawPost(body), source, 30);
    });
  for (std::thread& t : clients) t.join();
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 30.0);
  for (int i = 0; i < kRequests; ++i) {
    const tir::test::TRawAnswer& a = answers[static_cast<std::size_t>(i)];
    EXPECT_EQ(a.status, i % 7 != 0 && i % 10 == 9 ? 401 : 200) << i << " " << a.head << a.body;
    EXPECT_EQ(a.body.find(kToken), std::string::npos) << i;
  }
  server_->Stop();  // the last log lines are written
  const std::vector<std::string> log = Log();
  EXPECT_GE(log.size(), std::size_t{kRequests});
  for (const std::string& line : log) {
    EXPECT_EQ(line.find(kToken), std::string::npos) << line;
    EXPECT_NE(line.find("peer=127.0."), std::string::npos) << line;
  }
}

// Posting logs state changes through the host's callbacks: on a worker they must write through
// the worker's own connection (inside its transaction), not the process's.
TEST_F(ExchangeServer, HostCallbacksWriteThroughTheCallingThreadsConnection) {
  tir::test::TempBase other;
  const std::string count = "SELECT count(*) FROM tirSysLog WHERE fDocId = 77;";
  std::thread worker([&] {
    TirHostSetThreadCallbackConnection(&other.conn());
    tir::frame::LogDB(0, 7, 0, 77, "on the worker");
    TirHostSetThreadCallbackConnection(nullptr);
    tir::frame::LogDB(0, 7, 0, 77, "after it");
  });
  worker.join();
  EXPECT_EQ(tir::test::ScalarInt(other.conn(), count), 1);
  EXPECT_EQ(tir::test::ScalarInt(base_.conn(), count), 1);
}

}  // namespace
