#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/query.h"
#include "export/json_out.h"
#include "export/req_params.h"
#include "settings/tir_codes.h"
#include "settings/tir_token_one.h"

namespace tir::transport {
class TMDGlobalExitNow;
}

namespace tir::exporting {

// The main export builder: writes the catalogs and documents of the base that its commands ask
// for into one compact JSON text, streamed through one writer (no object tree is kept), for a
// peer base, a mobile agent, a cash register or a kitchen monitor.
//
// Use: set commands, RunBuildProcess, then test ErrorText(): when it is empty, SaveToFile or take
// Text(). Every section operation takes the writer of the run ("pairs") and writes its keys into
// the open top-level object; they are public so that other builders (the loyalty feeds) write the
// same sections. Errors of a run are collected as lines "ErrorSQL: ...", "Error: ..." or
// "Error: ExceptionUndef." and stop the run; nothing throws out of RunBuildProcess.
class TDNJSonBuilder {
 public:
  explicit TDNJSonBuilder(db::Connection& connection);
  ~TDNJSonBuilder();
  TDNJSonBuilder(const TDNJSonBuilder&) = delete;
  TDNJSonBuilder& operator=(const TDNJSonBuilder&) = delete;

  void SetConnection(db::Connection& connection);
  // 0 interactive export, 1 default (answering a client), 2 with a "request" envelope.
  void SetRunMode(std::uint8_t mode) { mNowRunMode = mode; }
  std::uint8_t GetRunMode() const { return mNowRunMode; }
  void SetTokenInfo(const TTirTokenOne& token) { mTokenInfo.Copy(token); }
  void SetPtr_ExitNow(const transport::TMDGlobalExitNow* exitNow) { mPtr_ExitNow = exitNow; }
  bool ifExitNOW() const;
  void SetReqParams(const TReqParams& params) { mReqParams = params; }
  void SetTaskID(std::int64_t taskId) { mTaskID = taskId; }
  void SetTokenClientValue(const std::string& token) { mTokenClientValue = token; }
  // The clock of "now" (day number); the wall clock unless replaced.
  void SetClock(std::function<double()> now) { mNow = std::move(now); }
  // Run mode 2 answers one peer of the exchange service: its token's store, entity and document
  // type lists limit the documents, stock quantities and contracts it reads (see
  // DocsScopeFilter), and "info" carries the id of the document batch the answer holds.
  void SetBatchId(std::string id) { mBatchId = std::move(id); }
  // Whether users and their rights may travel (default yes). Without, "getallcatalogs" sends
  // no users, user groups or rights groups, and documents name no user.
  void SetUsersAllowed(bool allowed) { mUsersAllowed = allowed; }
  // The filter a token's store, entity and document type lists (empty: no limit) put on
  // documents t1; with store moves, also documents that moved goods out of a listed store.
  // Raises std::invalid_argument for a list that is not an id list.
  static std::string DocsScopeFilter(const TTirTokenOne& token, bool withStoreMoves);

  // Commands: each switches one section on until ClearAllCMD.
  void ClearAllCMD();
  void SetAddGoodsFull() { mCMDGoodsAddFull = true; }
  void SetAddGoodsAddOnlyInDocFullInfo() { mCMDGoodsAddOnlyInDocFullInfo = true; }
  void SetAddGoodsSet1() { mCMDGoodsAddSet1 = true; }
  void SetCmdGetGoodInfoAndPhoto1() { mCMDGetgoodinfoandphoto1 = true; }
  void SetAddGoodsSet1AllPrice() { mCMDGoodsAddSet2AllPrice = true; }
  void SetAddGoodsSetOnlyQtty() { mCMDGetOnlyQtty = true; }
  void SetAddGoodsBarcodes01() { mCMDGoodsAddBarcodes01 = true; }
  void SetGetOrdersCookMonitors() { mCMDGetOrdersCookMonitors = true; }
  void SetAddAllCatalogs() { mCMDAddAllCatalogs = true; }
  void SetAddSomeLastDocs() { mCMDAddSomeLastDocs = true; }
  void SetAddDocsFromLastRowID() { mCMDAddDocsFromLastRowID = true; }
  void SetAddDocsPeriod(double from, double to);
  // Limits every document section to these document ids (comma-separated; empty: no limit).
  // Kept across ClearAllCMD.
  void SetDocIdsOnly(std::string ids) { mDocIdsOnly = std::move(ids); }
  // groupId: a partner group id ("" or "0" for all partners).
  void SetAddPartners(const std::string& groupId);
  void SetAddPartnersAndContract(const std::string& groupId);

