#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "import/json_loader_report.h"

namespace tir::db {
class Connection;
}

namespace tir::import {

class TDMJsonLoader;

// One step of a load: a name for the progress line and the loader operation it runs.
using TLoadStep = std::pair<std::string, std::function<void(TDMJsonLoader&)>>;

// The steps of the load-from-file window for the chosen kinds, in the window's order: other
// catalogs, partners, goods, documents.
std::vector<TLoadStep> FileLoadSteps(bool pCatalogs, bool pPartners, bool pGoods, bool pDocs);

// kNothing: a file load found none of the sections its steps read, or a file of another layout.
enum class TLoadResult { kDone, kRolledBack, kRefused, kFailed, kNotOpened, kNothing };

struct TLoadOutcome {
  TLoadResult result = TLoadResult::kFailed;
  std::string message;  // what the user is shown
  TLoadReport report;
  // A failure for damage of the file: the damage as a note (of kind kCount for other failures).
  TLoadNote damage;
};

// Opens and parses pFile and runs the steps in one transaction on the loader's connection: any
// error, a refused document or a dry run rolls everything back, so a rerun starts from the base
// as it was. pProgress (may be empty) receives a line before each step. The load reads only the
// sections of its steps: a caller that needs the "info" or "request" block of an exchange
// envelope reads it itself (GetRespParams, GetReqParams), in a step of its own or before.
// pFileLoad (a file the user chose): a universal file, or a file that holds none of the sections
// the steps of FileLoadSteps and the document commands read, is refused with kNothing.
TLoadOutcome RunAtomicLoad(TDMJsonLoader& pLoader, db::Connection& pConnection,
                           const std::string& pFile, const std::vector<TLoadStep>& pSteps,
                           bool pDryRun, const std::function<void(const std::string&)>& pProgress,
                           bool pFileLoad = false);

}  // namespace tir::import
