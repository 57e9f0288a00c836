#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "posting/register_rows.h"

namespace tir::db {
class Connection;
class Query;
}  // namespace tir::db

namespace tir::posting {

struct TTirBatchStoreKey {
  std::int64_t fEntId = 0;
  std::int64_t fStoreId = 0;
  std::int64_t fGoodId = 0;
};

struct TTirBatchStoreBalance {
  long double fQtty = 0;
  long double fSum = 0;
};

struct TTirBatchDocGood {
  std::int64_t fId = 0;
  std::int64_t fDocId = 0;
  std::int64_t fGoodId = 0;
  std::int64_t fPosId = 0;
  std::int32_t fTypeInDoc = 0;
  long double fSum = 0;
  long double fQtty = 0;
  long double fPriceIn = 0;
  long double fPriceOut = 0;
  long double fDiscount = 0;
};

// A movement of the batch: the fields of a stock register row, as the single-document routines
// keep them.
using TTirBatchMovement = TStoreMovement;

struct TTirBatchSettlement {
  std::int64_t fContractId = 0;
  std::int64_t fTransactId = 0;
  std::int64_t fEntId = 0;
  std::int64_t fPartId = 0;
  std::int64_t fDocId = 0;
  std::int32_t fSign = 0;
  long double fSum = 0;
  double fDateTime = 0;
  std::int64_t fStoreId = 0;
  std::int32_t fOperType = 0;
};

struct TTirBatchPayment {
  std::int64_t fContractId = 0;
  std::int64_t fTransactId = 0;
  std::int64_t fEntId = 0;
  std::int64_t fPartId = 0;
  std::int64_t fDocId = 0;
  std::int32_t fSign = 0;
  long double fSum = 0;
  double fDateTime = 0;
  std::int32_t fOperType = 0;
  std::int64_t fCashAccountId = 0;
  std::int64_t fStoreId = 0;
  std::int64_t fItemCost = 0;
};

// Equality and hash of a balance key; also usable as the hasher and key-equal of a hash map.
struct TTirBatchStoreKeyComparer {
  static bool Equals(const TTirBatchStoreKey& a, const TTirBatchStoreKey& b);
  static std::int32_t GetHashCode(const TTirBatchStoreKey& key);
  bool operator()(const TTirBatchStoreKey& a, const TTirBatchStoreKey& b) const {
    return Equals(a, b);
  }
  std::size_t operator()(const TTirBatchStoreKey& key) const {
    return static_cast<std::uint32_t>(GetHashCode(key));
  }
};

// The in-memory batch of a mass re-posting: loads the lines and starting balances of a chunk of
// documents, computes their register rows as the single-document routines would, keeps running
// balances and writes movements, balance changes, settlements, payments and states with one array
// statement each. Database errors pass to the caller; a pending list is emptied only after its
// statement has run.
class TTirMassRepostBatch {
 public:
  explicit TTirMassRepostBatch(db::Connection& AConnection);
  ~TTirMassRepostBatch();
  TTirMassRepostBatch(const TTirMassRepostBatch&) = delete;
  TTirMassRepostBatch& operator=(const TTirMassRepostBatch&) = delete;

  // Writes what is pending, then loads the lines and balances of the documents of `ADocuments`.
  void PrepareBatch(db::Query& ADocuments);
  // Computes the document on the current row; false asks for the ordinary posting.
  bool TryPostDocument(db::Query& ADocument);
  // Forgets the balances the document's lines touch, so they are read again from the base.
  void InvalidateDocumentBalances(db::Query& ADocument);
  // Forgets one balance, so it is read again from the base.
  void ForgetBalance(std::int64_t entity, std::int64_t store, std::int64_t good);
  void Flush();

  // Rows waiting to be written (for progress and tests).
  std::size_t PendingMovements() const { return FMovements.size(); }
  std::size_t PendingStates() const { return FPostedDocumentIds.size(); }
  std::size_t PendingSettlements() const { return FSettlements.size(); }
  std::size_t PendingPayments() const { return FPayments.size(); }

