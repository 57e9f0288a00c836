#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "db/query.h"
#include "json/json_object.h"

namespace tir::db {
class Connection;
}

namespace tir::exporting {

// The universal JSON builder: writes catalogs and documents of the base into one in-memory JSON
// tree that is saved in one piece. Keys appear in the order the operations set them.
//
// Id-list arguments are comma-separated numeric ids pasted into the SQL text; an empty text means
// "no filter". A list of anything else raises std::invalid_argument before any SQL runs. Database
// errors raise tir::db::DbError and leave the file unwritten.
class TTirJSonBuilder {
 public:
  // Binds both queries to the host's connection (gAppPackParams.fFDConnect).
  TTirJSonBuilder();
  explicit TTirJSonBuilder(db::Connection& connection);

  void Clear();
  static std::string DateToJSON(double aDate);

  std::string GetGlobalDB_GUID();
  void GenAllGUIDs();

  void AddAllGroups(const std::string& pNameTbl, const std::string& pJSName);
  void AddAllGoods(std::int64_t pfDocId, bool pIncludeQtty, const std::string& pGoodsGroupIds,
                   std::int32_t pLastPerDay, bool ifOnlyInetMagaz, const std::string& pEntsIds,
                   const std::string& pStoresIds);
  // The goods query of AddAllGoods (":pDateStore1" is its parameter when pLastPerDay > 0); the
  // id lists must have been checked.
  static std::string GoodsSql(std::int64_t pfDocId, bool pIncludeQtty,
                              const std::string& pGoodsGroupIds, std::int32_t pLastPerDay,
                              bool ifOnlyInetMagaz, const std::string& pEntsIds,
                              const std::string& pStoresIds);
  void AddAllEntities(const std::string& pGroupIds);
  void AddAllCashAccounts(const std::string& pGroupIds);
  void AddAllCurrencies();
  void AddAllContracts(const std::string& pGroupIds);
  void AddAllItemCost();
  void AddAllVAT();
  void AddAllTables();
  void AddAllStores(const std::string& pGroupIds);
  void AddAllUsers();
  void AddAllPartners();
  void AddAllRecipes();
  void AddDoc(std::int64_t pfId, double pDateFrom, double pDateTo, const std::string& pEntIds,
              const std::string& pStoreIDs);
  void AddVerINFO();

  // Saves the tree (indented when pStruct); false when the file could not be written.
  bool SaveToFile(const std::string& pName, bool pStruct);
  // The one-document export: the document, the goods it uses, all goods groups and recipes.
  bool SaveToFileOneDoc(std::int64_t pfId, const std::string& pName, bool pStruct);

  const json::Object& Json() const { return mJson; }
  // The clock of "now" (date-time day number); the wall clock unless replaced.
  void SetClock(std::function<double()> now) { mNow = std::move(now); }

 private:
  void AddSimpleCatalog(const std::string& sql, const std::string& key,
                        const std::function<void(json::Object&)>& fill);

  db::Query FDQuery1;
  db::Query FDQuery2;
  json::Object mJson;
  std::string m_GLOBAL_DB_GUID_STR;
  std::function<double()> mNow;
};

// Raises std::invalid_argument naming the argument when `list` is not an id list.
void CheckIdList(const char* argument, const std::string& list);

}  // namespace tir::exporting
