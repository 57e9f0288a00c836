#include "export/tir_json_builder.h"

#include <optional>
#include <stdexcept>
#include <vector>

#include "db/date_time.h"
#include "db/db_error.h"
#include "db/sql_text.h"
#include "export/group_tree_json.h"
#include "export/guid_completion.h"
#include "frame/app_globals.h"
#include "frame/host_services.h"
#include "frame/ui_services.h"
#include "json/json_array.h"
#include "json/json_error.h"
#include "settings/date_forms.h"
#include "settings/guid_forms.h"

namespace tir::exporting {

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
  if (std::optional<std::string> stored = ReadBaseGuid(FDQuery1)) {
    m_GLOBAL_DB_GUID_STR = *stored;
    return m_GLOBAL_DB_GUID_STR;
  }
  const std::string guid = GUIDToString(CreateGUID());
  StoreBaseGuid(FDQuery1, guid);
  m_GLOBAL_DB_GUID_STR = guid;
  return m_GLOBAL_DB_GUID_STR;
}

void TTirJSonBuilder::GenAllGUIDs() {
  CompleteGuids(FDQuery1,
                {"tirCashAccounts",     "tirContracts",      "tirCurrencies",  "tirDocuments",
                 "tirEntities",         "tirGoods",          "tirItemCost",    "tirPartners",
                 "tirStores",           "tirTables",         "tirUsers",       "tirVAT",
                 "tirCurrenciesGroups", "tirEKKAGroups",     "tirGoodsGroups", "tirEntitiesGroups",
                 "tirItemCostGroups",   "tirPartnersGroups", "tirUsersGroups", "tirStoresGroups",
                 "tirTablesGroups",     "tirModsGroups",     "tirVATsGroups"},
                799, [](std::size_t table, std::size_t tables, std::size_t done) {
                  frame::SendToMainMGS("Подготовка к выгрузке " + std::to_string(table + 1) + "/" +
                                           std::to_string(tables) + "|  n=" + std::to_string(done),
                                       3, 0);
                  frame::ProcessMessages();
                });
}

void TTirJSonBuilder::AddAllGroups(const std::string& pNameTbl, const std::string& pJSName) {
  // Builds the tree in place: the arrays being filled, innermost last, and the group made last
  // (which receives "children").
  class Builder : public TGroupTreeSink {
   public:
    explicit Builder(json::Array top) : targets_{std::move(top)} {}
    void Group(const TGroupRow& row) override {
      last_ = targets_.back().AppendNewObject();
      last_.SetString("name", row.name);
      last_.SetString("fullpath", row.fullpath);
      last_.SetInt64("level", row.level);
      last_.SetInt64("lid", row.id.AsInt64());
      last_.SetString("guid", row.guid);
    }
    void EndGroup() override {}
    void BeginChildren() override { targets_.push_back(last_.SetNewArray("children")); }
    void EndChildren() override { targets_.pop_back(); }

   private:
    std::vector<json::Array> targets_;
    json::Object last_;
  } builder(mJson.SetNewArray(pJSName));
  WalkGroupTree(FDQuery1, pNameTbl, builder);
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
