// Mass re-posting of a sample base leaves the registers and the document states exactly as
// re-posting the same documents one by one in the same order: a full run, and a run of a period
// on a base whose earlier documents are posted and some of whose balance rows are missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/query.h"
#include "frame/app_globals.h"
#include "host/demo/demo_base.h"
#include "posting/list_posting.h"
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

// Re-posts one by one, in date and id order, the documents dated in [from, to) (either bound
// may be left out), in one transaction.
void PostOneByOne(db::Connection& c, std::optional<double> from, std::optional<double> to) {
  TDMMainProvodka engine;
  engine.SetConnectToDB(&c);
  db::Query ids(c);
  ids.SetSql(std::string("SELECT fId FROM tirDocuments WHERE 1=1") +
             (from ? " AND fDateTime >= :pFrom" : "") + (to ? " AND fDateTime < :pTo" : "") +
             " ORDER BY fDateTime, fId;");
  if (from) ids.ParamByName("pFrom").SetDateTime(*from);
  if (to) ids.ParamByName("pTo").SetDateTime(*to);
  ids.Open();
  c.StartTransaction();
  for (; !ids.Eof(); ids.Next()) {
    engine.Provodka(ids.FieldByIndex(0).AsInt64(), kPostRepost, false, false);
  }
  c.Commit();
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

TMassRepostResult MassRepost(db::Connection& c, const TMassRepostOptions& o) {
  TDMMainProvodka engine;
  engine.SetConnectToDB(&c);
  return RunMassRepost(engine, c, o);
}

void ExpectSame(const Snapshot& expected, const Snapshot& actual) {
  ExpectSame(expected.store, actual.store, "tirAStore");
  ExpectSame(expected.balances, actual.balances, "tirAStoreNow");
  ExpectSame(expected.settlements, actual.settlements, "tirAMSettlement");
  ExpectSame(expected.payments, actual.payments, "tirAPayments");
  ExpectSame(expected.states, actual.states, "document states");
}

class MassRepostDifferentialTest : public ::testing::TestWithParam<std::uint64_t> {
 protected:
  void SetUp() override {
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
  }
  PostOneByOne(single.conn(), std::nullopt, std::nullopt);
  const Snapshot expected = Take(single.conn());
  ASSERT_FALSE(expected.store.empty());
  ASSERT_FALSE(expected.payments.empty());

  for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{500}}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    tir::test::TempBase mass;
    MakeSampleBase(mass.conn(), seed);
    TMassRepostOptions o;
    o.chunk = chunk;
    o.full = true;
    const TMassRepostResult r = MassRepost(mass.conn(), o);
    ASSERT_EQ(r.outcome, TMassRepostResult::TOutcome::kDone);
    ExpectSame(expected, Take(mass.conn()));
  }
}

// Removes a third of the balance rows of a sample base and posts the documents before `from` one
// by one: the state a period run starts from.
void PrepareForPeriod(db::Connection& c, double from) {
  db::Query q(c);
  q.SetSql("DELETE FROM tirAStoreNow WHERE (fGoodId * 5 + fStoreId) % 3 = 0;");
  q.ExecSql();
  PostOneByOne(c, std::nullopt, from);
}

// The date of the document at `fraction` of the base's documents in date order.
double DateAt(db::Connection& c, double fraction) {
  db::Query q(c);
  q.SetSql("SELECT fDateTime FROM tirDocuments ORDER BY fDateTime, fId LIMIT 1 OFFSET " +
           std::to_string(static_cast<int>(fraction * 250)) + ";");
  q.Open();
  return q.FieldByIndex(0).AsDateTime();
}

