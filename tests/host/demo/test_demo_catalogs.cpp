// The catalogs and references of a small sample base.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/query.h"
#include "host/demo/demo_base.h"
#include "tests/host/demo/demo_checks.h"
#include "tests/support/temp_base.h"

namespace {

using tir::test::ScalarInt;
using tir::test::TempBase;

class DemoCatalogs : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    base_ = std::make_unique<TempBase>();
    tir::demo::DemoOptions options;
    options.goods = 1000;
    options.docs = 600;
    options.seed = 11;
    tir::demo::GenerateDemoBase(base_->conn(), options);
  }
  static void TearDownTestSuite() { base_.reset(); }
  static tir::db::Connection& conn() { return base_->conn(); }
  static std::int64_t Count(const std::string& sql) { return ScalarInt(conn(), sql); }

  static std::unique_ptr<TempBase> base_;
};
std::unique_ptr<TempBase> DemoCatalogs::base_;

TEST_F(DemoCatalogs, EveryCatalogHasRows) {
  for (const char* table :
       {"tirGoods",        "tirPrices",      "tirPricesNames", "tirRecipes",  "tirGPhotoes",
        "tirUktzed",       "tirPartners",    "tirContracts",   "tirEntities", "tirStores",
        "tirCashAccounts", "tirCurrencies",  "tirVAT",         "tirItemCost", "tirTables",
        "tirMods",         "tirSalePoints",  "tirDiscount",    "tirUsers",    "tirUsersRG",
        "tirSettings",     "tirDEXSBaseIDs", "tirDocStoreMove"}) {
    EXPECT_GT(Count(std::string("SELECT COUNT(*) FROM ") + table), 0) << table;
  }
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirGoods"), 1000);
}

TEST_F(DemoCatalogs, GroupTreesAreSoundAndSeveralLevelsDeep) {
  for (const char* table :
       {"tirGoodsGroups", "tirPartnersGroups", "tirEntitiesGroups", "tirStoresGroups",
        "tirCurrenciesGroups", "tirVATsGroups", "tirItemCostGroups", "tirTablesGroups",
        "tirModsGroups", "tirSalePGroups", "tirUsersGroups", "tirUktzedGroups", "tirPricesGroups",
        "tirEKKAGroups"}) {
    EXPECT_EQ(tir::test::TreeProblems(conn(), table), "") << table;
    EXPECT_GT(Count(std::string("SELECT COUNT(*) FROM ") + table), 2) << table;
  }
  EXPECT_GE(Count("SELECT MAX(fclev) FROM tirGoodsGroups"), 3);
  EXPECT_GE(Count("SELECT MAX(fclev) FROM tirPartnersGroups"), 3);
}

