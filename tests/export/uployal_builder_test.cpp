// The loyalty feeds on the small hand-built base and on a sample base: categories with loyalty
// off, products and sale-point prices by page, the last upload time and the settings record.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <algorithm>
#include <functional>

#include "db/date_time.h"
#include "export/uployal_builder.h"
#include "export/uployal_ini_file_data.h"
#include "host/demo/demo_base.h"
#include "settings/settings_folders.h"
#include "tests/export/export_test_support.h"
#include "tests/export/small_base.h"
#include "tests/settings/settings_env.h"
#include "tests/support/temp_base.h"

namespace tir::test {
namespace {

class UployalTest : public ::testing::Test {
 protected:
  UployalTest() { FillSmallBase(base.conn()); }
  // The array of the last build; an error fails the test.
  rapidjson::Document Page() {
    EXPECT_EQ(builder.ErrorText(), "");
    rapidjson::Document doc;
    doc.Parse(builder.Text().c_str());
    EXPECT_TRUE(doc.IsArray()) << builder.Text();
    return doc;
  }
  static std::string Percent(const rapidjson::Value& row) {
    return row["percent"].IsNull() ? "null" : std::to_string(row["percent"].GetInt());
  }

  TempBase base;
  exporting::TDNJSUployalBuilder builder{base.conn()};
};

TEST_F(UployalTest, CategoriesAreFlatWithParentsAndLoyaltyOffInherited) {
  builder.RunBuildUployalCategories("");
  rapidjson::Document doc = Page();
  ASSERT_EQ(doc.Size(), 3u);  // the root is not a category
  EXPECT_STREQ(doc[1]["name"].GetString(), "Соки");
  EXPECT_STREQ(doc[1]["parent_category_id"].GetString(), doc[0]["category_id"].GetString());
  EXPECT_STREQ(doc[2]["parent_category_id"].GetString(), "");  // Їжа, back at the top
  for (const auto& row : doc.GetArray()) EXPECT_EQ(Percent(row), "null");

  builder.RunBuildUployalCategories("(2)");  // Напої, and so its subgroup Соки
  doc = Page();
  EXPECT_EQ(Percent(doc[0]) + Percent(doc[1]) + Percent(doc[2]), "00null");

  builder.RunBuildUployalCategories("(2);DELETE FROM tirGoods");
  EXPECT_NE(builder.ErrorText().find("Error: Invalid group id list"), std::string::npos);
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirGoods"), 3);
}

TEST_F(UployalTest, ProductsTakeTheHighestPriceAndPageByPosition) {
  base.conn().ExecScript(
      "INSERT INTO tirPrices (fPriceId, fGoodId, fPrice) VALUES (1, 1, 32.5), (2, 1, 40.125),"
      " (2, 2, 15);");
  builder.RunBuildUployalGoods(0, 2);
  rapidjson::Document doc = Page();
  ASSERT_EQ(doc.Size(), 2u);
  EXPECT_STREQ(doc[0]["price"].GetString(), "40.13");
  EXPECT_STREQ(doc[0]["product_id"].GetString(), SmallGuid(513).c_str());
  EXPECT_STREQ(doc[0]["category_id"].GetString(), SmallGuid(259).c_str());
  base.conn().ExecScript("UPDATE tirGoods SET fGroupID=0 WHERE fId=3;");
  builder.RunBuildUployalGoods(2, 2);
  doc = Page();
  ASSERT_EQ(doc.Size(), 1u);
  EXPECT_STREQ(doc[0]["price"].GetString(), "0.00");                      // Піца has no price
  EXPECT_STREQ(doc[0]["category_id"].GetString(), SmallGuid(0).c_str());  // nor a group
  builder.RunBuildUployalGoods(3, 10);
  EXPECT_EQ(builder.Text(), "[]");
  builder.RunBuildUployalGoods(0, 0);
  EXPECT_FALSE(builder.ErrorText().empty());
}

TEST_F(UployalTest, SalePointPricesComeFromTheNthLoyaltySalePoint) {
  base.conn().ExecScript(
      "INSERT INTO tirSalePoints (fId, fBitParams, fPriceId2, fGUID1) VALUES (1, 2, 2, 1),"
      " (2, 3, 2, 2), (3, 1, 7, 3);"
      "INSERT INTO tirPrices (fPriceId, fGoodId, fPrice) VALUES (2, 2, 15), (2, 1, 31), (1, 3, "
      "9), (2, 99, 4);");
  builder.RunBuildUployalGoodsExternal_id(0, 10, 1);  // sale point 2: the first with bit 1
  rapidjson::Document doc = Page();
  ASSERT_EQ(doc.Size(), 3u);
  // The price of good 99, which the base does not have, comes first with the zero pair's GUID.
  EXPECT_STREQ(doc[0]["external_id"].GetString(), SmallGuid(0).c_str());
  EXPECT_STREQ(doc[0]["price"].GetString(), "4.00");
  EXPECT_STREQ(doc[1]["external_id"].GetString(), SmallGuid(513).c_str());
  EXPECT_STREQ(doc[1]["spot_id"].GetString(), SmallGuid(2).c_str());
  EXPECT_STREQ(doc[2]["price"].GetString(), "15.00");
  // Pages of one row are never short while rows follow.
  for (int pos = 0; pos < 3; ++pos) {
    builder.RunBuildUployalGoodsExternal_id(pos, 1, 1);
    EXPECT_EQ(Page().Size(), 1u) << pos;
  }
  builder.RunBuildUployalGoodsExternal_id(0, 10, 2);  // its price list is empty: one row
  doc = Page();
  ASSERT_EQ(doc.Size(), 1u);
  EXPECT_STREQ(doc[0]["product_uid"].GetString(), SmallGuid(0).c_str());
  builder.RunBuildUployalGoodsExternal_id(0, 10, 3);  // out of range: empty, no error
  EXPECT_EQ(Page().Size(), 0u);
}

TEST_F(UployalTest, LastUploadTimeIsStoredOnce) {
  EXPECT_EQ(builder.GetLastUployalTime(), 0);
  const double first = db::EncodeDateTime({2024, 3, 6, 12, 0, 0, 0});
  builder.SetLastUployalTime(first);
  builder.SetLastUployalTime(first + 1);
  EXPECT_NEAR(builder.GetLastUployalTime(), first + 1, 1e-6);
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirSettings WHERE fPType = -47"), 1);
}

TEST_F(UployalTest, CarriedSectionsLeaveOutTheMainOnlyMembersAndTheMainCache) {
  base.conn().ExecScript(
      "INSERT INTO tirVAT (fId, fName, fVAT, fVATA, fGUID1) VALUES (1, 'A', 20, 0, 9);"
      "UPDATE tirSettings SET fPI = 4711 WHERE fMId = 0 AND fPType = -30;");
  builder.SetAddGoodsFull();
  builder.SetAddAllCatalogs();
  builder.RunBuildProcess();  // run mode 1, where the main builder caches its goods
  ASSERT_EQ(builder.ErrorText(), "");
  const std::string text = builder.Text();
  EXPECT_NE(text.find("\"namefull\""), std::string::npos);
  for (const char* key :
       {"\"import\"", "\"markup\"", "\"divlist\"", "\"vat_a\"", "\"onlyishop\""}) {
    EXPECT_EQ(text.find(key), std::string::npos) << key;
  }
  exporting::TDNJSonBuilder main(base.conn());
  main.SetAddGoodsFull();
  main.RunBuildProcess();
  EXPECT_NE(main.Text().find("\"onlyishop\""), std::string::npos);

  // The loyalty forms of the goods filters: goods moved in the last days, of the shop.
  base.conn().ExecScript(
      "UPDATE tirGoods SET fOShop = 1;"
      "INSERT INTO tirAStore (fGoodId, fDateTime) VALUES (2, datetime('now', '-1 day'));");
  exporting::TJsonText out;
  exporting::TJsonOut pairs(out);
  pairs.StartObject();
  builder.AddGoodsFull(pairs, 0, false, "2,3", 3, true, "", "", 0);
  const std::string goods = out.Substr(0, out.Size());
  EXPECT_NE(goods.find(SmallGuid(514)), std::string::npos);
  EXPECT_EQ(goods.find(SmallGuid(513)), std::string::npos);  // not moved lately
}

TEST(UployalSettings, RecordRoundTripsWithCredentialsScrambled) {
  SettingsEnv env;
  const exporting::TUployalINIFileData data{true, "https://loyal.example", "id-7", "key-secret",
                                            "12,15"};
  ASSERT_TRUE(exporting::WriteTUployalINIFileData(data));
  const exporting::TUployalINIFileData read = exporting::ReadTUployalINIFileData();
  EXPECT_EQ(std::to_string(read.fActive) + read.fHost + read.fhawkId + read.fhawkKey + read.fGGIds,
            "1https://loyal.example"
            "id-7"
            "key-secret"
            "12,15");
  EXPECT_EQ(ReadFile(GetSpecialSettingsPath()).find("key-secret"), std::string::npos);
}

// Every page of a feed is an array; the pages joined equal one page holding everything.
TEST(UployalPages, PagesOfASampleBaseJoinIntoTheWholeFeed) {
  TempBase base;
  demo::GenerateDemoBase(base.conn(), demo::DemoOptions{120, 0, 1, {}});
  exporting::TDNJSUployalBuilder builder(base.conn());
  const auto join = [&](const std::function<void(std::int64_t, std::int64_t)>& build,
                        std::int64_t count) {
    build(0, 100000);
    rapidjson::Document whole;
    whole.Parse(builder.Text().c_str());
    ASSERT_TRUE(whole.IsArray() && whole.Size() > 0);
    rapidjson::Document all(rapidjson::kArrayType);
    for (std::int64_t pos = 0; pos <= std::int64_t{whole.Size()}; pos += count) {
      build(pos, count);
      rapidjson::Document page(&all.GetAllocator());
      page.Parse(builder.Text().c_str());
      EXPECT_TRUE(page.IsArray() && builder.ErrorText().empty()) << builder.Text();
      if (!page.IsArray() || page.Empty()) break;
      for (auto& row : page.GetArray()) all.PushBack(row, all.GetAllocator());
    }
    EXPECT_TRUE(all == whole);
  };
  join([&](std::int64_t pos, std::int64_t n) { builder.RunBuildUployalGoods(pos, n); }, 7);
  for (int point = 1; point <= 2; ++point) {
    join([&](std::int64_t pos,
             std::int64_t n) { builder.RunBuildUployalGoodsExternal_id(pos, n, point); },
         11);
  }
  builder.RunBuildUployalCategories("(2),(5)");  // not paged: one array of every group
  const auto groups = ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirGoodsGroups WHERE fclev > 0");
  const std::string categories = builder.Text();
  EXPECT_EQ(std::count(categories.begin(), categories.end(), '{'), groups);
}

}  // namespace
}  // namespace tir::test
