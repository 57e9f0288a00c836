// Steps shared by every posting routine: removal of the document's old entries, the state change
// with its log line and the final state update.
#include <vector>

#include "db/query.h"
#include "db/value.h"
#include "frame/app_globals.h"
#include "frame/host_services.h"
#include "posting/main_provodka.h"

namespace tir::posting {

bool TDMMainProvodka::StartRun(std::int64_t pId, db::Query& pQueryDoc1, TPostingRun& run) const {
  if (pId <= 0) return false;
  if (!pQueryDoc1.IsOpen() || pQueryDoc1.Eof()) return false;
  run.doc = ReadProvDocHeader(pQueryDoc1);
  return true;
}

bool TDMMainProvodka::ClearOldEntries(std::int64_t pId, int pOn, TPostingRun& run, bool pStoresOff,
                                      bool pSettlementOff) {
  if (pStoresOff) ProvodkiStoresOff(pId, pOn);
  if (pSettlementOff) ProvodkaAMSettlementOff(pId, pOn);
  const int state = run.doc.fState;
  ProvodkaChangeSate(pId, pOn, state);
  const bool post =
      pOn == kPostOn || (pOn == kPostRepost && (state == kStatePosted || state == kStateNew));
  if (!post) return false;
  run.on = (pOn == kPostRepost && state == kStateNew) ? kPostOn : pOn;
  return true;
}

void TDMMainProvodka::FinishRun(std::int64_t pId, TPostingRun& run) {
  if (run.on != kPostOn || run.doc.fState == kStatePosted) return;
  db::Query& q = Kept("UPDATE tirDocuments SET fState=:pOn WHERE [fId] = :pId;");
  q.ParamByName("pOn").SetInt32(kPostOn);
  q.ParamByName("pId").SetInt64(pId);
  q.ExecSql();
}

void TDMMainProvodka::ProvodkiStoresOff(std::int64_t pId, int /*pOn*/) {
  if (pId <= 0 || mMassRepostMode) return;
  db::Query& old = Kept(
      "SELECT t1.[fId],t1.[fGoodId],t1.[fEntId],t1.[fStoreId],t1.[fSum] * -1 * t1.[fSign] AS "
      "fSum,t1.[fQtty] * -1 * t1.[fSign] AS fQtty FROM [tirAStore] t1 WHERE t1.[fDocId] = :pId;");
  old.ParamByName("pId").SetInt64(pId);
  old.Open();
  if (old.RecordCount() > 0) {
    db::Query& undo = Kept(
        "UPDATE tirAStoreNow SET fQtty =fQtty+(:pQtty),fSum =fSum+(:pSum)  WHERE fEntId=:pEntId "
        "AND fGoodId=:pGoodId AND fStoreId=:pStoreId;");
    undo.SetArraySize(old.RecordCount());
    // By position: pQtty, pSum, pEntId, pGoodId, pStoreId.
    db::Param* p[5];
    for (std::size_t i = 0; i < 5; ++i) p[i] = &undo.ParamByIndex(i);
    std::size_t row = 0;
    for (old.First(); !old.Eof(); old.Next(), ++row) {
      p[0]->SetAt(row, db::Value::Double(old.FieldByName("fQtty").AsDouble()));
      p[1]->SetAt(row, db::Value::Double(old.FieldByName("fSum").AsDouble()));
      p[2]->SetAt(row, db::Value::Int64(old.FieldByName("fEntId").AsInt64()));
      p[3]->SetAt(row, db::Value::Int64(old.FieldByName("fGoodId").AsInt64()));
      p[4]->SetAt(row, db::Value::Int64(old.FieldByName("fStoreId").AsInt64()));
    }
    undo.ExecuteArray();
    db::Query& remove = Kept(IsMSSQL() ? "DELETE tirAStore WHERE [fDocId] = :pId;"
                                       : "DELETE FROM tirAStore WHERE [fDocId] = :pId;");
    remove.ParamByName("pId").SetInt64(pId);
    remove.ExecSql();
  }
  old.Close();
}

void TDMMainProvodka::ProvodkaAMSettlementOff(std::int64_t pId, int /*pOn*/) {
  if (pId <= 0 || mMassRepostMode) return;
  db::Query& q =
      Kept(IsMSSQL() ? "DELETE tirAMSettlement WHERE [fDocId] = :pId;DELETE tirAPayments "
                       "WHERE [fDocId] = :pId;"
                     : "DELETE FROM tirAMSettlement WHERE [fDocId] = :pId;DELETE FROM "
                       "tirAPayments WHERE [fDocId] = :pId;");
  q.ParamByName("pId").SetInt64(pId);
  q.ExecSql();
}

void TDMMainProvodka::ProvodkaChangeSate(std::int64_t pId, int pOn, int pState) {
  if (pOn == pState) return;
  if (!(pState == kStateNew && pOn == kPostOn)) {
    const char* text = nullptr;
    switch (pOn) {
      case kPostOn:
        text = "Проведено";
        break;
      case kPostOff:
        text = "НеПроведено";
        break;
      case kPostDelete:
        text = "Видалено";
        break;
      default:
        break;
    }
    if (text != nullptr) {
      frame::LogDB(frame::gAppParams.fUserID, 7, 0, static_cast<std::int32_t>(pId), text);
    }
  }
  if (pOn == kPostOff || pOn == kPostDelete) {
    db::Query& q =
        Kept("UPDATE tirDocuments SET fState=:pOn, [fSyncDate]=NULL WHERE [fId] = :pId;");
    q.ParamByName("pOn").SetInt32(pOn);
    q.ParamByName("pId").SetInt64(pId);
    q.ExecSql();
  }
}

void TDMMainProvodka::ProvodkaStateOnly(std::int64_t pId, int pOn, db::Query& pQueryDoc1) {
  if (pId <= 0 || !pQueryDoc1.IsOpen() || pQueryDoc1.Eof()) return;
  int target;
  switch (pOn) {
    case kPostStateOnlyOff:
    case kPostOff:
      target = kStateNotPosted;
      break;
    case kPostRepost:
    case kPostOn:
    case kPostStateOnlyOn:
      target = kStatePosted;
      break;
    case kPostDelete:
      target = kStateDeleted;
      break;
    default:
      return;  // no target state for other commands
  }
  const auto state = static_cast<std::int32_t>(pQueryDoc1.FieldByName("fState").AsInt64());
  if (state == target) return;
  db::Query& q = Kept("UPDATE tirDocuments SET fState=:pOn WHERE [fId] = :pId;");
  q.ParamByName("pOn").SetInt32(target);
  q.ParamByName("pId").SetInt64(pId);
  q.ExecSql();
}

}  // namespace tir::posting