TEST_F(DemoCatalogs, ReferencesPointAtExistingRows) {
  const char* const orphans[] = {
      "SELECT COUNT(*) FROM tirDocGoods g WHERE NOT EXISTS (SELECT 1 FROM tirDocuments d WHERE "
      "d.fId=g.fDocId)",
      "SELECT COUNT(*) FROM tirDocGoods g WHERE NOT EXISTS (SELECT 1 FROM tirGoods t WHERE "
      "t.fId=g.fGoodId)",
      "SELECT COUNT(*) FROM tirGoods g WHERE NOT EXISTS (SELECT 1 FROM tirGoodsGroups t WHERE "
      "t.fId=g.fGroupID AND t.fclev>0)",
      "SELECT COUNT(*) FROM tirGoods g WHERE fMainPartner<>0 AND NOT EXISTS (SELECT 1 FROM "
      "tirPartners p WHERE p.fId=g.fMainPartner)",
      "SELECT COUNT(*) FROM tirGoods g WHERE NOT EXISTS (SELECT 1 FROM tirVAT v WHERE "
      "v.fId=g.fVATGroup)",
      "SELECT COUNT(*) FROM tirGoods g WHERE fUKTZED<>0 AND NOT EXISTS (SELECT 1 FROM tirUktzed u "
      "WHERE u.fId=g.fUKTZED)",
      "SELECT COUNT(*) FROM tirPrices p WHERE NOT EXISTS (SELECT 1 FROM tirGoods g WHERE "
      "g.fId=p.fGoodId) OR NOT EXISTS (SELECT 1 FROM tirPricesNames n WHERE n.fId=p.fPriceId)",
      "SELECT COUNT(*) FROM tirRecipes r WHERE NOT EXISTS (SELECT 1 FROM tirGoods g WHERE "
      "g.fId=r.fGoodId AND g.fType=2) OR NOT EXISTS (SELECT 1 FROM tirGoods g WHERE "
      "g.fId=r.fCompId)",
      "SELECT COUNT(*) FROM tirContracts c WHERE NOT EXISTS (SELECT 1 FROM tirPartners p WHERE "
      "p.fId=c.fPartnerId) OR NOT EXISTS (SELECT 1 FROM tirEntities e WHERE e.fId=c.fEntitiId)",
      "SELECT COUNT(*) FROM tirDocuments d WHERE NOT EXISTS (SELECT 1 FROM tirEntities e WHERE "
      "e.fId=d.fEntityId) OR NOT EXISTS (SELECT 1 FROM tirStores s WHERE s.fId=d.fStoreId)",
      "SELECT COUNT(*) FROM tirDocuments d WHERE fPartnerId<>0 AND NOT EXISTS (SELECT 1 FROM "
      "tirPartners p WHERE p.fId=d.fPartnerId)",
      // A document's contract belongs to its partner and its entity.
      "SELECT COUNT(*) FROM tirDocuments d WHERE fContractId<>0 AND NOT EXISTS (SELECT 1 FROM "
      "tirContracts c WHERE c.fId=d.fContractId AND c.fPartnerId=d.fPartnerId AND "
      "c.fEntitiId=d.fEntityId)",
      "SELECT COUNT(*) FROM tirDocuments d WHERE fCashAccountId<>0 AND NOT EXISTS (SELECT 1 FROM "
      "tirCashAccounts a WHERE a.fId=d.fCashAccountId AND a.fEntitiId=d.fEntityId)",
      "SELECT COUNT(*) FROM tirDocuments d WHERE fItemCost<>0 AND NOT EXISTS (SELECT 1 FROM "
      "tirItemCost i WHERE i.fId=d.fItemCost)",
      "SELECT COUNT(*) FROM tirDocuments d WHERE fTableId<>0 AND NOT EXISTS (SELECT 1 FROM "
      "tirTables t WHERE t.fId=d.fTableId)",
      "SELECT COUNT(*) FROM tirDocuments d WHERE (fUserId<>0 OR fDocType<>0) AND NOT EXISTS "
      "(SELECT 1 FROM tirUsers u WHERE u.fId=d.fUserId)",
      "SELECT COUNT(*) FROM tirCashAccounts a WHERE NOT EXISTS (SELECT 1 FROM tirCurrencies c "
      "WHERE c.fId=a.fCurrId)",
      "SELECT COUNT(*) FROM tirUsers u WHERE NOT EXISTS (SELECT 1 FROM tirUsersRG r WHERE "
      "r.fId=u.fState)",
      "SELECT COUNT(*) FROM tirDocStoreMove m WHERE NOT EXISTS (SELECT 1 FROM tirDocuments d "
      "WHERE d.fId=m.fDocId AND d.fDocType=8)"};
  for (const char* sql : orphans) EXPECT_EQ(Count(sql), 0) << sql;
}

TEST_F(DemoCatalogs, DocumentsUseTheHeaderFieldsOfTheirType) {
  // Moves go between two different stores; no other type names a second store.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirDocuments WHERE fDocType=8 AND (fStoreId2=0 OR "
                  "fStoreId2=fStoreId)"),
            0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirDocuments WHERE fDocType<>8 AND fStoreId2<>0"), 0);
  // Receipts, supplier orders and supplier returns name a supplier with a contract.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirDocuments d JOIN tirPartners p ON p.fId=d.fPartnerId "
                  "WHERE d.fDocType IN (1,7,12) AND (p.fState<>1 OR d.fContractId=0)"),
            0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirDocuments WHERE fDocType IN (1,7,12) AND fPartnerId=0"),
            0);
  // Money documents name a cash account and a sum; some use a bonus account.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirDocuments WHERE fDocType IN (4,5) AND "
                  "(fCashAccountId=0 OR fDocSum<=0)"),
            0);
  // Production: every ingredient belongs to a product line of the same position.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirDocGoods i JOIN tirDocuments d ON d.fId=i.fDocId WHERE "
                  "d.fDocType=13 AND i.fTypeInDoc=2 AND NOT EXISTS (SELECT 1 FROM tirDocGoods p "
                  "WHERE p.fDocId=i.fDocId AND p.fTypeInDoc=1 AND p.fPosId=i.fPosId)"),
            0);
  EXPECT_GT(Count("SELECT COUNT(*) FROM tirDocGoods g JOIN tirDocuments d ON d.fId=g.fDocId WHERE "
                  "d.fDocType=14 AND g.fDiscount<>0"),
            0);
  // Sale and receipt sums are the sums of their lines.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirDocuments d WHERE d.fDocType IN (1,2) AND "
                  "ABS(d.fDocSum - (SELECT SUM(fSum) FROM tirDocGoods g WHERE g.fDocId=d.fId)) > "
                  "0.01"),
            0);
}

