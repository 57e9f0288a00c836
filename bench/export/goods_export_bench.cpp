// Goods section of a full universal export against the sqlite3 shell's own JSON output of the
// same goods query, in the same run and on the same base. Each side runs in a child process so
// its peak memory is its own; the best of --repeat runs counts.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "bench/support/bench_support.h"
#include "db/sqlite_connection.h"
#include "export/tir_json_builder.h"
#include "json/json_array.h"
#include "json/json_object.h"

namespace {

using tir::bench::BestInChild;
using tir::bench::ChildRun;
using tir::bench::SqliteShellJson;

struct Options {
  long goods = 100000;
  int repeat = 3;
  std::string base;  // reused when it exists
  bool check = false;
};

int ExportGoods(const std::string& base, const std::string& out) {
  try {
    auto connection = tir::db::SqliteConnection::Open(base);
    tir::exporting::TTirJSonBuilder builder(*connection);
    builder.AddAllGoods(0, true, "", 0, false, "", "");
    return builder.SaveToFile(out, true) ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "export failed: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  using tir::bench::Value;
  if (!tir::bench::ParseOptions(
          argc, argv,
          {Value("--goods", o.goods), Value("--repeat", o.repeat), Value("--base", o.base),
           tir::bench::Switch("--check", o.check)},
          "tir_export_bench [--goods N] [--repeat N] [--base FILE] [--check]")) {
    return 2;
  }
  const auto temp =
      std::filesystem::temp_directory_path() / ("tir_export_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(temp);
  const bool ownBase = o.base.empty();
  if (ownBase) o.base = (temp / "base.sqlite").string();
  if (!std::filesystem::exists(o.base)) {
    std::cerr << "creating a sample base with " << o.goods << " goods...\n";
    tir::bench::CreateSampleBase(*tir::db::SqliteConnection::Open(o.base), o.goods, 0);
  }
  const std::string ours = (temp / "goods.json").string();
  const std::string shell = (temp / "shell.json").string();
  const std::string sql = tir::exporting::TTirJSonBuilder::GoodsSql(0, true, "", 0, false, "", "");

  const ChildRun shellRun =
      BestInChild(o.repeat, [&] { return SqliteShellJson(o.base, sql, shell); });
  const ChildRun ourRun = BestInChild(o.repeat, [&] { return ExportGoods(o.base, ours); });
  int rc = 0;
  if (!shellRun.ok || !ourRun.ok) {
    std::cerr << "a run failed (sqlite3 " << shellRun.ok << ", builder " << ourRun.ok << ")\n";
    rc = 1;
  } else {
    const auto size = [](const std::string& f) { return std::filesystem::file_size(f) >> 10; };
    std::printf("goods section of %ld goods, best of %d runs\n", o.goods, o.repeat);
    std::printf("  sqlite3 -json (baseline): %9.1f ms  peak %7ld KB  output %7ju KB\n", shellRun.ms,
                shellRun.peakKb, static_cast<std::uintmax_t>(size(shell)));
    std::printf("  universal builder:        %9.1f ms  peak %7ld KB  output %7ju KB\n", ourRun.ms,
                ourRun.peakKb, static_cast<std::uintmax_t>(size(ours)));
    std::printf("  ratio builder / baseline: %.2f (goal <= 2.00)\n", ourRun.ms / shellRun.ms);
    if (o.check) {
      const auto file = tir::json::Object::ParseFile(ours);
      const std::size_t n = file.GetArray("goods").Size();
      if (n != static_cast<std::size_t>(o.goods)) {
        std::cerr << "check failed: " << n << " goods exported, " << o.goods << " expected\n";
        rc = 1;
      }
    }
  }
  std::filesystem::remove(ours);
  std::filesystem::remove(shell);
  if (ownBase) std::filesystem::remove_all(temp);
  return rc;
}
