#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "import/exchange_records.h"
#include "import/json_loader_report.h"
#include "settings/tir_token_one.h"

namespace tir::db {
class Connection;
class Query;
}  // namespace tir::db

namespace tir::posting {
class TDMMainProvodka;
}

namespace tir::transport {
class TMDGlobalExitNow;
}

namespace tir::import {

struct TJsonText;  // the parsed text (json_loader_walk.h)
struct TTopValue;

// A document line as read, with the ids its goods GUIDs resolve to (0: not in the base).
struct TDocLineIn {
  TDocGoodsInfo line;
  std::int64_t goodId = 0, parentId = 0;
};

// One component of a recipe as it is written to tirRecipes.
struct TRecipeComponent {
  std::int64_t compId = 0;
  long double count = 0, countOut = 0;
};

// Imports exchange JSON into the host's base: the request envelope, the catalogs with their group
// trees, goods with prices and recipes, and documents, which are posted after they are saved.
// Rows are matched by GUID; only the values a row sends are compared and written. The loader
// opens no transaction: database errors (tir::db::DbError) and damaged content (EJsonLoadError)
// end the running operation and reach the caller, which decides about the transaction.
class TDMJsonLoader {
 public:
  TDMJsonLoader();  // DataModuleCreate
  ~TDMJsonLoader();
  TDMJsonLoader(const TDMJsonLoader&) = delete;
  TDMJsonLoader& operator=(const TDMJsonLoader&) = delete;

  void SetConnection(db::Connection* pDConnect);
  void SetTokenInfo(const TTirTokenOne& pTokenInfo);
  void SetPtr_ExitNow(transport::TMDGlobalExitNow* pPtr) { mPtr_ExitNow = pPtr; }
  bool ifExitNOW() const;
  // Sleeps in 350 ms steps, counting 365 ms a step, until ms is used up or exit is requested.
  void TirSleep(int ms);

  void FreeAll();
  // The whole text is parsed at once; a text that is not well-formed UTF-8 JSON gives false and
  // leaves nothing to walk.
  bool OpenAndParse(std::string pBytes);
  bool OpenFileAndParse(const std::string& pFile);
  void AddError(const std::string& pText);

  // Envelope.
  void GetRespParams();
  std::string GetReqParams();
  std::string getJsonReq(double pPartnersTime, double MainSPRTime);
  std::string getDocFromCBJsonReq();

  // Base identity and persisted counters.
  std::string GetBaseGUID();
  std::int32_t GetSourceBaseId();
  std::int64_t GetLastDocRowID();
  std::int64_t GetLastGoodRowID();
  void SetLastDocRowID(std::int64_t pRowID);
  void SetLastGoodRowID(std::int64_t pRowID);
  void TestReplicationFirst();

  // Catalogs.
  void AddOrUpdateAllCatalogs();
  void AddOrUpdateSalePoints();
  void AddOrUpdateItemsCost();
  void AddOrUpdateTables();
  void AddOrUpdateMods();
  void AddOrUpdateVATs();
  void AddOrUpdateStores();
  void AddOrUpdateCurr();
  void AddOrUpdateEntities();
  void AddOrUpdatePricesNames();
  void AddOrUpdateUKTZED();
  void AddOrUpdatePartners();
  void AddOrUpdateContractsPartners();
  void AddOrUpdateMoneyAccounts();
  void AddOrUpdateDisconts();
  void AddOrUpdateUsers();
  void AddOrUpdateUsersGroupsRights();
  void CreateTreeGroups(const std::string& pTagJson, const std::string& pTableName);

  // Look-ups (0 when not found).
  std::int64_t FindIdByGUID(const std::string& pTable, std::int64_t pGUID1, std::int64_t pGUID2);
  std::int64_t FindIdByGUID(const std::string& pTable, const TJSGIUD& pGUID);
  std::int64_t FindIdByGUID(const std::string& pTable, std::string_view pGUIDText);
  std::int64_t FindContractId(std::int64_t pPartnerId, std::int64_t pEntId);
  std::int64_t FindCashAccountId(std::int64_t pEntId);
  std::int64_t FindGoodIdByGUID(std::int64_t pGUID1, std::int64_t pGUID2, TGooodInfo& pGood);

