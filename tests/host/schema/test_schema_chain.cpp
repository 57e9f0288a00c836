// The chain exchange's part of the schema: the goods-changed counter moved by any writer, the
// document change stamps, and the objects an older base gets when the exchange opens it.
#include <gtest/gtest.h>

#include <string>

#include "db/query.h"
#include "db/statement_recorder.h"
#include "host/demo/demo_base.h"
#include "host/schema/schema.h"
#include "tests/support/temp_base.h"
#include "tree/tree_integrity.h"

namespace {

using tir::test::ScalarInt;
using tir::test::TempBase;

std::int64_t Counter(tir::db::Connection& c) {
  return ScalarInt(c, "SELECT fPI FROM tirSettings WHERE fMId=0 AND fPType=-30");
}

std::int64_t Stamp(tir::db::Connection& c, int doc) {
  return ScalarInt(c, "SELECT fStamp FROM tirxDocStamps WHERE fDocId=" + std::to_string(doc));
}

// Every statement a host's editor or an SQL tool may run on the goods catalogs moves the counter.
void ExpectEveryGoodsWriteMovesTheCounter(tir::db::SqliteConnection& c) {
  // Two long statements are written across two lines each.
  // NOLINTBEGIN(bugprone-suspicious-missing-comma)
  const char* const writes[] = {
      "INSERT INTO tirGoods (fName, fBarCode) VALUES ('Молоко', '4820000000011')",
      "UPDATE tirGoods SET fBarCode='4820000000028' WHERE fName='Молоко'",
      "INSERT INTO tirPrices (fPriceId, fGoodId, fPrice) SELECT 1, fId, 10 FROM tirGoods "
      "WHERE fName='Молоко'",
      "UPDATE tirPrices SET fPrice=11.5 WHERE fGoodId=(SELECT fId FROM tirGoods WHERE "
      "fName='Молоко')",
      "DELETE FROM tirPrices WHERE fGoodId=(SELECT fId FROM tirGoods WHERE fName='Молоко')",
      "INSERT INTO tirRecipes (fGoodId, fCompId, fCount) SELECT fId, fId, 1 FROM tirGoods "
      "WHERE fName='Молоко'",
      "UPDATE tirRecipes SET fCount=2",
      "DELETE FROM tirRecipes",
      "INSERT INTO tirPricesNames (fName) VALUES ('Опт')",
      "UPDATE tirPricesNames SET fName='Гурт' WHERE fName='Опт'",
      "DELETE FROM tirPricesNames WHERE fName='Гурт'",
      "INSERT INTO tirGoodsGroups (fName, fcl, fcr, fclev) VALUES ('Напої', 2, 3, 1)",
      "UPDATE tirGoodsGroups SET fName='Соки' WHERE fName='Напої'",
      "DELETE FROM tirGoodsGroups WHERE fName='Соки'",
      "DELETE FROM tirGoods WHERE fName='Молоко'",
  };
  // NOLINTEND(bugprone-suspicious-missing-comma)
  for (const char* sql : writes) {
    const std::int64_t before = Counter(c);
    c.ExecScript(std::string(sql) + ";");
    EXPECT_GT(Counter(c), before) << sql;
  }
}

TEST(SchemaChain, GoodsCounterMovesOnEveryWriteOfTheGoodsCatalogs) {
  TempBase base;
  EXPECT_EQ(ScalarInt(base.conn(), "SELECT COUNT(*) FROM tirSettings WHERE fMId=0 AND fPType=-30"),
            1);
  ExpectEveryGoodsWriteMovesTheCounter(base.conn());
}

TEST(SchemaChain, APriceChangedBySqlMovesTheCounterAndItsGoodOnADemoBase) {
  TempBase base;
  tir::demo::DemoOptions options;
  options.goods = 30;
  options.docs = 5;
  tir::demo::GenerateDemoBase(base.conn(), options);
  auto& c = base.conn();
  ASSERT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM tirSettings WHERE fMId=0 AND fPType=-30"), 1);
  const std::int64_t good = ScalarInt(c, "SELECT MIN(fGoodId) FROM tirPrices");
  const std::string where = " WHERE fId=" + std::to_string(good);
  const std::string id = std::to_string(good);
  // A changed, a new and a removed price each move the good's row version past every other, so
  // a client asking for goods changed after its last version gets the new prices.
  for (const std::string& sql :
       {"UPDATE tirPrices SET fPrice=fPrice+1 WHERE fGoodId=" + id,
        "INSERT INTO tirPrices (fPriceId, fGoodId, fPrice) VALUES (999, " + id + ", 5)",
        "DELETE FROM tirPrices WHERE fPriceId=999 AND fGoodId=" + id}) {
    const std::int64_t counter = Counter(c);
    const std::int64_t version = ScalarInt(c, "SELECT fRV FROM tirGoods" + where);
    c.ExecScript(sql + ";");
    EXPECT_GT(Counter(c), counter) << sql;
    EXPECT_GT(ScalarInt(c, "SELECT fRV FROM tirGoods" + where), version) << sql;
    EXPECT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM tirGoods WHERE fRV >= (SELECT fRV FROM tirGoods" +
                               where + ")"),
              1)
        << sql;
  }
  ExpectEveryGoodsWriteMovesTheCounter(c);
}

