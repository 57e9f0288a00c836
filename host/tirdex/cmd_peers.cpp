// tirdex peers: what the exchange service last saw of each peer, for the operator and monitoring.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "db/date_time.h"
#include "host/exchange/exchange_peer_status.h"
#include "host/exchange/exchange_status_page.h"
#include "host/schema/schema.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {
namespace {

struct PeersOptions {
  std::string base;
  bool json = false;
  double lateHours = 24;
};

std::string Line(const exchange::TPeerStatus& p) {
  using exchange::StatusTime;
  std::string line = p.name + "\t" + (p.late ? "LATE" : "ok") + (p.active ? "" : " disabled") +
                     " (" + exchange::AgeText(p) + ")";
  line += "\tpull " + (p.pullAt ? StatusTime(p.pullAt) + " " + std::to_string(p.pullDocs) +
                                      " docs " + std::to_string(p.pullRows) + " rows"
                                : std::string("never"));
  line += "\tpush " + (p.pushAt ? StatusTime(p.pushAt) + " " + std::to_string(p.pushDocs) + " docs"
                                : std::string("never"));
  line += "\tpending " + std::to_string(p.pending) + " docs";
  line += "\tbatch " + (p.batch.empty() ? std::string("none")
                                        : p.batch + " " + std::to_string(p.batchDocs) + " docs " +
                                              StatusTime(p.batchAt));
  line +=
      "\terror " + (p.errorAt ? StatusTime(p.errorAt) + " " + p.errorText : std::string("none"));
  return line + "\t" + p.scope;
}

int Peers(const PeersOptions& o) {
  auto connection = OpenExistingBase(o.base);
  tir::schema::EnsureChainSchema(*connection);
  const auto peers = exchange::LoadPeerStatus(*connection, db::NowDateTime(), o.lateHours);
  bool late = false;
  for (const exchange::TPeerStatus& p : peers) late = late || p.late;
  if (o.json) {
    std::cout << exchange::PeerStatusJson(peers, o.lateHours) << "\n";
  } else {
    if (peers.empty()) std::cout << "no peers\n";
    for (const exchange::TPeerStatus& p : peers) std::cout << Line(p) << "\n";
  }
  return late ? kExitFailure : kExitOk;
}

void InstallPeersCommand(CLI::App& app) {
  auto o = std::make_shared<PeersOptions>();
  CLI::App* peers = app.add_subcommand(
      "peers",
      R"(Show each peer of the exchange service (token profile): its last pull and push, the
documents of its scope it does not hold yet, its unacknowledged batch and its last
error, the latest peer first. Exit code 1 when a peer has not pulled or pushed for more
than --late hours (a peer that never synced is late), 0 otherwise.)");
  AddBaseOption(*peers, o->base);
  peers->add_flag("--json", o->json, "Print one JSON object for scripts");
  peers->add_option("--late", o->lateHours, "Hours after which a peer is late (default 24)")
      ->check(CLI::NonNegativeNumber);
  OnRun(*peers, o, Peers);
}

const bool registered = RegisterCommands("peers", InstallPeersCommand);

}  // namespace
}  // namespace tir::tirdex
