// The cashier goods snapshot: the cache entry of one snapshot, a repeated full request answered
// from it, and two builders on two threads sharing it (run this one under ThreadSanitizer too:
// configure with -DTIR_TSAN=ON).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "db/sqlite_connection.h"
#include "export/dm_builder_casher.h"
#include "export/dn_json_builder.h"
#include "tests/export/small_base.h"
#include "tests/support/temp_base.h"

namespace tir::test {
namespace {

using exporting::gDMBuilderCasher;
using exporting::TDNJSonBuilder;
using exporting::TgDMBuilderCasher;

constexpr const char* kMarker = R"("messagedbgtirvalo":{"message":"goods from cache"})";

TEST(CashierSnapshot, HoldsTheTextOfOneSnapshot) {
  TgDMBuilderCasher cache;
  for (const std::int64_t snapshot : {0, 1, 7, -1}) EXPECT_EQ(cache.GetStrGoods(snapshot), "");
  cache.SetNewGoods(7, 2, R"("goods":[1,2])");
  EXPECT_EQ(cache.GetStrGoods(7), R"("goods":[1,2])");
  EXPECT_EQ(cache.GetStrGoods(8), "");
  std::int64_t count = -1, snapshot = -1;
  EXPECT_TRUE(cache.IfNotOldSnapShot(0, count, snapshot));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(snapshot, 7);
}

TEST(CashierSnapshot, ReadersNeverSeeAHalfStoredEntry) {
  TgDMBuilderCasher cache;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 1; i <= 2000; ++i) cache.SetNewGoods(i % 2, i, "text of " + std::to_string(i % 2));
    done = true;
  });
  int mismatches = 0;
  while (!done.load()) {
    for (const std::int64_t snapshot : {0, 1}) {
      const std::string text = cache.GetStrGoods(snapshot);
      const auto shared = cache.GetSharedGoods(snapshot);
      if (!text.empty() && text != "text of " + std::to_string(snapshot)) ++mismatches;
      if (shared && exporting::JoinPieces(*shared) != "text of " + std::to_string(snapshot)) {
        ++mismatches;
      }
    }
  }
  writer.join();
  EXPECT_EQ(mismatches, 0);
}

// The "goods" member of an export text, from its key to the end of its array.
std::string GoodsOf(const std::string& text) {
  const auto from = text.find("\"goods\":");
  const auto to = text.find("],\"", from);
  return from == std::string::npos ? std::string() : text.substr(from, to - from + 1);
}

std::string FullGoodsRequest(db::Connection& connection) {
  TDNJSonBuilder builder(connection);
  builder.SetRunMode(kRunDefault);
  builder.SetAddGoodsFull();
  builder.RunBuildProcess();
  EXPECT_EQ(builder.ErrorText(), "");
  return builder.Text();
}

TEST(CashierSnapshot, SecondFullRequestIsAnsweredFromTheCache) {
  TempBase base;
  FillSmallBase(base.conn());
  base.conn().ExecScript("UPDATE tirSettings SET fPI = 101 WHERE fMId = 0 AND fPType = -30;");
  const std::int64_t stored = gDMBuilderCasher().StoreCount();
  const std::string first = FullGoodsRequest(base.conn());
  EXPECT_EQ(gDMBuilderCasher().StoreCount(), stored + 1);
  // The cache looks at the counter only: a change that left it as it was is not seen.
  const std::string snapshot = std::to_string(tir::test::ScalarInt(
      base.conn(), "SELECT fPI FROM tirSettings WHERE fPType = -30"));  // after GUID completion
  base.conn().ExecScript("UPDATE tirGoods SET fName = 'changed'; UPDATE tirSettings SET fPI = " +
                         snapshot + " WHERE fPType = -30;");
  const std::string second = FullGoodsRequest(base.conn());
  EXPECT_EQ(first.find(kMarker), std::string::npos);
  EXPECT_NE(second.find(kMarker), std::string::npos);
  EXPECT_EQ(GoodsOf(second), GoodsOf(first));
  EXPECT_EQ(gDMBuilderCasher().StoreCount(), stored + 1);

  base.conn().ExecScript("UPDATE tirSettings SET fPI = fPI + 1 WHERE fPType = -30;");
  const std::string third = FullGoodsRequest(base.conn());  // a new snapshot is built again
  EXPECT_EQ(third.find(kMarker), std::string::npos);
  EXPECT_NE(third.find("changed"), std::string::npos);
}

TEST(CashierSnapshot, TwoThreadsShareOneStoredText) {
  TempBase base;
  FillSmallBase(base.conn());
  base.conn().ExecScript("UPDATE tirSettings SET fPI = 201 WHERE fMId = 0 AND fPType = -30;");
  const std::int64_t stored = gDMBuilderCasher().StoreCount();
  constexpr int kRequests = 6;
  std::atomic<int> ready{0};
  std::string texts[2][kRequests];
  const auto client = [&](int thread) {
    auto connection = db::SqliteConnection::Open(base.path());
    ++ready;
    while (ready.load() < 2) std::this_thread::yield();
    for (int i = 0; i < kRequests; ++i) texts[thread][i] = FullGoodsRequest(*connection);
  };
  std::thread a(client, 0), b(client, 1);
  a.join();
  b.join();
  // At most one build per thread (when both miss at once); every later request reads the cache.
  const std::int64_t builds = gDMBuilderCasher().StoreCount() - stored;
  EXPECT_GE(builds, 1);
  EXPECT_LE(builds, 2);
  int fromCache = 0;
  for (const auto& thread : texts) {
    for (const std::string& text : thread) {
      fromCache += text.find(kMarker) != std::string::npos ? 1 : 0;
      EXPECT_EQ(GoodsOf(text), GoodsOf(texts[0][0]));
    }
  }
  EXPECT_EQ(fromCache, std::int64_t{2} * kRequests - builds);
}

}  // namespace
}  // namespace tir::test
