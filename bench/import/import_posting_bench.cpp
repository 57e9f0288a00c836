// A whole exchange file (catalogs, goods, posted documents) loaded into an empty base, the
// documents posted as the load does it, against raw prepared inserts of the same rows into the
// same tables (goods, documents, lines, and the register rows and balances the posting writes),
// in the same run on equal bases.
//
//   import_posting_bench [--goods N] [--docs N] [--seed N] [--check] [--one-by-one]
//
// The sample base, its posting and its export are made with tirdex before anything is timed.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "db/sqlite_connection.h"
#include "host/schema/schema.h"
#include "import/json_loader.h"
#include "import/json_loader_atomic.h"

namespace {

using tir::bench::Clock;
using tir::bench::CpuSeconds;
using tir::bench::Scalar;
using tir::bench::Seconds;

// The tables the baseline writes: what the load writes for goods and documents and what their
// posting writes.
constexpr const char* kTables[] = {"tirGoods",        "tirDocuments", "tirDocGoods", "tirAStore",
                                   "tirAMSettlement", "tirAPayments", "tirAStoreNow"};

struct Options {
  long goods = 2000;
  long docs = 2000;
  unsigned long seed = 1;
  bool check = false;
  bool oneByOne = false;  // post one by one whatever the count (for comparison)
};

struct Timed {
  double wall = 0;
  double cpu = 0;
};

template <typename F>
Timed Time(F work) {
  const double cpu = CpuSeconds();
  const auto start = Clock::now();
  work();
  return {Seconds(start), CpuSeconds() - cpu};
}

void Tirdex(const std::string& args) {
  const std::string command = std::string(TIR_TIRDEX_PATH) + " " + args + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: tirdex " + args);
}

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
  }
}

// Every row of the baseline's tables of `from`, inserted with one prepared statement per table
// into the same tables of `base` in one transaction; returns the rows written.
long long RawInsert(const std::string& base, const std::string& from) {
  auto conn = tir::db::SqliteConnection::Open(base);
  sqlite3* db = conn->Handle();
  Check(sqlite3_exec(db, ("ATTACH DATABASE '" + from + "' AS src;").c_str(), nullptr, nullptr,
                     nullptr),
        db, "attach");
  long long rows = 0;
  const auto run = [&] {
    Check(sqlite3_exec(db, "BEGIN;", nullptr, nullptr, nullptr), db, "begin");
    for (const char* table : kTables) {
      sqlite3_stmt* read = nullptr;
      Check(sqlite3_prepare_v2(db, (std::string("SELECT * FROM src.") + table + ";").c_str(), -1,
                               &read, nullptr),
            db, "read");
      const int columns = sqlite3_column_count(read);
      std::string marks;
      for (int i = 0; i < columns; ++i) marks += i == 0 ? "?" : ",?";
      sqlite3_stmt* write = nullptr;
      Check(sqlite3_prepare_v2(
                db, (std::string("INSERT INTO main.") + table + " VALUES (" + marks + ");").c_str(),
                -1, &write, nullptr),
            db, "write");
      while (sqlite3_step(read) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i)
          sqlite3_bind_value(write, i + 1, sqlite3_column_value(read, i));
        Check(sqlite3_step(write), db, table);
        sqlite3_reset(write);
        ++rows;
      }
      sqlite3_finalize(write);
      sqlite3_finalize(read);
    }
    Check(sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr), db, "commit");
  };
  run();
  return rows;
}

// Register rows, their signed sums and the documents' states: equal on a base posted one by one
// and on the base the load posted.
std::string Totals(tir::db::Connection& c) {
  std::string text;
  for (const char* table : {"tirAStore", "tirAMSettlement", "tirAPayments"}) {
    text +=
        std::string(table) + " " +
        std::to_string(Scalar(c, std::string("SELECT COUNT(*) FROM ") + table)) + " " +
        std::to_string(Scalar(
            c, std::string("SELECT CAST(round(SUM(fSum * fSign), 0) AS INTEGER) FROM ") + table)) +
        "; ";
  }
  return text + "posted " +
         std::to_string(Scalar(c, "SELECT COUNT(*) FROM tirDocuments WHERE fState = 0"));
}

