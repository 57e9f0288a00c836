#include "posting/register_rows.h"

#include <cmath>

#include "db/query.h"
#include "db/value.h"
#include "settings/number_forms.h"

namespace tir::posting {

// Every movement both inserts its row and moves the balance of its triple; a triple without a
// balance row keeps no balance.
const char kStoreMovementSql[] =
    "INSERT INTO tirAStore (fEntId, fStoreId, fGoodId, fPartId, fDateTime,  fOperType, fDocId, "
    "fSign, fQtty, fSum, fPosGoodId, fContractId, fTransactId )  VALUES (:pEntId, :pStoreId, "
    ":pGoodId, :pPartId, :pDateTime,  :pOperType, :pDocId, :pSign, :pQtty, :pSum, :pPosGoodId, "
    ":pContractId, :pTransactId );UPDATE tirAStoreNow SET fQtty = fQtty+(:pQtty * "
    ":pSign),fSum = fSum+(:pSum * :pSign)  WHERE (fEntId=:pEntId) AND (fStoreId=:pStoreId) AND "
    "(fGoodId=:pGoodId);";

const char kSettlementInsertSql[] =
    "INSERT INTO tirAMSettlement ([fContractId],[fTransactId],[fEntId],[fPartId],[fDocId],"
    "[fSign],[fSum],[fDateTime],[fStoreId],[fOperType] )  VALUES (     :pContractId,"
    ":pTransactId,:pEntId,:pPartId,:pDocId,:pSign,:pSum,:pDateTime,:pStoreId,:pOperType );";

namespace {

std::int64_t Int64Or0(const db::Query& q, const char* name) {
  return q.HasField(name) ? q.FieldByName(name).AsInt64() : 0;
}

long double ExtendedOr0(const db::Query& q, const char* name) {
  return q.HasField(name) ? q.FieldByName(name).AsExtended() : 0;
}

}  // namespace

TProvDocHeader ReadProvDocHeader(const db::Query& pQueryDoc) {
  TProvDocHeader h;
  h.fId = pQueryDoc.FieldByName("fId").AsInt64();
  h.fDocType = static_cast<std::int32_t>(pQueryDoc.FieldByName("fDocType").AsInt64());
  h.fState = static_cast<std::int32_t>(pQueryDoc.FieldByName("fState").AsInt64());
  h.fEntityId = pQueryDoc.FieldByName("fEntityId").AsInt64();
  h.fStoreId = pQueryDoc.FieldByName("fStoreId").AsInt64();
  h.fDateTime = pQueryDoc.FieldByName("fDateTime").AsDateTime();
  h.fStoreId2 = Int64Or0(pQueryDoc, "fStoreId2");
  h.fDocSum = ExtendedOr0(pQueryDoc, "fDocSum");
  h.fCurrRate = ExtendedOr0(pQueryDoc, "fCurrRate");
  h.fContractId = Int64Or0(pQueryDoc, "fContractId");
  h.fTransactId = Int64Or0(pQueryDoc, "fTransactId");
  h.fPartnerId = Int64Or0(pQueryDoc, "fPartnerId");
  h.fCashAccountId = Int64Or0(pQueryDoc, "fCashAccountId");
  h.fItemCost = Int64Or0(pQueryDoc, "fItemCost");
  h.fTagInt = static_cast<std::int32_t>(Int64Or0(pQueryDoc, "fTagInt"));
  return h;
}

TStoreMovement MovementOf(const TProvDocHeader& doc, std::int64_t pDocId) {
  TStoreMovement m;
  m.fEntId = doc.fEntityId;
  m.fStoreId = doc.fStoreId;
  m.fDateTime = doc.fDateTime;
  m.fOperType = doc.fDocType;
  m.fDocId = pDocId;
  m.fContractId = doc.fContractId;
  m.fTransactId = doc.fTransactId;
  return m;
}

void UseSql(db::Query& pQuery, const char* pSql) {
  pQuery.Close();
  if (pQuery.Sql() != pSql) pQuery.SetSql(pSql);
}

void OpenDocLines(db::Query& pLines, const char* pSql, const TProvDocHeader& doc,
                  std::int64_t pDocId) {
  UseSql(pLines, pSql);
  if (pLines.HasParam("pEntId")) pLines.ParamByName("pEntId").SetInt64(doc.fEntityId);
  if (pLines.HasParam("pStoreId")) pLines.ParamByName("pStoreId").SetInt64(doc.fStoreId);
  pLines.ParamByName("pId").SetInt64(pDocId);
  pLines.Open();
}

TStoreMovement LineMovement(const TProvDocHeader& doc, std::int64_t pDocId, const db::Query& pLines,
                            std::int32_t pSign) {
  TStoreMovement m = MovementOf(doc, pDocId);
  m.fGoodId = pLines.FieldByName("fGoodId").AsInt64();
  m.fQtty = pLines.FieldByName("fQtty").AsExtended();
  m.fPosGoodId = pLines.FieldByName("fId").AsInt64();
  m.fSign = pSign;
  return m;
}

void WriteStoreMovements(db::Query& pQuery, const std::vector<TStoreMovement>& pRows) {
  if (pRows.empty()) return;
  UseSql(pQuery, kStoreMovementSql);
  pQuery.SetArraySize(pRows.size());
  // Parameters by position: pEntId, pStoreId, pGoodId, pPartId, pDateTime, pOperType, pDocId,
  // pSign, pQtty, pSum, pPosGoodId, pContractId, pTransactId.
  db::Param* p[13];
  for (std::size_t i = 0; i < 13; ++i) p[i] = &pQuery.ParamByIndex(i);
  for (std::size_t row = 0; row < pRows.size(); ++row) {
    const TStoreMovement& m = pRows[row];
    p[0]->SetAt(row, db::Value::Int64(m.fEntId));
    p[1]->SetAt(row, db::Value::Int64(m.fStoreId));
    p[2]->SetAt(row, db::Value::Int64(m.fGoodId));
    p[3]->SetAt(row, db::Value::Int64(0));
    p[4]->SetAt(row, db::Value::DateTime(m.fDateTime));
    p[5]->SetAt(row, db::Value::Int32(m.fOperType));
    p[6]->SetAt(row, db::Value::Int64(m.fDocId));
    p[7]->SetAt(row, db::Value::Int32(m.fSign));
    p[8]->SetAt(row, db::Value::Double(static_cast<double>(m.fQtty)));
    p[9]->SetAt(row, db::Value::Double(static_cast<double>(m.fSum)));
    p[10]->SetAt(row, db::Value::Int64(m.fPosGoodId));
    p[11]->SetAt(row, db::Value::Int64(m.fContractId));
    p[12]->SetAt(row, db::Value::Int64(m.fTransactId));
  }
  pQuery.ExecuteArray();
  pQuery.Close();
}

long double InventoryMovementSum(long double pDiff, long double pLineQtty, long double pPriceIn,
                                 long double pBookQtty, long double pBookSum) {
  // Separate cases on purpose: each is its own costing rule even where two give the same sum.
  if (pDiff >= 0) {
    return pDiff <= pLineQtty ? FloatToPrice(pPriceIn) : FloatToPrice(pLineQtty * pPriceIn / pDiff);
  }
  if (IsFloatNull(pBookQtty)) return FloatToPrice(pBookSum);  // the whole remaining value leaves
  if (pBookQtty >= pDiff || IsFloatNull(pBookQtty - pDiff)) {
    return FloatToPrice(std::fabs(FloatToPrice(pDiff) * pBookSum / pBookQtty));
  }
  return FloatToPrice(pBookSum);
}

void BindDocumentParams(db::Query& pQuery, const TProvDocHeader& doc, std::int64_t pDocId,
                        std::int32_t pSign, std::int32_t pOperType) {
  pQuery.ParamByName("pContractId").SetInt64(doc.fContractId);
  pQuery.ParamByName("pTransactId").SetInt64(doc.fTransactId);
  pQuery.ParamByName("pEntId").SetInt64(doc.fEntityId);
  pQuery.ParamByName("pPartId").SetInt64(doc.fPartnerId);
  pQuery.ParamByName("pDocId").SetInt64(pDocId);
  pQuery.ParamByName("pSign").SetInt32(pSign);
  pQuery.ParamByName("pDateTime").SetDateTime(doc.fDateTime);
  pQuery.ParamByName("pStoreId").SetInt64(doc.fStoreId);
  pQuery.ParamByName("pOperType").SetInt32(pOperType);
}

void InsertSettlement(db::Query& pQuery, const TProvDocHeader& doc, std::int64_t pDocId,
                      std::int32_t pSign, long double pSum, std::int32_t pOperType) {
  UseSql(pQuery, kSettlementInsertSql);
  BindDocumentParams(pQuery, doc, pDocId, pSign, pOperType);
  pQuery.ParamByName("pSum").SetDouble(static_cast<double>(pSum));
  pQuery.ExecSql();
}

}  // namespace tir::posting
