#include "export/tir_json_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/date_time.h"
#include "db/db_error.h"
#include "frame/ui_services.h"
#include "json/json_array.h"
#include "json/json_object.h"
#include "tests/export/export_test_support.h"
#include "tests/export/small_base.h"
#include "tests/support/temp_base.h"

namespace tir::exporting {
namespace {

using test::KeyLine;
using test::ScalarInt;
using test::ScalarText;
using test::SmallGuid;

const std::string kZeroGuid = "00000000-0000-0000-0000-000000000000";

double Day(int y, int m, int d, int h = 0, int n = 0) {
  return db::EncodeDateTime({y, m, d, h, n, 0, 0});
}

class TirJsonBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::SetUserLists("", "");
    builder_.SetClock([] { return Day(2024, 3, 6, 12, 0); });
  }
  void TearDown() override { test::StopLogCapture(); }

  db::SqliteConnection& conn() { return base_.conn(); }
  void Exec(const std::string& sql) { conn().ExecScript(sql); }

  test::TempBase base_;
  TTirJSonBuilder builder_{base_.conn()};
};

TEST_F(TirJsonBuilderTest, GroupTreesNestByLevelWithPathsAndChildrenLast) {
  builder_.AddAllGroups("tirGoodsGroups", "goodsgroups");
  EXPECT_EQ(builder_.Json().ToText(false), R"({"goodsgroups":[]})");  // only the root row

  // A > (B > (C two levels below B) , D), E; C's step takes its own level.
  Exec(R"SQL(
UPDATE tirGoodsGroups SET fcr = 12 WHERE fclev = 0;
INSERT INTO tirGoodsGroups (fId, fName, fcl, fcr, fclev, fGUID1) VALUES
  (2, 'A', 2, 9, 1, 2), (3, 'B', 3, 6, 2, 3), (4, 'C', 4, 5, 4, 4), (5, 'D', 7, 8, 2, 5),
  (6, 'E', 10, 11, 1, 6);
)SQL");
  builder_.AddAllGroups("tirGoodsGroups", "goodsgroups");
  const json::Array top = builder_.Json().GetArray("goodsgroups");
  ASSERT_EQ(top.Size(), 2u);
  const json::Object a = top.GetObject(0);
  EXPECT_EQ(KeyLine(a), "name fullpath level lid guid children");
  EXPECT_EQ(a.GetString("guid"), SmallGuid(2));
  const json::Array aChildren = a.GetArray("children");
  ASSERT_EQ(aChildren.Size(), 2u);
  const json::Object b = aChildren.GetObject(0);
  EXPECT_EQ(b.GetString("fullpath"), "\\A\\B");
  const json::Object c = b.GetArray("children").GetObject(0);
  EXPECT_EQ(c.GetString("name"), "C");
  EXPECT_EQ(c.GetInt64("level"), 4);
  EXPECT_EQ(c.GetString("fullpath"), "\\A\\B\\C");
  EXPECT_FALSE(c.Has("children"));
  EXPECT_EQ(aChildren.GetObject(1).GetString("name"), "D");
  EXPECT_FALSE(aChildren.GetObject(1).Has("children"));
  EXPECT_EQ(top.GetObject(1).GetString("fullpath"), "\\E");
  EXPECT_FALSE(top.GetObject(1).Has("children"));

  EXPECT_THROW(builder_.AddAllGroups("tirGoodsGroups t; DROP TABLE tirGoods", "x"),
               std::invalid_argument);
}

TEST_F(TirJsonBuilderTest, BaseGuidIsReadCreatedOnceAndCached) {
  const std::string created = builder_.GetGlobalDB_GUID();
  ASSERT_EQ(created.size(), 38u);
  EXPECT_EQ(created.front(), '{');
  EXPECT_EQ(ScalarText(conn(),
                       "SELECT fPStr50 FROM tirSettings WHERE fUserId=0 AND fMId=450 AND "
                       "fPType=-39"),
            created);
  EXPECT_EQ(ScalarInt(conn(), "SELECT COUNT(*) FROM tirSettings WHERE fMId=450"), 1);

  // A second builder reads the stored row; a second call does not touch the base at all.
  TTirJSonBuilder other(conn());
  EXPECT_EQ(other.GetGlobalDB_GUID(), created);
  Exec("DROP TABLE tirSettings;");
  EXPECT_EQ(other.GetGlobalDB_GUID(), created);
  TTirJSonBuilder fresh(conn());
  EXPECT_THROW(fresh.GetGlobalDB_GUID(), db::DbError);
}

