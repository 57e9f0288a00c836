#pragma once

#include <cstdint>
#include <string>

#include "export/dn_json_builder.h"

namespace tir::exporting {

// The feeds of the loyalty platform: its category tree, its product list and its price list per
// sale point, each as one compact JSON array (non-ASCII characters as \u escapes), built page by
// page; and the time of the last successful upload. Sending the arrays is the caller's work: it
// calls the builds page by page, tests ErrorText() before sending each page and stores the time
// after success.
//
// The builder carries the main export builder's sections and run in its own forms (no state
// text, no "goods used in documents" and no one-good-with-photo command; see TSectionForms).
class TDNJSUployalBuilder : private TDNJSonBuilder {
 public:
  explicit TDNJSUployalBuilder(db::Connection& connection);

  // Categories: every goods group but the root, flat, each with its parent's GUID; pCatId_LoyalOFF
  // lists the groups whose loyalty is off as row values "(12),(15)": they and every group inside
  // them get "percent" 0, all others null. Any other form of the list is refused as an error.
  void RunBuildUployalCategories(const std::string& pCatId_LoyalOFF);
  // Products: goods pPos … pPos+pCount-1 in id order, with the highest of their prices.
  void RunBuildUployalGoods(std::int64_t pPos, std::int64_t pCount);
  // The second price list of the pSalesPointNum-th sale point (counting from 1) of those with bit
  // 1 of fBitParams set, rows pPos … pPos+pCount-1; an empty array for a number out of range.
  void RunBuildUployalGoodsExternal_id(std::int64_t pPos, std::int64_t pCount,
                                       std::int64_t pSalesPointNum);
  // The category objects of the group table pNameTbl, written into the open array of `array`.
  void Uployal_AddAllGroups(TJsonOut& array, const std::string& pNameTbl,
                            const std::string& pCatId_LoyalOFF);

  // Day number of the last successful upload, 0 when none was stored.
  double GetLastUployalTime();
  void SetLastUployalTime(double pDateTimeOK);

  // True for a list of group ids in the row-value form "(12),(15)" (the empty text included).
  static bool IsRowValueIdList(const std::string& list);

  using TDNJSonBuilder::AddError;
  using TDNJSonBuilder::ClearAllCMD;
  using TDNJSonBuilder::DateToJSON;
  using TDNJSonBuilder::ErrorText;
  using TDNJSonBuilder::GenAllGUIDs;
  using TDNJSonBuilder::GetActivGoodsSnapShot;
  using TDNJSonBuilder::GetAllGoodsCount;
  using TDNJSonBuilder::GetBaseGUID;
  using TDNJSonBuilder::GetGIUDFromTabelByID;
  using TDNJSonBuilder::GetGIUDFromTreeID;
  using TDNJSonBuilder::GetRunMode;
  using TDNJSonBuilder::GetSourceBaseId;
  using TDNJSonBuilder::ifExitNOW;
  using TDNJSonBuilder::LastGoodsSnapshopID;
  using TDNJSonBuilder::LastIdDocsList;
  using TDNJSonBuilder::MarkLastDocsAsSended;
  using TDNJSonBuilder::RunBuildProcess;
  using TDNJSonBuilder::SaveToFile;
  using TDNJSonBuilder::SetAddAllCatalogs;
  using TDNJSonBuilder::SetAddDocsFromLastRowID;
  using TDNJSonBuilder::SetAddDocsPeriod;
  using TDNJSonBuilder::SetAddGoodsBarcodes01;
  using TDNJSonBuilder::SetAddGoodsFull;
  using TDNJSonBuilder::SetAddGoodsSet1;
  using TDNJSonBuilder::SetAddGoodsSet1AllPrice;
  using TDNJSonBuilder::SetAddGoodsSetOnlyQtty;
  using TDNJSonBuilder::SetAddPartners;
  using TDNJSonBuilder::SetAddPartnersAndContract;
  using TDNJSonBuilder::SetAddSomeLastDocs;
  using TDNJSonBuilder::SetClock;
  using TDNJSonBuilder::SetConnection;
  using TDNJSonBuilder::SetGetOrdersCookMonitors;
  using TDNJSonBuilder::SetPtr_ExitNow;
  using TDNJSonBuilder::SetReqParams;
  using TDNJSonBuilder::SetRunMode;
  using TDNJSonBuilder::SetTaskID;
  using TDNJSonBuilder::SetTokenClientValue;
  using TDNJSonBuilder::SetTokenInfo;
  using TDNJSonBuilder::StringList;
  using TDNJSonBuilder::Text;

  // The sections, written in this builder's forms.
  using TDNJSonBuilder::AddAllGroups;
  using TDNJSonBuilder::AddAllRecipes;
  using TDNJSonBuilder::AddCashAccounts;
  using TDNJSonBuilder::AddContracts;
  using TDNJSonBuilder::AddCurrencies;
  using TDNJSonBuilder::AddDiscontRules;
  using TDNJSonBuilder::AddDocCookOrdersActive;
  using TDNJSonBuilder::AddEntities;
  using TDNJSonBuilder::AddGoods;
  using TDNJSonBuilder::AddGoodsFull;
  using TDNJSonBuilder::AddGoodsOnlyQtty;
  using TDNJSonBuilder::AddItemCost;
  using TDNJSonBuilder::AddMods;
  using TDNJSonBuilder::AddOneGoodAndPhotoByBarCode;
  using TDNJSonBuilder::AddPartners;
  using TDNJSonBuilder::AddPrices;
  using TDNJSonBuilder::AddPricesNames;
  using TDNJSonBuilder::AddSalesPoints;
  using TDNJSonBuilder::AddSomeLastDocs;
  using TDNJSonBuilder::AddStores;
  using TDNJSonBuilder::AddTables;
  using TDNJSonBuilder::AddUKTZED;
  using TDNJSonBuilder::AddUsers;
  using TDNJSonBuilder::AddVATs;
  using TDNJSonBuilder::GoodsFilter;
  using TDNJSonBuilder::GoodsFullSql;

 private:
  // Runs one loyalty build: nothing when the exit flag is set; else clears the last text and
  // error, completes the GUIDs and keeps the array that `write` fills as the run's text.
  template <class Write>
  void BuildArray(Write write);
  // Id of the pSalesPointNum-th sale point taking part; 0 when out of range.
  std::int64_t SalePointAt(std::int64_t pSalesPointNum);
};

}  // namespace tir::exporting