TEST(SchemaChain, DocumentStampMovesOnHeaderAndLineWritesOnlyForThatDocument) {
  TempBase base;
  auto& c = base.conn();
  c.ExecScript(
      "INSERT INTO tirDocuments (fDocType) VALUES (2); INSERT INTO tirDocuments (fDocType) "
      "VALUES (2);");
  ASSERT_GT(Stamp(c, 1), 0);
  ASSERT_GT(Stamp(c, 2), Stamp(c, 1));
  const char* const writes[] = {
      "UPDATE tirDocuments SET fState=3 WHERE fId=1",
      "INSERT INTO tirDocGoods (fDocId, fGoodId, fQtty) VALUES (1, 5, 2)",
      "UPDATE tirDocGoods SET fQtty=3 WHERE fDocId=1",
      "DELETE FROM tirDocGoods WHERE fDocId=1",
  };
  for (const char* sql : writes) {
    const std::int64_t mine = Stamp(c, 1), other = Stamp(c, 2);
    c.ExecScript(std::string(sql) + ";");
    EXPECT_GT(Stamp(c, 1), mine) << sql;
    EXPECT_GT(Stamp(c, 1), other) << "stamps are base-wide: " << sql;
    EXPECT_EQ(Stamp(c, 2), other) << sql;
  }
  // A line moved to another document moves both.
  c.ExecScript("INSERT INTO tirDocGoods (fDocId, fGoodId) VALUES (1, 5);");
  const std::int64_t first = Stamp(c, 1), second = Stamp(c, 2);
  c.ExecScript("UPDATE tirDocGoods SET fDocId=2;");
  EXPECT_GT(Stamp(c, 1), first);
  EXPECT_GT(Stamp(c, 2), second);
  // A deleted document keeps its stamp, so the largest stamp never goes back.
  const std::int64_t top = ScalarInt(c, "SELECT MAX(fStamp) FROM tirxDocStamps");
  c.ExecScript(
      "DELETE FROM tirDocuments WHERE fId=2; INSERT INTO tirDocuments (fDocType) VALUES (1);");
  EXPECT_GT(Stamp(c, 3), top);
}

