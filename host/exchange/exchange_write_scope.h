#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/exchange/exchange_commands.h"
#include "settings/tir_token_one.h"

namespace tir::db {
class Connection;
}

namespace tir::exchange {

// Why an envelope may not be written: the first document outside the token's scope.
struct TScopeRefusal {
  std::string guid;  // the document's GUID as sent ("" when it has none)
  std::string reason;
};

// Checks a document envelope (docstirformat001, mobileagentorders or cookstatus) against the
// store, entity and document type lists of the token that sends it, before anything of it is
// written: every document must lie in the scope as sent, and a GUID that names a document of
// the base must name one in the scope, so that a peer can neither write nor rewrite another
// store's documents. A mobile order is checked with the store and entity the token maps to,
// which a new order gets. Empty lists do not limit. pGuids receives the GUIDs of the envelope's
// documents, as sent. Raises db::DbError.
std::optional<TScopeRefusal> CheckWriteScope(db::Connection& pConnection,
                                             const TTirTokenOne& pToken, TRequestKind pKind,
                                             const std::string& pBody,
                                             std::vector<std::string>& pGuids);

// The ids of the documents with these GUID texts (GUIDs the base does not hold are left out).
std::vector<std::int64_t> DocIdsOf(db::Connection& pConnection,
                                   const std::vector<std::string>& pGuids);

}  // namespace tir::exchange
