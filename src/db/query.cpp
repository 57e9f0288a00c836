#include "db/query.h"

#include "db/db_error.h"
#include "db/statement_recorder.h"

namespace tir::db {

namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string Excerpt(const std::string& sql) { return sql.substr(0, 200); }

}  // namespace

void Param::SetAt(std::size_t row, Value v) {
  if (row >= rows_.size()) {
    throw DbError("Parameter '" + name_ + "': row " + std::to_string(row) +
                  " is beyond the array size " + std::to_string(rows_.size()));
  }
  rows_[row] = std::move(v);
}

const Value& Param::At(std::size_t row) const {
  if (row >= rows_.size()) {
    throw DbError("Parameter '" + name_ + "': row " + std::to_string(row) +
                  " is beyond the array size " + std::to_string(rows_.size()));
  }
  return rows_[row];
}

void Param::Resize(std::size_t rows) { rows_.resize(rows == 0 ? 1 : rows); }

Query::Query(Connection& connection) : connection_(&connection) {}

Query::~Query() { Close(); }

void Query::SetSql(const std::string& sql) {
  Close();
  sql_ = sql;
  macros_.clear();
  params_.clear();
  arraySize_ = 1;
  rowsAffected_ = 0;
  textReady_ = false;
  prepared_ = false;
}

void Query::SetMacro(const std::string& name, const std::string& identifier) {
  if (!IsPlainIdentifier(identifier)) {
    throw DbError("Macro &" + name + ": '" + identifier.substr(0, 100) +
                  "' is not a plain identifier");
  }
  for (auto it = macros_.begin(); it != macros_.end(); ++it) {
    if (SameName(it->first, name)) {
      if (it->second == identifier) return;
      macros_.erase(it);
      break;
    }
  }
  macros_[name] = identifier;
  Close();
  textReady_ = false;
  prepared_ = false;
}

void Query::Preprocess() {
  if (textReady_) return;
  text_ = PreprocessSql(sql_, Kind(), macros_);
  if (StatementRecorder* recorder = ActiveStatementRecorder()) [[unlikely]] {
    RecordPreparedText(*recorder, sql_, Kind(), macros_, text_);
  }
  // Parameters that survive a macro change keep their values.
  std::vector<std::unique_ptr<Param>> params;
  params.reserve(text_.paramNames.size());
  for (const auto& name : text_.paramNames) {
    std::unique_ptr<Param> param;
    for (auto& old : params_) {
      if (old && SameName(old->Name(), name)) param = std::move(old);
    }
    if (!param) {
      param = std::make_unique<Param>(name);
      param->Resize(arraySize_);
    }
    params.push_back(std::move(param));
  }
  params_ = std::move(params);
  textReady_ = true;
  prepared_ = false;
}

void Query::Prepare() {
  Preprocess();
  if (prepared_) return;
  const auto& statements = text_.statements;
  bool same = preparedTexts_.size() == statements.size();
  for (std::size_t i = 0; same && i < statements.size(); ++i) {
    same = preparedTexts_[i] == statements[i].text;
  }
  if (!same) {
    // Statements are prepared as they are first run: a later one may use a table an earlier
    // one creates.
    statements_.clear();
    statements_.resize(statements.size());
    preparedTexts_.clear();
    for (const auto& st : statements) preparedTexts_.push_back(st.text);
  }
  bindMap_.assign(statements.size(), {});
  for (std::size_t s = 0; s < statements.size(); ++s) {
    for (const auto& name : statements[s].paramNames) {
      for (std::size_t p = 0; p < params_.size(); ++p) {
        if (SameName(params_[p]->Name(), name)) {
          bindMap_[s].push_back(p);
          break;
        }
      }
    }
  }
  prepared_ = true;
}

std::size_t Query::ParamCount() {
  Preprocess();
  return params_.size();
}

Param& Query::ParamByIndex(std::size_t index) {
  Preprocess();
  if (index >= params_.size()) {
    throw DbError("Parameter index " + std::to_string(index) + " is out of range (" +
                  std::to_string(params_.size()) + " parameters) | SQL: " + Excerpt(sql_));
  }
  return *params_[index];
}

