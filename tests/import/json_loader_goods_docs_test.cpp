#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/db_error.h"
#include "db/query.h"
#include "posting/main_provodka.h"
#include "recording_connection.h"
#include "tests/import/json_loader_fixture.h"

namespace tir::import::test {
namespace {

const auto kGoods = [](TDMJsonLoader& l) { l.AddOrUpdateGoods(); };
const auto kDocs = [](TDMJsonLoader& l) { l.SaveUniversalDocs(); };

class GoodsDocsTest : public LoaderTest {
 public:
  GoodsDocsTest() { LoadCatalogs(loader); }
  static void LoadCatalogs(TDMJsonLoader& l) {
    ASSERT_TRUE(l.OpenAndParse(R"({"entities":[{"guid":")" + G(1) +
                               R"(","name":"E"}],"stores":[{"guid":")" + G(2) +
                               R"(","name":"S1"},{"guid":")" + G(3) + R"(","name":"S2"}],
             "partners":[{"guid":")" +
                               G(4) + R"(","name":"P"}]})"));
    l.AddOrUpdateAllCatalogs();
    l.AddOrUpdatePartners();
  }
  std::string Good(int n, const std::string& members) {
    return R"({"guid":")" + G(n) + "\"" + (members.empty() ? "" : "," + members) + "}";
  }
  std::string Doc(int n, const std::string& members, const std::string& lines) {
    return R"({"guid":")" + G(n) + R"(","entity":")" + G(1) + R"(","store":")" + G(2) + "\"," +
           members + R"(,"docgoods":[)" + lines + "]}";
  }
};

// The lost counter row is recreated in the dialect of the loader's own connection, whatever base
// kind the host's record names.
TEST(GoodsCounterDialect, ARecreatedCounterRowSpeaksTheServersDialect) {
  db::testkit::RecordingConnection server(db::DbKind::kMSSQL);
  server.AddResult("FROM tirSettings", {"fPI"}, {});
  TDMJsonLoader loader;
  loader.SetConnection(&server);
  EXPECT_TRUE(loader.gGetIfMustGoodsUpdate());
  EXPECT_NE(server.RunSql().find("DELETE tirSettings WHERE"), std::string::npos) << server.RunSql();
  EXPECT_EQ(server.RunSql().find("DELETE FROM"), std::string::npos) << server.RunSql();
}

TEST_F(GoodsDocsTest, GoodsPricesBalancesAndTheChangedCounter) {
  const std::string goods =
      R"({"goods":[)" +
      Good(10, R"("name":"Bread","p1":12.5,"vendor":")" + G(4) +
                   R"(","prices":[{"id":1,"p":12.5},{"id":0,"p":3},{"id":2,"p":11}])") +
      "]}";
  // Recreating a lost counter row leaves the last-seen value at -1, so the fresh row's 0 is news
  // once.
  db::Query drop(base.conn());
  drop.SetSql("DELETE FROM tirSettings WHERE fUserId=0 AND fMId=0 AND fPType=-30;");
  drop.ExecSql();
  TDMJsonLoader::gLastGoodsUpdateCounter = -1;
  EXPECT_TRUE(loader.gGetIfMustGoodsUpdate());
  EXPECT_TRUE(loader.gGetIfMustGoodsUpdate());
  EXPECT_FALSE(loader.gGetIfMustGoodsUpdate());
  Load(goods, kGoods);
  EXPECT_TRUE(loader.gGetIfMustGoodsUpdate());
  EXPECT_FALSE(loader.gGetIfMustGoodsUpdate());
  EXPECT_EQ(Num("SELECT fPriceOut1 FROM tirGoods"), 12.5);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirPrices"), 2);     // price id 0 dropped
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirAStoreNow"), 2);  // 2 stores x 1 entity
  EXPECT_EQ(Int("SELECT fMainPartner FROM tirGoods"), Int("SELECT fId FROM tirPartners"));

  // Identical goods still rewrite their prices and add no balance rows; the rewritten prices
  // move the goods-changed counter (the schema's triggers count every price write).
  db::Query q(base.conn());
  q.SetSql("UPDATE tirPrices SET fPrice = 99;");
  q.ExecSql();
  Load(goods, kGoods);
  EXPECT_EQ(loader.mReport.Kind("goods").identical, 1);
  EXPECT_EQ(Num("SELECT fPrice FROM tirPrices WHERE fPriceId=2"), 11.0);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirAStoreNow"), 2);
  EXPECT_TRUE(loader.gGetIfMustGoodsUpdate());

  // A changed object without vendor loses its main partner.
  Load(R"({"goods":[)" + Good(10, R"("name":"Rye")") + "]}", kGoods);
  EXPECT_EQ(Int("SELECT fMainPartner FROM tirGoods"), 0);
  EXPECT_EQ(Num("SELECT fPriceOut1 FROM tirGoods"), 12.5);  // not sent, kept
}

