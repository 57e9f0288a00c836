// The sample-base generator as a whole: determinism, options, transactions, progress and the
// document mix.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "db/db_error.h"
#include "db/query.h"
#include "host/demo/demo_base.h"
#include "tests/host/demo/demo_checks.h"
#include "tests/support/temp_base.h"

namespace {

using tir::demo::DemoOptions;
using tir::demo::GenerateDemoBase;
using tir::test::ScalarInt;
using tir::test::TempBase;

DemoOptions Small(std::uint64_t seed) {
  DemoOptions options;
  options.goods = 300;
  options.docs = 400;
  options.seed = seed;
  return options;
}

TEST(DemoBase, SameSeedGivesTheSameBaseAndAnotherSeedAnotherOne) {
  TempBase first, second, third;
  GenerateDemoBase(first.conn(), Small(7));
  GenerateDemoBase(second.conn(), Small(7));
  GenerateDemoBase(third.conn(), Small(8));
  const std::string a = tir::test::BaseContent(first.conn());
  EXPECT_GT(a.size(), 100000u);
  EXPECT_TRUE(a == tir::test::BaseContent(second.conn())) << "two runs with seed 7 differ";
  EXPECT_FALSE(a == tir::test::BaseContent(third.conn()));
}

TEST(DemoBase, EveryDocumentTypeAppearsUnpostedWithLines) {
  TempBase base;
  DemoOptions options = Small(3);
  options.docs = 2000;
  GenerateDemoBase(base.conn(), options);
  auto& c = base.conn();
  EXPECT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM tirDocuments"), 2000);
  EXPECT_EQ(ScalarInt(c,
                      "SELECT COUNT(DISTINCT fDocType) FROM tirDocuments WHERE fDocType "
                      "BETWEEN 1 AND 15"),
            15);
  EXPECT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM tirDocuments WHERE fState<>1"), 0);
  for (const char* reg : {"tirAStore", "tirAStoreNow", "tirAMSettlement", "tirAPayments"}) {
    EXPECT_EQ(ScalarInt(c, std::string("SELECT COUNT(*) FROM ") + reg), 0) << reg;
  }
  // Sales dominate; money documents carry no lines; goods documents have lines.
  const auto sales = ScalarInt(c, "SELECT COUNT(*) FROM tirDocuments WHERE fDocType=2");
  EXPECT_GT(sales, 800);
  EXPECT_LT(sales, 1400);
  EXPECT_EQ(ScalarInt(c,
                      "SELECT COUNT(*) FROM tirDocGoods g JOIN tirDocuments d ON d.fId=g.fDocId "
                      "WHERE d.fDocType IN (4,5)"),
            0);
  EXPECT_EQ(ScalarInt(c,
                      "SELECT COUNT(*) FROM tirDocuments d WHERE d.fDocType NOT IN (4,5) AND "
                      "NOT EXISTS (SELECT 1 FROM tirDocGoods g WHERE g.fDocId=d.fId)"),
            0);
  const double linesPerDoc =
      static_cast<double>(ScalarInt(c, "SELECT COUNT(*) FROM tirDocGoods")) / 2000.0;
  EXPECT_GT(linesPerDoc, 6.0);
  EXPECT_LT(linesPerDoc, 13.0);
  // Documents follow the calendar as their ids grow.
  EXPECT_EQ(ScalarInt(c,
                      "SELECT COUNT(*) FROM tirDocuments a JOIN tirDocuments b ON b.fId=a.fId+1 "
                      "WHERE b.fDateTime < a.fDateTime"),
            0);
  // Numbers run per document type without gaps.
  EXPECT_EQ(ScalarInt(c,
                      "SELECT COUNT(*) FROM (SELECT fDocType, MAX(fDocNum) AS m, COUNT(*) AS n "
                      "FROM tirDocuments GROUP BY fDocType) WHERE m<>n"),
            0);
}

TEST(DemoBase, OptionsOutOfRangeAndFilledBasesAreRefused) {
  TempBase base;
  DemoOptions options = Small(1);
  options.goods = 0;
  EXPECT_THROW(GenerateDemoBase(base.conn(), options), std::invalid_argument);
  options.goods = 20'000'000;
  EXPECT_THROW(GenerateDemoBase(base.conn(), options), std::invalid_argument);
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirGoods"), 0);

  GenerateDemoBase(base.conn(), Small(1));
  const std::string before = tir::test::BaseContent(base.conn());
  EXPECT_THROW(GenerateDemoBase(base.conn(), Small(2)), std::runtime_error);
  EXPECT_TRUE(before == tir::test::BaseContent(base.conn()));
}

TEST(DemoBase, NoDocumentsWhenAskedForNone) {
  TempBase base;
  DemoOptions options = Small(1);
  options.docs = 0;
  GenerateDemoBase(base.conn(), options);
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirDocuments"), 0);
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirGoods"), 300);
}

TEST(DemoBase, AFailureRollsEverythingBack) {
  TempBase base;
  // Documents cannot be written: the catalogs written before must go too.
  base.conn().ExecScript("DROP TABLE tirDocGoods;");
  EXPECT_THROW(GenerateDemoBase(base.conn(), Small(1)), tir::db::DbError);
  EXPECT_FALSE(base.conn().InTransaction());
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirGoods"), 0);
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirGoodsGroups"), 1);
}

TEST(DemoBase, RunsInsideTheCallersTransaction) {
  TempBase base;
  base.conn().StartTransaction();
  GenerateDemoBase(base.conn(), Small(1));
  EXPECT_TRUE(base.conn().InTransaction());
  base.conn().Rollback();
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirGoods"), 0);
}

TEST(DemoBase, ProgressIsReportedInFivePercentStepsUpToTheEnd) {
  TempBase base;
  DemoOptions options = Small(1);
  std::vector<std::string> reports;
  options.progress = [&reports](const std::string& text) { reports.push_back(text); };
  GenerateDemoBase(base.conn(), options);
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.back().rfind("100%", 0), 0u) << reports.back();
  int last = 0;
  for (std::size_t i = 0; i + 1 < reports.size(); ++i) {
    const int percent = std::stoi(reports[i]);
    EXPECT_EQ(percent % 5, 0) << reports[i];
    EXPECT_GT(percent, last) << reports[i];
    last = percent;
  }
}

}  // namespace
