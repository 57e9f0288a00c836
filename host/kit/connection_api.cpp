// TirHostOpenConnection / TirHostCloseConnection: the host's side of the database connection.
#include <exception>
#include <iostream>
#include <memory>

#include "db/odbc_base.h"
#include "db/query.h"
#include "db/sqlite_connection.h"
#include "host/kit/tir_host_kit.h"
#include "host/schema/schema.h"

namespace {

// A base without a single table of its own is new: it receives the schema. A base that has
// tables is used as it is.
bool IsEmptyBase(tir::db::SqliteConnection& connection) {
  tir::db::Query query(connection);
  query.SetSql("SELECT COUNT(*) AS n FROM sqlite_master WHERE type='table';");
  query.Open();
  return query.FieldByName("n").AsInt64() == 0;
}

}  // namespace

namespace tir::hostkit {
void ForgetCallbackConnection(const void* connection);  // host_callbacks.cpp
}  // namespace tir::hostkit

extern "C" void* TirHostOpenConnection(const char* utf8Path) {
  if (utf8Path == nullptr || *utf8Path == '\0') {
    std::cerr << "TirHostOpenConnection: no base file name given\n";
    return nullptr;
  }
  try {
    // "odbc:…" names an ODBC data source (a Microsoft SQL Server base): it is used as it is; its
    // schema and tree procedures come from the script of `tirdex schema --mssql`.
    if (tir::db::IsOdbcBase(utf8Path)) return tir::db::OpenOdbcBase(utf8Path).release();
    std::unique_ptr<tir::db::SqliteConnection> connection =
        tir::db::SqliteConnection::Open(utf8Path);
    if (IsEmptyBase(*connection)) tir::schema::CreateSchema(*connection);
    // The module receives the connection as the host's Connection object.
    return static_cast<tir::db::Connection*>(connection.release());
  } catch (const std::exception& e) {
    std::cerr << "TirHostOpenConnection: cannot open the base " << utf8Path << ": " << e.what()
              << "\n";
  } catch (...) {
    std::cerr << "TirHostOpenConnection: cannot open the base " << utf8Path << "\n";
  }
  return nullptr;
}

extern "C" void TirHostCloseConnection(void* connection) {
  auto* base = static_cast<tir::db::Connection*>(connection);
  tir::hostkit::ForgetCallbackConnection(base);
  delete base;
}
