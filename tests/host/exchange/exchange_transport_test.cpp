// tirdex serve and tirdex sync as programs: slow clients do not delay a sync, HTTPS with a
// self-signed certificate, tokens kept out of answers and logs, answers bounded in size.
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>
#include <vector>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "tests/host/exchange/raw_http.h"
#include "tests/host/tirdex/tirdex_run.h"
#include "tests/support/temp_base.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using tir::test::TirdexRun;

const std::string kTirdex = TIRDEX_FILE;

TirdexRun Tirdex(const std::vector<std::string>& args) {
  return tir::test::RunTirdex(kTirdex, args);
}

// N of the "documents N" a sync reports; -1 when it reports none.
int Documents(const std::string& out) {
  static const std::regex documents(", documents ([0-9]+)");
  std::smatch last;
  for (auto it = std::sregex_iterator(out.begin(), out.end(), documents);
       it != std::sregex_iterator(); ++it)
    last = *it;
  return last.empty() ? -1 : std::stoi(last[1].str());
}

void ResetDeliveries(const std::string& base) {
  auto c = tir::db::SqliteConnection::Open(base);
  tir::db::Query q(*c);
  q.SetSql("UPDATE tirDocuments SET fSyncDate=NULL, fSyncState=0;");
  q.ExecSql();
}

// A folder of this test's own, removed with everything in it.
struct TempFolder {
  TempFolder() : path(tir::test::TempPath("-dir")) { fs::create_directories(path); }
  ~TempFolder() { fs::remove_all(path); }
  std::string File(const std::string& name) const { return (fs::path(path) / name).string(); }
  std::size_t Count() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(path), {}));
  }
  std::string path;
};

// A fresh client base that has given itself its GUID (the first request it builds does that),
// so that its digest changes only with what an answer brings.
std::string ClientBase(const TempFolder& folder) {
  const std::string base = folder.File("b.sqlite");
  EXPECT_EQ(Tirdex({"schema", base}).rc, 0);
  ::setenv("TIRDEX_TOKEN", "nobody-listens-there", 1);
  EXPECT_NE(Tirdex({"sync", base, "http://127.0.0.1:1/", "--timeout", "5"}).rc, 0);
  ::unsetenv("TIRDEX_TOKEN");
  return base;
}

void Write(const std::string& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
}