TEST(SchemaChain, AnOlderBaseGetsTheChainObjectsOnceWithStampsForItsDocuments) {
  TempBase base;
  auto& c = base.conn();
  // A base made before the chain exchange: no counter row, no stamps, no ledger, no triggers.
  std::string drop;
  tir::db::Query objects(c);
  objects.SetSql(
      "SELECT type, name FROM sqlite_master WHERE name LIKE 'tirx%' AND type='table' OR name "
      "LIKE 'trgx%';");
  for (objects.Open(); !objects.Eof(); objects.Next()) {
    drop += "DROP " +
            std::string(objects.FieldByIndex(0).AsText() == "table" ? "TABLE " : "TRIGGER ") +
            objects.FieldByIndex(1).AsText() + ";";
  }
  objects.Close();
  c.ExecScript(drop + "DELETE FROM tirSettings WHERE fMId=0 AND fPType=-30;");
  c.ExecScript(
      "INSERT INTO tirDocuments (fDocType) VALUES (2); INSERT INTO tirDocuments (fDocType) "
      "VALUES (3);");
  ASSERT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM sqlite_master WHERE name LIKE 'tirx%'"), 0);

  tir::schema::EnsureChainSchema(c);
  tir::schema::EnsureChainSchema(c);
  EXPECT_FALSE(c.InTransaction());
  EXPECT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM tirSettings WHERE fMId=0 AND fPType=-30"), 1);
  EXPECT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM tirxDocStamps"), 2);
  const std::int64_t before = Stamp(c, 2);
  c.ExecScript("UPDATE tirDocuments SET fDesc='x' WHERE fId=2;");
  EXPECT_GT(Stamp(c, 2), before);
  for (const char* table : {"tirxPeers", "tirxPeerBatches", "tirxPeerBatchDocs", "tirxPeerDocs",
                            "tirxReceived", "tirxPushed"}) {
    EXPECT_EQ(
        ScalarInt(c, std::string("SELECT COUNT(*) FROM sqlite_master WHERE name='") + table + "'"),
        1)
        << table;
  }
}

TEST(SchemaChain, AnOlderBaseGetsTheIndexThatLetsTheTreeCheckReadNoRows) {
  TempBase base;
  auto& c = base.conn();
  c.ExecScript(
      "DROP INDEX IF EXISTS ix_tirGoodsGroups_crcl; DROP INDEX IF EXISTS "
      "ix_tirPartnersGroups_crcl;");
  tir::schema::EnsureChainSchema(c);
  // The check's own text, as the data layer prepares it, planned on that base: its
  // ancestor count must find the groups from the index alone (a table read per pair of groups
  // makes the check of a few thousand groups take most of an incremental sync).
  tir::db::StatementSet texts(tir::db::DbKind::kSQLite);
  tir::db::SetStatementRecorder(&texts);
  tir::db::Query q(c);
  std::string report;
  const bool sound = tir::tree::gTreeFunc_CheckIntegrity(q, "tirGoodsGroups", report);
  tir::db::SetStatementRecorder(nullptr);
  EXPECT_TRUE(sound) << report;
  ASSERT_EQ(texts.Statements().size(), 1u);
  std::string plan;
  tir::db::Query explain(c);
  explain.SetSql("EXPLAIN QUERY PLAN " + texts.Statements()[0].text);
  for (explain.Open(); !explain.Eof(); explain.Next())
    plan += explain.FieldByIndex(3).AsText() + "\n";
  EXPECT_NE(plan.find("SEARCH p USING COVERING INDEX ix_tirGoodsGroups_crcl"), std::string::npos)
      << plan;
  EXPECT_EQ(ScalarInt(c, "SELECT COUNT(*) FROM sqlite_master WHERE name LIKE 'ix_%_crcl'"), 14);
}

TEST(SchemaChain, MssqlChainPartGuardsEveryObjectItCreates) {
  const std::string part = tir::schema::ChainPart(tir::schema::MssqlDdl());
  ASSERT_FALSE(part.empty());
  // Run on an existing base, every CREATE must stand behind a check; its trigger bodies stay in
  // quoted EXEC texts so that the statement splitter keeps them whole.
  std::size_t at = 0, creates = 0;
  while ((at = part.find("CREATE ", at)) != std::string::npos) {
    const std::size_t lineStart = part.rfind('\n', at) + 1;
    const std::string head = part.substr(lineStart, at - lineStart);
    if (head.rfind("--", 0) != 0) {
      ++creates;
      EXPECT_EQ(head.rfind("IF ", 0), 0u) << part.substr(lineStart, 80);
    }
    at += 7;
  }
  EXPECT_GT(creates, 10u);
}

}  // namespace
