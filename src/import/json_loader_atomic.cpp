#include "import/json_loader_atomic.h"

#include "db/connection.h"
#include "db/db_error.h"
#include "import/json_loader.h"
#include "import/json_loader_walk.h"

namespace tir::import {

std::vector<TLoadStep> FileLoadSteps(bool pCatalogs, bool pPartners, bool pGoods, bool pDocs) {
  std::vector<TLoadStep> steps;
  if (pCatalogs)
    steps.emplace_back("catalogs", [](TDMJsonLoader& l) { l.AddOrUpdateAllCatalogs(); });
  if (pPartners) steps.emplace_back("partners", [](TDMJsonLoader& l) { l.AddOrUpdatePartners(); });
  if (pGoods) steps.emplace_back("goods", [](TDMJsonLoader& l) { l.AddOrUpdateGoods(); });
  if (pDocs) steps.emplace_back("documents", [](TDMJsonLoader& l) { l.SaveUniversalDocs(); });
  return steps;
}

TLoadOutcome RunAtomicLoad(TDMJsonLoader& pLoader, db::Connection& pConnection,
                           const std::string& pFile, const std::vector<TLoadStep>& pSteps,
                           bool pDryRun, const std::function<void(const std::string&)>& pProgress) {
  TLoadOutcome out;
  pLoader.mErrorText.clear();
  if (!pLoader.OpenFileAndParse(pFile)) {
    out.result = TLoadResult::kNotOpened;
    out.message = "Помилка відкриття файла";
    if (!pLoader.mErrorText.empty()) out.message += ": " + pLoader.mErrorText;
    return out;
  }
  if (const std::string duplicate = FindDuplicateGuid(pLoader.JSONResp.get()); !duplicate.empty()) {
    out.message = "Error: " + duplicate + "; nothing was loaded";
    pLoader.FreeAll();
    return out;
  }
  if (pConnection.InTransaction()) {
    out.message = "Error: the base is already inside a transaction; nothing was loaded";
    return out;
  }
  pLoader.mifNeadUpdateAllSPR = false;
  pLoader.mTextSTRNeadUpdateAllSPR.clear();
  pLoader.mReport.Clear();
  try {
    pConnection.StartTransaction();
    pLoader.GetRespParams();
    pLoader.GetReqParams();
    for (const TLoadStep& step : pSteps) {
      if (pProgress) pProgress(step.first);
      step.second(pLoader);
    }
    if (pLoader.mifNeadUpdateAllSPR) {
      pConnection.Rollback();
      out.result = TLoadResult::kRefused;
      out.message =
          "Потрібно оновити всі довідники. Не знайдено всі товари, або реквізтити в документах (" +
          pLoader.mTextSTRNeadUpdateAllSPR + ")";
    } else if (pDryRun) {
      pConnection.Rollback();
      out.result = TLoadResult::kRolledBack;
      out.message = "Analysis only: nothing was written";
    } else {
      pConnection.Commit();
      out.result = TLoadResult::kDone;
      out.message = "Готово";
    }
  } catch (const std::exception& e) {
    if (pConnection.InTransaction()) {
      try {
        pConnection.Rollback();
      } catch (const std::exception&) {
        // The base rolls back an unfinished transaction itself when the connection closes.
      }
    }
    out.result = TLoadResult::kFailed;
    const bool database = dynamic_cast<const db::DbError*>(&e) != nullptr;
    out.message = std::string(database ? "ErrorSQL: " : "Error: ") + e.what() +
                  "; nothing of this load was written";
  }
  pLoader.FreeAll();
  out.report = pLoader.mReport;
  return out;
}

}  // namespace tir::import
