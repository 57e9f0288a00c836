// A retail chain over loopback: a head office served by tirdex serve and shops that sync with it,
// with writers on both sides and syncs or the service killed at random moments.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/exchange/chain_harness.h"
#include "tests/support/temp_base.h"

namespace tir::test {
namespace {

// The demo base's stores and entities the scoped shops are given.
constexpr int kStoreA = 2, kStoreB = 4, kEntity = 1;

struct Shop {
  std::string name, token, base;
  int store = 0, entity = 0;  // where its sales go; the scope of a scoped shop
  bool scoped = false, readOnly = false;
  std::vector<std::string> sales;  // "guid1|guid2|" of the sales it created
};

// The documents of a base, by GUID, with what a change moves; pWhere filters on tirDocuments t.
std::string Docs(const std::string& base, const std::string& pWhere = "1=1") {
  return SqlRows(base,
                 "SELECT t.fGUID1, t.fGUID2, round(t.fDocSum, 2), t.fDesc, t.fDocType, "
                 "(SELECT count(*) FROM tirDocGoods g WHERE g.fDocId = t.fId AND t.fDocType NOT "
                 "IN (4,5)) FROM tirDocuments t WHERE " +
                     pWhere + " ORDER BY 1, 2;");
}

std::string Prices(const std::string& base) {
  return SqlRows(base, "SELECT fGUID1, fGUID2, round(fPriceOut1, 2) FROM tirGoods ORDER BY 1, 2;");
}

std::string HeadOfficeGoods(const std::string& base) {
  return SqlRows(base,
                 "SELECT fGUID1, fGUID2, fName, round(fPriceOut1, 2), fGroupId FROM tirGoods "
                 "ORDER BY 1, 2;");
}

class Chain : public ::testing::Test {
 protected:
  void SetUp() override {
    ho_ = std::make_unique<THeadOffice>(60);
    const std::string& b = ho_->Base();
    // Every document of the head office counts as new for the peers.
    ExecSql(b, "UPDATE tirDocuments SET fSyncDate=NULL, fSyncState=0;");
    storeA_ = ho_->Guid("tirStores", kStoreA);
    storeB_ = ho_->Guid("tirStores", kStoreB);
    entity_ = ho_->Guid("tirEntities", kEntity);
    const std::string ent = std::to_string(kEntity);
    AddShop("shop-a", {"--doc-sync", "--stores", std::to_string(kStoreA), "--entities", ent},
            {storeA_, entity_, false}, kStoreA, true, false);
    AddShop("shop-b", {"--doc-sync", "--stores", std::to_string(kStoreB), "--entities", ent},
            {storeB_, entity_, false}, kStoreB, true, false);
    AddShop("shop-all", {"--doc-sync", "--users"}, {"", "", true}, 3, false, false);
    AddShop("shop-ro", {"--doc-sync", "--read-only"}, {"", "", false}, 5, false, true);
    ho_->StartService();
  }
  void TearDown() override {
    // Checked however the test ended: no answer ever left the asking peer's scope.
    EXPECT_EQ(ho_->Proxy().Violations(), std::vector<std::string>{});
    for (const Shop& s : shops_) tir::test::RemoveBaseFiles(s.base);
  }

  void AddShop(const std::string& name, const std::vector<std::string>& args, TPeerScope scope,
               int store, bool scoped, bool readOnly) {
    Shop s{name, "chain-token-" + name, tir::test::TempPath(), store, kEntity, scoped, readOnly,
           {}};
    ho_->AddToken(name, s.token, args, scope);
    ASSERT_EQ(tir::test::RunTirdex(tir::test::TirdexFile(), {"schema", s.base}).rc, 0);
    shops_.push_back(s);
  }

  std::vector<std::string> SyncArgs(const Shop& s) const {
    std::vector<std::string> args = {"sync",  s.base,      ho_->Url(), "--token",
                                     s.token, "--timeout", "30"};
    if (s.readOnly) args.push_back("--no-push");
    return args;
  }
  TirdexRun Sync(const Shop& s, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = SyncArgs(s);
    args.insert(args.end(), extra.begin(), extra.end());
    return tir::test::RunTirdex(tir::test::TirdexFile(), args);
  }

  // The documents of the head office that a shop's scope holds.
  std::string ScopeFilter(const Shop& s) const {
    if (!s.scoped) return "1=1";
    const std::string store = std::to_string(s.store);
    return "(t.fStoreId = " + store + " OR t.fStoreId2 = " + store +
           ") AND t.fEntityId = " + std::to_string(s.entity);
  }

  // A sale of the shop's store and entity, with a GUID of its own.
  void InsertSale(Shop& s, int n) {
    const auto guid1 = [&](const char* table, int id) {
      return "fGUID1=" +
             std::to_string(SqlInt(ho_->Base(), std::string("SELECT fGUID1 FROM ") + table +
                                                    " WHERE fId=" + std::to_string(id) + ";"));
    };
    tir::test::TSale sale{std::to_string(700000 + n), std::to_string(900000 + s.store)};
    sale.store = guid1("tirStores", s.store);
    sale.entity = guid1("tirEntities", s.entity);
    sale.desc = "sale " + s.name;
    sale.num = 50000 + n;
    sale.good = n % 20;
    tir::test::InsertSale(s.base, sale);
    s.sales.push_back(sale.g1 + "|" + sale.g2 + "|");
  }