TEST_F(GoodsDocsTest, RecipesReplaceComponentsAndSkipUnknownOnes) {
  Load(R"({"goods":[)" + Good(10, "") + "," + Good(11, "") + R"(],"recipes":[{"guid":")" + G(10) +
           R"(","components":[{"guid":")" + G(11) + R"(","qtty":2,"qttynetto":1.5},{"guid":")" +
           G(12) + R"(","qtty":1}]},{"components":[],"guid":")" + G(11) + R"("}]})",
       kGoods);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirRecipes"), 1);
  EXPECT_EQ(Num("SELECT fCountOut FROM tirRecipes"), 1.5);
  EXPECT_EQ(loader.mReport.missing.size(), 1u);
}

TEST_F(GoodsDocsTest, DocumentsAreSavedTwiceAsUpdatesAndPosted) {
  Load(R"({"goods":[)" + Good(10, R"("name":"Bread")") + "]}", kGoods);
  const std::string doc =
      Doc(20,
          R"("num":5,"type":1,"state":0,"date":"20240105100000","sum":50,"transactguid":")" +
              G(20) + "\"",
          R"({"guid":")" + G(10) + R"(","qtty":4,"pin":12.5,"sum":50},{"guid":")" + G(10) +
              R"(","qtty":1,"sum":10})");
  Load(R"({"docs":[)" + doc + "]}", kDocs);
  const std::int64_t id = Int("SELECT fId FROM tirDocuments");
  EXPECT_EQ(Int("SELECT fTransactId FROM tirDocuments"), id);  // its own transaction, also when new
  EXPECT_EQ(Int("SELECT fState FROM tirDocuments"), 0);        // stored as 3, posted with 20
  EXPECT_GT(Int("SELECT COUNT(*) FROM tirAStore WHERE fDocId=" + std::to_string(id)), 0);
  EXPECT_EQ(Num("SELECT SUM(fQtty) FROM tirAStoreNow"), 5.0);
  Load(R"({"docs":[)" +
           Doc(20, R"("num":6,"type":1,"state":0)", R"({"guid":")" + G(10) + R"(","qtty":2})") +
           "]}",
       kDocs);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocuments"), 1);
  EXPECT_EQ(Int("SELECT fDocNum FROM tirDocuments"), 6);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocGoods"), 1);
  EXPECT_EQ(Num("SELECT SUM(fQtty) FROM tirAStoreNow"), 2.0);
}

