// tirdex serve: the exchange service of a base over HTTP. Peers, mobile agents and kitchen
// monitors post request envelopes and get the main export builder's answer, or post document
// envelopes that are imported.
#include <httplib.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "host/exchange/exchange_host_scope.h"
#include "host/exchange/exchange_serve_lock.h"
#include "host/exchange/exchange_service.h"
#include "host/exchange/exchange_stop.h"
#include "host/exchange/exchange_tokens.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {
namespace {

struct ServeOptions {
  std::string base;
  std::string listen = "127.0.0.1:8410";
  bool tokens = false;
  std::size_t maxBody = exchange::kDefaultMaxBody;
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

int RunServe(const ServeOptions& o) {
  std::string host;
  int port = 0;
  if (!SplitListen(o.listen, host, port)) {
    std::cerr << "tirdex serve: --listen wants ADDRESS:PORT, not \"" << o.listen << "\"\n";
    return kExitUsage;
  }
  // Declared before the connection, so it is destroyed last: closing the lock's descriptor
  // while the base is open would drop SQLite's own locks.
  const exchange::TServeLock lock(o.base);
  auto connection = OpenExistingBase(o.base);
  if (!lock.Held()) {
    std::cerr << "tirdex serve: another tirdex serve is serving " << o.base << "\n";
    return kExitFailure;
  }
  exchange::THostScope scope(*connection);
  exchange::TServiceShared shared;
  shared.maxBody = o.maxBody;
  exchange::TExchangeService service(*connection, shared);
  if (o.tokens) PrintActiveTokens(*connection);

  httplib::Server server;
  // One worker and one request per connection: requests to the base run one after another, and
  // the documents of an answer are marked as delivered before the next request starts.
  server.new_task_queue = [] { return new httplib::ThreadPool(1); };
  server.set_keep_alive_max_count(1);
  server.set_payload_max_length(o.maxBody);
  server.set_read_timeout(60, 0);
  server.set_write_timeout(600, 0);
  const auto log = [](const std::string& line) { std::cout << line << std::endl; };
  server.Post(".*", [&](const httplib::Request& req, httplib::Response& res) {
    const auto start = std::chrono::steady_clock::now();
    auto answer = std::make_shared<exchange::TExchangeAnswer>(service.Handle(req.body));
    res.status = answer->status;
    const std::string peer = req.remote_addr;
    const auto elapsedMs = [start] {
      return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
          .count();
    };
    if (answer->status != 200) {
      res.set_content(answer->body, "application/json");
      log(exchange::TExchangeService::LogLine(*answer, peer, elapsedMs(), ""));
      return;
    }
    // Written straight from the answer, without a copy; its documents count as delivered only
    // when the whole answer was written.
    res.set_content_provider(
        answer->body.size(), "application/json",
        [answer](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          const std::string& body = answer->body;
          return sink.write(body.data() + offset, std::min(length, body.size() - offset));
        },
        [answer, &service, peer, elapsedMs, log](bool success) {
          const bool documents = answer->delivery != nullptr;
          const bool marked = service.Delivered(*answer, success);
          const char* delivered = !documents ? "" : !success ? "no" : marked ? "yes" : "failed";
          log(exchange::TExchangeService::LogLine(*answer, peer, elapsedMs(), delivered));
        });
  });
  // Answers the server gives by itself (an oversized body, a GET) carry an "info" block too.
  const std::string baseGuid = service.BaseGUID();
  server.set_error_handler([&, baseGuid](const httplib::Request& req, httplib::Response& res) {
    if (!res.body.empty()) return;
    std::string text = "POST a request envelope";
    if (res.status == 413) text = "request body over " + std::to_string(o.maxBody) + " bytes";
    exchange::TExchangeAnswer answer;
    answer.status = res.status;
    answer.body = exchange::InfoAnswer(res.status, text, baseGuid);
    answer.note = text;
    res.set_content(answer.body, "application/json");
    log(exchange::TExchangeService::LogLine(answer, req.remote_addr, 0, ""));
  });

  int bound = port;
  if (port == 0) {
    bound = server.bind_to_any_port(host);
  } else if (!server.bind_to_port(host, port)) {
    bound = -1;
  }
  if (bound < 0) {
    std::cerr << "tirdex serve: cannot listen on " << o.listen << "\n";
    return kExitFailure;
  }
  exchange::InstallStopSignals();
  std::atomic<bool> ended{false};
  std::thread watcher([&server, &ended] {
    while (!exchange::StopRequested().load() && !ended.load())
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.stop();
  });
  std::cout << "tirdex serve: listening on http://" << host << ":" << bound << "/ (base " << o.base
            << ")" << std::endl;
  const bool clean = server.listen_after_bind();
  ended.store(true);
  watcher.join();
  std::cout << "tirdex serve: stopped" << std::endl;
  return clean || exchange::StopRequested().load() ? kExitOk : kExitFailure;
}

void InstallServeCommands(CLI::App& app) {
  auto o = std::make_shared<ServeOptions>();
  CLI::App* cmd = app.add_subcommand(
      "serve",
      "Serve the base to other bases, mobile agents and kitchen monitors over HTTP. A client\n"
      "POSTs a request envelope ({\"request\":{\"cmd\":...,\"token\":...}}); the service checks\n"
      "the token against the base's active token profiles (tirdex tokens), answers with the\n"
      "catalogs, goods and documents the command words ask for, and marks documents as\n"
      "delivered once the answer was written in full. A document envelope (cmd\n"
      "docstirformat001, mobileagentorders, cookstatus) is imported in one transaction.\n"
      "Refused requests get {\"info\":{\"error\":N,\"errorTxt\":...}}. Requests run one at a\n"
      "time; every request is logged on stdout. Stops on Ctrl-C or SIGTERM. See\n"
      "docs/EXCHANGE.md.");
  cmd->add_option("DB", o->base, "The base file (SQLite)")->required();
  cmd->add_option("--listen", o->listen,
                  "ADDRESS:PORT to listen on (default 127.0.0.1:8410; port 0 picks a free one;\n"
                  "0.0.0.0 opens the service to the network)");
  cmd->add_flag("--tokens", o->tokens, "Print the names of the tokens the service accepts");
  cmd->add_option("--max-body", o->maxBody, "Refuse request bodies over BYTES (default 64 MB)")
      ->check(CLI::PositiveNumber);
  cmd->callback([o] {
    try {
      SetExitCode(RunServe(*o));
    } catch (const std::exception& e) {
      std::cerr << "tirdex serve: " << e.what() << "\n";
      SetExitCode(kExitFailure);
    }
  });
}

const bool registered = RegisterCommands("serve", InstallServeCommands);

}  // namespace
}  // namespace tir::tirdex