TEST_F(TirJsonBuilderTest, GuidCompletionFillsEveryTableInBatches) {
  Exec(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1700) "
      "INSERT INTO tirGoods (fName) SELECT 'g' || i FROM n;"
      "INSERT INTO tirGoods (fName, fGUID1, fGUID2) VALUES ('kept', 77, 0);"
      "INSERT INTO tirVAT (fName) VALUES ('vat');");
  test::StartLogCapture();
  builder_.GenAllGUIDs();
  EXPECT_EQ(ScalarInt(conn(), "SELECT COUNT(*) FROM tirGoods WHERE fGUID1=0 AND fGUID2=0"), 0);
  EXPECT_EQ(ScalarInt(conn(), "SELECT COUNT(DISTINCT fGUID1 || ':' || fGUID2) FROM tirGoods"),
            1701);
  EXPECT_EQ(ScalarInt(conn(), "SELECT fGUID1 FROM tirGoods WHERE fName='kept'"), 77);
  EXPECT_EQ(ScalarInt(conn(), "SELECT COUNT(*) FROM tirVAT WHERE fGUID1=0 AND fGUID2=0"), 0);
  EXPECT_EQ(ScalarInt(conn(), "SELECT COUNT(*) FROM tirGoodsGroups WHERE fGUID1=0 AND fGUID2=0"),
            0);
  // Batches of 801 and then 800 statements; tirGoods is table 6 of 23.
  EXPECT_EQ(test::CapturedLog(), (std::vector<std::string>{"Подготовка к выгрузке 6/23|  n=801",
                                                           "Подготовка к выгрузке 6/23|  n=1601"}));
}