  // Goods.
  void AddOrUpdateGoods();
  void AddOrUpdateRecipes();
  std::int64_t GetIdForUNKNOWN_GOOD_GUID(const TJSGIUD& pGUID);
  void AddToStoreNOW_ForGood(std::int64_t pGoodId);
  bool gSetIfMustGoodsUpdate();
  bool gGetIfMustGoodsUpdate();

  // Documents.
  void SaveUniversalDocs();
  // Posts the documents SaveUniversalDocs saved, in save order: through the mass re-posting batch
  // when there are more than mBatchPostingAbove (refusing with an error while another workstation
  // holds the mass re-posting control), else one by one.
  void PostSavedDocs();
  std::int64_t CreateOrUpdateTirDoc(TDocInfo& pDoc);
  void DeleteAllDocGoods(std::int64_t pId);
  void SaveDocFromMobileAgent();
  std::int64_t GetOrCreateNewDocMobileAgent(const TDocHeader& pHeader);
  void ChangeCookStatus();
  void GetGoodsListFromFirstDoc(std::vector<TGoodsExportsDOCFromJS>& pListGoods);
  void GetGoodsListQttyFromSPR(std::vector<TGoodsExportsDOCFromJS>& pListGoods);

  // State (the data module's fields).
  std::unique_ptr<db::Query> FDQuery1, FDQuery2;
  std::unique_ptr<posting::TDMMainProvodka> mProvodka;
  std::string mMainBaseGIUD;
  std::int32_t mMaxDocResive = 1500;
  std::unique_ptr<TJsonText> JSONResp;
  std::int32_t mTestRelpFirst = 0;
  std::vector<TProvodkaDocInfo> mDocListIdForProvodka;
  transport::TMDGlobalExitNow* mPtr_ExitNow = nullptr;
  std::string mErrorText;
  TTirTokenOne mTokenInfo;
  std::string mTokenClientValue;
  std::int64_t mLastNumGoodsSnapshot = 0;
  double mLastUpdateGoodsTime = 0, mLastUpdatePartnersTime = 0, mLastUpdateMainSPRTime = 0;
  std::int64_t mMaxGoodRowID = 0, mMaxDocRowID = 0;
  std::int64_t mCountDocInFile = 0;
  bool mifNeadUpdateAllSPR = false;
  std::string mTextSTRNeadUpdateAllSPR;
  TRespParams mLResp;
  TReqParams mReqParams;

  // The pause after every 1000 goods, in ms (0: none); batch loads in one transaction gain
  // nothing by waiting.
  int mGoodsPauseMs = 2000;
  // Called with the number of goods read after every 1000 goods (may be empty).
  std::function<void(std::size_t)> mGoodsProgress;
  // Documents of a universal load (may be empty): while saving, with the documents read and a
  // total of 0, after every 100 documents; while posting, with the documents posted (0 at the
  // start) and the number to post.
  std::function<void(bool posting, std::size_t done, std::size_t total)> mDocsProgress;
  // A load that posts more documents than this posts them through the mass re-posting batch.
  std::size_t mBatchPostingAbove = 1000;
  // Last value of the goods-changed counter seen by this process (-1: none yet).
  static std::int64_t gLastGoodsUpdateCounter;
  // What the operations of the current load did, per object kind.
  TLoadReport mReport;

