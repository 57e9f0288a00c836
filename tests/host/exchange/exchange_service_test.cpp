// The service without sockets: delivery marks follow the client's receipt of an answer.
#include <gtest/gtest.h>

#include "db/query.h"
#include "export/dn_json_builder.h"
#include "host/demo/demo_base.h"
#include "host/exchange/exchange_host_scope.h"
#include "host/exchange/exchange_service.h"
#include "host/exchange/exchange_tokens.h"
#include "tests/support/temp_base.h"

namespace {

using tir::exchange::TExchangeAnswer;
using tir::test::ScalarInt;

TEST(ExchangeService, DocumentsCountAsDeliveredOnlyWhenTheAnswerArrived) {
  tir::test::TempBase base;
  tir::demo::DemoOptions demo;
  demo.goods = 30;
  demo.docs = 130;
  tir::demo::GenerateDemoBase(base.conn(), demo);
  tir::db::Query reset(base.conn());
  reset.SetSql("UPDATE tirDocuments SET fSyncDate = NULL;");
  reset.ExecSql();
  tir::TTirTokenOne token;
  token.mName = "monitor";
  token.mToken = "t-1";
  token.mActiv = 1;
  tir::exchange::SaveToken(base.conn(), token);
  const tir::exchange::THostScope scope(base.conn());
  tir::exchange::TServiceShared shared;
  tir::exchange::TExchangeService service(base.conn(), shared);
  const std::string request = R"({"request":{"cmd":"getdocstirformat001","token":"t-1"}})";
  const std::string delivered = "SELECT count(*) FROM tirDocuments WHERE fSyncDate > 0;";

  // An answer the client did not receive in full leaves its documents to be sent again.
  TExchangeAnswer lost = service.Handle(request);
  ASSERT_EQ(lost.status, 200) << lost.body;
  EXPECT_EQ(lost.rows, 100);
  ASSERT_TRUE(service.Delivered(lost, false));
  EXPECT_EQ(ScalarInt(base.conn(), delivered), 0);
  TExchangeAnswer again = service.Handle(request);
  EXPECT_EQ(again.body.substr(again.body.find("\"docs\"")),
            lost.body.substr(lost.body.find("\"docs\"")));
  ASSERT_TRUE(service.Delivered(again, true));
  EXPECT_EQ(ScalarInt(base.conn(), delivered), 100);

  TExchangeAnswer rest = service.Handle(request);
  EXPECT_EQ(rest.rows, 30);
  ASSERT_TRUE(service.Delivered(rest, true));
  TExchangeAnswer none = service.Handle(request);
  EXPECT_EQ(none.rows, 0);
  EXPECT_EQ(none.delivery, nullptr);
  EXPECT_EQ(ScalarInt(base.conn(), delivered), 130);
}

}  // namespace