TEST_F(TirJsonBuilderTest, GoodsObjectsKeepTheirKeyOrderAndFilters) {
  test::FillSmallBase(conn());
  Exec(R"SQL(
UPDATE tirGoods SET fOShop = 1 WHERE fId IN (1, 3);
INSERT INTO tirAStoreNow (fId, fEntId, fStoreId, fGoodId, fQtty) VALUES
  (1, 1, 1, 1, 2.5), (2, 1, 2, 1, 4), (3, 2, 1, 1, 8), (4, 1, 1, 2, 1.23456);
INSERT INTO tirAStore (fId, fGoodId, fDateTime) VALUES
  (1, 2, '2024-03-05 09:00:00.000'), (2, 3, '2024-02-01 09:00:00.000');
)SQL");
  // The goods query has no ORDER BY: rows are looked up by "lid".
  const auto byLid = [&](std::int64_t lid) {
    const json::Array goods = builder_.Json().GetArray("goods");
    for (std::size_t i = 0; i < goods.Size(); ++i) {
      if (goods.GetObject(i).GetInt64("lid") == lid) return goods.GetObject(i);
    }
    return json::Object();
  };
  const auto lids = [&] {
    std::vector<std::int64_t> out;
    const json::Array goods = builder_.Json().GetArray("goods");
    for (std::size_t i = 0; i < goods.Size(); ++i)
      out.push_back(goods.GetObject(i).GetInt64("lid"));
    std::sort(out.begin(), out.end());
    return out;
  };
  builder_.AddAllGoods(0, true, "", 0, false, "", "");
  ASSERT_EQ(lids(), (std::vector<std::int64_t>{1, 2, 3}));
  const std::string expected =
      "guid lid qtty code name namefull desc barcode barcodelist barcode2 barcode3 unit1 unit2 "
      "unit3 coeff2 coeff3 type vat visible group dopprop1 dopprop2 dopprop3 dopprop4 dopprop5 "
      "uktzed pin p1 p2 p3 p4 p5 p6 p7 p8 p9 p10 del min nom vendor plu scs tare piece outw lost";
  for (std::int64_t lid : {1, 2, 3}) EXPECT_EQ(KeyLine(byLid(lid)), expected);
  EXPECT_EQ(KeyLine(builder_.Json()), "goodsgroups recipes goods");
  EXPECT_DOUBLE_EQ(byLid(1).GetNumber("qtty"), 14.5);
  EXPECT_DOUBLE_EQ(byLid(2).GetNumber("qtty"), 1.235);  // rounded to 3 decimals
  EXPECT_EQ(byLid(3).KindOf("qtty"), json::Kind::kNumber);
  EXPECT_EQ(byLid(3).GetNumber("qtty"), 0.0);
  EXPECT_EQ(byLid(1).GetString("vendor"), SmallGuid(769));
  EXPECT_EQ(byLid(2).GetString("vendor"), "");
  EXPECT_EQ(byLid(1).GetString("uktzed"), "2009");

  // Entity and store lists narrow the stock join, not the goods.
  builder_.AddAllGoods(0, true, "", 0, false, "1", "1");
  EXPECT_EQ(lids(), (std::vector<std::int64_t>{1, 2, 3}));
  EXPECT_DOUBLE_EQ(byLid(1).GetNumber("qtty"), 2.5);

  builder_.AddAllGoods(0, false, "2,3", 0, false, "", "");
  EXPECT_EQ(lids(), (std::vector<std::int64_t>{1, 2}));
  builder_.AddAllGoods(0, true, "", 0, true, "", "");
  EXPECT_EQ(lids(), (std::vector<std::int64_t>{1, 3}));
  builder_.AddAllGoods(0, false, "", 2, false, "", "");  // "now" is 2024-03-06 12:00
  EXPECT_EQ(lids(), (std::vector<std::int64_t>{2}));
  builder_.AddAllGoods(1, false, "", 0, false, "", "");
  EXPECT_EQ(lids(), (std::vector<std::int64_t>{1, 2}));
}

TEST_F(TirJsonBuilderTest, LongLoopsGiveTheHostTurns) {
  Exec(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
      "INSERT INTO tirGoods (fName, fGUID1) SELECT 'g' || i, i FROM n WHERE i <= 61;"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
      "INSERT INTO tirPartners (fName, fGUID1) SELECT 'p' || i, i FROM n;"
      "INSERT INTO tirDocuments (fId, fDateTime, fDocType, fGUID1) "
      "VALUES (1, '2024-03-05 10:00:00.000', 1, 1);"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10) "
      "INSERT INTO tirDocGoods (fDocId, fGoodId) SELECT 1, i FROM n;");
  const auto turns = [] { return frame::HeadlessUi().ProcessMessagesCalls(); };
  auto before = turns();
  builder_.AddAllGoods(0, false, "", 0, false, "", "");
  EXPECT_EQ(turns() - before, 2);  // after goods rows 30 and 60
  before = turns();
  builder_.AddAllPartners();
  EXPECT_EQ(turns() - before, 1);  // after the 100th row
  before = turns();
  builder_.AddDoc(1, 0, 0, "", "");
  EXPECT_EQ(turns() - before, 1);  // after the 10th document row
}

TEST_F(TirJsonBuilderTest, BadIdListsAreRefusedBeforeAnythingRuns) {
  test::FillSmallBase(conn());
  Exec("INSERT INTO tirVAT (fName) VALUES ('vat');");
  const std::string bad[] = {"1;DELETE FROM tirGoods", "1,,2", "1 OR 1=1", "a", "1,"};
  for (const std::string& list : bad) {
    EXPECT_THROW(builder_.AddAllGoods(0, true, list, 0, false, "", ""), std::invalid_argument);
    EXPECT_THROW(builder_.AddAllGoods(0, true, "", 0, false, list, ""), std::invalid_argument);
    EXPECT_THROW(builder_.AddDoc(0, 0, 1, "", list), std::invalid_argument);
    EXPECT_THROW(builder_.AddAllStores(list), std::invalid_argument);
    EXPECT_THROW(builder_.AddAllContracts(list), std::invalid_argument);
  }
  EXPECT_EQ(builder_.Json().Size(), 0u);

  test::SetUserLists("1", "2 UNION SELECT 1");
  const test::TempFile file(".json");
  EXPECT_THROW(builder_.SaveToFileOneDoc(1, file, false), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(file.path()));
  EXPECT_EQ(ScalarInt(conn(), "SELECT COUNT(*) FROM tirVAT WHERE fGUID1=0 AND fGUID2=0"), 1);
}