  void RunBuildProcess();
  void AddError(const std::string& text);
  // Writes the text of the last run, followed by CR LF, without a byte-order mark; the file is
  // written beside its place and moved there, so a failed write leaves any old file whole (a
  // symbolic link stays; the file it leads to is the one replaced).
  bool SaveToFile(const std::string& fileName) const;
  // Marks the documents of the last document section as delivered.
  void MarkLastDocsAsSended();

  const std::string& ErrorText() const { return mErrorText; }
  const std::string& LastStateText() const { return mLastStateText; }
  std::int64_t LastGoodsSnapshopID() const { return mLastGoodsSnapshopID; }
  const std::string& LastIdDocsList() const { return mLastIdDocsList; }
  // The text of the last run, in pieces whose concatenation is the JSON text.
  const TJsonPieces& StringList() const { return mStringList; }
  std::string Text() const;

  static std::string DateToJSON(double date);
  std::string GetBaseGUID();
  std::int32_t GetSourceBaseId();
  std::int64_t GetActivGoodsSnapShot();
  std::int64_t GetAllGoodsCount(std::int64_t& snapshot, std::int64_t lastRowId);
  void GenAllGUIDs();
  static std::string GetGIUDFromTabelByID(db::Query& query, const std::string& table,
                                          std::int64_t id);
  static std::string GetGIUDFromTreeID(db::Query& query, const std::string& ids);

  // Sections.
  void AddAllGroups(TJsonOut& pairs, const std::string& table, const std::string& key);
  void AddGoods(TJsonOut& pairs, std::int64_t pNowGoodsSnapShot);
  void AddGoodsFull(TJsonOut& pairs, std::int64_t pfDocId, bool pIncludeQtty,
                    const std::string& pGoodsGroupIds, std::int32_t pLastPerDay,
                    bool ifOnlyInetMagaz, const std::string& pEntsIds,
                    const std::string& pStoresIds, std::int64_t pNowGoodsSnapShot);
  void AddGoodsOnlyQtty(TJsonOut& pairs, const std::string& pEntsIds,
                        const std::string& pStoresIds);
  void AddAllRecipes(TJsonOut& pairs);
  void AddPrices(TJsonOut& pairs);
  void AddPricesNames(TJsonOut& pairs);
  void AddUKTZED(TJsonOut& pairs);
  void AddOneGoodAndPhotoByBarCode(TJsonOut& pairs, const std::string& strBarcode);
  void AddPartners(TJsonOut& pairs);
  void AddContracts(TJsonOut& pairs);
  void AddUsers(TJsonOut& pairs);
  void AddSalesPoints(TJsonOut& pairs);
  void AddVATs(TJsonOut& pairs);
  void AddEntities(TJsonOut& pairs);
  void AddStores(TJsonOut& pairs);
  void AddCurrencies(TJsonOut& pairs);
  void AddCashAccounts(TJsonOut& pairs);
  void AddItemCost(TJsonOut& pairs);
  void AddDiscontRules(TJsonOut& pairs);
  void AddTables(TJsonOut& pairs);
  void AddMods(TJsonOut& pairs);
  // Which documents AddSomeLastDocs selects (mTypeSelect).
  static constexpr int kDocsRecent = 1;   // recent undelivered documents
  static constexpr int kDocsPeriod = 2;   // the period mDocPeriodDateFrom..mDocPeriodDateTo
  static constexpr int kDocsChanged = 3;  // changes after a row version
  void AddSomeLastDocs(TJsonOut& pairs, int mTypeSelect);
  void AddDocCookOrdersActive(TJsonOut& pairs);

  // A catalog section described by its tables and members (dn_catalog.h).
  struct Catalog;

  // The full goods query for a filter (see GoodsFilter), with the quantity column and join when
  // pIncludeQtty; id lists must have been checked.
  static std::string GoodsFullSql(const std::string& filter, bool pIncludeQtty,
                                  const std::string& pEntsIds, const std::string& pStoresIds);
  std::string GoodsFilter(std::int64_t pfDocId, const std::string& pGoodsGroupIds,
                          std::int32_t pLastPerDay, bool ifOnlyInetMagaz) const;

