#include "db/odbc_diag.h"

#include <sql.h>

#include "db/db_error.h"

namespace tir::db::odbc {

std::string Messages(short handleType, void* handle) {
  std::string out;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[1024] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN rc =
        SQLGetDiagRec(handleType, handle, record, state, &native, text, sizeof text, &length);
    if (!Succeeded(rc)) break;
    if (!out.empty()) out += "; ";
    out += reinterpret_cast<const char*>(text);
  }
  return out;
}

void Raise(short handleType, void* handle, const std::string& fallback, const std::string& sql) {
  std::string message = handle != nullptr ? Messages(handleType, handle) : std::string();
  if (message.empty()) message = fallback;
  if (!sql.empty()) message += " | SQL: " + sql.substr(0, 200);
  throw DbError(message);
}

bool Succeeded(short rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

}  // namespace tir::db::odbc
