// Mass re-posting benchmark: on one generated sample base, copied three ways, it times
//   1. re-posting every document one by one (command 20, committing every 500 documents, as
//      `tirdex post --all --cmd 20 --rebuild` does),
//   2. the mass re-posting of the same documents (`tirdex repost --full`, chunks of 500),
//   3. the raw array insert of the register rows the mass re-posting wrote, in arrays of 20000,
// and prints the ratios 1/2 (the aim: at least 20) and 2/3 (the aim: at most 2), wall-clock and
// CPU. With --check it fails unless both postings leave the same registers and states.
//
//   mass_repost_bench [--goods N] [--docs N] [--seed N] [--cache-mb N] [--check]
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "db/query.h"
#include "db/sqlite_connection.h"
#include "db/value.h"
#include "frame/app_globals.h"
#include "host/demo/demo_base.h"
#include "host/schema/schema.h"
#include "posting/main_provodka.h"
#include "posting/mass_repost_run.h"

namespace {

using tir::bench::Clock;
using tir::bench::CpuSeconds;
using tir::bench::Scalar;
using tir::bench::Seconds;

struct Options {
  std::int64_t goods = 1000;
  std::int64_t docs = 2000;
  std::uint64_t seed = 1;
  std::int64_t cacheMb = 0;  // 0: SQLite's default page cache
  bool check = false;
};

bool ParseArgs(int argc, char** argv, Options& o) {
  using tir::bench::Switch;
  using tir::bench::Value;
  return tir::bench::ParseOptions(
             argc, argv,
             {Value("--goods", o.goods), Value("--docs", o.docs), Value("--seed", o.seed),
              Value("--cache-mb", o.cacheMb), Switch("--check", o.check)},
             "mass_repost_bench [--goods N] [--docs N] [--seed N] [--cache-mb N] [--check]") &&
         o.goods > 0 && o.docs > 0 && o.cacheMb >= 0;
}

std::unique_ptr<tir::db::SqliteConnection> OpenBase(const std::string& path, const Options& o) {
  auto conn = tir::db::SqliteConnection::Open(path);
  if (o.cacheMb > 0)
    conn->ExecScript("PRAGMA cache_size=-" + std::to_string(o.cacheMb * 1024) + ";");
  return conn;
}

// What both postings must leave alike: row counts, signed totals and the documents by state.
std::string RegisterSummary(tir::db::Connection& c) {
  tir::db::Query q(c);
  q.SetSql(
      "SELECT (SELECT COUNT(*) FROM tirAStore), (SELECT printf('%.2f', SUM(fSign * fSum)) FROM "
      "tirAStore), (SELECT printf('%.2f', SUM(fSum)) FROM tirAStoreNow), (SELECT "
      "printf('%.3f', SUM(fQtty)) FROM tirAStoreNow), (SELECT COUNT(*) FROM tirAMSettlement), "
      "(SELECT printf('%.2f', SUM(fSign * fSum)) FROM tirAMSettlement), (SELECT COUNT(*) FROM "
      "tirAPayments), (SELECT group_concat(fState || ':' || n) FROM (SELECT fState, COUNT(*) AS n "
      "FROM tirDocuments GROUP BY fState));");
  q.Open();
  std::string text;
  for (std::size_t i = 0; i < q.FieldCount(); ++i) {
    text += (i > 0 ? " " : "") + (q.FieldByIndex(i).IsNull() ? "-" : q.FieldByIndex(i).AsText());
  }
  return text;
}

// One register's rows as read back, with the insert that writes them again.
struct RegisterRows {
  const char* insert;
  std::vector<std::vector<tir::db::Value>> rows;
};

RegisterRows ReadRows(tir::db::Connection& c, const char* table, const char* columns,
                      const char* insert) {
  RegisterRows r{insert, {}};
  tir::db::Query q(c);
  q.SetSql(std::string("SELECT ") + columns + " FROM " + table + " ORDER BY fId;");
  q.Open();
  for (; !q.Eof(); q.Next()) {
    std::vector<tir::db::Value> row;
    for (std::size_t i = 0; i < q.FieldCount(); ++i) row.push_back(q.FieldByIndex(i).Get());
    r.rows.push_back(std::move(row));
  }
  return r;
}

// Inserts the rows in arrays of 20000, one transaction per array; returns the wall seconds.
double InsertRaw(tir::db::Connection& c, const RegisterRows& r) {
  constexpr std::size_t kArray = 20000;
  tir::db::Query q(c);
  q.SetSql(r.insert);
  const auto start = Clock::now();
  for (std::size_t begin = 0; begin < r.rows.size(); begin += kArray) {
    const std::size_t n = std::min(kArray, r.rows.size() - begin);
    c.StartTransaction();
    q.SetArraySize(n);
    for (std::size_t p = 0; p < q.ParamCount(); ++p) {
      tir::db::Param& param = q.ParamByIndex(p);
      for (std::size_t i = 0; i < n; ++i) param.SetAt(i, r.rows[begin + i][p]);
    }
    q.ExecuteArray();
    c.Commit();
  }
  return Seconds(start);
}

struct Timing {
  double wall = 0, cpu = 0;
};

template <typename Work>
Timing Timed(Work work) {
  const double cpu = CpuSeconds();
  const auto start = Clock::now();
  work();
  return {Seconds(start), CpuSeconds() - cpu};
}

int Run(const Options& o) {
  const std::string stem = (std::filesystem::temp_directory_path() /
                            ("tir_mass_repost_bench_" + std::to_string(::getpid())))
                               .string();
  const std::string single = stem + "_single.sqlite", mass = stem + "_mass.sqlite";
  const auto remove = [&] {
    for (const std::string& p : {single, mass}) {
      for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(p + tail);
    }
  };
  remove();
  tir::frame::gAppParams.fUserID = 1;
  int rc = 0;
  {
    auto conn = tir::db::SqliteConnection::Open(single);
    const auto start = Clock::now();
    tir::bench::CreateSampleBase(*conn, o.goods, o.docs, o.seed);
    // Every document but those of type 3 (nothing to post) waits for its first posting.
    conn->ExecScript("UPDATE tirDocuments SET fState = 3 WHERE fDocType <> 3;");
    std::printf("sample base: %lld goods, %lld documents, %lld lines (generated in %.1f s)\n",
                static_cast<long long>(Scalar(*conn, "SELECT COUNT(*) FROM tirGoods;")),
                static_cast<long long>(Scalar(*conn, "SELECT COUNT(*) FROM tirDocuments;")),
                static_cast<long long>(Scalar(*conn, "SELECT COUNT(*) FROM tirDocGoods;")),
                Seconds(start));
    conn->ExecScript("PRAGMA wal_checkpoint(TRUNCATE);");
  }
  std::filesystem::copy_file(single, mass);
  const double lines = [&] {
    auto c = tir::db::SqliteConnection::Open(mass);
    return static_cast<double>(Scalar(*c, "SELECT COUNT(*) FROM tirDocGoods;"));
  }();

  std::string singleSummary, massSummary;
  Timing one, bulk, raw;
  std::size_t rawRows = 0;
  {
    auto conn = OpenBase(single, o);
    tir::posting::TDMMainProvodka engine;
    engine.SetConnectToDB(conn.get());
    const std::vector<std::int64_t> ids = tir::bench::DocumentsInDateOrder(*conn);
    one = Timed([&] {
      engine.RebuildStoresFull();
      tir::bench::TimedInChunks(*conn, ids.size(), 500, [&](std::size_t i) {
        engine.Provodka(ids[i], tir::kPostRepost, false, false);
      });
    });
    singleSummary = RegisterSummary(*conn);
  }
  {
    auto conn = OpenBase(mass, o);
    tir::posting::TDMMainProvodka engine;
    engine.SetConnectToDB(conn.get());
    tir::posting::TMassRepostOptions run;
    run.full = true;
    run.chunk = 500;
    bulk = Timed([&] { tir::posting::RunMassRepost(engine, *conn, run); });
    massSummary = RegisterSummary(*conn);

    // The baseline: the same register rows written again with nothing else to do.
    std::vector<RegisterRows> registers;
    registers.push_back(ReadRows(
        *conn, "tirAStore",
        "fEntId,fStoreId,fGoodId,fPartId,fDateTime,fOperType,fDocId,fSign,fQtty,fSum,fPosGoodId,"
        "fContractId,fTransactId",
        "INSERT INTO tirAStore (fEntId,fStoreId,fGoodId,fPartId,fDateTime,fOperType,fDocId,fSign,"
        "fQtty,fSum,fPosGoodId,fContractId,fTransactId) VALUES (:p1,:p2,:p3,:p4,:p5,:p6,:p7,:p8,"
        ":p9,:p10,:p11,:p12,:p13);"));
    registers.push_back(ReadRows(
        *conn, "tirAMSettlement",
        "fContractId,fTransactId,fEntId,fPartId,fDocId,fSign,fSum,fDateTime,fStoreId,fOperType",
        "INSERT INTO tirAMSettlement (fContractId,fTransactId,fEntId,fPartId,fDocId,fSign,fSum,"
        "fDateTime,fStoreId,fOperType) VALUES (:p1,:p2,:p3,:p4,:p5,:p6,:p7,:p8,:p9,:p10);"));
    registers.push_back(ReadRows(
        *conn, "tirAPayments",
        "fContractId,fTransactId,fEntId,fPartId,fDocId,fSign,fSum,fDateTime,fOperType,"
        "fCashAccountId,fStoreId,fItemCost",
        "INSERT INTO tirAPayments (fContractId,fTransactId,fEntId,fPartId,fDocId,fSign,fSum,"
        "fDateTime,fOperType,fCashAccountId,fStoreId,fItemCost) VALUES (:p1,:p2,:p3,:p4,:p5,:p6,"
        ":p7,:p8,:p9,:p10,:p11,:p12);"));
    engine.ClearAllRegisters();
    conn->ExecScript("PRAGMA wal_checkpoint(TRUNCATE);");
    raw = Timed([&] {
      for (const RegisterRows& r : registers) InsertRaw(*conn, r);
    });
    for (const RegisterRows& r : registers) rawRows += r.rows.size();
  }

  std::printf("one by one (command 20):   %8.2f s wall, %8.2f s CPU, %6.2f us per line\n", one.wall,
              one.cpu, one.wall / lines * 1e6);
  std::printf("mass re-posting (--full):  %8.2f s wall, %8.2f s CPU, %6.2f us per line\n",
              bulk.wall, bulk.cpu, bulk.wall / lines * 1e6);
  std::printf("raw array insert of %zu register rows (arrays of 20000): %.2f s wall, %.2f s CPU\n",
              rawRows, raw.wall, raw.cpu);
  std::printf("one by one / mass: %.1f wall, %.1f CPU (aim >= 20)\n", one.wall / bulk.wall,
              one.cpu / bulk.cpu);
  std::printf("mass / raw insert: %.2f wall, %.2f CPU (aim <= 2)\n", bulk.wall / raw.wall,
              bulk.cpu / raw.cpu);
  if (o.check && (singleSummary != massSummary || rawRows == 0)) {
    std::fprintf(stderr, "check failed:\n  one by one: %s\n  mass:       %s\n",
                 singleSummary.c_str(), massSummary.c_str());
    rc = 1;
  }
  remove();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) return 2;
  return tir::bench::Reported("mass_repost_bench", [&] { return Run(o); });
}
