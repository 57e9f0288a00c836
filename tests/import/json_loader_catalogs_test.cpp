#include <gtest/gtest.h>

#include "db/query.h"
#include "frame/global_exit.h"
#include "import/json_loader_users.h"
#include "settings/scramble.h"
#include "tests/import/json_loader_fixture.h"

namespace tir::import::test {
namespace {

const auto kCatalogs = [](TDMJsonLoader& l) { l.AddOrUpdateAllCatalogs(); };
const auto kPartners = [](TDMJsonLoader& l) { l.AddOrUpdatePartners(); };

TEST_F(LoaderTest, OnlyGuidIsIdenticalAndAChangeRewritesTheGroup) {
  const std::string groups = R"("storesgroups":[{"guid":")" + G(1) + R"(","name":"Shops"}])";
  Load("{" + groups + R"(,"stores":[{"guid":")" + G(2) + R"(","name":"S","group":")" + G(1) +
           R"("}]})",
       kCatalogs);
  const std::int64_t group = Int("SELECT fGroupID FROM tirStores");
  ASSERT_GT(group, 1);
  Load(R"({"stores":[{"guid":")" + G(2) + R"("}]})", kCatalogs);
  EXPECT_EQ(loader.mReport.Kind("stores").identical, 1);
  EXPECT_EQ(Int("SELECT fGroupID FROM tirStores"), group);
  Load(R"({"stores":[{"guid":")" + G(2) + R"(","name":"S2"}]})", kCatalogs);
  EXPECT_EQ(Text("SELECT fName FROM tirStores"), "S2");
  EXPECT_EQ(Int("SELECT fGroupID FROM tirStores"), 0);  // no group sent: the row leaves its group
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirStores"), 1);
}

TEST_F(LoaderTest, TaxRateWithUnknownGuidAdoptsTheRowOfItsLid) {
  db::Query q(base.conn());
  q.SetSql(
      "INSERT INTO tirVAT (fId, fCode, fName, fVAT, fGroupID, fGUID1, fGUID2) "
      "VALUES (7, 'A', 'Old', 20, 0, 11, 12);");
  q.ExecSql();
  Load(R"({"vats":[{"guid":")" + G(5) + R"(","lid":7,"name":"New","vat":7}]})", kCatalogs);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirVAT"), 1);
  EXPECT_EQ(Text("SELECT fName FROM tirVAT WHERE fId=7"), "New");
  EXPECT_EQ(Num("SELECT fVAT FROM tirVAT WHERE fId=7"), 7.0);
  EXPECT_NE(Int("SELECT fGUID1 FROM tirVAT WHERE fId=7"), 11);
  // A new rate keeps the sender's id.
  Load(R"({"vats":[{"guid":")" + G(6) + R"(","lid":40,"name":"Zero"}]})", kCatalogs);
  EXPECT_EQ(Text("SELECT fName FROM tirVAT WHERE fId=40"), "Zero");
}

TEST_F(LoaderTest, PartnerWithNewGuidIsInsertedEvenWhenItsCodeExists) {
  Load(R"({"partners":[{"guid":")" + G(1) +
           R"(","code":"P1","name":"One","date1":"20240102030405"}]})",
       kPartners);
  Load(R"({"partners":[{"guid":")" + G(2) + R"(","code":"P1","name":"Two"}],
          "contracts":[{"guid":")" +
           G(3) + R"(","name":"C","partner":")" + G(2) + R"(","entity":")" + G(99) + R"("}]})",
       kPartners);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirPartners WHERE fCode='P1'"), 2);
  EXPECT_EQ(Text("SELECT fDate FROM tirPartners WHERE fName='One'"), "2024-01-02 03:04:05.000");
  EXPECT_EQ(Int("SELECT fPartnerId FROM tirContracts"),
            Int("SELECT fId FROM tirPartners WHERE fName='Two'"));
  EXPECT_EQ(Int("SELECT fEntitiId FROM tirContracts"), 0);  // unknown entity
  ASSERT_EQ(loader.mReport.missing.size(), 1u);
  EXPECT_NE(loader.mReport.missing[0].Text().find("tirEntities"), std::string::npos);
}

