// The loader's frame: creation, opening and parsing a text, the exchange envelope, the base
// identity and the counters kept in tirSettings.
#include <rapidjson/error/en.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>

#include "db/date_time.h"
#include "db/db_error.h"
#include "db/query.h"
#include "export/guid_completion.h"
#include "frame/global_exit.h"
#include "import/json_loader.h"
#include "import/json_loader_walk.h"
#include "posting/main_provodka.h"
#include "settings/guid_forms.h"
#include "settings/tir_codes.h"

namespace tir::import {
namespace {

// The client token this module sends in its requests.
constexpr const char* kClientToken = "{5D0B7E42-96A1-4C3F-8E27-1B9A60F4C2D8}";

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

}  // namespace

std::int64_t TDMJsonLoader::gLastGoodsUpdateCounter = -1;

TDMJsonLoader::TDMJsonLoader()
    : mProvodka(std::make_unique<posting::TDMMainProvodka>()), mTokenClientValue(kClientToken) {
  mTokenInfo.Clear();
}

TDMJsonLoader::~TDMJsonLoader() { FreeAll(); }

void TDMJsonLoader::SetConnection(db::Connection* pDConnect) {
  mCache.clear();
  for (auto& q : mOneOff) q.reset();
  mFieldIndexes.clear();
  mGroupIds.clear();
  mConnection = pDConnect;
  FDQuery1 = pDConnect ? std::make_unique<db::Query>(*pDConnect) : nullptr;
  FDQuery2 = pDConnect ? std::make_unique<db::Query>(*pDConnect) : nullptr;
  mProvodka->SetConnectToDB(pDConnect);
}

void TDMJsonLoader::SetTokenInfo(const TTirTokenOne& pTokenInfo) { mTokenInfo.Copy(pTokenInfo); }

bool TDMJsonLoader::ifExitNOW() const { return transport::ExitRequested(mPtr_ExitNow); }

void TDMJsonLoader::TirSleep(int ms) {
  while (!ifExitNOW()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    ms -= 365;
    if (ms <= 0) break;
  }
}

db::Connection& TDMJsonLoader::Conn() const {
  if (!mConnection) throw db::DbError("the loader has no connection");
  return *mConnection;
}

db::Query& TDMJsonLoader::Cached(const std::string& sql) {
  auto it = mCache.find(sql);
  if (it == mCache.end()) {
    auto q = std::make_unique<db::Query>(Conn());
    q->SetSql(sql);
    it = mCache.emplace(sql, std::move(q)).first;
  }
  it->second->Close();
  return *it->second;
}

db::Query& TDMJsonLoader::OneOff(const std::string& sql) {
  std::unique_ptr<db::Query>& slot = mOneOff[mNextOneOff++ % 4];
  if (!slot) slot = std::make_unique<db::Query>(Conn());
  mFieldIndexes.erase(slot.get());
  slot->Close();
  slot->SetSql(sql);
  return *slot;
}

void TDMJsonLoader::FreeAll() {
  JSONResp.reset();
  mGroupIds.clear();
}

bool TDMJsonLoader::OpenAndParse(std::string pBytes) {
  FreeAll();
  auto parsed = std::make_unique<TJsonText>();
  if (const std::string error = ParseJsonText(std::move(pBytes), *parsed); !error.empty()) {
    AddError("Error: " + error);
    return false;
  }
  JSONResp = std::move(parsed);
  return true;
}

bool TDMJsonLoader::OpenFileAndParse(const std::string& pFile) {
  std::ifstream in(pFile, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return false;
  return OpenAndParse(std::move(bytes).str());
}

void TDMJsonLoader::AddError(const std::string& pText) {
  if (!mErrorText.empty()) mErrorText += "\r\n";
  mErrorText += pText;
}

void TDMJsonLoader::GetRespParams() {
  mLResp = TRespParams{};
  rapidjson::Document doc;
  const JValue* info = TopObject(JSONResp.get(), "info", doc);
  if (!info || !info->IsObject()) return;
  for (const auto& m : info->GetObject()) {
    if (m.value.IsNull()) continue;
    const std::string_view key = KeyOf(m);
    const TWhere w{"info", 0, key};
    if (key == "sourceID")
      mLResp.sourceID = Lower(ReadText(m.value, w));
    else if (key == "errorTxt")
      mLResp.errorTxt = ReadText(m.value, w);
    else if (key == "ver")
      mLResp.ver = ReadInt(m.value, w);
    else if (key == "error")
      mLResp.error = ReadInt(m.value, w);
    else if (key == "lastGoodsSnapshot")
      mLResp.lastGoodsSnapshot = ReadInt64(m.value, w);
    else if (key == "goodsCount")
      mLResp.goodsCount = ReadInt(m.value, w);
  }
}

std::string TDMJsonLoader::GetReqParams() {
  mReqParams = TReqParams{};
  mReqParams.goodsLastRowId = mReqParams.docsLastRowId = -1;
  mReqParams.docsMaxCountInResp = -1;
  rapidjson::Document doc;
  const JValue* req = TopObject(JSONResp.get(), "request", doc);
  if (req && req->IsObject()) {
    TReqParams& r = mReqParams;
    for (const auto& m : req->GetObject()) {
      if (m.value.IsNull()) continue;
      const std::string_view key = KeyOf(m);
      const TWhere w{"request", 0, key};
      if (key == "cmd")
        r.cmd = Lower(ReadText(m.value, w));
      else if (key == "token")
        r.token = ReadText(m.value, w);
      else if (key == "ver")
        r.ver = ReadInt(m.value, w);
      else if (key == "lastGoodsSnapshot")
        r.lastGoodsSnapshot = ReadInt64(m.value, w);
      else if (key == "goodsLastRowId")
        r.goodsLastRowId = ReadInt64(m.value, w);
      else if (key == "docsListDateFrom")
        r.docsListDateFrom = ReadText(m.value, w);
      else if (key == "docsListDateTo")
        r.docsListDateTo = ReadText(m.value, w);
      else if (key == "docsLastRowId")
        r.docsLastRowId = ReadInt64(m.value, w);
      else if (key == "docsMaxCountInResp")
        r.docsMaxCountInResp = ReadInt(m.value, w);
      else if (key == "sourceID")
        r.sourceID = ReadText(m.value, w);
      else if (key == "requestString")
        r.requestString = ReadText(m.value, w);
    }
  }
  if (mReqParams.lastGoodsSnapshot <= 0) mReqParams.goodsLastRowId = -1;
  return {};
}

std::string TDMJsonLoader::BuildRequest(const std::string& pCmd, bool pDocs) {
  rapidjson::StringBuffer out;
  rapidjson::Writer<rapidjson::StringBuffer> w(out);
  const std::string date = ShortDateTime(db::NowDateTime());
  const std::string base = GetBaseGUID();
  w.StartObject();
  w.Key("request");
  w.StartObject();
  w.Key("ver");
  w.Int(1);
  w.Key("cmd");
  w.String(pCmd.c_str());
  w.Key("sync");
  w.Int(1);
  w.Key("token");
  w.String(mTokenClientValue.c_str());
  w.Key("date");
  w.String(date.c_str());
  w.Key("getpartnersGroupId");
  w.Int(0);
  w.Key("lastGoodsSnapshot");
  w.Int64(mLastNumGoodsSnapshot);
  if (pDocs) {
    w.Key("docsLastRowId");
    w.Int64(GetLastDocRowID());
    w.Key("docsMaxCountInResp");
    w.Int(mMaxDocResive);
  } else {
    w.Key("goodsLastRowId");
    w.Int64(GetLastGoodRowID());
  }
  w.Key("sourceID");
  w.String(base.c_str());
  w.EndObject();
  w.EndObject();
  return out.GetString();
}

std::string TDMJsonLoader::getJsonReq(double pPartnersTime, double MainSPRTime) {
  if (mifNeadUpdateAllSPR) {
    mLastNumGoodsSnapshot = 0;
    mLastUpdateGoodsTime = mLastUpdatePartnersTime = mLastUpdateMainSPRTime = 0;
    mifNeadUpdateAllSPR = false;
    mTextSTRNeadUpdateAllSPR.clear();
  }
  const double now = db::NowDateTime();
  if (std::fabs(now - mLastUpdateGoodsTime) > 1.0) mLastNumGoodsSnapshot = 0;
  std::string cmd = "getgoodsfull";
  if (std::fabs(now - mLastUpdatePartnersTime) >= pPartnersTime) cmd += ",getcontractsandpartners";
  if (std::fabs(now - mLastUpdateMainSPRTime) >= MainSPRTime) cmd += ",getallcatalogs";
  return BuildRequest(cmd, false);
}

std::string TDMJsonLoader::getDocFromCBJsonReq() {
  return BuildRequest("getdocstirformat001", true);
}

std::string TDMJsonLoader::GetBaseGUID() {
  if (!mMainBaseGIUD.empty()) return mMainBaseGIUD;
  std::string value;
  try {
    db::Query q(Conn());
    value = exporting::ReadBaseGuid(q).value_or("");
    if (value.size() < 35) {
      value = GUIDToString(CreateGUID());
      exporting::StoreBaseGuid(q, value);
    }
  } catch (const db::DbError& e) {
    AddError(std::string("ErrorSQL: ") + e.what());
  } catch (const std::exception& e) {
    AddError(std::string("Error: ") + e.what());
  } catch (...) {
    AddError("Error: ExceptionUndef.");
  }
  mMainBaseGIUD = value;
  return value;
}

std::int32_t TDMJsonLoader::GetSourceBaseId() {
  const std::string peer = mReqParams.sourceID.empty() ? mLResp.sourceID : mReqParams.sourceID;
  if (peer.empty()) return 0;
  db::Query& q = Cached("SELECT fId FROM tirDEXSBaseIDs  WHERE fBaseGUID=:pBageGUID;");
  q.ParamByName("pBageGUID").SetText(peer);
  q.Open();
  if (!q.Eof()) return q.FieldByIndex(0).AsInt32();
  db::Query& ins = Cached(
      "INSERT INTO tirDEXSBaseIDs (fBaseGUID, fStartDate, fLastConnDate, fDesc) VALUES ( "
      ":pBageGUID, GETDATE(), GETDATE(), 'AutoCreated' );SELECT SCOPE_IDENTITY() as fId;");
  ins.ParamByName("pBageGUID").SetText(peer);
  ins.Open();
  return ins.Eof() ? 0 : ins.FieldByName("fId").AsInt32();
}

void TDMJsonLoader::ReadSettingsRow(std::int32_t pMId, std::int32_t pPType, std::int64_t& pPI) {
  db::Query& q =
      Cached("SELECT fPI FROM tirSettings WHERE (fUserId=0)AND(fMId=:pMId)AND(fPType=:pPType);");
  q.ParamByName("pMId").SetInt32(pMId);
  q.ParamByName("pPType").SetInt32(pPType);
  q.Open();
  pPI = q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
}

std::int64_t TDMJsonLoader::GetLastDocRowID() {
  std::int64_t v = 0;
  ReadSettingsRow(kKeyLastDocRowId.fMId, kKeyLastDocRowId.fPType, v);
  return v;
}

std::int64_t TDMJsonLoader::GetLastGoodRowID() {
  std::int64_t v = 0;
  ReadSettingsRow(kKeyLastGoodRowId.fMId, kKeyLastGoodRowId.fPType, v);
  return v;
}

void TDMJsonLoader::SetRowID(std::int32_t pPType, std::int64_t pRowID) {
  if (ifExitNOW()) return;
  const std::string type = std::to_string(pPType);
  db::Query& q = Cached("DELETE FROM tirSettings WHERE (fUserId=0)AND(fMId=470)AND(fPType=" + type +
                        ");INSERT INTO [tirSettings]  ([fMId] ,[fUserId] ,[fPType] ,[fPB] ,[fPI]) "
                        "VALUES (470,0," +
                        type + ",0,:pPI);");
  q.ParamByName("pPI").SetInt64(pRowID);
  q.ExecSql();
}

void TDMJsonLoader::SetLastDocRowID(std::int64_t pRowID) {
  SetRowID(kKeyLastDocRowId.fPType, pRowID);
}
void TDMJsonLoader::SetLastGoodRowID(std::int64_t pRowID) {
  SetRowID(kKeyLastGoodRowId.fPType, pRowID);
}

void TDMJsonLoader::TestReplicationFirst() {
  if (ifExitNOW() || mTestRelpFirst == 2) return;
  if (mTestRelpFirst == 0) {
    mTestRelpFirst = 2;
    db::Query& q =
        Cached("SELECT fPI, fPB FROM tirSettings WHERE (fUserId=0)AND(fMId=-26)AND(fPType=-41);");
    q.Open();
    if (!q.Eof() && !q.FieldByIndex(0).IsNull() && q.FieldByIndex(0).AsInt64() == 2 &&
        q.FieldByIndex(1).AsInt64() == 100) {
      mTestRelpFirst = 1;
    }
  }
  if (mTestRelpFirst == 1 && mLastUpdateGoodsTime > 1.0 && mLastUpdatePartnersTime > 1.0 &&
      mLastUpdateMainSPRTime > 1.0) {
    Cached(
        "UPDATE tirSettings SET fPB=0, fPStr50=GETDATE() WHERE ([fUserId]=0)AND([fMId]=-26)AND("
        "[fPI]=2)AND([fPType]=-41);")
        .ExecSql();
    mTestRelpFirst = 2;
  }
}

TLoadKindCounts& TLoadReport::Kind(const std::string& pKind) {
  for (auto& [name, counts] : kinds) {
    if (name == pKind) return counts;
  }
  return kinds.emplace_back(pKind, TLoadKindCounts{}).second;
}

std::string TLoadReport::Text(std::size_t pMaxMissing, std::size_t pMaxNotes) const {
  std::string s;
  for (const auto& [name, c] : kinds) {
    s += name + ": " + std::to_string(c.inserted) + " inserted, " + std::to_string(c.updated) +
         " updated, " + std::to_string(c.identical) + " identical, " + std::to_string(c.refused) +
         " refused, " + std::to_string(c.skipped) + " skipped\n";
  }
  const auto list = [&s](const std::vector<TLoadNote>& items, std::size_t max, const char* label,
                         const char* more) {
    for (std::size_t i = 0; i < items.size() && i < max; ++i) s += label + items[i].Text() + "\n";
    if (items.size() > max) s += "... and " + std::to_string(items.size() - max) + more;
  };
  list(notes, pMaxNotes, "note: ", " more notes\n");
  list(missing, pMaxMissing, "missing: ", " more missing references\n");
  return s;
}

}  // namespace tir::import
