// tirdex backup while another program writes the base: every copy is one consistent snapshot
// holding every transaction committed before it began, readable on its own, and a backup never
// replaces what it must not.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "db/sqlite_connection.h"
#include "tests/host/tirdex/tirdex_run.h"
#include "tests/support/temp_base.h"

namespace tir::test {
namespace {

namespace fs = std::filesystem;

TirdexRun Tirdex(const std::vector<std::string>& args) { return RunTirdex(TIRDEX_FILE, args); }

class TirdexBackup : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_);
    ASSERT_EQ(Tirdex({"schema", base_}).rc, 0);
    auto c = db::SqliteConnection::Open(base_);
    // Each writer transaction adds rows and counts them: a copy is consistent when both agree.
    c->ExecScript(
        "CREATE TABLE wRows (a INTEGER, pad TEXT); CREATE TABLE wCount (n INTEGER);"
        "INSERT INTO wCount VALUES (0);");
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (fs::path(dir_) / name).string(); }

  std::string dir_ = TempPath("-backup");
  std::string base_ = Path("b.sqlite");
};

TEST_F(TirdexBackup, CopiesAreConsistentWhileAnotherConnectionWrites) {
  std::atomic<bool> stop{false};
  std::atomic<int> commits{0};
  std::thread writer([&] {
    auto c = db::SqliteConnection::Open(base_);
    // Commits stay in the -wal file: a copy of the base file alone would miss all of them.
    c->ExecScript("PRAGMA wal_autocheckpoint = 0;");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!stop && std::chrono::steady_clock::now() < end) {
      c->ExecScript(
          "BEGIN IMMEDIATE;"
          "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < 200) "
          "INSERT INTO wRows SELECT i, hex(randomblob(100)) FROM k;"
          "UPDATE wCount SET n = n + 200; COMMIT;");
      ++commits;
    }
  });
  while (commits < 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::vector<std::string> counts;
  for (int i = 0; i < 4; ++i) {
    // Each copy after a commit of its own (up to 10 s): no two copies may look the same.
    const int before = commits;
    for (int wait = 0; wait < 1000 && commits == before; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string copy = Path("copy" + std::to_string(i) + ".sqlite");
    const long long committed = 200LL * commits;
    const TirdexRun run = Tirdex({"backup", base_, copy});
    ASSERT_EQ(run.rc, 0) << run.err;
    EXPECT_NE(run.out.find("written to " + copy), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(copy + ".part"));
    // The copy stands alone: moved away from the base's folder, without any -wal file.
    const std::string moved = Path("alone" + std::to_string(i) + ".sqlite");
    fs::rename(copy, moved);
    auto c = db::SqliteConnection::Open(moved);
    EXPECT_EQ(ScalarText(*c, "PRAGMA integrity_check;"), "ok");
    const std::string rows = ScalarText(*c, "SELECT COUNT(*) FROM wRows;");
    EXPECT_EQ(rows, ScalarText(*c, "SELECT n FROM wCount;"));
    EXPECT_GE(std::stoll(rows), committed) << "a transaction committed before the copy is missing";
    EXPECT_NE(ScalarText(*c, "SELECT COUNT(*) FROM tirGoodsGroups;"), "0");
    counts.push_back(rows);
  }
  stop = true;
  writer.join();
  // Every copy caught a later state, and the writer went on committing meanwhile.
  for (std::size_t i = 1; i < counts.size(); ++i) {
    EXPECT_LT(std::stoll(counts[i - 1]), std::stoll(counts[i]));
  }
}

TEST_F(TirdexBackup, NeverReplacesTheBaseAFolderOrAnEarlierCopyUnasked) {
  const std::string copy = Path("copy.sqlite");
  std::ofstream(copy) << "earlier copy";
  EXPECT_EQ(Tirdex({"backup", base_, copy}).rc, 2);
  EXPECT_EQ(fs::file_size(copy), 12u);
  EXPECT_EQ(Tirdex({"backup", base_, base_}).rc, 1);  // the output guard
  EXPECT_EQ(Tirdex({"backup", base_, dir_}).rc, 2);
  EXPECT_EQ(Tirdex({"backup", Path("missing.sqlite"), Path("x.sqlite")}).rc, 1);
  EXPECT_FALSE(fs::exists(Path("x.sqlite")));
  // A file that is no base: nothing is written and no work file is left behind.
  std::ofstream(Path("junk.sqlite")) << std::string(4096, 'x');
  const TirdexRun junk = Tirdex({"backup", Path("junk.sqlite"), Path("y.sqlite")});
  EXPECT_EQ(junk.rc, 1);
  EXPECT_NE(junk.err.find("nothing was written"), std::string::npos) << junk.err;
  EXPECT_FALSE(fs::exists(Path("y.sqlite")));
  EXPECT_FALSE(fs::exists(Path("y.sqlite.part")));
  ASSERT_EQ(Tirdex({"backup", base_, copy, "--force"}).rc, 0);
  EXPECT_GT(fs::file_size(copy), 4096u);
  {
    // A copy some program has open is not replaced: it would go on writing into the old file.
    auto held = db::SqliteConnection::Open(copy);
    held->ExecScript("PRAGMA journal_mode=WAL; SELECT COUNT(*) FROM tirGoods;");
    const auto before = fs::last_write_time(copy);
    const TirdexRun busy = Tirdex({"backup", base_, copy, "--force"});
    EXPECT_EQ(busy.rc, 1);
    EXPECT_NE(busy.err.find("in use"), std::string::npos) << busy.err;
    EXPECT_EQ(fs::last_write_time(copy), before);
  }
  EXPECT_EQ(Tirdex({"backup", base_, copy, "--force"}).rc, 0);
}

}  // namespace
}  // namespace tir::test
