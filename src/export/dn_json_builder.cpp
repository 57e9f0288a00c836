#include "export/dn_json_builder.h"

#include <cstdio>
#include <exception>

#include "db/date_time.h"
#include "db/db_error.h"
#include "export/group_tree_json.h"
#include "export/guid_completion.h"
#include "files/output_file.h"
#include "frame/global_exit.h"
#include "frame/ui_services.h"
#include "settings/date_forms.h"
#include "settings/guid_forms.h"
#include "settings/number_forms.h"

namespace tir::exporting {

namespace {

// The runtime's default date-time text of the "request" envelope.
std::string LocaleDateTime(double date) {
  const db::CivilTime t = db::DecodeDateTime(date);
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour,
                t.minute, t.second);
  return text;
}

}  // namespace

TDNJSonBuilder::TDNJSonBuilder(db::Connection& connection)
    : TDNJSonBuilder(connection, TSectionForms::kMain) {}

TDNJSonBuilder::TDNJSonBuilder(db::Connection& connection, TSectionForms forms)
    : mNow(db::NowDateTime), mForms(forms) {
  SetConnection(connection);
  mTokenInfo.Clear();
}

TDNJSonBuilder::~TDNJSonBuilder() = default;

void TDNJSonBuilder::SetConnection(db::Connection& connection) {
  FDQuery1 = std::make_unique<db::Query>(connection);
  FDQuery2 = std::make_unique<db::Query>(connection);
}

bool TDNJSonBuilder::ifExitNOW() const { return transport::ExitRequested(mPtr_ExitNow); }

void TDNJSonBuilder::ClearAllCMD() {
  mCMDGoodsAddFull = mCMDGoodsAddOnlyInDocFullInfo = mCMDGoodsAddSet1 = false;
  mCMDGetgoodinfoandphoto1 = mCMDGoodsAddBarcodes01 = mCMDGoodsAddSet2AllPrice = false;
  mCMDPartnersAdd = mCMDPartnersAddAndContracts = mCMDGetOnlyQtty = false;
  mCMDGetOrdersCookMonitors = mCMDAddAllCatalogs = mCMDAddSomeLastDocs = false;
  mCMDAddDocsPeriod = mCMDAddDocsFromLastRowID = false;
  mLastIdDocsList.clear();
  mStringList.clear();
  mDocPeriodDateFrom = mDocPeriodDateTo = 0;
}

void TDNJSonBuilder::SetAddDocsPeriod(double from, double to) {
  mCMDAddDocsPeriod = true;
  mDocPeriodDateFrom = from;
  mDocPeriodDateTo = to;
}

namespace {

std::string PartnerGroupText(const std::string& groupId) {
  const std::string id = std::to_string(gStrToInteger(groupId));
  return id == "0" ? std::string() : id;
}

}  // namespace

void TDNJSonBuilder::SetAddPartners(const std::string& groupId) {
  mPartnerstGrIDS = PartnerGroupText(groupId);
  mCMDPartnersAdd = true;
}

void TDNJSonBuilder::SetAddPartnersAndContract(const std::string& groupId) {
  mPartnerstGrIDS = PartnerGroupText(groupId);
  mCMDPartnersAddAndContracts = true;
}

void TDNJSonBuilder::AddError(const std::string& text) {
  if (!mErrorText.empty()) mErrorText += "\r\n";
  mErrorText += text;
}

void TDNJSonBuilder::ReportError(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const AlreadyReported&) {
  } catch (const db::DbError& e) {
    AddError(std::string("ErrorSQL: ") + e.what());
  } catch (const std::exception& e) {
    AddError(std::string("Error: ") + e.what());
  } catch (...) {
    AddError("Error: ExceptionUndef.");
  }
}

std::string TDNJSonBuilder::DateToJSON(double date) { return gDateToJSON(date); }

std::string TDNJSonBuilder::Text() const { return JoinPieces(mStringList); }

bool TDNJSonBuilder::StartSection(const char* name) {
  if (ifExitNOW()) return false;
  if (MainForms()) mLastStateText = name;
  mRowsDone = 0;
  return true;
}

void TDNJSonBuilder::NoteState(const std::string& marker) {
  if (MainForms()) mLastStateText += marker;
}

bool TDNJSonBuilder::RowDone() {
  if (mNowRunMode == kRunInteractive && ++mRowsDone % 30 == 0) frame::ProcessMessages();
  return ifExitNOW();
}