int Run(const Options& o) {
  const std::string dir = std::filesystem::temp_directory_path() /
                          ("tir_import_posting_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string source = dir + "/source.sqlite", file = dir + "/all.json",
                    empty = dir + "/empty.sqlite", imported = dir + "/imported.sqlite",
                    raw = dir + "/raw.sqlite";
  int rc = 0;
  try {
    const auto start = Clock::now();
    Tirdex("demo-base '" + source + "' --goods " + std::to_string(o.goods) + " --docs " +
           std::to_string(o.docs) + " --seed " + std::to_string(o.seed));
    {
      // The exchange sends no document currency (a load stores currency 1 at rate 1), and every
      // document goes as posted.
      auto c = tir::db::SqliteConnection::Open(source);
      c->ExecScript(
          "UPDATE tirDocuments SET fCurrId=1, fCurrRate=1, fState=3 WHERE fDocType <> 3;");
    }
    Tirdex("rebuild-balances '" + source + "'");
    Tirdex("post '" + source + "' --all");
    Tirdex("export '" + source + "' '" + file +
           "' --goods full --contracts --catalogs --docs-period 2000-01-01 2100-12-31");
    {
      auto c = tir::db::SqliteConnection::Open(empty);
      tir::schema::CreateSchema(*c);
    }
    std::filesystem::copy_file(empty, imported);
    std::filesystem::copy_file(empty, raw);
    std::printf("sample: %ld goods, %ld documents, file %.1f MB (prepared in %.1f s)\n", o.goods,
                o.docs, static_cast<double>(std::filesystem::file_size(file)) / 1e6,
                Seconds(start));

    tir::import::TLoadOutcome out;
    const Timed load = Time([&] {
      auto c = tir::db::SqliteConnection::Open(imported);
      tir::import::TDMJsonLoader loader;
      loader.SetConnection(c.get());
      loader.mGoodsPauseMs = 0;
      if (o.oneByOne) loader.mBatchPostingAbove = static_cast<std::size_t>(-1);
      // Where the time goes: each step, and the posting within the documents step.
      auto mark = Clock::now();
      std::string step = "parse";
      const auto lap = [&](const std::string& next) {
        std::printf("  %-10s %7.3f s\n", step.c_str(), Seconds(mark));
        mark = Clock::now();
        step = next;
      };
      loader.mDocsProgress = [&](bool posting, std::size_t done, std::size_t) {
        if (posting && done == 0) lap("posting");
      };
      out = tir::import::RunAtomicLoad(
          loader, *c, file, tir::import::FileLoadSteps(true, true, true, true), false, lap, true);
      lap("");
    });
    if (out.result != tir::import::TLoadResult::kDone) throw std::runtime_error(out.message);
    long long rows = 0;
    const Timed base = Time([&] { rows = RawInsert(raw, imported); });

    std::printf("load of the whole file, documents posted: %.3f s (CPU %.3f s)\n", load.wall,
                load.cpu);
    std::printf("raw inserts of the same %lld rows:  %.3f s (CPU %.3f s)\n", rows, base.wall,
                base.cpu);
    std::printf("ratio load / raw inserts: %.2f (CPU %.2f; target <= 2)\n", load.wall / base.wall,
                load.cpu / base.cpu);
    if (o.check) {
      auto s = tir::db::SqliteConnection::Open(source);
      auto i = tir::db::SqliteConnection::Open(imported);
      const std::string expected = Totals(*s), actual = Totals(*i);
      if (expected != actual || Scalar(*i, "SELECT COUNT(*) FROM tirAStore") == 0) {
        std::fprintf(stderr, "check failed: posted one by one %s, loaded %s\n", expected.c_str(),
                     actual.c_str());
        rc = 1;
      }
    }
  } catch (...) {
    std::filesystem::remove_all(dir);
    throw;
  }
  std::filesystem::remove_all(dir);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  using tir::bench::Switch;
  using tir::bench::Value;
  if (!tir::bench::ParseOptions(
          argc, argv,
          {Value("--goods", o.goods), Value("--docs", o.docs), Value("--seed", o.seed),
           Switch("--check", o.check), Switch("--one-by-one", o.oneByOne)},
          "import_posting_bench [--goods N] [--docs N] [--seed N] [--check] [--one-by-one]") ||
      o.goods <= 0 || o.docs <= 0) {
    return 2;
  }
  return tir::bench::Reported("import_posting_bench", [&] { return Run(o); });
}
