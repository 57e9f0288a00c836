// Inserts the same rows twice into fresh file bases: through Query::ExecuteArray and through one
// raw prepared sqlite3 statement, each inside one transaction, and prints both times and the ratio.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "db/date_time.h"
#include "db/db_error.h"
#include "db/query.h"
#include "db/sqlite_connection.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Wall-clock and CPU seconds of one run; the CPU time is steadier on a busy machine.
struct Timing {
  double wall = 1e300;
  double cpu = 1e300;
};

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

class Stopwatch {
 public:
  Stopwatch() : wall_(Clock::now()), cpu_(CpuSeconds()) {}
  Timing Elapsed() const {
    return Timing{std::chrono::duration<double>(Clock::now() - wall_).count(), CpuSeconds() - cpu_};
  }

 private:
  Clock::time_point wall_;
  double cpu_;
};

constexpr const char* kCreate =
    "CREATE TABLE tirAStoreBench(fId INTEGER PRIMARY KEY, fDocId INTEGER NOT NULL,"
    " fGoodId INTEGER NOT NULL, fStoreId INTEGER NOT NULL, fQty REAL NOT NULL, fName TEXT,"
    " fDate DATETIME NOT NULL, fPartnerId INTEGER)";
constexpr const char* kInsert =
    "INSERT INTO tirAStoreBench(fDocId, fGoodId, fStoreId, fQty, fName, fDate, fPartnerId)"
    " VALUES(:pDocId, :pGoodId, :pStoreId, :pQty, :pName, :pDate, :pPartnerId)";
constexpr double kFirstDate = 45000.0;

// One generated row; the text goes to a caller's buffer so that generating allocates nothing.
struct Row {
  std::int64_t docId, goodId, storeId;
  double qty;
  int nameLength;
  double date;
  bool partnerNull;
  std::int64_t partnerId;
};

Row MakeRow(std::int64_t i, char* name, std::size_t nameSize) {
  Row r{};
  r.docId = i / 20 + 1;
  r.goodId = (i * 7919) % 200'000 + 1;
  r.storeId = i % 5 + 1;
  r.qty = static_cast<double>(i % 100) * 0.25;
  r.nameLength = std::snprintf(name, nameSize, "Товар %lld", static_cast<long long>(i));
  r.date = kFirstDate + static_cast<double>(i) / 86'400.0;  // one row a second
  r.partnerNull = i % 3 == 0;
  r.partnerId = i % 1000;
  return r;
}

std::unique_ptr<tir::db::SqliteConnection> FreshBase(const fs::path& file) {
  fs::remove(file);
  fs::remove(file.string() + "-wal");
  fs::remove(file.string() + "-shm");
  auto conn = tir::db::SqliteConnection::Open(file.string());
  conn->ExecScript(kCreate);
  return conn;
}

Timing InsertThroughLayer(const fs::path& file, std::int64_t rows, std::size_t batch) {
  auto conn = FreshBase(file);
  const Stopwatch watch;
  conn->StartTransaction();
  tir::db::Query q(*conn);
  q.SetSql(kInsert);
  char name[64];
  for (std::int64_t first = 0; first < rows; first += static_cast<std::int64_t>(batch)) {
    const auto n = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(batch), rows - first));
    q.SetArraySize(n);
    tir::db::Param& docId = q.ParamByName("pDocId");
    tir::db::Param& goodId = q.ParamByName("pGoodId");
    tir::db::Param& storeId = q.ParamByName("pStoreId");
    tir::db::Param& qty = q.ParamByName("pQty");
    tir::db::Param& nameParam = q.ParamByName("pName");
    tir::db::Param& date = q.ParamByName("pDate");
    tir::db::Param& partner = q.ParamByName("pPartnerId");
    for (std::size_t k = 0; k < n; ++k) {
      const Row r = MakeRow(first + static_cast<std::int64_t>(k), name, sizeof name);
      docId.SetAt(k, tir::db::Value::Int64(r.docId));
      goodId.SetAt(k, tir::db::Value::Int64(r.goodId));
      storeId.SetAt(k, tir::db::Value::Int64(r.storeId));
      qty.SetAt(k, tir::db::Value::Double(r.qty));
      nameParam.SetAt(
          k, tir::db::Value::Text(std::string(name, static_cast<std::size_t>(r.nameLength))));
      date.SetAt(k, tir::db::Value::DateTime(r.date));
      partner.SetAt(k, r.partnerNull ? tir::db::Value::Null(tir::db::ValueType::kInt64)
                                     : tir::db::Value::Int64(r.partnerId));
    }
    q.ExecuteArray();
  }
  conn->Commit();
  return watch.Elapsed();
}

void Check(sqlite3* db, int rc, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE) {
    throw tir::db::DbError(std::string(what) + ": " + sqlite3_errmsg(db));
  }
}