class TirJsonBuilderDocsTest : public TirJsonBuilderTest {
 protected:
  void SetUp() override {
    TirJsonBuilderTest::SetUp();
    test::FillSmallBase(conn());
    Exec(R"SQL(
INSERT INTO tirStores (fId, fName, fGUID1) VALUES (2, 'Склад 2', 1282);
INSERT INTO tirCashAccounts (fId, fName, fGUID1) VALUES (1, 'Каса', 2561);
INSERT INTO tirItemCost (fId, fName, fGUID1) VALUES (1, 'Оренда', 2817);
INSERT INTO tirDocuments (fId, fDocNum, fDateTime, fEntityId, fStoreId, fStoreId2, fDocType,
                          fTagInt, fTagChar50, fCashAccountId, fItemCost, fGUID1) VALUES
  (2, 16, '2024-03-05 11:00:00.000', 1, 1, 0, 2, 4, NULL, 0, 0, 1794),
  (3, 17, '2024-03-05 12:00:00.000', 1, 2, 0, 4, 0, NULL, 1, 1, 1795),
  (4, 18, '2024-03-05 13:00:00.000', 1, 1, 2, 8, 0, NULL, 0, 0, 1796),
  (5, 19, '2024-03-05 14:00:00.000', 1, 2, 0, 13, 9, NULL, 0, 0, 1797),
  (6, 20, '2024-03-07 10:00:00.000', 1, 1, 0, 1, 0, NULL, 0, 0, 1798);
INSERT INTO tirDocGoods (fId, fDocId, fGoodId, fQtty) VALUES (3, 4, 1, 1), (4, 5, 2, 3);
)SQL");
  }

  json::Object Doc(std::size_t i) { return builder_.Json().GetArray("docs").GetObject(i); }
};

TEST_F(TirJsonBuilderDocsTest, DocumentKeysFollowTheirType) {
  builder_.AddDoc(0, Day(2024, 3, 5), Day(2024, 3, 6), "", "");
  const json::Array docs = builder_.Json().GetArray("docs");
  ASSERT_EQ(docs.Size(), 5u);
  const auto keys = [](const std::string& before, const std::string& after) {
    return "guid partner store entity user contract" + before +
           " lid num date desc type sum innum indate treeid state" + after + " docgoods";
  };
  EXPECT_EQ(KeyLine(Doc(0)), keys("", " rrocnum rrodevnum"));
  // A sale without a device number has "rrocnum" only; its missing lines give one empty line.
  EXPECT_EQ(KeyLine(Doc(1)), keys("", " rrocnum"));
  EXPECT_EQ(Doc(1).GetInt64("rrocnum"), 4);
  const json::Array emptyJoin = Doc(1).GetArray("docgoods");
  ASSERT_EQ(emptyJoin.Size(), 1u);
  EXPECT_EQ(emptyJoin.GetObject(0).ToText(false),
            R"({"lposid":0,"guid":")" + kZeroGuid +
                R"(","pin":0.0,"pout":0.0,"disc":0.0,"sum":0.0,"qtty":0.0,"vatsum":0.0,)"
                R"("tindoc":0,"parentid":0,"posdoc":0,"tag1":""})");
  // A money document names its cash account and cost item and keeps no lines.
  EXPECT_EQ(KeyLine(Doc(2)), keys("", " moneyaccid itemcostid"));
  EXPECT_EQ(Doc(2).GetString("moneyaccid"), SmallGuid(2561));
  EXPECT_EQ(Doc(2).GetString("itemcostid"), SmallGuid(2817));
  EXPECT_EQ(Doc(2).GetArray("docgoods").Size(), 0u);
  EXPECT_EQ(KeyLine(Doc(3)), keys(" storeto", ""));
  EXPECT_EQ(Doc(3).GetString("storeto"), SmallGuid(1282));
  EXPECT_EQ(KeyLine(Doc(4)), keys(" prodtype", ""));
  EXPECT_EQ(Doc(4).GetInt64("prodtype"), 9);
  EXPECT_EQ(Doc(4).GetArray("docgoods").GetObject(0).GetString("guid"), SmallGuid(514));
  EXPECT_EQ(Doc(0).GetString("contract"), kZeroGuid);
  EXPECT_EQ(Doc(0).GetString("date"), "20240305102030");
}

