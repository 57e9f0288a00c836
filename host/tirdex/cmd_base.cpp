// tirdex schema / demo-base: create an empty back-office base or a sample one.
#include <cmath>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "files/output_file.h"
#include "host/demo/demo_base.h"
#include "host/schema/first_user.h"
#include "host/schema/schema.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/output_guard.h"
#include "host/tirdex/progress_line.h"
#include "host/tirdex/tirdex_files.h"

namespace tir::tirdex {
namespace {

namespace fs = std::filesystem;

struct BaseOptions {
  std::string file;
  bool force = false;
  std::int64_t goods = 1000;
  std::int64_t docs = -1;
  std::uint64_t seed = 1;
  bool mssql = false;
  std::string firstUser, firstUserName, firstUserPassword;
};

void RemoveBase(const std::string& path) {
  std::error_code ignored;
  for (const char* tail : {"", "-wal", "-shm", "-journal"}) fs::remove(path + tail, ignored);
}

// A new base goes only where there is no file, an empty one, or (with --force) a base nobody has
// open; never in place of a folder, device or other special file.
bool TargetIsFree(const BaseOptions& options) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(options.file, ec);
  if (!fs::exists(status)) return true;
  if (!fs::is_regular_file(status)) {
    std::cerr << "tirdex: " << options.file << " is not a regular file; nothing was created\n";
    return false;
  }
  if (fs::file_size(options.file, ec) == 0 && !ec) return true;
  if (!options.force) {
    std::cerr << "tirdex: " << options.file
              << " exists and is not empty; use --force to replace it\n";
    return false;
  }
  if (BaseInUse(options.file)) {
    std::cerr << "tirdex: " << options.file << ": base in use by another program; not replaced\n";
    return false;
  }
  return true;
}

// The base is built beside the target and moved over it only when complete, so a failed run
// leaves no half-filled base behind.
template <typename Fill>
bool BuildBase(const BaseOptions& options, Fill fill) {
  const std::string work = options.file + ".part";
  RemoveBase(work);
  try {
    {
      auto connection = tir::db::SqliteConnection::Open(work);
      tir::schema::CreateSchema(*connection);
      fill(*connection);
    }
    RemoveBase(options.file);
    fs::rename(work, options.file);
    return true;
  } catch (const std::exception& e) {
    std::cerr << "tirdex: cannot create " << options.file << ": " << e.what() << "\n";
  }
  RemoveBase(work);
  return false;
}

void PrintSummary(tir::db::Connection& connection, std::ostream& out) {
  std::int64_t total = 0;
  for (const std::string& table : tir::schema::TableNames()) {
    tir::db::Query query(connection);
    query.SetSql("SELECT COUNT(*) AS n FROM &T;");
    query.SetMacro("T", table);
    query.Open();
    const std::int64_t rows = query.FieldByName("n").AsInt64();
    total += rows;
    out << "  " << table << std::string(table.size() < 20 ? 20 - table.size() : 1, ' ') << rows
        << "\n";
  }
  out << "  total" << std::string(15, ' ') << total << "\n";
}

// The Microsoft SQL Server script: tables, indexes, tree roots and the tree procedures.
int WriteMssqlScript(const BaseOptions& options) {
  const std::string script = tir::schema::MssqlScript();
  std::string error;
  if (!tir::files::WriteOutputFile(
          options.file,
          [&](std::FILE* out) {
            return std::fwrite(script.data(), 1, script.size(), out) == script.size();
          },
          error)) {
    std::cerr << "tirdex: " << error << "\n";
    return kExitFailure;
  }
  std::cout << "wrote " << options.file << ": " << tir::schema::TableNames().size()
            << " tables and the group-tree procedures for Microsoft SQL Server\n";
  return kExitOk;
}

int RunSchema(const BaseOptions& options) {
  const OutputRole role = options.mssql ? OutputRole::kOutput : OutputRole::kNewBase;
  if (RefuseOutput("schema", options.file, "", role)) return kExitFailure;
  if (!TargetIsFree(options)) return kExitFailure;
  if (options.mssql) return WriteMssqlScript(options);
  const bool ok = BuildBase(options, [&options](tir::db::SqliteConnection& connection) {
    if (options.firstUser.empty()) return;
    tir::schema::AddFirstUser(connection, options.firstUser, options.firstUserName,
                              options.firstUserPassword, "Администраторы");
  });
  if (!ok) return kExitFailure;
  std::cout << "created " << options.file << " with " << tir::schema::TableNames().size()
            << " tables";
  if (!options.firstUser.empty()) {
    std::cout << " and the administrator " << options.firstUser << " (every right"
              << (options.firstUserPassword.empty() ? ", no password" : ", with a password") << ")";
  }
  std::cout << "\n";
  return kExitOk;
}

int RunDemoBase(const BaseOptions& options) {
  if (RefuseOutput("demo-base", options.file, "", OutputRole::kNewBase)) {
    return kExitFailure;
  }
  if (!TargetIsFree(options)) return kExitFailure;
  tir::demo::DemoOptions demo;
  demo.goods = options.goods;
  demo.docs = options.docs;
  demo.seed = options.seed;
  // Large bases take a while: show how far the work has come.
  const std::int64_t docs = options.docs < 0 ? options.goods : options.docs;
  if (options.goods + docs >= 20000) {
    auto line = std::make_shared<ProgressLine>();
    demo.progress = [line](const std::string& text) {
      line->Show("demo-base: " + text);
      if (text.rfind("100%", 0) == 0) line->Finish();
    };
  }
  const auto started = std::chrono::steady_clock::now();
  const bool ok = BuildBase(options, [&demo](tir::db::SqliteConnection& connection) {
    tir::demo::GenerateDemoBase(connection, demo);
  });
  if (!ok) return kExitFailure;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  try {
    auto connection = tir::db::SqliteConnection::Open(options.file);
    std::cout << "created " << options.file << " (seed " << options.seed << ") in "
              << std::round(seconds * 10) / 10.0 << " s; rows per table:\n";
    PrintSummary(*connection, std::cout);
  } catch (const std::exception& e) {
    std::cerr << "tirdex: cannot read back " << options.file << ": " << e.what() << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

void InstallBaseCommands(CLI::App& app) {
  auto schemaOptions = std::make_shared<BaseOptions>();
  CLI::App* schema = app.add_subcommand(
      "schema",
      R"(Create an empty back-office base: an SQLite file with every table, index and group-tree root. With --mssql, write instead the script that prepares a Microsoft SQL Server base (tables, indexes, tree roots and the group-tree procedures dbo.usp_Tree_*), to run with sqlcmd. An existing non-empty file is left alone unless --force is given.)");
  schema
      ->add_option("FILE", schemaOptions->file,
                   "SQLite file (or, with --mssql, .sql script) to create")
      ->required();
  schema->add_flag("--mssql", schemaOptions->mssql,
                   "Write the Microsoft SQL Server script FILE instead of an SQLite base");
  schema->add_flag("--force", schemaOptions->force, "Replace an existing non-empty file");
  CLI::Option* firstUser = schema->add_option(
      "--first-user", schemaOptions->firstUser,
      "Create the base's first user with this code: an administrator with every right, so that "
      "tirhost can sign in on the new base");
  firstUser->excludes("--mssql");
  schema
      ->add_option("--first-user-name", schemaOptions->firstUserName,
                   "Name of the first user (default: its code)")
      ->needs(firstUser);
  schema
      ->add_option("--first-user-password", schemaOptions->firstUserPassword,
                   "Password of the first user (default: none)")
      ->needs(firstUser);
  OnRun(*schema, schemaOptions, RunSchema);

  auto demoOptions = std::make_shared<BaseOptions>();
  CLI::App* demo = app.add_subcommand(
      "demo-base",
      R"(Create a sample back-office base: group trees, goods with barcodes, prices and recipes, partners with contracts, entities, stores, users with rights, currencies, tax rates, cash accounts, tables, modifiers, sale points, discount rules and unposted documents of every type 1-15 (about ten lines each). The same seed gives the same base. Prints the rows per table; large bases report progress on stderr.)");
  demo->add_option("FILE", demoOptions->file, "SQLite file to create")->required();
  demo->add_option("--goods", demoOptions->goods, "Number of goods (default 1000)")
      ->check(CLI::Range(static_cast<std::int64_t>(1), static_cast<std::int64_t>(10'000'000)));
  demo->add_option("--docs", demoOptions->docs, "Number of documents (default: as many as goods)")
      ->check(CLI::Range(static_cast<std::int64_t>(0), static_cast<std::int64_t>(50'000'000)));
  demo->add_option("--seed", demoOptions->seed, "Seed of the generator (default 1)");
  demo->add_flag("--force", demoOptions->force, "Replace an existing non-empty file");
  OnRun(*demo, demoOptions, RunDemoBase);
}

const bool registered = RegisterCommands("base", InstallBaseCommands);

}  // namespace
}  // namespace tir::tirdex