// A load in one transaction that brings many goods reads the stored GUIDs once instead of
// looking each good up; stored goods and a GUID repeated in the text must still be updated.
TEST_F(GoodsDocsTest, LargeLoadInOneTransactionMatchesStoredAndRepeatedGoods) {
  Load(R"({"goods":[)" + Good(10, R"("name":"Old")") + "]}", kGoods);
  // A stray balance row already holds the id the first new good will get.
  const std::int64_t next = Int("SELECT MAX(fId) FROM tirGoods") + 1;
  db::Query stray(base.conn());
  stray.SetSql(
      "INSERT INTO tirAStoreNow (fEntId, fStoreId, fGoodId, fQtty, fSum) SELECT "
      "(SELECT fId FROM tirEntities), MIN(fId), " +
      std::to_string(next) + ", 0, 0 FROM tirStores;");
  stray.ExecSql();
  std::string goods = R"({"goods":[)" + Good(10, R"("name":"New","prices":[{"id":1,"p":7}])");
  for (int n = 100; n < 1300; ++n)
    goods += "," + Good(n, R"("name":"G)" + std::to_string(n) + R"(","prices":[{"id":1,"p":)" +
                               std::to_string(n) + "}]");
  goods += "," + Good(100, R"("name":"Later")") + "]}";
  base.conn().StartTransaction();
  Load(goods, kGoods);
  base.conn().Commit();
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods"), 1201);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods WHERE fName='New'"), 1);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods WHERE fName IN ('Old','G100')"), 0);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods WHERE fName='Later'"), 1);
  // Every good has its own prices and one balance row per store, none belongs to no good.
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirPrices p JOIN tirGoods g ON g.fId=p.fGoodId WHERE "
                "g.fName<>'New' AND 'G'||CAST(p.fPrice AS INTEGER)<>g.fName AND g.fName<>'Later'"),
            0);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirPrices"), 1201);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirAStoreNow"), 2 * 1201);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods g WHERE (SELECT COUNT(*) FROM tirAStoreNow n "
                "WHERE n.fGoodId=g.fId)<>2"),
            0);
}

// Inside a transaction a new document skips the delete of earlier lines only where none can
// exist: lines left behind under the id it gets must still go.
TEST_F(GoodsDocsTest, NewDocumentDropsLinesLeftUnderItsId) {
  Load(R"({"goods":[)" + Good(10, R"("name":"Bread")") + "]}", kGoods);
  Load(R"({"docs":[)" + Doc(20, R"("num":1,"type":1)", R"({"guid":")" + G(10) + R"(","qtty":1})") +
           "]}",
       kDocs);
  const std::int64_t next = Int("SELECT MAX(fId) FROM tirDocuments") + 1;
  db::Query left(base.conn());
  left.SetSql("INSERT INTO tirDocGoods (fDocId, fGoodId, fQtty) VALUES (" + std::to_string(next) +
              ", 1, 9), (" + std::to_string(next + 1) + ", 1, 9);");
  left.ExecSql();
  base.conn().StartTransaction();
  Load(R"({"docs":[)" + Doc(21, R"("num":2,"type":1)", R"({"guid":")" + G(10) + R"(","qtty":2})") +
           "," + Doc(22, R"("num":3,"type":1)", R"({"guid":")" + G(10) + R"(","qtty":3})") + "," +
           Doc(23, R"("num":4,"type":1)", R"({"guid":")" + G(10) + R"(","qtty":4})") + "]}",
       kDocs);
  base.conn().Commit();
  EXPECT_EQ(Int("SELECT MAX(fId) FROM tirDocuments"), next + 2);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocGoods WHERE fQtty=9"), 0);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocGoods"), 4);
  EXPECT_EQ(Num("SELECT fQtty FROM tirDocGoods WHERE fDocId=" + std::to_string(next + 2)), 4.0);
}