TEST_F(LoaderTest, UsersUnscrambleMembersAndSyncAccessListsAndRights) {
  const auto s = [](const std::string& text) { return gEncodeStr("12345678901" + text); };
  const std::string store = R"("stores":[{"guid":")" + G(9) + R"(","name":"S"}],)";
  const std::string user = R"({"guid":")" + G(1) + R"(","lid":3,"name02":")" + s("Olha") +
                           R"(","state02":")" + s("2") + R"(","accessstoresids":[{"guid":")" +
                           G(9) + R"("}],"accesssalepids":"1,2,")";
  Load("{" + store + R"("users":[)" + user +
           R"(,"rights":[{"mid":10,"pb":1,"pi":5},{"mid":11,"pb":2}]}]})",
       kCatalogs);
  EXPECT_EQ(Text("SELECT fName FROM tirUsers WHERE fId=3"), "Olha");
  EXPECT_EQ(Int("SELECT fState FROM tirUsers WHERE fId=3"), 2);
  db::Query q(base.conn());
  std::string stores, entities;
  gGetStoreEntIds(q, 3, stores, entities);
  EXPECT_EQ(stores, "0," + std::to_string(Int("SELECT fId FROM tirStores")) + ",");
  EXPECT_EQ(gGetSalesPIds(q, 3), "1,2,");
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirSettings WHERE fPType=-26 AND fUserId=3"), 2);
  EXPECT_EQ(Int("SELECT fPI FROM tirSettings WHERE fPType=-26 AND fMId=10"), 5);

  Load("{" + store + R"("users":[)" + user +
           R"(,"rights":[{"mid":10,"pb":1,"pi":5},{"mid":11,"pb":2}]}]})",
       kCatalogs);
  EXPECT_EQ(loader.mReport.Kind("users").identical, 1);
  Load(R"({"users":[{"guid":")" + G(1) + R"(","rights":[]}]})", kCatalogs);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirSettings WHERE fPType=-26 AND fUserId=3"), 0);
  EXPECT_EQ(Text("SELECT fName FROM tirUsers WHERE fId=3"), "Olha");  // not sent, kept
}

TEST_F(LoaderTest, GroupTreeMergesByGuidAndChildrenBeforeNameAreLost) {
  const std::string tree = R"({"goodsgroups":[{"guid":")" + G(1) + R"(","name":"A","children":[
      {"guid":")" + G(2) + R"(","name":"B"}]},
      {"children":[{"guid":")" +
                           G(4) + R"(","name":"Lost"}],"guid":")" + G(3) + R"(","name":"C"}]})";
  Load(tree, [](TDMJsonLoader& l) { l.CreateTreeGroups("goodsgroups", "tirGoodsGroups"); });
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoodsGroups"), 4);  // root, A, B, C
  EXPECT_EQ(Int("SELECT fclev FROM tirGoodsGroups WHERE fName='B'"), 2);
  // Damage the nested set: the load repairs it and merges again without duplicates.
  db::Query q(base.conn());
  q.SetSql("UPDATE tirGoodsGroups SET fcl = 40 WHERE fName='B';");
  q.ExecSql();
  const std::string moved = R"({"goodsgroups":[{"guid":")" + G(3) + R"(","name":"C2","children":[
      {"guid":")" + G(2) + R"(","name":"B"}]}]})";
  Load(moved, [](TDMJsonLoader& l) { l.CreateTreeGroups("goodsgroups", "tirGoodsGroups"); });
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoodsGroups"), 4);
  EXPECT_EQ(Text("SELECT p.fName FROM tirGoodsGroups c, tirGoodsGroups p WHERE c.fName='B' AND "
                 "p.fcl < c.fcl AND p.fcr > c.fcr AND p.fclev = c.fclev - 1"),
            "C2");
  EXPECT_EQ(Int("SELECT MAX(fcr) FROM tirGoodsGroups"), 8);
}

