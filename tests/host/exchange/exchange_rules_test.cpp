// The server's small parts: framing, log fields, sizes, addresses and the worker pool.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "host/exchange/exchange_http_rules.h"
#include "host/exchange/exchange_log_line.h"
#include "host/exchange/exchange_service.h"
#include "host/exchange/exchange_temp_file.h"
#include "host/exchange/exchange_worker_pool.h"

namespace {

using tir::exchange::FramingError;

TEST(ExchangeRules, FramingIsAmbiguousOnlyWhenTwoReadersCouldCutTheBodyDifferently) {
  EXPECT_EQ(FramingError({}, {}), "");
  EXPECT_EQ(FramingError({"12"}, {}), "");
  EXPECT_EQ(FramingError({"12", " 12"}, {}), "");
  EXPECT_EQ(FramingError({}, {"Chunked"}), "");
  EXPECT_NE(FramingError({"12", "13"}, {}), "");
  EXPECT_NE(FramingError({"12"}, {"chunked"}), "");
  EXPECT_NE(FramingError({}, {"gzip"}), "");
  EXPECT_NE(FramingError({}, {"gzip, chunked"}), "");
  EXPECT_NE(FramingError({}, {"chunked", "chunked"}), "");
}

TEST(ExchangeRules, LogLinesStayOneLineWithEveryClientTextEscaped) {
  EXPECT_EQ(tir::exchange::LogField("a\"b\\c\nd\x7f"), "a\\\"b\\\\c\\x0ad\\x7f");
  EXPECT_EQ(tir::exchange::LogField("товар"), "товар");
  tir::exchange::TExchangeAnswer answer;
  answer.status = 400;
  answer.command = "get\" status=200 x=\"";
  answer.note = "bad\r\nforged line";
  const std::string line = tir::exchange::RequestLogLine(answer, "127.0.0.9", 1.5, "");
  EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  // The forged field stays inside the quotes of cmd.
  EXPECT_NE(line.find(R"( cmd="get\" status=200 x=\"" status=400 )"), std::string::npos) << line;
  EXPECT_NE(line.find("peer=127.0.0.9"), std::string::npos) << line;
  EXPECT_NE(tir::exchange::ClosedLogLine("::1", "late", 5).find("peer=::1"), std::string::npos);
}

TEST(ExchangeRules, SizesAddressesAndBodyRate) {
  std::uint64_t bytes = 0;
  ASSERT_TRUE(tir::exchange::ParseByteSize("10M", bytes));
  EXPECT_EQ(bytes, 10u << 20);
  ASSERT_TRUE(tir::exchange::ParseByteSize("2g", bytes));
  EXPECT_EQ(bytes, std::uint64_t{2} << 30);
  ASSERT_TRUE(tir::exchange::ParseByteSize("1500", bytes));
  EXPECT_EQ(bytes, 1500u);
  for (const char* bad : {"", "M", "0", "-5M", "10MB", "1.5G", "99999999999999999G"})
    EXPECT_FALSE(tir::exchange::ParseByteSize(bad, bytes)) << bad;

  for (const char* local : {"127.0.0.1", "127.1.2.3", "::1", "localhost"})
    EXPECT_TRUE(tir::exchange::IsLoopbackHost(local)) << local;
  for (const char* open : {"0.0.0.0", "192.168.1.5", "128.0.0.1", "::", "example.org"})
    EXPECT_FALSE(tir::exchange::IsLoopbackHost(open)) << open;

  // 64 KB/s after 5 s of allowance: a second late is 64 KB behind.
  EXPECT_FALSE(tir::exchange::BodyTooSlow(0, 4.9, 65536, 5));
  EXPECT_FALSE(tir::exchange::BodyTooSlow(65536, 6, 65536, 5));
  EXPECT_TRUE(tir::exchange::BodyTooSlow(65535, 6, 65536, 5));
  EXPECT_TRUE(tir::exchange::BodyTooSlow(100, 5.5, 65536, 5));
}

TEST(ExchangeWorkerPool, NamedJobsRunOnTheirWorkerAndEveryJobRunsBeforeTheEnd) {
  std::mutex mutex;
  std::vector<std::thread::id> threadOf(3);
  std::vector<std::size_t> ranOn;
  std::atomic<int> common{0};
  std::atomic<int> started{0}, ended{0};
  {
    tir::exchange::TWorkerPool pool(
        3,
        [&](std::size_t w) {
          std::lock_guard lock(mutex);
          threadOf[w] = std::this_thread::get_id();
          ++started;
        },
        [&](std::size_t) { ++ended; });
    for (int i = 0; i < 50; ++i)
      pool.Post([&](std::size_t) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        ++common;
      });
    for (int i = 0; i < 30; ++i)
      pool.PostTo(static_cast<std::size_t>(i % 3), [&, i](std::size_t w) {
        std::lock_guard lock(mutex);
        EXPECT_EQ(w, static_cast<std::size_t>(i % 3));
        EXPECT_EQ(threadOf[w], std::this_thread::get_id());
        ranOn.push_back(w);
      });
    pool.WaitIdle();
    EXPECT_EQ(common.load(), 50);
    EXPECT_EQ(ranOn.size(), 30u);
    // Queued when the pool goes: still run.
    for (int i = 0; i < 20; ++i) pool.Post([&](std::size_t) { ++common; });
  }
  EXPECT_EQ(common.load(), 70);
  EXPECT_EQ(started.load(), 3);
  EXPECT_EQ(ended.load(), 3);
}

// Answer files a killed sync left behind go once untouched for the given time; fresh ones (a sync
// at work), other names and other prefixes stay.
TEST(ExchangeTempFiles, OnlyStaleFilesOfThePrefixAreRemoved) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tir-stale-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const auto make = [&](const std::string& name, std::chrono::hours age) {
    std::ofstream(dir / name) << "x";
    fs::last_write_time(dir / name, fs::file_time_type::clock::now() - age);
  };
  make(".answer-abc123", std::chrono::hours(2));
  make(".answer-def456", std::chrono::hours(0));
  make(".answer-old", std::chrono::hours(2));
  make("other-abc123", std::chrono::hours(2));
  {
    const tir::exchange::TTempFile live(".answer", dir.string());
    EXPECT_EQ(tir::exchange::RemoveStaleTempFiles(".answer", dir.string(), 3600), 1);
    EXPECT_TRUE(fs::exists(live.Path()));
  }
  EXPECT_FALSE(fs::exists(dir / ".answer-abc123"));
  for (const char* kept : {".answer-def456", ".answer-old", "other-abc123"})
    EXPECT_TRUE(fs::exists(dir / kept)) << kept;
  fs::remove_all(dir);
}

}  // namespace
