// Full goods section of the main export builder (goods, prices merged in, groups, recipes,
// price lists and classification codes) against the sqlite3 shell's own JSON output of the same
// goods query, in the same run and on the same base; and a repeated full request in run mode 1
// answered from the cashier goods snapshot. Each side runs in a child process so its peak memory
// is its own; the best of --repeat runs counts.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "bench/support/bench_support.h"
#include "db/sql_text.h"
#include "db/sqlite_connection.h"
#include "export/dn_json_builder.h"

namespace {

using tir::bench::BestInChild;
using tir::bench::ChildRun;
using tir::bench::Clock;
using tir::bench::SqliteShellJson;

// One full goods export in run mode 0, saved to `out`.
int ExportGoods(const std::string& base, const std::string& out) {
  auto connection = tir::db::SqliteConnection::Open(base);
  tir::exporting::TDNJSonBuilder builder(*connection);
  builder.SetRunMode(tir::kRunInteractive);
  builder.SetAddGoodsFull();
  builder.RunBuildProcess();
  if (!builder.ErrorText().empty()) {
    std::cerr << builder.ErrorText() << "\n";
    return 1;
  }
  return builder.SaveToFile(out) ? 0 : 1;
}

// Identical full requests of a client (run mode 1) in one process: the first builds the goods
// and stores them in the cashier snapshot, the next three are answered from it (the best of them
// counts). Times in ms and output sizes go to `times` as "first cached size1 size2".
int CachedRequests(const std::string& base, const std::string& times) {
  auto connection = tir::db::SqliteConnection::Open(base);
  double first = 0, cached = 0;
  std::size_t sizes[2] = {0, 0};
  for (int i = 0; i < 4; ++i) {
    const auto start = Clock::now();
    tir::exporting::TDNJSonBuilder builder(*connection);
    builder.SetRunMode(tir::kRunDefault);
    builder.SetAddGoodsFull();
    builder.RunBuildProcess();
    if (!builder.ErrorText().empty()) return 1;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::size_t& size = sizes[i == 0 ? 0 : 1];
    size = 0;
    for (const auto& piece : builder.StringList()) size += piece.size;
    if (i == 0) {
      first = ms;
    } else if (i == 1 || ms < cached) {
      cached = ms;
    }
  }
  std::FILE* f = std::fopen(times.c_str(), "w");
  if (f == nullptr) return 1;
  std::fprintf(f, "%f %f %zu %zu\n", first, cached, sizes[0], sizes[1]);
  std::fclose(f);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  long goods = 100000;
  int repeat = 3;
  std::string base;
  using tir::bench::Value;
  if (!tir::bench::ParseOptions(
          argc, argv, {Value("--goods", goods), Value("--repeat", repeat), Value("--base", base)},
          "tir_main_export_bench [--goods N] [--repeat N] [--base FILE]")) {
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path temp = fs::temp_directory_path() / ("tir_main_bench_" + std::to_string(getpid()));
  fs::create_directories(temp);
  const bool ownBase = base.empty();
  if (ownBase) base = (temp / "base.sqlite").string();
  if (!fs::exists(base)) {
    std::cerr << "creating a sample base with " << goods << " goods...\n";
    tir::bench::CreateSampleBase(*tir::db::SqliteConnection::Open(base), goods, 0);
    // A first run completes the GUIDs of rows that have none, so that the timed runs only read.
    if (ExportGoods(base, (temp / "warm.json").string()) != 0) return 1;
  }
  const std::string ours = (temp / "goods.json").string();
  const std::string shell = (temp / "shell.json").string();
  const std::string times = (temp / "times.txt").string();
  tir::exporting::TDNJSonBuilder probe(*tir::db::SqliteConnection::Open(":memory:"));
  const std::string sql =
      tir::db::PreprocessSql(tir::exporting::TDNJSonBuilder::GoodsFullSql(
                                 probe.GoodsFilter(0, "", 0, false), true, "", ""),
                             tir::db::DbKind::kSQLite, {})
          .statements.at(0)
          .text;

  const ChildRun shellRun = BestInChild(repeat, [&] { return SqliteShellJson(base, sql, shell); });
  const ChildRun ourRun = BestInChild(repeat, [&] { return ExportGoods(base, ours); });
  const ChildRun cacheRun = tir::bench::InChild([&] { return CachedRequests(base, times); });
  int rc = 0;
  if (!shellRun.ok || !ourRun.ok || !cacheRun.ok) {
    std::cerr << "a run failed (sqlite3 " << shellRun.ok << ", builder " << ourRun.ok << ", cache "
              << cacheRun.ok << ")\n";
    rc = 1;
  } else {
    const auto kb = [](const std::string& f) { return static_cast<long>(fs::file_size(f) >> 10); };
    double first = 0, second = 0;
    std::size_t size1 = 0, size2 = 0;
    std::FILE* f = std::fopen(times.c_str(), "r");
    if (f == nullptr || std::fscanf(f, "%lf %lf %zu %zu", &first, &second, &size1, &size2) != 4) {
      rc = 1;
    }
    if (f != nullptr) std::fclose(f);
    std::printf("full goods section of %ld goods with prices, best of %d runs\n", goods, repeat);
    std::printf("  sqlite3 -json (baseline): %9.1f ms  peak %7ld KB  output %7ld KB\n", shellRun.ms,
                shellRun.peakKb, kb(shell));
    std::printf("  main export builder:      %9.1f ms  peak %7ld KB  output %7ld KB\n", ourRun.ms,
                ourRun.peakKb, kb(ours));
    std::printf("  time ratio builder / baseline: %.2f (goal <= 1.00)\n", ourRun.ms / shellRun.ms);
    std::printf("  peak memory / output size:     %.2f (goal <= 1.50)\n",
                static_cast<double>(ourRun.peakKb) / static_cast<double>(kb(ours)));
    std::printf(
        "  run mode 1: first request %.1f ms, repeated request from the cache %.1f ms: "
        "%.1fx faster (goal >= 20)\n",
        first, second, first / second);
    if (size1 == 0 || size2 < size1) rc = 1;  // the cached answer carries the same goods
  }
  if (ownBase) fs::remove_all(temp);
  return rc;
}
