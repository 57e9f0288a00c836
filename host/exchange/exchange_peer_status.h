#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tir::db {
class Connection;
}

namespace tir::exchange {

// What happened on one request of a peer, as the status keeps it.
enum class TPeerEvent { kPull, kPush, kError };

// One sync run of a client makes several requests in a row (catalogs, goods, document batches,
// pushes of 300 documents): requests of a peer less than this apart count as one run.
constexpr double kPeerRunSeconds = 60;

// Writes the peer's last pull (pDocs documents and pRows rows sent), last push (pDocs documents
// received) or last error (pError) at the current time. A pull or push within kPeerRunSeconds of
// the previous one adds its counts to it, so that the counts are those of the whole sync run. The
// caller holds the service's write lock. Raises db::DbError.
void RecordPeerEvent(db::Connection& pConnection, const std::string& pPeer, TPeerEvent pEvent,
                     std::int64_t pDocs, std::int64_t pRows, const std::string& pError);

// One peer as the operator sees it. Times are day numbers (db/date_time.h).
struct TPeerStatus {
  std::string name;
  bool active = true;
  std::string scope;  // the profile's scope in words
  std::optional<double> pullAt, pushAt, errorAt;
  std::int64_t pullDocs = 0, pullRows = 0, pushDocs = 0;
  std::string errorText;
  std::int64_t pending = 0;  // documents of its scope it does not hold in their current stamp
  std::string batch;         // its unacknowledged batch, empty when none
  std::int64_t batchDocs = 0;
  std::optional<double> batchAt;
  std::optional<double> lateHours;  // since its last pull or push; none when it never synced
  bool late = false;                // never synced, or lateHours over the limit
};

// Every peer (token profile that exchanges data) of the base, the latest first: those that never
// synced, then by the time since their last pull or push. A peer is late when it never synced or
// its last pull or push is more than pLateHours before pNow. Only reads. Raises db::DbError.
std::vector<TPeerStatus> LoadPeerStatus(db::Connection& pConnection, double pNow,
                                        double pLateHours);

// "YYYY-MM-DD HH:MM:SS" of a day number, or "never".
std::string StatusTime(const std::optional<double>& pAt);

}  // namespace tir::exchange
