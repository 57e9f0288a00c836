#include "ui/check_rows.h"

#include "db/query.h"
#include "db/sql_text.h"

namespace tir::ui {

std::vector<TCheckRow> LoadCheckRows(db::Connection& aConnection, const std::string& aTable,
                                     const std::string& aUserIds) {
  std::vector<TCheckRow> rows;
  if (!aUserIds.empty() && !db::IsValidIdList(aUserIds)) return rows;
  std::string sql = "SELECT * FROM " + aTable + " WHERE (1=1) ";
  if (!aUserIds.empty()) sql += " AND (fId in (" + aUserIds + "))";
  sql += " ORDER BY fName;";
  db::Query query(aConnection);
  query.SetSql(sql);
  query.Open();
  while (!query.Eof()) {
    TCheckRow row;
    row.id = query.FieldByName("fId").AsInt64();
    row.name = query.FieldByName("fName").AsText();
    for (char& c : row.name) {
      if (c == ',') c = ';';
    }
    rows.push_back(std::move(row));
    query.Next();
  }
  return rows;
}

std::string IdListText(const std::vector<std::int64_t>& aCheckedIds) {
  std::string text = "-1";
  for (const std::int64_t id : aCheckedIds) text += "," + std::to_string(id);
  return text + ",-1";
}

bool IdListHas(const std::string& aList, std::int64_t aId) {
  return aList.empty() || aList.find("," + std::to_string(aId) + ",") != std::string::npos;
}

}  // namespace tir::ui
