#include "host/schema/schema.h"

#include <regex>

#include "host/schema/schema_text.h"

namespace tir::schema {

const std::string& SqliteDdl() {
  static const std::string text(detail::kSqliteDdl);
  return text;
}

const std::string& MssqlDdl() {
  static const std::string text(detail::kMssqlDdl);
  return text;
}

std::vector<std::string> TableNames() {
  static const std::regex create(R"(CREATE TABLE IF NOT EXISTS (\w+))");
  std::vector<std::string> names;
  const std::string& ddl = SqliteDdl();
  for (auto it = std::sregex_iterator(ddl.begin(), ddl.end(), create); it != std::sregex_iterator();
       ++it) {
    names.push_back((*it)[1].str());
  }
  return names;
}

void CreateSchema(tir::db::SqliteConnection& connection) {
  const bool ownTransaction = !connection.InTransaction();
  if (ownTransaction) connection.StartTransaction();
  try {
    connection.ExecScript(SqliteDdl());
  } catch (...) {
    if (ownTransaction && connection.InTransaction()) connection.Rollback();
    throw;
  }
  if (ownTransaction) connection.Commit();
}

}  // namespace tir::schema
