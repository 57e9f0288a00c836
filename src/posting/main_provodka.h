#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "posting/register_rows.h"
#include "posting/store_goods_cost.h"
#include "settings/tir_codes.h"

namespace tir::db {
class Connection;
class Query;
}  // namespace tir::db

namespace tir::posting {

class TTirMassRepostBatch;

// The posting engine: turns a saved document into rows of the stock, settlement and payment
// registers and keeps the document's state. It opens no transaction of its own and lets database
// errors (tir::db::DbError) pass to the caller; a later posting of the same document removes and
// rewrites all its rows.
class TDMMainProvodka {
 public:
  TDMMainProvodka();
  ~TDMMainProvodka();
  TDMMainProvodka(const TDMMainProvodka&) = delete;
  TDMMainProvodka& operator=(const TDMMainProvodka&) = delete;

  // The connection every query of the engine is bound to; not owned.
  void SetConnectToDB(db::Connection* pFireDACConnection);
  db::Connection* Connection() const { return mFireDACConnection; }

  // Posts one document by id.
  void Provodka(std::int64_t pId, int pOn, bool pIfTestRight, bool pIgnoreMassRepostControl);
  // Posts the document on which an open query over tirDocuments (all columns) stands.
  void ProvodkaOpened(db::Query& pQueryDoc, int pOn, bool pIfTestRight);

  // Empties tirAStore, tirAMSettlement and tirAPayments; balances are left for the rebuild.
  void ClearAllRegisters();

  // Settlement balance of a contract: of one transaction, or of all with transaction 0.
  long double GetMoneySettlement(std::int64_t pContractId, std::int64_t pTransactionId);

  // Recreates tirAStoreNow (a row per entity x store x good) from the movements in tirAStore.
  void RebuildGoodsStores(db::Query& FDQuery1, int pBaseType);
  void RebuildStores();
  void RebuildStoresFull();

  // Mass re-posting control row in tirSettings: only one workstation re-posts at a time, and
  // ordinary posting stands still while a live holder exists (silent for 15 minutes = gone).
  // Takes the control when it is free or stale; false when another holder is live.
  bool TryBeginMassRepostControl(double ADateFrom);
  // Takes the control (raising an error when another holder is live) or releases it; a control
  // taken over by someone else is left alone.
  void SetMassRepostControl(bool AActive, double ADateFrom);
  // Renews the holder's sign of life; raises an error when the control was lost.
  void TouchMassRepostControl();
  // Whether any workstation, this one included, holds a live control.
  bool IsMassRepostControlActive();
  // The start date recorded by the live holder, or 0.
  double MassRepostControlDateFrom();
  const std::string& MassRepostOwner() const { return mMassRepostOwner; }

  // Mass re-posting mode: the removal steps do nothing and documents are computed in memory by a
  // batch, chunk by chunk (PrepareMassRepostBatch, then ProvodkaMassBatchOpened on each row).
  void BeginMassRepostMode();
  // Ends the mode; pending rows are written only with `AFlush`.
  void EndMassRepostMode(bool AFlush);
  void PrepareMassRepostBatch(db::Query& pQueryDocs);
  // Re-posts (command 20) the document on the current row: in the batch when it can compute it,
  // else the ordinary way after writing everything pending.
  void ProvodkaMassBatchOpened(db::Query& pQueryDoc);
  TTirMassRepostBatch* MassRepostBatch() const { return mMassRepostBatch.get(); }

  // Posting routines; each expects `pQueryDoc1` to stand on the document's row.
  void ProvodkaSale2017(std::int64_t pId, int pOn, db::Query& pQueryDoc1, bool pIsGlobal);
  void ProvodkaSalesBack(std::int64_t pId, int pOn, db::Query& pQueryDoc1);
  void ProvodkaMoney(std::int64_t pId, int pOn, db::Query& pQueryDoc1);
  void ProvodkaStoreMove(std::int64_t pId, int pOn, db::Query& pQueryDoc1);
  void ProvodkaWriteOff(std::int64_t pId, int pOn, db::Query& pQueryDoc1);
  void ProvodkaInventory(std::int64_t pId, int pOn, db::Query& pQueryDoc1);
  void ProvodkaProviderBack(std::int64_t pId, int pOn, db::Query& pQueryDoc1);
  void ProvodkaProduce(std::int64_t pId, int pOn, db::Query& pQueryDoc1);
  void ProvodkaProduceItem2(std::int64_t pId, int pOn, db::Query& pQueryDoc1);
  void ProvodkaStateOnly(std::int64_t pId, int pOn, db::Query& pQueryDoc1);

  // Shared steps of the routines.
  void ProvodkiStoresOff(std::int64_t pId, int pOn);
  void ProvodkaAMSettlementOff(std::int64_t pId, int pOn);
  void ProvodkaChangeSate(std::int64_t pId, int pOn, int pState);

  TCStoreGoods& ProvStore() { return *gProvStore; }
  bool MassRepostMode() const { return mMassRepostMode; }

 private:
  // The working set of one routine: the document header and the effective command.
  struct TPostingRun {
    TProvDocHeader doc;
    int on = 0;
  };

  void ProvodkaFromOpenedDocument(std::int64_t pId, int pOn, db::Query& pQueryDoc,
                                  bool pIfTestRight);

  db::Connection& Conn() const;
  std::unique_ptr<db::Query> NewQuery() const;
  // The engine's query for `pSql`, closed and ready for parameters. Each text keeps a query of its
  // own, so its statements are prepared once per connection instead of once per document.
  db::Query& Kept(const std::string& pSql);
  // Opens the kept query of a lines text (see OpenDocLines).
  db::Query& OpenLines(const char* pSql, const TProvDocHeader& doc, std::int64_t pDocId);
  bool IsMSSQL() const;

  // Start of every routine: creates the queries and reads the header; false when there is no
  // document to post.
  bool StartRun(std::int64_t pId, db::Query& pQueryDoc1, TPostingRun& run) const;
  // Removes the document's old entries and changes its state; false when the routine ends here
  // (unposting, deleting, a refused re-post).
  bool ClearOldEntries(std::int64_t pId, int pOn, TPostingRun& run, bool pStoresOff,
                       bool pSettlementOff);
  // End of every routine: a newly posted document gets state 0.
  void FinishRun(std::int64_t pId, TPostingRun& run);

  // Cost of a returned quantity at the prices it was most recently sold for.
  long double GetReturnCostGoodsById(std::int64_t pGoodId, long double pQtty);

  struct TReturnCostEntry {
    std::int64_t fGoodId = 0;
    long double fQtty = 0;
  };
  static constexpr std::size_t kReturnCostEntries = 5001;

  db::Connection* mFireDACConnection = nullptr;
  std::unordered_map<std::string, std::unique_ptr<db::Query>> mKept;
  std::unique_ptr<TCStoreGoods> gProvStore;
  bool mMassRepostMode = false;
  std::unique_ptr<TTirMassRepostBatch> mMassRepostBatch;
  std::string mMassRepostOwner;
  // The customer-return cost table of the current ProvodkaSalesBack call.
  std::vector<TReturnCostEntry> mReturnCost;
};

}  // namespace tir::posting
