#pragma once

#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/sql_text.h"

namespace tir::db {

// Receives the final text of each statement the data layer prepares: after the choice of the
// "{IF kind}" blocks, the `&name` macros and whatever the caller pasted into the text (id lists),
// with parameters still written ":name". Used to collect the SQL a workload sends, for instance
// to check every text a Microsoft SQL Server base would receive with a T-SQL parser.
class StatementRecorder {
 public:
  // `kind` is the dialect to record. When it differs from the connection's kind the recorder
  // "shadows" that connection: it records only the texts whose statements differ between the
  // two kinds, in the form `kind` would get (texts the same on both kinds are left out, since
  // the calling code may have chosen them for the connection's kind).
  explicit StatementRecorder(DbKind kind) : kind_(kind) {}
  virtual ~StatementRecorder() = default;
  StatementRecorder(const StatementRecorder&) = delete;
  StatementRecorder& operator=(const StatementRecorder&) = delete;

  DbKind Kind() const { return kind_; }
  virtual void Record(const SqlStatement& statement) = 0;
  // When shadowing: a statement of a text that is the same on both kinds. It reaches the other
  // kind too unless the calling code chose it for the connection's kind only. Ignored by default.
  virtual void RecordShared(const SqlStatement& /*statement*/) {}

 private:
  DbKind kind_;
};

// Keeps each distinct statement once, in the order first seen. Thread-safe.
class StatementSet : public StatementRecorder {
 public:
  using StatementRecorder::StatementRecorder;
  void Record(const SqlStatement& statement) override;
  std::vector<SqlStatement> Statements() const;

 private:
  mutable std::mutex mutex_;
  std::set<std::string> seen_;
  std::vector<SqlStatement> statements_;
};

// Appends each distinct statement once to a file, each followed by a line holding only
// kStatementEnd, so that several processes may record into one file; shared statements go to
// `sharedPath` when one is given. Raises DbError when a file cannot be opened. Thread-safe.
class StatementFile : public StatementRecorder {
 public:
  static constexpr const char* kStatementEnd = "--<end of statement>--";
  StatementFile(DbKind kind, const std::string& path, const std::string& sharedPath = {});
  ~StatementFile() override;
  void Record(const SqlStatement& statement) override;
  void RecordShared(const SqlStatement& statement) override;

 private:
  void Append(std::FILE* file, const std::string& text);
  std::mutex mutex_;
  std::set<std::pair<std::FILE*, std::string>> seen_;
  std::FILE* file_;
  std::FILE* shared_ = nullptr;
};

// Reads a file StatementFile wrote: the statements in order, repeats kept.
std::vector<std::string> ReadStatementFile(const std::string& path);

// The recorder in use, nullptr when recording is off (the data layer then does nothing more than
// read this pointer). Not owned; the caller keeps it alive until it sets another or nullptr.
StatementRecorder* ActiveStatementRecorder();
void SetStatementRecorder(StatementRecorder* recorder);

// Reports to the active recorder the statements of `sql` that `kind`'s connection prepares
// (`prepared`), applying the recorder's shadow rule. Called by Query.
void RecordPreparedText(StatementRecorder& recorder, const std::string& sql, DbKind kind,
                        const std::map<std::string, std::string>& macros,
                        const PreparedText& prepared);

}  // namespace tir::db
