// What a peer may write through the service: documents of its own scope only, never a rewrite of
// another store's document, nothing at all when it is read-only; a refusal writes nothing.
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <string>

#include "tests/host/exchange/service_fixture.h"

namespace {

using tir::exchange::test::Answer;
using tir::exchange::test::ServiceBase;
using tir::test::ScalarInt;
using tir::test::ScalarText;

class ExchangeWriteScope : public ServiceBase {
 protected:
  void SetUp() override {
    ServiceBase::SetUp();
    AddToken("shop1", "shop1-token-0001", "1", "1", "1");
    AddToken("office", "office-token-001", "", "", "", true);
    AddToken("viewer", "viewer-token-001", "", "", "", false, true);
    docs_.Parse(Answer(service().Handle(
                           R"({"request":{"cmd":"getdocsperiod","token":"office-token-001"}})"))
                    .body.c_str());
    ASSERT_TRUE(docs_.HasMember("docs"));
  }
  // A document of the office's answer that lies (or does not lie) in store 1, entity 1, type 1.
  rapidjson::Value& Doc(bool inScope) {
    for (auto& doc : docs_["docs"].GetArray()) {
      const std::int64_t id = doc["lid"].GetInt64();
      const bool mine =
          ScalarInt(conn(), "SELECT count(*) FROM tirDocuments WHERE fId=" + std::to_string(id) +
                                " AND fStoreId=1 AND fEntityId=1 AND fDocType=1") == 1;
      const bool lines = doc["docgoods"].Size() > 0;
      if (mine == inScope && lines) return doc;
    }
    ADD_FAILURE() << "no such document in the sample base";
    return docs_["docs"][0];
  }
  // An envelope of copies of the given documents, changed by `edit`, sent with `token`.
  std::string Envelope(const std::string& cmd, const std::string& token,
                       std::initializer_list<const rapidjson::Value*> docs,
                       const std::function<void(rapidjson::Value&, rapidjson::Document&)>& edit) {
    rapidjson::Document out(rapidjson::kObjectType);
    auto& a = out.GetAllocator();
    rapidjson::Value request(rapidjson::kObjectType), list(rapidjson::kArrayType);
    request.AddMember("cmd", rapidjson::Value(cmd.c_str(), a), a);
    request.AddMember("token", rapidjson::Value(token.c_str(), a), a);
    for (const rapidjson::Value* doc : docs) {
      rapidjson::Value copy(*doc, a);
      edit(copy, out);
      list.PushBack(copy, a);
    }
    out.AddMember("request", request, a);
    out.AddMember("docs", list, a);
    rapidjson::StringBuffer text;
    rapidjson::Writer<rapidjson::StringBuffer> w(text);
    out.Accept(w);
    return text.GetString();
  }
  // Everything a refused envelope must leave as it was.
  std::string State() {
    return ScalarText(conn(),
                      "SELECT (SELECT count(*) FROM tirDocuments) || '/' || (SELECT count(*) FROM "
                      "tirDocGoods) || '/' || (SELECT round(sum(fDocSum), 2) FROM tirDocuments) || "
                      "'/' || (SELECT max(fStamp) FROM tirxDocStamps) || '/' || (SELECT count(*) "
                      "FROM tirxPeerDocs)");
  }
  rapidjson::Document docs_;
};

void NewGuid(rapidjson::Value& doc, rapidjson::Document& out, const char* guid) {
  doc["guid"].SetString(guid, out.GetAllocator());
}

TEST_F(ExchangeWriteScope, DocumentsOutsideTheScopeAreRefusedWithTheirGuidAndNothingIsWritten) {
  const rapidjson::Value& mine = Doc(true);
  const rapidjson::Value& other = Doc(false);
  const std::string otherGuid = other["guid"].GetString();
  const std::string before = State();
  const struct {
    const char* what;
    std::string body;
    std::string guid;
  } cases[] = {
      // A new document of another store (its own first document lies in the scope).
      {"new",
       Envelope("docstirformat001", "shop1-token-0001", {&mine, &other},
                [n = 0](rapidjson::Value& d, rapidjson::Document& o) mutable {
                  NewGuid(d, o,
                          ++n == 1 ? "11111111-2222-3333-4444-555555555555"
                                   : "66666666-2222-3333-4444-555555555555");
                }),
       "66666666-2222-3333-4444-555555555555"},
      // Another store's document, sent as if it were of store 1 to rewrite its sum.
      {"rewrite",
       Envelope("docstirformat001", "shop1-token-0001", {&other},
                [&](rapidjson::Value& d, rapidjson::Document& o) {
                  d["store"].SetString(mine["store"].GetString(), o.GetAllocator());
                  d["entity"].SetString(mine["entity"].GetString(), o.GetAllocator());
                  d["type"].SetInt(1);
                  d["sum"].SetDouble(0.01);
                }),
       otherGuid},
      // The same through a mobile order, whose store comes from the token.
      {"mobile",
       Envelope("mobileagentorders", "shop1-token-0001", {&other},
                [](rapidjson::Value& d, rapidjson::Document&) { d["type"].SetInt(1); }),
       otherGuid},
      // A read-only peer writes nothing, whatever the scope.
      {"read-only",
       Envelope("docstirformat001", "viewer-token-001", {&mine},
                [](rapidjson::Value& d, rapidjson::Document& o) {
                  NewGuid(d, o, "77777777-2222-3333-4444-555555555555");
                }),
       ""},
  };
  for (const auto& c : cases) {
    const Answer refused(service().Handle(c.body));
    EXPECT_EQ(refused.status, 403) << c.what << ": " << refused.body;
    EXPECT_NE(refused.ErrorText().find(c.guid), std::string::npos)
        << c.what << ": " << refused.body;
    EXPECT_EQ(State(), before) << c.what;
  }
}

TEST_F(ExchangeWriteScope, APeersOwnDocumentIsWrittenAndDoesNotComeBackToIt) {
  const rapidjson::Value& mine = Doc(true);
  ASSERT_EQ(DrainDocs("shop1-token-0001").size() > 0, true);
  const std::string body = Envelope("docstirformat001", "shop1-token-0001", {&mine},
                                    [](rapidjson::Value& d, rapidjson::Document& o) {
                                      NewGuid(d, o, "88888888-2222-3333-4444-555555555555");
                                    });
  const Answer written(service().Handle(body));
  ASSERT_EQ(written.status, 200) << written.body;
  const std::int64_t id = ScalarInt(conn(), "SELECT max(fId) FROM tirDocuments");
  EXPECT_TRUE(DrainDocs("shop1-token-0001").empty());
  EXPECT_EQ(DrainDocs("office-token-001").count(id), 1u);
}

}  // namespace