// A large load in one transaction: new documents that are their own transaction are linked to
// their ids also where an id is not the one after the last (another writer took ids in between),
// a document linked to another keeps that link, and a GUID repeated later updates its document.
TEST_F(GoodsDocsTest, LargeLoadLinksNewDocumentsToTheirIdsAndMatchesRepeatedOnes) {
  Load(R"({"goods":[)" + Good(10, R"("name":"Bread")") + "]}", kGoods);
  db::Query gap(base.conn());
  gap.SetSql(
      "CREATE TEMP TRIGGER take_ids AFTER INSERT ON tirDocuments WHEN NEW.fDocNum IN (2, 700) "
      "BEGIN INSERT INTO tirDocuments (fId, fDocNum) VALUES (NEW.fId + 5, -1); END;");
  gap.ExecSql();
  const auto doc = [&](int n, int num, int transact) {
    return Doc(n,
               R"("num":)" + std::to_string(num) +
                   R"(,"type":6,"state":0,"date":"20240105100000","transactguid":")" + G(transact) +
                   "\"",
               "");
  };
  std::string docs = R"({"docs":[)" + doc(1000, 0, 1000);
  for (int n = 1; n <= 1000; ++n) docs += "," + doc(1000 + n, n, n == 3 ? 1002 : 1000 + n);
  docs += "," + doc(1000, 9999, 1000) + "]}";
  base.conn().StartTransaction();
  Load(docs, kDocs);
  base.conn().Commit();
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocuments WHERE fDocNum >= 0"), 1001);
  EXPECT_EQ(Int("SELECT MAX(fId) - MIN(fId) + 1 - COUNT(*) FROM tirDocuments"), 8);  // the gaps
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocuments WHERE fDocNum >= 0 AND fTransactId <> fId"), 1);
  EXPECT_EQ(Int("SELECT t.fDocNum FROM tirDocuments d JOIN tirDocuments t ON t.fId = "
                "d.fTransactId WHERE d.fDocNum = 3"),
            2);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocuments WHERE fDocNum = 9999"), 1);
}

TEST_F(GoodsDocsTest, MissingReferenceStopsTheDocumentsAndUnknownGoodsBecomePlaceholders) {
  const std::string good =
      Doc(21, R"("num":1,"type":1)", R"({"guid":")" + G(77) + R"(","qtty":1})");
  std::string bad = Doc(22, R"("num":2,"type":1,"date":"20240301120000")", "");
  bad.replace(bad.find(G(2)), 36, G(55));  // a store the base does not know
  const std::string after = Doc(23, R"("num":3,"type":1)", "");
  Load(R"({"docs":[)" + good + "," + bad + "," + after + "]}", kDocs);
  EXPECT_TRUE(loader.mifNeadUpdateAllSPR);
  EXPECT_EQ(loader.mTextSTRNeadUpdateAllSPR,
            "fStoreId; DocNum=2; Date: 01.03.2024 12:00:00; Type: 1");
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocuments"), 1);
  EXPECT_EQ(Text("SELECT fName FROM tirGoods"), "New unknown good " + G(77));
  EXPECT_EQ(Int("SELECT fState FROM tirDocuments"), 0);  // saved before the refusal: posted

  // A look-up the base cannot answer is an error of the load, not a reference that is missing.
  base.conn().ExecScript("ALTER TABLE tirStores RENAME COLUMN fGUID2 TO fGUID2Old;");
  loader.mifNeadUpdateAllSPR = false;
  ASSERT_TRUE(loader.OpenAndParse(R"({"docs":[)" + after + "]}"));
  EXPECT_THROW(loader.SaveUniversalDocs(), db::DbError);
  EXPECT_FALSE(loader.mifNeadUpdateAllSPR);
}

