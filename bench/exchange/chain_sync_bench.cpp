// Exchange benchmark: the first tirdex sync of an empty shop from a head office against moving the
// same data with tirdex export + tirdex import, and an incremental sync of changed documents and
// prices. Runs the real tirdex binary over loopback; every figure is wall time in this run, with
// the CPU time (user + system) of the processes beside it, which the machine's load moves less.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/bench_support.h"
#include "db/query.h"
#include "db/sqlite_connection.h"

extern char** environ;

namespace {

using tir::bench::Clock;
using tir::bench::Seconds;

std::string gTirdex = TIRDEX_FILE;

// Starts tirdex with its output going to pOut (stdout and stderr).
pid_t Spawn(const std::vector<std::string>& pArgs, const std::string& pOut) {
  std::vector<std::string> all = {gTirdex};
  all.insert(all.end(), pArgs.begin(), pArgs.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, pOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, gTirdex.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + gTirdex);
  return pid;
}

std::string ReadAll(const std::string& pFile) {
  std::ifstream in(pFile);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs tirdex to its end; the wall seconds, and its CPU seconds (user + system) in pCpu. A failed
// run raises with its output.
double Run(const std::vector<std::string>& pArgs, const std::string& pLog, double* pCpu = nullptr) {
  const auto start = Clock::now();
  const pid_t pid = Spawn(pArgs, pLog);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double seconds = Seconds(start);
  if (pCpu != nullptr)
    *pCpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("tirdex " + pArgs.at(0) + " failed:\n" + ReadAll(pLog));
  return seconds;
}

// CPU seconds (user + system) a running process has used so far, from /proc; 0 when unknown.
double ProcessCpu(pid_t pPid) {
  std::ifstream in("/proc/" + std::to_string(pPid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  double ticks = 0;
  // After the name: state is field 3; utime and stime are fields 14 and 15.
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i >= 14) ticks += std::stod(field);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void Exec(const std::string& pBase, const std::string& pSql) {
  auto c = tir::db::SqliteConnection::Open(pBase);
  tir::db::Query q(*c);
  q.SetSql(pSql);
  q.ExecSql();
}

std::int64_t Count(const std::string& pBase, const std::string& pSql) {
  auto c = tir::db::SqliteConnection::Open(pBase);
  return tir::bench::Scalar(*c, pSql);
}

void Remove(const std::string& pBase) {
  for (const char* tail : {"", "-wal", "-shm", "-journal"}) std::remove((pBase + tail).c_str());
}

int Bench(int argc, char** argv) {
  int goods = 100000, docs = 50000, changes = 100;
  bool check = false;
  std::string dir = "/tmp";
  if (!tir::bench::ParseOptions(
          argc, argv,
          {tir::bench::Value("--goods", goods), tir::bench::Value("--docs", docs),
           tir::bench::Value("--changes", changes), tir::bench::Value("--dir", dir),
           tir::bench::Value("--tirdex", gTirdex), tir::bench::Switch("--check", check)},
          "chain_sync_bench [--goods N] [--docs N] [--changes N] "
          "[--dir DIR] [--tirdex FILE] [--check]"))
    return 2;
  const std::string stem = dir + "/tir-chain-bench-" + std::to_string(getpid());
  const std::string ho = stem + "-ho.sqlite", copy = stem + "-copy.sqlite",
                    shop = stem + "-shop.sqlite", file = stem + ".json", log = stem + ".log",
                    serveLog = stem + "-serve.log";
  struct Cleanup {
    std::vector<std::string> bases;
    pid_t serve = -1;
    ~Cleanup() {
      if (serve > 0) {
        kill(serve, SIGTERM);
        waitpid(serve, nullptr, 0);
      }
      for (const std::string& b : bases) Remove(b);
    }
  } cleanup{{ho, copy, shop, file, log, serveLog}};

  std::cout << "head office: " << goods << " goods, " << docs << " documents" << std::endl;
  Run({"demo-base", ho, "--goods", std::to_string(goods), "--docs", std::to_string(docs)}, log);
  Exec(ho, "UPDATE tirDocuments SET fSyncDate=NULL, fSyncState=0;");
  Run({"tokens", ho, "add", "shop", "--token", "bench-token-000001", "--doc-sync"}, log);
  Run({"schema", copy}, log);
  Run({"schema", shop}, log);

  // The same data moved as one file: every catalog, all goods and every document.
  double exportCpu = 0, importCpu = 0;
  const double exportS = Run({"export", ho, file, "--goods", "full", "--contracts", "--catalogs",
                              "--docs-period", "1900-01-01", "2200-01-01"},
                             log, &exportCpu);
  const double importS = Run({"import", copy, file}, log, &importCpu);

  cleanup.serve = Spawn({"serve", ho, "--listen", "127.0.0.1:0"}, serveLog);
  std::string url;
  const std::string sign = "listening on http://127.0.0.1:";
  for (int i = 0; i < 3000 && url.empty(); ++i) {
    const std::string out = ReadAll(serveLog);
    if (const auto at = out.find(sign); at != std::string::npos)
      url = "http://127.0.0.1:" + std::to_string(std::stoi(out.substr(at + sign.size()))) + "/";
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (url.empty()) throw std::runtime_error("tirdex serve did not start:\n" + ReadAll(serveLog));
  const std::vector<std::string> sync = {"sync", shop, url, "--token", "bench-token-000001"};
  double firstCpu = 0;
  const double serveBefore = ProcessCpu(cleanup.serve);
  const double firstS = Run(sync, log, &firstCpu);
  const double firstServeCpu = ProcessCpu(cleanup.serve) - serveBefore;

  // Changed documents and prices, by plain SQL as another writer would.
  const std::string n = std::to_string(changes);
  Exec(ho,
       "UPDATE tirDocuments SET fDesc='changed' WHERE fId IN (SELECT fId FROM tirDocuments "
       "ORDER BY fId LIMIT " +
           n + ");");
  Exec(ho,
       "UPDATE tirGoods SET fPriceOut1=fPriceOut1+1 WHERE fId IN (SELECT fId FROM tirGoods "
       "ORDER BY fId DESC LIMIT " +
           n + ");");
  double nextCpu = 0;
  const double nextServeBefore = ProcessCpu(cleanup.serve);
  const double nextS = Run(sync, log, &nextCpu);
  const double nextServeCpu = ProcessCpu(cleanup.serve) - nextServeBefore;
  const std::string nextLine = ReadAll(log);

  const double ratio = firstS / (exportS + importS);
  const double cpuRatio = (firstCpu + firstServeCpu) / (exportCpu + importCpu);
  std::printf("export %.2f s + import %.2f s = %.2f s (CPU %.2f + %.2f = %.2f s)\n", exportS,
              importS, exportS + importS, exportCpu, importCpu, exportCpu + importCpu);
  std::printf("first sync %.2f s: %.2fx export + import (target at most 1.3x: %s)\n", firstS, ratio,
              ratio <= 1.3 ? "met" : "NOT met");
  std::printf("first sync CPU: client %.2f s + service %.2f s = %.2f s, %.2fx export + import\n",
              firstCpu, firstServeCpu, firstCpu + firstServeCpu, cpuRatio);
  std::printf(
      "sync of %d changed documents and %d changed prices %.2f s, CPU client %.2f s + service "
      "%.2f s (target under 1 s: %s)\n",
      changes, changes, nextS, nextCpu, nextServeCpu, nextS < 1.0 ? "met" : "NOT met");
  std::fflush(stdout);
  if (!check) return 0;
  // The smoke: the shop holds what the head office holds, and the changes arrived.
  const char* countDocs = "SELECT count(*) FROM tirDocuments;";
  const char* changed = "SELECT count(*) FROM tirDocuments WHERE fDesc='changed';";
  if (Count(shop, countDocs) != Count(ho, countDocs) || Count(shop, changed) != changes ||
      Count(shop, "SELECT count(*) FROM tirGoods;") !=
          Count(ho, "SELECT count(*) FROM tirGoods;")) {
    std::cerr << "the shop does not hold the head office's documents and goods\n" << nextLine;
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return tir::bench::Reported("chain_sync_bench", [&] { return Bench(argc, argv); });
}