void TDNJSonBuilder::RunBuildProcess() {
  mErrorText.clear();
  mLastStateText.clear();
  mLastGoodsSnapshopID = 0;
  try {
    if (ifExitNOW()) return;
    mStringList.clear();
    const bool anyCommand = mCMDGoodsAddFull || mCMDGoodsAddOnlyInDocFullInfo || mCMDGoodsAddSet1 ||
                            mCMDGoodsAddBarcodes01 || mCMDGoodsAddSet2AllPrice || mCMDPartnersAdd ||
                            mCMDPartnersAddAndContracts || mCMDGetOnlyQtty ||
                            mCMDGetOrdersCookMonitors || mCMDAddAllCatalogs ||
                            mCMDAddSomeLastDocs || mCMDAddDocsPeriod || mCMDAddDocsFromLastRowID;
    if (anyCommand) GenAllGUIDs();

    TJsonText text;
    TJsonOut pairs(text);
    pairs.StartObject();
    if (mNowRunMode == kRunRequest) {
      pairs.Key("request");
      pairs.StartObject();
      pairs.Int("ver", 1);
      pairs.Str("sourceID", GetBaseGUID());
      pairs.Str("cmd", mCMDAddSomeLastDocs ? "docstirformat001" : "");
      pairs.Int("sync", 1);
      pairs.Str("token", mTokenClientValue);
      pairs.Str("date", LocaleDateTime(mNow()));
      pairs.EndObject();
    }
    std::int64_t snapshot = mReqParams.lastGoodsSnapshot;
    std::int64_t count = 0;
    const bool goodsByCount =
        mCMDGoodsAddFull || mCMDGoodsAddSet1 || mCMDGoodsAddSet2AllPrice || mCMDGetOnlyQtty;
    if (goodsByCount) {
      count = GetAllGoodsCount(snapshot, mReqParams.goodsLastRowId);
    } else if (mCMDGoodsAddOnlyInDocFullInfo) {
      snapshot = 0;
      count = 999999999;
    } else {
      snapshot = 0;
    }
    mLastGoodsSnapshopID = count > 0 ? snapshot : 0;
    WriteEnvelope(pairs, count, snapshot);

    if ((goodsByCount || mCMDGoodsAddOnlyInDocFullInfo) && count > 0) {
      if (!mCMDGetOnlyQtty) {
        AddPrices(pairs);
        AddGoods(pairs, snapshot);
        AddUKTZED(pairs);
      } else if (MainForms() && mNowRunMode == kRunDefault && mTokenInfo.mType == 2) {
        AddGoodsOnlyQtty(pairs, std::to_string(mTokenInfo.m2_mEntIDMapped),
                         std::to_string(mTokenInfo.m2_mStoreIDMapped));
      } else if (MainForms() && mNowRunMode == kRunRequest) {
        AddGoodsOnlyQtty(pairs, mTokenInfo.m1_mEntIds, mTokenInfo.m1_mStoreIds);
      } else {
        AddGoodsOnlyQtty(pairs, "", "");
      }
    }
    RunSections(pairs);
    pairs.EndObject();
    mStringList = text.TakePieces();
  } catch (...) {
    ReportError(std::current_exception());
  }
}

void TDNJSonBuilder::WriteEnvelope(TJsonOut& pairs, std::int64_t count, std::int64_t snapshot) {
  pairs.Key("info");
  pairs.StartObject();
  pairs.Int("ver", 1);
  pairs.Str("sourceID", GetBaseGUID());
  pairs.Int("error", 200);
  pairs.Str("errorTxt", "OK.");
  pairs.Str("dateCreate", DateToJSON(mNow()));
  pairs.Int64("goodsCount", count);
  pairs.Int64("lastGoodsSnapshot", snapshot);
  pairs.Int64("taskid", mTaskID);
  pairs.Int("taskstatuscode", 2);
  pairs.Str("taskstatusTxt", "done");
  if (mNowRunMode == kRunRequest && !mBatchId.empty()) pairs.Str("batch", mBatchId);
  pairs.EndObject();
}

void TDNJSonBuilder::RunSections(TJsonOut& pairs) {
  if (mCMDGetgoodinfoandphoto1) AddOneGoodAndPhotoByBarCode(pairs, mReqParams.requestString);
  if (mCMDPartnersAdd || mCMDPartnersAddAndContracts) {
    AddPartners(pairs);
    if (mCMDPartnersAddAndContracts) AddContracts(pairs);
  }
  if (mCMDGetOrdersCookMonitors) AddDocCookOrdersActive(pairs);
  if (mCMDAddAllCatalogs) {
    if (mUsersAllowed) AddUsers(pairs);
    AddSalesPoints(pairs);
    AddVATs(pairs);
    AddEntities(pairs);
    AddStores(pairs);
    AddCurrencies(pairs);
    AddCashAccounts(pairs);
    AddItemCost(pairs);
    AddDiscontRules(pairs);
    AddTables(pairs);
    AddMods(pairs);
  }
  if (mCMDAddDocsPeriod) {
    AddSomeLastDocs(pairs, kDocsPeriod);
  } else if (mCMDAddDocsFromLastRowID) {
    AddSomeLastDocs(pairs, kDocsChanged);
  } else if (mCMDAddSomeLastDocs) {
    AddSomeLastDocs(pairs, kDocsRecent);
  }
}