// Registers and states after loading `files` in turn on a fresh base, every load posting its
// documents through the batch (threshold 0) or one by one.
std::string LoadedPostings(const std::vector<std::string>& files, bool batch) {
  tir::test::TempBase base;
  TDMJsonLoader l;
  l.SetConnection(&base.conn());
  l.mGoodsPauseMs = 0;
  l.mBatchPostingAbove = batch ? 0 : 1000000;
  std::size_t posted = 0;
  l.mDocsProgress = [&](bool posting, std::size_t done, std::size_t) {
    if (posting) posted = done;
  };
  GoodsDocsTest::LoadCatalogs(l);
  for (const std::string& file : files) {
    EXPECT_TRUE(l.OpenAndParse(file)) << l.mErrorText;
    l.AddOrUpdateGoods();
    l.SaveUniversalDocs();
  }
  EXPECT_EQ(posted > 0, batch);  // the batch reports every chunk; one by one every 100
  const auto rows = [&](const std::string& select, const std::string& order) {
    return tir::test::ScalarText(base.conn(), "SELECT ifnull(group_concat(x, ' | '), '') FROM (" +
                                                  select + " ORDER BY " + order + ")");
  };
  const std::string doc = "(SELECT d.fGUID2 FROM tirDocuments d WHERE d.fId = r.fDocId)";
  return rows("SELECT " + doc +
                  "||':'||fStoreId||':'||fGoodId||':'||fSign||':'||fOperType||':'||round(fQtty, "
                  "3)||':'||round(fSum, 2) x FROM tirAStore r",
              "x") +
         "\n" +
         rows(
             "SELECT fStoreId||':'||fGoodId||':'||round(fQtty, 3)||':'||round(fSum, 2) x FROM "
             "tirAStoreNow",
             "x") +
         "\n" +
         rows("SELECT " + doc + "||':'||fSign||':'||round(fSum, 2) x FROM tirAMSettlement r", "x") +
         "\n" + rows("SELECT fGUID2||':'||fState x FROM tirDocuments", "x");
}

TEST_F(GoodsDocsTest, BatchPostingOfALoadEqualsPostingOneByOne) {
  const auto line = [&](int good, const std::string& members) {
    return R"({"guid":")" + G(good) + "\"," + members + "}";
  };
  const std::string goods =
      R"({"goods":[)" + Good(10, R"("name":"Bread")") + "," + Good(11, R"("name":"Milk")") + "]}";
  const auto docs = [&](const char* saleQtty) {
    // File order is not date order; one document comes twice (the later one counts), and every
    // state, a customer return and a move between stores are among them.
    return R"({"docs":[)" +
           Doc(20, R"("num":1,"type":1,"state":0,"date":"20240102100000","sum":150)",
               line(10, R"("qtty":10,"sum":100)") + "," + line(11, R"("qtty":5,"sum":50)")) +
           "," +
           Doc(21, R"("num":2,"type":2,"state":0,"date":"20240103100000","sum":40)",
               line(10, std::string(R"("qtty":)") + saleQtty + R"(,"sum":40)")) +
           "," +
           Doc(22, R"("num":3,"type":11,"state":0,"date":"20240104100000","sum":10)",
               line(10, R"("qtty":1,"sum":10)")) +
           "," +
           Doc(23, R"("num":4,"type":2,"state":1,"date":"20240105100000")",
               line(11, R"("qtty":1)")) +
           "," +
           Doc(24, R"("num":5,"type":2,"state":2,"date":"20240105110000")",
               line(11, R"("qtty":2)")) +
           "," +
           Doc(25, R"("num":6,"type":2,"state":3,"date":"20240105120000")",
               line(10, R"("qtty":2)")) +
           "," +
           Doc(26,
               R"("num":7,"type":8,"state":0,"date":"20240106100000","storeto":")" + G(3) + "\"",
               line(10, R"("qtty":2)") + "," + line(11, R"("qtty":1)")) +
           "," +
           Doc(21, R"("num":2,"type":2,"state":0,"date":"20240103100000","sum":40)",
               line(11, R"("qtty":1,"sum":40)")) +
           "," +
           Doc(27, R"("num":8,"type":1,"state":0,"date":"20240101100000","sum":30)",
               line(10, R"("qtty":3,"sum":30)")) +
           "]}";
  };
  // The second file changes a posted sale: its earlier rows are removed as it is posted again.
  const std::vector<std::string> files = {goods, docs("3"), docs("4")};
  const std::string oneByOne = LoadedPostings(files, false);
  EXPECT_NE(oneByOne.find(":11:"), std::string::npos) << oneByOne;
  EXPECT_EQ(LoadedPostings(files, true), oneByOne);
}

