// Random documents of every type posted, unposted, re-posted and deleted in random order: the
// balances stay equal to the movements, only posted documents own register rows, and posting a
// document again leaves the registers as they were.
#include <algorithm>
#include <random>
#include <set>
#include <sstream>

#include "db/query.h"
#include "tests/posting/posting_fixture.h"

namespace tir::posting::test {
namespace {

using Table = std::vector<std::vector<double>>;

// Document types of the random documents; production twice (one of them shares costs).
constexpr int kTypes[] = {1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 13, 14, 15, 3};

class PostingInvariantTest : public PostingTest {
 protected:
  void SetUp() override {
    for (int i = 0; i < 4; ++i) goods_.push_back(AddGood());
    goods_.push_back(500);  // a good without balance rows
    stores_ = {AddStore(), AddStore()};
    entities_ = {AddEntity(), AddEntity()};
    Exec("INSERT INTO tirCashAccounts (fId, fName, fType) VALUES (1, 'cash', 0), (2, 'bonus', 1);");
    engine().RebuildStoresFull();
  }

  Table Read(const std::string& sql) {
    db::Query q(conn());
    q.SetSql(sql);
    q.Open();
    Table t;
    for (; !q.Eof(); q.Next()) {
      std::vector<double> row;
      for (std::size_t i = 0; i < q.FieldCount(); ++i) row.push_back(q.FieldByIndex(i).AsDouble());
      t.push_back(std::move(row));
    }
    return t;
  }

  Table Registers() {
    Table t = Read(
        "SELECT fDocId, fEntId, fStoreId, fGoodId, fOperType, fSign, fQtty, fSum, fPosGoodId, "
        "fContractId, fTransactId, 0 FROM tirAStore ORDER BY fDocId, fId;");
    for (auto& r : Read("SELECT fDocId, fEntId, fPartId, fContractId, fTransactId, fSign, fSum, "
                        "fStoreId, fOperType, 1, 0, 0 FROM tirAMSettlement ORDER BY fDocId, fId;"))
      t.push_back(r);
    for (auto& r : Read("SELECT fDocId, fEntId, fPartId, fContractId, fTransactId, fSign, fSum, "
                        "fStoreId, fOperType, fCashAccountId, fItemCost, 2 FROM tirAPayments "
                        "ORDER BY fDocId, fId;"))
      t.push_back(r);
    for (auto& r : Read("SELECT fEntId, fStoreId, fGoodId, fQtty, fSum FROM tirAStoreNow ORDER "
                        "BY fEntId, fStoreId, fGoodId;"))
      t.push_back(r);
    return t;
  }

  static bool Same(const Table& a, const Table& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (a[i].size() != b[i].size()) return false;
      for (std::size_t j = 0; j < a[i].size(); ++j) {
        if (std::abs(a[i][j] - b[i][j]) > 1e-7) return false;
      }
    }
    return true;
  }

  void CheckInvariants(const std::string& step) {
    for (const auto& row : Read("SELECT DISTINCT fOperType FROM tirAStore;")) {
      seenOperTypes_.insert(static_cast<int>(row[0]));
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStoreNow n WHERE "
                    "abs(n.fQtty - ifnull((SELECT SUM(a.fQtty * a.fSign) FROM tirAStore a WHERE "
                    "a.fEntId = n.fEntId AND a.fStoreId = n.fStoreId AND a.fGoodId = n.fGoodId), "
                    "0)) > 0.000001 OR "
                    "abs(n.fSum - ifnull((SELECT SUM(a.fSum * a.fSign) FROM tirAStore a WHERE "
                    "a.fEntId = n.fEntId AND a.fStoreId = n.fStoreId AND a.fGoodId = n.fGoodId), "
                    "0)) > 0.000001;"),
              0)
        << step;
    for (const char* table : {"tirAStore", "tirAMSettlement", "tirAPayments"}) {
      EXPECT_EQ(Count(std::string("SELECT COUNT(*) FROM ") + table +
                      " r LEFT JOIN tirDocuments d ON d.fId = r.fDocId "
                      "WHERE d.fId IS NULL OR d.fState <> 0;"),
                0)
          << step << " " << table;
    }
  }

