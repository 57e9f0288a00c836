// tirdex as a user (or a careless script) runs it: outputs that must not destroy anything, bases
// that stay whole when a command fails or is interrupted, and usage errors that say so.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "db/sqlite_connection.h"
#include "tests/host/tirdex/tirdex_run.h"
#include "tests/support/temp_base.h"

namespace tir::test {
namespace {

namespace fs = std::filesystem;

TirdexRun Tirdex(const std::vector<std::string>& args) { return RunTirdex(TIRDEX_FILE, args); }

// A sample base and a scratch folder, removed at the end.
class TirdexCli : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_);
    ASSERT_EQ(Tirdex({"demo-base", base_, "--goods", "30", "--docs", "40"}).rc, 0);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (fs::path(dir_) / name).string(); }
  std::string Scalar(const std::string& sql) const {
    auto c = db::SqliteConnection::Open(base_);
    return ScalarText(*c, sql);
  }
  // What posting may change: document states, register rows and balances.
  std::string Registers() const {
    return Scalar(
        "SELECT (SELECT total(fState * fId) FROM tirDocuments) || '|' || (SELECT COUNT(*) FROM "
        "tirAStore) || '|' || (SELECT COUNT(*) FROM tirAMSettlement) || '|' || (SELECT COUNT(*) "
        "FROM tirAPayments) || '|' || (SELECT COUNT(*) || ':' || total(fQtty) FROM tirAStoreNow)");
  }

  std::string dir_ = TempPath("-cli");
  std::string base_ = Path("b.sqlite");
};

TEST_F(TirdexCli, OutputsNeverReplaceTheBaseADeviceOrALink) {
  const auto size = fs::file_size(base_);
  EXPECT_EQ(Tirdex({"export-doc", base_, "1", base_}).rc, 1);
  EXPECT_EQ(Tirdex({"export-period", base_, "2000-01-01", "2100-01-01", base_}).rc, 1);
  EXPECT_EQ(Tirdex({"export-period", base_, "2000-01-01", "2100-01-01", Path("x.json"),
                    "--user-stores", "1;DROP TABLE tirGoods"})
                .rc,
            2);
  EXPECT_EQ(fs::file_size(base_), size);
  EXPECT_EQ(Scalar("SELECT COUNT(*) > 0 FROM tirDocuments"), "1");

  // A document that does not exist: refused, no file.
  const TirdexRun missing = Tirdex({"export-doc", base_, "999999", Path("x.json")});
  EXPECT_EQ(missing.rc, 1);
  EXPECT_NE(missing.err.find("no document 999999"), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(Path("x.json")));

  // A full disk is an error; a device stays a device. (Devices are reached through links in the
  // scratch folder, so that a faulty tirdex replaces a link, never the system's device.)
  fs::create_symlink("/dev/full", Path("full"));
  fs::create_symlink("/dev/null", Path("null"));
  EXPECT_EQ(Tirdex({"export-period", base_, "2000-01-01", "2100-01-01", Path("full")}).rc, 1);
  EXPECT_EQ(Tirdex({"export-period", base_, "2000-01-01", "2100-01-01", Path("null")}).rc, 0);
  EXPECT_TRUE(fs::is_symlink(Path("null")));

  // Through a link into the real file, whose mode stays.
  const std::string real = Path("real.json");
  std::ofstream(real) << "old";
  ::chmod(real.c_str(), 0640);
  fs::create_symlink("real.json", Path("link.json"));
  ASSERT_EQ(Tirdex({"export-period", base_, "2000-01-01", "2100-01-01", Path("link.json")}).rc, 0);
  EXPECT_TRUE(fs::is_symlink(Path("link.json")));
  EXPECT_GT(fs::file_size(real), 100u);
  struct stat st {};
  ::stat(real.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  for (const auto& entry : fs::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name.rfind("b.sqlite", 0) == 0 || name == "real.json" || name == "link.json" ||
                name == "full" || name == "null")
        << name << " left beside the output";
  }
}

TEST_F(TirdexCli, NewBasesGoNowhereButFreePlaces) {
  fs::create_directories(Path("empty"));
  EXPECT_EQ(Tirdex({"schema", Path("empty")}).rc, 1);
  EXPECT_TRUE(fs::is_directory(Path("empty")));
  fs::create_symlink("/dev/null", Path("null"));
  EXPECT_EQ(Tirdex({"schema", Path("null"), "--force"}).rc, 1);
  EXPECT_TRUE(fs::is_symlink(Path("null")));
  {
    auto open = db::SqliteConnection::Open(base_);  // another program has the base open
    ScalarInt(*open, "SELECT COUNT(*) FROM tirGoods");
    const TirdexRun inUse = Tirdex({"schema", base_, "--force"});
    EXPECT_EQ(inUse.rc, 1);
    EXPECT_NE(inUse.err.find("base in use"), std::string::npos) << inUse.err;
  }
  EXPECT_EQ(Tirdex({"schema", base_, "--force"}).rc, 0);

  // Commands that need a base refuse a missing or empty file instead of making one.
  std::ofstream(Path("empty.sqlite")).flush();
  EXPECT_EQ(Tirdex({"export-doc", Path("empty.sqlite"), "1", Path("x.json")}).rc, 1);
  EXPECT_EQ(fs::file_size(Path("empty.sqlite")), 0u);
  EXPECT_EQ(Tirdex({"export-doc", Path("none.sqlite"), "1", Path("x.json")}).rc, 1);
  EXPECT_FALSE(fs::exists(Path("none.sqlite")));
}