std::string TDNJSonBuilder::GetBaseGUID() {
  if (!mMainBaseGIUD.empty()) return mMainBaseGIUD;
  try {
    const std::optional<std::string> stored = ReadBaseGuid(*FDQuery1);
    if (stored && stored->size() >= 35) {
      mMainBaseGIUD = *stored;
      return mMainBaseGIUD;
    }
    const std::string guid = GUIDToString(CreateGUID());
    StoreBaseGuid(*FDQuery1, guid);
    mMainBaseGIUD = guid;
  } catch (...) {
    ReportError(std::current_exception());
  }
  return mMainBaseGIUD;
}

std::int32_t TDNJSonBuilder::GetSourceBaseId() {
  if (mReqParams.sourceID.empty()) return 0;
  db::Query& q = *FDQuery1;
  q.SetSql("SELECT fId FROM tirDEXSBaseIDs  WHERE fBaseGUID=:pBageGUID;");
  q.ParamByName("pBageGUID").SetText(mReqParams.sourceID);
  q.Open();
  if (q.Eof()) {
    q.SetSql(
        "INSERT INTO tirDEXSBaseIDs (fBaseGUID, fStartDate, fLastConnDate, fDesc) VALUES ( "
        ":pBageGUID, GETDATE(), GETDATE(), 'AutoCreated' );SELECT SCOPE_IDENTITY() as fId;");
    q.ParamByName("pBageGUID").SetText(mReqParams.sourceID);
    q.Open();
  }
  const std::int32_t id = q.Eof() ? 0 : q.FieldByIndex(0).AsInt32();
  q.Close();
  return id;
}

std::int64_t TDNJSonBuilder::GetActivGoodsSnapShot() {
  db::Query& q = *FDQuery1;
  q.SetSql(std::string("SELECT fPI FROM tirSettings WHERE ([fMId]=0)AND([fPType]=") + "-30" + ");");
  q.Open();
  const std::int64_t snapshot = q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
  q.Close();
  return snapshot;
}

std::int64_t TDNJSonBuilder::GetAllGoodsCount(std::int64_t& snapshot, std::int64_t lastRowId) {
  if (!(mCMDGoodsAddFull || mCMDGoodsAddSet1 || mCMDGoodsAddSet2AllPrice || mCMDGetOnlyQtty)) {
    snapshot = 0;
    return 0;
  }
  const std::int64_t active = GetActivGoodsSnapShot();
  if (snapshot == active && snapshot != 0) return 0;
  snapshot = active;
  db::Query& q = *FDQuery1;
  std::string sql = "SELECT COUNT(fId) AS fCount FROM tirGoods ";
  if (lastRowId > 0) sql += " WHERE ([fRV]>:pRV) ";
  q.SetSql(sql);
  if (lastRowId > 0) q.ParamByName("pRV").SetInt64(lastRowId);
  q.Open();
  const std::int64_t count = q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
  q.Close();
  return count;
}

void TDNJSonBuilder::GenAllGUIDs() {
  CompleteGuids(*FDQuery1,
                {"tirGoodsGroups",
                 "tirPartnersGroups",
                 "tirGoods",
                 "tirPartners",
                 "tirDocuments",
                 "tirEntitiesGroups",
                 "tirItemCostGroups",
                 "tirCashAccounts",
                 "tirContracts",
                 "tirCurrencies",
                 "tirCurrenciesGroups",
                 "tirEntities",
                 "tirItemCost",
                 "tirStores",
                 "tirTables",
                 "tirUsers",
                 "tirVAT",
                 "tirMods",
                 "tirUsersGroups",
                 "tirStoresGroups",
                 "tirTablesGroups",
                 "tirModsGroups",
                 "tirVATsGroups",
                 "tirSalePoints",
                 "tirSalePGroups",
                 "tirUktzed",
                 "tirUktzedGroups",
                 "tirDiscount",
                 "tirPricesNames",
                 "tirPricesGroups"},
                500);
}

void TDNJSonBuilder::AddAllGroups(TJsonOut& pairs, const std::string& table,
                                  const std::string& key) {
  if (ifExitNOW()) return;
  WriteGroupTree(*FDQuery1, table, key, pairs);
}

bool TDNJSonBuilder::SaveToFile(const std::string& fileName) const {
  std::string error;
  return files::WriteOutputFile(
      fileName,
      [this](std::FILE* out) {
        for (const TJsonPiece& piece : mStringList) {
          if (std::fwrite(piece.View().data(), 1, piece.size, out) != piece.size) return false;
        }
        return std::fwrite("\r\n", 1, 2, out) == 2;
      },
      error);
}

}  // namespace tir::exporting
