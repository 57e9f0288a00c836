#include "host/tirdex/posting_session.h"

#include <iostream>
#include "db/date_time.h"

#include "frame/app_globals.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {

PostingSession::PostingSession(const std::string& path, std::int32_t userId)
    : connection_(OpenExistingBase(path)),
      host_(std::make_unique<hostkit::THostScope>(
          *connection_,
          hostkit::THostUser{.id = userId, .type = 0, .name = "", .entities = "", .stores = ""})),
      engine_(std::make_unique<posting::TDMMainProvodka>()) {
  engine_->SetConnectToDB(connection_.get());
}

PostingSession::~PostingSession() = default;

bool RefuseWhileMassRepost(PostingSession& session) {
  if (!session.engine().IsMassRepostControlActive()) return false;
  std::cerr << "tirdex: a mass re-posting is running on this base; nothing was posted\n";
  return true;
}

}  // namespace tir::tirdex