  // What TryPostDocument did with the documents it was given, since the batch was created.
  struct TTally {
    std::size_t posted = 0;      // computed here, or (orders) set to state 0
    std::size_t leftAlone = 0;   // states other than 0 and 3: not re-posted
    std::size_t fallenBack = 0;  // handed back for the ordinary posting
  };
  const TTally& Tally() const { return FTally; }

  static constexpr std::size_t kMovementFlushLimit = 20000;
  static constexpr std::size_t kStateFlushLimit = 5000;

 private:
  using TBalanceMap = std::unordered_map<TTirBatchStoreKey, TTirBatchStoreBalance,
                                         TTirBatchStoreKeyComparer, TTirBatchStoreKeyComparer>;

  std::unique_ptr<db::Query> CreateQuery(const std::string& text, bool prepare);
  static TTirBatchStoreKey MakeStoreKey(std::int64_t entity, std::int64_t store, std::int64_t good);
  TTirBatchStoreBalance GetBalance(const TTirBatchStoreKey& key);
  void SetBalance(const TTirBatchStoreKey& key, const TTirBatchStoreBalance& balance);
  long double CalculateOutgoingCost(const TTirBatchStoreKey& key, long double qtty);
  void AppendMovement(std::int64_t entity, std::int64_t store, std::int64_t good, double dateTime,
                      std::int32_t operType, std::int64_t docId, std::int32_t sign,
                      long double qtty, long double sum, std::int64_t posGoodId,
                      std::int64_t contract, std::int64_t transact);
  void AppendSettlement(std::int64_t contract, std::int64_t transact, std::int64_t entity,
                        std::int64_t partner, std::int64_t docId, std::int32_t sign,
                        long double sum, double dateTime, std::int64_t store,
                        std::int32_t operType);
  void AppendPayment(std::int64_t contract, std::int64_t transact, std::int64_t entity,
                     std::int64_t partner, std::int64_t docId, std::int32_t sign, long double sum,
                     double dateTime, std::int32_t operType, std::int64_t cashAccount,
                     std::int64_t store, std::int64_t itemCost);
  void AppendPostedDocument(std::int64_t docId);
  // Production as the single-document routines post it; false when it has no products (then
  // nothing is written and the state stays).
  bool PostProduction(const TProvDocHeader& d, const std::vector<TTirBatchDocGood>& lines);
  const std::vector<TTirBatchDocGood>* GoodsForDocument(std::int64_t docId) const;
  bool IsBonusCashAccount(std::int64_t accountId) const;
  void LoadCashAccountTypes();
  void FlushMovements();
  void FlushBalances();
  void FlushSettlements();
  void FlushPayments();
  void FlushStates();

  db::Connection* FConnection;
  std::unordered_map<std::int64_t, std::unique_ptr<std::vector<TTirBatchDocGood>>> FGoodsByDoc;
  TBalanceMap FBalances;
  TBalanceMap FDirtyBalances;
  // Keys without a row in tirAStoreNow. Single posting only updates existing rows, so such a
  // balance stays absent (0/0) whatever moves: costs taken from it are 0.
  std::unordered_set<TTirBatchStoreKey, TTirBatchStoreKeyComparer, TTirBatchStoreKeyComparer>
      FNoBalanceRow;
  TTally FTally;
  std::unordered_map<std::int64_t, std::int32_t> FCashAccountTypes;
  std::vector<TTirBatchMovement> FMovements;
  std::vector<TTirBatchSettlement> FSettlements;
  std::vector<TTirBatchPayment> FPayments;
  std::vector<std::int64_t> FPostedDocumentIds;
  std::unique_ptr<db::Query> FQueryGoods;
  std::unique_ptr<db::Query> FQueryBalance;
  std::unique_ptr<db::Query> FQueryMovement;
  std::unique_ptr<db::Query> FQueryBalanceUpdate;
  std::unique_ptr<db::Query> FQuerySettlement;
  std::unique_ptr<db::Query> FQueryPayment;
  std::unique_ptr<db::Query> FQueryState;
};

}  // namespace tir::posting
