#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/sqlite_connection.h"

namespace tir::bench {

using Clock = std::chrono::steady_clock;

// Wall-clock seconds since `since`, and the process's CPU seconds (user + system) so far.
double Seconds(Clock::time_point since);
double CpuSeconds();

std::int64_t Scalar(db::Connection& c, const std::string& sql);
std::vector<std::int64_t> DocumentsInDateOrder(db::Connection& c);

// Runs `step` for every item, committing every `commitEvery` items; returns the wall seconds.
template <typename Step>
double TimedInChunks(db::Connection& c, std::size_t count, std::size_t commitEvery, Step step) {
  const auto start = Clock::now();
  for (std::size_t i = 0; i < count; ++i) {
    if (!c.InTransaction()) c.StartTransaction();
    step(i);
    if ((i + 1) % commitEvery == 0) c.Commit();
  }
  if (c.InTransaction()) c.Commit();
  return Seconds(start);
}

// A command-line option of a benchmark: "--name value", or a switch "--name" without one.
struct Option {
  std::string name;
  std::function<void(const char* value)> set;
  bool switchOnly = false;
};
Option Value(const char* name, int& target);
Option Value(const char* name, long& target);
Option Value(const char* name, unsigned long& target);
Option Value(const char* name, std::string& target);
Option Switch(const char* name, bool& target);

// Sets the options given on the command line; on anything unknown, or a value missing, prints
// "usage: `usage`" to stderr and returns false.
bool ParseOptions(int argc, char** argv, const std::vector<Option>& options, const char* usage);

// Runs a benchmark's `work`; an exception is printed, prefixed with `name`, and gives 1.
int Reported(const char* name, const std::function<int()>& work);

// Creates the schema in an empty base and fills it with a generated sample back office.
void CreateSampleBase(db::SqliteConnection& c, std::int64_t goods, std::int64_t docs,
                      std::uint64_t seed = 1);

// One run of a child process: wall milliseconds, its peak resident memory and whether it exited
// with status 0.
struct ChildRun {
  double ms = 0;
  long peakKb = 0;
  bool ok = false;
};

// Runs `child` in a forked process, so that its peak memory is its own; its result is the
// process's exit status.
ChildRun InChild(const std::function<int()>& child);
// `repeat` runs of `child`: the shortest time and the highest peak; stops at the first failure.
ChildRun BestInChild(int repeat, const std::function<int()>& child);
// In a child process: the sqlite3 shell's JSON output of `sql` on `base`, written to `out`.
int SqliteShellJson(const std::string& base, const std::string& sql, const std::string& out);

}  // namespace tir::bench