 protected:
  // The forms the sections are written in. A builder of the loyalty feeds carries the sections in
  // its own forms: no state text, no "import", "autoprod", "isexstamp", "onlyishop", "markup",
  // "divlist" of goods, no "vat_a" of tax rates, no "import" of classification codes, its own
  // goods filter texts, and a quantities-only step that ignores the client's token.
  enum class TSectionForms { kMain, kLoyalty };
  TDNJSonBuilder(db::Connection& connection, TSectionForms forms);
  bool MainForms() const { return mForms == TSectionForms::kMain; }
  db::Query& Query1() { return *FDQuery1; }
  // A run of a derived builder: clears the error text and the text of the last run; the text of
  // the run replaces it.
  void StartOwnRun() {
    mErrorText.clear();
    mStringList.clear();
  }
  void SetRunText(TJsonPieces pieces) { mStringList = std::move(pieces); }
  // Adds the error line of an exception (nothing for AlreadyReported).
  void ReportError(const std::exception_ptr& error);

 private:
  bool StartSection(const char* name);
  // Appends a progress marker to the state text (main forms only).
  void NoteState(const std::string& marker);
  // Called after each row of a long loop: lets the host process its window messages every 30
  // rows of an interactive export (run mode 0, the host's user-interface thread) and tells
  // whether the exit flag asks the loop to stop.
  bool RowDone();
  void AddCatalog(TJsonOut& pairs, const Catalog& catalog);
  void AddPricesNamesRAW(TJsonOut& pairs);
  void AddUsersRightsGroupsRAW(TJsonOut& pairs);
  void AddUsersRAW(TJsonOut& pairs);
  void AddPartnersRAW(TJsonOut& pairs);
  void WriteRights(TJsonOut& pairs, int kind, std::int64_t id);
  void WriteUserAccess(TJsonOut& pairs, std::int64_t userId);
  std::string DocsFilter(int mTypeSelect, std::int32_t baseId) const;
  // Recent documents of a peer of the exchange service, which chose them from its ledger: they
  // go without the base-wide delivery claim, its filter and its row limit.
  bool PeerBatch() const { return mNowRunMode == kRunRequest && !mDocIdsOnly.empty(); }
  void WriteEnvelope(TJsonOut& pairs, std::int64_t count, std::int64_t snapshot);
  void RunSections(TJsonOut& pairs);
  struct AlreadyReported {};

  std::unique_ptr<db::Query> FDQuery1;
  std::unique_ptr<db::Query> FDQuery2;
  std::uint8_t mNowRunMode = kRunDefault;
  const transport::TMDGlobalExitNow* mPtr_ExitNow = nullptr;
  TJsonPieces mStringList;
  std::string mErrorText;
  std::string mLastStateText;
  bool mCMDGoodsAddFull = false;
  bool mCMDGoodsAddOnlyInDocFullInfo = false;
  bool mCMDGoodsAddSet1 = false;
  bool mCMDGetgoodinfoandphoto1 = false;
  bool mCMDGoodsAddBarcodes01 = false;
  bool mCMDGoodsAddSet2AllPrice = false;
  bool mCMDPartnersAdd = false;
  bool mCMDPartnersAddAndContracts = false;
  bool mCMDGetOnlyQtty = false;
  bool mCMDGetOrdersCookMonitors = false;
  bool mCMDAddAllCatalogs = false;
  bool mCMDAddSomeLastDocs = false;
  bool mCMDAddDocsPeriod = false;
  bool mCMDAddDocsFromLastRowID = false;
  double mDocPeriodDateFrom = 0;
  double mDocPeriodDateTo = 0;
  std::string mPartnerstGrIDS;
  std::string mMainBaseGIUD;
  TTirTokenOne mTokenInfo;
  TReqParams mReqParams;
  std::int64_t mTaskID = 0;
  std::int64_t mLastGoodsSnapshopID = 0;
  std::string mLastIdDocsList;
  std::string mDocIdsOnly;
  std::string mTokenClientValue;
  std::function<double()> mNow;
  std::int64_t mRowsDone = 0;
  std::string mBatchId;
  bool mUsersAllowed = true;
  TSectionForms mForms = TSectionForms::kMain;
};

}  // namespace tir::exporting
