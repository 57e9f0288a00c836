#include "db/odbc_connection.h"

#include <sql.h>
#include <sqlext.h>

#include "db/db_error.h"
#include "db/odbc_diag.h"
#include "db/odbc_statement.h"
#include "db/unicode_case.h"

namespace tir::db {

namespace {

std::string Info(SQLHDBC dbc, SQLUSMALLINT what) {
  char text[256] = {};
  SQLSMALLINT length = 0;
  if (!odbc::Succeeded(SQLGetInfo(dbc, what, text, sizeof text, &length))) return std::string();
  return text;
}

bool Contains(const std::string& text, const std::string& part) {
  return UnicodeUpper(text).find(UnicodeUpper(part)) != std::string::npos;
}

}  // namespace

std::unique_ptr<OdbcConnection> OdbcConnection::Open(const std::string& connectionString) {
  SQLHENV env = SQL_NULL_HENV;
  if (!odbc::Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
    throw DbError("Cannot start the ODBC driver manager");
  }
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!odbc::Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    throw DbError("Cannot start an ODBC connection");
  }
  // From here the destructor frees the handles, also when the connection fails.
  std::unique_ptr<OdbcConnection> connection(new OdbcConnection(env, dbc));
  std::string text = connectionString;
  const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                        static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr,
                                        SQL_DRIVER_NOPROMPT);
  if (!odbc::Succeeded(rc)) {
    const std::string message = odbc::Messages(SQL_HANDLE_DBC, dbc);
    connection->dbc_ = nullptr;  // not connected: only freed
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    throw DbError("Cannot connect through ODBC: " + (message.empty() ? "no message" : message));
  }
  connection->dbmsName_ = Info(dbc, SQL_DBMS_NAME);
  const std::string driver = Info(dbc, SQL_DRIVER_NAME);
  if (Contains(connection->dbmsName_, "SQL Server")) {
    connection->kind_ = DbKind::kMSSQL;
  } else if (Contains(connection->dbmsName_, "SQLite")) {
    connection->kind_ = DbKind::kSQLite;
  } else {
    throw DbError("The ODBC data source is \"" + connection->dbmsName_ + "\" (driver " + driver +
                  "); only Microsoft SQL Server and SQLite bases are supported");
  }
  return connection;
}

OdbcConnection::~OdbcConnection() {
  if (dbc_ != nullptr) {
    if (inTransaction_) {
      try {
        Rollback();
      } catch (const DbError&) {
        // Disconnecting ends the transaction on the server all the same.
      }
    }
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  }
  SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

std::unique_ptr<Statement> OdbcConnection::Prepare(const std::string& sql,
                                                   const std::vector<std::string>& paramNames) {
  PositionalText text = ToPositionalMarkers(sql, paramNames);
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!odbc::Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) {
    odbc::Raise(SQL_HANDLE_DBC, dbc_, "Cannot create an ODBC statement", sql);
  }
  SQLRETURN rc = SQL_ERROR;
  if (kind_ == DbKind::kMSSQL) {
    // The server takes the text as UTF-16, so that N'…' literals keep every character.
    std::u16string wide = Utf8ToUtf16(text.text);
    rc = SQLPrepareW(stmt, reinterpret_cast<SQLWCHAR*>(wide.data()),
                     static_cast<SQLINTEGER>(wide.size()));
  } else {
    rc = SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(text.text.data()),
                    static_cast<SQLINTEGER>(text.text.size()));
  }
  if (!odbc::Succeeded(rc)) {
    std::string message = odbc::Messages(SQL_HANDLE_STMT, stmt);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    throw DbError((message.empty() ? "Cannot prepare the statement" : message) +
                  " | SQL: " + sql.substr(0, 200));
  }
  return std::make_unique<odbc::OdbcStatement>(stmt, kind_, sql, std::move(text),
                                               paramNames.size());
}

void OdbcConnection::SetAutoCommit(bool on) {
  const SQLULEN value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
  // ODBC passes integer attributes in the pointer argument.
  auto* attribute = reinterpret_cast<SQLPOINTER>(value);  // NOLINT(performance-no-int-to-ptr)
  if (!odbc::Succeeded(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, attribute, 0))) {
    odbc::Raise(SQL_HANDLE_DBC, dbc_, "Cannot switch auto-commit");
  }
}

void OdbcConnection::Run(const char* sql) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!odbc::Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) {
    odbc::Raise(SQL_HANDLE_DBC, dbc_, "Cannot create an ODBC statement", sql);
  }
  std::string text = sql;
  SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()),
                               static_cast<SQLINTEGER>(text.size()));
  while (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) rc = SQLMoreResults(stmt);
  if (rc != SQL_NO_DATA) {
    const std::string message = odbc::Messages(SQL_HANDLE_STMT, stmt);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    throw DbError((message.empty() ? "The statement failed" : message) + " | SQL: " + sql);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

// On SQL Server a transaction is an explicit one: the module's batches switch implicit
// transactions off ("SET IMPLICIT_TRANSACTIONS OFF"), which would end a transaction that a driver
// keeps by switching auto-commit off. SQLite keeps the driver's own transactions.
void OdbcConnection::StartTransaction() {
  if (inTransaction_) throw DbError("A transaction is already open");
  if (kind_ == DbKind::kMSSQL) {
    Run("BEGIN TRANSACTION");
  } else {
    SetAutoCommit(false);
  }
  inTransaction_ = true;
}

// A commit that fails leaves the transaction open, so that the caller can roll it back.
void OdbcConnection::Commit() {
  if (!inTransaction_) throw DbError("No transaction is open");
  if (kind_ == DbKind::kMSSQL) {
    Run("COMMIT TRANSACTION");
  } else if (!odbc::Succeeded(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT))) {
    odbc::Raise(SQL_HANDLE_DBC, dbc_, "Commit failed");
  }
  inTransaction_ = false;
  if (kind_ != DbKind::kMSSQL) SetAutoCommit(true);
}

// The server may have rolled the transaction back itself (XACT_ABORT): then nothing is left to do.
void OdbcConnection::Rollback() {
  if (!inTransaction_) return;
  inTransaction_ = false;
  if (kind_ == DbKind::kMSSQL) {
    Run("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION");
    return;
  }
  const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
  std::string message = odbc::Succeeded(rc) ? std::string() : odbc::Messages(SQL_HANDLE_DBC, dbc_);
  SetAutoCommit(true);
  if (!odbc::Succeeded(rc)) throw DbError("Rollback failed: " + message);
}

}  // namespace tir::db
