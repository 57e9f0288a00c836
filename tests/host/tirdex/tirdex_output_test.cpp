// What tirdex prints, as a person at a terminal and a script reading a file see it: readable JSON
// on a terminal and the exact answer elsewhere, lines that reach a file while a command runs, an
// interrupted load that says what it wrote, and option values that are refused, not reread.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "db/sqlite_connection.h"
#include "tests/host/tirdex/tirdex_run.h"
#include "tests/support/temp_base.h"
#include "transport/data_mod.h"

namespace tir::test {
namespace {

namespace fs = std::filesystem;

TirdexRun Tirdex(const std::vector<std::string>& args) { return RunTirdex(TIRDEX_FILE, args); }

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// tirdex with its standard output (and error) on a pseudo-terminal; everything it printed there.
std::string RunOnTerminal(const std::vector<std::string>& args) {
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    std::vector<char*> argv{const_cast<char*>(TIRDEX_FILE)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(TIRDEX_FILE, argv.data());
    ::_exit(127);
  }
  std::string text;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  char buffer[4096];
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const ssize_t n = ::read(master, buffer, sizeof(buffer));
    if (n <= 0) break;  // EIO once tirdex has ended and closed the terminal
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  ::close(master);
  // The terminal turns "\n" into "\r\n".
  return std::regex_replace(text, std::regex("\r\n"), "\n");
}

// One sample base (1500 goods: a goods step long enough to interrupt) for every test here.
class TirdexOutput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fs::create_directories(dir_);
    ASSERT_EQ(Tirdex({"demo-base", base_, "--goods", "1500", "--docs", "30"}).rc, 0);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  static std::string Path(const std::string& name) { return (fs::path(dir_) / name).string(); }
  static std::string Scalar(const std::string& base, const std::string& sql) {
    auto c = db::SqliteConnection::Open(base);
    return ScalarText(*c, sql);
  }

