#include "export/tir_json_builder.h"

#include <optional>
#include <stdexcept>
#include <vector>

#include "db/date_time.h"
#include "db/db_error.h"
#include "db/sql_text.h"
#include "export/query_columns.h"
#include "frame/app_globals.h"
#include "frame/host_services.h"
#include "frame/ui_services.h"
#include "json/json_array.h"
#include "json/json_error.h"
#include "settings/date_forms.h"
#include "settings/guid_forms.h"

namespace tir::exporting {

namespace {

// Tables whose rows get a GUID before an export, in the order they are completed.
const char* const kGuidTables[] = {
    "tirCashAccounts",     "tirContracts",      "tirCurrencies",  "tirDocuments",
    "tirEntities",         "tirGoods",          "tirItemCost",    "tirPartners",
    "tirStores",           "tirTables",         "tirUsers",       "tirVAT",
    "tirCurrenciesGroups", "tirEKKAGroups",     "tirGoodsGroups", "tirEntitiesGroups",
    "tirItemCostGroups",   "tirPartnersGroups", "tirUsersGroups", "tirStoresGroups",
    "tirTablesGroups",     "tirModsGroups",     "tirVATsGroups"};
constexpr int kGuidTableCount = sizeof(kGuidTables) / sizeof(kGuidTables[0]);

// Runs one batch of GUID updates; inside a transaction of its own unless the host already has
// one open, so a batch is written whole or not at all (a rerun completes what is left).
void ExecuteBatch(db::Query& query, const std::string& batch) {
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
}

}  // namespace

void CheckIdList(const char* argument, const std::string& list) {
  if (!db::IsValidIdList(list)) {
    throw std::invalid_argument(std::string("Invalid id list in ") + argument + ": \"" + list +
                                "\" (expected comma-separated numeric ids)");
  }
}

TTirJSonBuilder::TTirJSonBuilder() : TTirJSonBuilder(frame::HostConnection()) {}

TTirJSonBuilder::TTirJSonBuilder(db::Connection& connection)
    : FDQuery1(connection), FDQuery2(connection), mNow(db::NowDateTime) {
  FDQuery1.SetFetchAll(true);
  // Section rows are read once, front to back: stepping them keeps a large export from holding
  // every row in memory next to the tree.
  FDQuery2.SetFetchAll(false);
  Clear();
}

void TTirJSonBuilder::Clear() { mJson = json::Object(); }

std::string TTirJSonBuilder::DateToJSON(double aDate) { return gDateToJSON(aDate); }

std::string TTirJSonBuilder::GetGlobalDB_GUID() {
  if (!m_GLOBAL_DB_GUID_STR.empty()) return m_GLOBAL_DB_GUID_STR;
  FDQuery1.SetSql(std::string("SELECT fPStr50 FROM tirSettings WHERE ([fUserId]=") + "0" +
                  ")AND([fMId]=" + "450" + ")AND([fPType]=" + "-39" + ");");
  FDQuery1.Open();
  if (!FDQuery1.Eof()) {
    m_GLOBAL_DB_GUID_STR = FDQuery1.FieldByName("fPStr50").AsText();
    FDQuery1.Close();
    return m_GLOBAL_DB_GUID_STR;
  }
  FDQuery1.Close();
  const std::string guid = GUIDToString(CreateGUID());
  FDQuery1.SetSql(std::string("DELETE FROM tirSettings WHERE ([fUserId]=") + "0" +
                  ")AND([fMId]=" + "450" + ")AND([fPType]=" + "-39" + ");" +
                  "INSERT INTO tirSettings (fPValId, fUserId, fMId, fPType, fPB, fPI, fPDate, "
                  "fPStr50)  VALUES (0,0," +
                  "450" + " ," + "-39" + ", 0, 0,GETDATE(), :pGUID);");
  FDQuery1.ParamByName("pGUID").SetText(guid);
  FDQuery1.ExecSql();
  m_GLOBAL_DB_GUID_STR = guid;
  return m_GLOBAL_DB_GUID_STR;
}

void TTirJSonBuilder::GenAllGUIDs() {
  std::string batch;
  int counter = 0;  // kept across tables
  for (int t = 0; t < kGuidTableCount; ++t) {
    const std::string table = kGuidTables[t];
    FDQuery1.SetSql("SELECT fId FROM " + table + " WHERE (fGUID1=0)AND(fGUID2=0);");
    FDQuery1.Open();
    std::vector<std::int64_t> ids;
    for (; !FDQuery1.Eof(); FDQuery1.Next()) ids.push_back(FDQuery1.FieldByIndex(0).AsInt64());
    FDQuery1.Close();
    std::size_t done = 0;
    for (const std::int64_t id : ids) {
      std::int64_t half1 = 0, half2 = 0;
      gNewGUIDPair(half1, half2);
      batch += "UPDATE " + table + " SET fGUID1=" + std::to_string(half1) +
               ",fGUID2=" + std::to_string(half2) + " WHERE fId=" + std::to_string(id) + ";";
      ++done;
      if (counter > 799 && !batch.empty()) {
        frame::SendToMainMGS("Подготовка к выгрузке " + std::to_string(t + 1) + "/" +
                                 std::to_string(kGuidTableCount) + "|  n=" + std::to_string(done),
                             3, 0);
        frame::ProcessMessages();
        counter = 0;
        ExecuteBatch(FDQuery2, batch);
        batch.clear();
      }
      ++counter;
    }
    if (!batch.empty()) {
      ExecuteBatch(FDQuery2, batch);
      batch.clear();
    }
  }
}

void TTirJSonBuilder::AddAllGroups(const std::string& pNameTbl, const std::string& pJSName) {
  if (!db::IsPlainIdentifier(pNameTbl)) {
    throw std::invalid_argument("Invalid group table name: \"" + pNameTbl + "\"");
  }
  json::Array top = mJson.SetNewArray(pJSName);
  FDQuery1.SetSql(
      "SELECT t1.[fId], t1.[fcl], t1.[fcr], t1.[fclev], t1.[fName], t1.[fGUID1], t1.[fGUID2] "
      "FROM " +
      pNameTbl + " t1  " + " ORDER BY t1.fcl;");
  FDQuery1.Open();
  const std::size_t cId = ColumnOf(FDQuery1, "fId"), cLev = ColumnOf(FDQuery1, "fclev"),
                    cName = ColumnOf(FDQuery1, "fName"), cG1 = ColumnOf(FDQuery1, "fGUID1"),
                    cG2 = ColumnOf(FDQuery1, "fGUID2");

  // One frame per open step of the nested-set walk: the array it fills, the path of its groups,
  // its level and the group object it made last (which receives "children").
  struct Step {
    json::Array target;
    std::string path;
    std::int64_t level;
    std::optional<json::Object> pending;
    std::string pendingName;
  };
  std::vector<Step> steps;
  while (!FDQuery1.Eof()) {
    const std::int64_t level = FDQuery1.FieldByIndex(cLev).AsInt64();
    if (steps.empty()) {
      if (level == 0) {  // the tree's root
        FDQuery1.Next();
        continue;
      }
      steps.push_back(Step{top, "", level, std::nullopt, ""});
    }
    Step& step = steps.back();
    if (level == step.level) {
      const std::string name = FDQuery1.FieldByIndex(cName).AsText();
      json::Object group = step.target.AppendNewObject();
      group.SetString("name", name);
      group.SetString("fullpath", step.path + "\\" + name);
      group.SetInt64("level", level);
      group.SetInt64("lid", FDQuery1.FieldByIndex(cId).AsInt64());
      group.SetString("guid", GuidOf(FDQuery1, cG1, cG2));
      step.pending = group;
      step.pendingName = name;
      FDQuery1.Next();
    } else if (level < step.level) {
      steps.pop_back();
    } else if (step.pending) {
      Step nested{step.pending->SetNewArray("children"), step.path + "\\" + step.pendingName, level,
                  std::nullopt, ""};
      steps.push_back(std::move(nested));
    } else {
      FDQuery1.Next();  // a step always opens on a row of its own level; kept for safety
    }
  }
  FDQuery1.Close();
}

void TTirJSonBuilder::AddVerINFO() {
  json::Object info = mJson.SetNewObject("info");
  info.SetInt64("ver", 1);
  info.SetString("sourceID", GetGlobalDB_GUID());
  info.SetString("jsondocdate", DateToJSON(mNow()));
}

bool TTirJSonBuilder::SaveToFile(const std::string& pName, bool pStruct) {
  try {
    mJson.SaveToFile(pName, pStruct);
    return true;
  } catch (const json::JsonError&) {
    return false;
  }
}

bool TTirJSonBuilder::SaveToFileOneDoc(std::int64_t pfId, const std::string& pName, bool pStruct) {
  const std::string ents = frame::AppParamText(&frame::TU6MenuParams::fUserEntId);
  const std::string stores = frame::AppParamText(&frame::TU6MenuParams::fUserStoreId);
  CheckIdList("fUserEntId", ents);
  CheckIdList("fUserStoreId", stores);
  GenAllGUIDs();
  Clear();
  AddAllGoods(pfId, false, "", 0, false, "", "");
  AddDoc(pfId, 0, 0, ents, stores);
  AddVerINFO();
  return SaveToFile(pName, pStruct);
}

}  // namespace tir::exporting
