#include "export/guid_completion.h"

#include <cstdint>
#include <string>
#include <vector>

#include "settings/guid_forms.h"

namespace tir::exporting {

namespace {

void RunBatch(db::Query& query, std::string& batch) {
  if (batch.empty()) return;
  db::Connection& connection = query.GetConnection();
  const bool own = !connection.InTransaction();
  if (own) connection.StartTransaction();
  try {
    query.SetSql(batch);
    query.ExecSql();
    if (own) connection.Commit();
  } catch (...) {
    if (own) connection.Rollback();
    throw;
  }
  batch.clear();
}

}  // namespace

void CompleteGuids(
    db::Query& query, std::initializer_list<const char*> tables, int batchLimit,
    const std::function<void(std::size_t table, std::size_t tables, std::size_t done)>& onBatch) {
  std::string batch;
  int counter = 0;  // kept across tables
  std::size_t index = 0;
  for (const char* tableName : tables) {
    const std::string table = tableName;
    std::size_t done = 0;
    query.SetSql("SELECT fId FROM " + table + " WHERE (fGUID1=0)AND(fGUID2=0);");
    query.Open();
    std::vector<std::int64_t> ids;
    for (; !query.Eof(); query.Next()) ids.push_back(query.FieldByIndex(0).AsInt64());
    query.Close();
    for (const std::int64_t id : ids) {
      std::int64_t half1 = 0, half2 = 0;
      gNewGUIDPair(half1, half2);
      batch += "UPDATE " + table + " SET fGUID1=" + std::to_string(half1) +
               ",fGUID2=" + std::to_string(half2) + " WHERE fId=" + std::to_string(id) + ";";
      ++done;
      if (counter > batchLimit) {
        if (onBatch) onBatch(index, tables.size(), done);
        RunBatch(query, batch);
        counter = 0;
      }
      ++counter;
    }
    RunBatch(query, batch);
    ++index;
  }
}

std::optional<std::string> ReadBaseGuid(db::Query& query) {
  query.SetSql(std::string("SELECT fPStr50 FROM tirSettings WHERE ([fUserId]=") + "0" +
               ")AND([fMId]=" + "450" + ")AND([fPType]=" + "-39" + ");");
  query.Open();
  std::optional<std::string> guid;
  if (!query.Eof()) guid = query.FieldByIndex(0).AsText();
  query.Close();
  return guid;
}

void StoreBaseGuid(db::Query& query, const std::string& guid) {
  query.SetSql(std::string("DELETE FROM tirSettings WHERE ([fUserId]=") + "0" +
               ")AND([fMId]=" + "450" + ")AND([fPType]=" + "-39" + ");" +
               "INSERT INTO tirSettings (fPValId, fUserId, fMId, fPType, fPB, fPI, fPDate, "
               "fPStr50)  VALUES (0,0," +
               "450" + " ," + "-39" + ", 0, 0,GETDATE(), :pGUID);");
  query.ParamByName("pGUID").SetText(guid);
  query.ExecSql();
}

}  // namespace tir::exporting
