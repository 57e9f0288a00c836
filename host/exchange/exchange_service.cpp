#include "host/exchange/exchange_service.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "db/connection.h"
#include "db/db_error.h"
#include "export/dn_json_builder.h"
#include "host/exchange/exchange_temp_file.h"
#include "host/exchange/exchange_tokens.h"
#include "import/json_loader_atomic.h"
#include "import/json_loader_walk.h"

namespace tir::exchange {
namespace {

std::int64_t ReportRows(const import::TLoadReport& report) {
  std::int64_t rows = 0;
  for (const auto& [kind, n] : report.kinds)
    rows += n.inserted + n.updated + n.identical + n.refused;
  return rows;
}

import::TLoadStep ImportStep(TRequestKind kind){
    switch (kind){case TRequestKind::kImportMobileOrders: return {
        "mobile orders", [](import::TDMJsonLoader& l){l.SaveDocFromMobileAgent();
}  // namespace
};  // namespace tir::exchange
case TRequestKind::kCookStatus:
  return {"cook status", [](import::TDMJsonLoader& l) { l.ChangeCookStatus(); }};
default:
  return {"documents", [](import::TDMJsonLoader& l) { l.SaveUniversalDocs(); }};
  }
  }

  }  // namespace

  TExchangeService::TExchangeService(db::Connection& pConnection, TServiceShared& pShared)
      : mConnection(pConnection), mShared(pShared), mMaxBody(pShared.maxBody) {
    mLoader.SetConnection(&mConnection);
    mLoader.mGoodsPauseMs = 0;
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
    if (pAnswer.note.empty()) pAnswer.note = pText;
  }

  TExchangeAnswer TExchangeService::Handle(const std::string& pBody) {
    std::lock_guard lock(mShared.writeLock);
    TExchangeAnswer answer;
    try {
      HandleLocked(pBody, answer);
    } catch (const db::DbError& e) {
      Refuse(answer, 500, std::string("ErrorSQL: ") + e.what());
    } catch (const std::exception& e) {
      Refuse(answer, 500, std::string("Error: ") + e.what());
    }
    return answer;
  }

  void TExchangeService::HandleLocked(const std::string& pBody, TExchangeAnswer& pAnswer) {
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
    if (plan.kind == TRequestKind::kExport) {
      Export(plan, *token, pAnswer);
    } else {
      mLoader.SetTokenInfo(*token);
      Import(pBody, plan.kind, pAnswer);
    }
  }

  void TExchangeService::Export(const TCommandPlan& pPlan, const TTirTokenOne& pToken,
                                TExchangeAnswer& pAnswer) {
    auto builder = std::make_shared<exporting::TDNJSonBuilder>(mConnection);
    builder->SetRunMode(2);
    builder->SetTokenInfo(pToken);
    builder->SetReqParams(mLoader.mReqParams);
    builder->SetTokenClientValue("");  // an answer passed on must not carry the secret
    builder->ClearAllCMD();
    ApplyExportWords(pPlan, mLoader.mReqParams, *builder);
    builder->RunBuildProcess();
    if (!builder->ErrorText().empty()) {
      Refuse(pAnswer, 500, builder->ErrorText());
      return;
    }
    pAnswer.status = 200;
    pAnswer.body = builder->Text();
    pAnswer.rows = CountAnswerRows(pAnswer.body);
    if (!builder->LastIdDocsList().empty()) pAnswer.delivery = std::move(builder);
  }

  void TExchangeService::Import(const std::string& pBody, TRequestKind pKind,
                                TExchangeAnswer& pAnswer) {
    // The loader reads files; the envelope goes through one that only this process uses.
    const TTempFile file("tirdex-serve");
    std::ofstream stream(file.Path(), std::ios::binary | std::ios::trunc);
    stream.write(pBody.data(), static_cast<std::streamsize>(pBody.size()));
    stream.close();
    if (file.Path().empty() || !stream) {
      Refuse(pAnswer, 500, "Error: cannot write a temporary file for the envelope");
      return;
    }
    const import::TLoadOutcome out =
        import::RunAtomicLoad(mLoader, mConnection, file.Path(), {ImportStep(pKind)}, false, {});
    pAnswer.rows = ReportRows(out.report);
    switch (out.result) {
      case import::TLoadResult::kDone:
        pAnswer.status = 200;
        pAnswer.body = InfoAnswer(200, "OK.", mLoader.GetBaseGUID());
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

  bool TExchangeService::Delivered(TExchangeAnswer& pAnswer, bool pComplete) {
    if (!pAnswer.delivery) return true;
    std::lock_guard lock(mShared.writeLock);
    bool ok = true;
    if (pComplete) {
      try {
        pAnswer.delivery->MarkLastDocsAsSended();
      } catch (const std::exception& e) {
        pAnswer.note = std::string("delivery marks not written: ") + e.what();
        ok = false;
      }
    }
    pAnswer.delivery.reset();
    return ok;
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