TEST_F(TirJsonBuilderDocsTest, OneDocumentWithoutLinesHasNoGoods) {
  const test::TempFile file(".json");
  ASSERT_TRUE(builder_.SaveToFileOneDoc(2, file, false));
  const json::Object saved = json::Object::ParseFile(file);
  EXPECT_EQ(KeyLine(saved), "goodsgroups recipes goods docs info");
  EXPECT_EQ(saved.GetArray("goods").Size(), 0u);
  EXPECT_EQ(saved.GetArray("recipes").Size(), 1u);  // all recipes, whatever the document
  ASSERT_EQ(saved.GetArray("docs").Size(), 1u);
  EXPECT_EQ(saved.GetArray("docs").GetObject(0).GetArray("docgoods").Size(), 1u);
}

TEST_F(TirJsonBuilderDocsTest, StoreFilterKeepsMoneyDocumentsOfAnyStore) {
  builder_.AddDoc(0, Day(2024, 3, 1), Day(2024, 3, 31), "1", "1");
  std::vector<std::int64_t> lids;
  const json::Array docs = builder_.Json().GetArray("docs");
  for (std::size_t i = 0; i < docs.Size(); ++i) lids.push_back(docs.GetObject(i).GetInt64("lid"));
  // 3 is a money document in store 2; 4 moves from store 1 to 2; 5 (store 2, type 13) is dropped.
  EXPECT_EQ(lids, (std::vector<std::int64_t>{1, 2, 3, 4, 6}));

  builder_.AddDoc(0, Day(2024, 3, 1), Day(2024, 3, 31), "2", "");
  EXPECT_EQ(builder_.Json().GetArray("docs").Size(), 0u);
  builder_.AddDoc(5, 0, 0, "", "");
  ASSERT_EQ(builder_.Json().GetArray("docs").Size(), 1u);
  EXPECT_EQ(Doc(0).GetInt64("lid"), 5);
}

