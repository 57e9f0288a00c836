#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/sql_text.h"
#include "db/value.h"

namespace tir::db {

// A named parameter of a query. Row 0 is the ordinary value; rows 1..N-1 exist in array DML.
class Param {
 public:
  explicit Param(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

  // Setters for row 0 (ordinary execution).
  void SetInt32(std::int32_t v) { Set(Value::Int32(v)); }
  void SetInt64(std::int64_t v) { Set(Value::Int64(v)); }
  void SetDouble(double v) { Set(Value::Double(v)); }
  void SetExtended(long double v) { Set(Value::Extended(v)); }
  void SetText(const std::string& utf8) { Set(Value::Text(utf8)); }
  void SetWideText(const std::u16string& utf16) { Set(Value::WideText(utf16)); }
  void SetDateTime(double dayNumber) { Set(Value::DateTime(dayNumber)); }
  void SetBlob(std::vector<std::uint8_t> bytes) { Set(Value::Blob(std::move(bytes))); }
  void SetNull(ValueType type = ValueType::kNull) { Set(Value::Null(type)); }
  void Set(Value v) { SetAt(0, std::move(v)); }

  // Array DML: the value of parameter row `row` (0-based, below the query's array size).
  void SetAt(std::size_t row, Value v);
  const Value& At(std::size_t row) const;
  const Value& Get() const { return At(0); }

  void Resize(std::size_t rows);  // used by Query::SetArraySize

 private:
  std::string name_;
  std::vector<Value> rows_ = std::vector<Value>(1);
};

// A field of the current row of an open query.
class Field {
 public:
  Field(const std::string& name, const Value* value) : name_(name), value_(value) {}
  const std::string& Name() const { return name_; }
  bool IsNull() const { return value_->IsNull(); }
  std::int32_t AsInt32() const { return value_->AsInt32(); }
  std::int64_t AsInt64() const { return value_->AsInt64(); }
  double AsDouble() const { return value_->AsDouble(); }
  long double AsExtended() const { return value_->AsExtended(); }
  std::string AsText() const { return value_->AsText(); }
  std::u16string AsWideText() const { return value_->AsWideText(); }
  double AsDateTime() const { return value_->AsDateTime(); }
  bool AsBool() const { return value_->AsBool(); }
  const Value& Get() const { return *value_; }

 private:
  const std::string& name_;
  const Value* value_;
};

// A query object bound to a connection, in the manner of the host's data-access components.
//
// The SQL text may hold several statements separated by ';'; they run in order with the same
// parameters. Open() runs them and keeps the rows of the last statement that returns columns.
// With fetch-all on (the default) every row is read at Open(); with it off rows are stepped as
// Next() is called (only when that statement is the last of the text) and First() works only
// before the first Next(). Each statement is prepared when it first runs (a later statement may
// use a table an earlier one creates) and stays prepared until the preprocessed text changes.
// Fields stay valid until the query moves, closes or runs again.
class Query {
 public:
  explicit Query(Connection& connection);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Connection& GetConnection() const { return *connection_; }
  DbKind Kind() const { return connection_->Kind(); }

  // Replacing the text closes the query and drops parameters, macros and the array size. Setting
  // the same text again keeps the prepared statements.
  void SetSql(const std::string& sql);
  const std::string& Sql() const { return sql_; }

  // `&name` in the text is replaced by `identifier`; raises DbError unless the value is a plain
  // identifier (see IsPlainIdentifier). Set macros after SetSql and before running.
  void SetMacro(const std::string& name, const std::string& identifier);

  void SetFetchAll(bool on) { fetchAll_ = on; }

  // Parameters of the current text, in order of first appearance. ParamByName raises DbError for
  // a name the text does not use (case-insensitive).
  std::size_t ParamCount();
  Param& ParamByIndex(std::size_t index);
  Param& ParamByName(const std::string& name);
  bool HasParam(const std::string& name);

  // Array DML: the number of parameter rows; ExecuteArray() runs every statement of the text for
  // each row, preparing each statement once, inside one transaction of its own when none is
  // open. Returns the total of affected rows.
  void SetArraySize(std::size_t rows);
  std::size_t ArraySize() const { return arraySize_; }
  std::int64_t ExecuteArray();

  // Runs the text without keeping rows; returns and remembers the affected-row count (the sum
  // over the statements of the text).
  std::int64_t ExecSql();
  std::int64_t RowsAffected() const { return rowsAffected_; }

  void Open();
  void Close();
  bool IsOpen() const { return open_; }

  bool Eof() const;
  void First();
  void Next();
  // Rows read so far (all rows when fetch-all is on).
  std::size_t RecordCount() const { return rowsRead_; }

  std::size_t FieldCount() const { return columns_.size(); }
  const std::string& FieldName(std::size_t index) const { return columns_.at(index); }
  bool HasField(const std::string& name) const;
  // Fields of the current row; raises DbError for an unknown name or when there is no row.
  Field FieldByName(const std::string& name) const;
  Field FieldByIndex(std::size_t index) const;

 private:
  void Preprocess();                       // text_ and params_ from the text and macros
  void Prepare();                          // statements_ and bindMap_ for text_
  Statement& Stmt(std::size_t statement);  // prepared on first use
  void BindRow(std::size_t statement, std::size_t row);
  void BindCopies(std::size_t statement);
  std::int64_t ExecuteArrayRows();
  std::int64_t RunToEnd(std::size_t statement);
  void StartResult(std::size_t statement, bool fetchAll);
  bool FetchRow();
  std::size_t ColumnIndex(const std::string& name) const;
  const Value& CurrentValue(std::size_t column, const std::string& name) const;

  Connection* connection_;
  std::string sql_;
  std::map<std::string, std::string> macros_;
  bool fetchAll_ = true;
  bool textReady_ = false;
  bool prepared_ = false;
  PreparedText text_;
  // Prepared statements and the texts they were prepared from; kept across SetSql and macro
  // changes that end in the same texts.
  std::vector<std::unique_ptr<Statement>> statements_;
  std::vector<std::string> preparedTexts_;
  std::vector<std::vector<std::size_t>> bindMap_;  // per statement: index into params_
  std::vector<std::unique_ptr<Param>> params_;
  std::size_t arraySize_ = 1;
  std::int64_t rowsAffected_ = 0;

  bool open_ = false;
  std::vector<std::string> columns_;
  std::vector<std::vector<Value>> rows_;  // fetch-all: every row; lazy: the current row
  std::size_t cursor_ = 0;
  std::size_t rowsRead_ = 0;
  Statement* rowSource_ = nullptr;   // the statement still producing rows
  std::vector<Value> cursorValues_;  // lazy fetch: the values the cursor was bound with
  bool columnsKnown_ = false;
  bool lazy_ = false;
};

}  // namespace tir::db
