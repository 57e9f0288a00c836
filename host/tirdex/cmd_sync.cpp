// tirdex sync: the client side of the exchange; keeps a base up to date from a tirdex serve.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "host/exchange/exchange_client.h"
#include "host/exchange/exchange_http_rules.h"
#include "host/kit/host_scope.h"
#include "host/kit/host_stop.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {
namespace {

struct SyncOptions {
  std::string base;
  exchange::TSyncOptions sync;
  double every = 0;
  std::string tokenFile;
  std::string maxAnswer;
};

// The token from --token-file, TIRDEX_TOKEN or --token (in that order of preference; a value on
// the command line is visible to every user of the machine, so it gets a warning). "" with a
// message on stderr when there is none or the file cannot be read.
std::string TokenOf(const SyncOptions& o, bool& usage) {
  usage = false;
  if (!o.tokenFile.empty()) {
    std::ifstream in(o.tokenFile);
    std::string token;
    std::getline(in, token);
    while (!token.empty() && (token.back() == '\r' || token.back() == ' ' || token.back() == '\t'))
      token.pop_back();
    if (!in && !in.eof()) token.clear();
    if (token.empty())
      std::cerr << "tirdex sync: no token in " << o.tokenFile << " (its first line)\n";
    return token;
  }
  if (!o.sync.token.empty()) {
    std::cerr << "tirdex sync: warning: a token given with --token can be read by other users "
                 "of this machine (ps); use --token-file FILE or TIRDEX_TOKEN\n";
    return o.sync.token;
  }
  if (const char* env = std::getenv("TIRDEX_TOKEN"); env != nullptr && *env != '\0') return env;
  std::cerr << "tirdex sync: give the token with --token-file FILE or the environment variable "
               "TIRDEX_TOKEN\n";
  usage = true;
  return {};
}

// The folder of a base file, for the answers; "" (the temporary folder) for a server base.
std::string FolderOf(const std::string& base) {
  if (base.rfind("odbc:", 0) == 0) return {};
  const std::filesystem::path parent = std::filesystem::absolute(base).parent_path();
  return parent.string();
}

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
  std::cout.setf(std::ios::unitbuf);  // every line reaches a log file at once
  bool usage = false;
  o.sync.token = TokenOf(o, usage);
  if (o.sync.token.empty()) return usage ? kExitUsage : kExitFailure;
  if (!o.maxAnswer.empty() && !exchange::ParseByteSize(o.maxAnswer, o.sync.http.maxAnswer)) {
    std::cerr << "tirdex sync: --max-answer wants a size such as 500M or 2G, not \"" << o.maxAnswer
              << "\"\n";
    return kExitUsage;
  }
  if (o.sync.http.insecure)
    std::cerr << "tirdex sync: warning: --insecure: the service's certificate is not checked; "
                 "anyone on the way can read the token and the data\n";
  o.sync.http.answerFolder = FolderOf(o.base);
  auto connection = OpenExistingBase(o.base);
  hostkit::THostScope scope(*connection);
  hostkit::InstallStopSignals();
  o.sync.http.stop = &hostkit::StopRequested();
  // Steps and retries on stderr, so that a wait for a busy service is never silent.
  o.sync.say = [](const std::string& line) { std::cerr << "tirdex sync: " << line << "\n"; };
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
    if (o.every <= 0 || hostkit::StopRequested().load()) break;
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(static_cast<std::int64_t>(o.every * 1000));
    while (!hostkit::StopRequested().load() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (hostkit::StopRequested().load()) break;
  }
  if (hostkit::StopRequested().load()) {
    std::cout << Stamp() << " stopped" << std::endl;
    return kExitOk;
  }
  return code;
}

void InstallSyncCommands(CLI::App& app) {
  auto o = std::make_shared<SyncOptions>();
  CLI::App* cmd = app.add_subcommand(
      "sync",
      R"(Bring the base up to date from a tirdex serve: asks for catalogs, partners and goods
(goods only when they changed since the last sync, partners and catalogs when their
last load is older than the given days), then for the documents not yet delivered,
repeating while answers bring documents. Each answer is loaded in one transaction with
the counters it advances and acknowledged after it committed; a refused or failed answer
writes nothing and gives exit code 1. Then it sends the documents created or changed in
the base since they were last received or sent. With --every it repeats until Ctrl-C or
SIGTERM. The token comes from --token-file, TIRDEX_TOKEN or --token. See
docs/EXCHANGE.md.)");
  AddBaseOption(*cmd, o->base);
  cmd->add_option("URL", o->sync.url, "The service, e.g. http://127.0.0.1:8410/")->required();
  auto* tokenFile =
      cmd->add_option("--token-file", o->tokenFile,
                      "Read the token from the first line of FILE (keep it readable by you only)")
          ->check(CLI::ExistingFile);
  cmd->add_option("--token", o->sync.token,
                  "The token value (visible to other users; prefer --token-file or TIRDEX_TOKEN)")
      ->excludes(tokenFile);
  cmd->add_option("--ca", o->sync.http.caFile,
                  "https: trust the service's certificate from this PEM file instead of the\n"
                  "system's store (a self-signed certificate)")
      ->check(CLI::ExistingFile);
  cmd->add_flag("--insecure", o->sync.http.insecure,
                "https: do not check the service's certificate at all (says so on stderr)");
  cmd->add_option("--max-answer", o->maxAnswer,
                  "Refuse answers over SIZE bytes (K, M, G suffixes; default 2G)");
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
  OnRun(*cmd, o, RunSync);
}

const bool registered = RegisterCommands("sync", InstallSyncCommands);

}  // namespace
}  // namespace tir::tirdex
