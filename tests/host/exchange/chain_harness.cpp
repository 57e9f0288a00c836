#include "tests/host/exchange/chain_harness.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iterator>
#include <set>
#include <stdexcept>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "settings/guid_forms.h"
#include "tests/support/temp_base.h"

namespace tir::test {

void InsertSale(const std::string& pBase, const TSale& s) {
  ExecSql(pBase,
          "INSERT INTO tirDocuments (fDocNum, fDateTime, fRealDateTime, fEntityId, fStoreId, "
          "fUserId, fRealUserId, fDesc, fDocType, fDocSum, fCurrId, fCurrRate, fState, fGUID1, "
          "fGUID2) VALUES (" +
              std::to_string(s.num) +
              ", '2025-03-01 10:00:00.000', '2025-03-01 10:00:00.000', (SELECT min(fId) FROM "
              "tirEntities WHERE " +
              s.entity + "), (SELECT min(fId) FROM tirStores WHERE " + s.store +
              "), (SELECT min(fId) FROM tirUsers), (SELECT min(fId) FROM tirUsers), '" + s.desc +
              "', 2, 30, (SELECT min(fId) FROM tirCurrencies), 1, 0, " + s.g1 + ", " + s.g2 + ");");
  ExecSql(pBase,
          "INSERT INTO tirDocGoods (fDocId, fGoodId, fPriceOut, fSum, fQtty, fCurrId, fPosId) "
          "VALUES ((SELECT fId FROM tirDocuments WHERE fGUID1=" +
              s.g1 + " AND fGUID2=" + s.g2 +
              "), (SELECT fId FROM tirGoods WHERE fGUID1 <> 0 ORDER BY fId LIMIT 1 OFFSET " +
              std::to_string(s.good) + "), 10, 30, 3, (SELECT min(fId) FROM tirCurrencies), 1);");
}

std::string RowDiff(const std::string& pExpected, const std::string& pActual) {
  const auto lines = [](const std::string& text) {
    std::multiset<std::string> rows;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
      rows.insert(text.substr(at, end - at));
    return rows;
  };
  const std::multiset<std::string> expected = lines(pExpected), actual = lines(pActual);
  std::vector<std::string> only;
  std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(),
                      std::back_inserter(only));
  for (std::string& row : only) row = "- " + row;
  const std::size_t missing = only.size();
  std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(),
                      std::back_inserter(only));
  for (std::size_t i = missing; i < only.size(); ++i) only[i] = "+ " + only[i];
  std::string text;
  for (std::size_t i = 0; i < only.size() && i < 10; ++i) text += only[i] + "\n";
  if (only.size() > 10) text += "... " + std::to_string(only.size()) + " rows differ\n";
  return text;
}

const std::string& TirdexFile() {
  static const std::string file = TIRDEX_FILE;
  return file;
}

TCheckingProxy::TCheckingProxy() {
  mServer.Post("/", [this](const httplib::Request& req, httplib::Response& res) {
    if (!dropWhen.empty() && req.body.find(dropWhen) != std::string::npos) {
      res.status = 502;
      return;
    }
    httplib::Client client("127.0.0.1", mTarget.load());
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(60, 0);
    auto answer = client.Post("/", req.body, "application/json");
    if (!answer) {
      res.status = 502;
      return;
    }
    Check(req.body, answer->body);
    if (onAnswer) onAnswer(req.body, answer->body);
    res.status = answer->status;
    res.set_content(answer->body, "application/json");
  });
  mPort = mServer.bind_to_any_port("127.0.0.1");
  mThread = std::thread([this] { mServer.listen_after_bind(); });
}

TCheckingProxy::~TCheckingProxy() {
  mServer.stop();
  if (mThread.joinable()) mThread.join();
}

void TCheckingProxy::AddPeer(const std::string& pToken, TPeerScope pScope) {
  std::lock_guard lock(mMutex);
  mPeers[pToken] = std::move(pScope);
}

std::vector<std::string> TCheckingProxy::Violations() {
  std::lock_guard lock(mMutex);
  return mViolations;
}

