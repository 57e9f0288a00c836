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

#include "db/sqlite_connection.h"
#include "export/tir_json_builder.h"
#include "host/demo/demo_base.h"
#include "host/schema/schema.h"
#include "json/json_array.h"
#include "json/json_object.h"

namespace {

struct Options {
  long goods = 100000;
  int repeat = 3;
  std::string base;  // reused when it exists
  bool check = false;
};

struct Run {
  double ms = 0;
  long peakKb = 0;
  bool ok = false;
};

// Runs `child` in a forked process; its exit status 0 means success.
template <typename F>
Run InChild(F child) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) _exit(child());
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run run;
  run.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.peakKb = usage.ru_maxrss;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

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

int ShellJson(const std::string& base, const std::string& sql, const std::string& out) {
  const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return 1;
  dup2(fd, 1);
  close(fd);
  execlp("sqlite3", "sqlite3", "-json", base.c_str(), sql.c_str(), static_cast<char*>(nullptr));
  return 127;
}

template <typename F>
Run Best(int repeat, F child) {
  Run best;
  for (int i = 0; i < repeat; ++i) {
    const Run r = InChild(child);
    if (!r.ok) return r;
    if (i == 0 || r.ms < best.ms) best.ms = r.ms;
    if (r.peakKb > best.peakKb) best.peakKb = r.peakKb;
    best.ok = true;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--goods" && i + 1 < argc) {
      o.goods = std::atol(argv[++i]);
    } else if (a == "--repeat" && i + 1 < argc) {
      o.repeat = std::atoi(argv[++i]);
    } else if (a == "--base" && i + 1 < argc) {
      o.base = argv[++i];
    } else if (a == "--check") {
      o.check = true;
    } else {
      std::cerr << "usage: tir_export_bench [--goods N] [--repeat N] [--base FILE] [--check]\n";
      return 2;
    }
  }
  const auto temp =
      std::filesystem::temp_directory_path() / ("tir_export_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(temp);
  const bool ownBase = o.base.empty();
  if (ownBase) o.base = (temp / "base.sqlite").string();
  if (!std::filesystem::exists(o.base)) {
    std::cerr << "creating a sample base with " << o.goods << " goods...\n";
    auto connection = tir::db::SqliteConnection::Open(o.base);
    tir::schema::CreateSchema(*connection);
    tir::demo::DemoOptions demo;
    demo.goods = o.goods;
    demo.docs = 0;
    tir::demo::GenerateDemoBase(*connection, demo);
  }
  const std::string ours = (temp / "goods.json").string();
  const std::string shell = (temp / "shell.json").string();
  const std::string sql = tir::exporting::TTirJSonBuilder::GoodsSql(0, true, "", 0, false, "", "");

  const Run shellRun = Best(o.repeat, [&] { return ShellJson(o.base, sql, shell); });
  const Run ourRun = Best(o.repeat, [&] { return ExportGoods(o.base, ours); });
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
