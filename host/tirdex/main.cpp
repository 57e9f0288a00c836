// tirdex: the substitute host's command line.
#include <CLI/CLI.hpp>
#include <clocale>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/terminal_output.h"
#include "host/tirdex/tirdex_files.h"
#include "host/version/version_text.h"

namespace {

int Run(int argc, char** argv) {
  CLI::App app{
      "tirdex: command line of the TirDataExchange substitute host.\n"
      "Works on a back-office base (an SQLite file): creates and fills bases, exports JSON,\n"
      "posts documents, checks and repairs group trees and talks to the module as a host.\n"
      "Wherever a command takes a base DB, an ODBC connection string may stand instead:\n"
      "\"odbc:Driver=...;Server=...;Database=...\" or --odbc \"Driver=...\" in the place of DB\n"
      "(a Microsoft SQL Server base; see docs/MSSQL.md).",
      "tirdex"};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Show help for every command");
  // The text has no final newline: CLI11 adds one.
  std::string version = tir::version::VersionText("tirdex");
  version.pop_back();
  app.set_version_flag("--version", version, "Show the version, the commit and the libraries");
  for (const auto& [group, install] : tir::tirdex::RegisteredCommands()) install(app);
  // Set after the commands: a footer set before is inherited by every command's help.
  app.footer(std::string("\n") + tir::tirdex::kPeriodRuleHelp);

  const std::vector<std::string> args = tir::tirdex::ExpandOdbcOption(argc, argv);
  std::vector<const char*> expanded;
  for (const std::string& arg : args) expanded.push_back(arg.c_str());
  try {
    app.parse(static_cast<int>(expanded.size()), expanded.data());
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? tir::tirdex::kExitOk : tir::tirdex::kExitUsage;
  }
  return tir::tirdex::ExitCode();
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C.UTF-8");
  tir::tirdex::FlushEveryLine();
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "tirdex: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "tirdex: unexpected failure\n";
  }
  return tir::tirdex::kExitFailure;
}
