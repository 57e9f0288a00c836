#include "tests/host/exchange/service_fixture.h"

#include "host/demo/demo_base.h"
#include "host/exchange/exchange_tokens.h"

namespace tir::exchange::test {

Answer::Answer(const TExchangeAnswer& pAnswer) : status(pAnswer.status), body(pAnswer.body) {
  json.Parse(body.c_str());
}

std::set<std::int64_t> Answer::Docs() const {
  std::set<std::int64_t> ids;
  if (const rapidjson::Value* docs = Section("docs")) {
    for (const auto& doc : docs->GetArray()) ids.insert(doc["lid"].GetInt64());
  }
  return ids;
}

const rapidjson::Value* Answer::Section(const char* key) const {
  if (!Has(key)) return nullptr;
  return &json[key];
}

std::string Answer::Batch() const {
  const rapidjson::Value* info = Section("info");
  if (info == nullptr || !info->HasMember("batch")) return "";
  return (*info)["batch"].GetString();
}

std::string Answer::ErrorText() const {
  const rapidjson::Value* info = Section("info");
  return info == nullptr ? "" : (*info)["errorTxt"].GetString();
}

std::string Answer::RequestToken() const {
  const rapidjson::Value* request = Section("request");
  return request == nullptr ? "(none)" : (*request)["token"].GetString();
}

std::string DocsRequest(const std::string& pToken, const std::string& pAck, int pMax) {
  std::string body = R"({"request":{"cmd":"getdocstirformat001","token":")" + pToken + "\"";
  if (!pAck.empty()) body += R"(,"ack":")" + pAck + "\"";
  if (pMax > 0) body += R"(,"docsMaxCountInResp":)" + std::to_string(pMax);
  return body + "}}";
}

void ServiceBase::SetUp() {
  demo::DemoOptions demo;
  demo.goods = 30;
  demo.docs = 130;
  demo::GenerateDemoBase(base_.conn(), demo);
  scope_ = std::make_unique<hostkit::THostScope>(base_.conn());
  service_ = std::make_unique<TExchangeService>(base_.conn(), shared_);
}

void ServiceBase::AddToken(const std::string& pName, const std::string& pValue,
                           const std::string& pStores, const std::string& pEntities,
                           const std::string& pDocTypes, bool pUsers, bool pReadOnly) {
  TTirTokenOne token;
  token.mName = pName;
  token.mToken = pValue;
  token.mActiv = 1;
  token.m1_mStoreIds = pStores;
  token.m1_mEntIds = pEntities;
  token.m1_mDocTypeIds = pDocTypes;
  SaveToken(base_.conn(), token);
  SavePeerRights(base_.conn(), pName, {pUsers, pReadOnly});
}

std::set<std::int64_t> ServiceBase::DrainDocs(const std::string& pToken) {
  return DrainDocs(*service_, pToken);
}

std::set<std::int64_t> ServiceBase::DrainDocs(TExchangeService& pService,
                                              const std::string& pToken) {
  std::set<std::int64_t> ids;
  std::string ack;
  for (int round = 0; round < 50; ++round) {
    const Answer answer(pService.Handle(DocsRequest(pToken, ack, 0)));
    EXPECT_EQ(answer.status, 200) << answer.body;
    if (answer.Batch().empty()) break;
    const std::set<std::int64_t> docs = answer.Docs();
    ids.insert(docs.begin(), docs.end());
    ack = answer.Batch();
  }
  return ids;
}

}  // namespace tir::exchange::test
