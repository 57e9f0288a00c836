#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/tir_token_one.h"

namespace tir::db {
class Connection;
}

namespace tir::exchange {

// The documents of one answer to a peer: the batch id the answer carries and the document ids.
struct TPeerBatch {
  std::string id;  // empty when there is nothing to send
  std::vector<std::int64_t> docIds;
  bool repeated = false;  // the peer's earlier batch, not yet acknowledged
};

enum class TAckResult { kDone, kAlready, kUnknown };

// The delivery ledger of the exchange service: per peer (a token profile, by name), the
// documents it holds and the stamp it holds them in, and the batches answered to it. Every
// member writes in one transaction of its own unless the caller has one open; the caller holds
// the service's write lock. Raises db::DbError.
class TPeerLedger {
 public:
  explicit TPeerLedger(db::Connection& pConnection) : mConnection(pConnection) {}

  // The peer's unacknowledged batch, or else a new one of at most pMax documents of the token's
  // scope that the peer does not hold in their current stamp (oldest id first), recorded before
  // it is answered.
  TPeerBatch OpenBatch(const TTirTokenOne& pToken, int pMax);

  // The peer confirmed that it loaded the batch: its documents are the peer's at the stamps they
  // had when the batch was built. Unknown ids and ids of another peer change nothing.
  TAckResult Acknowledge(const std::string& pPeer, const std::string& pBatch);

  // How many documents of the token's scope its peer does not hold in their current stamp (what
  // its next batches would carry). Only reads.
  std::int64_t PendingCount(const TTirTokenOne& pToken);

  // The peer holds these documents in their current stamps (it wrote them itself).
  void RecordHeld(const std::string& pPeer, const std::vector<std::int64_t>& pDocIds);

 private:
  db::Connection& mConnection;
};

}  // namespace tir::exchange