 private:
  friend class TCatalogWriter;
  db::Query& Cached(const std::string& sql);  // one prepared query per text
  // A query for a text that holds a pasted id and so is not worth keeping prepared; four
  // queries are used in turn, so the last three returned stay valid.
  db::Query& OneOff(const std::string& sql);
  db::Connection& Conn() const;
  void ReadSettingsRow(std::int32_t pMId, std::int32_t pPType, std::int64_t& pPI);
  void SetRowID(std::int32_t pPType, std::int64_t pRowID);
  std::string BuildRequest(const std::string& pCmd, bool pDocs);
  bool ReadGoodsObject(const void* pObject, std::size_t pIndex);
  using TGuidSet = std::set<std::pair<std::int64_t, std::int64_t>>;
  // The GUIDs of every row of pTable (goods or documents), when a load in one transaction brings
  // enough rows in its pTop arrays to be worth reading them all; otherwise nullptr.
  std::unique_ptr<TGuidSet> LoadGuidSet(const char* pTable, const char* pTop);
  // pNew: the goods row was just inserted and has no prices yet.
  void WriteGoodsPrices(std::int64_t pGoodId, std::vector<TPriceListOneGood> pPrices, bool pNew);
  bool ReadUniversalDoc(const void* pObject, std::size_t pIndex, std::int32_t pSourceBaseId);
  void LoadRightsGroups(const TTopValue& pArray);
  void WriteRecipe(std::int64_t pGoodId, const std::vector<TRecipeComponent>& pComponents,
                   TLoadKindCounts& pReport);
  void ResolveDocRefs(TDocInfo& pDoc);
  // Whether the stored document pId already holds this header and these lines, so that writing
  // and posting it again would change nothing.
  bool DocUnchanged(std::int64_t pId, const TDocInfo& pDoc, const std::vector<TDocLineIn>& pLines);
  // The document's transaction link for stored id pId, and whether it links to itself while it
  // is not stored yet.
  std::pair<std::int64_t, bool> TransactLink(const TDocInfo& pDoc, std::int64_t pId);
  // CreateOrUpdateTirDoc for a document already looked up by GUID (pStoredId 0: new).
  std::int64_t SaveDocHeader(TDocInfo& pDoc, std::int64_t pStoredId);
  void FillGoodsLine(std::int64_t pGoodId, TGoodsExportsDOCFromJS& pLine);
  bool SaveMobileOrders(const TTopValue& pDocs);  // false: exit was requested
  void GoodsQuantities(const TTopValue& pGoods, std::vector<TGoodsExportsDOCFromJS>& pListGoods);

  db::Connection* mConnection = nullptr;
  bool mGoodsWritten = false;  // a goods row was written by the current AddOrUpdateGoods
  // While AddOrUpdateGoods writes goods: the GUIDs of every goods row, when read.
  std::unique_ptr<TGuidSet> mGoodsGuids;
  // While universal documents are saved: the GUIDs of every document, when read.
  std::unique_ptr<TGuidSet> mDocGuids;
  std::map<std::string, std::unique_ptr<db::Query>> mCache;
  std::unique_ptr<db::Query> mOneOff[4];
  std::size_t mNextOneOff = 0;
  std::map<const db::Query*, std::vector<int>> mFieldIndexes;  // see TCatalogWriter
  // Ids of group GUIDs found during the current text (group GUIDs change only when a tree
  // is merged, which clears it).
  std::map<std::pair<std::int64_t, std::int64_t>, std::int64_t> mGroupIds;
  // Ids found by GUID for the references of the documents being saved (catalog rows and goods,
  // which that step only adds to); emptied when the step starts and ends.
  struct TDocRefKey {
    const char* table;  // one of the loader's table name literals
    std::int64_t guid1, guid2;
    bool operator==(const TDocRefKey& o) const {
      return table == o.table && guid1 == o.guid1 && guid2 == o.guid2;
    }
  };
  struct TDocRefKeyHash {
    std::size_t operator()(const TDocRefKey& k) const {
      const auto g1 = static_cast<std::uint64_t>(k.guid1);
      const auto g2 = static_cast<std::uint64_t>(k.guid2);
      return std::hash<std::uint64_t>()(g1 ^ (g2 * 0x9E3779B97F4A7C15ULL)) ^
             std::hash<const void*>()(k.table);
    }
  };
  std::unordered_map<TDocRefKey, std::int64_t, TDocRefKeyHash> mDocRefIds;
  std::int64_t FindDocRefId(const char* pTable, const TJSGIUD& pGUID);
  // The id the next new document is expected to get (the last new id + 1), 0 when unknown: a
  // document that is its own transaction is inserted with it as its link, checked afterwards.
  std::int64_t mNextDocId = 0;
  // While universal documents are saved: no document with a larger id has lines.
  std::int64_t mLinesDocIdAbove = 0;
};

}  // namespace tir::import