TEST_F(LoaderTest, RepeatedGroupTreeChangesNothingAndRenamesMovesAndOrderStillArrive) {
  const auto groups = [](TDMJsonLoader& l) { l.CreateTreeGroups("goodsgroups", "tirGoodsGroups"); };
  const auto node = [](int g, const std::string& name, const std::string& kids = "") {
    return R"({"guid":")" + G(g) + R"(","name":")" + name + R"(")" +
           (kids.empty() ? "" : R"(,"children":[)" + kids + "]") + "}";
  };
  const auto text = [](const std::string& nodes) { return R"({"goodsgroups":[)" + nodes + "]}"; };
  // Bounds, level and name of every group, in bound order.
  const auto shape = [&] {
    return Text(
        "SELECT group_concat(fName || ':' || fcl || '-' || fcr || '/' || fclev, ' ') "
        "FROM (SELECT * FROM tirGoodsGroups ORDER BY fcl)");
  };
  const std::string first =
      text(node(1, "A", node(2, "B") + "," + node(3, "C")) + "," + node(4, "D"));
  Load(first, groups);
  const std::string loaded = shape();
  Load(first, groups);
  EXPECT_EQ(shape(), loaded);
  // Each change on its own, then the same text again: what the full merge gives arrives.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {text(node(1, "A", node(2, "B2") + "," + node(3, "C")) + "," + node(4, "D")),
       "root:1-10/0 A:2-7/1 B2:3-4/2 C:5-6/2 D:8-9/1"},
      {text(node(1, "A", node(2, "B2")) + "," + node(4, "D", node(3, "C"))),
       "root:1-10/0 A:2-5/1 B2:3-4/2 D:6-9/1 C:7-8/2"},
      {text(node(4, "D", node(3, "C")) + "," + node(1, "A", node(2, "B2"))),
       "root:1-10/0 D:2-5/1 C:3-4/2 A:6-9/1 B2:7-8/2"},
      {text(node(4, "D", node(5, "E") + "," + node(3, "C")) + "," + node(1, "A", node(2, "B2"))),
       "root:1-12/0 D:2-7/1 E:3-4/2 C:5-6/2 A:8-11/1 B2:9-10/2"},
      {text(node(4, "D", node(3, "C") + "," + node(5, "E")) + "," + node(1, "A", node(2, "B2"))),
       "root:1-12/0 D:2-7/1 C:3-4/2 E:5-6/2 A:8-11/1 B2:9-10/2"}};
  for (const auto& [json, expected] : cases) {
    for (int round = 0; round < 2; ++round) {
      Load(json, groups);
      EXPECT_EQ(shape(), expected) << json << " round " << round;
    }
  }
}

TEST_F(LoaderTest, NewStoreGivesEveryGoodABalanceRowKnownStoresLeaveThemAlone) {
  Load(R"({"entities":[{"guid":")" + G(1) + R"(","name":"E"}],"stores":[{"guid":")" + G(2) +
           R"(","name":"S1"}]})",
       kCatalogs);
  Load(R"({"goods":[{"guid":")" + G(10) + R"(","name":"X"},{"guid":")" + G(11) +
           R"(","name":"Y"}]})",
       [](TDMJsonLoader& l) { l.AddOrUpdateGoods(); });
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirAStoreNow"), 2);
  db::Query q(base.conn());
  q.SetSql("UPDATE tirAStoreNow SET fQtty = 5;");
  q.ExecSql();
  Load(R"({"stores":[{"guid":")" + G(2) + R"(","name":"S1 renamed"}]})", kCatalogs);
  EXPECT_EQ(Num("SELECT SUM(fQtty) FROM tirAStoreNow"), 10.0);  // untouched
  Load(R"({"stores":[{"guid":")" + G(3) + R"(","name":"S2"}]})", kCatalogs);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirAStoreNow"), 4);
  EXPECT_EQ(Num("SELECT SUM(fQtty) FROM tirAStoreNow"), 0.0);  // recomputed from the movements
}

TEST_F(LoaderTest, EnvelopeParsingAndRequests) {
  Load(R"({"info":{"sourceID":"ABC-Def","lastGoodsSnapshot":9},
           "request":{"cmd":"GetGoods","sourceID":"Peer-ID","lastGoodsSnapshot":0,"goodsLastRowId":50}})",
       [](TDMJsonLoader& l) {
         l.GetRespParams();
         l.GetReqParams();
       });
  EXPECT_EQ(loader.mLResp.sourceID, "abc-def");
  EXPECT_EQ(loader.mLResp.lastGoodsSnapshot, 9);
  EXPECT_EQ(loader.mReqParams.sourceID, "Peer-ID");
  EXPECT_EQ(loader.mReqParams.cmd, "getgoods");
  EXPECT_EQ(loader.mReqParams.goodsLastRowId, -1);
  EXPECT_EQ(loader.GetSourceBaseId(), loader.GetSourceBaseId());
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDEXSBaseIDs WHERE fBaseGUID='Peer-ID'"), 1);

  Load("{}", [](TDMJsonLoader& l) { l.GetRespParams(); });
  EXPECT_TRUE(loader.mLResp.sourceID.empty());

  const std::string baseGuid = loader.GetBaseGUID();
  EXPECT_EQ(baseGuid.size(), 38u);
  db::Query q(base.conn());
  q.SetSql("DELETE FROM tirSettings WHERE fMId=450;");
  q.ExecSql();
  EXPECT_EQ(loader.GetBaseGUID(), baseGuid);  // cached, no query
  loader.SetLastGoodRowID(77);
  const std::string req = loader.getJsonReq(0, 0);
  EXPECT_NE(req.find(R"("cmd":"getgoodsfull,getcontractsandpartners,getallcatalogs")"),
            std::string::npos);
  EXPECT_NE(req.find(R"("goodsLastRowId":77,"sourceID":")" + baseGuid + "\""), std::string::npos);
  EXPECT_NE(loader.getDocFromCBJsonReq().find(R"("docsLastRowId":0,"docsMaxCountInResp":1500)"),
            std::string::npos);
}

