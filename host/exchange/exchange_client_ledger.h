#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tir::db {
class Connection;
}

namespace tir::exchange {

// The client's ledger of documents, beside the change stamps the schema triggers keep in
// tirxDocStamps: tirxReceived holds the documents a sync loaded from a service and tirxPushed
// the documents a service (by its address) accepted from this base, each at the stamp the
// document had then. A document goes to a service when its stamp is in neither table: created or
// changed here since it was last received or pushed there.
struct TDocStamp {
  std::int64_t docId = 0;
  std::int64_t stamp = 0;
};

// The highest change stamp of the base (0 when no document has one).
std::int64_t MaxDocStamp(db::Connection& pConnection);

// Records every document whose stamp is above pStamp as received at its current stamp; runs in
// the transaction of the load that wrote them, so nothing else moved those stamps.
void RecordReceivedSince(db::Connection& pConnection, std::int64_t pStamp);

// Gives documents without a GUID one, so that giving it while a piece is built does not move
// their stamps after they were picked. Raises db::DbError.
void CompleteDocumentGuids(db::Connection& pConnection);

// The next at most pLimit documents to push, oldest change first.
std::vector<TDocStamp> NextPushPiece(db::Connection& pConnection, const std::string& pService,
                                     std::size_t pLimit);

// Records the documents as accepted by the service at the given stamps, in one transaction.
void RecordPushed(db::Connection& pConnection, const std::string& pService,
                  const std::vector<TDocStamp>& pPiece);

// The "docstirformat001" envelope with the piece's documents, the request carrying pToken.
// Raises std::runtime_error with the builder's errors.
std::string BuildPushEnvelope(db::Connection& pConnection, const std::string& pToken,
                              const std::vector<TDocStamp>& pPiece);

}  // namespace tir::exchange
