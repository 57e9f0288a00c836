#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/sql_text.h"

namespace tir::db {
namespace {

std::vector<std::string> Texts(const PreparedText& p) {
  std::vector<std::string> out;
  for (const auto& s : p.statements) out.push_back(s.text);
  return out;
}

TEST(DbSqlTextTest, ConditionalBlocksKeepOnlyTheirKind) {
  const std::string sql =
      "SELECT {IF MSSQL}TOP 1 {fi}fId FROM tirGoods{IF SQLite} LIMIT 1{fi}{IF SQlite} /*x*/{fi}";
  EXPECT_EQ(Texts(PreprocessSql(sql, DbKind::kSQLite, {})),
            std::vector<std::string>{"SELECT fId FROM tirGoods LIMIT 1 /*x*/"});
  EXPECT_EQ(Texts(PreprocessSql(sql, DbKind::kMSSQL, {})),
            std::vector<std::string>{"SELECT TOP 1 fId FROM tirGoods"});
  // Kind names and the keywords compare case-insensitively; unknown kinds are dropped.
  EXPECT_EQ(Texts(PreprocessSql("A{if sqlite}B{FI}{IF Oracle}C{fi}{ IF  MSSQL }D{ fi }",
                                DbKind::kSQLite, {})),
            std::vector<std::string>{"AB"});
}

TEST(DbSqlTextTest, ConditionalBlocksNestAndMustBalance) {
  EXPECT_EQ(Texts(PreprocessSql("a{IF MSSQL}b{IF SQLite}c{fi}d{fi}e", DbKind::kMSSQL, {})),
            std::vector<std::string>{"abde"});
  EXPECT_EQ(Texts(PreprocessSql("a{IF SQLite}b{IF MSSQL}c{fi}d{fi}e", DbKind::kMSSQL, {})),
            std::vector<std::string>{"ae"});
  EXPECT_THROW(PreprocessSql("a{IF MSSQL}b", DbKind::kMSSQL, {}), DbError);
  EXPECT_THROW(PreprocessSql("a{fi}b", DbKind::kMSSQL, {}), DbError);
  // Markers inside string literals are text.
  EXPECT_EQ(Texts(PreprocessSql("SELECT '{IF MSSQL}'", DbKind::kSQLite, {})),
            std::vector<std::string>{"SELECT '{IF MSSQL}'"});
}

TEST(DbSqlTextTest, MacrosReplaceDefinedNamesOnly) {
  std::map<std::string, std::string> macros{{"paramTblName", "tirGoods"}, {"T", "tirPrices"}};
  auto p = PreprocessSql(
      "UPDATE &paramTblName SET fA = 1 WHERE x = '&T' AND y = &PARAMTBLNAME.fId; DELETE FROM &T "
      "WHERE a & b = 0 AND &undefined = 1",
      DbKind::kSQLite, macros);
  EXPECT_EQ(Texts(p), (std::vector<std::string>{
                          "UPDATE tirGoods SET fA = 1 WHERE x = '&T' AND y = tirGoods.fId",
                          "DELETE FROM tirPrices WHERE a & b = 0 AND &undefined = 1"}));
}

TEST(DbSqlTextTest, SplitsOnlyAtTopLevelSemicolons) {
  auto p = PreprocessSql(
      "INSERT INTO t VALUES('a;b'); -- c;d\n"
      "SELECT \"x;y\", [p;q] FROM t /* ; */ ;;  ;\n"
      "/* only a comment */;\n"
      "SELECT 'it''s;' ",
      DbKind::kSQLite, {});
  EXPECT_EQ(Texts(p), (std::vector<std::string>{"INSERT INTO t VALUES('a;b')",
                                                "-- c;d\nSELECT \"x;y\", [p;q] FROM t /* ; */",
                                                "SELECT 'it''s;'"}));
}

TEST(DbSqlTextTest, CommentMarkersInsideStringsAndUnclosedText) {
  EXPECT_EQ(
      Texts(PreprocessSql("SELECT '--', 1; SELECT '/*'; SELECT '*/' -- end", DbKind::kSQLite, {})),
      (std::vector<std::string>{"SELECT '--', 1", "SELECT '/*'", "SELECT '*/' -- end"}));
  // An unclosed string or comment swallows the rest; the base reports the error.
  EXPECT_EQ(Texts(PreprocessSql("SELECT 'a; SELECT 2", DbKind::kSQLite, {})),
            std::vector<std::string>{"SELECT 'a; SELECT 2"});
  EXPECT_EQ(Texts(PreprocessSql("SELECT 1 /* a; SELECT 2", DbKind::kSQLite, {})),
            std::vector<std::string>{"SELECT 1 /* a; SELECT 2"});
  auto p = PreprocessSql("SELECT [:pA], \":pB\", ':pC', x::int, :pD:pE FROM t", DbKind::kMSSQL, {});
  EXPECT_EQ(p.paramNames, (std::vector<std::string>{"pD", "pE"}));
  EXPECT_TRUE(PreprocessSql("  ;\n; -- nothing\n", DbKind::kSQLite, {}).statements.empty());
}

TEST(DbSqlTextTest, TriggerBodyStaysOneStatement) {
  auto p = PreprocessSql(
      "CREATE TEMP TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET a = 1; DELETE FROM u; END; "
      "SELECT 1",
      DbKind::kSQLite, {});
  ASSERT_EQ(p.statements.size(), 2u);
  EXPECT_EQ(p.statements[1].text, "SELECT 1");
  // The END of a CASE inside the body does not close it.
  p = PreprocessSql(
      "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET a = CASE WHEN b THEN 1 ELSE 2 END; "
      "DELETE FROM u; END; SELECT 1",
      DbKind::kSQLite, {});
  ASSERT_EQ(p.statements.size(), 2u);
  EXPECT_EQ(p.statements[1].text, "SELECT 1");
}

TEST(DbSqlTextTest, CollectsParametersPerStatementAndOverall) {
  auto p = PreprocessSql(
      "UPDATE t SET a = :pA WHERE id = :pId; SELECT CAST(x AS int)::text, ':pNot', /* :pNo */ "
      ":PID, :pB -- :pComment\n FROM t",
      DbKind::kSQLite, {});
  EXPECT_EQ(p.paramNames, (std::vector<std::string>{"pA", "pId", "pB"}));
  ASSERT_EQ(p.statements.size(), 2u);
  EXPECT_EQ(p.statements[0].paramNames, (std::vector<std::string>{"pA", "pId"}));
  EXPECT_EQ(p.statements[1].paramNames, (std::vector<std::string>{"pId", "pB"}));
  // Later spellings are rewritten to the first one so every backend sees one name.
  EXPECT_NE(p.statements[1].text.find(":pId, :pB"), std::string::npos);
  EXPECT_NE(p.statements[1].text.find("::text"), std::string::npos);
}

TEST(DbSqlTextTest, PlainIdentifiers) {
  for (const char* ok : {"tirGoods", "_x1", "dbo.tirGoods", "[tir Goods]", "dbo.[tirGoods]"}) {
    EXPECT_TRUE(IsPlainIdentifier(ok)) << ok;
  }
  for (const char* bad : {"", "1abc", "tirGoods;DROP", "a b", "a.", ".a", "[a]]", "[a", "a-b",
                          "tir'Goods", "a..b", "[]", "x.y.z.w"}) {
    EXPECT_FALSE(IsPlainIdentifier(bad)) << bad;
  }
}

TEST(DbSqlTextTest, IdLists) {
  for (const char* ok : {"", "1", "1,2,3", " 1 , -2 ,3 ", "9223372036854775807"}) {
    EXPECT_TRUE(IsValidIdList(ok)) << ok;
  }
  for (const char* bad : {",", "1,", ",1", "1,,2", "1 2", "1;2", "a", "1) OR (1=1", "-", "--1",
                          "+1", "1.5", "99999999999999999999", " "}) {
    EXPECT_FALSE(IsValidIdList(bad)) << bad;
  }
}

}  // namespace
}  // namespace tir::db
