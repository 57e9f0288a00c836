#include "recording_connection.h"

#include <cctype>
#include <optional>

#include "db/db_error.h"

namespace tir::db::testkit {

namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

const Value kNoValue;

}  // namespace

const Value& RecordedRun::Param(const std::string& name) const {
  for (const auto& [n, v] : params) {
    if (SameName(n, name)) return v;
  }
  return kNoValue;
}

class RecordingStatement final : public Statement {
 public:
  RecordingStatement(RecordingConnection& owner, std::string sql, std::vector<std::string> names)
      : owner_(owner), sql_(std::move(sql)), names_(std::move(names)), bound_(names_.size()) {
    for (const auto& r : owner_.results_) {
      if (sql_.find(r.fragment) != std::string::npos) {
        result_ = r;
        break;
      }
    }
    for (const auto& r : owner_.rules_) {
      if (sql_.find(r.fragment) != std::string::npos) {
        rule_ = r;
        break;
      }
    }
  }

  void Bind(std::size_t index, const Value& value) override { bound_.at(index) = value; }

  bool Step() override {
    if (!started_) {
      started_ = true;
      RecordedRun run;
      run.sql = sql_;
      for (std::size_t i = 0; i < names_.size(); ++i) run.params.emplace_back(names_[i], bound_[i]);
      owner_.runs_.push_back(std::move(run));
      if (rule_.has_value() && !rule_->failure.empty()) throw DbError(rule_->failure);
      row_ = 0;
    } else {
      ++row_;
    }
    if (result_.has_value() && row_ < result_->rows.size()) return true;
    return false;
  }

  void Reset() override { started_ = false; }
  std::size_t ColumnCount() const override {
    return !result_.has_value() ? 0 : result_->columns.size();
  }
  std::string ColumnName(std::size_t index) const override { return result_->columns.at(index); }
  Value Column(std::size_t index) const override { return result_->rows.at(row_).at(index); }
  std::int64_t RowsChanged() const override {
    return !rule_.has_value() || result_.has_value() ? 0 : rule_->rowsChanged;
  }

 private:
  RecordingConnection& owner_;
  std::string sql_;
  std::vector<std::string> names_;
  std::vector<Value> bound_;
  // Copies: rules added after preparing do not apply to this statement.
  std::optional<RecordingConnection::Result> result_;
  std::optional<RecordingConnection::Rule> rule_;
  bool started_ = false;
  std::size_t row_ = 0;
};

std::unique_ptr<Statement> RecordingConnection::Prepare(
    const std::string& sql, const std::vector<std::string>& paramNames) {
  prepared_.push_back(SqlStatement{sql, paramNames});
  return std::make_unique<RecordingStatement>(*this, sql, paramNames);
}

void RecordingConnection::StartTransaction() {
  if (inTransaction_) throw DbError("cannot start a transaction within a transaction");
  inTransaction_ = true;
  transactionLog_.emplace_back("BEGIN");
}

void RecordingConnection::Commit() {
  if (!inTransaction_) throw DbError("cannot commit - no transaction is active");
  inTransaction_ = false;
  transactionLog_.emplace_back("COMMIT");
}

void RecordingConnection::Rollback() {
  if (!inTransaction_) throw DbError("cannot rollback - no transaction is active");
  inTransaction_ = false;
  transactionLog_.emplace_back("ROLLBACK");
}

void RecordingConnection::AddResult(const std::string& fragment, std::vector<std::string> columns,
                                    std::vector<std::vector<Value>> rows) {
  results_.push_back(Result{fragment, std::move(columns), std::move(rows)});
}

void RecordingConnection::SetRowsChanged(const std::string& fragment, std::int64_t rows) {
  rules_.push_back(Rule{fragment, rows, std::string()});
}

void RecordingConnection::FailOn(const std::string& fragment, const std::string& message) {
  rules_.push_back(Rule{fragment, 0, message});
}

std::string RecordingConnection::RunSql() const {
  std::string out;
  for (const auto& r : runs_) {
    if (!out.empty()) out += '\n';
    out += r.sql;
  }
  return out;
}

void RecordingConnection::Clear() {
  prepared_.clear();
  runs_.clear();
  transactionLog_.clear();
}

}  // namespace tir::db::testkit
