// The SQLite schema: tables, group-tree roots, keys, defaults, row versions and date columns.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "db/date_time.h"
#include "db/db_error.h"
#include "db/query.h"
#include "host/schema/schema.h"
#include "tests/support/temp_base.h"

namespace {

using tir::test::ScalarInt;
using tir::test::ScalarText;
using tir::test::TempBase;

const char* const kRequiredTables[] = {"tirGoods",          "tirGoodsGroups",
                                       "tirPrices",         "tirPricesNames",
                                       "tirPricesGroups",   "tirRecipes",
                                       "tirGPhotoes",       "tirDocuments",
                                       "tirDocGoods",       "tirDocStoreMove",
                                       "tirAStore",         "tirAStoreNow",
                                       "tirAMSettlement",   "tirAPayments",
                                       "tirSettings",       "tirUsers",
                                       "tirUsersRG",        "tirUsersGroups",
                                       "tirPartners",       "tirPartnersGroups",
                                       "tirContracts",      "tirEntities",
                                       "tirStores",         "tirCashAccounts",
                                       "tirCurrencies",     "tirVAT",
                                       "tirItemCost",       "tirTables",
                                       "tirMods",           "tirSalePoints",
                                       "tirDiscount",       "tirUktzed",
                                       "tirDEXSBaseIDs",    "tirEntitiesGroups",
                                       "tirItemCostGroups", "tirCurrenciesGroups",
                                       "tirStoresGroups",   "tirTablesGroups",
                                       "tirModsGroups",     "tirVATsGroups",
                                       "tirSalePGroups",    "tirUktzedGroups",
                                       "tirEKKAGroups",     "tirSysLog"};

const char* const kGroupTables[] = {"tirGoodsGroups",    "tirPartnersGroups",   "tirEntitiesGroups",
                                    "tirStoresGroups",   "tirCurrenciesGroups", "tirVATsGroups",
                                    "tirItemCostGroups", "tirTablesGroups",     "tirModsGroups",
                                    "tirSalePGroups",    "tirUsersGroups",      "tirUktzedGroups",
                                    "tirPricesGroups",   "tirEKKAGroups"};

std::set<std::string> TablesIn(tir::db::Connection& conn) {
  tir::db::Query q(conn);
  q.SetSql(
      "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY "
      "name;");
  q.Open();
  std::set<std::string> names;
  for (; !q.Eof(); q.Next()) names.insert(q.FieldByName("name").AsText());
  return names;
}

TEST(SchemaSqlite, CreatesEveryTableTheDdlNames) {
  TempBase base;
  const auto tables = TablesIn(base.conn());
  for (const char* name : kRequiredTables) EXPECT_TRUE(tables.count(name)) << name;
  const auto listed = tir::schema::TableNames();
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), tables);
  EXPECT_EQ(listed.size(), tables.size()) << "a table is created twice in the DDL";
}

TEST(SchemaSqlite, GroupTablesHoldASoundRoot) {
  TempBase base;
  for (const char* table : kGroupTables) {
    const std::string t = table;
    EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM " + t), 1) << t;
    EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM " + t +
                                         " WHERE fcl=1 AND fcr=2 AND fclev=0 AND fName='root'"),
              1)
        << t;
  }
}

TEST(SchemaSqlite, CreatingTwiceChangesNothing) {
  TempBase base;
  base.conn().ExecScript("INSERT INTO tirGoods (fName) VALUES ('Хліб');");
  tir::schema::CreateSchema(base.conn());
  // Also on a later connection to the same file.
  base.Close();
  tir::schema::CreateSchema(base.Reopen());
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirGoodsGroups"), 1);
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirGoods"), 1);
}

