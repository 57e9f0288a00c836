#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tir::tirdex {

// Exit codes of every command: 0 success, 1 the work failed, 2 bad usage.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// A group of commands adds its subcommands to the application. The callback it installs on a
// subcommand stores the command's exit code through SetExitCode.
using CommandInstaller = std::function<void(CLI::App& app)>;

// Each cmd_*.cpp file registers its installer at static-initialisation time:
//   static const bool registered = tir::tirdex::RegisterCommands("tree", InstallTreeCommands);
bool RegisterCommands(const std::string& group, CommandInstaller installer);
const std::vector<std::pair<std::string, CommandInstaller>>& RegisteredCommands();

void SetExitCode(int code);
int ExitCode();

}  // namespace tir::tirdex
