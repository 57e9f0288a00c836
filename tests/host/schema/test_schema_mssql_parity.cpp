// The MS SQL Server DDL describes the same tables and columns as the SQLite DDL.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "host/schema/schema.h"

namespace {

using Columns = std::set<std::string>;

// Table name -> column names of every CREATE TABLE in `ddl`. Column lines are "name type ..."
// (SQLite) or "[name] type ..." (MS SQL), one per line inside the parentheses.
std::map<std::string, Columns> ParseTables(const std::string& ddl) {
  static const std::regex table(
      R"(CREATE TABLE (?:IF NOT EXISTS )?(?:\[dbo\]\.)?\[?(\w+)\]?\s*\(([^;]*)\);)");
  static const std::regex column(R"(^\s*\[?(\w+)\]?\s+\w)");
  std::map<std::string, Columns> tables;
  for (auto it = std::sregex_iterator(ddl.begin(), ddl.end(), table); it != std::sregex_iterator();
       ++it) {
    const std::string name = (*it)[1].str();
    EXPECT_FALSE(tables.count(name)) << "table created twice: " << name;
    const std::string body = (*it)[2].str();
    Columns& cols = tables[name];
    std::size_t start = 0;
    while (start < body.size()) {
      std::size_t end = body.find('\n', start);
      if (end == std::string::npos) end = body.size();
      std::smatch m;
      const std::string line = body.substr(start, end - start);
      if (std::regex_search(line, m, column)) cols.insert(m[1].str());
      start = end + 1;
    }
  }
  return tables;
}

TEST(SchemaMssqlParity, SameTablesAndColumns) {
  const auto sqlite = ParseTables(tir::schema::SqliteDdl());
  const auto mssql = ParseTables(tir::schema::MssqlDdl());
  ASSERT_GT(sqlite.size(), 40u);
  std::set<std::string> sqliteNames, mssqlNames;
  for (const auto& [name, cols] : sqlite) sqliteNames.insert(name);
  for (const auto& [name, cols] : mssql) mssqlNames.insert(name);
  EXPECT_EQ(sqliteNames, mssqlNames);
  for (const auto& [name, cols] : sqlite) {
    auto it = mssql.find(name);
    if (it == mssql.end()) continue;
    EXPECT_EQ(cols, it->second) << "columns of " << name;
  }
}

TEST(SchemaMssqlParity, EveryCatalogKeyIsAnIdentityAndEveryGroupHasItsRoot) {
  const std::string& ddl = tir::schema::MssqlDdl();
  const auto tables = ParseTables(ddl);
  for (const auto& [name, cols] : tables) {
    // The stamp tables of the chain exchange are keyed by the document's id.
    EXPECT_TRUE(cols.count("fId") || (name.rfind("tirx", 0) == 0 && cols.count("fDocId"))) << name;
    if (cols.count("fcl")) {
      EXPECT_NE(ddl.find("INSERT INTO [dbo].[" + name + "]"), std::string::npos) << name;
    }
  }
  EXPECT_EQ(std::regex_search(ddl, std::regex("IDENTITY")), true);
}

}  // namespace
