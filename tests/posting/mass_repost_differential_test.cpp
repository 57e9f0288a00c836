// A full mass re-posting of a sample base leaves the registers and the document states exactly
// as re-posting the same documents one by one in the same order.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "db/query.h"
#include "frame/app_globals.h"
#include "host/demo/demo_base.h"
#include "posting/main_provodka.h"
#include "posting/mass_repost_run.h"
#include "settings/value_params.h"
#include "tests/support/temp_base.h"

namespace tir::posting::test {
namespace {

using Table = std::vector<std::vector<double>>;

// A sample base whose documents are mixed over the states 0, 1 and 3, with balance rows for every
// entity x store x good and empty registers.
void MakeSampleBase(db::Connection& c, std::uint64_t seed) {
  demo::DemoOptions o;
  o.goods = 60;
  o.docs = 250;
  o.seed = seed;
  demo::GenerateDemoBase(c, o);
  db::Query q(c);
  q.SetSql("UPDATE tirDocuments SET fState = CASE (fId * 7 + " + std::to_string(seed) +
           ") % 6 WHEN 0 THEN 1 WHEN 1 THEN 3 WHEN 2 THEN 3 ELSE 0 END;");
  q.ExecSql();
}

// Every row of `sql` as numbers, in the query's order.
Table Rows(db::Connection& c, const std::string& sql) {
  db::Query q(c);
  q.SetSql(sql);
  q.Open();
  Table rows;
  for (; !q.Eof(); q.Next()) {
    std::vector<double> row;
    for (std::size_t i = 0; i < q.FieldCount(); ++i) {
      row.push_back(q.FieldByIndex(i).IsNull() ? 0 : q.FieldByIndex(i).AsDouble());
    }
    rows.push_back(row);
  }
  return rows;
}

struct Snapshot {
  Table store, balances, settlements, payments, states;
};

Snapshot Take(db::Connection& c) {
  Snapshot s;
  s.store = Rows(c,
                 "SELECT fDocId, fPosGoodId, fStoreId, fSign, fEntId, fGoodId, fOperType, "
                 "julianday(fDateTime), fQtty, fSum, fContractId, fTransactId, fPartId FROM "
                 "tirAStore ORDER BY fDocId, fPosGoodId, fStoreId, fSign;");
  s.balances = Rows(c,
                    "SELECT fEntId, fStoreId, fGoodId, fQtty, fSum FROM tirAStoreNow ORDER BY "
                    "fEntId, fStoreId, fGoodId;");
  s.settlements = Rows(c,
                       "SELECT fDocId, fContractId, fTransactId, fEntId, fPartId, fSign, fSum, "
                       "julianday(fDateTime), fStoreId, fOperType FROM tirAMSettlement ORDER BY "
                       "fDocId, fSign, fSum;");
  s.payments = Rows(c,
                    "SELECT fDocId, fContractId, fTransactId, fEntId, fPartId, fSign, fSum, "
                    "julianday(fDateTime), fOperType, fCashAccountId, fStoreId, fItemCost FROM "
                    "tirAPayments ORDER BY fDocId, fSign, fSum;");
  s.states = Rows(c, "SELECT fId, fState FROM tirDocuments ORDER BY fId;");
  return s;
}

void ExpectSame(const Table& expected, const Table& actual, const char* what) {
  ASSERT_EQ(expected.size(), actual.size()) << what;
  for (std::size_t r = 0; r < expected.size(); ++r) {
    ASSERT_EQ(expected[r].size(), actual[r].size()) << what;
    for (std::size_t k = 0; k < expected[r].size(); ++k) {
      // Sums are accumulated in a different order: allow the rounding of the value conventions.
      const double tolerance = 1e-6 * std::max(1.0, std::fabs(expected[r][k]));
      ASSERT_NEAR(expected[r][k], actual[r][k], tolerance)
          << what << " row " << r << " (key " << expected[r][0] << ", " << expected[r][1]
          << ") column " << k;
    }
  }
}

class MassRepostDifferentialTest : public ::testing::TestWithParam<std::uint64_t> {
 protected:
  void SetUp() override {
    frame::gAppParams.fBaseType = 0;
    frame::gAppParams.fUserID = 1;
    tir::gValueParams.fPriceDigit = 2;
    tir::gValueParams.fCountDigit = 3;
  }
};

TEST_P(MassRepostDifferentialTest, MassRepostEqualsOneByOne) {
  const std::uint64_t seed = GetParam();
  tir::test::TempBase single;
  MakeSampleBase(single.conn(), seed);
  ASSERT_GT(tir::test::ScalarInt(single.conn(),
                                 "SELECT COUNT(DISTINCT fDocType) FROM tirDocuments WHERE "
                                 "fDocType IN (1, 2, 4, 5, 8, 9, 10, 11, 12, 13, 14) AND "
                                 "fState IN (0, 3);"),
            10);  // every type with register rows
  ASSERT_GT(tir::test::ScalarInt(single.conn(),
                                 "SELECT COUNT(*) FROM tirDocuments WHERE fDocType = 13 AND "
                                 "fTagInt = 2 AND fState IN (0, 3);") *
                tir::test::ScalarInt(single.conn(),
                                     "SELECT COUNT(*) FROM tirDocuments WHERE fDocType = 13 AND "
                                     "fTagInt <> 2 AND fState IN (0, 3);"),
            0);
  {
    TDMMainProvodka engine;
    engine.SetConnectToDB(&single.conn());
    engine.RebuildStoresFull();
    db::Query ids(single.conn());
    ids.SetSql("SELECT fId FROM tirDocuments ORDER BY fDateTime, fId;");
    ids.Open();
    single.conn().StartTransaction();
    for (; !ids.Eof(); ids.Next()) {
      engine.Provodka(ids.FieldByIndex(0).AsInt64(), kPostRepost, false, false);
    }
    single.conn().Commit();
  }
  const Snapshot expected = Take(single.conn());
  ASSERT_FALSE(expected.store.empty());
  ASSERT_FALSE(expected.payments.empty());

  for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{500}}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    tir::test::TempBase mass;
    MakeSampleBase(mass.conn(), seed);
    TDMMainProvodka engine;
    engine.SetConnectToDB(&mass.conn());
    TMassRepostOptions o;
    o.chunk = chunk;
    o.full = true;
    const TMassRepostResult r = RunMassRepost(engine, mass.conn(), o);
    ASSERT_EQ(r.outcome, TMassRepostResult::TOutcome::kDone);
    const Snapshot actual = Take(mass.conn());
    ExpectSame(expected.store, actual.store, "tirAStore");
    ExpectSame(expected.balances, actual.balances, "tirAStoreNow");
    ExpectSame(expected.settlements, actual.settlements, "tirAMSettlement");
    ExpectSame(expected.payments, actual.payments, "tirAPayments");
    ExpectSame(expected.states, actual.states, "document states");
  }
}

INSTANTIATE_TEST_SUITE_P(SampleBases, MassRepostDifferentialTest, ::testing::Values(1U, 2U));

}  // namespace
}  // namespace tir::posting::test
