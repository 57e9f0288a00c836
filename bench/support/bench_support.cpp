#include "bench/support/bench_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>

#include "db/query.h"
#include "host/demo/demo_base.h"
#include "host/schema/schema.h"

namespace tir::bench {

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::int64_t Scalar(db::Connection& c, const std::string& sql) {
  db::Query q(c);
  q.SetSql(sql);
  q.Open();
  return q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
}

std::vector<std::int64_t> DocumentsInDateOrder(db::Connection& c) {
  db::Query q(c);
  q.SetSql("SELECT fId FROM tirDocuments ORDER BY fDateTime, fId;");
  q.Open();
  std::vector<std::int64_t> ids;
  ids.reserve(q.RecordCount());
  for (; !q.Eof(); q.Next()) ids.push_back(q.FieldByIndex(0).AsInt64());
  return ids;
}

Option Value(const char* name, int& target) {
  return {name, [&target](const char* v) { target = std::atoi(v); }};
}

Option Value(const char* name, long& target) {
  return {name, [&target](const char* v) { target = std::atol(v); }};
}

Option Value(const char* name, unsigned long& target) {
  return {name, [&target](const char* v) { target = std::strtoul(v, nullptr, 10); }};
}

Option Value(const char* name, std::string& target) {
  return {name, [&target](const char* v) { target = v; }};
}

Option Switch(const char* name, bool& target) {
  return {name, [&target](const char*) { target = true; }, true};
}

bool ParseOptions(int argc, char** argv, const std::vector<Option>& options, const char* usage) {
  for (int i = 1; i < argc; ++i) {
    const Option* found = nullptr;
    for (const Option& option : options) {
      if (option.name == argv[i] && (option.switchOnly || i + 1 < argc)) found = &option;
    }
    if (found == nullptr) {
      std::cerr << "usage: " << usage << "\n";
      return false;
    }
    found->set(found->switchOnly ? nullptr : argv[++i]);
  }
  return true;
}

int Reported(const char* name, const std::function<int()>& work) {
  try {
    return work();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", name, e.what());
    return 1;
  }
}

void CreateSampleBase(db::SqliteConnection& c, std::int64_t goods, std::int64_t docs,
                      std::uint64_t seed) {
  schema::CreateSchema(c);
  demo::DemoOptions demo;
  demo.goods = goods;
  demo.docs = docs;
  demo.seed = seed;
  demo::GenerateDemoBase(c, demo);
}

ChildRun InChild(const std::function<int()>& child) {
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) _exit(child());
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  ChildRun run;
  run.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  run.peakKb = usage.ru_maxrss;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

ChildRun BestInChild(int repeat, const std::function<int()>& child) {
  ChildRun best;
  for (int i = 0; i < repeat; ++i) {
    const ChildRun r = InChild(child);
    if (!r.ok) return r;
    if (i == 0 || r.ms < best.ms) best.ms = r.ms;
    if (r.peakKb > best.peakKb) best.peakKb = r.peakKb;
    best.ok = true;
  }
  return best;
}

int SqliteShellJson(const std::string& base, const std::string& sql, const std::string& out) {
  const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return 1;
  dup2(fd, 1);
  close(fd);
  execlp("sqlite3", "sqlite3", "-json", base.c_str(), sql.c_str(), static_cast<char*>(nullptr));
  return 127;
}

}  // namespace tir::bench
