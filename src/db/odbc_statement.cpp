#include "db/odbc_statement.h"

#include <algorithm>

#include "db/date_time.h"
#include "db/odbc_diag.h"
#include "db/unicode_case.h"

namespace tir::db::odbc {

namespace {

// Parameter rows sent in one execution: bounds the buffers of a large array.
constexpr std::size_t kRowsPerExecute = 1000;

}  // namespace

OdbcStatement::OdbcStatement(void* stmt, DbKind kind, std::string sql, PositionalText text,
                             std::size_t paramCount)
    : stmt_(stmt), kind_(kind), sql_(std::move(sql)), text_(std::move(text)), values_(paramCount) {
  // Whether the statement returns rows must be known before it runs. A server describes a
  // statement only with a round trip and not at all around dynamic SQL (the tree procedures), so
  // there a statement that selects or executes anything counts as one with rows; once run, its
  // real columns count. A statement taken for one with rows that has none just opens empty.
  if (kind_ == DbKind::kMSSQL) {
    preparedColumns_ = HasSqlWord(sql_, "SELECT") || HasSqlWord(sql_, "EXEC") ||
                               HasSqlWord(sql_, "EXECUTE") || HasSqlWord(sql_, "OUTPUT")
                           ? 1
                           : 0;
  } else if (!Succeeded(SQLNumResultCols(stmt_, &preparedColumns_))) {
    preparedColumns_ = 1;
  }
}

OdbcStatement::~OdbcStatement() { SQLFreeHandle(SQL_HANDLE_STMT, stmt_); }

void OdbcStatement::Bind(std::size_t index, const Value& value) { values_.at(index) = value; }

std::size_t OdbcStatement::ColumnCount() const {
  return executed_ ? names_.size() : static_cast<std::size_t>(preparedColumns_);
}

void OdbcStatement::Fail(const std::string& fallback) {
  Raise(SQL_HANDLE_STMT, stmt_, fallback, sql_);
}

void OdbcStatement::Close() {
  if (executed_) SQLFreeStmt(stmt_, SQL_CLOSE);
  executed_ = false;
  inResult_ = false;
}

void OdbcStatement::Reset() { Close(); }

void OdbcStatement::Execute(std::size_t rows, const RowValue& value) {
  Close();
  failedRow_ = 0;
  const bool wide = kind_ == DbKind::kMSSQL;
  buffers_.clear();
  buffers_.reserve(values_.size());
  for (std::size_t k = 0; k < values_.size(); ++k) {
    buffers_.push_back(FillParam(
        rows, [&](std::size_t row) -> const Value& { return value(row, k); }, wide));
  }
  SQLFreeStmt(stmt_, SQL_RESET_PARAMS);
  for (std::size_t m = 0; m < text_.markers.size(); ++m) {
    ParamBuffer& b = buffers_[text_.markers[m]];
    if (!Succeeded(SQLBindParameter(stmt_, static_cast<SQLUSMALLINT>(m + 1), SQL_PARAM_INPUT,
                                    b.cType, b.sqlType, b.columnSize, b.digits, b.data.data(),
                                    b.width, b.lengths.data()))) {
      Fail("Cannot bind parameter " + std::to_string(m + 1));
    }
  }
  status_.assign(rows, SQL_PARAM_UNUSED);
  // ODBC passes integer attributes in the pointer argument.
  SQLSetStmtAttr(stmt_, SQL_ATTR_PARAMSET_SIZE,
                 reinterpret_cast<SQLPOINTER>(rows),  // NOLINT(performance-no-int-to-ptr)
                 0);
  SQLSetStmtAttr(stmt_, SQL_ATTR_PARAM_STATUS_PTR, status_.data(), 0);
  processed_ = 0;
  SQLSetStmtAttr(stmt_, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed_, 0);

  names_.clear();
  kinds_.clear();
  changed_ = 0;
  const SQLRETURN rc = SQLExecute(stmt_);
  executed_ = true;
  const auto failed = std::find(status_.begin(), status_.end(), SQL_PARAM_ERROR);
  if (failed != status_.end()) {
    failedRow_ = static_cast<std::size_t>(failed - status_.begin());
  } else if (processed_ < rows) {
    // A driver that fills no status (the SQLite one) counts only the rows that went through.
    failedRow_ = static_cast<std::size_t>(processed_);
  }
  // An UPDATE or DELETE that matched no row answers SQL_NO_DATA; later results may follow.
  if (rc != SQL_NO_DATA && !Succeeded(rc)) Fail("The statement failed");
  // Some drivers report a failed row of an array only in its status, with a warning.
  if (failed != status_.end()) Fail("Parameter row " + std::to_string(failedRow_) + " failed");
  inResult_ = NextResultWithColumns(true);
}

bool OdbcStatement::NextResultWithColumns(bool take) {
  while (true) {
    SQLSMALLINT columns = 0;
    if (!Succeeded(SQLNumResultCols(stmt_, &columns))) Fail("Cannot read the result");
    if (columns > 0 && take) {
      DescribeColumns(columns);
      return true;
    }
    SQLLEN count = 0;
    if (columns == 0 && Succeeded(SQLRowCount(stmt_, &count)) && count > 0) changed_ += count;
    const SQLRETURN rc = SQLMoreResults(stmt_);
    if (rc == SQL_NO_DATA) return false;
    if (!Succeeded(rc)) Fail("A statement of the batch failed");
  }
}

void OdbcStatement::DescribeColumns(SQLSMALLINT count) {
  for (SQLSMALLINT c = 1; c <= count; ++c) {
    SQLCHAR name[256] = {};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    if (!Succeeded(SQLDescribeCol(stmt_, static_cast<SQLUSMALLINT>(c), name, sizeof name,
                                  &nameLength, &type, &size, &digits, &nullable))) {
      Fail("Cannot describe column " + std::to_string(c));
    }
    names_.emplace_back(reinterpret_cast<const char*>(name));
    switch (type) {
      case SQL_BIT:
      case SQL_TINYINT:
      case SQL_SMALLINT:
      case SQL_INTEGER:
      case SQL_BIGINT:
        kinds_.push_back(ColumnKind::kInt);
        break;
      case SQL_REAL:
      case SQL_FLOAT:
      case SQL_DOUBLE:
      case SQL_DECIMAL:
      case SQL_NUMERIC:
        kinds_.push_back(ColumnKind::kDouble);
        break;
      case SQL_TYPE_DATE:
      case SQL_TYPE_TIMESTAMP:
      case SQL_DATE:
      case SQL_TIMESTAMP:
        // SQLite keeps date-times as text, and a date column may hold other text too.
        kinds_.push_back(kind_ == DbKind::kMSSQL ? ColumnKind::kDateTime : ColumnKind::kDateText);
        break;
      case SQL_BINARY:
      case SQL_VARBINARY:
      case SQL_LONGVARBINARY:
        kinds_.push_back(ColumnKind::kBlob);
        break;
      default:
        kinds_.push_back(ColumnKind::kText);
        break;
    }
  }
}

bool OdbcStatement::Step() {
  if (!executed_) {
    Execute(1, [this](std::size_t, std::size_t k) -> const Value& { return values_[k]; });
  }
  if (!inResult_) return false;
  const SQLRETURN rc = SQLFetch(stmt_);
  if (rc == SQL_NO_DATA) {
    inResult_ = false;
    NextResultWithColumns(false);  // the rest of a batch: its row counts and its errors
    return false;
  }
  if (!Succeeded(rc)) Fail("Cannot read the next row");
  ReadRow();
  return true;
}

void OdbcStatement::ReadRow() {
  row_.clear();
  row_.reserve(kinds_.size());
  for (std::size_t c = 0; c < kinds_.size(); ++c) {
    row_.push_back(ReadColumn(static_cast<SQLUSMALLINT>(c + 1), kinds_[c]));
  }
}

Value OdbcStatement::ReadColumn(SQLUSMALLINT column, ColumnKind kind) {
  SQLLEN indicator = 0;
  auto get = [&](SQLSMALLINT cType, void* target, SQLLEN size) {
    if (!Succeeded(SQLGetData(stmt_, column, cType, target, size, &indicator))) {
      Fail("Cannot read column " + names_[column - 1]);
    }
    return indicator != SQL_NULL_DATA;
  };
  switch (kind) {
    case ColumnKind::kInt: {
      SQLBIGINT v = 0;
      return get(SQL_C_SBIGINT, &v, 0) ? Value::Int64(v) : Value::Null();
    }
    case ColumnKind::kDouble: {
      double v = 0;
      return get(SQL_C_DOUBLE, &v, 0) ? Value::Double(v) : Value::Null();
    }
    case ColumnKind::kDateTime: {
      SQL_TIMESTAMP_STRUCT ts{};
      if (!get(SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts)) return Value::Null();
      CivilTime t;
      t.year = ts.year;
      t.month = ts.month;
      t.day = ts.day;
      t.hour = ts.hour;
      t.minute = ts.minute;
      t.second = ts.second;
      t.millisecond = static_cast<int>((ts.fraction + 500000U) / 1000000U);
      return Value::DateTime(EncodeDateTime(t));
    }
    case ColumnKind::kDateText: {
      Value text = ReadVariable(column, SQL_C_CHAR);
      if (text.IsNull()) return text;
      if (auto day = DateTimeFromSqlText(*text.TextPayload())) return Value::DateTime(*day);
      return text;
    }
    case ColumnKind::kText:
      return ReadVariable(column, kind_ == DbKind::kMSSQL ? SQL_C_WCHAR : SQL_C_CHAR);
    case ColumnKind::kBlob:
      return ReadVariable(column, SQL_C_BINARY);
  }
  return Value::Null();
}

// Text and binary data arrive in pieces of the buffer's size.
Value OdbcStatement::ReadVariable(SQLUSMALLINT column, SQLSMALLINT cType) {
  const std::size_t terminator = cType == SQL_C_WCHAR ? 2 : cType == SQL_C_CHAR ? 1 : 0;
  char buffer[8192];
  const std::size_t room = sizeof buffer - terminator;
  std::string bytes;
  while (true) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(stmt_, column, cType, buffer, sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA) break;
    if (!Succeeded(rc)) Fail("Cannot read column " + names_[column - 1]);
    if (indicator == SQL_NULL_DATA) return Value::Null();
    const bool more = rc == SQL_SUCCESS_WITH_INFO &&
                      (indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) > room);
    bytes.append(buffer, more ? room : static_cast<std::size_t>(indicator));
    if (!more) break;
  }
  if (cType == SQL_C_BINARY)
    return Value::Blob(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  if (cType == SQL_C_CHAR) return Value::Text(std::move(bytes));
  std::u16string wide(bytes.size() / 2, u'\0');
  std::copy_n(bytes.data(), wide.size() * 2, reinterpret_cast<char*>(wide.data()));
  return Value::Text(Utf16ToUtf8(wide));
}

std::int64_t OdbcStatement::RunRows(std::size_t rows, std::size_t params, const RowValue& value,
                                    std::size_t& failedRow) {
  (void)params;  // every parameter of the statement is bound from `value`
  std::int64_t total = 0;
  for (std::size_t start = 0; start < rows; start += kRowsPerExecute) {
    const std::size_t count = std::min(kRowsPerExecute, rows - start);
    try {
      Execute(count, [&](std::size_t row, std::size_t k) -> const Value& {
        return value(start + row, k);
      });
      while (Step()) {
      }
    } catch (...) {
      failedRow = start + failedRow_;
      Close();
      throw;
    }
    total += changed_;
    Close();
  }
  return total;
}

}  // namespace tir::db::odbc
