// Receipt from supplier and sale (ProvodkaSale2017), return from customer (ProvodkaSalesBack).
#include <cmath>
#include <vector>

#include "db/query.h"
#include "posting/main_provodka.h"
#include "settings/number_forms.h"

namespace tir::posting {

void TDMMainProvodka::ProvodkaSale2017(std::int64_t pId, int pOn, db::Query& pQueryDoc1,
                                       bool /*pIsGlobal*/) {
  TPostingRun run;
  if (!StartRun(pId, pQueryDoc1, run)) return;
  if (!ClearOldEntries(pId, pOn, run, true, true)) return;
  const TProvDocHeader& doc = run.doc;
  const bool incoming = doc.fDocType == kDocReceipt;
  const std::int32_t sign = incoming ? 1 : -1;
  const long double docSumBase = FloatToPrice(doc.fDocSum * doc.fCurrRate);

  db::Query& lines =
      incoming ? OpenLines(
                     "SELECT t1.[fId],t1.[fGoodId],t1.[fSum],t1.[fQtty],t1.[fQtty] AS "
                     "fQttyStore FROM [tirDocGoods] t1 WHERE t1.[fDocId] = :pId  ORDER BY "
                     "t1.fId;",
                     doc, pId)
               : OpenLines(
                     "SELECT t1.[fId],t1.[fGoodId],t2.[fSum],t1.[fQtty],t2.fQtty AS "
                     "fQttyStore FROM [tirDocGoods] t1  LEFT JOIN tirAStoreNow t2 ON "
                     "t2.fGoodId = t1.fGoodId AND t2.fEntId = :pEntId AND t2.fStoreId = "
                     ":pStoreId  WHERE t1.[fDocId] = :pId  ORDER BY t1.fId;",
                     doc, pId);
  if (!incoming) gProvStore->LoadFromQuery(lines);

  std::vector<TStoreMovement> rows;
  rows.reserve(lines.RecordCount());
  for (lines.First(); !lines.Eof(); lines.Next()) {
    TStoreMovement m = LineMovement(doc, pId, lines, sign);
    if (incoming) {
      m.fSum = FloatToPrice(lines.FieldByName("fSum").AsExtended() * doc.fCurrRate);
    } else {
      m.fSum = gProvStore->GetCostGoodsById(m.fGoodId, m.fQtty);
    }
    rows.push_back(m);
  }
  lines.Close();
  WriteStoreMovements(Kept(kStoreMovementSql), rows);

  if (docSumBase != 0)
    InsertSettlement(Kept(kSettlementInsertSql), doc, pId, sign, doc.fDocSum, doc.fDocType);
  FinishRun(pId, run);
}

void TDMMainProvodka::ProvodkaSalesBack(std::int64_t pId, int pOn, db::Query& pQueryDoc1) {
  TPostingRun run;
  if (!StartRun(pId, pQueryDoc1, run)) return;
  mReturnCost.clear();
  if (!ClearOldEntries(pId, pOn, run, true, true)) return;
  const TProvDocHeader& doc = run.doc;

  db::Query& lines = OpenLines(
      "SELECT t1.[fId],t1.[fGoodId],t1.[fSum],t1.[fQtty],t1.[fQtty] AS fQttyStore FROM "
      "[tirDocGoods] t1 WHERE t1.[fDocId] = :pId ORDER BY t1.fId;",
      doc, pId);

  std::vector<TStoreMovement> rows;
  rows.reserve(lines.RecordCount());
  for (lines.First(); !lines.Eof(); lines.Next()) {
    TStoreMovement m = LineMovement(doc, pId, lines, 1);
    m.fSum = FloatToPrice(GetReturnCostGoodsById(m.fGoodId, m.fQtty));
    rows.push_back(m);
  }
  lines.Close();
  WriteStoreMovements(Kept(kStoreMovementSql), rows);

  if (doc.fDocSum != 0)
    InsertSettlement(Kept(kSettlementInsertSql), doc, pId, 1, doc.fDocSum, doc.fDocType);
  FinishRun(pId, run);
}

long double TDMMainProvodka::GetReturnCostGoodsById(std::int64_t pGoodId, long double pQtty) {
  // Entries are claimed in order (the first one holding the good or free) and never freed during
  // one return document; the table holds at most kReturnCostEntries goods.
  TReturnCostEntry* entry = nullptr;
  for (TReturnCostEntry& e : mReturnCost) {
    if (e.fGoodId == pGoodId || e.fGoodId == 0) {
      e.fGoodId = pGoodId;
      entry = &e;
      break;
    }
  }
  if (entry == nullptr) {
    if (mReturnCost.size() >= kReturnCostEntries) return 0;
    mReturnCost.push_back(TReturnCostEntry{pGoodId, 0});
    entry = &mReturnCost.back();
  }

  // The good's index gives the rows newest first without a sort, and they are read as the loop
  // goes: a return usually needs only the latest sales, not the good's whole history.
  db::Query& history = Kept(
      "SELECT fQtty,fSum,fOperType FROM tirAStore WHERE fGoodId=:pGoodId AND fOperType IN "
      "(2,11) ORDER BY fDateTime DESC,fId DESC;");
  history.SetFetchAll(false);
  history.ParamByName("pGoodId").SetInt64(pGoodId);
  history.Open();
  long double skip = entry->fQtty;
  long double need = pQtty;
  long double total = 0;
  for (history.First(); !history.Eof(); history.Next()) {
    const long double qtty = history.FieldByName("fQtty").AsExtended();
    if (history.FieldByName("fOperType").AsInt64() != kDocSale) {
      skip += qtty;  // a later return covers part of the older sales
      continue;
    }
    skip -= qtty;
    if (skip >= 0) continue;  // this sale was returned completely
    const long double avail = std::fabs(skip);
    const long double sum = history.FieldByName("fSum").AsExtended();
    if (IsFloatNull(need - avail) || need < avail) {
      if (!IsFloatNull(qtty)) total += FloatToPrice(sum * need / qtty);
      break;
    }
    if (!IsFloatNull(qtty)) total += FloatToPrice(sum * avail / qtty);
    need -= avail;
    skip = 0;
  }
  history.Close();
  entry->fQtty += pQtty;
  return total;
}

}  // namespace tir::posting
