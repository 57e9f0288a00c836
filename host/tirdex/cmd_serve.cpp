// tirdex serve: the exchange service of a base over HTTP or HTTPS. Peers, mobile agents and
// kitchen monitors post request envelopes and get the main export builder's answer, or post
// document envelopes that are imported.
#include <CLI/CLI.hpp>
#include <chrono>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "db/connection.h"
#include "host/exchange/exchange_http_rules.h"
#include "host/exchange/exchange_log_line.h"
#include "host/exchange/exchange_serve_lock.h"
#include "host/exchange/exchange_server.h"
#include "host/exchange/exchange_service.h"
#include "host/exchange/exchange_tokens.h"
#include "host/kit/host_scope.h"
#include "host/kit/host_stop.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {
namespace {

struct ServeOptions {
  std::string base;
  std::string listen = "127.0.0.1:8410";
  bool tokens = false;
  std::size_t maxBody = exchange::kDefaultMaxBody;
  std::size_t workers = 4;
  std::string tlsCert, tlsKey;
};

bool SplitListen(const std::string& text, std::string& host, int& port) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  host = text.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  try {
    std::size_t used = 0;
    port = std::stoi(text.substr(colon + 1), &used);
    return used == text.size() - colon - 1 && port >= 0 && port <= 65535;
  } catch (const std::exception&) {
    return false;
  }
}

void PrintActiveTokens(db::Connection& connection) {
  int active = 0;
  for (const exchange::TStoredToken& row : exchange::LoadTokens(connection)) {
    if (row.token.mActiv != 1) continue;
    ++active;
    std::cout << "tirdex serve: accepts token \"" << row.token.mName << "\" (type "
              << int(row.token.mType) << ")\n";
  }
  if (active == 0)
    std::cout << "tirdex serve: no active token; every request will be refused (tirdex tokens)\n";
}

bool ReadWhole(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return in.good() || in.eof();
}

int RunServe(const ServeOptions& o) {
  std::cout.setf(std::ios::unitbuf);  // every line reaches a log file at once
  std::string host;
  int port = 0;
  if (!SplitListen(o.listen, host, port)) {
    std::cerr << "tirdex serve: --listen wants ADDRESS:PORT, not \"" << o.listen << "\"\n";
    return kExitUsage;
  }
  if (o.tlsCert.empty() != o.tlsKey.empty()) {
    std::cerr << "tirdex serve: --tls-cert and --tls-key go together\n";
    return kExitUsage;
  }
  exchange::TServerOptions server;
  server.host = host;
  server.port = port;
  server.workers = o.workers;
  server.maxBody = o.maxBody;
  if (!o.tlsCert.empty() &&
      (!ReadWhole(o.tlsCert, server.tlsCert) || !ReadWhole(o.tlsKey, server.tlsKey) ||
       server.tlsCert.empty() || server.tlsKey.empty())) {
    std::cerr << "tirdex serve: cannot read the certificate " << o.tlsCert << " or the key "
              << o.tlsKey << "\n";
    return kExitFailure;
  }
  // Declared before the connections, so it is destroyed last: closing the lock's descriptor
  // while the base is open would drop SQLite's own locks.
  const exchange::TServeLock lock(o.base);
  auto connection = OpenExistingBase(o.base);
  if (!lock.Held()) {
    std::cerr << "tirdex serve: another tirdex serve is serving " << o.base << "\n";
    return kExitFailure;
  }
  hostkit::THostScope scope(*connection);
  if (o.tokens) PrintActiveTokens(*connection);

  std::mutex logMutex;
  server.log = [&logMutex](const std::string& line) {
    std::lock_guard hold(logMutex);
    std::cout << line << std::endl;
  };
  server.openBase = [&o] { return OpenExistingBase(o.base); };
  const bool tls = !server.tlsCert.empty();
  const std::string scheme = tls ? "https" : "http";
  const bool exposed = !exchange::IsLoopbackHost(host);
  exchange::TExchangeServer service(server);
  std::string error;
  if (!service.Start(error)) {
    std::cerr << "tirdex serve: " << error << "\n";
    return kExitFailure;
  }
  if (exposed && !tls) {
    const std::string warning = "serving " + host +
                                " without TLS: tokens and data cross the network readable by "
                                "anyone on the way; give --tls-cert and --tls-key";
    std::cerr << "tirdex serve: warning: " << warning << std::endl;
    server.log(exchange::NoticeLogLine(warning));
  }
  hostkit::InstallStopSignals();
  const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  std::cout << "tirdex serve: listening on " << scheme << "://" << shown << ":" << service.Port()
            << "/ (base " << o.base << ", " << o.workers << " workers)" << std::endl;
  while (!hostkit::StopRequested().load())
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  service.Stop();
  std::cout << "tirdex serve: stopped" << std::endl;
  return kExitOk;
}

void InstallServeCommands(CLI::App& app) {
  auto o = std::make_shared<ServeOptions>();
  CLI::App* cmd = app.add_subcommand(
      "serve",
      R"(Serve the base to other bases, mobile agents and kitchen monitors over HTTP. A client
POSTs a request envelope ({"request":{"cmd":...,"token":...}}); the service checks
the token against the base's active token profiles (tirdex tokens), answers with the
catalogs, goods and documents the command words ask for, and marks documents as
delivered once the answer was written in full. A document envelope (cmd
docstirformat001, mobileagentorders, cookstatus) is imported in one transaction.
Refused requests get {"info":{"error":N,"errorTxt":...}}. Requests are read in
full by one event loop (headers within 5 s, body at 64 KB/s or faster, 8 connections
per client address) and answered by --workers workers; every request is logged on
stdout. Stops on Ctrl-C or SIGTERM. See docs/EXCHANGE.md.)");
  AddBaseOption(*cmd, o->base);
  cmd->add_option("--listen", o->listen,
                  "ADDRESS:PORT to listen on (default 127.0.0.1:8410; port 0 picks a free one;\n"
                  "0.0.0.0 opens the service to the network)");
  cmd->add_option("--workers", o->workers, "Requests answered at once (default 4)")
      ->check(CLI::Range(1, 64));
  cmd->add_option("--tls-cert", o->tlsCert, "Serve HTTPS with this certificate (PEM file)")
      ->check(CLI::ExistingFile);
  cmd->add_option("--tls-key", o->tlsKey, "The certificate's private key (PEM file)")
      ->check(CLI::ExistingFile);
  cmd->add_flag("--tokens", o->tokens, "Print the names of the tokens the service accepts");
  cmd->add_option("--max-body", o->maxBody, "Refuse request bodies over BYTES (default 64 MB)")
      ->check(CLI::PositiveNumber);
  OnRun(*cmd, o, RunServe);
}

const bool registered = RegisterCommands("serve", InstallServeCommands);

}  // namespace
}  // namespace tir::tirdex