TEST_F(LoaderTest, OpeningKeepsThePreviousTextOnAMissingFileAndRefusesBrokenJson) {
  Load(R"({"info":{"sourceID":"X"}})", [](TDMJsonLoader&) {});
  EXPECT_FALSE(loader.OpenFileAndParse("/nonexistent/file.json"));
  loader.GetRespParams();
  EXPECT_EQ(loader.mLResp.sourceID, "x");
  EXPECT_FALSE(loader.OpenAndParse(R"({"goods":[{"guid":"x"})"));
  EXPECT_FALSE(loader.OpenAndParse("{\"a\":\"\xC3\x28\"}"));  // invalid UTF-8
  loader.AddOrUpdateGoods();                                  // nothing to walk
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods"), 0);
}

}  // namespace
}  // namespace tir::import::test

namespace tir::import::test {
namespace {

TEST_F(LoaderTest, RightsGroupsKeepTheirIdAndRights) {
  const std::string group =
      R"({"usersgroupsrights":[{"guid":")" + G(1) +
      R"(","lid":12,"name":"Cashiers","state":1,"rights":[{"mid":5,"pb":3,"pi":9}]}]})";
  Load(group, [](TDMJsonLoader& l) { l.AddOrUpdateUsers(); });
  EXPECT_EQ(Text("SELECT fName FROM tirUsersRG WHERE fId=12"), "Cashiers");
  EXPECT_EQ(Int("SELECT fPI FROM tirSettings WHERE fPType=-42 AND fUserId=12 AND fMId=5"), 9);
  Load(group, [](TDMJsonLoader& l) { l.AddOrUpdateUsers(); });
  EXPECT_EQ(loader.mReport.Kind("usersgroupsrights").identical, 1);
}

TEST_F(LoaderTest, FirstReplicationIsClearedOnceEveryFamilyWasLoaded) {
  db::Query q(base.conn());
  q.SetSql(
      "INSERT INTO tirSettings (fUserId, fMId, fPType, fPB, fPI) VALUES (0, -26, -41, 100, 2);");
  q.ExecSql();
  loader.TestReplicationFirst();
  EXPECT_EQ(loader.mTestRelpFirst, 1);
  loader.mLastUpdateGoodsTime = loader.mLastUpdatePartnersTime = 45000;
  loader.TestReplicationFirst();
  EXPECT_EQ(Int("SELECT fPB FROM tirSettings WHERE fMId=-26"), 100);  // catalogs never loaded
  loader.mLastUpdateMainSPRTime = 45000;
  loader.TestReplicationFirst();
  EXPECT_EQ(loader.mTestRelpFirst, 2);
  EXPECT_EQ(Int("SELECT fPB FROM tirSettings WHERE fMId=-26"), 0);
}

TEST_F(LoaderTest, ExitRequestStopsTheLoaders) {
  transport::TMDGlobalExitNow exitNow;
  exitNow.SetExitNOW(true);
  loader.SetPtr_ExitNow(&exitNow);
  Load(R"({"stores":[{"guid":")" + G(1) + R"(","name":"S"}],"goods":[{"guid":")" + G(2) + R"("}]})",
       [](TDMJsonLoader& l) {
         l.AddOrUpdateAllCatalogs();
         l.AddOrUpdateGoods();
         l.TirSleep(100000);  // returns at once
       });
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirStores") + Int("SELECT COUNT(*) FROM tirGoods"), 0);
}

}  // namespace
}  // namespace tir::import::test

