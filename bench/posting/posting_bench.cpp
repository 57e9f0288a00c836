// Posting benchmark: posts every document of a generated sample base one by one (as the loader
// and `tirdex post --all` do) and compares the cost per document line with the raw array insert
// of the same stock register rows, measured in the same run on the same base.
//
//   posting_bench [--goods N] [--docs N] [--seed N] [--keep FILE] [--check]
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "db/query.h"
#include "db/sqlite_connection.h"
#include "frame/app_globals.h"
#include "host/demo/demo_base.h"
#include "host/schema/schema.h"
#include "posting/main_provodka.h"
#include "posting/register_rows.h"

namespace {

using tir::bench::Clock;
using tir::bench::DocumentsInDateOrder;
using tir::bench::Scalar;
using tir::bench::Seconds;
using tir::posting::TStoreMovement;

constexpr std::size_t kCommitEvery = 500;

// Wall and CPU seconds of one timed pass.
struct Timed {
  double wall = 0;
  double cpu = 0;
};

template <typename Step>
Timed TimedInChunks(tir::db::Connection& c, std::size_t count, Step step) {
  const double cpu = tir::bench::CpuSeconds();
  const double wall = tir::bench::TimedInChunks(c, count, kCommitEvery, step);
  return {wall, tir::bench::CpuSeconds() - cpu};
}

// The stock rows the posting wrote, grouped by document in writing order.
std::vector<std::vector<TStoreMovement>> MovementsByDocument(tir::db::Connection& c) {
  tir::db::Query q(c);
  q.SetSql(
      "SELECT fEntId, fStoreId, fGoodId, fDateTime, fOperType, fDocId, fSign, fQtty, fSum, "
      "fPosGoodId, fContractId, fTransactId FROM tirAStore ORDER BY fDocId, fId;");
  q.Open();
  std::vector<std::vector<TStoreMovement>> docs;
  std::int64_t current = -1;
  for (; !q.Eof(); q.Next()) {
    TStoreMovement m;
    m.fEntId = q.FieldByIndex(0).AsInt64();
    m.fStoreId = q.FieldByIndex(1).AsInt64();
    m.fGoodId = q.FieldByIndex(2).AsInt64();
    m.fDateTime = q.FieldByIndex(3).AsDateTime();
    m.fOperType = q.FieldByIndex(4).AsInt32();
    m.fDocId = q.FieldByIndex(5).AsInt64();
    m.fSign = q.FieldByIndex(6).AsInt32();
    m.fQtty = q.FieldByIndex(7).AsExtended();
    m.fSum = q.FieldByIndex(8).AsExtended();
    m.fPosGoodId = q.FieldByIndex(9).AsInt64();
    m.fContractId = q.FieldByIndex(10).AsInt64();
    m.fTransactId = q.FieldByIndex(11).AsInt64();
    if (m.fDocId != current) {
      docs.emplace_back();
      current = m.fDocId;
    }
    docs.back().push_back(m);
  }
  return docs;
}

// Register row counts: a re-post must rewrite as many rows as the first posting.
std::string RowCounts(tir::db::Connection& c) {
  return std::to_string(Scalar(c, "SELECT COUNT(*) FROM tirAStore;")) + "/" +
         std::to_string(Scalar(c, "SELECT COUNT(*) FROM tirAMSettlement;")) + "/" +
         std::to_string(Scalar(c, "SELECT COUNT(*) FROM tirAPayments;"));
}

// Balance rows that differ from the signed sums of their movements.
std::int64_t BalanceMismatches(tir::db::Connection& c) {
  return Scalar(c,
                "SELECT COUNT(*) FROM tirAStoreNow n LEFT JOIN (SELECT fEntId, fStoreId, fGoodId, "
                "SUM(fQtty * fSign) AS q, SUM(fSum * fSign) AS s FROM tirAStore GROUP BY fEntId, "
                "fStoreId, fGoodId) a ON a.fEntId = n.fEntId AND a.fStoreId = n.fStoreId AND "
                "a.fGoodId = n.fGoodId WHERE abs(n.fQtty - ifnull(a.q, 0)) > 0.000001 OR "
                "abs(n.fSum - ifnull(a.s, 0)) > 0.0001;");
}

struct Options {
  std::int64_t goods = 1000;
  std::int64_t docs = 2000;
  std::uint64_t seed = 1;
  std::string keep;
  bool check = false;
};

bool ParseArgs(int argc, char** argv, Options& o) {
  using tir::bench::Switch;
  using tir::bench::Value;
  return tir::bench::ParseOptions(
             argc, argv,
             {Value("--goods", o.goods), Value("--docs", o.docs), Value("--seed", o.seed),
              Value("--keep", o.keep), Switch("--check", o.check)},
             "posting_bench [--goods N] [--docs N] [--seed N] [--keep FILE] [--check]") &&
         o.goods > 0 && o.docs > 0;
}

int Run(const Options& o) {
  const std::string path = !o.keep.empty()
                               ? o.keep
                               : (std::filesystem::temp_directory_path() /
                                  ("tir_posting_bench_" + std::to_string(::getpid()) + ".sqlite"))
                                     .string();
  for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(path + tail);
  int rc = 0;
  {
    auto conn = tir::db::SqliteConnection::Open(path);
    auto start = Clock::now();
    tir::bench::CreateSampleBase(*conn, o.goods, o.docs, o.seed);
    std::printf("sample base: %lld goods, %lld documents, %lld lines (generated in %.2f s)\n",
                static_cast<long long>(Scalar(*conn, "SELECT COUNT(*) FROM tirGoods;")),
                static_cast<long long>(Scalar(*conn, "SELECT COUNT(*) FROM tirDocuments;")),
                static_cast<long long>(Scalar(*conn, "SELECT COUNT(*) FROM tirDocGoods;")),
                Seconds(start));

    tir::frame::gAppParams.fUserID = 1;
    tir::posting::TDMMainProvodka engine;
    engine.SetConnectToDB(conn.get());
    start = Clock::now();
    engine.RebuildStoresFull();
    std::printf("balance rebuild: %lld rows in %.3f s\n",
                static_cast<long long>(Scalar(*conn, "SELECT COUNT(*) FROM tirAStoreNow;")),
                Seconds(start));

    const std::vector<std::int64_t> ids = DocumentsInDateOrder(*conn);
    const double lines = static_cast<double>(Scalar(*conn, "SELECT COUNT(*) FROM tirDocGoods;"));
    const Timed post = TimedInChunks(*conn, ids.size(), [&](std::size_t i) {
      engine.Provodka(ids[i], tir::kPostOn, false, false);
    });
    const std::string first = RowCounts(*conn);
    const std::int64_t unposted =
        Scalar(*conn, "SELECT COUNT(*) FROM tirDocuments WHERE fState <> 0 AND fDocType <> 3;");
    const Timed repost = TimedInChunks(*conn, ids.size(), [&](std::size_t i) {
      engine.Provodka(ids[i], tir::kPostOn, false, false);
    });
    const std::string second = RowCounts(*conn);
    const std::int64_t mismatches = BalanceMismatches(*conn);

    // Baseline: the same stock rows written raw, one array execution per document, with the
    // same insert-and-balance statement, after the registers and balances are reset.
    const auto byDoc = MovementsByDocument(*conn);
    std::size_t rows = 0;
    for (const auto& d : byDoc) rows += d.size();
    engine.ClearAllRegisters();
    engine.RebuildStoresFull();
    tir::db::Query write(*conn);
    const Timed raw = TimedInChunks(*conn, byDoc.size(), [&](std::size_t i) {
      tir::posting::WriteStoreMovements(write, byDoc[i]);
    });

    const double n = static_cast<double>(ids.size());
    const double perRow = raw.wall / static_cast<double>(rows);
    const double perRowCpu = raw.cpu / static_cast<double>(rows);
    std::printf("post every document:   %.3f s (CPU %.3f s), %.0f documents/s, %.1f us per line\n",
                post.wall, post.cpu, n / post.wall, post.wall / lines * 1e6);
    std::printf("re-post (remove+write): %.3f s (CPU %.3f s), %.0f documents/s, %.1f us per line\n",
                repost.wall, repost.cpu, n / repost.wall, repost.wall / lines * 1e6);
    std::printf(
        "raw array insert of the same %zu stock rows (%zu arrays): %.3f s (CPU %.3f s), %.1f us "
        "per row\n",
        rows, byDoc.size(), raw.wall, raw.cpu, perRow * 1e6);
    std::printf(
        "ratio posting / raw insert, per line: %.2f (re-post %.2f); CPU %.2f (re-post %.2f)\n",
        (post.wall / lines) / perRow, (repost.wall / lines) / perRow,
        (post.cpu / lines) / perRowCpu, (repost.cpu / lines) / perRowCpu);

    if (o.check) {
      // Every document ends posted, posting again rewrites as many rows, and the balances equal
      // the movements.
      if (unposted != 0 || first != second || rows == 0 || mismatches != 0) {
        std::fprintf(stderr, "check failed: %lld unposted, rows %s / %s, %lld balance mismatches\n",
                     static_cast<long long>(unposted), first.c_str(), second.c_str(),
                     static_cast<long long>(mismatches));
        rc = 1;
      }
    }
  }
  if (o.keep.empty()) {
    for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(path + tail);
  }
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) return 2;
  return tir::bench::Reported("posting_bench", [&] { return Run(o); });
}
