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
