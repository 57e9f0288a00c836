// Goods import of the exchange loader against raw prepared inserts of the same rows (goods,
// prices, balance rows) in one transaction, in the same run on equal bases: a load of new goods,
// an unchanged re-import, and the load's peak memory against the file size. Each side runs in a
// child process that measures its own time and memory growth.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "host/schema/schema.h"
#include "import/json_loader.h"
#include "import/json_loader_atomic.h"

namespace {

using tir::db::Query;

constexpr int kPrices = 3;

struct Figures {
  double ms = 0;
  double cpuMs = 0;
  long growthKb = 0;
  long long rows = 0;
};

long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
  }
  return 0;
}

double CpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Runs `work` in a child; the child reports its wall and CPU time, its memory growth and a row
// count.
template <typename F>
Figures InChild(F work) {
  int fds[2];
  if (pipe(fds) != 0) std::exit(1);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const long startKb = StatusKb("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    const double startCpu = CpuMs();
    Figures f;
    try {
      f.rows = work();
    } catch (const std::exception& e) {
      std::cerr << "bench: " << e.what() << "\n";
      _exit(1);
    }
    f.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    f.cpuMs = CpuMs() - startCpu;
    f.growthKb = StatusKb("VmHWM:") - startKb;
    if (write(fds[1], &f, sizeof f) != sizeof f) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Figures f;
  const bool got = read(fds[0], &f, sizeof f) == sizeof f;
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::cerr << "bench: a child failed\n";
    std::exit(1);
  }
  return f;
}

std::string Guid(long n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "C0000000-0000-4000-8000-%012ld", n % 1000000000000L);
  return buf;
}

// A goods file as the main export writes it: non-ASCII names as \u escapes, a group tree, sale
// prices in columns and in the price list.
void WriteGoodsFile(const std::string& path, long goods) {
  std::ofstream out(path, std::ios::binary);
  out << "{\"goodsgroups\":[{\"guid\":\"" << Guid(0)
      << "\",\"name\":\"\\u0422\\u043e\\u0432\\u0430\\u0440\\u0438\"}],\"goods\":[";
  for (long i = 1; i <= goods; ++i) {
    if (i > 1) out << ",";
    out << "{\"guid\":\"" << Guid(i) << "\",\"code\":\"" << i
        << "\",\"name\":\"\\u0422\\u043e\\u0432\\u0430\\u0440 " << i << "\",\"barcode\":\"482"
        << 1000000000 + i
        << "\",\"unit1\":\"\\u0448\\u0442\",\"vat\":1,\"visible\":1,\"pin\":" << (i % 90) + 10
        << ".25,\"p1\":" << (i % 90) + 15 << ".5,\"group\":\"" << Guid(0) << "\",\"prices\":[";
    for (int p = 1; p <= kPrices; ++p) {
      out << (p > 1 ? "," : "") << "{\"id\":" << p << ",\"p\":" << (i % 90) + 15 + p << ".5}";
    }
    out << "]}";
  }
  out << "]}";
}

void MakeBase(const std::string& path) {
  std::filesystem::remove(path);
  auto conn = tir::db::SqliteConnection::Open(path);
  tir::schema::CreateSchema(*conn);
  Query q(*conn);
  q.SetSql(
      "INSERT INTO tirStores (fName, fGroupID, fGUID1, fGUID2) VALUES ('S', 0, 1, 1);"
      "INSERT INTO tirEntities (fName, fGroupID, fGUID1, fGUID2) VALUES ('E', 0, 1, 1);");
  q.ExecSql();
}

long long CountRows(tir::db::Connection& conn) {
  Query q(conn);
  q.SetSql(
      "SELECT (SELECT COUNT(*) FROM tirGoods) + (SELECT COUNT(*) FROM tirPrices) + "
      "(SELECT COUNT(*) FROM tirAStoreNow);");
  q.Open();
  return q.FieldByIndex(0).AsInt64();
}