TEST_F(TirdexCli, PostingIsAllOrNothing) {
  // A payment that cannot be written: the settlement written before it is undone too.
  const std::string doc = Scalar("SELECT MIN(fId) FROM tirDocuments WHERE fDocType = 4");
  {
    auto c = db::SqliteConnection::Open(base_);
    c->ExecScript(
        "CREATE TRIGGER no_pay BEFORE INSERT ON tirAPayments BEGIN SELECT RAISE(ABORT, 'disk'); "
        "END;");
  }
  const std::string before = Registers();
  EXPECT_EQ(Tirdex({"post", base_, doc}).rc, 1);
  EXPECT_EQ(Tirdex({"post", base_, "--all", "--rebuild"}).rc, 1);
  EXPECT_EQ(Registers(), before);
  {
    auto c = db::SqliteConnection::Open(base_);
    c->ExecScript("DROP TRIGGER no_pay;");
  }

  // Progress lines end with a line break when stderr is no terminal.
  const TirdexRun all = Tirdex({"post", base_, "--all", "--rebuild"});
  ASSERT_EQ(all.rc, 0) << all.err;
  EXPECT_NE(all.err.find("posted 40 of 40 documents\n"), std::string::npos) << all.err;
  const std::string posted = Registers();
  EXPECT_NE(posted, before);

  // Type 15 only changes its state, and says so.
  const std::string order = Scalar("SELECT MIN(fId) FROM tirDocuments WHERE fDocType = 15");
  const TirdexRun one = Tirdex({"post", base_, order, "--cmd", "1"});
  EXPECT_NE(one.out.find("type 15 (state only, no register rows)"), std::string::npos) << one.out;
}

TEST_F(TirdexCli, InterruptedRunsLeaveTheBaseAsItWas) {
  ASSERT_EQ(Tirdex({"demo-base", base_, "--goods", "200", "--docs", "1200", "--force"}).rc, 0);
  ASSERT_EQ(Tirdex({"post", base_, "--all", "--rebuild"}).rc, 0);
  const std::string before = Registers();
  {
    // Balance updates and removed movements take a millisecond each: Ctrl-C lands mid-run.
    auto c = db::SqliteConnection::Open(base_);
    const std::string slow = " BEGIN SELECT COUNT(*) FROM tirGoods a, tirGoods b; END;";
    c->ExecScript("CREATE TRIGGER slow1 AFTER UPDATE ON tirAStoreNow" + slow +
                  "CREATE TRIGGER slow2 AFTER DELETE ON tirAStore" + slow);
  }
  const TirdexRun rebuild =
      InterruptTirdex(TIRDEX_FILE, {"rebuild-balances", base_}, "", 300, SIGINT, 30);
  EXPECT_EQ(rebuild.rc, -1) << rebuild.out;
  EXPECT_EQ(Registers(), before);
  const TirdexRun unpost = InterruptTirdex(TIRDEX_FILE, {"post", base_, "--all", "--cmd", "1"},
                                           "posted 500 of", 0, SIGINT, 30);
  EXPECT_EQ(unpost.rc, -1) << unpost.err;
  EXPECT_EQ(Registers(), before);
}

TEST(TirdexSettings, KeysThatCannotBeReadBackAreUsageErrors) {
  const std::string config = TempPath("-config");
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  EXPECT_EQ(Tirdex({"settings", "set", "MAIN", "A=B", "1"}).rc, 2);
  EXPECT_EQ(Tirdex({"settings", "set", "MAIN", ";key", "1"}).rc, 2);
  EXPECT_EQ(Tirdex({"settings", "set", "MAIN", " KEY ", "1"}).rc, 2);
  EXPECT_EQ(Tirdex({"settings", "set", "MAIN", "KEY", "a\nb"}).rc, 2);
  EXPECT_FALSE(fs::exists(config));
  // The settings file is written through a link, which stays.
  const std::string folder = config + "/TirvaloSoftware/TirvaloMainBack";
  fs::create_directories(folder);
  std::ofstream(config + "/real.config") << "[MAIN]\n";
  fs::create_symlink(config + "/real.config", folder + "/TirvaloMain.config");
  EXPECT_EQ(Tirdex({"settings", "set", "MAIN", "KEY", "v"}).rc, 0);
  EXPECT_TRUE(fs::is_symlink(folder + "/TirvaloMain.config"));
  EXPECT_EQ(Tirdex({"settings", "get", "MAIN", "KEY"}).out, "v\n");
  fs::remove_all(config);
}

}  // namespace
}  // namespace tir::test