  static inline std::string dir_ = TempPath("-output");
  static inline std::string base_ = dir_ + "/b.sqlite";
};

TEST_F(TirdexOutput, AnswersAreReadableOnATerminalAndExactInFilesAndPipes) {
  const std::string barcode =
      Scalar(base_, "SELECT fBarCode FROM tirGoods WHERE fBarCode <> '' ORDER BY fId LIMIT 1");
  {
    // The card's photo, 30000 bytes: about 40000 characters of Base64.
    auto c = db::SqliteConnection::Open(base_);
    c->ExecScript(
        "DELETE FROM tirGPhotoes WHERE fGoodId = (SELECT fId FROM tirGoods WHERE "
        "fBarCode = '" +
        barcode +
        "'); INSERT INTO tirGPhotoes (fGoodId, fOrder, "
        "fPhoto) SELECT fId, 1, randomblob(30000) FROM tirGoods WHERE fBarCode = '" +
        barcode + "';");
  }
  const std::vector<std::vector<std::string>> commands = {
      {"good-card", base_, barcode}, {"loyalty", "products", base_, "--count", "3"}};
  for (const auto& command : commands) {
    SCOPED_TRACE(command.front());
    // A pipe receives exactly what the command writes to FILE.
    const TirdexRun piped = Tirdex(command);
    ASSERT_EQ(piped.rc, 0) << piped.err;
    std::vector<std::string> toFile = command;
    toFile.push_back(Path("answer.json"));
    ASSERT_EQ(Tirdex(toFile).rc, 0);
    // (The file ends its one line as the builder saves it, with "\r\n"; the two answers may be
    // made in different seconds.)
    const std::regex created("\"dateCreate\":\"[0-9]+\"");
    EXPECT_EQ(std::regex_replace(piped.out, created, ""),
              std::regex_replace(std::regex_replace(Slurp(Path("answer.json")), created, ""),
                                 std::regex("\r\n$"), "\n"));
    EXPECT_NE(piped.out.find("\\u04"), std::string::npos) << "the answer escapes Cyrillic";

    // A terminal shows the same values, indented, with the characters themselves.
    const std::string shown = RunOnTerminal(command);
    EXPECT_EQ(shown.find("\\u"), std::string::npos) << shown.substr(0, 400);
    EXPECT_TRUE(std::regex_search(shown, std::regex("\n  +\"[a-z_]+\": "))) << shown.substr(0, 400);
    const std::string name = Scalar(base_, "SELECT fName FROM tirGoods ORDER BY fId LIMIT 1");
    if (command.front() == "good-card") {
      EXPECT_NE(shown.find(
                    Scalar(base_, "SELECT fName FROM tirGoods WHERE fBarCode = '" + barcode + "'")),
                std::string::npos);
      // The photo goes whole into a pipe; a terminal shows its start and its length.
      const std::size_t photo = piped.out.find("\"photo\":\"");
      ASSERT_NE(photo, std::string::npos);
      const std::size_t length = piped.out.find('"', photo + 9) - (photo + 9);
      EXPECT_GT(length, 39000u);
      EXPECT_NE(shown.find("... (" + std::to_string(length) + " bytes"), std::string::npos);
      EXPECT_LT(shown.size(), 4000u);
    } else {
      EXPECT_NE(shown.find(name), std::string::npos) << shown.substr(0, 400);
    }
  }
}

TEST_F(TirdexOutput, LinesReachAFileWhileTheCommandStillRuns) {
  const std::string peer = Path("peer.sqlite");
  ASSERT_EQ(Tirdex({"schema", peer, "--force"}).rc, 0);
  ASSERT_EQ(Tirdex({"tokens", base_, "add", "flush", "--token", "0123456789abcdef"}).rc, 0);
  TirdexProcess serve = StartTirdex(TIRDEX_FILE, {"serve", base_, "--listen", "127.0.0.1:0"});
  std::smatch port;
  for (int i = 0; i < 500; ++i) {
    const std::string out = TirdexStdout(serve);
    if (std::regex_search(out, port, std::regex("listening on http://127\\.0\\.0\\.1:([0-9]+)/")))
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(port.size() == 2) << "tirdex serve did not start";
  const std::string url = "http://127.0.0.1:" + port[1].str() + "/";
  TirdexProcess sync =
      StartTirdex(TIRDEX_FILE, {"sync", peer, url, "--token", "0123456789abcdef", "--every", "30"});
  // The first round's lines are in the file long before the next round, let alone the end.
  std::string out;
  for (int i = 0; i < 1000 && out.find("synced from") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    out = TirdexStdout(sync);
  }
  EXPECT_NE(out.find("synced from"), std::string::npos) << out;
  EXPECT_EQ(StopTirdex(sync, SIGTERM, 20).rc, 0);
  StopTirdex(serve, SIGTERM, 20);
  ASSERT_EQ(Tirdex({"tokens", base_, "disable", "flush"}).rc, 0);
}

TEST_F(TirdexOutput, AnInterruptedLoadSaysThatNothingWasWritten) {
  // 60,000 goods take a few seconds to load: the signal lands inside the goods step.
  const std::string file = Path("goods.json");
  {
    std::ofstream json(file);
    json << "{\"goods\":[";
    for (int i = 1; i <= 60000; ++i) {
      char guid[40];
      std::snprintf(guid, sizeof(guid), "00000000-0000-0000-0000-%012d", i);
      json << (i > 1 ? "," : "") << "{\"guid\":\"" << guid << "\",\"name\":\"G" << i << "\"}";
    }
    json << "]}";
  }
  const std::string empty = Path("empty.sqlite");
  ASSERT_EQ(Tirdex({"schema", empty, "--force"}).rc, 0);
  const TirdexRun run = InterruptTirdex(TIRDEX_FILE, {"import", empty, file},
                                        "loading goods... 1000", 200, SIGINT, 30);
  EXPECT_EQ(run.rc, -1) << run.err;
  EXPECT_NE(run.err.find("interrupted; the load was not finished and nothing was written"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(Scalar(empty, "SELECT COUNT(*) FROM tirGoods"), "0");
}

TEST_F(TirdexOutput, OptionValuesThatMeanNothingHereAreUsageErrors) {
  const std::string file = Path("main.json");
  // No section: the file would hold only the info object.
  TirdexRun run = Tirdex({"export", base_, file});
  EXPECT_EQ(run.rc, 2);
  EXPECT_NE(run.err.find("name at least one section"), std::string::npos) << run.err;
  run = Tirdex({"export", base_, file, "--barcodes", "--mark-sent"});
  EXPECT_EQ(run.rc, 2);
  // A partner group that is not an id is refused rather than read as "every partner".
  for (const char* group : {"abc", "1x", "-3", "12345678901234567890"}) {
    run = Tirdex({"export", base_, file, "--partners", group});
    EXPECT_EQ(run.rc, 2) << group;
    EXPECT_NE(run.err.find("partner group id"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(file));
  const std::string group = Scalar(base_, "SELECT MIN(fId) FROM tirPartnersGroups WHERE fId > 1");
  ASSERT_EQ(Tirdex({"export", base_, file, "--partners", group}).rc, 0);
  ASSERT_EQ(Tirdex({"export", base_, Path("all.json"), "--partners"}).rc, 0);
  EXPECT_LT(fs::file_size(file), fs::file_size(Path("all.json")));

  // The shop period's help names the minutes the timer really waits.
  run = Tirdex({"shop-profile", "--help"});
  std::smatch example;
  ASSERT_TRUE(
      std::regex_search(run.out, example, std::regex("([0-9]+) sends every ([0-9]+) minutes")))
      << run.out;
  EXPECT_DOUBLE_EQ(std::stod(example[1]) * transport::TDataMod::kSecondsPerPeriodUnit,
                   std::stod(example[2]) * 60);
}

}  // namespace
}  // namespace tir::test
