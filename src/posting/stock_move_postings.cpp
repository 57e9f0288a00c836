// Move between stores, write-off and taking on stock, return to supplier, inventory recount.
#include <cmath>
#include <vector>

#include "db/query.h"
#include "posting/main_provodka.h"
#include "settings/number_forms.h"

namespace tir::posting {

namespace {

// Lines of a move or write-off with the sending store's balance of each good.
constexpr const char* kLinesWithStoreBalanceSql =
    "SELECT t1.[fId],t1.[fGoodId],t2.[fSum],t1.[fQtty],t2.fQtty AS fQttyStore FROM [tirDocGoods] "
    "t1  LEFT JOIN tirAStoreNow t2 ON t2.fGoodId = t1.fGoodId AND t2.fEntId = :pEntId AND "
    "t2.fStoreId = :pStoreId  WHERE t1.[fDocId] = :pId   ORDER BY t1.fId;";

}  // namespace

void TDMMainProvodka::ProvodkaStoreMove(std::int64_t pId, int pOn, db::Query& pQueryDoc1) {
  TPostingRun run;
  if (!StartRun(pId, pQueryDoc1, run)) return;
  if (!ClearOldEntries(pId, pOn, run, true, false)) return;
  const TProvDocHeader& doc = run.doc;
  db::Query& lines = OpenLines(kLinesWithStoreBalanceSql, doc, pId);
  gProvStore->LoadFromQuery(lines);

  std::vector<TStoreMovement> rows;
  rows.reserve(2 * lines.RecordCount());
  for (lines.First(); !lines.Eof(); lines.Next()) {
    TStoreMovement out = LineMovement(doc, pId, lines, -1);
    out.fContractId = 0;
    out.fTransactId = 0;
    out.fSum = gProvStore->GetCostGoodsById(out.fGoodId, out.fQtty);
    TStoreMovement in = out;
    in.fStoreId = doc.fStoreId2;
    in.fSign = 1;
    rows.push_back(out);
    rows.push_back(in);
  }
  lines.Close();
  WriteStoreMovements(Kept(kStoreMovementSql), rows);
  FinishRun(pId, run);
}

void TDMMainProvodka::ProvodkaWriteOff(std::int64_t pId, int pOn, db::Query& pQueryDoc1) {
  TPostingRun run;
  if (!StartRun(pId, pQueryDoc1, run)) return;
  if (!ClearOldEntries(pId, pOn, run, true, false)) return;
  const TProvDocHeader& doc = run.doc;
  const bool writeOff = doc.fDocType == kDocWriteOff;
  db::Query& lines =
      writeOff ? OpenLines(kLinesWithStoreBalanceSql, doc, pId)
               : OpenLines(
                     "SELECT t1.[fId],t1.[fGoodId],t1.[fSum],t1.[fQtty],t1.[fQtty] AS "
                     "fQttyStore FROM [tirDocGoods] t1 WHERE t1.[fDocId] = :pId  ORDER BY "
                     "t1.fId;",
                     doc, pId);
  if (writeOff) gProvStore->LoadFromQuery(lines);

  std::vector<TStoreMovement> rows;
  rows.reserve(lines.RecordCount());
  for (lines.First(); !lines.Eof(); lines.Next()) {
    TStoreMovement m = LineMovement(doc, pId, lines, writeOff ? -1 : 1);
    m.fSum = writeOff ? gProvStore->GetCostGoodsById(m.fGoodId, m.fQtty)
                      : FloatToPrice(lines.FieldByName("fSum").AsExtended());
    rows.push_back(m);
  }
  lines.Close();
  WriteStoreMovements(Kept(kStoreMovementSql), rows);
  FinishRun(pId, run);
}

void TDMMainProvodka::ProvodkaProviderBack(std::int64_t pId, int pOn, db::Query& pQueryDoc1) {
  TPostingRun run;
  if (!StartRun(pId, pQueryDoc1, run)) return;
  if (!ClearOldEntries(pId, pOn, run, true, true)) return;
  const TProvDocHeader& doc = run.doc;
  db::Query& lines = OpenLines(
      "SELECT t1.[fId],t1.[fGoodId],t2.[fSum],t1.[fSum] as fSumGDoc,t1.[fQtty],t2.fQtty "
      "AS fQttyStore FROM [tirDocGoods] t1  LEFT JOIN tirAStoreNow t2 ON t2.fGoodId = "
      "t1.fGoodId AND t2.fEntId = :pEntId AND t2.fStoreId = :pStoreId  WHERE "
      "t1.[fDocId] = :pId ORDER BY t1.fId;",
      doc, pId);
  gProvStore->LoadFromQuery(lines);

  std::vector<TStoreMovement> rows;
  rows.reserve(lines.RecordCount());
  for (lines.First(); !lines.Eof(); lines.Next()) {
    TStoreMovement m = LineMovement(doc, pId, lines, -1);
    m.fSum = gProvStore->GetCostGoodsById(m.fGoodId, m.fQtty);  // store cost, not the line sum
    rows.push_back(m);
  }
  lines.Close();
  WriteStoreMovements(Kept(kStoreMovementSql), rows);

  if (doc.fDocSum != 0)
    InsertSettlement(Kept(kSettlementInsertSql), doc, pId, -1, doc.fDocSum, kDocSupplierReturn);
  FinishRun(pId, run);
}

void TDMMainProvodka::ProvodkaInventory(std::int64_t pId, int pOn, db::Query& pQueryDoc1) {
  TPostingRun run;
  if (!StartRun(pId, pQueryDoc1, run)) return;
  if (!ClearOldEntries(pId, pOn, run, true, false)) return;
  const TProvDocHeader& doc = run.doc;
  db::Query& lines = OpenLines(
      "SELECT t1.[fId],t1.[fGoodId],t2.[fSum],t2.fQtty AS "
      "fQttyRealStore,t1.[fQtty],t1.[fPriceIn],t1.[fPriceOut],t1.[fDiscount] AS "
      "fQttyStore FROM [tirDocGoods] t1 LEFT JOIN tirAStoreNow t2 ON t2.fGoodId = "
      "t1.fGoodId AND t2.fEntId = :pEntId AND t2.fStoreId = :pStoreId  WHERE "
      "(t1.[fDocId] = :pId) AND ((t1.[fDiscount]>0.000000000001) OR "
      "(t1.[fDiscount]<(-0.000000000001)))   ORDER BY t1.fId;",
      doc, pId);

  std::vector<TStoreMovement> rows;
  rows.reserve(lines.RecordCount());
  for (lines.First(); !lines.Eof(); lines.Next()) {
    const long double diff = lines.FieldByName("fQttyStore").AsExtended();
    const long double bookQtty = lines.FieldByName("fQttyRealStore").AsExtended();
    const long double bookSum = lines.FieldByName("fSum").AsExtended();
    const long double lineQtty = lines.FieldByName("fQtty").AsExtended();
    const long double priceIn = lines.FieldByName("fPriceIn").AsExtended();
    TStoreMovement m = MovementOf(doc, pId);
    m.fGoodId = lines.FieldByName("fGoodId").AsInt64();
    m.fPosGoodId = lines.FieldByName("fId").AsInt64();
    m.fSign = diff >= 0 ? 1 : -1;
    m.fQtty = std::fabs(diff);
    m.fSum = InventoryMovementSum(diff, lineQtty, priceIn, bookQtty, bookSum);
    rows.push_back(m);
  }
  lines.Close();
  WriteStoreMovements(Kept(kStoreMovementSql), rows);
  FinishRun(pId, run);
}

}  // namespace tir::posting
