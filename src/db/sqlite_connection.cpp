#include "db/sqlite_connection.h"

#include <sqlite3.h>

#include <array>
#include <cstring>

#include "db/date_time.h"
#include "db/db_error.h"
#include "db/unicode_case.h"

namespace tir::db {

namespace {

std::string Excerpt(const char* sql) {
  std::string s = sql == nullptr ? std::string() : std::string(sql);
  return s.size() > 200 ? s.substr(0, 200) : s;
}

[[noreturn]] void Fail(sqlite3* db, const char* sql) {
  throw DbError(std::string(sqlite3_errmsg(db)) + " | SQL: " + Excerpt(sql));
}

bool DeclaredAsDate(const char* decl) {
  if (decl == nullptr) return false;
  std::string upper;
  for (const char* p = decl; *p != '\0'; ++p) {
    upper += static_cast<char>(*p >= 'a' && *p <= 'z' ? *p - 32 : *p);
  }
  return upper.find("DATE") != std::string::npos || upper.find("TIME") != std::string::npos;
}

// Statements whose completion sets sqlite3_changes(): INSERT, UPDATE, DELETE and REPLACE (also
// behind a WITH clause). Schema and transaction statements leave the previous count in place.
bool IsDml(sqlite3_stmt* stmt) {
  if (sqlite3_stmt_readonly(stmt) || sqlite3_column_count(stmt) != 0) return false;
  const char* p = sqlite3_sql(stmt);
  while (true) {  // spaces, brackets and comments before the first word
    if (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '(') {
      ++p;
    } else if (p[0] == '-' && p[1] == '-') {
      while (*p != '\0' && *p != '\n') ++p;
    } else if (p[0] == '/' && p[1] == '*') {
      const char* end = std::strstr(p + 2, "*/");
      p = end == nullptr ? p + std::strlen(p) : end + 2;
    } else {
      break;
    }
  }
  std::string word;
  while ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z')) {
    word += static_cast<char>(*p >= 'a' ? *p - 32 : *p);
    ++p;
  }
  return word == "INSERT" || word == "UPDATE" || word == "DELETE" || word == "REPLACE" ||
         word == "WITH";
}

class SqliteStatement final : public Statement {
 public:
  SqliteStatement(sqlite3* db, sqlite3_stmt* stmt, const std::vector<std::string>& paramNames)
      : db_(db), stmt_(stmt), dml_(IsDml(stmt)) {
    // Positions of the names in the statement's own parameter list (0 when it does not use one).
    indexes_.reserve(paramNames.size());
    for (const auto& name : paramNames) {
      indexes_.push_back(sqlite3_bind_parameter_index(stmt_, (":" + name).c_str()));
    }
    dateText_.resize(paramNames.size());
    ReadColumns();
  }
  ~SqliteStatement() override { sqlite3_finalize(stmt_); }

  void Bind(std::size_t index, const Value& value) override {
    const int at = indexes_.at(index);
    if (at == 0) return;
    int rc = SQLITE_OK;
    if (value.IsNull()) {
      rc = sqlite3_bind_null(stmt_, at);
    } else {
      switch (value.Type()) {
        case ValueType::kInt32:
        case ValueType::kInt64:
          rc = sqlite3_bind_int64(stmt_, at, *value.IntPayload());
          break;
        case ValueType::kDouble:
          rc = sqlite3_bind_double(stmt_, at, *value.DoublePayload());
          break;
        case ValueType::kExtended:
          rc = sqlite3_bind_double(stmt_, at, value.AsDouble());
          break;
        case ValueType::kDateTime: {
          // Text kept in the statement so that no allocation happens per row.
          char* buf = dateText_[index].data();
          rc = sqlite3_bind_text(stmt_, at, buf,
                                 static_cast<int>(FormatDateTimeText(*value.DoublePayload(), buf)),
                                 SQLITE_STATIC);
          break;
        }
        case ValueType::kText: {
          const std::string& s = *value.TextPayload();
          rc = sqlite3_bind_text64(stmt_, at, s.data(), s.size(), SQLITE_STATIC, SQLITE_UTF8);
          break;
        }
        case ValueType::kBlob: {
          const auto& b = *value.BlobPayload();
          rc = sqlite3_bind_blob64(stmt_, at, b.data(), b.size(), SQLITE_STATIC);
          break;
        }
        case ValueType::kNull:
          rc = sqlite3_bind_null(stmt_, at);
          break;
      }
    }
    if (rc != SQLITE_OK) Fail(db_, sqlite3_sql(stmt_));
  }

  bool Step() override {
    const int rc = sqlite3_step(stmt_);
    if (fresh_) {
      // The first step of a run prepares the statement again when the schema changed since
      // (a table recreated with other columns): its column names are read anew.
      fresh_ = false;
      ReadColumns();
    }
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) {
      changed_ = dml_ ? sqlite3_changes64(db_) : 0;
      return false;
    }
    std::string message =
        std::string(sqlite3_errmsg(db_)) + " | SQL: " + Excerpt(sqlite3_sql(stmt_));
    Reset();
    throw DbError(message);
  }

  void Reset() override {
    sqlite3_reset(stmt_);
    fresh_ = true;
  }

  std::size_t ColumnCount() const override { return names_.size(); }
  std::string ColumnName(std::size_t index) const override { return names_.at(index); }

