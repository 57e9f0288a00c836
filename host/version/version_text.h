#pragma once

#include <string>

namespace tir::version {

// The --version text of a program: its name and version, the commit it was built from, the
// SQLite library it runs with (and the one it was built against when they differ) and the Qt
// version: `qtRuntime` when the program runs Qt itself, else the one the module's windows were
// built with ("none" when the build has no Qt). Lines end with "\n".
std::string VersionText(const std::string& program, const std::string& qtRuntime = {});

}  // namespace tir::version
