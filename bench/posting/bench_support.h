#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "db/connection.h"

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

}  // namespace tir::bench
