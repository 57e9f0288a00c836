#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "host/exchange/exchange_service.h"
#include "host/kit/host_scope.h"
#include "tests/support/temp_base.h"

namespace tir::exchange::test {

// An answer of the service, parsed.
class Answer {
 public:
  explicit Answer(const TExchangeAnswer& pAnswer);
  int status;
  std::string body;
  // The "lid" (document id) of every document the answer carries.
  std::set<std::int64_t> Docs() const;
  std::string Batch() const;  // "info"."batch", empty when absent
  std::string ErrorText() const;
  std::string RequestToken() const;  // "request"."token"
  bool Has(const char* key) const { return json.IsObject() && json.HasMember(key); }
  const rapidjson::Value* Section(const char* key) const;

 private:
  rapidjson::Document json;
};

// A getdocstirformat001 request; pAck acknowledges a batch, pMax > 0 asks for at most that many.
std::string DocsRequest(const std::string& pToken, const std::string& pAck, int pMax);

// A demo base with 130 documents and a service on it.
class ServiceBase : public ::testing::Test {
 protected:
  void SetUp() override;
  db::SqliteConnection& conn() { return base_.conn(); }
  TExchangeService& service() { return *service_; }
  TServiceShared& shared() { return shared_; }
  const std::string& path() const { return base_.path(); }
  // Adds an active token profile with the given scope lists and rights.
  void AddToken(const std::string& pName, const std::string& pValue,
                const std::string& pStores = "", const std::string& pEntities = "",
                const std::string& pDocTypes = "", bool pUsers = false, bool pReadOnly = false);
  // Asks for documents, acknowledging each batch, until none are left; the ids received.
  std::set<std::int64_t> DrainDocs(const std::string& pToken);
  static std::set<std::int64_t> DrainDocs(TExchangeService& pService, const std::string& pToken);

 private:
  tir::test::TempBase base_;
  std::unique_ptr<hostkit::THostScope> scope_;
  TServiceShared shared_;
  std::unique_ptr<TExchangeService> service_;
};

}  // namespace tir::exchange::test
