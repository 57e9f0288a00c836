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
  run.read = NewQuery();
  run.write = NewQuery();
  if (!pQueryDoc1.IsOpen() || pQueryDoc1.Eof()) return false;
  run.doc = ReadProvDocHeader(pQueryDoc1);
  return true;
}

bool TDMMainProvodka::ClearOldEntries(std::int64_t pId, int pOn, TPostingRun& run, bool pStoresOff,
                                      bool pSettlementOff) {
  if (pStoresOff) ProvodkiStoresOff(pId, pOn, *run.read, *run.write);
  if (pSettlementOff) ProvodkaAMSettlementOff(pId, pOn, *run.read, *run.write);
  const int state = run.doc.fState;
  ProvodkaChangeSate(pId, pOn, state, *run.write);
  const bool post = pOn == kPostOn || (pOn == kPostRepost && (state == 0 || state == 3));
  if (!post) return false;
  run.on = (pOn == kPostRepost && state == kStateNew) ? kPostOn : pOn;
  return true;
}

void TDMMainProvodka::FinishRun(std::int64_t pId, TPostingRun& run) {
  if (run.on != kPostOn || run.doc.fState == kStatePosted) return;
  db::Query& q = *run.write;
  q.Close();
  q.SetSql("UPDATE tirDocuments SET fState=:pOn WHERE [fId] = :pId;");
  q.ParamByName("pOn").SetInt32(kPostOn);
  q.ParamByName("pId").SetInt64(pId);
  q.ExecSql();
}

void TDMMainProvodka::ProvodkiStoresOff(std::int64_t pId, int /*pOn*/, db::Query& FDQuery1,
                                        db::Query& FDQuery2) {
  if (pId <= 0 || mMassRepostMode) return;
  FDQuery1.Close();
  FDQuery1.SetSql(
      "SELECT t1.[fId],t1.[fGoodId],t1.[fEntId],t1.[fStoreId],t1.[fSum] * -1 * t1.[fSign] AS "
      "fSum,t1.[fQtty] * -1 * t1.[fSign] AS fQtty FROM [tirAStore] t1 WHERE t1.[fDocId] = :pId;");
  FDQuery1.ParamByName("pId").SetInt64(pId);
  FDQuery1.Open();
  if (FDQuery1.RecordCount() > 0) {
    FDQuery2.Close();
    FDQuery2.SetSql(
        "UPDATE tirAStoreNow SET fQtty =fQtty+(:pQtty),fSum =fSum+(:pSum)  WHERE fEntId=:pEntId "
        "AND fGoodId=:pGoodId AND fStoreId=:pStoreId;");
    FDQuery2.SetArraySize(FDQuery1.RecordCount());
    // By position: pQtty, pSum, pEntId, pGoodId, pStoreId.
    db::Param* p[5];
    for (std::size_t i = 0; i < 5; ++i) p[i] = &FDQuery2.ParamByIndex(i);
    std::size_t row = 0;
    for (FDQuery1.First(); !FDQuery1.Eof(); FDQuery1.Next(), ++row) {
      p[0]->SetAt(row, db::Value::Double(FDQuery1.FieldByName("fQtty").AsDouble()));
      p[1]->SetAt(row, db::Value::Double(FDQuery1.FieldByName("fSum").AsDouble()));
      p[2]->SetAt(row, db::Value::Int64(FDQuery1.FieldByName("fEntId").AsInt64()));
      p[3]->SetAt(row, db::Value::Int64(FDQuery1.FieldByName("fGoodId").AsInt64()));
      p[4]->SetAt(row, db::Value::Int64(FDQuery1.FieldByName("fStoreId").AsInt64()));
    }
    FDQuery2.ExecuteArray();
    FDQuery2.Close();
    FDQuery2.SetSql(IsMSSQL() ? "DELETE tirAStore WHERE [fDocId] = :pId;"
                              : "DELETE FROM tirAStore WHERE [fDocId] = :pId;");
    FDQuery2.ParamByName("pId").SetInt64(pId);
    FDQuery2.ExecSql();
  }
  FDQuery1.Close();
}

void TDMMainProvodka::ProvodkaAMSettlementOff(std::int64_t pId, int /*pOn*/,
                                              db::Query& /*FDQuery1*/, db::Query& FDQuery2) {
  if (pId <= 0 || mMassRepostMode) return;
  FDQuery2.Close();
  FDQuery2.SetSql(IsMSSQL() ? "DELETE tirAMSettlement WHERE [fDocId] = :pId;DELETE tirAPayments "
                              "WHERE [fDocId] = :pId;"
                            : "DELETE FROM tirAMSettlement WHERE [fDocId] = :pId;DELETE FROM "
                              "tirAPayments WHERE [fDocId] = :pId;");
  FDQuery2.ParamByName("pId").SetInt64(pId);
  FDQuery2.ExecSql();
}

void TDMMainProvodka::ProvodkaChangeSate(std::int64_t pId, int pOn, int pState,
                                         db::Query& FDQuery2) {
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
    FDQuery2.Close();
    FDQuery2.SetSql("UPDATE tirDocuments SET fState=:pOn, [fSyncDate]=NULL WHERE [fId] = :pId;");
    FDQuery2.ParamByName("pOn").SetInt32(pOn);
    FDQuery2.ParamByName("pId").SetInt64(pId);
    FDQuery2.ExecSql();
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
  auto q = NewQuery();
  q->SetSql("UPDATE tirDocuments SET fState=:pOn WHERE [fId] = :pId;");
  q->ParamByName("pOn").SetInt32(target);
  q->ParamByName("pId").SetInt64(pId);
  q->ExecSql();
}

}  // namespace tir::posting
