// tirdex load-universal: reads a universal JSON file (as export-period writes it) into a base: the
// goods group tree and the goods catalog, in one transaction.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "db/sqlite_connection.h"
#include "frame/app_globals.h"
#include "host/kit/host_scope.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/tirdex_files.h"
#include "import/tir_json_loader.h"

namespace tir::tirdex {
namespace {

struct LoadOptions {
  std::string base;
  std::string file;
  bool dryRun = false;
};

int RunLoadUniversal(const LoadOptions& o) {
  std::unique_ptr<db::Connection> connection;
  try {
    connection = OpenExistingBase(o.base);
  } catch (const std::exception& e) {
    return Fail("load-universal", e.what(), kExitFailure);
  }
  const hostkit::THostScope host(*connection);
  try {
    // The whole file or nothing: a failure half-way leaves the base as it was.
    connection->StartTransaction();
    importing::TTirJSonLoader loader(*connection);
    if (!loader.LoadFromFile(o.file)) {
      connection->Rollback();
      return Fail("load-universal", "file refused: " + loader.LastError(), kExitFailure);
    }
    loader.AddGoodsToBase();
    // A trial run does all the work and its report, then undoes it.
    if (o.dryRun) {
      connection->Rollback();
    } else {
      connection->Commit();
    }
    const auto& n = loader.Written();
    std::cout << (o.dryRun ? "dry run, nothing written; would write:\n" : "")
              << "goods groups: " << n.groupsAdded << " added, " << n.groupsUpdated << " updated\n"
              << "goods: " << n.goodsAdded << " added, " << n.goodsUpdated << " updated\n";
    if (n.treeFailures > 0) {
      std::cout << "group tree operations failed: " << n.treeFailures << "\n";
      for (const std::string& message : n.treeMessages) std::cout << "  " << message << "\n";
    }
    return kExitOk;
  } catch (const std::exception& e) {
    if (connection->InTransaction()) connection->Rollback();
    return Fail("load-universal", std::string("nothing written: ") + e.what(), kExitFailure);
  }
}

void InstallLoadUniversal(CLI::App& app) {
  auto options = std::make_shared<LoadOptions>();
  CLI::App* cmd = app.add_subcommand(
      "load-universal",
      R"(Read a universal JSON file (such as export-period writes) into the base DB: the goods
group tree and every goods item, matched by GUID. A new goods item is added; a known one
has its codes, names, barcodes, units, prices, flags, group and extra properties
overwritten, an empty text or 0 where the file leaves a value out. A new item whose
"guid" is not a GUID ends the load. A group tree operation that fails (a group listed
under itself, say) is counted and named in the report, and the load goes on.
Only a universal file is accepted: its "info" holds a positive "ver", the GUID of
the base that wrote it and "jsondocdate", its members are the universal sections, and
its goods and groups carry "guid" and "name"; a main export (export) is refused.
Everything is written in one transaction: when the file is refused or anything fails,
the base stays as it was. Prints the groups and goods written. Exits 0 on success, 1
when the file is refused or the load fails.)");
  AddBaseOption(*cmd, options->base);
  cmd->add_option("FILE", options->file, "The universal JSON file")->required();
  cmd->add_flag("--dry-run", options->dryRun,
                "Do the whole load and print its report, then undo it: nothing is written");
  OnRun(*cmd, options, RunLoadUniversal);
}

const bool registered = RegisterCommands("load-universal", InstallLoadUniversal);

}  // namespace
}  // namespace tir::tirdex
