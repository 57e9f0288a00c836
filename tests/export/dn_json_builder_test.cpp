// The main export builder on the small hand-built base: the envelope, goods, documents and
// catalog sections, their edge cases and the whole text of a run.
#include <gtest/gtest.h>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "db/date_time.h"
#include "settings/base64.h"
#include "settings/scramble.h"
#include "tests/export/export_test_support.h"
#include "tests/export/main_export_fixture.h"

namespace tir::test {
namespace {

using exporting::TReqParams;

// The users' scrambled members carry a random prefix: each is checked to unscramble to 11 letters
// A-T and is replaced by the rest, written as the builder writes strings.
std::string WithScrambledMembersPlain(const std::string& text) {
  static const std::regex kScrambled(R"re("(\w+02)":"([A-Za-z0-9+/=]+)")re");
  std::string out;
  auto last = text.cbegin();
  for (std::sregex_iterator it(text.begin(), text.end(), kScrambled), end; it != end; ++it) {
    const std::string plain = gDecodeStr((*it)[2].str());
    EXPECT_GE(plain.find_first_not_of("ABCDEFGHIJKLMNOPQRST"), 11u) << (*it)[1];
    rapidjson::StringBuffer value;
    rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF8<>, rapidjson::ASCII<>> writer(value);
    writer.String(plain.substr(std::min<std::size_t>(plain.size(), 11)).c_str());
    out.append(last, (*it)[0].first)
        .append("\"" + (*it)[1].str() + "\":")
        .append(value.GetString());
    last = (*it)[0].second;
  }
  return out.append(last, text.cend());
}

TEST_F(MainExportTest, SmallBaseTextEqualsTheHandWrittenFile) {
  Exec(
      "UPDATE tirGoods SET fColor = 255, fBarCodeList = ';4820000000024;' WHERE fId = 1;"
      "INSERT INTO tirPrices (fPriceId, fGoodId, fPrice) VALUES (2, 1, 31), (1, 1, 32.5);"
      "INSERT INTO tirContracts (fId, fName, fPartnerId, fEntitiId, fPriceId, fDefault, fGUID1)"
      "  VALUES (1, 'Д1', 1, 1, 2, 1, 1793);"
      "UPDATE tirDocuments SET fTreeId = '1', fPRROFN = '4000123' WHERE fId = 1;"
      "UPDATE tirUsers SET fNamePrint = 'Касир Оля', fState = 1, fCardNumber = 'C7',"
      "  fPassword = 'p1', fPassword2 = 'p2' WHERE fId = 1;"
      "INSERT INTO tirUsersRG (fId, fName, fState, fBase) VALUES (1, 'Адміни', 1, 0);"
      "INSERT INTO tirSettings (fUserId, fMId, fPType, fPB, fPI, fPStr) VALUES"
      "  (1, 3, -42, 1, 2, NULL), (1, 7, -26, 5, 3, NULL), (1, 50, 10250, 0, 0, '1'),"
      "  (1, 50, 10260, 0, 0, '1'), (1, 50, 10270, 0, 0, '3,4');");
  // The goods-changed counter as a base that has not counted yet; GUIDs first, as they count.
  builder.GenAllGUIDs();
  Exec("UPDATE tirSettings SET fPI = 0 WHERE fMId = 0 AND fPType = -30;");
  builder.SetAddGoodsFull();
  builder.SetAddPartnersAndContract("");
  builder.SetAddAllCatalogs();
  builder.SetAddDocsPeriod(db::EncodeDateTime({2024, 3, 1}), db::EncodeDateTime({2024, 3, 31}));
  Run();
  const TempFile file(".json");
  ASSERT_TRUE(builder.SaveToFile(file));
  const std::string written = ReadFile(file);
  // The expected file is written by hand from the key tables, not taken from a run.
  EXPECT_EQ(WithScrambledMembersPlain(written),
            ReadFile(std::string(TIR_EXPORT_TEST_DATA) + "/main_export_small.json"));
}

TEST_F(MainExportTest, EnvelopeWithoutCommandsCompletesNoGuids) {
  Exec("INSERT INTO tirStores (fId, fName) VALUES (9, 'Без GUID');");
  builder.SetRunMode(kRunRequest);
  builder.SetTokenClientValue("{TOKEN}");
  Run();
  EXPECT_EQ(Keys(doc), (std::vector<std::string>{"request", "info"}));
  EXPECT_EQ(Keys(doc["request"]),
            (std::vector<std::string>{"ver", "sourceID", "cmd", "sync", "token", "date"}));
  EXPECT_STREQ(doc["request"]["token"].GetString(), "{TOKEN}");
  EXPECT_STREQ(doc["request"]["date"].GetString(), "06.03.2024 12:00:00");
  EXPECT_EQ(
      Keys(doc["info"]),
      (std::vector<std::string>{"ver", "sourceID", "error", "errorTxt", "dateCreate", "goodsCount",
                                "lastGoodsSnapshot", "taskid", "taskstatuscode", "taskstatusTxt"}));
  EXPECT_EQ(doc["info"]["goodsCount"].GetInt64(), 0);
  EXPECT_EQ(doc["info"]["lastGoodsSnapshot"].GetInt64(), 0);
  EXPECT_STREQ(doc["info"]["dateCreate"].GetString(), "20240306120000");
  EXPECT_EQ(Int("SELECT fGUID1 FROM tirStores WHERE fId = 9"), 0);
}

TEST_F(MainExportTest, GoodsCountFollowsTheSnapshot) {
  builder.GenAllGUIDs();  // GUIDs given to goods move the counter; give them first
  Exec("UPDATE tirSettings SET fPI=5 WHERE fMId=0 AND fPType=-30;");
  builder.SetAddGoodsFull();
  TReqParams request;
  request.lastGoodsSnapshot = 5;  // the client has this state already
  builder.SetReqParams(request);
  Run();
  EXPECT_EQ(doc["info"]["goodsCount"].GetInt64(), 0);
  EXPECT_EQ(doc["info"]["lastGoodsSnapshot"].GetInt64(), 5);
  EXPECT_EQ(Top("goods"), nullptr);
  EXPECT_EQ(builder.LastGoodsSnapshopID(), 0);

  request.lastGoodsSnapshot = 4;
  builder.SetReqParams(request);
  Run();
  EXPECT_EQ(doc["info"]["goodsCount"].GetInt64(), 3);
  EXPECT_EQ(builder.LastGoodsSnapshopID(), 5);
  ASSERT_NE(Top("goods"), nullptr);

  builder.ClearAllCMD();
  builder.SetAddGoodsAddOnlyInDocFullInfo();
  Run();
  EXPECT_EQ(doc["info"]["goodsCount"].GetInt64(), 999999999);
  EXPECT_EQ(doc["info"]["lastGoodsSnapshot"].GetInt64(), 0);
}

TEST_F(MainExportTest, SavedFileIsAsciiWithoutByteOrderMark) {
  Exec(
      "UPDATE tirGoods SET fName = 'Яблуко 🍎' WHERE fId = 1;"
      "UPDATE tirGoods SET fName = CAST(X'41C328' AS TEXT) WHERE fId = 2;");
  builder.SetAddGoodsSet1();
  Run();
  const TempFile file(".json");
  ASSERT_TRUE(builder.SaveToFile(file));
  const std::string written = ReadFile(file);
  ASSERT_GE(written.size(), 3u);
  EXPECT_EQ(written.front(), '{');
  EXPECT_EQ(written.substr(written.size() - 3), "}\r\n");
  EXPECT_TRUE(std::all_of(written.begin(), written.end(),
                          [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
  EXPECT_NE(written.find(R"(\u042F\u0431\u043B\u0443\u043A\u043E \uD83C\uDF4E)"),
            std::string::npos);
  EXPECT_NE(written.find(R"("A\uFFFD(")"), std::string::npos);
}

TEST_F(MainExportTest, StoredBaseGuidShorterThan35CharactersIsReplaced) {
  Exec("UPDATE tirSettings SET fPStr50 = 'SHORT' WHERE fMId = 450 AND fPType = -39;");
  const std::string guid = builder.GetBaseGUID();
  EXPECT_EQ(guid.size(), 38u);
  EXPECT_EQ(ScalarText(base.conn(), "SELECT fPStr50 FROM tirSettings WHERE fPType = -39"), guid);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirSettings WHERE fPType = -39"), 1);
}

TEST_F(MainExportTest, ReducedGoodsCarryOnlyTheirKeys) {
  builder.SetAddGoodsSet1();
  Run();
  const std::vector<std::string> always = {"guid", "lid", "code",    "name",    "group", "unit1",
                                           "pin",  "p1",  "visible", "version", "qtty"};
  EXPECT_EQ(Keys(Row("goods", 1)), always);
  EXPECT_EQ(Top("pricesgroups") != nullptr && Top("uktzed") != nullptr, true);

  builder.SetAddGoodsBarcodes01();
  Run();
  std::vector<std::string> withBarcodes = always;
  for (const char* k : {"barcode", "barcodelist", "barcode2", "barcode3"}) {
    withBarcodes.emplace_back(k);
  }
  EXPECT_EQ(Keys(Row("goods", 1)), withBarcodes);

  builder.ClearAllCMD();
  builder.SetAddGoodsBarcodes01();  // alone: no goods section at all
  Run();
  EXPECT_EQ(Keys(doc), std::vector<std::string>{"info"});
}

TEST_F(MainExportTest, FullGoodsPricesColorVendorAndRecipes) {
  Exec(
      "INSERT INTO tirPrices (fPriceId, fGoodId, fPrice) VALUES (3, 1, 30), (1, 1, 32.5);"
      "INSERT INTO tirAStoreNow (fEntId, fStoreId, fGoodId, fQtty) VALUES (1, 1, 1, 1.23456);"
      "UPDATE tirGoods SET fColor = 7 WHERE fId = 2;");
  builder.SetAddGoodsFull();
  Run();
  const auto& g1 = Row("goods", 1);
  ASSERT_TRUE(g1.IsObject() && g1.HasMember("prices"));
  EXPECT_EQ(g1["prices"].Size(), 2u);
  EXPECT_EQ(g1["prices"][0]["id"].GetInt(), 1);
  EXPECT_EQ(g1["prices"][1]["p"].GetDouble(), 30.0);
  EXPECT_EQ(g1["color"].GetInt(), -1);
  EXPECT_STREQ(g1["vendor"].GetString(), SmallGuid(769).c_str());
  EXPECT_DOUBLE_EQ(g1["qtty"].GetDouble(), 1.235);
  const auto& g2 = Row("goods", 2);
  EXPECT_EQ(g2["prices"].Size(), 0u);
  EXPECT_EQ(g2["color"].GetInt(), 7);
  EXPECT_STREQ(g2["vendor"].GetString(), "");
  const auto& recipe = (*Top("recipes"))[0];
  EXPECT_EQ(Keys(recipe), (std::vector<std::string>{"lid", "qttyout", "guid", "components"}));
  EXPECT_EQ(recipe["components"].Size(), 2u);
}

TEST_F(MainExportTest, GoodCardByBarcodeListAndPhoto) {
  Exec(
      "UPDATE tirGoods SET fBarCodeList = ';111;222;' WHERE fId = 2;"
      "INSERT INTO tirGPhotoes (fGoodId, fOrder, fPhoto) VALUES (2, 1, X'0102030405060708'),"
      "  (1, 1, X'0102030405060708CAFEBABE');");
  TReqParams request;
  request.requestString = "222";
  builder.SetReqParams(request);
  builder.SetCmdGetGoodInfoAndPhoto1();
  Run();
  ASSERT_NE(Top("good_one"), nullptr);
  EXPECT_EQ(doc["good_one"]["lid"].GetInt64(), 2);
  EXPECT_FALSE(doc["good_one"].HasMember("photo"));  // 8 bytes: the header alone

  request.requestString = "22";
  builder.SetReqParams(request);
  Run();
  EXPECT_EQ(Top("good_one"), nullptr);

  request.requestString = "4820000000017";
  builder.SetReqParams(request);
  Run();
  const std::uint8_t tail[] = {0xCA, 0xFE, 0xBA, 0xBE};
  EXPECT_EQ(doc["good_one"]["photo"].GetString(), EncodeBase64(tail, 4));

  TTirTokenOne checker;
  checker.mType = 6;  // a price checker that does not want photos
  checker.m6_mSendPH = 0;
  checker.m6_mNameTAG = "<b>";
  checker.m6_mPh_Field_L = 4;
  builder.SetTokenInfo(checker);
  Run();
  EXPECT_FALSE(doc["good_one"].HasMember("photo"));
  EXPECT_STREQ(doc["good_one"]["html_msg_name"].GetString(), "<b>");
  EXPECT_EQ(doc["good_one"]["marginL"].GetInt(), 4);
}

TEST_F(MainExportTest, DocumentsOfAPeriodWithChainsAndMoneyDocuments) {
  Exec(
      "INSERT INTO tirDocuments (fId, fDocNum, fDateTime, fDocType, fTreeId, fGUID1) VALUES"
      "  (2, 2, '2024-03-06 09:00:00', 4, '.', 1794), (3, 3, '2024-03-06 10:00:00', 1,"
      "  '1.2', 1795), (4, 4, '2024-04-01 10:00:00', 1, '', 1796);"
      "INSERT INTO tirDocGoods (fDocId, fGoodId, fQtty) VALUES (2, 1, 1), (3, 2, 4);");
  builder.SetAddDocsPeriod(db::EncodeDateTime({2024, 3, 1}), db::EncodeDateTime({2024, 3, 31}));
  Run();
  ASSERT_NE(Top("docs"), nullptr);
  EXPECT_EQ(doc["docs"].Size(), 3u);
  EXPECT_EQ(builder.LastIdDocsList(), "1,2,3");
  EXPECT_EQ(Row("docs", 2)["docgoods"].Size(), 0u);  // a money document has no lines
  EXPECT_STREQ(Row("docs", 2)["treeguid"].GetString(), "");
  EXPECT_EQ(Row("docs", 3)["treeguid"].GetString(),
            "." + SmallGuid(1793) + "." + SmallGuid(1794) + ".");
  EXPECT_EQ(Row("docs", 3)["docgoods"].Size(), 1u);
  EXPECT_EQ(Row("docs", 1)["docgoods"].Size(), 2u);
}

TEST_F(MainExportTest, RecentDocumentsAreClaimedFilteredByTokenAndMarked) {
  Exec(
      "INSERT INTO tirDocuments (fId, fDocNum, fDateTime, fDocType, fStoreId, fSyncDate) VALUES"
      "  (2, 2, '2024-03-06 09:00:00', 1, 1, NULL), (3, 3, '2024-03-06 09:00:00', 1, 2, NULL),"
      "  (4, 4, '2024-03-06 09:00:00', 1, 1, '2024-03-06 10:00:00');");
  builder.SetRunMode(kRunDefault);
  builder.SetAddSomeLastDocs();
  Run();  // the default token does not synchronise documents
  EXPECT_EQ(Top("docs"), nullptr);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocuments WHERE fSyncDate = -1"), 3);

  TTirTokenOne token;
  token.m1_mDocTypeSynk = 1;
  token.m1_mStoreIds = "1";
  builder.SetTokenInfo(token);
  Run();
  EXPECT_EQ(builder.LastIdDocsList(), "1,2");
  builder.MarkLastDocsAsSended();
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocuments WHERE fSyncState = 1 AND fSyncDate > 0"), 2);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocuments WHERE fId = 3 AND fSyncDate = -1"), 1);
  Run();  // delivered documents are not sent again
  EXPECT_EQ(Top("docs"), nullptr);
}

TEST_F(MainExportTest, ChangesAfterRowVersionFollowStoreMoves) {
  Exec(
      "INSERT INTO tirDocuments (fId, fDocNum, fDateTime, fDocType, fStoreId, fStoreId2) VALUES"
      "  (2, 2, '2024-03-06 09:00:00', 8, 3, 4), (3, 3, '2024-03-06 09:00:00', 8, 3, 4);"
      "INSERT INTO tirDocStoreMove (fDocId, fOldStoreId, fNewStoreId) VALUES (2, 1, 3);");
  TTirTokenOne token;
  token.m1_mDocTypeSynk = 1;
  token.m1_mStoreIds = "1";
  builder.SetTokenInfo(token);
  builder.SetRunMode(kRunDefault);
  TReqParams request;
  request.docsLastRowId = Int("SELECT fRV FROM tirDocuments WHERE fId = 1");
  builder.SetReqParams(request);
  builder.SetAddDocsFromLastRowID();
  Run();
  EXPECT_EQ(builder.LastIdDocsList(), "2");
  EXPECT_TRUE(Row("docs", 2).HasMember("storeto"));
}

TEST_F(MainExportTest, DeliveredDocumentsOfTheRequestingBaseAreNotEchoed) {
  Exec(
      "INSERT INTO tirDocuments (fId, fDocNum, fDocType, fBaseId, fSyncDate) VALUES"
      "  (2, 2, 1, 1, '2024-03-06 10:00:00'), (3, 3, 1, 1, NULL), (4, 4, 1, 0, NULL);");
  TTirTokenOne token;
  token.m1_mDocTypeSynk = 1;
  builder.SetTokenInfo(token);
  builder.SetRunMode(kRunDefault);
  TReqParams request;
  request.sourceID = "{PEER-BASE}";
  request.docsLastRowId = Int("SELECT fRV FROM tirDocuments WHERE fId = 1");
  builder.SetReqParams(request);
  builder.SetAddDocsFromLastRowID();
  Run();
  EXPECT_EQ(builder.LastIdDocsList(), "3,4");
  EXPECT_EQ(Int("SELECT fId FROM tirDEXSBaseIDs WHERE fBaseGUID = '{PEER-BASE}'"), 1);
}

TEST_F(MainExportTest, KitchenOrdersGroupLinesByPosition) {
  Exec(
      "INSERT INTO tirDocuments (fId, fDocNum, fDateTime, fDocType, fGUID1) VALUES"
      "  (5, 1234, '2024-03-06 09:00:00', 6, 1797);"
      "INSERT INTO tirDocGoods (fDocId, fGoodId, fQtty, fPosId, fTypeInDoc) VALUES"
      "  (5, 1, 1, 1, 0), (5, 2, 2, 1, 0), (5, 3, 1, 2, 1), (5, 3, 1, 3, 2);");
  builder.SetGetOrdersCookMonitors();
  Run();
  ASSERT_NE(Top("docs"), nullptr);
  ASSERT_EQ(doc["docs"].Size(), 2u);
  const auto& order = doc["docs"][0];
  EXPECT_EQ(Keys(order), (std::vector<std::string>{"guid", "lid", "num", "orderposindoc",
                                                   "orderstatus", "date", "goods"}));
  EXPECT_EQ(order["num"].GetInt64(), 34);
  EXPECT_EQ(order["goods"].Size(), 2u);
  EXPECT_EQ(doc["docs"][1]["orderstatus"].GetInt(), 1);
}

TEST_F(MainExportTest, PartnersOptionalKeysGroupFilterAndStorePrice) {
  Exec(
      "UPDATE tirPartnersGroups SET fcr = 4 WHERE fclev = 0;"
      "INSERT INTO tirPartnersGroups (fId, fName, fcl, fcr, fclev, fGUID1) VALUES"
      "  (2, 'Опт', 2, 3, 1, 770);"
      "INSERT INTO tirPartners (fId, fCode, fName, fNamePrint, fTel1, fGroupID, fGUID1) VALUES"
      "  (2, 'P2', 'Клієнт', 'ТОВ Клієнт', '0501', 2, 771);"
      "UPDATE tirPartners SET fNamePrint = fName, fTel = '' WHERE fId = 1;"
      "UPDATE tirStores SET fPriceId = 2 WHERE fId = 1;");
  for (const char* all : {"0", ""}) {
    builder.ClearAllCMD();
    builder.SetAddPartners(all);
    Run();
    EXPECT_EQ(doc["partners"].Size(), 2u) << all;
  }
  EXPECT_EQ(Keys(Row("partners", 1)),
            (std::vector<std::string>{"guid", "lid", "group", "code", "name", "type"}));
  EXPECT_STREQ(Row("partners", 2)["namefull"].GetString(), "ТОВ Клієнт");
  EXPECT_STREQ(Row("partners", 2)["tel2"].GetString(), "0501");

  builder.SetAddPartners("2");
  TTirTokenOne token;
  token.m2_mStoreIDMapped = 1;
  builder.SetTokenInfo(token);
  Run();
  ASSERT_EQ(doc["partners"].Size(), 1u);
  EXPECT_EQ(Row("partners", 2)["priceid"].GetInt(), 3);
}

TEST_F(MainExportTest, UsersAreScrambledWithFreshPrefixesAndDiscountRulesFromVersion3) {
  Exec(
      "INSERT INTO tirUsers (fId, fCode, fName, fGUID1) VALUES (2, 'U1', 'Другий', 1538);"
      "INSERT INTO tirSettings (fUserId, fMId, fPType, fPStr) VALUES (1, 50, 10250, '1,'),"
      "  (1, 50, 10270, '3,4');"
      "INSERT INTO tirDiscount (fName, fVer) VALUES ('old', 2), ('new', 3);");
  builder.SetAddAllCatalogs();
  Run();
  const auto& u1 = Row("users", 1);
  const auto& u2 = Row("users", 2);
  EXPECT_STRNE(u1["code02"].GetString(), u2["code02"].GetString());
  EXPECT_EQ(gDecodeStr(u1["code02"].GetString()).substr(11), "U1");
  EXPECT_EQ(gDecodeStr(u2["code02"].GetString()).substr(11), "U1");
  EXPECT_EQ(u1["accessstores"].GetInt(), 1);
  EXPECT_STREQ(u1["accessstoresids"][0]["guid"].GetString(), SmallGuid(1281).c_str());
  EXPECT_STREQ(u1["accesssalepids"].GetString(), "3,4");
  EXPECT_EQ(u2["accessentities"].GetInt(), 0);
  ASSERT_EQ(doc["salesrules"].Size(), 1u);
  EXPECT_STREQ(doc["salesrules"][0]["name"].GetString(), "new");
}

TEST_F(MainExportTest, BadAccessListIsReportedAndTheUserStillClosed) {
  Exec("INSERT INTO tirSettings (fUserId, fMId, fPType, fPStr) VALUES (1, 50, 10260, '1);--');");
  builder.SetAddAllCatalogs();
  builder.RunBuildProcess();
  EXPECT_NE(builder.ErrorText().find("Error: Invalid id list"), std::string::npos);
  const std::string out = builder.Text();
  rapidjson::Document parsed;
  parsed.Parse(out.c_str(), out.size());
  EXPECT_FALSE(parsed.HasParseError());
}

}  // namespace
}  // namespace tir::test
