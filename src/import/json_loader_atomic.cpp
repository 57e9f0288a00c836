#include "import/json_loader_atomic.h"

#include "db/connection.h"
#include "db/db_error.h"
#include "import/json_loader.h"
#include "import/json_loader_walk.h"

namespace tir::import {
namespace {

// The top-level keys each named load step reads.
const std::vector<std::pair<std::string, std::vector<const char*>>>& StepSections() {
  static const std::vector<std::pair<std::string, std::vector<const char*>>> sections = {
      {"catalogs", {"salepoints",    "salepointsgroups",
                    "itemscost",     "itemscostgroups",
                    "tables",        "tablesgroups",
                    "modifiers",     "modifiersgroups",
                    "vats",          "vatsgroups",
                    "stores",        "storesgroups",
                    "currencies",    "currenciesgroups",
                    "entities",      "entitiesgroups",
                    "moneyaccounts", "users",
                    "usersgroups",   "usersgroupsrights",
                    "salesrules"}},
      {"partners", {"partners", "partnersgroups", "contracts"}},
      {"goods",
       {"goods", "goodsgroups", "recipes", "pricenames", "pricesgroups", "uktzed", "uktzedgroups"}},
      {"documents", {"docs"}},
      {"mobile orders", {"docs"}},
      {"cook status", {"ordercookdoc"}}};
  return sections;
}

// Why a file the user chose cannot be loaded by these steps; empty when it can.
std::string WrongFile(const TJsonText* pText, const std::vector<TLoadStep>& pSteps) {
  rapidjson::Document info;
  const JValue* block = TopObject(pText, "info", info);
  if (block && block->IsObject() && block->HasMember("jsondocdate")) {
    return "this is a universal exchange file (export-doc, export-period); it is read by "
           "load-universal, which loads its goods groups and goods";
  }
  std::string asked;
  for (const TLoadStep& step : pSteps) {
    for (const auto& [name, keys] : StepSections()) {
      if (name != step.first) continue;
      for (const char* key : keys) {
        if (FindTop(pText, key)) return {};
      }
      asked += (asked.empty() ? "" : ", ") + name;
    }
  }
  return asked.empty() ? "" : "the file holds none of the asked sections (" + asked + ")";
}

}  // namespace

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
                           bool pDryRun, const std::function<void(const std::string&)>& pProgress,
                           bool pFileLoad) {
  TLoadOutcome out;
  pLoader.mErrorText.clear();
  if (!pLoader.OpenFileAndParse(pFile)) {
    out.result = TLoadResult::kNotOpened;
    out.message = "Помилка відкриття файла";
    if (!pLoader.mErrorText.empty()) out.message += ": " + pLoader.mErrorText;
    return out;
  }
  if (pFileLoad) {
    if (const std::string wrong = WrongFile(pLoader.JSONResp.get(), pSteps); !wrong.empty()) {
      out.result = TLoadResult::kNothing;
      out.message = "Error: " + wrong + "; nothing was loaded";
      pLoader.FreeAll();
      return out;
    }
  }
  if (pConnection.InTransaction()) {
    out.message = "Error: the base is already inside a transaction; nothing was loaded";
    return out;
  }
  pLoader.mifNeadUpdateAllSPR = false;
  pLoader.mTextSTRNeadUpdateAllSPR.clear();
  pLoader.mReport.Clear();
  // Elements are loaded in order, so of two rows with one GUID the later one is what stays.
  for (TLoadNote& repeat : FindRepeatedGuids(pLoader.JSONResp.get()))
    pLoader.mReport.notes.push_back(std::move(repeat));
  try {
    pConnection.StartTransaction();
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
    if (const auto* damage = dynamic_cast<const EJsonLoadError*>(&e)) out.damage = damage->Note();
    out.message = std::string(database ? "ErrorSQL: " : "Error: ") + e.what() +
                  "; nothing of this load was written";
  }
  pLoader.FreeAll();
  out.report = pLoader.mReport;
  return out;
}

}  // namespace tir::import