TEST_P(MassRepostDifferentialTest, PeriodRunOnABaseWithMissingBalanceRowsEqualsOneByOne) {
  const std::uint64_t seed = GetParam();
  tir::test::TempBase base;
  MakeSampleBase(base.conn(), seed);
  const double from = DateAt(base.conn(), 0.3), to = DateAt(base.conn(), 0.8);
  PrepareForPeriod(base.conn(), from);
  ASSERT_GT(tir::test::ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirAStore;"), 0);
  PostOneByOne(base.conn(), from, to);
  const Snapshot expected = Take(base.conn());

  for (const std::size_t chunk : {std::size_t{1}, std::size_t{500}}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    tir::test::TempBase mass;
    MakeSampleBase(mass.conn(), seed);
    PrepareForPeriod(mass.conn(), from);
    TMassRepostOptions o;
    o.chunk = chunk;
    o.from = from;
    o.to = to;
    o.toExclusive = true;
    const TMassRepostResult r = MassRepost(mass.conn(), o);
    ASSERT_EQ(r.outcome, TMassRepostResult::TOutcome::kDone);
    EXPECT_EQ(r.posted + r.leftAlone + r.fallenBack, r.documents);
    ExpectSame(expected, Take(mass.conn()));
  }
}

// A base as an import leaves it before posting: every document saved with the state its file
// sent (a posted one as new), the earlier documents posted before and saved again with changed
// lines; and the list the import posts, in file order (not date order) with one command per
// state, some documents listed twice.
std::vector<TListPostingItem> MakeImportedBase(db::Connection& c, std::uint64_t seed) {
  MakeSampleBase(c, seed);
  db::Query q(c);
  q.SetSql("UPDATE tirDocuments SET fState = CASE (fId * 7 + " + std::to_string(seed) +
           ") % 6 WHEN 0 THEN 1 WHEN 1 THEN 3 WHEN 2 THEN 2 ELSE 0 END;");
  q.ExecSql();
  const Table fileStates = Rows(c, "SELECT fId, fState FROM tirDocuments ORDER BY fId;");
  {
    TDMMainProvodka engine;
    engine.SetConnectToDB(&c);
    engine.RebuildStoresFull();
  }
  PostOneByOne(c, std::nullopt, DateAt(c, 0.4));
  q.SetSql(
      "UPDATE tirDocGoods SET fGoodId = ifnull((SELECT MIN(g.fId) FROM tirGoods g WHERE g.fId > "
      "tirDocGoods.fGoodId), (SELECT MIN(fId) FROM tirGoods)), fQtty = fQtty + 1 WHERE fId % 4 = "
      "0;");
  q.ExecSql();
  std::vector<TListPostingItem> list;
  for (const auto& row : fileStates) {
    const auto id = static_cast<std::int64_t>(row[0]);
    const int state = static_cast<int>(row[1]);
    q.SetSql("UPDATE tirDocuments SET fState = :pState WHERE fId = :pId;");
    q.ParamByName("pState").SetInt32(state == 0 ? kStateNew : state);
    q.ParamByName("pId").SetInt64(id);
    q.ExecSql();
    list.push_back({id, state == 0 ? kPostRepost : state == 2 ? kPostDelete : kPostStateOnlyOff});
  }
  std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
    return (a.fDocId * 37) % 101 < (b.fDocId * 37) % 101;
  });
  for (std::size_t i = 0; i < list.size(); i += 40) list.push_back(list[i]);
  return list;
}

TEST_P(MassRepostDifferentialTest, ImportListPostingEqualsOneByOne) {
  const std::uint64_t seed = GetParam();
  tir::test::TempBase single;
  const std::vector<TListPostingItem> list = MakeImportedBase(single.conn(), seed);
  ASSERT_GT(tir::test::ScalarInt(single.conn(), "SELECT COUNT(*) FROM tirAStore;"), 0);
  ASSERT_GT(tir::test::ScalarInt(single.conn(),
                                 "SELECT COUNT(*) FROM tirDocuments WHERE fDocType IN (11, 13) AND "
                                 "fState = 3;"),
            0);
  {
    TDMMainProvodka engine;
    engine.SetConnectToDB(&single.conn());
    single.conn().StartTransaction();
    for (const TListPostingItem& item : list) {
      engine.Provodka(item.fDocId, item.fCommand, false, false);
    }
    single.conn().Commit();
  }
  const Snapshot expected = Take(single.conn());

  for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{500}}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    tir::test::TempBase listed;
    ASSERT_EQ(MakeImportedBase(listed.conn(), seed).size(), list.size());
    TDMMainProvodka engine;
    engine.SetConnectToDB(&listed.conn());
    TListPostingOptions o;
    o.chunk = chunk;
    std::size_t shown = 0;
    o.progress = [&](std::size_t done, std::size_t total) {
      EXPECT_EQ(total, list.size());
      shown = done;
    };
    ASSERT_EQ(PostDocumentList(engine, listed.conn(), list, o), TListPostingOutcome::kDone);
    EXPECT_EQ(shown, list.size());
    EXPECT_FALSE(engine.IsMassRepostControlActive());
    ExpectSame(expected, Take(listed.conn()));
  }
}

INSTANTIATE_TEST_SUITE_P(SampleBases, MassRepostDifferentialTest, ::testing::Values(1U, 2U));

}  // namespace
}  // namespace tir::posting::test
