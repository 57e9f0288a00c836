#include "tests/support/temp_base.h"

#include <vector>

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

namespace tir::test {

void Exec(tir::db::Connection& connection, const std::string& sql) {
  tir::db::Query query(connection);
  query.SetSql(sql);
  query.ExecSql();
}

std::string BaseDump(tir::db::Connection& connection, const std::set<std::string>& skip) {
  std::vector<std::string> names;
  {
    tir::db::Query tables(connection);
    tables.SetSql(
        "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_stat%' "
        "ORDER BY name;");
    for (tables.Open(); !tables.Eof(); tables.Next()) {
      if (skip.count(tables.FieldByIndex(0).AsText()) == 0)
        names.push_back(tables.FieldByIndex(0).AsText());
    }
  }
  std::string dump;
  for (const std::string& name : names) {
    tir::db::Query rows(connection);
    rows.SetSql("SELECT * FROM \"" + name + "\" ORDER BY 1;");
    dump += "[" + name + "]\n";
    for (rows.Open(); !rows.Eof(); rows.Next()) {
      for (std::size_t i = 0; i < rows.FieldCount(); ++i) {
        const tir::db::Field f = rows.FieldByIndex(i);
        dump += f.IsNull() ? std::string("NULL") : f.AsText();
        dump += '|';
      }
      dump += '\n';
    }
  }
  return dump;
}

void ExecSql(const std::string& base, const std::string& sql) {
  auto c = tir::db::SqliteConnection::Open(base);
  Exec(*c, sql);
}

std::string SqlRows(const std::string& base, const std::string& sql) {
  auto c = tir::db::SqliteConnection::Open(base);
  return RowsText(*c, sql);
}

std::int64_t SqlInt(const std::string& base, const std::string& sql) {
  auto c = tir::db::SqliteConnection::Open(base);
  return ScalarInt(*c, sql);
}

std::string BaseDump(const std::string& base) {
  auto c = tir::db::SqliteConnection::Open(base);
  return BaseDump(*c);
}

}  // namespace tir::test
