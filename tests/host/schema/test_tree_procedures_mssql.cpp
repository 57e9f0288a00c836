// The SQL Server script declares every tree procedure the module calls, with every parameter the
// module's batches name: a server would refuse a call that does not match its procedure.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "db/query.h"
#include "host/schema/schema.h"
#include "recording_connection.h"
#include "tree/tree_functions.h"
#include "tree/tree_integrity.h"

namespace {

using Params = std::map<std::string, std::set<std::string>>;

// Procedure name -> the @parameters named in "EXEC dbo.usp_… @A=…, @B=…" calls of `text`.
void CollectCalls(const std::string& text, Params& calls) {
  static const std::regex call(R"(EXEC dbo\.(usp_Tree_\w+)([^;]*))");
  static const std::regex named(R"(@(\w+)\s*=)");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), call); it != std::sregex_iterator();
       ++it) {
    auto& names = calls[(*it)[1].str()];
    const std::string args = (*it)[2].str();
    for (auto p = std::sregex_iterator(args.begin(), args.end(), named);
         p != std::sregex_iterator(); ++p) {
      names.insert((*p)[1].str());
    }
  }
}

// Procedure name -> its declared @parameters, from "CREATE OR ALTER PROCEDURE dbo.X @A …\nAS".
Params Declared(const std::string& script) {
  static const std::regex procedure(R"(CREATE OR ALTER PROCEDURE dbo\.(\w+)([\s\S]*?)\nAS\b)");
  static const std::regex param(R"(@(\w+))");
  Params declared;
  for (auto it = std::sregex_iterator(script.begin(), script.end(), procedure);
       it != std::sregex_iterator(); ++it) {
    const std::string head = (*it)[2].str();
    auto& names = declared[(*it)[1].str()];
    for (auto p = std::sregex_iterator(head.begin(), head.end(), param);
         p != std::sregex_iterator(); ++p) {
      names.insert((*p)[1].str());
    }
  }
  return declared;
}

TEST(TreeProceduresMssql, EveryCallTheModuleMakesMatchesADeclaredProcedure) {
  using namespace tir;
  db::testkit::RecordingConnection conn(db::DbKind::kMSSQL);
  db::Query q(conn);
  const std::string t = "tirGoodsGroups";
  int id = 0;
  std::string report;
  tree::gTreeFunc_GetRootID(q, t);
  tree::gTreeFunc_AddNode(q, t, 3, "a", id);
  tree::gTreeFunc_AddChieldNode(q, t, 3, "a", id);
  tree::gTreeFunc_DeleteNode(q, t, 3);
  tree::gTreeFunc_DeleteSubtree(q, t, 3);
  tree::gTreeFunc_UpdateNode(q, t, 3, "b");
  tree::gTreeFunc_UpdateNodeGUID(q, t, 3, "0f8fad5b-d9cb-469f-a165-70867728950e");
  tree::gTreeFunc_ChangeParentEx(q, t, 3, 4, tree::TTreeInsertPos::tipFirstChild);
  tree::gTreeFunc_MoveSibling(q, t, 3, tree::TTreeSiblingMoveDir::smdUp);
  tree::gTreeFunc_FindOrCreateGroupByPath(q, t, "a\\b");
  try {
    tree::gTreeFunc_CheckIntegrity(q, t, report);  // no rows come back: only the call counts
  } catch (const std::exception&) {
  }
  Params calls;
  for (const auto& run : conn.Runs()) CollectCalls(run.sql, calls);
  ASSERT_EQ(calls.size(), 11u) << conn.RunSql();

  const Params declared = Declared(tir::schema::MssqlScript());
  for (const auto& [procedure, names] : calls) {
    const auto found = declared.find(procedure);
    ASSERT_NE(found, declared.end()) << procedure << " is not in the script";
    for (const std::string& name : names) {
      EXPECT_TRUE(found->second.count(name)) << procedure << " has no parameter @" << name;
    }
  }
  // Each batch is one statement: its DECLAREd outputs reach the final SELECT.
  for (const auto& prepared : conn.Prepared()) {
    if (prepared.text.find("DECLARE") != std::string::npos) {
      EXPECT_NE(prepared.text.find("SELECT @"), std::string::npos) << prepared.text;
    }
  }
}

}  // namespace
