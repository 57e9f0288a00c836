// tirdex tree check / repair: the integrity check and the repair of a nested-set group table.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "db/query.h"
#include "db/sql_text.h"
#include "db/sqlite_connection.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/tirdex_files.h"
#include "tree/tree_integrity.h"
#include "tree/tree_repair.h"

namespace tir::tirdex {
namespace {

struct TreeOptions {
  std::string base;
  std::string table;
  std::string root = "root";
};

// The report's CR LF line ends become the terminal's.
std::string ForTerminal(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

// Opens the base for a tree command; nullptr, with the message printed and `code` set, when the
// table name is not a plain identifier (usage) or the base file does not exist (failure).
std::unique_ptr<db::Connection> OpenForTree(const TreeOptions& options, int& code) {
  if (!db::IsPlainIdentifier(options.table)) {
    code = Fail("tree", "\"" + options.table + "\" is not a plain table name", kExitUsage);
    return nullptr;
  }
  if (!BaseFileExists(options.base)) {
    code = Fail("tree", "no base file " + options.base, kExitFailure);
    return nullptr;
  }
  return OpenExistingBase(options.base);
}

int RunCheck(const TreeOptions& options) {
  int code = kExitOk;
  auto connection = OpenForTree(options, code);
  if (!connection) return code;
  db::Query query(*connection);
  std::string report;
  const bool sound = tree::gTreeFunc_CheckIntegrity(query, options.table, report);
  std::cout << ForTerminal(report) << "\n";
  return sound ? kExitOk : kExitFailure;
}

int RunRepair(const TreeOptions& options) {
  int code = kExitOk;
  auto connection = OpenForTree(options, code);
  if (!connection) return code;
  db::Query query(*connection);
  const tree::TFuncR result = tree::gTreeFunc_RepairSafeSmart(query, options.table, options.root);
  std::cout << result.fCode << " " << result.fStr << "\n";
  return result.fCode == 0 ? kExitOk : kExitFailure;
}

void AddTableArguments(CLI::App& cmd, TreeOptions& options) {
  AddBaseOption(cmd, options.base);
  cmd.add_option("TABLE", options.table,
                 "The group table (a plain identifier such as tirGoodsGroups)")
      ->required();
}

void InstallTreeCommands(CLI::App& app) {
  CLI::App* group = app.add_subcommand(
      "tree",
      R"(Check or repair a group tree kept as a nested set (columns fcl, fcr, fclev) in a table
of the base, such as tirGoodsGroups.)");
  group->require_subcommand(1);
  auto options = std::make_shared<TreeOptions>();

  CLI::App* check = group->add_subcommand(
      "check",
      R"(Print the integrity report of TABLE: node and root counts, bad bounds, duplicate and
missing bound values, odd widths and wrong levels. Exits 0 when the tree is sound, 1
when it is not (or the base cannot be read), 2 for a table name that is not a plain
identifier.)");
  AddTableArguments(*check, *options);
  OnRun(*check, options, RunCheck);

  CLI::App* repair = group->add_subcommand(
      "repair",
      R"(Rebuild the bounds and levels of every row of TABLE in one transaction so that the tree
is sound again: nesting that can be trusted is kept, every doubtful row goes directly
under the root row (the row named by --root, created when missing). Names, GUIDs and
rows are never changed or removed. Prints the result's code and message; exits 0 when
the code is 0, 1 otherwise, 2 for a table name that is not a plain identifier.)");
  AddTableArguments(*repair, *options);
  repair->add_option("--root", options->root, "Name of the root row")->default_str("root");
  OnRun(*repair, options, RunRepair);
}

const bool registered = RegisterCommands("tree", InstallTreeCommands);

}  // namespace
}  // namespace tir::tirdex
