#pragma once

namespace tir::db {
class Connection;
class Query;
}  // namespace tir::db

namespace tir::exchange {

// Runs pQuery inside the caller's transaction when one is open, otherwise in one of its own that
// is committed, or rolled back when the query raises. Raises db::DbError.
void ExecAtomically(db::Connection& pConnection, db::Query& pQuery);

}  // namespace tir::exchange