void TCheckingProxy::Check(const std::string& pRequest, const std::string& pAnswer) {
  rapidjson::Document request, answer;
  request.Parse(pRequest.c_str(), pRequest.size());
  std::string token;
  if (request.IsObject() && request.HasMember("request") && request["request"].IsObject()) {
    const auto& r = request["request"];
    if (r.HasMember("token") && r["token"].IsString()) token = r["token"].GetString();
  }
  std::lock_guard lock(mMutex);
  const auto peer = mPeers.find(token);
  if (peer == mPeers.end()) return;  // not a peer of the chain: nothing it may see is checked
  answer.Parse(pAnswer.c_str(), pAnswer.size());
  if (!answer.IsObject()) return;
  const TPeerScope& scope = peer->second;
  const auto text = [](const rapidjson::Value& doc, const char* key) {
    return doc.HasMember(key) && doc[key].IsString() ? std::string(doc[key].GetString())
                                                     : std::string();
  };
  for (const char* key : {"users", "usersgroupsrights"}) {
    if (!scope.users && answer.HasMember(key))
      mViolations.push_back(token + " received \"" + key + "\"");
  }
  if (!answer.HasMember("docs") || !answer["docs"].IsArray()) return;
  for (const auto& doc : answer["docs"].GetArray()) {
    if (!doc.IsObject()) continue;
    ++mDocsChecked;
    const bool store = scope.storeGuid.empty() || text(doc, "store") == scope.storeGuid ||
                       text(doc, "storeto") == scope.storeGuid;
    const bool entity = scope.entityGuid.empty() || text(doc, "entity") == scope.entityGuid;
    if (!store || !entity)
      mViolations.push_back(token + " received document " + text(doc, "guid") + " of store " +
                            text(doc, "store") + ", entity " + text(doc, "entity"));
  }
}

THeadOffice::THeadOffice(int pGoods, int pDocs) : mBase(TempPath()), mProxy(new TCheckingProxy) {
  std::vector<std::string> args = {"demo-base", mBase, "--goods", std::to_string(pGoods),
                                   "--seed",    "5"};
  if (pDocs >= 0) args.insert(args.end(), {"--docs", std::to_string(pDocs)});
  const TirdexRun demo = RunTirdex(TirdexFile(), args);
  if (demo.rc != 0) throw std::runtime_error("demo-base: " + demo.err);
}

THeadOffice::~THeadOffice() {
  if (mServe.pid > 0) StopTirdex(mServe, SIGTERM, 5);
  mProxy.reset();
  RemoveBaseFiles(mBase);
}

std::string THeadOffice::Url() const {
  return "http://127.0.0.1:" + std::to_string(mProxy->Port()) + "/";
}

void THeadOffice::StartService() {
  mServe = StartTirdex(TirdexFile(), {"serve", mBase, "--listen", "127.0.0.1:0"});
  const std::string sign = "listening on http://127.0.0.1:";
  for (int i = 0; i < 1000; ++i) {
    const std::string out = TirdexStdout(mServe);
    if (const auto at = out.find(sign); at != std::string::npos) {
      mServicePort = std::stoi(out.substr(at + sign.size()));
      mProxy->SetTarget(mServicePort);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("tirdex serve did not start");
}

void THeadOffice::KillService() {
  if (mServe.pid > 0) StopTirdex(mServe, SIGKILL, 5);
  mServe = {};
}

void THeadOffice::AddToken(const std::string& pName, const std::string& pToken,
                           const std::vector<std::string>& pArgs, TPeerScope pScope) {
  std::vector<std::string> args = {"tokens", mBase, "add", pName, "--token", pToken};
  args.insert(args.end(), pArgs.begin(), pArgs.end());
  const TirdexRun run = RunTirdex(TirdexFile(), args);
  if (run.rc != 0) throw std::runtime_error("tokens add: " + run.err);
  mProxy->AddPeer(pToken, std::move(pScope));
}

std::string THeadOffice::Guid(const std::string& pTable, std::int64_t pId) {
  const std::int64_t g1 =
      SqlInt(mBase, "SELECT fGUID1 FROM " + pTable + " WHERE fId=" + std::to_string(pId) + ";");
  const std::int64_t g2 =
      SqlInt(mBase, "SELECT fGUID2 FROM " + pTable + " WHERE fId=" + std::to_string(pId) + ";");
  return gGetGUIDSTR(g1, g2);
}

}  // namespace tir::test