TEST_F(TirJsonBuilderTest, CatalogSectionsAndPartnerDates) {
  test::FillSmallBase(conn());
  Exec(R"SQL(
UPDATE tirPartners SET fDate = '1899-12-30 00:00:00.000', fDate1 = '2023-01-02 03:04:05.000',
  fDate2 = NULL, fTel = '0501', fEDRPOU = '123', fNDSN = '999', fState = 2 WHERE fId = 1;
INSERT INTO tirPartners (fId, fName, fDate, fGUID1) VALUES (2, 'Близько нуля', '1899-12-31 00:00:00.000', 770);
INSERT INTO tirEntities (fId, fName, fGUID1) VALUES (2, 'Інша', 1026);
INSERT INTO tirCashAccounts (fId, fName, fEntitiId, fDefault, fType, fGUID1) VALUES
  (1, 'Каса', 1, 1, 2, 2561), (2, 'Чужа', 2, 0, 0, 2562);
INSERT INTO tirUsers (fId, fName, fPassword, fCardNumber, fState, fGUID1) VALUES
  (2, 'Адмін', 'secret', '0042', 1, 1538);
INSERT INTO tirVAT (fId, fCode, fName, fVAT, fVATA, fGUID1) VALUES (1, 'A', 'ПДВ', 20, 0, 2049);
)SQL");
  builder_.AddAllPartners();
  const json::Array partners = builder_.Json().GetArray("partners");
  ASSERT_EQ(partners.Size(), 2u);
  const json::Object p = partners.GetObject(0);
  EXPECT_EQ(KeyLine(p),
            "guid lid code name namefull type card tel1 tel2 tel3 adr1 adr2 adr3 date1 date2 date3 "
            "edrpou inn nnds group");
  EXPECT_EQ(p.GetString("date1"), "");
  EXPECT_EQ(p.GetString("date2"), "20230102030405");
  EXPECT_EQ(p.GetString("date3"), "");
  EXPECT_EQ(p.GetString("nnds"), "");
  EXPECT_EQ(p.GetString("tel1"), "0501");
  EXPECT_EQ(p.GetInt64("type"), 2);
  EXPECT_EQ(partners.GetObject(1).GetString("date1"), "");  // one day after the zero date

  builder_.AddAllCashAccounts("1");
  const json::Array accounts = builder_.Json().GetArray("moneyaccounts");
  ASSERT_EQ(accounts.Size(), 1u);
  EXPECT_EQ(accounts.GetObject(0).ToText(false),
            R"({"guid":")" + SmallGuid(2561) +
                R"(","lid":1,"desc":"","name":"Каса","info":"","default":1,"type":2,"curr":")" +
                kZeroGuid + R"(","entity":")" + SmallGuid(1025) + R"("})");

  builder_.AddAllUsers();
  const std::string users = builder_.Json().GetArray("users").ToText(false);
  EXPECT_EQ(users.find("secret"), std::string::npos);
  EXPECT_NE(users.find(R"("card":"0042")"), std::string::npos);

  builder_.AddAllVAT();
  EXPECT_EQ(builder_.Json().GetArray("vats").GetObject(0).ToText(false),
            R"({"guid":")" + SmallGuid(2049) +
                R"(","lid":1,"code":"A","name":"ПДВ","vat":20.0,"vat_a":0.0,"group":")" +
                kZeroGuid + R"("})");
  builder_.AddAllEntities("2");
  ASSERT_EQ(builder_.Json().GetArray("entities").Size(), 1u);
  EXPECT_EQ(builder_.Json().GetArray("entities").GetObject(0).GetString("name"), "Інша");
}

TEST_F(TirJsonBuilderTest, CatalogKeyOrdersAndTheirJoinedGuids) {
  test::FillSmallBase(conn());
  Exec(R"SQL(
INSERT INTO tirCurrencies (fId, fCode, fName, fCurr, fGUID1) VALUES (1, 'EUR', 'Євро', 41.5, 3073);
INSERT INTO tirContracts (fId, fName, fEntitiId, fPartnerId, fCurrId, fPriceId, fDefault, fType,
                          fGUID1) VALUES (1, 'Договір', 1, 1, 1, 2, 1, 3, 3329);
INSERT INTO tirItemCost (fId, fName, fGUID1) VALUES (1, 'Оренда', 2817);
INSERT INTO tirTables (fId, fName, fGUID1) VALUES (1, 'Стіл 1', 3585);
UPDATE tirStores SET fPriceId = 4;
)SQL");
  builder_.AddAllEntities("");
  builder_.AddAllCurrencies();
  builder_.AddAllContracts("");
  builder_.AddAllItemCost();
  builder_.AddAllTables();
  builder_.AddAllStores("");
  const std::pair<const char*, const char*> sections[] = {
      {"entities",
       "guid lid code name namefull edrpou inn nnds tel1 tel2 tel3 adr1 adr2 adr3 visible group"},
      {"currencies", "guid lid code name namefull visible rate group"},
      {"contracts", "guid lid name pricetype default type partner curr entity"},
      {"itemscost", "guid lid code name group"},
      {"tables", "guid lid code name namefull group"},
      {"stores", "guid lid code name namefull pricetype group"}};
  for (const auto& [key, keys] : sections) {
    const json::Array rows = builder_.Json().GetArray(key);
    ASSERT_EQ(rows.Size(), 1u) << key;
    EXPECT_EQ(KeyLine(rows.GetObject(0)), keys) << key;
  }
  EXPECT_EQ(KeyLine(builder_.Json()),
            "entitiesgroups entities currenciesgroups currencies contracts itemscostgroups "
            "itemscost tablesgroups tables storesgroups stores");
  const json::Object contract = builder_.Json().GetArray("contracts").GetObject(0);
  EXPECT_EQ(contract.GetString("partner"), SmallGuid(769));
  EXPECT_EQ(contract.GetString("curr"), SmallGuid(3073));
  EXPECT_EQ(contract.GetString("entity"), SmallGuid(1025));
  EXPECT_EQ(contract.GetInt64("pricetype"), 2);
  EXPECT_EQ(contract.GetInt64("type"), 3);
  EXPECT_EQ(builder_.Json().GetArray("currencies").GetObject(0).GetNumber("rate"), 41.5);
  EXPECT_EQ(builder_.Json().GetArray("stores").GetObject(0).GetInt64("pricetype"), 4);
}