TEST_F(DemoCatalogs, GuidsAreMostlySetUniqueAndSometimesMissing) {
  for (const char* table : {"tirGoods", "tirPartners", "tirDocuments", "tirContracts"}) {
    const std::string t = table;
    const auto rows = Count("SELECT COUNT(*) FROM " + t);
    const auto missing = Count("SELECT COUNT(*) FROM " + t + " WHERE fGUID1=0 AND fGUID2=0");
    EXPECT_LT(missing * 5, rows) << t;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM " + t + " WHERE (fGUID1=0) <> (fGUID2=0)"), 0) << t;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM (SELECT fGUID1, fGUID2 FROM " + t +
                    " WHERE fGUID1<>0 GROUP BY fGUID1, fGUID2 HAVING COUNT(*)>1)"),
              0)
        << t;
  }
  EXPECT_GT(Count("SELECT COUNT(*) FROM tirGoods WHERE fGUID1=0"), 0);
}

TEST_F(DemoCatalogs, BarcodesCarryAValidCheckDigit) {
  tir::db::Query q(conn());
  q.SetSql(
      "SELECT fBarCode FROM tirGoods WHERE fBarCode IS NOT NULL UNION ALL SELECT fBarCode2 "
      "FROM tirGoods WHERE fBarCode2 IS NOT NULL;");
  q.Open();
  int checked = 0;
  for (; !q.Eof(); q.Next()) {
    const std::string code = q.FieldByIndex(0).AsText();
    ASSERT_EQ(code.size(), 13u) << code;
    int sum = 0;
    for (int i = 0; i < 12; ++i) sum += (code[i] - '0') * (i % 2 == 0 ? 1 : 3);
    EXPECT_EQ(code[12] - '0', (10 - sum % 10) % 10) << code;
    ++checked;
  }
  EXPECT_GT(checked, 800);
  // Extra barcodes are kept as ";code;code;" so that a LIKE '%;code;%' search finds them.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirGoods WHERE fBarCodeList IS NOT NULL AND "
                  "(fBarCodeList NOT LIKE ';%;' OR length(fBarCodeList) <> 29)"),
            0);
}

TEST_F(DemoCatalogs, MoneyAndPriceCatalogsAreComplete) {
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirCashAccounts WHERE fType=1"),
            Count("SELECT COUNT(*) FROM tirEntities"));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirCurrencies WHERE fCurr=1"), 1);
  EXPECT_GT(Count("SELECT COUNT(*) FROM tirCurrencies WHERE fCurr>1"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirGoods g WHERE NOT EXISTS (SELECT 1 FROM tirPrices p "
                  "WHERE p.fGoodId=g.fId AND p.fPriceId=1 AND p.fPrice=g.fPriceOut1)"),
            0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirGoods WHERE fPriceOut1 < fPriceIn OR fPriceIn <= 0"), 0);
  EXPECT_GT(Count("SELECT COUNT(*) FROM tirDiscount WHERE fVer >= 3"), 0);
  EXPECT_GT(Count("SELECT COUNT(*) FROM tirDiscount WHERE fVer < 3"), 0);
  EXPECT_GT(Count("SELECT COUNT(*) FROM tirSalePoints WHERE (fBitParams & 1) = 1"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirSettings WHERE fMId=450 AND fPType=-39 AND "
                  "length(fPStr50)=38"),
            1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirGPhotoes WHERE length(fPhoto) <= 8"), 0);
}

}  // namespace
