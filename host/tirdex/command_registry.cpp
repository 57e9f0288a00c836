#include "host/tirdex/command_registry.h"

#include <algorithm>

namespace tir::tirdex {
namespace {

std::vector<std::pair<std::string, CommandInstaller>>& Registry() {
  static std::vector<std::pair<std::string, CommandInstaller>> registry;
  return registry;
}

int gExitCode = kExitOk;

}  // namespace

bool RegisterCommands(const std::string& group, CommandInstaller installer) {
  auto& registry = Registry();
  registry.emplace_back(group, std::move(installer));
  // Static initialisation order differs between builds; keep --help stable.
  std::sort(registry.begin(), registry.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  return true;
}

const std::vector<std::pair<std::string, CommandInstaller>>& RegisteredCommands() {
  return Registry();
}

void SetExitCode(int code) { gExitCode = code; }
int ExitCode() { return gExitCode; }

}  // namespace tir::tirdex