Timing InsertRaw(const fs::path& file, std::int64_t rows) {
  auto conn = FreshBase(file);
  sqlite3* db = conn->Handle();
  const Stopwatch watch;
  Check(db, sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), "BEGIN");
  sqlite3_stmt* stmt = nullptr;
  Check(db, sqlite3_prepare_v2(db, kInsert, -1, &stmt, nullptr), "prepare");
  char name[64];
  char date[tir::db::kDateTimeTextSize];
  for (std::int64_t i = 0; i < rows; ++i) {
    const Row r = MakeRow(i, name, sizeof name);
    sqlite3_bind_int64(stmt, 1, r.docId);
    sqlite3_bind_int64(stmt, 2, r.goodId);
    sqlite3_bind_int64(stmt, 3, r.storeId);
    sqlite3_bind_double(stmt, 4, r.qty);
    sqlite3_bind_text(stmt, 5, name, r.nameLength, SQLITE_STATIC);
    const auto dateLength = tir::db::FormatDateTimeText(r.date, date);
    sqlite3_bind_text(stmt, 6, date, static_cast<int>(dateLength), SQLITE_STATIC);
    if (r.partnerNull) {
      sqlite3_bind_null(stmt, 7);
    } else {
      sqlite3_bind_int64(stmt, 7, r.partnerId);
    }
    Check(db, sqlite3_step(stmt), "step");
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
  Check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), "COMMIT");
  return watch.Elapsed();
}

// Both bases must hold the same rows.
bool SameContent(const fs::path& a, const fs::path& b) {
  auto conn = tir::db::SqliteConnection::Open(a.string());
  conn->ExecScript("ATTACH DATABASE '" + b.string() + "' AS other");
  tir::db::Query q(*conn);
  q.SetSql(
      "SELECT (SELECT count(*) FROM (SELECT * FROM main.tirAStoreBench EXCEPT "
      "SELECT * FROM other.tirAStoreBench)) + (SELECT count(*) FROM main.tirAStoreBench) - "
      "(SELECT count(*) FROM other.tirAStoreBench) AS fDiff");
  q.Open();
  return q.FieldByName("fDiff").AsInt64() == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::int64_t rows = 1'000'000;
  std::size_t batch = 10'000;
  int repeat = 3;
  bool check = false;
  fs::path dir = fs::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--rows" && hasValue) {
      rows = std::atoll(argv[++i]);
    } else if (arg == "--batch" && hasValue) {
      batch = static_cast<std::size_t>(std::max(1LL, std::atoll(argv[++i])));
    } else if (arg == "--repeat" && hasValue) {
      repeat = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--dir" && hasValue) {
      dir = argv[++i];
    } else if (arg == "--check") {
      check = true;
    } else {
      std::fprintf(stderr, "usage: %s [--rows N] [--batch N] [--repeat N] [--dir DIR] [--check]\n",
                   argv[0]);
      return 2;
    }
  }
  const std::string tag = std::to_string(getpid());
  const fs::path layerFile = dir / ("bench_db_layer_" + tag + ".sqlite");
  const fs::path rawFile = dir / ("bench_db_raw_" + tag + ".sqlite");
  try {
    Timing layer;
    Timing raw;
    auto keepBest = [](Timing& best, const Timing& t) {
      best.wall = std::min(best.wall, t.wall);
      best.cpu = std::min(best.cpu, t.cpu);
    };
    for (int run = 0; run < repeat; ++run) {
      keepBest(raw, InsertRaw(rawFile, rows));
      keepBest(layer, InsertThroughLayer(layerFile, rows, batch));
    }
    const double n = static_cast<double>(rows);
    std::printf("rows: %lld, array size: %zu, best of %d runs\n", static_cast<long long>(rows),
                batch, repeat);
    std::printf("raw prepared sqlite3 statement: %.3f s wall, %.3f s CPU (%.0f rows/s)\n", raw.wall,
                raw.cpu, n / raw.wall);
    std::printf("Query::ExecuteArray:            %.3f s wall, %.3f s CPU (%.0f rows/s)\n",
                layer.wall, layer.cpu, n / layer.wall);
    std::printf("ratio layer/raw: %.3f wall, %.3f CPU (target <= 1.3)\n", layer.wall / raw.wall,
                layer.cpu / raw.cpu);
#ifndef NDEBUG
    std::printf("note: unoptimized build; build with -DCMAKE_BUILD_TYPE=Release to measure\n");
#endif
    int status = 0;
    if (check && !SameContent(layerFile, rawFile)) {
      std::fprintf(stderr, "the two bases differ\n");
      status = 1;
    }
    for (const auto& f : {layerFile, rawFile}) {
      fs::remove(f);
      fs::remove(f.string() + "-wal");
      fs::remove(f.string() + "-shm");
    }
    return status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
}