class ExchangeTransport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Tirdex({"demo-base", a_, "--goods", "40", "--seed", "3"}).rc, 0);
    ResetDeliveries(a_);
    for (const char* name : {"one", "two", "three"})
      ASSERT_EQ(Tirdex({"tokens", a_, "add", name, "--token", Token(name)}).rc, 0);
  }
  void TearDown() override {
    if (serve_.pid > 0) {
      const TirdexRun run = tir::test::StopTirdex(serve_, SIGTERM, 10);
      EXPECT_EQ(run.rc, 0) << run.err;
    }
    tir::test::RemoveBaseFiles(a_);
  }
  static std::string Token(const std::string& name) { return "transport-" + name + "-4c1e9b27d0"; }

  // Starts tirdex serve with the extra arguments; false when it did not say where it listens.
  bool Serve(std::vector<std::string> extra, const std::string& scheme = "http") {
    std::vector<std::string> args = {"serve", a_, "--listen", "127.0.0.1:0"};
    args.insert(args.end(), extra.begin(), extra.end());
    serve_ = tir::test::StartTirdex(kTirdex, args);
    const std::string sign = "listening on " + scheme + "://127.0.0.1:";
    for (int i = 0; i < 1000; ++i) {
      const std::string out = tir::test::TirdexStdout(serve_);
      if (const auto at = out.find(sign); at != std::string::npos) {
        port_ = std::stoi(out.substr(at + sign.size()));
        url_ = scheme + "://127.0.0.1:" + std::to_string(port_) + "/";
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // Seconds a sync of a fresh base takes; fails the test when the sync does not go through.
  double TimedSync(const TempFolder& folder, const std::string& name) {
    const std::string base = folder.File(name + ".sqlite");
    EXPECT_EQ(Tirdex({"schema", base}).rc, 0);
    Write(folder.File(name + ".token"), Token(name) + "\n");
    const auto start = Clock::now();
    const TirdexRun run = Tirdex(
        {"sync", base, url_, "--token-file", folder.File(name + ".token"), "--timeout", "20"});
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(run.rc, 0) << run.out << run.err;
    EXPECT_GT(Documents(run.out), 0) << run.out;
    return seconds;
  }

  std::string a_ = tir::test::TempPath();
  tir::test::TirdexProcess serve_;
  int port_ = 0;
  std::string url_;
};

TEST_F(ExchangeTransport, SilentAndSlowClientsDoNotDelayASync) {
  ASSERT_TRUE(Serve({}));
  TempFolder folder;
  const double alone = TimedSync(folder, "one");
  ResetDeliveries(a_);

  std::vector<int> silent, slow;
  for (int i = 0; i < 20; ++i) silent.push_back(tir::test::ConnectFrom("127.0.0.2", port_));
  for (int i = 0; i < 5; ++i) slow.push_back(tir::test::ConnectFrom("127.0.0.2", port_));
  std::atomic<bool> done{false};
  std::thread trickle([&] {
    const std::string head = "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 10\r\n";
    for (std::size_t i = 0; i < 30 && !done.load(); ++i) {
      for (const int s : slow)
        if (s >= 0) send(s, &head[i % head.size()], 1, MSG_NOSIGNAL);
      for (int k = 0; k < 10 && !done.load(); ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const double crowded = TimedSync(folder, "two");
  done.store(true);
  trickle.join();
  EXPECT_LT(crowded, alone + 2.0) << "alone " << alone << " s";

  // The ones held open are closed by the header deadline and logged with their address.
  for (int i = 0; i < 80; ++i) {
    if (tir::test::TirdexStdout(serve_).find("peer=127.0.0.2") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const std::string log = tir::test::TirdexStdout(serve_);
  EXPECT_NE(log.find("peer=127.0.0.2 status=- closed="), std::string::npos) << log;
  for (const int s : silent) close(s);
  for (const int s : slow) close(s);
  for (const char* name : {"one", "two", "three"})
    EXPECT_EQ(log.find(Token(name)), std::string::npos) << log;
}

TEST_F(ExchangeTransport, HttpsWithASelfSignedCertificateNeedsItsCa) {
  TempFolder folder;
  const std::string cert = folder.File("cert.pem"), key = folder.File("key.pem");
  const std::string make =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
      " -addext subjectAltName=IP:127.0.0.1 -keyout " +
      key + " -out " + cert + " 2>/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0);
  ASSERT_TRUE(Serve({"--tls-cert", cert, "--tls-key", key}, "https"));
  const std::string base = ClientBase(folder);
  const std::string before = tir::test::BaseDump(base);

  ::setenv("TIRDEX_TOKEN", Token("one").c_str(), 1);
  const TirdexRun untrusted = Tirdex({"sync", base, url_});
  EXPECT_NE(untrusted.rc, 0);
  EXPECT_NE(untrusted.err.find("--ca"), std::string::npos) << untrusted.err;
  EXPECT_EQ(tir::test::BaseDump(base), before);

  const TirdexRun trusted = Tirdex({"sync", base, url_, "--ca", cert});
  ::unsetenv("TIRDEX_TOKEN");
  EXPECT_EQ(trusted.rc, 0) << trusted.out << trusted.err;
  EXPECT_GT(Documents(trusted.out), 0) << trusted.out;

  // A token on the command line still works, with a warning; plain HTTP to it gets nothing.
  const TirdexRun visible = Tirdex({"sync", base, url_, "--insecure", "--token", Token("two")});
  EXPECT_EQ(visible.rc, 0) << visible.err;
  EXPECT_NE(visible.err.find("other users"), std::string::npos) << visible.err;
  EXPECT_NE(visible.err.find("--insecure"), std::string::npos) << visible.err;
  EXPECT_NE(Tirdex({"sync", base, "http://127.0.0.1:" + std::to_string(port_) + "/", "--token",
                    Token("two")})
                .rc,
            0);
}

TEST_F(ExchangeTransport, AnAnswerOverTheLimitIsRefusedWithNothingWritten) {
  // A fake service with a 50 MB answer, once with its length announced and once chunked.
  const std::string big =
      "{\"info\":{\"error\":200},\"pad\":\"" + std::string(50 << 20, 'x') + "\"}";
  httplib::Server fake;
  fake.Post("/fixed", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(big, "application/json");
  });
  fake.Post("/chunked", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider(
        "application/json", [&](std::size_t at, httplib::DataSink& sink) {
          if (at >= big.size()) {
            sink.done();
            return true;
          }
          return sink.write(big.data() + at, std::min<std::size_t>(1 << 20, big.size() - at));
        });
  });
  const int port = fake.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port, 0);
  std::thread loop([&] { fake.listen_after_bind(); });
  TempFolder folder;
  const std::string base = ClientBase(folder);
  const std::string before = tir::test::BaseDump(base);
  const std::size_t files = folder.Count();
  Write(folder.File("token"), Token("one"));
  for (const std::string path : {"fixed", "chunked"}) {
    const TirdexRun run =
        Tirdex({"sync", base, "http://127.0.0.1:" + std::to_string(port) + "/" + path,
                "--token-file", folder.File("token"), "--max-answer", "10M"});
    EXPECT_NE(run.rc, 0) << path;
    EXPECT_NE(run.err.find("larger than 10485760 bytes (--max-answer)"), std::string::npos)
        << path << ": " << run.err;
    EXPECT_EQ(tir::test::BaseDump(base), before) << path;
    EXPECT_EQ(folder.Count(), files + 1) << path << ": an answer file was left behind";
  }
  EXPECT_EQ(Tirdex({"sync", base, "http://127.0.0.1:1/", "--token-file", folder.File("token"),
                    "--max-answer", "ten"})
                .rc,
            2);
  fake.stop();
  loop.join();
}

}  // namespace
