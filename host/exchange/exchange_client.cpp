#include "host/exchange/exchange_client.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "db/connection.h"
#include "db/query.h"
#include "db/sqlite_connection.h"
#include "host/exchange/exchange_client_ledger.h"
#include "host/exchange/exchange_http.h"
#include "host/exchange/exchange_temp_file.h"
#include "host/schema/schema.h"
#include "import/json_loader_atomic.h"
#include "import/json_loader_walk.h"
#include "settings/tir_codes.h"

namespace tir::exchange {
namespace {

constexpr const char* kAnswerPrefix = ".tirdex-sync-answer";

constexpr int kGoodsState = kKeySyncGoods.fPType, kPartnersState = kKeySyncPartners.fPType,
              kCatalogsState = kKeySyncCatalogs.fPType;

void ReadState(db::Connection& connection, int type, std::int64_t* pi, double& date) {
  db::Query q(connection);
  q.SetSql("SELECT fPI, fPDate FROM tirSettings WHERE (fUserId=0)AND(fMId=470)AND(fPType=" +
           std::to_string(type) + ");");
  q.Open();
  if (q.Eof()) return;
  if (pi != nullptr) *pi = q.FieldByIndex(0).AsInt64();
  date = q.FieldByIndex(1).AsDateTime();
}

void WriteState(db::Connection& connection, int type, std::int64_t pi, double date) {
  db::Query q(connection);
  q.SetSql(
      "DELETE FROM tirSettings WHERE (fUserId=0)AND(fMId=470)AND(fPType=:pType);"
      "INSERT INTO tirSettings (fPValId, fUserId, fMId, fPType, fPB, fPI, fPDate) "
      "VALUES (0, 0, 470, :pType, 0, :pPI, :pDate);");
  q.ParamByName("pType").SetInt64(type);
  q.ParamByName("pPI").SetInt64(pi);
  q.ParamByName("pDate").SetDateTime(date);
  q.ExecSql();
}

std::string ReadFile(const std::string& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string text(limit, '\0');
  in.read(text.data(), static_cast<std::streamsize>(limit));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

// A batch id is echoed in a request's JSON text as it came: only plain characters pass.
bool PlainBatchId(const std::string& id) {
  if (id.size() > 100) return false;
  for (const char c : id) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       c == '-' || c == '_' || c == '.' || c == ':' || c == '{' || c == '}';
    if (!plain) return false;
  }
  return true;
}

// The "batch" member of the answer's "info" ("" when it has none).
std::string ReadBatchId(const import::TDMJsonLoader& l) {
  rapidjson::Document doc;
  const import::JValue* info = import::TopObject(l.JSONResp.get(), "info", doc);
  if (info == nullptr || !info->IsObject()) return {};
  const auto batch = info->FindMember("batch");
  if (batch == info->MemberEnd() || batch->value.IsNull()) return {};
  std::string id = import::ReadText(batch->value, {"info", 0, "batch"});
  if (!PlainBatchId(id)) throw import::EJsonLoadError("info.batch: not a batch id: " + id);
  return id;
}

// The request with an "ack" member added to its "request" object.
std::string WithAck(std::string request, const std::string& batch) {
  if (batch.empty()) return request;
  const std::size_t end = request.rfind("}}");
  if (end != std::string::npos) request.insert(end, ",\"ack\":\"" + batch + "\"");
  return request;
}

}  // namespace

TSyncClient::TSyncClient(db::Connection& pConnection, TSyncOptions pOptions)
    : mConnection(pConnection), mOptions(std::move(pOptions)) {
  mLoader.SetConnection(&mConnection);
  mLoader.mGoodsPauseMs = 0;
  mLoader.mTokenClientValue = mOptions.token;
}

void TSyncClient::LoadState() {
  mSnapshot = 0;
  mGoodsTime = mPartnersTime = mCatalogsTime = 0;
  ReadState(mConnection, kGoodsState, &mSnapshot, mGoodsTime);
  ReadState(mConnection, kPartnersState, nullptr, mPartnersTime);
  ReadState(mConnection, kCatalogsState, nullptr, mCatalogsTime);
  mGoodRowId = mLoader.GetLastGoodRowID();
  mDocRowId = mLoader.GetLastDocRowID();
  mLoader.mLastNumGoodsSnapshot = mSnapshot;
  mLoader.mLastUpdateGoodsTime = mGoodsTime;
  mLoader.mLastUpdatePartnersTime = mPartnersTime;
  mLoader.mLastUpdateMainSPRTime = mCatalogsTime;
}

// Runs as the last step of a load, inside its transaction.
void TSyncClient::SaveState(import::TDMJsonLoader& l) {
  if (l.mLastNumGoodsSnapshot != mSnapshot || l.mLastUpdateGoodsTime != mGoodsTime)
    WriteState(mConnection, kGoodsState, l.mLastNumGoodsSnapshot, l.mLastUpdateGoodsTime);
  if (l.mLastUpdatePartnersTime != mPartnersTime)
    WriteState(mConnection, kPartnersState, 0, l.mLastUpdatePartnersTime);
  if (l.mLastUpdateMainSPRTime != mCatalogsTime)
    WriteState(mConnection, kCatalogsState, 0, l.mLastUpdateMainSPRTime);
  if (l.mMaxGoodRowID > mGoodRowId) l.SetLastGoodRowID(l.mMaxGoodRowID);
  if (l.mMaxDocRowID > mDocRowId) l.SetLastDocRowID(l.mMaxDocRowID);
}

// A load refused for missing references asks for every catalog on the next sync. A failed write
// is rolled back and raised: a sync that went on would ask for less than it claims.
void TSyncClient::ForgetLoadTimes() {
  mConnection.StartTransaction();
  try {
    WriteState(mConnection, kGoodsState, 0, 0);
    WriteState(mConnection, kPartnersState, 0, 0);
    WriteState(mConnection, kCatalogsState, 0, 0);
    mConnection.Commit();
  } catch (...) {
    if (mConnection.InTransaction()) mConnection.Rollback();
    throw;
  }
}

// (The return type is spelt in full: a line that starts with "import" reads as a module import
// to the formatter.)
tir::import::TLoadOutcome TSyncClient::Load(const std::string& pFile,
                                            std::vector<import::TLoadStep> pSteps) {
  // The file load reads only its sections: the answer's "info" is read first, and must say 200
  // before anything of it is loaded.
  const auto check = [](import::TDMJsonLoader& l) {
    if (l.mLResp.error != 200) {
      throw std::runtime_error("the service refused the request: error " +
                               std::to_string(l.mLResp.error) + " " + l.mLResp.errorTxt);
    }
  };
  const auto info = [](import::TDMJsonLoader& l) { l.GetRespParams(); };
  pSteps.insert(pSteps.begin(), {{"info", info}, {"answer", check}});
  pSteps.emplace_back("counters", [this](import::TDMJsonLoader& l) { SaveState(l); });
  return import::RunAtomicLoad(mLoader, mConnection, pFile, pSteps, false, {});
}

THttpResult TSyncClient::Post(const std::string& pBody, const std::string& pFile) {
  // Pauses before the second, third and fourth try; shops behind one address share the
  // service's connections per address, so a later try mostly finds one free.
  constexpr int kPausesS[] = {1, 2, 4};
  const auto stopped = [this] {
    return mOptions.http.stop != nullptr && mOptions.http.stop->load();
  };
  THttpResult http;
  int tries = 0;
  for (;;) {
    http = PostJson(mOptions.url, pBody, pFile, mOptions.http);
    ++tries;
    if (!http.dropped || tries > static_cast<int>(std::size(kPausesS)) || stopped()) break;
    const int pause = kPausesS[tries - 1];
    if (mOptions.say)
      mOptions.say("the service refused or dropped the connection; trying again in " +
                   std::to_string(pause) + " s");
    for (int tick = 0; tick < pause * 10 && !stopped(); ++tick)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (http.dropped) {
    http.error = "the service refused or dropped the connection (" + http.error + "; " +
                 std::to_string(tries) + (tries == 1 ? " try)" : " tries)");
  }
  return http;
}

bool TSyncClient::Exchange(const std::string& pRequest, const char* pWhat,
                           const std::vector<import::TLoadStep>& pSteps, TSyncResult& pResult,
                           bool pDocuments) {
  const TTempFile answer(kAnswerPrefix, mOptions.http.answerFolder);
  const std::string& file = answer.Path();
  if (file.empty()) {
    pResult.ok = false;
    pResult.message = "cannot make a temporary file for the answer";
    return false;
  }
  if (mOptions.say) mOptions.say(std::string("asking for ") + pWhat + "...");
  const THttpResult http = Post(pRequest, file);
  if (!http.error.empty()) {
    pResult.ok = false;
    pResult.message = "no answer from " + mOptions.url + ": " + http.error;
    return false;
  }
  import::TLoadOutcome out = Load(file, pSteps);
  if (out.result == import::TLoadResult::kRefused) {
    // Documents that name catalog rows this base does not have yet: the answer is kept, every
    // catalog is asked for, and the answer is loaded again.
    try {
      ForgetLoadTimes();
    } catch (const std::exception& e) {
      pResult.ok = false;
      pResult.message = std::string("cannot reset the load times: ") + e.what();
      return false;
    }
    LoadState();
    if (pDocuments && Exchange(mLoader.getJsonReq(0, 0), "every catalog",
                               import::FileLoadSteps(true, true, true, false), pResult, false))
      out = Load(file, pSteps);
    if (!pResult.ok) return false;
  }
  if (out.result != import::TLoadResult::kDone) {
    pResult.ok = false;
    pResult.message = std::string(pWhat) + ": " + out.message;
    if (http.status != 200 && out.result != import::TLoadResult::kFailed)
      pResult.message += " (HTTP " + std::to_string(http.status) + ": " + ReadFile(file, 300) + ")";
    return false;
  }
  pResult.goodsSent += mLoader.mLResp.goodsCount;
  pResult.report += out.report.Text(20);
  LoadState();
  return true;
}

TSyncResult TSyncClient::RunOnce() {
  TSyncResult result;
  // Answers of a sync killed before it removed them; a day untouched belongs to no live sync.
  RemoveStaleTempFiles(kAnswerPrefix, mOptions.http.answerFolder, 86400);
  try {
    schema::EnsureChainSchema(mConnection);
    // A document load inserts its lines one statement at a time, and the change-stamp triggers
    // make SQLite keep each statement's undo pages; in memory that is a copy, in a temporary file
    // it is some 17,000 writes for 100 documents.
    if (auto* sqlite = dynamic_cast<db::SqliteConnection*>(&mConnection))
      sqlite->ExecScript("PRAGMA temp_store=MEMORY;");
    if (mOptions.full) ForgetLoadTimes();
  } catch (const std::exception& e) {
    result.ok = false;
    result.message = std::string("cannot prepare the base: ") + e.what();
    return result;
  }
  LoadState();
  if (mOptions.pull) {
    const std::string catalogs = mLoader.getJsonReq(mOptions.partnersDays, mOptions.catalogsDays);
    const std::int64_t asked = mLoader.mLastNumGoodsSnapshot;
    if (!Exchange(catalogs, "catalogs and goods", import::FileLoadSteps(true, true, true, false),
                  result, false))
      return result;
    if (asked != 0 && mLoader.mLResp.goodsCount == 0 && mLoader.mLResp.lastGoodsSnapshot == asked)
      result.unchangedSnapshot = asked;
    if (!PullDocuments(result)) return result;
  }
  if (mOptions.push && !Push(result)) return result;
  return result;
}

bool TSyncClient::PullDocuments(TSyncResult& pResult) {
  std::vector<import::TLoadStep> steps = import::FileLoadSteps(false, false, false, true);
  steps.insert(steps.begin(), {"batch", [this](import::TDMJsonLoader& l) {
                                 mBatch = ReadBatchId(l);
                                 mStampBefore = MaxDocStamp(mConnection);
                               }});
  steps.emplace_back("received", [this](import::TDMJsonLoader&) {
    RecordReceivedSince(mConnection, mStampBefore);
  });
  for (int round = 0; round < mOptions.maxDocRounds; ++round) {
    if (mOptions.http.stop != nullptr && mOptions.http.stop->load()) break;
    mBatch.clear();
    if (!Exchange(WithAck(mLoader.getDocFromCBJsonReq(), mUnacked), "documents", steps, pResult,
                  true)) {
      // A batch the service does not know (409) was never acknowledged there, so its documents
      // come again; asking with it again would only be refused again.
      if (mLoader.mLResp.error == 409) mUnacked.clear();
      return false;
    }
    // The request carried the last acknowledgement; the batch just loaded is the next one.
    mUnacked = mBatch;
    if (mLoader.mCountDocInFile == 0) break;
    pResult.docs += mLoader.mCountDocInFile;
  }
  return Acknowledge(pResult);
}

bool TSyncClient::PostForInfo(const std::string& pBody, const char* pWhat, TSyncResult& pResult,
                              int& pStatus, std::string& pText) {
  const TTempFile answer("tirdex-sync");
  const THttpResult http = answer.Path().empty()
                               ? THttpResult{0, "cannot make a temporary file for the answer"}
                               : Post(pBody, answer.Path());
  if (!http.error.empty()) {
    pResult.ok = false;
    pResult.message = std::string(pWhat) + ": no answer from " + mOptions.url + ": " + http.error;
    return false;
  }
  pStatus = 0;
  pText.clear();
  try {
    if (mLoader.OpenFileAndParse(answer.Path())) {
      mLoader.GetRespParams();
      pStatus = mLoader.mLResp.error;
      pText = mLoader.mLResp.errorTxt;
    }
  } catch (const std::exception&) {
    pStatus = 0;
  }
  mLoader.FreeAll();
  if (pStatus == 0) {
    pResult.ok = false;
    pResult.message = std::string(pWhat) +
                      ": the service's answer is not an exchange answer (HTTP " +
                      std::to_string(http.status) + ": " + ReadFile(answer.Path(), 300) + ")";
    return false;
  }
  return true;
}

bool TSyncClient::Acknowledge(TSyncResult& pResult) {
  if (mUnacked.empty()) return true;
  const std::string body = R"({"request":{"cmd":"ack","token":")" + mOptions.token +
                           R"(","ack":")" + mUnacked + R"("}})";
  int status = 0;
  std::string text;
  if (!PostForInfo(body, "acknowledging documents", pResult, status, text)) return false;
  if (status != 200) {
    pResult.ok = false;
    pResult.message = "the service refused the acknowledgement of batch " + mUnacked + ": error " +
                      std::to_string(status) + " " + text;
    if (status == 409) mUnacked.clear();
    return false;
  }
  mUnacked.clear();
  return true;
}

