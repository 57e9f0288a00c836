#pragma once

#include <cstdint>
#include <vector>

namespace tir::db {
class Query;
}

namespace tir::posting {

// The header fields of a document that the posting routines read.
struct TProvDocHeader {
  std::int64_t fId = 0;
  std::int32_t fDocType = 0;  // low 32 bits of the stored type
  std::int32_t fState = 0;    // low 32 bits of the stored state
  std::int64_t fEntityId = 0;
  std::int64_t fStoreId = 0;
  std::int64_t fStoreId2 = 0;
  double fDateTime = 0;
  long double fDocSum = 0;
  long double fCurrRate = 0;
  std::int64_t fContractId = 0;
  std::int64_t fTransactId = 0;
  std::int64_t fPartnerId = 0;
  std::int64_t fCashAccountId = 0;
  std::int64_t fItemCost = 0;
  std::int32_t fTagInt = 0;
};

// Reads the header from the current row of a query over tirDocuments. fId, fDocType, fState,
// fEntityId, fStoreId and fDateTime must be present; the other columns read as 0 when the query
// does not select them.
TProvDocHeader ReadProvDocHeader(const db::Query& pQueryDoc);

// One row of tirAStore together with its effect on tirAStoreNow.
struct TStoreMovement {
  std::int64_t fEntId = 0;
  std::int64_t fStoreId = 0;
  std::int64_t fGoodId = 0;
  double fDateTime = 0;
  std::int32_t fOperType = 0;
  std::int64_t fDocId = 0;
  std::int32_t fSign = 0;
  long double fQtty = 0;
  long double fSum = 0;
  std::int64_t fPosGoodId = 0;
  std::int64_t fContractId = 0;
  std::int64_t fTransactId = 0;
};

// A movement of the document `doc` with its entity, store, date, type, contract and transaction;
// the caller fills the good, sign, quantity, sum and position.
TStoreMovement MovementOf(const TProvDocHeader& doc, std::int64_t pDocId);

// Gives `pQuery` the text `pSql`, closed; a query that already has that text keeps its prepared
// statements and its parameter values (every caller sets all of them again).
void UseSql(db::Query& pQuery, const char* pSql);

// Opens a lines query: `pSql` with pId = the document and, when the text uses them, pEntId and
// pStoreId = the document's entity and store.
void OpenDocLines(db::Query& pLines, const char* pSql, const TProvDocHeader& doc,
                  std::int64_t pDocId);

// A movement of the line on which `pLines` stands (fId, fGoodId, fQtty): good, quantity and
// position from the line, the rest from the document; the caller sets the sum.
TStoreMovement LineMovement(const TProvDocHeader& doc, std::int64_t pDocId, const db::Query& pLines,
                            std::int32_t pSign);

// The movement statement: inserts a stock row and moves the balance of its triple; a triple
// without a balance row keeps no balance.
extern const char kStoreMovementSql[];

// Inserts the movements and applies them to the balances with one array execution of `pQuery`.
// Nothing runs for an empty list.
void WriteStoreMovements(db::Query& pQuery, const std::vector<TStoreMovement>& pRows);

// Sum of an inventory movement for the difference `pDiff` (counted minus booked quantity) of a
// line with quantity `pLineQtty` and purchase price `pPriceIn`: a surplus is valued at the
// purchase price, a shortage at the average cost of the booked balance (`pBookQtty`,
// `pBookSum`).
long double InventoryMovementSum(long double pDiff, long double pLineQtty, long double pPriceIn,
                                 long double pBookQtty, long double pBookSum);

// The settlement row of a document: parameters pContractId, pTransactId, pEntId, pPartId, pDocId,
// pSign, pSum, pDateTime, pStoreId, pOperType.
extern const char kSettlementInsertSql[];

// Binds the parameters a settlement or payment row takes from its document: pContractId,
// pTransactId, pEntId, pPartId, pDocId, pSign, pDateTime, pStoreId, pOperType.
void BindDocumentParams(db::Query& pQuery, const TProvDocHeader& doc, std::int64_t pDocId,
                        std::int32_t pSign, std::int32_t pOperType);

// Inserts the document's settlement row (sum in document currency) on `pQuery`.
void InsertSettlement(db::Query& pQuery, const TProvDocHeader& doc, std::int64_t pDocId,
                      std::int32_t pSign, long double pSum, std::int32_t pOperType);

}  // namespace tir::posting
