#pragma once

#include <string>

namespace tir::test {

// Runs a shell command line with its error output discarded; its standard output goes to `out`
// when given. Returns the exit code, or -1 when the command did not exit normally.
int RunCommand(const std::string& command, std::string* out = nullptr);

}  // namespace tir::test