bool TSyncClient::Push(TSyncResult& pResult) {
  for (int round = 0; round < mOptions.maxDocRounds; ++round) {
    if (mOptions.http.stop != nullptr && mOptions.http.stop->load()) break;
    std::vector<TDocStamp> piece;
    std::string envelope;
    try {
      CompleteDocumentGuids(mConnection);
      piece = NextPushPiece(mConnection, mOptions.url, mOptions.pushPiece);
      if (piece.empty()) break;
      envelope = BuildPushEnvelope(mConnection, mOptions.token, piece);
    } catch (const std::exception& e) {
      pResult.ok = false;
      pResult.message = std::string("sending documents: ") + e.what();
      return false;
    }
    if (mOptions.say) mOptions.say("sending " + std::to_string(piece.size()) + " documents...");
    int status = 0;
    std::string text;
    if (!PostForInfo(envelope, "sending documents", pResult, status, text)) return false;
    if (status != 200) {
      // Nothing of the envelope was written there, so nothing is recorded here.
      pResult.ok = false;
      pResult.message =
          "the service refused the documents sent: error " + std::to_string(status) + " " + text;
      return false;
    }
    try {
      RecordPushed(mConnection, mOptions.url, piece);
    } catch (const std::exception& e) {
      pResult.ok = false;
      pResult.message = std::string("recording the documents sent: ") + e.what();
      return false;
    }
    pResult.pushed += static_cast<std::int64_t>(piece.size());
  }
  return true;
}

}  // namespace tir::exchange
