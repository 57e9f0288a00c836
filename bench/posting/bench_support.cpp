#include "bench/posting/bench_support.h"

#include <sys/resource.h>

#include "db/query.h"

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

}  // namespace tir::bench
