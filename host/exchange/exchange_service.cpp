#include "host/exchange/exchange_service.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "db/connection.h"
#include "db/date_time.h"
#include "db/db_error.h"
#include "export/dn_json_builder.h"
#include "host/exchange/exchange_ledger.h"
#include "host/exchange/exchange_peer_status.h"
#include "host/exchange/exchange_status_page.h"
#include "host/exchange/exchange_temp_file.h"
#include "host/exchange/exchange_tokens.h"
#include "host/exchange/exchange_write_scope.h"
#include "host/schema/schema.h"
#include "import/json_loader_atomic.h"
#include "import/json_loader_walk.h"
#include "settings/tir_codes.h"

namespace tir::exchange {
namespace {

std::int64_t ReportRows(const import::TLoadReport& report) {
  std::int64_t rows = 0;
  for (const auto& [kind, n] : report.kinds)
    rows += n.inserted + n.updated + n.identical + n.refused;
  return rows;
}

using TLoadStep = tir::import::TLoadStep;
using TLoader = tir::import::TDMJsonLoader;

TLoadStep ImportStep(TRequestKind kind) {
  switch (kind) {
    case TRequestKind::kImportMobileOrders:
      return {"mobile orders", [](TLoader& l) { l.SaveDocFromMobileAgent(); }};
    case TRequestKind::kCookStatus:
      return {"cook status", [](TLoader& l) { l.ChangeCookStatus(); }};
    default:
      return {"documents", [](TLoader& l) { l.SaveUniversalDocs(); }};
  }
}

// The most documents one answer carries: the row limit of recent documents, or less when the
// client asks for less.
constexpr int kDocsPerAnswer = 300;

int DocsPerAnswer(const exporting::TReqParams& request) {
  const std::int32_t asked = request.docsMaxCountInResp;
  return asked > 0 && asked < kDocsPerAnswer ? asked : kDocsPerAnswer;
}

std::string IdList(const std::vector<std::int64_t>& ids) {
  std::string list;
  for (const std::int64_t id : ids) list += (list.empty() ? "" : ",") + std::to_string(id);
  return list;
}

}  // namespace

TExchangeService::TExchangeService(db::Connection& pConnection, TServiceShared& pShared)
    : mConnection(pConnection), mShared(pShared), mMaxBody(pShared.maxBody) {
  mLoader.SetConnection(&mConnection);
  mLoader.mGoodsPauseMs = 0;
  std::lock_guard lock(mShared.writeLock);
  schema::EnsureChainSchema(mConnection);
  mLoader.GetBaseGUID();  // made once here, so that later answers only read it
}

TExchangeService::~TExchangeService() = default;

std::string TExchangeService::BaseGUID() {
  std::lock_guard lock(mShared.writeLock);
  return mLoader.GetBaseGUID();
}

void TExchangeService::Refuse(TExchangeAnswer& pAnswer, int pStatus, const std::string& pText) {
  pAnswer.status = pStatus;
  pAnswer.body = InfoAnswer(pStatus, pText, mLoader.GetBaseGUID());
  pAnswer.delivery.reset();
  pAnswer.refusal = pText;
  if (pAnswer.note.empty()) pAnswer.note = pText;
}

TExchangeAnswer TExchangeService::Handle(const std::string& pBody) {
  TExchangeAnswer answer;
  try {
    HandleRequest(pBody, answer);
  } catch (const db::DbError& e) {
    Refuse(answer, 500, std::string("ErrorSQL: ") + e.what());
  } catch (const std::exception& e) {
    Refuse(answer, 500, std::string("Error: ") + e.what());
  }
  if (answer.status != 200) RecordPeer(answer);
  return answer;
}

// Keeps what the operator sees of the peer. A failure to record does not change the answer the
// peer gets; the log line says it.
void TExchangeService::RecordPeer(const TExchangeAnswer& pAnswer) {
  if (pAnswer.tokenName.empty()) return;  // no accepted token: nobody to record it for
  try {
    std::lock_guard lock(mShared.writeLock);
    RecordPeerEvent(mConnection, pAnswer.tokenName, TPeerEvent::kError, 0, 0,
                    std::to_string(pAnswer.status) + " " +
                        (pAnswer.refusal.empty() ? pAnswer.note : pAnswer.refusal));
  } catch (const std::exception&) {
  }
}

TExchangeAnswer TExchangeService::Status(bool pJson, const std::string& pBearer, bool pLoopback) {
  TExchangeAnswer answer;
  answer.command = pJson ? "GET /status.json" : "GET /status";
  try {
    if (!pLoopback) {
      const std::optional<TTirTokenOne> token = FindToken(mConnection, pBearer);
      const bool admin =
          token && token->mActiv == 1 && LoadPeerRights(mConnection, token->mName).admin;
      if (token) answer.tokenName = token->mName;
      if (!admin) {
        answer.status = 403;
        answer.note = !token ? "no administration token" : "not an administration token";
        answer.contentType = "text/plain; charset=utf-8";
        answer.body =
            "403: the status page needs an administration token (Authorization: "
            "Bearer TOKEN) or a request from this machine\n";
        return answer;
      }
    }
    const std::vector<TPeerStatus> peers =
        LoadPeerStatus(mConnection, db::NowDateTime(), kStatusLateHours);
    answer.rows = static_cast<std::int64_t>(peers.size());
    answer.body = pJson ? PeerStatusJson(peers, kStatusLateHours)
                        : PeerStatusHtml(peers, kStatusLateHours, db::NowDateTime());
    answer.contentType = pJson ? "application/json" : "text/html; charset=utf-8";
  } catch (const std::exception& e) {
    answer.status = 500;
    answer.note = e.what();
    answer.contentType = "text/plain; charset=utf-8";
    answer.body = "500: the status cannot be read\n";
  }
  return answer;
}

void TExchangeService::HandleRequest(const std::string& pBody, TExchangeAnswer& pAnswer) {
  if (pBody.size() > mMaxBody) {
    Refuse(pAnswer, 413, "request body over " + std::to_string(mMaxBody) + " bytes");
    return;
  }
  if (!mLoader.OpenAndParse(pBody)) {
    Refuse(pAnswer, 400, "malformed request: not a JSON text");
    return;
  }
  try {
    mLoader.GetReqParams();
  } catch (const import::EJsonLoadError& e) {
    mLoader.FreeAll();
    Refuse(pAnswer, 400, std::string("malformed request: ") + e.what());
    return;
  }
  mLoader.FreeAll();
  const exporting::TReqParams& request = mLoader.mReqParams;
  pAnswer.command = request.cmd;
  const TCommandPlan plan = ParseCommandWords(request.cmd);
  if (plan.words.empty()) {
    Refuse(pAnswer, 400, plan.error);
    return;
  }
  const std::optional<TTirTokenOne> token = FindToken(mConnection, request.token);
  if (!token || token->mActiv != 1) {
    pAnswer.note = !token ? "unknown token" : "disabled token " + token->mName;
    Refuse(pAnswer, 401, "unknown or disabled token");
    return;
  }
  pAnswer.tokenName = token->mName;
  if (!plan.error.empty()) {
    Refuse(pAnswer, 400, plan.error);
    return;
  }
  const TPeerRights rights = LoadPeerRights(mConnection, token->mName);
  if (rights.admin) {
    Refuse(pAnswer, 403,
           "token " + token->mName + " administers the service: it exchanges no data");
    return;
  }

  // The acknowledgement of the batch the client loaded comes first, with any command.
  const std::string ack = RequestMember(pBody, "ack");
  if (!ack.empty()) {
    TAckResult result;
    {
      std::lock_guard lock(mShared.writeLock);
      result = TPeerLedger(mConnection).Acknowledge(token->mName, ack);
    }
    if (result == TAckResult::kUnknown) {
      Refuse(pAnswer, 409,
             "unknown document batch \"" + ack + "\" for this token; nothing was acknowledged");
      return;
    }
  }
  switch (plan.kind) {
    case TRequestKind::kAck:
      if (ack.empty()) {
        Refuse(pAnswer, 400, "malformed request: \"ack\" needs the batch id in \"ack\"");
        return;
      }
      pAnswer.body = InfoAnswer(200, "OK.", mLoader.GetBaseGUID());
      return;
    case TRequestKind::kExport:
      Export(plan, *token, rights.users, pAnswer);
      return;
    default:
      if (rights.readOnly) {
        Refuse(pAnswer, 403, "token " + token->mName + " is read-only: it may write nothing");
        return;
      }
      Import(pBody, plan.kind, *token, pAnswer);
      return;
  }
}

void TExchangeService::Export(const TCommandPlan& pPlan, const TTirTokenOne& pToken, bool pUsers,
                              TExchangeAnswer& pAnswer) {
  auto builder = std::make_shared<exporting::TDNJSonBuilder>(mConnection);
  builder->SetRunMode(kRunRequest);
  builder->SetTokenInfo(pToken);
  builder->SetReqParams(mLoader.mReqParams);
  builder->SetTokenClientValue("");  // an answer passed on must not carry the secret
  builder->SetUsersAllowed(pUsers);
  builder->ClearAllCMD();
  // Recent documents come from the peer's ledger, not from the base-wide delivery marks.
  TCommandPlan plan = pPlan;
  const auto docs = std::find(plan.words.begin(), plan.words.end(), "getdocstirformat001");
  TPeerBatch batch;
  {
    // Rows without a GUID get one before anything is read (a write, so under the lock; the
    // build's own pass then finds none), so that a batch records the stamps its documents keep.
    std::lock_guard lock(mShared.writeLock);
    builder->GenAllGUIDs();
    if (docs != plan.words.end())
      batch = TPeerLedger(mConnection).OpenBatch(pToken, DocsPerAnswer(mLoader.mReqParams));
  }
  if (docs != plan.words.end()) {
    plan.words.erase(docs);
    if (!batch.id.empty()) {
      pAnswer.docs = static_cast<std::int64_t>(batch.docIds.size());
      builder->SetAddSomeLastDocs();
      builder->SetDocIdsOnly(IdList(batch.docIds));
      builder->SetBatchId(batch.id);
      pAnswer.note = (batch.repeated ? "batch again " : "batch ") + batch.id;
    }
  }
  ApplyExportWords(plan, mLoader.mReqParams, *builder);
  builder->RunBuildProcess();
  if (!builder->ErrorText().empty()) {
    Refuse(pAnswer, 500, builder->ErrorText());
    return;
  }
  pAnswer.status = 200;
  pAnswer.body = builder->Text();
  pAnswer.rows = CountAnswerRows(pAnswer.body);
  try {
    std::lock_guard lock(mShared.writeLock);
    RecordPeerEvent(mConnection, pToken.mName, TPeerEvent::kPull, pAnswer.docs, pAnswer.rows, "");
  } catch (const db::DbError& e) {
    pAnswer.note +=
        (pAnswer.note.empty() ? "" : "; ") + std::string("pull not recorded: ") + e.what();
  }
}

void TExchangeService::Import(const std::string& pBody, TRequestKind pKind,
                              const TTirTokenOne& pToken, TExchangeAnswer& pAnswer) {
  // The loader reads files; the envelope goes through one that only this process uses.
  const TTempFile file("tirdex-serve");
  std::ofstream stream(file.Path(), std::ios::binary | std::ios::trunc);
  stream.write(pBody.data(), static_cast<std::streamsize>(pBody.size()));
  stream.close();
  if (file.Path().empty() || !stream) {
    Refuse(pAnswer, 500, "Error: cannot write a temporary file for the envelope");
    return;
  }
  std::lock_guard lock(mShared.writeLock);
  // Nothing of an envelope is written unless every document lies in the token's scope.
  std::vector<std::string> guids;
  if (const auto refusal = CheckWriteScope(mConnection, pToken, pKind, pBody, guids)) {
    pAnswer.note = "document " + refusal->guid + " outside the scope of token " + pToken.mName;
    Refuse(pAnswer, 403,
           "document " + (refusal->guid.empty() ? std::string("without a GUID") : refusal->guid) +
               " refused: " + refusal->reason + "; nothing of the envelope was written");
    return;
  }
  mLoader.SetTokenInfo(pToken);
  // The peer has the documents it sent: the ledger records them at the stamps the import gave
  // them, in the import's transaction, so that they do not go back to it.
  std::vector<TLoadStep> steps{ImportStep(pKind)};
  if (pKind != TRequestKind::kCookStatus) {
    steps.emplace_back("ledger", [&](TLoader&) {
      TPeerLedger(mConnection).RecordHeld(pToken.mName, DocIdsOf(mConnection, guids));
    });
  }
  const import::TLoadOutcome out =
      import::RunAtomicLoad(mLoader, mConnection, file.Path(), steps, false, {});
  pAnswer.rows = ReportRows(out.report);
  switch (out.result) {
    case import::TLoadResult::kDone:
      pAnswer.status = 200;
      pAnswer.body = InfoAnswer(200, "OK.", mLoader.GetBaseGUID());
      pAnswer.docs = static_cast<std::int64_t>(guids.size());
      try {
        if (pKind != TRequestKind::kCookStatus)
          RecordPeerEvent(mConnection, pToken.mName, TPeerEvent::kPush, pAnswer.docs, 0, "");
      } catch (const db::DbError& e) {
        pAnswer.note = std::string("push not recorded: ") + e.what();
      }
      break;
    case import::TLoadResult::kRefused:
      Refuse(pAnswer, 409, out.message);
      break;
    case import::TLoadResult::kNotOpened:
      Refuse(pAnswer, 400, "malformed request: " + out.message);
      break;
    default:
      Refuse(pAnswer, out.message.rfind("ErrorSQL", 0) == 0 ? 500 : 400, out.message);
      break;
  }
}

bool TExchangeService::Delivered(TExchangeAnswer& pAnswer, bool) {
  pAnswer.delivery.reset();
  return true;
}

std::string TExchangeService::LogLine(const TExchangeAnswer& pAnswer, const std::string& pPeer,
                                      double pMilliseconds, const std::string& pDelivery) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::ostringstream line;
  line << std::put_time(&local, "%Y-%m-%d %H:%M:%S") << " peer=" << pPeer
       << " token=" << (pAnswer.tokenName.empty() ? "-" : pAnswer.tokenName)
       << " cmd=" << (pAnswer.command.empty() ? "-" : pAnswer.command)
       << " status=" << pAnswer.status << " rows=" << pAnswer.rows
       << " bytes=" << pAnswer.body.size() << " ms=" << std::fixed << std::setprecision(1)
       << pMilliseconds;
  if (!pDelivery.empty()) line << " docs-delivered=" << pDelivery;
  if (!pAnswer.note.empty() && pAnswer.status != 200) line << " error=\"" << pAnswer.note << "\"";
  if (!pAnswer.note.empty() && pAnswer.status == 200) line << " note=\"" << pAnswer.note << "\"";
  return line.str();
}

}  // namespace tir::exchange
