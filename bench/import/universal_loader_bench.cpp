// tirdex load-universal's work (parse the universal file, write the group tree and every goods
// row by GUID, one transaction) against raw prepared inserts of the same goods rows, already in
// memory, in one transaction on the same kind of fresh base. The best of --repeat runs counts.
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "db/sqlite_connection.h"
#include "export/tir_json_builder.h"
#include "host/schema/schema.h"
#include "import/tir_json_loader.h"

namespace {

struct Options {
  long goods = 100000;
  int repeat = 3;
  bool check = false;
};

// The goods columns the loader writes, in its insert's order.
const char* const kColumns =
    "fCode,fName,fNameFull,fDesc,fBarCode,fBarCodeList,fBarCode2,fBarCode3,fUnitType,fUnitType2,"
    "fUnitType3,fCoeff2,fCoeff3,fType,fVATGroup,fVisible,fGroupID,fPriceIn,fPriceOut1,fPriceOut2,"
    "fPriceOut3,fPriceOut4,fPriceOut5,fPriceOut6,fPriceOut7,fPriceOut8,fPriceOut9,fPriceOut10,"
    "fDeleted,fGUID1,fGUID2,fpdop1,fpdop2,fpdop3,fpdop4,fpdop5";
constexpr int kColumnCount = 36;

struct Cell {
  int type = SQLITE_NULL;
  sqlite3_int64 i = 0;
  double d = 0;
  std::string s;
};
using Row = std::vector<Cell>;

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
  }
}

std::vector<Row> ReadRows(sqlite3* db) {
  sqlite3_stmt* stmt = nullptr;
  const std::string sql = std::string("SELECT ") + kColumns + " FROM tirGoods ORDER BY fId";
  Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), db, "read");
  std::vector<Row> rows;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    Row row(kColumnCount);
    for (int c = 0; c < kColumnCount; ++c) {
      Cell& cell = row[static_cast<std::size_t>(c)];
      cell.type = sqlite3_column_type(stmt, c);
      if (cell.type == SQLITE_INTEGER) cell.i = sqlite3_column_int64(stmt, c);
      if (cell.type == SQLITE_FLOAT) cell.d = sqlite3_column_double(stmt, c);
      if (cell.type == SQLITE_TEXT) {
        cell.s = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
      }
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(stmt);
  return rows;
}

void RawInserts(sqlite3* db, const std::vector<Row>& rows) {
  std::string marks;
  for (int c = 0; c < kColumnCount; ++c) marks += c == 0 ? "?" : ",?";
  const std::string sql =
      std::string("INSERT INTO tirGoods (") + kColumns + ") VALUES (" + marks + ")";
  sqlite3_stmt* stmt = nullptr;
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
  Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), db, "prepare");
  for (const Row& row : rows) {
    for (int c = 0; c < kColumnCount; ++c) {
      const Cell& cell = row[static_cast<std::size_t>(c)];
      if (cell.type == SQLITE_INTEGER)
        sqlite3_bind_int64(stmt, c + 1, cell.i);
      else if (cell.type == SQLITE_FLOAT)
        sqlite3_bind_double(stmt, c + 1, cell.d);
      else if (cell.type == SQLITE_TEXT)
        sqlite3_bind_text(stmt, c + 1, cell.s.data(), static_cast<int>(cell.s.size()),
                          SQLITE_STATIC);
      else
        sqlite3_bind_null(stmt, c + 1);
    }
    Check(sqlite3_step(stmt), db, "insert");
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
}

// A fresh base with the schema; `work` runs on it and is timed.
double Timed(const std::string& path, const std::function<void(tir::db::SqliteConnection&)>& work,
             long expectGoods, bool check) {
  std::filesystem::remove(path);
  auto connection = tir::db::SqliteConnection::Open(path);
  tir::schema::CreateSchema(*connection);
  const auto start = std::chrono::steady_clock::now();
  work(*connection);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (check) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(connection->Handle(), "SELECT COUNT(*) FROM tirGoods", -1, &stmt, nullptr);
    sqlite3_step(stmt);
    const long n = static_cast<long>(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    if (n != expectGoods) {
      throw std::runtime_error("check failed: " + std::to_string(n) + " goods written, " +
                               std::to_string(expectGoods) + " expected");
    }
  }
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  using tir::bench::Value;
  if (!tir::bench::ParseOptions(argc, argv,
                                {Value("--goods", o.goods), Value("--repeat", o.repeat),
                                 tir::bench::Switch("--check", o.check)},
                                "tir_universal_loader_bench [--goods N] [--repeat N] [--check]")) {
    return 2;
  }
  const auto temp =
      std::filesystem::temp_directory_path() / ("tir_uniload_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(temp);
  int rc = 0;
  try {
    const std::string source = (temp / "source.sqlite").string();
    const std::string file = (temp / "goods.json").string();
    const std::string target = (temp / "target.sqlite").string();
    std::vector<Row> rows;
    {
      std::cerr << "creating a sample base with " << o.goods << " goods...\n";
      auto connection = tir::db::SqliteConnection::Open(source);
      tir::bench::CreateSampleBase(*connection, o.goods, 0);
      tir::exporting::TTirJSonBuilder builder(*connection);
      builder.GenAllGUIDs();
      builder.AddAllGoods(0, false, "", 0, false, "", "");
      builder.AddVerINFO();
      if (!builder.SaveToFile(file, true)) throw std::runtime_error("cannot write " + file);
      rows = ReadRows(connection->Handle());
    }
    double loader = 0, raw = 0;
    for (int r = 0; r < o.repeat; ++r) {
      const double l = Timed(
          target,
          [&](tir::db::SqliteConnection& c) {
            c.StartTransaction();
            tir::importing::TTirJSonLoader load(c);
            if (!load.LoadFromFile(file)) throw std::runtime_error(load.LastError());
            load.AddGoodsToBase();
            c.Commit();
          },
          o.goods, o.check);
      const double b = Timed(
          target, [&](tir::db::SqliteConnection& c) { RawInserts(c.Handle(), rows); }, o.goods,
          o.check);
      loader = r == 0 ? l : std::min(loader, l);
      raw = r == 0 ? b : std::min(raw, b);
    }
    std::printf("universal file of %ld goods (%ju KB), best of %d runs\n", o.goods,
                static_cast<std::uintmax_t>(std::filesystem::file_size(file) >> 10), o.repeat);
    std::printf("  raw prepared inserts, one transaction (baseline): %9.1f ms\n", raw);
    std::printf("  load-universal (parse, groups, goods by GUID):    %9.1f ms\n", loader);
    std::printf("  ratio loader / baseline: %.2f (goal <= 3.00)\n", loader / raw);
  } catch (const std::exception& e) {
    std::cerr << "tir_universal_loader_bench: " << e.what() << "\n";
    rc = 1;
  }
  std::filesystem::remove_all(temp);
  return rc;
}
