#include "tests/host/demo/demo_checks.h"

#include "db/query.h"
#include "host/schema/schema.h"
#include "tests/support/temp_base.h"

namespace tir::test {

std::string BaseContent(tir::db::Connection& connection) {
  std::string content;
  for (const std::string& table : tir::schema::TableNames()) {
    tir::db::Query columns(connection);
    columns.SetSql("SELECT name FROM pragma_table_info('" + table + "') ORDER BY cid;");
    columns.Open();
    std::string select;
    for (; !columns.Eof(); columns.Next()) {
      select += (select.empty() ? "quote(" : " || '|' || quote(") +
                columns.FieldByName("name").AsText() + ")";
    }
    tir::db::Query rows(connection);
    // The rowid is every table's key: fId, or the document id of the stamp tables.
    rows.SetSql("SELECT " + select + " AS r FROM " + table + " ORDER BY rowid;");
    rows.Open();
    content += "#" + table + "\n";
    for (; !rows.Eof(); rows.Next()) content += rows.FieldByIndex(0).AsText() + "\n";
  }
  return content;
}

std::string TreeProblems(tir::db::Connection& connection, const std::string& table) {
  const std::string t = table;
  std::string problems;
  const auto check = [&](const std::string& what, const std::string& sql, std::int64_t expected) {
    const std::int64_t got = ScalarInt(connection, sql);
    if (got != expected) {
      problems += table + ": " + what + " is " + std::to_string(got) + ", expected " +
                  std::to_string(expected) + "\n";
    }
  };
  const std::int64_t n = ScalarInt(connection, "SELECT COUNT(*) FROM " + t);
  check("roots", "SELECT COUNT(*) FROM " + t + " WHERE fclev=0", 1);
  check("root fcl", "SELECT fcl FROM " + t + " WHERE fclev=0", 1);
  check("root fcr", "SELECT fcr FROM " + t + " WHERE fclev=0", 2 * n);
  check("bad bounds", "SELECT COUNT(*) FROM " + t + " WHERE fcl<1 OR fcr<=fcl OR ((fcr-fcl)%2)=0",
        0);
  check("distinct bounds",
        "SELECT COUNT(DISTINCT v) FROM (SELECT fcl AS v FROM " + t + " UNION ALL SELECT fcr FROM " +
            t + ")",
        2 * n);
  check("largest bound", "SELECT MAX(fcr) FROM " + t, 2 * n);
  check("wrong levels",
        "SELECT COUNT(*) FROM " + t + " g WHERE g.fclev <> (SELECT COUNT(*) - 1 FROM " + t +
            " p WHERE g.fcl BETWEEN p.fcl AND p.fcr)",
        0);
  // Intervals either nest or lie apart.
  check("overlaps",
        "SELECT COUNT(*) FROM " + t + " a JOIN " + t +
            " b ON a.fcl < b.fcl AND b.fcl < a.fcr AND a.fcr < b.fcr",
        0);
  return problems;
}

}  // namespace tir::test
