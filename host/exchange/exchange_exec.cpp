#include "host/exchange/exchange_exec.h"

#include "db/connection.h"
#include "db/query.h"

namespace tir::exchange {

void ExecAtomically(db::Connection& pConnection, db::Query& pQuery) {
  const bool own = !pConnection.InTransaction();
  if (own) pConnection.StartTransaction();
  try {
    pQuery.ExecSql();
    if (own) pConnection.Commit();
  } catch (...) {
    if (own && pConnection.InTransaction()) pConnection.Rollback();
    throw;
  }
}

}  // namespace tir::exchange