  // A new document of the head office (a copy of a sale with its lines), a changed one and a
  // changed price, all by plain SQL.
  void HeadOfficeWrites(std::mt19937& rng, int round) {
    const std::string& b = ho_->Base();
    const int stores[] = {kStoreA, kStoreB, 3, 5};
    const std::string store = std::to_string(stores[rng() % 4]);
    const std::string entity = std::to_string(1 + rng() % 2);
    const std::string g1 = std::to_string(300000 + round), g2 = "4242";
    const std::int64_t source = SqlInt(b, "SELECT min(fId) FROM tirDocuments WHERE fDocType=2;");
    const std::string columns =
        "fDocNum, fDateTime, fRealDateTime, fPartnerId, fContractId, fUserId, fRealUserId, "
        "fDocType, fDocSum, fCurrId, fCurrRate, fState";
    ExecSql(b, "INSERT INTO tirDocuments (" + columns +
                   ", fStoreId, fEntityId, fDesc, fGUID1, fGUID2) SELECT " + columns + ", " +
                   store + ", " + entity + ", 'head office " + std::to_string(round) + "', " + g1 +
                   ", " + g2 + " FROM tirDocuments WHERE fId=" + std::to_string(source) + ";");
    const std::string lines =
        "fGoodId, fPriceIn, fPriceOut, fDiscount, fCurrId, fUnitType, fSum, fQtty, fVatSum, "
        "fTypeInDoc, fPosId";
    ExecSql(b, "INSERT INTO tirDocGoods (fDocId, " + lines +
                   ") SELECT (SELECT fId FROM tirDocuments WHERE fGUID1=" + g1 +
                   " AND fGUID2=" + g2 + "), " + lines +
                   " FROM tirDocGoods WHERE fDocId=" + std::to_string(source) + ";");
    const std::int64_t docs = SqlInt(b, "SELECT count(*) FROM tirDocuments;");
    ExecSql(b, "UPDATE tirDocuments SET fDesc='changed " + std::to_string(round) +
                   "', fDocSum=fDocSum+1 WHERE fId=(SELECT fId FROM tirDocuments ORDER BY fId "
                   "LIMIT 1 OFFSET " +
                   std::to_string(rng() % docs) + ");");
    ExecSql(b,
            "UPDATE tirGoods SET fPriceOut1=fPriceOut1+1 WHERE fId=(SELECT fId FROM tirGoods "
            "ORDER BY fId LIMIT 1 OFFSET " +
                std::to_string(rng() % 60) + ");");
  }

  std::unique_ptr<THeadOffice> ho_;
  std::vector<Shop> shops_;
  std::string storeA_, storeB_, entity_;
};

int Rounds() {
  const char* text = std::getenv("TIR_CHAIN_ROUNDS");
  return text != nullptr ? std::max(1, std::atoi(text)) : 30;
}

TEST_F(Chain, ShopsAndHeadOfficeConvergeThroughKilledSyncsAndServices) {
  std::mt19937 rng(2107);
  const std::string& b = ho_->Base();
  int killedSyncs = 0, killedServices = 0, sale = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(8);
  // The shops open with the head office's catalogs, which their sales name.
  for (const Shop& s : shops_) ASSERT_EQ(Sync(s).rc, 0) << s.name;
  for (int round = 0; round < Rounds(); ++round) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "round " << round;
    HeadOfficeWrites(rng, round);
    for (Shop& s : shops_)
      if (!s.readOnly) InsertSale(s, ++sale);
    const bool kill = round % 3 == 2;
    const std::size_t victim = rng() % (shops_.size() + 1);  // the last one: the service
    const int delayMs = static_cast<int>(rng() % 400);
    for (std::size_t i = 0; i < shops_.size(); ++i) {
      if (kill && victim == i) {
        auto p = tir::test::StartTirdex(tir::test::TirdexFile(), SyncArgs(shops_[i]));
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        tir::test::StopTirdex(p, SIGKILL, 10);
        ++killedSyncs;
        continue;
      }
      if (kill && victim == shops_.size() && i == 1) {
        std::thread killer([&] {
          std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
          ho_->KillService();
        });
        Sync(shops_[i]);  // may fail: the service died under it
        killer.join();
        ho_->StartService();
        ++killedServices;
        continue;
      }
      const TirdexRun run = Sync(shops_[i]);
      ASSERT_EQ(run.rc, 0) << shops_[i].name << " round " << round << ": " << run.err;
    }
  }
  const std::string goods = HeadOfficeGoods(b);
  // Two quiet rounds: the sales of the last round reach the head office and then every shop.
  for (int quiet = 0; quiet < 2; ++quiet)
    for (const Shop& s : shops_) {
      const TirdexRun run = Sync(s);
      ASSERT_EQ(run.rc, 0) << s.name << ": " << run.err;
    }

  EXPECT_GT(killedSyncs + killedServices, Rounds() / 3 - 1);
  EXPECT_GT(ho_->Proxy().DocsChecked(), 0);
  // Shops write documents only: the head office's goods are as its own writes left them.
  EXPECT_EQ(tir::test::RowDiff(goods, HeadOfficeGoods(b)), "");
  for (const Shop& s : shops_) {
    SCOPED_TRACE(s.name);
    EXPECT_EQ(tir::test::RowDiff(Docs(b, ScopeFilter(s)), Docs(s.base)), "");
    EXPECT_EQ(SqlRows(s.base,
                      "SELECT fGUID1, fGUID2 FROM tirDocuments GROUP BY fGUID1, fGUID2 HAVING "
                      "count(*) > 1;"),
              "");
    EXPECT_EQ(tir::test::RowDiff(Prices(b), Prices(s.base)), "");
    for (const std::string& g : s.sales)
      EXPECT_EQ(SqlRows(b,
                        "SELECT fGUID1, fGUID2 FROM tirDocuments WHERE fGUID1 || '|' || "
                        "fGUID2 || '|' = '" +
                            g + "';"),
                g + "\n");
  }
}

}  // namespace
}  // namespace tir::test
