// Money receipt and expense (ProvodkaMoney) and the settlement balance of a contract.
#include <string>

#include "db/query.h"
#include "posting/main_provodka.h"
#include "settings/number_forms.h"

namespace tir::posting {

void TDMMainProvodka::ProvodkaMoney(std::int64_t pId, int pOn, db::Query& pQueryDoc1) {
  TPostingRun run;
  if (!StartRun(pId, pQueryDoc1, run)) return;
  const TProvDocHeader& doc = run.doc;
  const long double sumBase = FloatToPrice(doc.fDocSum * doc.fCurrRate);

  // Movements of a bonus account (type 1) create no settlement; an unknown account is ordinary.
  // The text carries the account id, so the engine keeps one query per cash account.
  db::Query& acc = Kept("SELECT  {IF MSSQL}TOP 1 {fi} fType FROM tirCashAccounts WHERE fId=" +
                        std::to_string(doc.fCashAccountId) + " {IF SQLite}LIMIT 1{fi};");
  acc.Open();
  const bool bonus = !acc.Eof() && acc.FieldByName("fType").AsInt64() == 1;
  acc.Close();

  if (!ClearOldEntries(pId, pOn, run, false, true)) return;
  const std::int32_t sign = doc.fDocType == kDocMoneyIn ? 1 : -1;
  if (doc.fDocSum != 0) {
    const bool settlement = doc.fPartnerId != 0 && !bonus;
    std::string sql;
    if (settlement) sql = std::string(kSettlementInsertSql) + "\r\n";
    sql +=
        "INSERT INTO tirAPayments ([fContractId],[fTransactId],[fEntId],[fPartId],[fDocId],"
        "[fSign],[fSum],[fDateTime],[fOperType],[fCashAccountId],[fStoreId],[fItemCost] )  "
        "VALUES (     :pContractId,:pTransactId,:pEntId,:pPartId,:pDocId,:pSign,:pSummCurr,"
        ":pDateTime,:pOperType,:pCashAccountId,:pStoreId,:pItemCost );";
    db::Query& q = Kept(sql);
    BindDocumentParams(q, doc, pId, sign, doc.fDocType);
    if (settlement) q.ParamByName("pSum").SetDouble(static_cast<double>(doc.fDocSum));
    q.ParamByName("pSummCurr").SetDouble(static_cast<double>(sumBase));
    q.ParamByName("pCashAccountId").SetInt64(doc.fCashAccountId);
    q.ParamByName("pItemCost").SetInt64(doc.fItemCost);
    q.ExecSql();
  }
  FinishRun(pId, run);
}

long double TDMMainProvodka::GetMoneySettlement(std::int64_t pContractId,
                                                std::int64_t pTransactionId) {
  db::Query& q = Kept(
      "SELECT {IF SQlite}1.0*ifnull(SUM(fSign*fSum),0){fi} {IF MSSQL}1.0*ISNULL(SUM(fSign*fSum), "
      "0){fi} as ftSum FROM tirAMSettlement  WHERE (fContractId=:pContractId) AND "
      "((:pTransactId=0) OR (:pTransactId=fTransactId));");
  q.ParamByName("pContractId").SetInt64(pContractId);
  q.ParamByName("pTransactId").SetInt64(pTransactionId);
  q.Open();
  const long double result = q.Eof() ? 0 : q.FieldByName("ftSum").AsExtended();
  q.Close();
  return result;
}

}  // namespace tir::posting
