// tirdex sync: the client side of the exchange; keeps a base up to date from a tirdex serve.
#include <CLI/CLI.hpp>
#include <chrono>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "host/exchange/exchange_client.h"
#include "host/exchange/exchange_host_scope.h"
#include "host/exchange/exchange_stop.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {
namespace {

struct SyncOptions {
  std::string base;
  exchange::TSyncOptions sync;
  double every = 0;
};

std::string Stamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::ostringstream text;
  text << std::put_time(&local, "%Y-%m-%d %H:%M:%S");
  return text.str();
}

// The push's part of the report line; the options that switch directions off.
std::string PushReport(const exchange::TSyncOptions& o, const exchange::TSyncResult& r) {
  return o.push ? ", documents sent " + std::to_string(r.pushed) : std::string();
}

void AddDirectionOptions(CLI::App& cmd, exchange::TSyncOptions& o) {
  cmd.add_flag_callback(
      "--no-push", [&o] { o.push = false; },
      "Do not send this base's own new and changed documents");
  cmd.add_flag_callback(
      "--no-pull", [&o] { o.pull = false; }, "Do not ask for catalogs, goods and documents");
  cmd.add_flag("--full", o.full,
               "Ask for every catalog and all goods, whatever the last sync brought");
}

int RunSync(SyncOptions o) {
  auto connection = OpenExistingBase(o.base);
  exchange::THostScope scope(*connection);
  exchange::InstallStopSignals();
  o.sync.http.stop = &exchange::StopRequested();
  exchange::TSyncClient client(*connection, o.sync);
  int code = kExitOk;
  while (true) {
    const exchange::TSyncResult r = client.RunOnce();
    std::cout << r.report;
    if (r.ok) {
      std::cout << Stamp() << " synced from " << o.sync.url << ": goods sent " << r.goodsSent
                << (r.unchangedSnapshot != 0
                        ? " (goods snapshot " + std::to_string(r.unchangedSnapshot) + " unchanged)"
                        : std::string())
                << ", documents " << r.docs << PushReport(o.sync, r) << std::endl;
      code = kExitOk;
    } else {
      std::cerr << Stamp() << " tirdex sync: " << r.message << std::endl;
      code = kExitFailure;
    }
    if (o.every <= 0 || exchange::StopRequested().load()) break;
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(static_cast<std::int64_t>(o.every * 1000));
    while (!exchange::StopRequested().load() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (exchange::StopRequested().load()) break;
  }
  if (exchange::StopRequested().load()) {
    std::cout << Stamp() << " stopped" << std::endl;
    return kExitOk;
  }
  return code;
}

void InstallSyncCommands(CLI::App& app) {
  auto o = std::make_shared<SyncOptions>();
  CLI::App* cmd = app.add_subcommand(
      "sync",
      "Bring the base up to date from a tirdex serve: asks for catalogs, partners and goods\n"
      "(goods only when they changed since the last sync, partners and catalogs when their\n"
      "last load is older than the given days), then for the documents not yet delivered,\n"
      "repeating while answers bring documents. Each answer is loaded in one transaction with\n"
      "the counters it advances and acknowledged after it committed; a refused or failed answer\n"
      "writes nothing and gives exit code 1. Then it sends the documents created or changed in\n"
      "the base since they were last received or sent. With --every it repeats until Ctrl-C or\n"
      "SIGTERM. See docs/EXCHANGE.md.");
  cmd->add_option("DB", o->base, "The base file (SQLite) to bring up to date")->required();
  cmd->add_option("URL", o->sync.url, "The service, e.g. http://127.0.0.1:8410/")->required();
  cmd->add_option("--token", o->sync.token, "The token value this base was given")->required();
  cmd->add_option("--every", o->every, "Repeat every SECONDS until interrupted")
      ->check(CLI::PositiveNumber);
  cmd->add_option("--partners-days", o->sync.partnersDays,
                  "Ask for partners when their last load is this many days old (default 1)")
      ->check(CLI::NonNegativeNumber);
  cmd->add_option("--catalogs-days", o->sync.catalogsDays,
                  "Ask for the other catalogs when their last load is this old (default 1)")
      ->check(CLI::NonNegativeNumber);
  cmd->add_option("--timeout", o->sync.http.timeoutS, "Seconds one request may take (default 600)")
      ->check(CLI::PositiveNumber);
  AddDirectionOptions(*cmd, o->sync);
  cmd->callback([o] {
    try {
      SetExitCode(RunSync(*o));
    } catch (const std::exception& e) {
      std::cerr << "tirdex sync: " << e.what() << "\n";
      SetExitCode(kExitFailure);
    }
  });
}

const bool registered = RegisterCommands("sync", InstallSyncCommands);

}  // namespace
}  // namespace tir::tirdex
