#include "host/schema/schema.h"

#include <regex>
#include <set>

#include "db/query.h"

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

const std::string& MssqlTreeProcedures() {
  static const std::string text(detail::kMssqlTreeProcedures);
  return text;
}

std::string MssqlScript() {
  return "-- Back-office base for TirDataExchange, Microsoft SQL Server. Run it with sqlcmd on an "
         "empty\n-- database, as UTF-8: sqlcmd -S SERVER -d DATABASE -f 65001 -i FILE.sql\n" +
         MssqlDdl() + "\nGO\n\n" + MssqlTreeProcedures();
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

namespace {

// Date-times are bound as "YYYY-MM-DD HH:MM:SS.SSS"; a base must hold that one form so that "=" and
// range comparisons with a bound date-time match the same instant written as "2024-01-05" or
// "2024-01-05 10:20:30" by another program. Every DATETIME column gets triggers that rewrite
// text of another form to that one (SQLite's own strftime, so other tools can write the base
// too); numbers (markers such as -1) and text that is no date stay as they are. The registers and
// the log are left out: only the posting engine and the host write them, always through bound
// date-times or GETDATE(), and a trigger there would slow posting by a fifth.
const char* const kFormTrigger =
    "CREATE TRIGGER IF NOT EXISTS trg_$T_$C_form_$N AFTER $E ON $T WHEN typeof(NEW.$C) = 'text' "
    "AND (length(NEW.$C) <> 23 OR substr(NEW.$C, 11, 1) <> ' ') AND "
    "strftime('%Y-%m-%d %H:%M:%f', NEW.$C) IS NOT NULL BEGIN UPDATE $T SET $C = "
    "strftime('%Y-%m-%d %H:%M:%f', NEW.$C) WHERE rowid = NEW.rowid; END;";

void AddDateTimeTriggers(tir::db::SqliteConnection& connection) {
  const std::set<std::string> written{"tirAStore", "tirAMSettlement", "tirAPayments", "tirSysLog"};
  std::string script;
  for (const std::string& table : TableNames()) {
    if (written.count(table) != 0) continue;
    tir::db::Query columns(connection);
    columns.SetSql("SELECT name FROM pragma_table_info(:pTable) WHERE upper(type) = 'DATETIME';");
    columns.ParamByName("pTable").SetText(table);
    for (columns.Open(); !columns.Eof(); columns.Next()) {
      const std::string column = columns.FieldByIndex(0).AsText();
      for (const auto& [name, event] :
           {std::pair{"insert", "INSERT"}, {"update", "UPDATE OF $C"}}) {
        std::string text = std::regex_replace(kFormTrigger, std::regex(R"(\$N)"), name);
        text = std::regex_replace(text, std::regex(R"(\$E)"), event);
        text = std::regex_replace(text, std::regex(R"(\$T)"), table);
        script += std::regex_replace(text, std::regex(R"(\$C)"), column);
        script += "\n";
      }
    }
  }
  connection.ExecScript(script);
}

}  // namespace

void CreateSchema(tir::db::SqliteConnection& connection) {
  const bool ownTransaction = !connection.InTransaction();
  if (ownTransaction) connection.StartTransaction();
  try {
    connection.ExecScript(SqliteDdl());
    AddDateTimeTriggers(connection);
  } catch (...) {
    if (ownTransaction && connection.InTransaction()) connection.Rollback();
    throw;
  }
  if (ownTransaction) connection.Commit();
}

std::string ChainPart(const std::string& ddl) {
  const std::size_t at = ddl.find("-- Chain exchange.");
  return at == std::string::npos ? std::string() : ddl.substr(at);
}

void EnsureChainSchema(tir::db::Connection& connection) {
  const bool ownTransaction = !connection.InTransaction();
  if (ownTransaction) connection.StartTransaction();
  try {
    if (auto* sqlite = dynamic_cast<tir::db::SqliteConnection*>(&connection)) {
      sqlite->ExecScript(ChainPart(SqliteDdl()));
    } else {
      // The Microsoft SQL Server part keeps trigger bodies inside quoted EXEC texts, so the
      // statement splitter leaves them whole.
      tir::db::Query query(connection);
      query.SetSql(ChainPart(MssqlDdl()));
      query.ExecSql();
    }
  } catch (...) {
    if (ownTransaction && connection.InTransaction()) connection.Rollback();
    throw;
  }
  if (ownTransaction) connection.Commit();
}

}  // namespace tir::schema
