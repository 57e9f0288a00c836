#include "tests/import/json_loader_fixture.h"

#include <cstdio>

#include "db/query.h"

namespace tir::import::test {

std::string G(int n) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "A0000000-0000-0000-0000-%012d", n);
  return buf;
}

std::string BaseDump(db::Connection& connection, const std::set<std::string>& skip) {
  db::Query tables(connection);
  tables.SetSql("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name;");
  tables.Open();
  std::vector<std::string> names;
  for (; !tables.Eof(); tables.Next()) {
    if (skip.count(tables.FieldByIndex(0).AsText()) == 0)
      names.push_back(tables.FieldByIndex(0).AsText());
  }
  std::string dump;
  for (const std::string& name : names) {
    db::Query rows(connection);
    rows.SetSql("SELECT * FROM \"" + name + "\" ORDER BY 1;");
    rows.Open();
    dump += "[" + name + "]\n";
    for (; !rows.Eof(); rows.Next()) {
      for (std::size_t i = 0; i < rows.FieldCount(); ++i) {
        const db::Field f = rows.FieldByIndex(i);
        dump += f.IsNull() ? std::string("NULL") : f.AsText();
        dump += '|';
      }
      dump += '\n';
    }
  }
  return dump;
}

LoaderTest::LoaderTest() {
  loader.SetConnection(&base.conn());
  loader.mGoodsPauseMs = 0;
}

}  // namespace tir::import::test
