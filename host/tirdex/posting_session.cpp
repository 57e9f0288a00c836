#include "host/tirdex/posting_session.h"

#include "db/date_time.h"
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
  SetExitCode(kExitFailure);
  return true;
}

std::optional<double> PeriodBound(const std::string& text, bool upper) {
  const std::optional<double> value = db::DateTimeFromSqlText(text);
  if (!value) return std::nullopt;
  return upper && text.size() == 10 ? *value + 1.0 : *value;
}

}  // namespace tir::tirdex
