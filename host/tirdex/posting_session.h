#pragma once

#include <cstdint>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "db/connection.h"
#include "host/kit/host_scope.h"
#include "host/tirdex/command_registry.h"
#include "posting/main_provodka.h"

namespace tir::tirdex {

// The host's side of a posting session: the open base, the application parameters the engine
// reads (the base kind, the signed-in user) and the database log callback (log lines go to
// tirSysLog of the same base).
class PostingSession {
 public:
  PostingSession(const std::string& path, std::int32_t userId);
  ~PostingSession();
  PostingSession(const PostingSession&) = delete;
  PostingSession& operator=(const PostingSession&) = delete;

  db::Connection& connection() { return *connection_; }
  posting::TDMMainProvodka& engine() { return *engine_; }

 private:
  std::unique_ptr<db::Connection> connection_;
  std::unique_ptr<hostkit::THostScope> host_;
  // Destroyed before the host scope and the connection: the engine ends its mode with its queries
  // still bound.
  std::unique_ptr<posting::TDMMainProvodka> engine_;
};

// Posting waits for nobody: while a mass re-posting holds the base the engine would skip every
// document silently, so a posting command refuses up front (message and exit code 1: true).
bool RefuseWhileMassRepost(PostingSession& session);

// A period bound: "YYYY-MM-DD[ HH:MM[:SS]]". A bare date as the upper bound covers its whole day
// (the value returned is then the first moment after it).
std::optional<double> PeriodBound(const std::string& text, bool upper);

// Runs `work`, turning every failure into a message and exit code 1.
template <typename Work>
void Guarded(Work work) {
  try {
    SetExitCode(kExitOk);
    work();
  } catch (const std::exception& e) {
    std::cerr << "tirdex: " << e.what() << "\n";
    SetExitCode(kExitFailure);
  }
}

}  // namespace tir::tirdex