// The same rows the import writes, with prepared statements in one transaction.
long long RawInsert(const std::string& base, long goods) {
  auto conn = tir::db::SqliteConnection::Open(base);
  conn->StartTransaction();
  Query g(*conn), p(*conn), b(*conn);
  g.SetSql(
      "INSERT INTO tirGoods ([fGUID1],[fGUID2],[fCode],[fName],[fBarCode],[fUnitType],"
      "[fVATGroup],[fVisible],[fGroupID],[fPriceIn],[fPriceOut1]) VALUES (:pGUID1,:pGUID2,"
      ":pCode,:pName,:pBarCode,:pUnitType,:pVATGroup,:pVisible,:pGroupID,:pPriceIn,"
      ":pPriceOut1);");
  p.SetSql("INSERT INTO tirPrices (fPriceId,fGoodId,fPrice) VALUES (:pPriceId,:pGoodId,:pPrice);");
  b.SetSql(
      "INSERT INTO tirAStoreNow (fEntId, fStoreId, fGoodId, fQtty, fSum) VALUES (1, 1, "
      ":pGoodId, 0, 0);");
  for (long i = 1; i <= goods; ++i) {
    g.ParamByName("pGUID1").SetInt64(0x40000000LL + i);
    g.ParamByName("pGUID2").SetInt64(i);
    g.ParamByName("pCode").SetText(std::to_string(i));
    g.ParamByName("pName").SetText("Товар " + std::to_string(i));
    g.ParamByName("pBarCode").SetText("482" + std::to_string(1000000000 + i));
    g.ParamByName("pUnitType").SetText("шт");
    g.ParamByName("pVATGroup").SetInt32(1);
    g.ParamByName("pVisible").SetInt32(1);
    g.ParamByName("pGroupID").SetInt64(2);
    g.ParamByName("pPriceIn").SetExtended((i % 90) + 10.25L);
    g.ParamByName("pPriceOut1").SetExtended((i % 90) + 15.5L);
    g.ExecSql();
    for (int k = 1; k <= kPrices; ++k) {
      p.ParamByName("pPriceId").SetInt32(k);
      p.ParamByName("pGoodId").SetInt64(i);
      p.ParamByName("pPrice").SetExtended((i % 90) + 15.5L + k);
      p.ExecSql();
    }
    b.ParamByName("pGoodId").SetInt64(i);
    b.ExecSql();
  }
  conn->Commit();
  return CountRows(*conn);
}

long long Import(const std::string& base, const std::string& file, bool expectIdentical) {
  auto conn = tir::db::SqliteConnection::Open(base);
  tir::import::TDMJsonLoader loader;
  loader.SetConnection(conn.get());
  loader.mGoodsPauseMs = 0;
  const tir::import::TLoadOutcome out = tir::import::RunAtomicLoad(
      loader, *conn, file, tir::import::FileLoadSteps(false, false, true, false), false, {});
  if (out.result != tir::import::TLoadResult::kDone) throw std::runtime_error(out.message);
  const auto& goods = out.report.kinds.back().second;
  if (expectIdentical && goods.identical == 0) throw std::runtime_error("re-import wrote rows");
  return CountRows(*conn);
}

}  // namespace

int main(int argc, char** argv) {
  long goods = 100000;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--goods") == 0 && i + 1 < argc)
      goods = std::atol(argv[++i]);
    else if (std::strcmp(argv[i], "--check") == 0)
      check = true;
  }
  const std::string dir =
      std::filesystem::temp_directory_path() / ("tir_import_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string file = dir + "/goods.json", rawBase = dir + "/raw.sqlite",
                    importBase = dir + "/import.sqlite";
  WriteGoodsFile(file, goods);
  MakeBase(rawBase);
  MakeBase(importBase);
  const double fileKb = static_cast<double>(std::filesystem::file_size(file)) / 1024.0;

  const Figures raw = InChild([&] { return RawInsert(rawBase, goods); });
  const Figures load = InChild([&] { return Import(importBase, file, false); });
  const Figures again = InChild([&] { return Import(importBase, file, true); });
  std::filesystem::remove_all(dir);

  std::printf("goods %ld, file %.0f KiB\n", goods, fileKb);
  std::printf("raw prepared inserts:   %8.0f ms (CPU %.0f ms, %lld rows)\n", raw.ms, raw.cpuMs,
              raw.rows);
  std::printf(
      "import of new goods:    %8.0f ms  ratio %.2f, CPU %.0f ms ratio %.2f (target <= 1.5)\n",
      load.ms, load.ms / raw.ms, load.cpuMs, load.cpuMs / raw.cpuMs);
  std::printf(
      "unchanged re-import:    %8.0f ms  ratio %.2f, CPU %.0f ms ratio %.2f (target <= 0.5)\n",
      again.ms, again.ms / raw.ms, again.cpuMs, again.cpuMs / raw.cpuMs);
  std::printf("import memory growth:   %8ld KiB ratio to file %.2f (target <= 3)\n", load.growthKb,
              load.growthKb / fileKb);
  if (check && (load.rows != raw.rows || again.rows != raw.rows)) {
    std::fprintf(stderr, "bench: row counts differ: raw %lld, import %lld, re-import %lld\n",
                 raw.rows, load.rows, again.rows);
    return 1;
  }
  return 0;
}