  std::int64_t NewRandomDocument(std::mt19937& rng) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto amount = [&](int max) { return (1 + pick(max * 4)) / 4.0; };
    DocFields d;
    // The first documents take every type in turn, later ones a random type.
    d.type = created_ < std::size(kTypes) ? kTypes[created_] : kTypes[pick(std::size(kTypes))];
    ++created_;
    d.state = pick(2) == 0 ? 3 : 1;
    d.entity = entities_[pick(2)];
    d.store = stores_[pick(2)];
    d.store2 = stores_[pick(2)];
    d.partner = pick(3) == 0 ? 0 : 7;
    d.contract = 1 + pick(2);
    d.transact = pick(3);
    d.cashAccount = 1 + pick(2);
    d.docSum = pick(4) == 0 ? 0 : amount(50);
    d.currRate = pick(2) == 0 ? 1 : 2.5;
    d.tagInt = d.type == 13 && pick(2) == 0 ? 2 : 0;
    d.dateTime = 45000 + pick(30) + pick(24) / 24.0;
    std::vector<LineFields> lines;
    const int count = created_ <= std::size(kTypes) ? 4 : pick(5);
    for (int i = 0; i < count; ++i) {
      LineFields l;
      l.good = goods_[pick(static_cast<int>(goods_.size()))];
      l.qtty = amount(5);
      l.sum = amount(40);
      l.priceIn = amount(10);
      l.discount = pick(3) == 0 ? 0 : amount(6) - 3;
      l.typeInDoc = 1 + pick(2);
      l.posId = 1 + pick(3);
      lines.push_back(l);
    }
    return AddDoc(d, lines);
  }

  void RunRandomScenario(unsigned seed, int steps) {
    std::mt19937 rng(seed);
    std::vector<std::int64_t> docs;
    static const int kCommands[] = {kPostOn, kPostOn, kPostOff, kPostDelete, kPostRepost};
    // One document of every type first, each posted at once.
    for (std::size_t i = 0; i < std::size(kTypes); ++i) {
      docs.push_back(NewRandomDocument(rng));
      Post(docs.back(), kPostOn);
      CheckInvariants("first posting of " + std::to_string(docs.back()));
    }
    for (int step = 0; step < steps; ++step) {
      std::ostringstream what;
      if (docs.empty() || rng() % 4 == 0) {
        docs.push_back(NewRandomDocument(rng));
        what << "new " << docs.back();
        CheckInvariants(what.str());
        continue;
      }
      const std::int64_t id = docs[rng() % docs.size()];
      const int on = kCommands[rng() % std::size(kCommands)];
      what << "seed " << seed << " step " << step << " doc " << id << " cmd " << on;
      Post(id, on);
      CheckInvariants(what.str());
      if (on == kPostOn) {
        const Table once = Registers();
        Post(id, on);
        EXPECT_TRUE(Same(once, Registers())) << what.str() << " posted twice";
      }
    }
    // Re-posting everything in date order and rebuilding agree with the running balances.
    db::Query all(conn());
    all.SetSql("SELECT * FROM tirDocuments ORDER BY fDateTime, fId;");
    all.Open();
    for (; !all.Eof(); all.Next()) engine().ProvodkaOpened(all, kPostRepost, false);
    CheckInvariants("repost all");
    // Every kind of movement was met on the way: 1, 2, 8-12, 13, -13 and 14.
    const std::set<int> allOperTypes{1, 2, 8, 9, 10, 11, 12, 13, -13, 14};
    EXPECT_EQ(seenOperTypes_, allOperTypes) << "seed " << seed;
    EXPECT_GT(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
    EXPECT_GT(Count("SELECT COUNT(*) FROM tirAPayments;"), 0);
    const Table running = Registers();
    engine().RebuildStoresFull();
    EXPECT_TRUE(Same(running, Registers())) << "rebuild after seed " << seed;
  }

  std::vector<std::int64_t> goods_, stores_, entities_;
  std::set<int> seenOperTypes_;
  std::size_t created_ = 0;
};

TEST_F(PostingInvariantTest, RandomScenarioSeed1) { RunRandomScenario(1, 250); }
TEST_F(PostingInvariantTest, RandomScenarioSeed2) { RunRandomScenario(2, 250); }
TEST_F(PostingInvariantTest, RandomScenarioSeed3) { RunRandomScenario(3, 250); }

}  // namespace
}  // namespace tir::posting::test