Param& Query::ParamByName(const std::string& name) {
  Preprocess();
  for (auto& p : params_) {
    if (SameName(p->Name(), name)) return *p;
  }
  throw DbError("Parameter '" + name + "' not found | SQL: " + Excerpt(sql_));
}

bool Query::HasParam(const std::string& name) {
  Preprocess();
  for (auto& p : params_) {
    if (SameName(p->Name(), name)) return true;
  }
  return false;
}

void Query::SetArraySize(std::size_t rows) {
  Preprocess();
  arraySize_ = rows;
  for (auto& p : params_) p->Resize(rows);
}

Statement& Query::Stmt(std::size_t statement) {
  auto& slot = statements_[statement];
  if (!slot) {
    const SqlStatement& st = text_.statements[statement];
    slot = connection_->Prepare(st.text, st.paramNames);
  }
  return *slot;
}

void Query::BindRow(std::size_t statement, std::size_t row) {
  Statement& st = Stmt(statement);
  const auto& map = bindMap_[statement];
  for (std::size_t k = 0; k < map.size(); ++k) st.Bind(k, params_[map[k]]->At(row));
}

// A cursor that reads rows as it goes keeps using its bound values: it binds copies, so that a
// parameter set while it is still stepping cannot free text the statement reads.
void Query::BindCopies(std::size_t statement) {
  Statement& st = Stmt(statement);
  const auto& map = bindMap_[statement];
  cursorValues_.clear();
  cursorValues_.reserve(map.size());
  for (std::size_t index : map) cursorValues_.push_back(params_[index]->At(0));
  for (std::size_t k = 0; k < map.size(); ++k) st.Bind(k, cursorValues_[k]);
}

std::int64_t Query::RunToEnd(std::size_t statement) {
  Statement& st = Stmt(statement);
  try {
    while (st.Step()) {
    }
  } catch (...) {
    st.Reset();
    throw;
  }
  const std::int64_t changed = st.RowsChanged();
  st.Reset();
  return changed;
}

std::int64_t Query::ExecuteArray() {
  Close();
  Prepare();
  // Outside a transaction the rows run in one of their own: all or nothing, and one commit
  // instead of one per row.
  if (!connection_->InTransaction()) {
    connection_->StartTransaction();
    std::int64_t total = 0;
    try {
      total = ExecuteArrayRows();
    } catch (...) {
      connection_->Rollback();
      rowsAffected_ = 0;
      throw;
    }
    connection_->Commit();
    return total;
  }
  return ExecuteArrayRows();
}

std::int64_t Query::ExecuteArrayRows() {
  std::int64_t total = 0;
  if (statements_.size() == 1) {
    // One statement: the backend gets every row at once (parameter arrays where it has them).
    const auto& map = bindMap_[0];
    std::size_t failedRow = 0;
    try {
      total = Stmt(0).RunRows(
          arraySize_, map.size(),
          [&](std::size_t row, std::size_t k) -> const Value& { return params_[map[k]]->At(row); },
          failedRow);
    } catch (const DbError& e) {
      rowsAffected_ = 0;
      throw DbError("Array DML row " + std::to_string(failedRow) + " failed: " + e.what());
    }
    rowsAffected_ = total;
    return total;
  }
  for (std::size_t row = 0; row < arraySize_; ++row) {
    try {
      for (std::size_t s = 0; s < statements_.size(); ++s) {
        BindRow(s, row);
        total += RunToEnd(s);
      }
    } catch (const DbError& e) {
      rowsAffected_ = total;
      throw DbError("Array DML row " + std::to_string(row) + " failed: " + e.what());
    }
  }
  rowsAffected_ = total;
  return total;
}

std::int64_t Query::ExecSql() {
  Close();
  Prepare();
  std::int64_t total = 0;
  for (std::size_t s = 0; s < statements_.size(); ++s) {
    BindRow(s, 0);
    total += RunToEnd(s);
  }
  rowsAffected_ = total;
  return total;
}

