#include "tests/support/temp_base.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>

#include "db/query.h"
#include "host/schema/schema.h"

namespace tir::test {
namespace {

tir::db::Value ScalarValue(tir::db::Connection& connection, const std::string& sql) {
  tir::db::Query query(connection);
  query.SetSql(sql);
  query.Open();
  if (query.Eof() || query.FieldCount() == 0) return tir::db::Value::Null();
  return query.FieldByIndex(0).Get();
}

}  // namespace

std::string TempPath(const std::string& suffix) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const auto name = "tir_test_" + std::to_string(::getpid()) + "_" + std::to_string(stamp) + "_" +
                    std::to_string(counter++) + suffix;
  return (std::filesystem::temp_directory_path() / name).string();
}

void RemoveBaseFiles(const std::string& path) {
  std::error_code ignored;
  for (const char* tail : {"", "-wal", "-shm", "-journal"}) {
    std::filesystem::remove(path + tail, ignored);
  }
}

TempBase::TempBase(bool withSchema) : path_(TempPath()) {
  connection_ = tir::db::SqliteConnection::Open(path_);
  if (withSchema) tir::schema::CreateSchema(*connection_);
}

TempBase::~TempBase() {
  connection_.reset();
  RemoveBaseFiles(path_);
}

void TempBase::Close() { connection_.reset(); }

tir::db::SqliteConnection& TempBase::Reopen() {
  connection_ = tir::db::SqliteConnection::Open(path_);
  return *connection_;
}

std::int64_t ScalarInt(tir::db::Connection& connection, const std::string& sql) {
  return ScalarValue(connection, sql).AsInt64();
}

double ScalarDouble(tir::db::Connection& connection, const std::string& sql) {
  return ScalarValue(connection, sql).AsDouble();
}

std::string ScalarText(tir::db::Connection& connection, const std::string& sql) {
  return ScalarValue(connection, sql).AsText();
}

std::string RowsText(tir::db::Connection& connection, const std::string& sql) {
  tir::db::Query q(connection);
  q.SetSql(sql);
  q.Open();
  std::string text;
  for (; !q.Eof(); q.Next()) {
    for (std::size_t i = 0; i < q.FieldCount(); ++i) text += q.FieldByIndex(i).AsText() + "|";
    text += "\n";
  }
  return text;
}

}  // namespace tir::test
