// Group-tree benchmark: the module's repair of a damaged tree and its add-child operation, each
// against the same database work written by hand as raw prepared statements in one transaction.
// Prints both times and their ratio. "--smoke" runs small sizes (a quick check that it works).
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "tree/tree_functions.h"
#include "tree/tree_integrity.h"
#include "tree/tree_repair.h"

namespace {

using Clock = std::chrono::steady_clock;

struct BenchRow {
  int id;
  int cl;
  int cr;
  int lev;
  std::string name;
};

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
  }
}

void Exec(sqlite3* db, const std::string& sql) {
  Check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db, sql.c_str());
}

// A prepared statement that finalises itself.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) : db_(db) {
    Check(sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr), db, sql);
  }
  ~Stmt() { sqlite3_finalize(stmt_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;
  sqlite3_stmt* get() const { return stmt_; }
  void Run() {
    Check(sqlite3_step(stmt_), db_, "step");
    sqlite3_reset(stmt_);
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

void CreateTable(sqlite3* db, const std::string& table) {
  Exec(db, "DROP TABLE IF EXISTS " + table + ";");
  Exec(db, "CREATE TABLE " + table +
               " (fId INTEGER PRIMARY KEY AUTOINCREMENT, fName TEXT, fcl INTEGER NOT NULL DEFAULT "
               "0, fcr INTEGER NOT NULL DEFAULT 0, fclev INTEGER NOT NULL DEFAULT 0, fGUID1 "
               "INTEGER NOT NULL DEFAULT 0, fGUID2 INTEGER NOT NULL DEFAULT 0);");
  Exec(db, "CREATE INDEX ix_" + table + "_cl ON " + table + " (fcl);");
}

void InsertRows(sqlite3* db, const std::string& table, const std::vector<BenchRow>& rows) {
  Exec(db, "BEGIN;");
  const std::string sql =
      "INSERT INTO " + table + " (fId, fName, fcl, fcr, fclev) VALUES (?, ?, ?, ?, ?);";
  Stmt ins(db, sql.c_str());
  for (const BenchRow& r : rows) {
    sqlite3_bind_int(ins.get(), 1, r.id);
    sqlite3_bind_text(ins.get(), 2, r.name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(ins.get(), 3, r.cl);
    sqlite3_bind_int(ins.get(), 4, r.cr);
    sqlite3_bind_int(ins.get(), 5, r.lev);
    ins.Run();
  }
  Exec(db, "COMMIT;");
}

// A random sound tree of `count` nodes as a random walk of opening and closing brackets.
std::vector<BenchRow> RandomTree(int count, std::mt19937& rng) {
  std::vector<BenchRow> rows;
  rows.reserve(count);
  std::vector<std::size_t> open;
  int counter = 1;
  std::bernoulli_distribution goDeeper(0.55);
  auto openNode = [&] {
    const int id = static_cast<int>(rows.size()) + 1;
    rows.push_back(
        {id, counter++, 0, static_cast<int>(open.size()), "Група " + std::to_string(id)});
    open.push_back(rows.size() - 1);
  };
  openNode();
  while (static_cast<int>(rows.size()) < count) {
    if (open.size() > 1 && !goDeeper(rng)) {
      rows[open.back()].cr = counter++;
      open.pop_back();
    } else {
      openNode();
    }
  }
  while (!open.empty()) {
    rows[open.back()].cr = counter++;
    open.pop_back();
  }
  rows[0].name = "root";
  return rows;
}

// Damage about 1% of the rows in the ways interrupted changes and direct writes leave behind.
void Damage(std::vector<BenchRow>& rows, std::mt19937& rng) {
  std::uniform_int_distribution<std::size_t> pick(1, rows.size() - 1);
  const std::size_t hits = rows.size() / 100;
  for (std::size_t i = 0; i < hits; ++i) {
    BenchRow& r = rows[pick(rng)];
    switch (i % 3) {
      case 0:
        r.lev += 3;
        break;
      case 1:
        r.cr += 1 + static_cast<int>(i % 5);
        break;
      default:
        r.cl = rows[pick(rng)].cl;
        break;
    }
  }
  const int first = static_cast<int>(rows.size()) + 1;
  for (int id = first; id < first + static_cast<int>(hits / 10); ++id) {
    rows.push_back({id, 0, 0, 0, "Чужа " + std::to_string(id)});
  }
}

// Wall and processor time of one run, in milliseconds.
struct Timing {
  double wall = 0;
  double cpu = 0;
};

double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

template <typename Work>
Timing Measure(Work work) {
  const double cpu0 = CpuMs();
  const auto wall0 = Clock::now();
  work();
  return {std::chrono::duration<double, std::milli>(Clock::now() - wall0).count(), CpuMs() - cpu0};
}

// The best of several alternating rounds, so that neither side pays for the other's leftovers
// (WAL growth, page cache) and load from other processes weighs less.
template <typename ModuleRun, typename HandRun>
void Compare(const std::string& what, int rounds, ModuleRun moduleRun, HandRun handRun) {
  Timing module{1e300, 1e300};
  Timing hand{1e300, 1e300};
  for (int i = 0; i < rounds; ++i) {
    const Timing m = moduleRun();
    const Timing h = handRun();
    module = {std::min(module.wall, m.wall), std::min(module.cpu, m.cpu)};
    hand = {std::min(hand.wall, h.wall), std::min(hand.cpu, h.cpu)};
  }
  std::printf("%s\n", what.c_str());
  std::printf("  wall: module %10.1f ms   hand-written %10.1f ms   ratio %.2f\n", module.wall,
              hand.wall, module.wall / hand.wall);
  std::printf("  cpu:  module %10.1f ms   hand-written %10.1f ms   ratio %.2f\n", module.cpu,
              hand.cpu, module.cpu / hand.cpu);
}

// Repair: the module against one read of all rows and one UPDATE per row with the known result.
void BenchRepair(tir::db::SqliteConnection& conn, int nodes, int rounds) {
  sqlite3* db = conn.Handle();
  std::mt19937 rng(12345);
  std::vector<BenchRow> damaged = RandomTree(nodes, rng);
  Damage(damaged, rng);
  std::vector<BenchRow> repaired;  // the result, which the hand-written run writes

  auto moduleRun = [&] {
    CreateTable(db, "tirBenchRepair");
    InsertRows(db, "tirBenchRepair", damaged);
    tir::db::Query q(conn);
    tir::tree::TFuncR r;
    const Timing t =
        Measure([&] { r = tir::tree::gTreeFunc_RepairSafeSmart(q, "tirBenchRepair", "root"); });
    if (r.fCode != 0 || r.fStr.rfind("Дерево відновлено.", 0) != 0) {
      throw std::runtime_error("repair failed: " + r.fStr);
    }
    if (repaired.empty()) {
      std::printf("  %s\n", r.fStr.c_str());
      Stmt sel(db, "SELECT fId, fcl, fcr, fclev FROM tirBenchRepair ORDER BY fId;");
      while (sqlite3_step(sel.get()) == SQLITE_ROW) {
        repaired.push_back({sqlite3_column_int(sel.get(), 0), sqlite3_column_int(sel.get(), 1),
                            sqlite3_column_int(sel.get(), 2), sqlite3_column_int(sel.get(), 3),
                            ""});
      }
    }
    return t;
  };
  auto handRun = [&] {
    CreateTable(db, "tirBenchRepair");
    InsertRows(db, "tirBenchRepair", damaged);
    return Measure([&] {
      Exec(db, "BEGIN;");
      {
        std::vector<BenchRow> read;
        read.reserve(damaged.size());
        Stmt sel(db, "SELECT fId, fcl, fcr, fclev, fName FROM tirBenchRepair;");
        while (sqlite3_step(sel.get()) == SQLITE_ROW) {
          const unsigned char* name = sqlite3_column_text(sel.get(), 4);
          read.push_back({sqlite3_column_int(sel.get(), 0), sqlite3_column_int(sel.get(), 1),
                          sqlite3_column_int(sel.get(), 2), sqlite3_column_int(sel.get(), 3),
                          name == nullptr ? "" : reinterpret_cast<const char*>(name)});
        }
        Stmt upd(db, "UPDATE tirBenchRepair SET fcl=?, fcr=?, fclev=? WHERE fId=?;");
        for (const BenchRow& row : repaired) {
          sqlite3_bind_int(upd.get(), 1, row.cl);
          sqlite3_bind_int(upd.get(), 2, row.cr);
          sqlite3_bind_int(upd.get(), 3, row.lev);
          sqlite3_bind_int(upd.get(), 4, row.id);
          upd.Run();
        }
      }
      Exec(db, "COMMIT;");
    });
  };
  Compare("repair of a damaged tree of " + std::to_string(damaged.size()) + " rows", rounds,
          moduleRun, handRun);
}

// Parents in the order an import of a group tree adds them: each new group goes under a group on
// the path to the last one added (depth first), so the trees grow at their right edge.
class ImportOrder {
 public:
  explicit ImportOrder(unsigned seed) : rng_(seed) {}
  int NextParent() {
    while (path_.size() > 1 && std::bernoulli_distribution(0.3)(rng_)) path_.pop_back();
    return path_.back();
  }
  void Added(int id) {
    if (std::bernoulli_distribution(0.6)(rng_)) path_.push_back(id);
  }

 private:
  std::mt19937 rng_;
  std::vector<int> path_{1};
};

// Add child: the module's operation against the same lookup, shifts and insert as raw statements,
// all in one transaction.
void BenchAddChild(tir::db::SqliteConnection& conn, int adds, int rounds) {
  sqlite3* db = conn.Handle();
  auto moduleRun = [&] {
    CreateTable(db, "tirBenchAdd");
    InsertRows(db, "tirBenchAdd", {{1, 1, 2, 0, "root"}});
    tir::db::Query q(conn);
    ImportOrder order(777);
    const Timing t = Measure([&] {
      conn.StartTransaction();
      for (int i = 0; i < adds; ++i) {
        int newId = 0;
        const tir::tree::TFuncR r = tir::tree::gTreeFunc_AddChieldNode(
            q, "tirBenchAdd", order.NextParent(), "Група", newId);
        if (r.fCode != 0) throw std::runtime_error("add child failed: " + r.fStr);
        order.Added(newId);
      }
      conn.Commit();
    });
    // The check's level count is quadratic; it is run on the small smoke sizes only.
    std::string report;
    if (adds <= 2000 && !tir::tree::gTreeFunc_CheckIntegrity(q, "tirBenchAdd", report)) {
      throw std::runtime_error("tree unsound after adds");
    }
    return t;
  };
  auto handRun = [&] {
    CreateTable(db, "tirBenchAdd");
    InsertRows(db, "tirBenchAdd", {{1, 1, 2, 0, "root"}});
    ImportOrder order(777);
    return Measure([&] {
      Exec(db, "BEGIN;");
      {
        Stmt node(db, "SELECT fcr, fclev FROM tirBenchAdd WHERE fId=? LIMIT 1;");
        Stmt shiftL(db, "UPDATE tirBenchAdd SET fcl=fcl+2 WHERE fcl>=?;");
        Stmt shiftR(db, "UPDATE tirBenchAdd SET fcr=fcr+2 WHERE fcr>=?;");
        Stmt ins(db,
                 "INSERT INTO tirBenchAdd (fcl,fcr,fclev,fName,fGUID1,fGUID2) VALUES "
                 "(?,?,?,?,?,?);");
        std::mt19937_64 guids(1);
        for (int i = 0; i < adds; ++i) {
          sqlite3_bind_int(node.get(), 1, order.NextParent());
          Check(sqlite3_step(node.get()), db, "node");
          const int p = sqlite3_column_int(node.get(), 0);
          const int lev = sqlite3_column_int(node.get(), 1) + 1;
          sqlite3_reset(node.get());
          sqlite3_bind_int(shiftL.get(), 1, p);
          shiftL.Run();
          sqlite3_bind_int(shiftR.get(), 1, p);
          shiftR.Run();
          sqlite3_bind_int(ins.get(), 1, p);
          sqlite3_bind_int(ins.get(), 2, p + 1);
          sqlite3_bind_int(ins.get(), 3, lev);
          sqlite3_bind_text(ins.get(), 4, "Група", -1, SQLITE_STATIC);
          sqlite3_bind_int64(ins.get(), 5, static_cast<sqlite3_int64>(guids()));
          sqlite3_bind_int64(ins.get(), 6, static_cast<sqlite3_int64>(guids()));
          ins.Run();
          order.Added(static_cast<int>(sqlite3_last_insert_rowid(db)));
        }
      }
      Exec(db, "COMMIT;");
    });
  };
  Compare(std::to_string(adds) +
              " add-child operations in one transaction (parents in import order: under the "
              "path to the last group added)",
          rounds, moduleRun, handRun);
}

}  // namespace

// Arguments: "--smoke" for small sizes; "--repair" or "--add" to run only that part.
int main(int argc, char** argv) {
  bool smoke = false;
  bool repair = true;
  bool add = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--smoke") == 0) smoke = true;
    if (std::strcmp(argv[i], "--repair") == 0) add = false;
    if (std::strcmp(argv[i], "--add") == 0) repair = false;
  }
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("tir_tree_bench_" + std::to_string(::getpid()) + ".sqlite"))
                               .string();
  int rc = 0;
  try {
    auto conn = tir::db::SqliteConnection::Open(path);
    const int rounds = smoke ? 1 : 2;
    if (repair) BenchRepair(*conn, smoke ? 2000 : 100000, rounds);
    if (add) BenchAddChild(*conn, smoke ? 300 : 10000, rounds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tree_bench: %s\n", e.what());
    rc = 1;
  }
  std::error_code ignored;
  for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(path + tail, ignored);
  return rc;
}
