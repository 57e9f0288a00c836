#pragma once

#include <cstdint>
#include <memory>
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
// document silently, so a posting command refuses up front (true, after printing why).
bool RefuseWhileMassRepost(PostingSession& session);

}  // namespace tir::tirdex