namespace tir::import::test {
namespace {

// Every catalog of the load window lands in its table with its columns, and a second load of the
// same text finds every row identical.
TEST_F(LoaderTest, EveryCatalogLandsInItsTableAndReloadsIdentical) {
  const std::string text = R"({
    "salepoints":[{"guid":")" +
                           G(1) + R"(","lid":4,"code":"K1","name":"Till","namefull":"Till one"}],
    "itemscost":[{"guid":")" +
                           G(2) + R"(","lid":6,"name":"Rent"}],
    "tables":[{"guid":")" + G(3) +
                           R"(","name":"T1","visible":1}],
    "modifiers":[{"guid":")" +
                           G(4) + R"(","name":"Hot","visible":0}],
    "currencies":[{"guid":")" +
                           G(5) + R"(","lid":2,"code":"USD","name":"Dollar","rate":41.5,"img":3}],
    "entities":[{"guid":")" +
                           G(6) + R"(","name":"E","tel2":"555","adr3":"Kyiv","nnds":"77"}],
    "moneyaccounts":[{"guid":")" +
                           G(7) + R"(","name":"Cash","entity":")" + G(6) + R"(","curr":")" + G(5) +
                           R"(","default":1}],
    "salesrules":[{"guid":")" +
                           G(8) + R"(","name":"Happy hour","rule":"x>1","active":1,"version":3}],
    "pricenames":[{"guid":")" +
                           G(9) + R"(","lid":3,"name":"Retail","currid":2}],
    "uktzed":[{"guid":")" + G(10) +
                           R"(","code":"0401","name":"Milk"}]})";
  const auto all = [](TDMJsonLoader& l) {
    l.AddOrUpdateAllCatalogs();
    l.AddOrUpdatePricesNames();
    l.AddOrUpdateUKTZED();
  };
  Load(text, all);
  EXPECT_EQ(Text("SELECT fNamePrint FROM tirSalePoints WHERE fId=4"), "Till one");
  EXPECT_EQ(Text("SELECT fName FROM tirItemCost WHERE fId=6"), "Rent");
  EXPECT_EQ(Int("SELECT fState FROM tirTables"), 1);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirMods WHERE fState=0"), 1);
  EXPECT_EQ(Num("SELECT fCurr FROM tirCurrencies WHERE fId=2"), 41.5);
  EXPECT_EQ(Text("SELECT fTel1 || fAdress2 || fNDSN FROM tirEntities"), "555Kyiv77");
  EXPECT_EQ(
      Int("SELECT fEntitiId = (SELECT fId FROM tirEntities) AND fCurrId = 2 FROM tirCashAccounts"),
      1);
  EXPECT_EQ(Text("SELECT fPStr FROM tirDiscount WHERE fVer=3"), "x>1");
  EXPECT_EQ(Int("SELECT fCurrId FROM tirPricesNames WHERE fId=3"), 2);
  EXPECT_EQ(Text("SELECT fZEDName FROM tirUktzed WHERE fZEDCode='0401'"), "Milk");
  const std::string before = BaseDump(base.conn());
  loader.mReport.Clear();
  Load(text, all);
  for (const auto& [kind, c] : loader.mReport.kinds) {
    EXPECT_EQ(c.inserted + c.updated, 0) << kind;
    EXPECT_EQ(c.identical, 1) << kind;
  }
  EXPECT_EQ(BaseDump(base.conn()), before);
}

TEST_F(LoaderTest, ClassificationCodeFoundByCodeTakesTheIncomingGuid) {
  db::Query q(base.conn());
  q.SetSql(
      "INSERT INTO tirUktzed (fZEDCode, fZEDName, fZEDGroupID, fGUID1, fGUID2) VALUES ('22', "
      "'Old', 0, 1, 2);");
  q.ExecSql();
  Load(R"({"uktzed":[{"guid":")" + G(1) + R"(","code":"22","name":"New"}],
           "goods":[{"guid":")" +
           G(2) + R"(","name":"G","uktzedguid":")" + G(1) + R"("}]})",
       [](TDMJsonLoader& l) { l.AddOrUpdateGoods(); });
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirUktzed"), 1);
  EXPECT_EQ(Text("SELECT fZEDName FROM tirUktzed"), "New");
  EXPECT_EQ(Int("SELECT fUKTZED FROM tirGoods"), Int("SELECT fId FROM tirUktzed"));
}

}  // namespace
}  // namespace tir::import::test
