// Every tirdex command that takes a period reads it the same way: FROM is the first moment
// included, a bare date as TO includes its whole day (and not a moment more), a date-time as TO is
// included itself, and a text that is no date, or a FROM after TO, is a usage error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "db/sqlite_connection.h"
#include "tests/host/tirdex/tirdex_run.h"
#include "tests/support/temp_base.h"

namespace tir::test {
namespace {

namespace fs = std::filesystem;

using Args = std::vector<std::string>;

// A command with a period: its arguments for a base, an output file and the two ends, the option
// that names a malformed TO, and whether it writes the documents it took into the file (otherwise
// it posts them, and the register rows tell which).
struct PeriodCommand {
  const char* name;
  std::function<Args(const std::string& base, const std::string& file, const std::string& from,
                     const std::string& to)>
      args;
  const char* toOption;
  bool writesFile;
};

void PrintTo(const PeriodCommand& c, std::ostream* out) { *out << c.name; }

// Documents numbered 777000..777002 on both sides of the year's last day, in state 0 so that
// posting and re-posting take them; every other document far away in 2020.
class TirdexPeriod : public ::testing::TestWithParam<PeriodCommand> {
 protected:
  void SetUp() override {
    fs::create_directories(dir_);
    ASSERT_EQ(RunTirdex(TIRDEX_FILE, {"demo-base", base_, "--goods", "10", "--docs", "30"}).rc, 0);
    auto c = db::SqliteConnection::Open(base_);
    c->ExecScript("UPDATE tirDocuments SET fDateTime = '2020-06-01 10:00:00.000';");
    const char* edges[][2] = {{"777000", "2024-12-30 23:59:59.000"},
                              {"777001", "2024-12-31 23:59:00.000"},
                              {"777002", "2025-01-01 00:00:00.000"}};
    int nth = 0;
    for (const auto& [number, date] : edges) {
      c->ExecScript(std::string("UPDATE tirDocuments SET fDocNum = ") + number + ", fDateTime = '" +
                    date +
                    "', fState = 0 WHERE fId = (SELECT fId FROM tirDocuments WHERE fDocType = 1 "
                    "ORDER BY fId LIMIT 1 OFFSET " +
                    std::to_string(nth++) + ");");
    }
    ASSERT_EQ(ScalarText(*c, "SELECT COUNT(*) FROM tirDocuments WHERE fDocNum >= 777000"), "3");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The edge documents a run of the command took, as "777001|" lines.
  std::string Taken(const std::string& from, const std::string& to) {
    EXPECT_EQ(RunTirdex(TIRDEX_FILE, {"clear-registers", base_}).rc, 0);
    const std::string file = (fs::path(dir_) / "out.json").string();
    const TirdexRun run = RunTirdex(TIRDEX_FILE, GetParam().args(base_, file, from, to));
    EXPECT_EQ(run.rc, 0) << run.out << run.err;
    if (GetParam().writesFile) {
      std::ifstream in(file);
      std::stringstream text;
      text << in.rdbuf();
      std::string found;
      for (const char* number : {"777000", "777001", "777002"}) {
        if (text.str().find(number) != std::string::npos) found += std::string(number) + "|\n";
      }
      return found;
    }
    auto c = db::SqliteConnection::Open(base_);
    return RowsText(*c,
                    "SELECT DISTINCT d.fDocNum FROM tirAStore s JOIN tirDocuments d ON d.fId = "
                    "s.fDocId WHERE d.fDocNum >= 777000 ORDER BY 1;");
  }

  std::string dir_ = TempPath("-period");
  std::string base_ = (fs::path(dir_) / "b.sqlite").string();
};

TEST_P(TirdexPeriod, ABareDateIncludesItsWholeDayAndNothingAfter) {
  EXPECT_EQ(Taken("2024-12-31", "2024-12-31"), "777001|\n");
  // A date-time end is included itself.
  EXPECT_EQ(Taken("2024-12-30 23:59:59", "2024-12-31 23:59"), "777000|\n777001|\n");
}

TEST_P(TirdexPeriod, AMalformedDateIsAUsageErrorNamingTheOption) {
  for (const char* bad : {"2024-12-32", "31.12.2024", "2024-12-31 24:00", "tomorrow"}) {
    const TirdexRun run =
        RunTirdex(TIRDEX_FILE, GetParam().args(base_, dir_ + "/x.json", "2024-12-01", bad));
    EXPECT_EQ(run.rc, 2) << bad;
    EXPECT_NE(run.err.find(std::string(GetParam().toOption) + ": \"" + bad + "\" is not a date"),
              std::string::npos)
        << run.err;
  }
  const TirdexRun reversed =
      RunTirdex(TIRDEX_FILE, GetParam().args(base_, dir_ + "/x.json", "2024-12-31", "2024-12-01"));
  EXPECT_EQ(reversed.rc, 2);
  EXPECT_NE(reversed.err.find("the period is empty"), std::string::npos) << reversed.err;
  EXPECT_FALSE(fs::exists(dir_ + "/x.json"));
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, TirdexPeriod,
    ::testing::Values(PeriodCommand{"export",
                                    [](auto base, auto file, auto from, auto to) {
                                      return Args{"export", base, file, "--docs-period", from, to};
                                    },
                                    "--docs-period", true},
                      PeriodCommand{"export_period",
                                    [](auto base, auto file, auto from, auto to) {
                                      return Args{"export-period", base, from, to, file};
                                    },
                                    "TO", true},
                      PeriodCommand{"post_all",
                                    [](auto base, auto, auto from, auto to) {
                                      return Args{"post", base,   "--all", "--from",
                                                  from,   "--to", to};
                                    },
                                    "--to", false},
                      PeriodCommand{"repost",
                                    [](auto base, auto, auto from, auto to) {
                                      return Args{"repost", base, "--from", from, "--to", to};
                                    },
                                    "--to", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tir::test
