#include "host/tirdex/command_runner.h"

#include <exception>
#include <iostream>

#include "db/db_error.h"
#include "host/tirdex/command_registry.h"

namespace tir::tirdex {

int Fail(std::string_view command, std::string_view message, int code) {
  std::cerr << "tirdex " << command << ": " << message << "\n";
  return code;
}

std::string CommandPath(const CLI::App& cmd) {
  const CLI::App* parent = cmd.get_parent();
  if (parent == nullptr || parent->get_parent() == nullptr) return cmd.get_name();
  return CommandPath(*parent) + " " + cmd.get_name();
}

void RunCommand(std::string_view command, const std::function<int()>& work) {
  try {
    SetExitCode(work());
  } catch (const db::DbError& e) {
    SetExitCode(Fail(command, std::string("ErrorSQL: ") + e.what(), kExitFailure));
  } catch (const std::exception& e) {
    SetExitCode(Fail(command, std::string("Error: ") + e.what(), kExitFailure));
  }
}

}  // namespace tir::tirdex
