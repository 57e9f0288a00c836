// The SQL a Microsoft SQL Server base receives, checked without a server: the base script and
// every statement text parse with sqlfluff's T-SQL dialect, every "{IF MSSQL}" block of the
// sources is among the checked texts, and every table and column they name is in the script.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "host/schema/schema.h"
#include "server_texts.h"
#include "tsql_texts.h"

namespace tir::tsql {
namespace {

const std::vector<NamedText>& Statements() {
  static const std::vector<NamedText> texts = ServerStatements(TIR_TSQL_RECORD, TIR_TSQL_SHARED);
  return texts;
}

std::string Work(const std::string& name) { return std::string(TIR_TSQL_WORK) + "/" + name; }

// Texts for blocks that neither the workload nor the server-kind run reaches (they need rows or
// settings a sample base does not have), copied from the code in their server form.
const std::vector<NamedText>& TextsFromCode() {
  static const std::vector<NamedText> texts = {
      // A rights group loaded with the id its file gives.
      {"code json_loader_users identity on", "SET IDENTITY_INSERT [tirUsersRG] ON"},
      {"code json_loader_users insert with id",
       "INSERT INTO tirUsersRG ([fId],[fName],[fState],[fBase]) VALUES "
       "(:pId,:pName,:pState,:pBase)"},
      {"code json_loader_users identity off", "SET IDENTITY_INSERT [tirUsersRG] OFF"},
      // The goods-update counter row recreated when it is missing or repeated.
      {"code json_loader_goods counter delete",
       "DELETE tirSettings WHERE ([fMId]=0)AND([fPType]=-30)"},
      {"code json_loader_goods counter insert",
       "INSERT INTO tirSettings (fPValId, fUserId, fMId, fPType, fPB, fPI, fpStr)  VALUES (0, 0, "
       "0 ,-30, 0, 0, '')"}};
  return texts;
}

// Texts the code sends to SQLite bases only, chosen in C++ by the base kind (a server gets a text
// of its own on the same path, or never takes the path): a shared text that does not parse as
// T-SQL must hold one of these fragments.
struct SqliteOnly {
  const char* fragment;
  const char* where;
};
const std::vector<SqliteOnly>& SqliteOnlyTexts() {
  static const std::vector<SqliteOnly> texts = {
      {"PRAGMA cache_size", "demo_base.cpp: page cache while a sample SQLite base is filled"},
      {"fPDate>=datetime(CURRENT_TIMESTAMP,'-", "mass_repost_control.cpp: live control row"},
  };
  return texts;
}

std::string Report(const std::map<std::string, std::string>& failures,
                   const std::vector<NamedText>& texts) {
  std::string report;
  for (const auto& [name, note] : failures) {
    const auto it = std::find_if(texts.begin(), texts.end(),
                                 [&](const NamedText& t) { return t.name == name; });
    report += name + ": " + note + "\n" + (it == texts.end() ? "" : it->text) + "\n\n";
  }
  return report;
}

TEST(TsqlParse, ServerScriptParses) {
  if (!SqlfluffAvailable())
    GTEST_SKIP() << "sqlfluff is not installed: the T-SQL texts are not parsed";
  const auto pieces = ScriptPieces(schema::MssqlScript(), "script line");
  ASSERT_GT(pieces.size(), 40u);
  const auto failures = FindUnparsable(pieces, Work("script"));
  EXPECT_TRUE(failures.empty()) << Report(failures, pieces);
}

// The statements and, as a check that the parse really judges them, a few broken texts that
// must be the only ones reported.
TEST(TsqlParse, EveryServerStatementParses) {
  if (!SqlfluffAvailable())
    GTEST_SKIP() << "sqlfluff is not installed: the T-SQL texts are not parsed";
  std::vector<NamedText> texts;
  for (const auto& t : Statements()) texts.push_back({t.name, AsServerBatch(t.text)});
  for (const auto& t : TextsFromCode()) texts.push_back({t.name, AsServerBatch(t.text)});
  ASSERT_GT(texts.size(), 100u);
  const std::vector<NamedText> broken = {
      {"broken keyword", "SELECT TOP 1 fId FORM tirGoods WHERE fId = @pId;"},
      {"broken bracket", "SELECT (fId FROM tirGoods;"},
      {"broken dialect", "SELECT fId FROM tirGoods LIMIT 1;"},
      {"broken page", "SELECT fId FROM tirGoods ORDER BY fId OFFSET 0 ROW FETCH 10 ROWS ONLY"}};
  texts.insert(texts.end(), broken.begin(), broken.end());
  auto failures = FindUnparsable(texts, Work("statements"));
  for (const auto& b : broken) {
    EXPECT_EQ(failures.count(b.name), 1u) << "not caught: " << b.text;
    failures.erase(b.name);
  }
  for (const auto& t : texts) {
    if (failures.count(t.name) == 0 || t.name.rfind("shared ", 0) != 0) continue;
    for (const auto& only : SqliteOnlyTexts()) {
      if (t.text.find(only.fragment) != std::string::npos) failures.erase(t.name);
    }
  }
  EXPECT_TRUE(failures.empty()) << failures.size() << " unparsable:\n" << Report(failures, texts);
}

// Every SQLite-only fragment still names a text the workload sends, so the list hides nothing
// that is gone.
TEST(TsqlTexts, SqliteOnlyTextsAreStillSent) {
  for (const auto& only : SqliteOnlyTexts()) {
    EXPECT_TRUE(std::any_of(Statements().begin(), Statements().end(),
                            [&](const NamedText& t) {
                              return t.name.rfind("shared ", 0) == 0 &&
                                     t.text.find(only.fragment) != std::string::npos;
                            }))
        << only.fragment << " (" << only.where << ")";
  }
}

TEST(TsqlTexts, EveryServerBlockOfTheSourcesIsChecked) {
  auto blocks = ConditionalBlocks(std::string(TIR_SOURCE_DIR) + "/src", "MSSQL");
  const auto hostBlocks = ConditionalBlocks(std::string(TIR_SOURCE_DIR) + "/host", "MSSQL");
  blocks.insert(blocks.end(), hostBlocks.begin(), hostBlocks.end());
  ASSERT_GT(blocks.size(), 20u);
  std::vector<std::string> flat;
  for (const auto& t : Statements()) flat.push_back(Flatten(t.text));
  for (const auto& t : TextsFromCode()) flat.push_back(Flatten(t.text));
  for (const auto& block : blocks) {
    const bool covered = std::any_of(flat.begin(), flat.end(),
                                     [&](const std::string& f) { return Covers(f, block); });
    EXPECT_FALSE(block.pieces.empty()) << "no literal text in the block at " << block.where;
    std::string pieces;
    for (const auto& p : block.pieces) pieces += "[" + p + "] ";
    EXPECT_TRUE(covered) << "no checked text holds the block at " << block.where << ": " << pieces;
  }
}

// Tables a text names that the script lacks, and columns that none of the text's tables has.
std::set<std::string> MissingNames(const std::vector<NamedText>& texts,
                                   const TableColumns& tables) {
  std::set<std::string> problems;
  for (const auto& t : texts) {
    const NamedObjects names = NamesIn(t.text);
    for (const auto& table : names.tables) {
      if (tables.count(table) == 0) problems.insert("table " + table + " (" + t.name + ")");
    }
    for (const auto& column : names.columns) {
      const bool found = std::any_of(names.tables.begin(), names.tables.end(), [&](auto& table) {
        const auto it = tables.find(table);
        return it != tables.end() && it->second.count(column) != 0;
      });
      if (!found) problems.insert("column " + column + " (" + t.name + ")");
    }
  }
  return problems;
}

TEST(TsqlTexts, NamedTablesAndColumnsExistInTheServerScript) {
  const TableColumns tables = ReadTables(schema::MssqlDdl());
  ASSERT_GT(tables.size(), 40u);
  ASSERT_EQ(tables.at("tirgoods").count("fguid1"), 1u);
  std::vector<NamedText> texts = Statements();
  texts.insert(texts.end(), TextsFromCode().begin(), TextsFromCode().end());
  std::string report;
  for (const auto& p : MissingNames(texts, tables)) report += p + "\n";
  EXPECT_TRUE(report.empty()) << report;

  // Misspelt names are found; aliases, variables, quoted texts and comments are not names.
  const std::vector<NamedText> wrong = {
      {"a", "SELECT t.fNmae AS fShown, @fVar FROM [tirGoods] t WHERE fName = 'fText'; -- fNote"},
      {"b", "UPDATE tirGood SET fName = :fName"}};
  EXPECT_EQ(MissingNames(wrong, tables),
            (std::set<std::string>{"column fnmae (a)", "table tirgood (b)", "column fname (b)"}));
}

}  // namespace
}  // namespace tir::tsql
