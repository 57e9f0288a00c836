#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
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

// The command's words after "tirdex": "post", "plugin menus".
std::string CommandPath(const CLI::App& cmd);

// Makes `work` on the command's options the callback of `cmd`, run as above under its path.
template <typename Options, typename Work>
void OnRun(CLI::App& cmd, std::shared_ptr<Options> options, Work work) {
  cmd.callback([&cmd, options, work] {
    RunCommand(CommandPath(cmd), [&options, work] { return work(*options); });
  });
}

}  // namespace tir::tirdex