TEST_F(TirJsonBuilderTest, TwoRecipesSplitWhereTheDishChanges) {
  test::FillSmallBase(conn());
  // A second dish (good 1) whose component row lies between the rows of dish 3.
  Exec(R"SQL(
DELETE FROM tirRecipes;
INSERT INTO tirRecipes (fId, fGoodId, fCompId, fCount, fCountOut) VALUES
  (1, 3, 1, 0.2, 0.18), (2, 1, 2, 0.1, 0.09), (3, 3, 2, 0.5, 0.5);
)SQL");
  builder_.AddAllRecipes();
  const json::Array recipes = builder_.Json().GetArray("recipes");
  ASSERT_EQ(recipes.Size(), 2u);
  const json::Object first = recipes.GetObject(0);
  EXPECT_EQ(KeyLine(first), "guid lid qttyout components");
  EXPECT_EQ(first.GetInt64("lid"), 1);
  EXPECT_EQ(first.GetString("guid"), SmallGuid(513));
  ASSERT_EQ(first.GetArray("components").Size(), 1u);
  EXPECT_EQ(first.GetArray("components").GetObject(0).ToText(false),
            R"({"lid":2,"guid":")" + SmallGuid(514) + R"(","qtty":0.1,"qttynetto":0.09})");
  const json::Object second = recipes.GetObject(1);
  EXPECT_EQ(second.GetInt64("lid"), 3);
  EXPECT_EQ(second.GetNumber("qttyout"), 0.45);
  const json::Array parts = second.GetArray("components");
  ASSERT_EQ(parts.Size(), 2u);
  std::set<std::int64_t> lids{parts.GetObject(0).GetInt64("lid"),
                              parts.GetObject(1).GetInt64("lid")};
  EXPECT_EQ(lids, (std::set<std::int64_t>{1, 2}));
}

TEST_F(TirJsonBuilderTest, OneDocumentExportMatchesTheExpectedFile) {
  test::FillSmallBase(conn());
  test::SetUserLists("1", "-1,1,-1");
  const std::string file = test::TempPath(".json");
  ASSERT_TRUE(builder_.SaveToFileOneDoc(1, file, false));
  EXPECT_EQ(test::ReadFile(file),
            test::ReadFile(std::string(TIR_EXPORT_TEST_DATA) + "/one_doc_sale.json"));
  // Rows without a GUID got one on the way (the group roots here).
  EXPECT_EQ(ScalarInt(conn(), "SELECT COUNT(*) FROM tirGoodsGroups WHERE fGUID1=0 AND fGUID2=0"),
            0);

  EXPECT_FALSE(builder_.SaveToFile("/nonexistent-dir/x.json", false));
}

TEST_F(TirJsonBuilderTest, DatabaseErrorsReachTheCallerAndNoFileIsWritten) {
  test::FillSmallBase(conn());
  Exec("DROP TABLE tirRecipes;");
  const test::TempFile file(".json");
  EXPECT_THROW(builder_.SaveToFileOneDoc(1, file, false), db::DbError);
  EXPECT_FALSE(std::filesystem::exists(file.path()));
}

}  // namespace
}  // namespace tir::exporting
