#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tir::tirdex {

// Prints "tirdex COMMAND: MESSAGE" on stderr and returns `code`, so that a command can end with
//   return Fail("export", "nothing written", kExitFailure);
int Fail(std::string_view command, std::string_view message, int code);

// Runs a command's work and stores the exit code it returns. A database error becomes
// "tirdex COMMAND: ErrorSQL: ...", any other failure "tirdex COMMAND: Error: ...", both with exit
// code 1: no failure leaves a command without a message.
void RunCommand(std::string_view command, const std::function<int()>& work);

}  // namespace tir::tirdex
