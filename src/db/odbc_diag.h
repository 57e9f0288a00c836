#pragma once

#include <string>

namespace tir::db::odbc {

// The diagnostic records of an ODBC handle (SQL_HANDLE_ENV/DBC/STMT as `handleType`) joined by
// "; ", each as the driver wrote it ("[FreeTDS][SQL Server]Invalid object name 'x'.").
std::string Messages(short handleType, void* handle);

// Raises DbError with the handle's messages (or `fallback` when it has none) and, when given,
// " | SQL: " and the start of the statement text.
[[noreturn]] void Raise(short handleType, void* handle, const std::string& fallback,
                        const std::string& sql = std::string());

// True for SQL_SUCCESS and SQL_SUCCESS_WITH_INFO.
bool Succeeded(short rc);

}  // namespace tir::db::odbc
