#include "transport/inet_shop_send.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "json/json_array.h"
#include "json/json_object.h"
#include "settings/json_one_send.h"
#include "tests/export/export_test_support.h"
#include "tests/export/small_base.h"
#include "tests/transport/shop_server.h"
#include "tests/transport/transport_fixture.h"
#include "transport/send_json.h"

namespace tir::transport {
namespace {

std::vector<std::int64_t> Lids(const json::Object& file) {
  std::vector<std::int64_t> lids;
  const json::Array goods = file.GetArray("goods");
  for (std::size_t i = 0; i < goods.Size(); ++i) lids.push_back(goods.GetObject(i).GetInt64("lid"));
  std::sort(lids.begin(), lids.end());
  return lids;
}

double Qtty(const json::Object& file, std::int64_t lid) {
  const json::Array goods = file.GetArray("goods");
  for (std::size_t i = 0; i < goods.Size(); ++i) {
    if (goods.GetObject(i).GetInt64("lid") == lid) return goods.GetObject(i).GetNumber("qtty");
  }
  return -1;
}

class InetShopSendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetServiceLibraryPath(TIR_SERVICE_LIBRARY_FILE);
    std::filesystem::create_directories(temp_);
    ::setenv("TMPDIR", temp_.c_str(), 1);
    test::FillSmallBase(base_.conn());
    base_.conn().ExecScript(R"SQL(
UPDATE tirGoods SET fOShop = 1 WHERE fId IN (1, 2);
INSERT INTO tirAStoreNow (fId, fEntId, fStoreId, fGoodId, fQtty) VALUES
  (1, 1, 1, 1, 2), (2, 1, 2, 1, 5), (3, 2, 1, 1, 7), (4, 1, 1, 2, 1);
INSERT INTO tirAStore (fId, fGoodId, fDateTime) VALUES
  (1, 1, datetime('now', 'localtime', '-1 day')), (2, 2, datetime('now', 'localtime', '-10 days'));
)SQL");
    test::SetUserLists("1", "1");
    profile_.mURL = server_.Url();
    test::StartLogCapture();
  }
  void TearDown() override {
    test::StopLogCapture();
    ::unsetenv("TMPDIR");
    std::filesystem::remove_all(temp_);
  }

  json::Object LastReceived() {
    const auto received = server_.Received();
    if (received.empty()) return json::Object();
    return json::Object::Parse(received.back());
  }

  std::filesystem::path temp_ = std::filesystem::path(test::TempPath("-tmp"));
  test::TransportBase base_;
  test::ShopServer server_;
  TJSONOneSend profile_;
};

TEST_F(InetShopSendTest, UserSendUploadsTheProfilesCatalogAndReportsSuccess) {
  std::string response;
  std::size_t goods = 0;
  EXPECT_EQ(SendJsonToInetShop(profile_, false, response, &goods), 0);
  EXPECT_EQ(goods, 2u);
  EXPECT_EQ(test::CapturedLog(), std::vector<std::string>{"Успешно отправлен."});
  ASSERT_EQ(server_.Received().size(), 1u);
  // A user's send reaches the service library in mode 2, a background send in mode 1.
  EXPECT_EQ(server_.Agents(), std::vector<std::string>{"tirvalosm/1.0 (mode 2)"});
  const json::Object file = LastReceived();
  EXPECT_EQ(test::KeyLine(file), "info goodsgroups recipes goods");
  EXPECT_EQ(file.GetObject("info").GetString("sourceID"), test::kSmallBaseGuid);
  EXPECT_EQ(Lids(file), (std::vector<std::int64_t>{1, 2}));  // only goods of the shop
  EXPECT_DOUBLE_EQ(Qtty(file, 1), 2.0);                      // the user's entity 1 and store 1
  // The catalog's file is gone from the temporary folder once uploaded.
  EXPECT_TRUE(std::filesystem::is_empty(temp_));
  EXPECT_EQ(SendJsonToInetShop(profile_, true), 0);
  EXPECT_EQ(server_.Agents().back(), "tirvalosm/1.0 (mode 1)");
}

TEST_F(InetShopSendTest, ProfileFiltersShapeTheCatalog) {
  profile_.mGoodsGroupsIds = "2";
  EXPECT_EQ(SendJsonToInetShop(profile_, true), 0);
  EXPECT_EQ(Lids(LastReceived()), (std::vector<std::int64_t>{2}));

  profile_.mGoodsGroupsIds = "";
  profile_.mIfLastDayGoods = 1;
  profile_.mPeriodDay = 2;
  EXPECT_EQ(SendJsonToInetShop(profile_, true), 0);
  EXPECT_EQ(Lids(LastReceived()), (std::vector<std::int64_t>{1}));

  profile_.mIfLastDayGoods = 0;
  profile_.mPeriodDay = 5;
  profile_.mEntIds = "-1,1,2,-1";
  profile_.mStoreIds = "-1,2,-1";
  EXPECT_EQ(SendJsonToInetShop(profile_, true), 0);
  EXPECT_EQ(profile_.mPeriodDay, 0);  // no change-date filter without the flag
  EXPECT_EQ(Lids(LastReceived()), (std::vector<std::int64_t>{1, 2}));
  EXPECT_DOUBLE_EQ(Qtty(LastReceived(), 1), 5.0);
  EXPECT_DOUBLE_EQ(Qtty(LastReceived(), 2), 0.0);
  EXPECT_TRUE(test::CapturedLog().empty());  // background sends show nothing
  EXPECT_TRUE(std::filesystem::is_empty(temp_));
}

TEST_F(InetShopSendTest, FailingServerAnswerReachesTheUserWithTheLibraryWordReplaced) {
  server_.Answer(500, "Chilkat error: CHILKAT refused (chilKAT)");
  std::string response;
  EXPECT_NE(SendJsonToInetShop(profile_, false, response), 0);
  EXPECT_NE(response.find("TirR error: TirR refused (TirR)"), std::string::npos) << response;
  ASSERT_EQ(test::CapturedLog().size(), 1u);
  EXPECT_EQ(test::CapturedLog()[0], "Ошибка: " + response);
  EXPECT_EQ(ReplaceLibraryWord("xChilkatChilkaT chilka"), "xTirRTirR chilka");
}

TEST_F(InetShopSendTest, BadListsAndAMissingLibraryFailCleanly) {
  profile_.mStoreIds = "1;DROP TABLE tirGoods";
  EXPECT_THROW(SendJsonToInetShop(profile_, false), std::invalid_argument);
  EXPECT_TRUE(server_.Received().empty());
  EXPECT_TRUE(std::filesystem::is_empty(temp_));

  profile_.mStoreIds = "";
  SetServiceLibraryPath("/nonexistent/libtirvalosm.so");
  std::string response;
  EXPECT_EQ(SendJsonToInetShop(profile_, false, response), -1);
  EXPECT_EQ(response.rfind("Библиотека сервиса недоступна: ", 0), 0u) << response;
  EXPECT_EQ(test::CapturedLog().back(), "Ошибка: " + response);
  SetServiceLibraryPath(TIR_SERVICE_LIBRARY_FILE);
}

}  // namespace
}  // namespace tir::transport
