// tirdex repost: the mass re-posting of a period as the host runs it. The command takes the
// cross-workstation control row, re-posts the documents chunk by chunk through the engine's
// in-memory batch and releases the control at the end, also when an error or Ctrl-C stops it.
#include <sqlite3.h>
#include <CLI/CLI.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/posting_session.h"
#include "host/tirdex/progress_line.h"
#include "posting/mass_repost_run.h"

namespace tir::tirdex {
namespace {

struct RepostOptions {
  std::string base;
  std::string from;
  std::string to;
  std::size_t chunk = 500;
  bool full = false;
  std::int32_t user = 1;
};

constexpr int kBusyTimeoutMs = 5000;  // the wait tirdex bases are opened with

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int /*signal*/) { gInterrupted = 1; }

// Ctrl-C asks the run to stop between documents; the previous handler comes back afterwards.
class InterruptGuard {
 public:
  InterruptGuard() {
    gInterrupted = 0;
    previous_ = std::signal(SIGINT, OnInterrupt);
  }
  ~InterruptGuard() { std::signal(SIGINT, previous_); }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

 private:
  void (*previous_)(int) = nullptr;
};

std::int64_t Count(db::Connection& c, const char* sql) {
  db::Query q(c);
  q.SetSql(sql);
  q.Open();
  return q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
}

// "re-posted D of T documents, R documents/s, about S s left".
std::string ProgressText(std::size_t done, std::size_t total, double seconds) {
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  std::ostringstream text;
  text << "re-posted " << done << " of " << total << " documents, " << std::fixed
       << std::setprecision(0) << rate << " documents/s";
  if (rate > 0) text << ", about " << static_cast<double>(total - done) / rate << " s left";
  return text.str();
}

int RunRepost(const RepostOptions& o) {
  posting::TMassRepostOptions run;
  if (o.full && (!o.from.empty() || !o.to.empty())) {
    return Fail("repost",
                "--full clears every register, so it re-posts every document; it takes no "
                "--from/--to",
                kExitUsage);
  }
  const std::optional<Period> period = ReadPeriod(o.from, o.to);
  if (!period) return Fail("repost", "--from and --to are dates", kExitUsage);
  run.from = period->from;
  run.to = period->to;
  run.toExclusive = period->toExcluded;
  run.chunk = o.chunk;
  run.full = o.full;

  PostingSession session(o.base, o.user);
  db::Connection& conn = session.connection();
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  double shown = -1;  // the line is redrawn at most twice a second, and at the end
  ProgressLine line;
  run.progress = [&](std::size_t done, std::size_t total) {
    const double now = elapsed();
    if (now - shown < 0.5 && done < total) return;
    shown = now;
    line.Show(ProgressText(done, total, now));
  };
  // Taking the control waits at most 50 ms at a time for the write lock: a run already going
  // is found by reading its control row rather than by queueing behind its chunks.
  run.quickLockWaits = [&](bool quick) {
    if (auto* sqlite = dynamic_cast<db::SqliteConnection*>(&session.connection())) {
      sqlite3_busy_timeout(sqlite->Handle(), quick ? 50 : kBusyTimeoutMs);
    }
  };
  InterruptGuard interrupt;
  run.stop = [] { return gInterrupted != 0; };

  posting::TMassRepostResult r;
  try {
    r = posting::RunMassRepost(session.engine(), conn, run);
  } catch (...) {
    line.Finish();
    throw;  // the run has rolled back its chunk and released the control
  }
  line.Finish();
  using Outcome = posting::TMassRepostResult::TOutcome;
  switch (r.outcome) {
    case Outcome::kControlHeld:
      std::cerr << "tirdex: Перепроведення вже виконується іншим користувачем.\n";
      return kExitFailure;
    case Outcome::kDocumentsHaveRows:
      std::cerr << "tirdex: " << r.withRows
                << " documents of the period still have register rows, and mass re-posting "
                   "removes none; run with --full (clears every register and rebuilds the "
                   "balances first) or unpost them first. Nothing was changed.\n";
      return kExitFailure;
    case Outcome::kStopped:
      std::cerr << "tirdex: interrupted after " << r.done << " of " << r.documents
                << " documents; whole chunks before that stay re-posted, the control is "
                   "released. Run again with --full to re-post everything.\n";
      return kExitFailure;
    case Outcome::kDone:
      break;
  }
  const double seconds = elapsed();
  std::cout << "went through " << r.documents << " documents in chunks of " << o.chunk;
  if (run.from || run.to) std::cout << " (period " << o.from << " .. " << o.to << ")";
  std::cout << " in " << std::fixed << std::setprecision(2) << seconds << " s";
  if (seconds > 0 && r.documents > 0) {
    std::cout << ", " << std::setprecision(0) << static_cast<double>(r.documents) / seconds
              << " documents/s";
  }
  std::cout << "\n  posted:      " << r.posted << "\n  left alone:  " << r.leftAlone
            << " (not in state 0 or 3, not re-posted)"
            << "\n  fallen back: " << r.fallenBack
            << " (customer returns and types without postings, handed to single posting)\n";
  if (o.full) std::cout << "  registers cleared and balances rebuilt first\n";
  std::cout << "  tirAStore rows:       " << Count(conn, "SELECT COUNT(*) FROM tirAStore;")
            << "\n  tirAMSettlement rows: " << Count(conn, "SELECT COUNT(*) FROM tirAMSettlement;")
            << "\n  tirAPayments rows:    " << Count(conn, "SELECT COUNT(*) FROM tirAPayments;")
            << "\n";
  return kExitOk;
}

void InstallRepostCommands(CLI::App& app) {
  auto o = std::make_shared<RepostOptions>();
  CLI::App* repost = app.add_subcommand(
      "repost",
      R"(Re-post the documents of a period in bulk (mass re-posting): documents are computed in
memory chunk by chunk, in date and id order, and their stock movements, balances,
settlements, payments and states are written with a few array statements. Only one
workstation re-posts at a time: while another run is live the command refuses and
changes nothing, and while this one runs ordinary posting waits. Documents in state 0
or 3 are posted; orders are set to state 0; others are left alone. Mass re-posting
removes no register rows, so without --full every document of the period must have
none. Ctrl-C stops after the current document; the chunks done stay written. A
progress line on stderr shows documents done, documents per second and time left.
At the end it prints how many documents were posted, left alone and handed to
single posting (customer returns), and the register row counts.)");
  AddBaseOption(*repost, o->base);
  AddPeriodOptions(*repost, "--from", o->from, "--to", o->to);
  repost->add_option("--chunk", o->chunk, "Documents per chunk (default 500)")
      ->check(CLI::Range(std::size_t{1}, std::size_t{1000000}));
  repost->add_flag("--full", o->full,
                   "Clear every register and rebuild the balances first, then re-post every\n"
                   "document of the base");
  repost->add_option("--user", o->user, "Id of the signed-in user (default 1)");
  OnRun(*repost, o, RunRepost);
}

const bool registered = RegisterCommands("repost", InstallRepostCommands);

}  // namespace
}  // namespace tir::tirdex
