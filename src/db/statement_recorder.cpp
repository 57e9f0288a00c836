#include "db/statement_recorder.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "db/db_error.h"

namespace tir::db {

namespace {

std::atomic<StatementRecorder*> gRecorder{nullptr};

bool SameStatements(const PreparedText& a, const PreparedText& b) {
  if (a.statements.size() != b.statements.size()) return false;
  for (std::size_t i = 0; i < a.statements.size(); ++i) {
    if (a.statements[i].text != b.statements[i].text) return false;
  }
  return true;
}

// TIR_SQL_RECORD=FILE records every statement of the process into FILE, in the dialect
// TIR_SQL_RECORD_KIND names ("mssql", the default, or "sqlite"); TIR_SQL_RECORD_SHARED=FILE2
// takes the statements the same on both kinds. Lets a test collect what a command line run
// sends without a hook in every program.
struct EnvironmentRecorder {
  std::unique_ptr<StatementFile> file;
  EnvironmentRecorder() {
    const char* path = std::getenv("TIR_SQL_RECORD");
    if (path == nullptr || *path == '\0') return;
    const char* kindName = std::getenv("TIR_SQL_RECORD_KIND");
    const DbKind kind =
        kindName != nullptr && std::string(kindName) == "sqlite" ? DbKind::kSQLite : DbKind::kMSSQL;
    try {
      const char* shared = std::getenv("TIR_SQL_RECORD_SHARED");
      file = std::make_unique<StatementFile>(kind, path, shared != nullptr ? shared : "");
      SetStatementRecorder(file.get());
    } catch (const DbError&) {
      file.reset();  // an unwritable file leaves recording off rather than stopping the program
    }
  }
  ~EnvironmentRecorder() {
    if (file) SetStatementRecorder(nullptr);
  }
};

const EnvironmentRecorder gEnvironmentRecorder;

}  // namespace

StatementRecorder* ActiveStatementRecorder() { return gRecorder.load(std::memory_order_acquire); }

void SetStatementRecorder(StatementRecorder* recorder) {
  gRecorder.store(recorder, std::memory_order_release);
}

void RecordPreparedText(StatementRecorder& recorder, const std::string& sql, DbKind kind,
                        const std::map<std::string, std::string>& macros,
                        const PreparedText& prepared) {
  if (recorder.Kind() == kind) {
    for (const auto& statement : prepared.statements) recorder.Record(statement);
    return;
  }
  // Without a conditional block the text is the same on both kinds.
  const PreparedText other =
      sql.find('{') == std::string::npos ? prepared : PreprocessSql(sql, recorder.Kind(), macros);
  const bool shared = SameStatements(other, prepared);
  for (const auto& statement : other.statements) {
    if (shared) {
      recorder.RecordShared(statement);
    } else {
      recorder.Record(statement);
    }
  }
}

void StatementSet::Record(const SqlStatement& statement) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (seen_.insert(statement.text).second) statements_.push_back(statement);
}

std::vector<SqlStatement> StatementSet::Statements() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return statements_;
}

StatementFile::StatementFile(DbKind kind, const std::string& path, const std::string& sharedPath)
    : StatementRecorder(kind), file_(std::fopen(path.c_str(), "a")) {
  if (file_ == nullptr) throw DbError("Cannot open the statement record file " + path);
  if (!sharedPath.empty()) {
    shared_ = std::fopen(sharedPath.c_str(), "a");
    if (shared_ == nullptr) {
      std::fclose(file_);
      throw DbError("Cannot open the statement record file " + sharedPath);
    }
  }
}

StatementFile::~StatementFile() {
  std::fclose(file_);
  if (shared_ != nullptr) std::fclose(shared_);
}

void StatementFile::Record(const SqlStatement& statement) { Append(file_, statement.text); }

void StatementFile::RecordShared(const SqlStatement& statement) {
  if (shared_ != nullptr) Append(shared_, statement.text);
}

void StatementFile::Append(std::FILE* file, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!seen_.emplace(file, text).second) return;
  const std::string entry = text + "\n" + kStatementEnd + "\n";
  std::fwrite(entry.data(), 1, entry.size(), file);
  std::fflush(file);  // other processes append to the same file
}

std::vector<std::string> ReadStatementFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw DbError("Cannot read the statement record file " + path);
  std::vector<std::string> statements;
  std::string line;
  std::string current;
  while (std::getline(in, line)) {
    if (line == StatementFile::kStatementEnd) {
      statements.push_back(current);
      current.clear();
    } else {
      if (!current.empty()) current += '\n';
      current += line;
    }
  }
  return statements;
}

}  // namespace tir::db