TEST(SchemaSqlite, FailureOnAConflictingBaseLeavesNothingBehind) {
  TempBase base(false);
  base.conn().ExecScript("CREATE TABLE tirGoods (fId INTEGER PRIMARY KEY, fName TEXT);");
  EXPECT_THROW(tir::schema::CreateSchema(base.conn()), tir::db::DbError)
      << "an index on a column the old table lacks must fail loudly";
  // The failed run left nothing behind: it ran in its own transaction.
  EXPECT_EQ(TablesIn(base.conn()), std::set<std::string>{"tirGoods"});
  EXPECT_FALSE(base.conn().InTransaction());
}

TEST(SchemaSqlite, RunsInsideTheCallersTransaction) {
  TempBase base(false);
  base.conn().StartTransaction();
  tir::schema::CreateSchema(base.conn());
  EXPECT_TRUE(base.conn().InTransaction());
  base.conn().Rollback();
  EXPECT_TRUE(TablesIn(base.conn()).empty());
}

TEST(SchemaSqlite, DefaultsAndIdentityKeys) {
  TempBase base;
  auto& c = base.conn();
  c.ExecScript("INSERT INTO tirPartners (fName) VALUES ('ТОВ \"Ромашка\"');");
  EXPECT_EQ(ScalarInt(c, "SELECT fGUID1 + fGUID2 FROM tirPartners"), 0);
  EXPECT_EQ(ScalarInt(c, "SELECT fGroupID FROM tirPartners"), 0);
  EXPECT_EQ(ScalarText(c, "SELECT typeof(fCode) FROM tirPartners"), "null");
  c.ExecScript("INSERT INTO tirDocuments (fDocType) VALUES (2);");
  EXPECT_DOUBLE_EQ(tir::test::ScalarDouble(c, "SELECT fCurrRate FROM tirDocuments"), 1.0);

  // Identity ids are not reused after the last row is deleted.
  c.ExecScript(
      "INSERT INTO tirPartners (fName) VALUES ('b'); DELETE FROM tirPartners WHERE fId=2;"
      "INSERT INTO tirPartners (fName) VALUES ('c');");
  EXPECT_EQ(ScalarInt(c, "SELECT MAX(fId) FROM tirPartners"), 3);
  // An explicit id (import keeping the sender's id) moves the sequence past it.
  c.ExecScript(
      "INSERT INTO tirVAT (fId, fName) VALUES (40, '20%'); INSERT INTO tirVAT (fName) "
      "VALUES ('7%');");
  EXPECT_EQ(ScalarInt(c, "SELECT MAX(fId) FROM tirVAT"), 41);
}

TEST(SchemaSqlite, BalanceAndPriceKeysAreUnique) {
  TempBase base;
  auto& c = base.conn();
  c.ExecScript("INSERT INTO tirAStoreNow (fEntId, fStoreId, fGoodId) VALUES (1, 2, 3);");
  EXPECT_THROW(
      c.ExecScript("INSERT INTO tirAStoreNow (fEntId, fStoreId, fGoodId) VALUES (1, 2, 3);"),
      tir::db::DbError);
  c.ExecScript("INSERT INTO tirPrices (fPriceId, fGoodId, fPrice) VALUES (1, 7, 10.5);");
  // The upsert form the goods import uses on SQLite relies on that unique key.
  c.ExecScript(
      "INSERT INTO tirPrices (fPriceId, fGoodId, fPrice) VALUES (1, 7, 12.0) "
      "ON CONFLICT (fGoodId, fPriceId) DO UPDATE SET fPrice=excluded.fPrice;");
  EXPECT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM tirPrices"), 1);
  EXPECT_EQ(ScalarInt(c, "SELECT fPrice FROM tirPrices"), 12);
}