TEST_F(GoodsDocsTest, BatchPostingRefusesWhileAnotherWorkstationRepostsTheBase) {
  posting::TDMMainProvodka other;
  other.SetConnectToDB(&base.conn());
  ASSERT_TRUE(other.TryBeginMassRepostControl(0));
  Load(R"({"goods":[)" + Good(10, R"("name":"Bread")") + "]}", kGoods);
  loader.mBatchPostingAbove = 0;
  ASSERT_TRUE(loader.OpenAndParse(
      R"({"docs":[)" +
      Doc(20, R"("num":1,"type":1,"state":0)", R"({"guid":")" + G(10) + R"(","qtty":4,"sum":50})") +
      "]}"));
  try {
    loader.SaveUniversalDocs();
    ADD_FAILURE() << "posting went ahead under another holder's control";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("масове перепроведення"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirAStore"), 0);
  EXPECT_TRUE(other.IsMassRepostControlActive());  // the holder keeps it
}

TEST_F(GoodsDocsTest, MobileOrdersCookStatusAndGoodsLists) {
  Load(R"({"goods":[)" + Good(10, R"("name":"Tea","code":"T","pin":2,"p1":5)") + "]}", kGoods);
  TTirTokenOne token;
  token.m2_mEntIDMapped = Int("SELECT fId FROM tirEntities");
  token.m2_mStoreIDMapped = 1;
  token.m2_mUserIDMapped = 4;
  loader.SetTokenInfo(token);
  const std::string order = R"({"docs":[{"guid":")" + G(30) + R"(","partner":")" + G(4) +
                            R"(","sum":10.004,"type":6,"desc":"call","docgoods":[{"guid":")" +
                            G(10) + R"(","qtty":2,"sum":10},{"guid":")" + G(99) +
                            R"(","qtty":1}]}]})";
  Load(order, [](TDMJsonLoader& l) { l.SaveDocFromMobileAgent(); });
  Load(order, [](TDMJsonLoader& l) { l.SaveDocFromMobileAgent(); });
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocuments"), 1);
  EXPECT_EQ(Int("SELECT fDocNum FROM tirDocuments"), 1);
  EXPECT_EQ(Int("SELECT fTransactId = fId FROM tirDocuments"), 1);
  EXPECT_EQ(Int("SELECT fColor FROM tirDocuments"), 14540287);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDocGoods"), 1);
  const std::int64_t doc = Int("SELECT fId FROM tirDocuments");

  std::vector<TGoodsExportsDOCFromJS> list;
  loader.GetGoodsListFromFirstDoc(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].fCode, u"T");
  EXPECT_DOUBLE_EQ(static_cast<double>(list[0].fPriceOut), 5.0);

  db::Query q(base.conn());
  q.SetSql("UPDATE tirDocGoods SET fPosId = 1;");
  q.ExecSql();
  const std::string cook = R"({"ordercookdoc":{"orderstatus":7,"orderposindoc":1)";
  Load(cook + "}}", [](TDMJsonLoader& l) { l.ChangeCookStatus(); });
  EXPECT_EQ(Int("SELECT fTypeInDoc FROM tirDocGoods"), 0);  // without lid nothing changes
  Load(cook + R"(,"lid":)" + std::to_string(doc) + "}}",
       [](TDMJsonLoader& l) { l.ChangeCookStatus(); });
  EXPECT_EQ(Int("SELECT fTypeInDoc FROM tirDocGoods"), 7);

  Load(R"({"goods":[{"guid":")" + G(10) + R"(","qtty":3},{"guid":")" + G(10) + R"(","qtty":0}]})",
       [&list](TDMJsonLoader& l) { l.GetGoodsListQttyFromSPR(list); });
  ASSERT_EQ(list.size(), 1u);
  EXPECT_DOUBLE_EQ(static_cast<double>(list[0].fSumIn), 6.0);
}

}  // namespace
}  // namespace tir::import::test