  Value Column(std::size_t index) const override {
    const int i = static_cast<int>(index);
    switch (sqlite3_column_type(stmt_, i)) {
      case SQLITE_INTEGER:
        return Value::Int64(sqlite3_column_int64(stmt_, i));
      case SQLITE_FLOAT:
        return Value::Double(sqlite3_column_double(stmt_, i));
      case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        std::string text(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)));
        if (dateColumn_[index]) {
          if (auto day = DateTimeFromSqlText(text)) return Value::DateTime(*day);
        }
        return Value::Text(std::move(text));
      }
      case SQLITE_BLOB: {
        const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, i));
        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i));
        return Value::Blob(p == nullptr ? std::vector<std::uint8_t>()
                                        : std::vector<std::uint8_t>(p, p + n));
      }
      default:
        return Value::Null();
    }
  }

  std::int64_t RowsChanged() const override { return changed_; }

 private:
  void ReadColumns() {
    const int columns = sqlite3_column_count(stmt_);
    names_.resize(static_cast<std::size_t>(columns));
    dateColumn_.resize(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) {
      names_[static_cast<std::size_t>(i)] = sqlite3_column_name(stmt_, i);
      dateColumn_[static_cast<std::size_t>(i)] = DeclaredAsDate(sqlite3_column_decltype(stmt_, i));
    }
  }

  sqlite3* db_;
  sqlite3_stmt* stmt_;
  bool dml_;
  std::vector<int> indexes_;
  std::vector<std::array<char, kDateTimeTextSize>> dateText_;
  std::vector<std::string> names_;
  std::vector<bool> dateColumn_;
  std::int64_t changed_ = 0;
  bool fresh_ = true;
};

void UpperCaseFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  std::string upper =
      UnicodeUpper(std::string(p, static_cast<std::size_t>(sqlite3_value_bytes(argv[0]))));
  sqlite3_result_text64(ctx, upper.data(), upper.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void GetDateFunction(sqlite3_context* ctx, int, sqlite3_value**) {
  char buf[kDateTimeTextSize];
  std::size_t n = FormatDateTimeText(NowDateTime(), buf);
  sqlite3_result_text(ctx, buf, static_cast<int>(n), SQLITE_TRANSIENT);
}

void ScopeIdentityFunction(sqlite3_context* ctx, int, sqlite3_value**) {
  sqlite3_result_int64(ctx, sqlite3_last_insert_rowid(sqlite3_context_db_handle(ctx)));
}

void IsNullFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

void RegisterFunctions(sqlite3* db) {
  struct Fn {
    const char* name;
    int args;
    int flags;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
  };
  const Fn functions[] = {
      {"TirvaloUpperCase", 1, SQLITE_DETERMINISTIC, UpperCaseFunction},
      {"GETDATE", 0, 0, GetDateFunction},
      {"SCOPE_IDENTITY", 0, 0, ScopeIdentityFunction},
      {"ISNULL", 2, SQLITE_DETERMINISTIC, IsNullFunction},
  };
  for (const auto& f : functions) {
    if (sqlite3_create_function_v2(db, f.name, f.args, SQLITE_UTF8 | f.flags, nullptr, f.fn,
                                   nullptr, nullptr, nullptr) != SQLITE_OK) {
      Fail(db, f.name);
    }
  }
}

void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db, sql);
}

}  // namespace

std::unique_ptr<SqliteConnection> SqliteConnection::Open(const std::string& path,
                                                         int busyTimeoutMs) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(
      path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    throw DbError("Cannot open database '" + path + "': " + message);
  }
  std::unique_ptr<SqliteConnection> connection(new SqliteConnection(db, path));
  try {
    sqlite3_busy_timeout(db, busyTimeoutMs);
    // Reading the schema tells at once whether the file is a database at all.
    Exec(db, "SELECT count(*) FROM sqlite_master");
    // An in-memory or read-only base keeps its journal mode; that is not an error.
    if (sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) != SQLITE_OK &&
        sqlite3_db_readonly(db, "main") == 0 && path != ":memory:" && !path.empty()) {
      Fail(db, "PRAGMA journal_mode=WAL");
    }
    if (sqlite3_db_readonly(db, "main") == 0) Exec(db, "PRAGMA synchronous=NORMAL");
    Exec(db, "PRAGMA foreign_keys=OFF");
    RegisterFunctions(db);
  } catch (const DbError& e) {
    throw DbError("Cannot open database '" + path + "': " + e.what());
  }
  return connection;
}

SqliteConnection::~SqliteConnection() { sqlite3_close_v2(db_); }

std::unique_ptr<Statement> SqliteConnection::Prepare(const std::string& sql,
                                                     const std::vector<std::string>& paramNames) {
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                         &stmt, &tail) != SQLITE_OK) {
    Fail(db_, sql.c_str());
  }
  if (stmt == nullptr) throw DbError("Empty SQL statement | SQL: " + Excerpt(sql.c_str()));
  return std::make_unique<SqliteStatement>(db_, stmt, paramNames);
}

bool SqliteConnection::InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

std::int64_t SqliteConnection::LastInsertRowId() const { return sqlite3_last_insert_rowid(db_); }

// The write lock is taken at once (waiting up to the busy timeout) so that a transaction never
// fails half-way when it first writes; a read-only base can only have a reading transaction.
void SqliteConnection::StartTransaction() {
  Exec(db_, sqlite3_db_readonly(db_, "main") == 1 ? "BEGIN" : "BEGIN IMMEDIATE");
}

void SqliteConnection::Commit() { Exec(db_, "COMMIT"); }

// SQLite may have rolled the transaction back itself (a full disk, an interrupted statement);
// rolling back then does nothing, so that a caller's handler keeps the error that caused it.
void SqliteConnection::Rollback() {
  if (InTransaction()) Exec(db_, "ROLLBACK");
}

void SqliteConnection::ExecScript(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error != nullptr ? error : sqlite3_errmsg(db_);
    sqlite3_free(error);
    throw DbError(message + " | SQL: " + Excerpt(sql.c_str()));
  }
}

}  // namespace tir::db