TEST(SchemaSqlite, RowVersionGrowsOnInsertAndChange) {
  TempBase base;
  auto& c = base.conn();
  c.ExecScript(
      "INSERT INTO tirGoods (fName) VALUES ('a'); INSERT INTO tirGoods (fName) VALUES ('b');");
  EXPECT_EQ(ScalarInt(c, "SELECT fRV FROM tirGoods WHERE fId=1"), 1);
  EXPECT_EQ(ScalarInt(c, "SELECT fRV FROM tirGoods WHERE fId=2"), 2);
  c.ExecScript("UPDATE tirGoods SET fName='a2' WHERE fId=1;");
  EXPECT_EQ(ScalarInt(c, "SELECT fRV FROM tirGoods WHERE fId=1"), 3);
  EXPECT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM tirGoods WHERE fRV > 2"), 1);
  // A writer that sets the version itself keeps it.
  c.ExecScript("INSERT INTO tirDocuments (fDocType, fRV) VALUES (1, 50);");
  c.ExecScript("INSERT INTO tirDocuments (fDocType) VALUES (1);");
  EXPECT_EQ(ScalarInt(c, "SELECT MAX(fRV) FROM tirDocuments"), 51);
  c.ExecScript("UPDATE tirDocuments SET fState=0 WHERE fId=1;");
  EXPECT_EQ(ScalarInt(c, "SELECT fRV FROM tirDocuments WHERE fId=1"), 52);
}

TEST(SchemaSqlite, DateColumnsCompareWithTheBaseClockAndKeepMarkers) {
  TempBase base;
  auto& c = base.conn();
  c.ExecScript(
      "INSERT INTO tirDocuments (fDocType, fSyncDate) VALUES (2, NULL), (2, -1),"
      " (2, '2024-03-01 10:15:00.000');"
      "INSERT INTO tirSettings (fMId, fPType, fPDate) VALUES (170, -48, "
      "datetime(CURRENT_TIMESTAMP, '-20 minutes'));");
  EXPECT_EQ(ScalarText(c, "SELECT typeof(fSyncDate) FROM tirDocuments WHERE fId=2"), "integer");
  EXPECT_EQ(ScalarText(c, "SELECT typeof(fSyncDate) FROM tirDocuments WHERE fId=3"), "text");
  EXPECT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM tirDocuments WHERE fSyncDate <= 0"), 1);
  EXPECT_EQ(ScalarInt(c,
                      "SELECT COUNT(*) FROM tirDocuments WHERE fSyncDate < CURRENT_TIMESTAMP "
                      "AND fSyncDate > '2024-01-01'"),
            1);
  EXPECT_EQ(ScalarInt(c,
                      "SELECT COUNT(*) FROM tirSettings WHERE "
                      "fPDate < datetime(CURRENT_TIMESTAMP, '-15 minutes')"),
            1);
}

TEST(SchemaSqlite, ABoundDateTimeFindsEveryTextFormOfTheSameInstant) {
  TempBase base;
  auto& c = base.conn();
  c.ExecScript(
      "INSERT INTO tirDocuments (fDocType, fDateTime) VALUES (1, '2024-01-05 10:20:30'),"
      " (2, '2024-01-05'), (3, '2024-01-05T10:20:30.000'), (4, 'not a date');"
      "UPDATE tirDocuments SET fSyncDate = '2024-01-05 00:00' WHERE fDocType = 2;");
  auto count = [&c](const std::string& where, double day) {
    tir::db::Query q(c);
    q.SetSql("SELECT COUNT(*) FROM tirDocuments WHERE " + where);
    q.ParamByName("p").SetDateTime(day);
    q.Open();
    return q.FieldByIndex(0).AsInt64();
  };
  const double midnight = tir::db::EncodeDateTime({2024, 1, 5, 0, 0, 0, 0});
  const double moment = tir::db::EncodeDateTime({2024, 1, 5, 10, 20, 30, 0});
  EXPECT_EQ(count("fDateTime = :p", moment), 2);
  EXPECT_EQ(count("fDateTime = :p", midnight), 1);
  EXPECT_EQ(count("fDateTime >= :p", midnight), 4);  // text that is no date sorts after dates
  EXPECT_EQ(count("fSyncDate = :p", midnight), 1);
  EXPECT_EQ(ScalarText(c, "SELECT fDateTime FROM tirDocuments WHERE fDocType = 4"), "not a date");
}

}  // namespace