void Query::Open() {
  Close();
  Prepare();
  const std::size_t count = statements_.size();
  bool hasResult = false;
  try {
    std::int64_t total = 0;
    for (std::size_t s = 0; s < count; ++s) {
      if (Stmt(s).ColumnCount() == 0) {
        BindRow(s, 0);
        total += RunToEnd(s);
        continue;
      }
      // A later statement with columns replaces the rows of an earlier one. Rows are read
      // lazily only from the last statement of the text.
      Close();
      StartResult(s, fetchAll_ || s + 1 < count);
      hasResult = true;
    }
    if (!hasResult) throw DbError("The SQL text returns no rows to open | SQL: " + Excerpt(sql_));
    rowsAffected_ = total;
  } catch (...) {
    Close();
    throw;
  }
}

void Query::StartResult(std::size_t statement, bool fetchAll) {
  Statement& st = Stmt(statement);
  columns_.clear();
  open_ = true;
  lazy_ = !fetchAll;
  if (lazy_) {
    BindCopies(statement);
  } else {
    BindRow(statement, 0);
  }
  rowSource_ = &st;
  columnsKnown_ = false;
  if (lazy_) {
    FetchRow();
  } else {
    while (FetchRow()) {
    }
  }
}

bool Query::FetchRow() {
  if (rowSource_ == nullptr) return false;
  bool hasRow = false;
  try {
    hasRow = rowSource_->Step();
  } catch (...) {
    // A cursor that failed is closed: Eof() holds, so a loop that goes on after the error ends.
    Close();
    throw;
  }
  if (!columnsKnown_) {
    // Names are read after the first step: a kept statement that the base prepared again
    // (its table was recreated) reports the new columns only then.
    for (std::size_t i = 0; i < rowSource_->ColumnCount(); ++i) {
      columns_.push_back(rowSource_->ColumnName(i));
    }
    columnsKnown_ = true;
  }
  if (!hasRow) {
    rowSource_->Reset();
    rowSource_ = nullptr;
    if (lazy_) rows_.clear();
    return false;
  }
  std::vector<Value> row;
  row.reserve(columns_.size());
  for (std::size_t i = 0; i < columns_.size(); ++i) row.push_back(rowSource_->Column(i));
  if (lazy_) {
    rows_.clear();
    rows_.push_back(std::move(row));
  } else {
    rows_.push_back(std::move(row));
  }
  ++rowsRead_;
  return true;
}

void Query::Close() {
  if (rowSource_ != nullptr) {
    rowSource_->Reset();
    rowSource_ = nullptr;
  }
  cursorValues_.clear();
  open_ = false;
  lazy_ = false;
  columns_.clear();
  rows_.clear();
  cursor_ = 0;
  rowsRead_ = 0;
}

bool Query::Eof() const { return cursor_ >= rows_.size(); }

void Query::First() {
  if (!open_) return;
  if (lazy_) {
    if (rowsRead_ > 1) {
      throw DbError("First() after Next() on a query that reads rows as it goes | SQL: " +
                    Excerpt(sql_));
    }
    return;
  }
  cursor_ = 0;
}

void Query::Next() {
  if (!open_ || Eof()) return;
  if (lazy_) {
    FetchRow();
  } else {
    ++cursor_;
  }
}

std::size_t Query::ColumnIndex(const std::string& name) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (SameName(columns_[i], name)) return i;
  }
  throw DbError("Field '" + name + "' not found | SQL: " + Excerpt(sql_));
}

bool Query::HasField(const std::string& name) const {
  for (const auto& c : columns_) {
    if (SameName(c, name)) return true;
  }
  return false;
}

const Value& Query::CurrentValue(std::size_t column, const std::string& name) const {
  if (Eof()) throw DbError("Field '" + name + "': no current row | SQL: " + Excerpt(sql_));
  return rows_[cursor_][column];
}

Field Query::FieldByName(const std::string& name) const {
  const std::size_t i = ColumnIndex(name);
  return Field(columns_[i], &CurrentValue(i, columns_[i]));
}

Field Query::FieldByIndex(std::size_t index) const {
  if (index >= columns_.size()) {
    throw DbError("Field index " + std::to_string(index) +
                  " is out of range | SQL: " + Excerpt(sql_));
  }
  return Field(columns_[index], &CurrentValue(index, columns_[index]));
}

}  // namespace tir::db
